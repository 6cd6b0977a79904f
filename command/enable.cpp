#include "command/enable.h"

#include "ale/engine/events.h"
#include "ale/link/ale_timing.h"
#include "ale/link/link_state.h"
#include "ale/link/link_state.h"
#include "command/keywords.h"
#include "command/listings.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/muting.h"
#include "radio/radio_hooks.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

constexpr int kTk90 = 143;
constexpr int kTk90Hs = 144;

// One sub-keyword: its code, the action for ENABLE (on) and DISABLE (off), and the two lines.
struct Switch {
  int code;
  void (*set)(bool on);
  const char* on_text;   // null: no line
  const char* off_text;
  bool line_first;       // the line is written before the change
};

void set_option(std::size_t offset, bool on) { db_set_option_int(offset, on ? 1 : 0); }

void set_memory_channels(bool on) {
  if (on)
    db_enable_memory_channels();
  else
    db_disable_memory_channels();
  const int type = db_get_radio_type();
  if (type == kTk90 || type == kTk90Hs) tk90_set_channel_mode(cat_slot_next(), on ? 2 : 0);
}

void set_scanning(bool on) {
  if (on) {
    db_set_mode_resend();
    // The link state machine tells the radio that scanning starts as it leaves SCANNING
    // STOPPED (and radio_scan_start does nothing in any other state): calling it here too
    // would start the radio's scan twice.
    ale_link_event(EV_START_SCAN);
  } else {
    ale_link_event(EV_STOP_SCAN);
  }
}

void set_auto(bool on) {
  if (on) {
    display_set_listing_compact();
    report_full_listing();
  } else {
    display_set_listing_full();
  }
}

void set_muting(bool on) {
  if (on)
    radio_mute_on();
  else
    radio_mute_off();
}

void set_tcp_echo(bool on) {
  if (on)
    log_enable_tcp_echo();
  else
    log_disable_tcp_echo();
}

void toggle_resources(bool) { mmi_toggle_resources(); }

#define VESK_SWITCH_FN(name, getter_suffix) \
  [](bool on) {                             \
    if (on)                                 \
      db_enable_##getter_suffix();          \
    else                                    \
      db_disable_##getter_suffix();         \
  }

const Switch kSwitches[] = {
    {5, [](bool on) { set_option(opt::LINKED_TWX, on); }, "MMI CHANGE: LINKED TWX ENABLED",
     "MMI CHANGE: LINKED TWX DISABLED", false},
    {7, [](bool on) { db_set_listen_mode(on ? 1 : 0); }, "OPTIONS: LISTEN MODE ENABLED",
     "OPTIONS: LISTEN MODE DISABLED", false},
    {8, set_memory_channels, "MMI CHANGE: RADIO MEMORY CHANNEL SUPPORT ENABLED",
     "MMI CHANGE: RADIO MEMORY CHANNEL SUPPORT DISALBED", true},
    {15, [](bool on) { db_set_aqc_burst(on ? 1 : 0); }, "MMI CHANGE: AQC BURST MODE ENABLED",
     "MMI CHANGE: AQC BURST MODE DISABLED", false},
    {173, VESK_SWITCH_FN(limit_calling, limit_calling), "MMI CHANGE: LIMIT SCANNING CALL DURATION ENABLED",
     "MMI CHANGE: LIMIT SCANNING CALL DURATION DISALBED", true},
    {184, set_scanning, nullptr, nullptr, false},
    {187, VESK_SWITCH_FN(lqa, lqa), nullptr, nullptr, false},
    {189, VESK_SWITCH_FN(sounding, sounding), nullptr, nullptr, false},
    {191, VESK_SWITCH_FN(allcalls, allcalls), nullptr, nullptr, false},
    {192, VESK_SWITCH_FN(anycalls, anycalls), nullptr, nullptr, false},
    {200, VESK_SWITCH_FN(voice_detect, voice_detect), nullptr, nullptr, false},
    {202, set_auto, nullptr, nullptr, false},
    {205, VESK_SWITCH_FN(polling, polling), nullptr, nullptr, false},
    {206, VESK_SWITCH_FN(gps, gps), nullptr, nullptr, false},
    {210, VESK_SWITCH_FN(bells, bells), nullptr, nullptr, false},
    {213, VESK_SWITCH_FN(motd, motd), nullptr, nullptr, false},
    {289, VESK_SWITCH_FN(lp, lp), nullptr, nullptr, false},
    {209, VESK_SWITCH_FN(echo, echo), nullptr, nullptr, false},
    {211, VESK_SWITCH_FN(tis_sounding, tis_sounding), nullptr, nullptr, false},
    {216, [](bool on) { db_set_cat_mute(on ? 1 : 0); }, "MMI CHANGE: CAT MUTING ENABLED",
     "MMI CHANGE: CAT MUTING DISABLED", false},
    {217, set_muting, "MMI CHANGE: RECEIVER MUTING ENABLED", "MMI CHANGE: RECEIVER MUTING DISABLED", false},
    {219, [](bool) {}, nullptr, nullptr, false},
    {220, [](bool on) { db_set_show_date(on ? 1 : 0); }, "MMI CHANGE: DISPLAY DATE WITH TIME ENABLED",
     "MMI CHANGE: DISPLAY DATE WITH TIME DISABLED", false},
    {228, [](bool on) { db_set_ptt_status_display(on ? 1 : 0); }, "MMI CHANGE: PTT STATUS MESSAGES ENABLED",
     "MMI CHANGE: PTT STATUS MESSAGES DISABLED", false},
    {286, set_tcp_echo, nullptr, nullptr, false},
    {384, [](bool on) { db_set_release_radio1(on ? 1 : 0); }, "MMI CHANGE: RELEASE OF RADIO 1 RESOURCES ENABLED",
     "MMI CHANGE: RELEASE OF RADIO 1 RESOURCES DISABLED", false},
    {385, [](bool on) { db_set_release_radio2(on ? 1 : 0); }, "MMI CHANGE: RELEASE OF RADIO 2 RESOURCES ENABLED",
     "MMI CHANGE: RELEASE OF RADIO 2 RESOURCES DISABLED", false},
    {386, [](bool on) { db_set_release_alt_ptt(on ? 1 : 0); },
     "MMI CHANGE: RELEASE OF RADIO 1 ALT PTT RESOURCES ENABLED",
     "MMI CHANGE: RELEASE OF RADIO 1 ALT PTT RESOURCES DISABLED", false},
    {387, [](bool on) { db_set_release_sound(on ? 1 : 0); }, "MMI CHANGE: RELEASE OF PCSDM RESOURCES ENABLED",
     "MMI CHANGE: RELEASE OF PCSDM RESOURCES DISABLED", false},
    {398, VESK_SWITCH_FN(rms_block, rms_block), "MMI CHANGE: RADIO EMULATION PORT RMS BLOCK ENABLED",
     "MMI CHANGE: RADIO EMULATION PORT RMS BLOCK DISABLED", false},
    {399, VESK_SWITCH_FN(radio_server, radio_server), "MMI CHANGE: RADIO EMULATION PORT RADIO SERVER MODE ENABLED",
     "MMI CHANGE: RADIO EMULATION PORT RADIO SERVER MODE DISABLED", false},
    {400, toggle_resources, nullptr, nullptr, false},
};
#undef VESK_SWITCH_FN

void run_switch(MmiLine& line, bool on) {
  if (line.count < 2) {
    line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
    return;
  }
  const int code = mmi_lookup_keyword(line.words[1]);
  if (code == MMI_AMBIGUOUS) {
    line.fail(MMI_ERROR_AMBIGUOUS, line.words[1]);
    return;
  }
  for (const Switch& s : kSwitches) {
    if (s.code != code) continue;
    const char* text = on ? s.on_text : s.off_text;
    if (text != nullptr && s.line_first) log_stamped_line(text);
    s.set(on);
    if (text != nullptr && !s.line_first) log_stamped_line(text);
    return;
  }
  line.fail(MMI_ERROR_NO_COMMAND, line.words[1]);
}

ResourcesState& resources() { return station().state<ResourcesState>(); }

void release_resources() {
  ResourcesState& r = resources();
  const bool sound = db_get_release_sound() == 1;
  const bool radio1 = db_get_release_radio1() == 1;
  const bool alt_ptt = db_get_release_alt_ptt() == 1;
  if (sound || radio1 || alt_ptt) {
    db_set_resources(0);
    log_stamped_line("OPTIONS: VESK-ALE RESOURCES RELEASED");
    r.saved_twa_secs = db_get_twa_secs();
    r.twa_saved = true;
    // The link never times out while released; saves keep the real time-out.
    db_hold_saved_twa(r.saved_twa_secs);
    db_set_twa_secs(0);
    if (ale_link_state() == ALE_STATE_LINKED_IDLE) timer_start_twa();
  } else {
    log_stamped_line("OPTIONS: NO VESK-ALE RESOURCES SELECTED TO RELEASE");
  }
  // Only what was actually closed is reopened by the next RESOURCES.
  r.sound = sound && sound_card().tx_done_queue != nullptr && snd_close() == 1;
  // The ports close under radio control's lock, so no channel setting is half sent.
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  SerialPort& radio_port = serial_control(SERIAL_ROLE_RADIO);
  r.radio1 = radio1 && radio_port.is_open() && radio_port.close() == 0;
  SerialPort& ptt_port = serial_control(SERIAL_ROLE_PTT);
  r.alt_ptt = alt_ptt && ptt_port.is_open() && ptt_port.close() == 0;
}

void reclaim_resources() {
  ResourcesState& r = resources();
  db_set_resources(1);
  if (r.sound) snd_open();
  if (r.radio1 || r.alt_ptt) radio_port_init();
  if (r.twa_saved) {
    db_set_twa_secs(r.saved_twa_secs);
    db_hold_saved_twa(-1);
    r.twa_saved = false;
    if (ale_link_state() == ALE_STATE_LINKED_IDLE) timer_start_twa();
    log_stamped_line("OPTIONS: VESK-ALE RESOURCES RECLAIMED");
  }
  r.sound = r.radio1 = r.alt_ptt = false;
}

}  // namespace

void mmi_toggle_resources() {
  if (db_get_resources() == 1)
    release_resources();
  else
    reclaim_resources();
}

void mmi_cmd_enable(MmiLine& line) { run_switch(line, true); }
void mmi_cmd_disable(MmiLine& line) { run_switch(line, false); }

}  // namespace vesk
