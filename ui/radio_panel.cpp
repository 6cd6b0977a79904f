#include "ui/radio_panel.h"

#include <cctype>

#include "ale/engine/api_event.h"
#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "command/listings.h"
#include "ale/engine/events.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"
#include "radio/muting.h"
#include "ui/call_dialogs.h"

namespace vesk {

namespace {

const char* mode_text(int mode, bool with_cw, bool with_isb) {
  switch (mode) {
    case 0: return " LSB ";
    case 1: return " USB ";
    case 2: return with_cw ? " CW  " : nullptr;
    case 3: return " FM  ";
    case 5: return " AM  ";
    case 15: return with_isb ? " ISB " : nullptr;
    case 21: return with_isb ? nullptr : "LSB-D";
    case 22: return with_isb ? nullptr : "USB-D";
    default: return nullptr;
  }
}

std::string hz_text(int hz) { return " " + std::to_string(hz); }

// Stores the working record as channel 0 and tunes it, on the executor.
void send(RadioPanel& p, int tune_type = 0, bool select0 = false) {
  db_store_channel(0, p.record);
  const ChannelRecord rec = p.record;
  ++p.tunings;
  mmi_post_task([rec, tune_type, select0] {
    if (select0) db_select_channel(0);
    // The data variants' panel sends the mode it shows: the plain model's tune builder (its
    // row's `panel_tune_type`), not the variant's, which always sends its data mode.
    if (tune_type == 0) {
      radio_tune_channel(0, rec);
      return;
    }
    std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
    db_select_channel(0);
    const RadioTypeRow& row = radio_type_row(tune_type);
    if (radio_ops(row).tune_channel) radio_ops(row).tune_channel(row, rec);
    db_clear_mode_resend();
  });
}

void set_freq(RadioPanel& p, int hz) {
  p.freq = hz;
  p.entry = hz_text(hz);
  p.record.rx_freq_hz = hz;
  p.record.tx_freq_hz = hz;
}

}  // namespace

ChannelRecord panel_blank_record() {
  ChannelRecord r{};
  r.number = 0;
  r.permission = 0;
  r.scan_groups = 1;
  return r;
}

void panel_start(RadioPanel& p) {
  p.freq = 0;
  p.entry.clear();
  p.mode_text.clear();
  p.step = 1000;
  p.entry_active = false;
  p.record.number = 0;
  DbLock lock;
  const ChannelRecord* c = db_get_channel(lock, db_current_channel_number());
  if (c == nullptr) return;
  p.entry = hz_text(c->rx_freq_hz);
  p.freq = c->rx_freq_hz;
  if (const char* t = mode_text(c->rx_mode, false, false)) p.mode_text = t;
}

void panel_show_channel(RadioPanel& p, const ChannelRecord* c) {
  // While digits are keyed the entry is the operator's: a refresh would join them to it.
  if (c == nullptr || p.entry_active) return;
  p.entry = hz_text(c->rx_freq_hz);
  p.freq = c->rx_freq_hz;
  if (const char* t = mode_text(c->rx_mode, true, true)) p.mode_text = t;
}

void panel_key(RadioPanel& p, char c) {
  if (c == '*') c = '.';
  if (p.entry_active)
    p.entry += c;
  else
    p.entry.assign(1, c);
  p.entry_active = true;
}

void panel_clear(RadioPanel& p) {
  p.entry.clear();
  p.entry_active = true;
}

void panel_delete(RadioPanel& p) {
  if (p.entry_active) {
    if (!p.entry.empty()) p.entry.pop_back();
  } else {
    p.entry.clear();
    p.entry_active = true;
  }
}

bool panel_entry_hz(const std::string& entry, int multiplier, long long* hz) {
  std::size_t at = 0;
  while (at < entry.size() && entry[at] == ' ') ++at;
  std::string whole, fraction;
  bool point = false;
  for (; at < entry.size(); ++at) {
    const char c = entry[at];
    if (c == '.' && !point) {
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      (point ? fraction : whole) += c;
    } else {
      break;  // the number ends at the first other character
    }
  }
  if (whole.empty() && fraction.empty()) return false;
  // The fraction's digits that are whole hertz at this multiplier; the rest is below 1 Hz.
  const std::size_t places = multiplier == 1000000 ? 6 : multiplier == 1000 ? 3 : 0;
  fraction.resize(places, '0');
  const std::string digits = whole + fraction;
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    *hz = 0;
    return true;
  }
  // Clamped before the conversion: more than 12 digits is beyond any limit.
  if (digits.size() - first > 12) {
    *hz = 999999999999LL;
    return true;
  }
  *hz = std::stoll(digits.substr(first));
  return true;
}

void panel_enter(RadioPanel& p, int multiplier) {
  if (!p.entry_active) return;
  long long hz = 0;
  if (!panel_entry_hz(p.entry, multiplier, &hz)) return;  // no number: nothing
  const int clamped = static_cast<int>(std::min<long long>(std::max<long long>(hz, kPanelFreqMin), kPanelFreqMax));
  set_freq(p, clamped);
  send(p);
  p.entry_active = false;
}

void panel_up(RadioPanel& p) {
  const long long next = static_cast<long long>(p.freq) + p.step;
  set_freq(p, static_cast<int>(std::min<long long>(next, kPanelFreqMax)));
  // At the limit the clamped value is the one shown, and the one tuned.
  send(p);
}

void panel_down(RadioPanel& p) {
  const long long next = static_cast<long long>(p.freq) - p.step;
  set_freq(p, static_cast<int>(std::max<long long>(next, kPanelFreqMin)));
  send(p);
}

void panel_mode(RadioPanel& p, PanelMode button) {
  const int type = db_get_radio_type();
  const RadioTypeRow& row = radio_type_row(type);
  auto set = [&](const char* text, int mode) {
    if (text != nullptr) p.mode_text = text;
    p.record.rx_mode = mode;
    p.record.tx_mode = mode;
  };
  switch (button) {
    case PanelMode::Lsb: set(" LSB ", 0); return send(p, row.panel_tune_type);
    case PanelMode::Usb: set(" USB ", 1); return send(p, row.panel_tune_type);
    case PanelMode::Cw: set(" CW  ", 2); return send(p, row.panel_tune_type);
    case PanelMode::Fm: set(" FM  ", 3); return send(p, row.panel_tune_type);
    case PanelMode::AmSam: set(" AM  ", 5); return send(p, row.panel_tune_type);
    case PanelMode::CwR:
      set(" CW-R  ", 8);
      if (row.panel_cw_r) return send(p, row.panel_tune_type);
      db_store_channel(0, p.record);
      return;
    case PanelMode::PktU:
      set(" PKT ", 16);
      if (row.panel_pkt == PanelPkt::StoreOnly) {
        db_store_channel(0, p.record);
        return;
      }
      return send(p, row.panel_tune_type, row.panel_pkt == PanelPkt::SelectChannel0First);
    case PanelMode::DigU:
      if (row.panel_dig_u_mode < 0) return;  // this radio has no such mode: nothing changes
      set(row.panel_dig_u_text, row.panel_dig_u_mode);
      return send(p);
    case PanelMode::DigL:
      p.mode_text = " DIG-L ";
      if (!row.panel_dig_l) return;
      set(nullptr, 21);
      return send(p);
    case PanelMode::AmN:
      set(" AM-N  ", 13);
      if (row.panel_narrow_am) return send(p);
      db_store_channel(0, p.record);
      return;
    case PanelMode::CwN:
      set(" CW-N  ", 11);
      if (row.panel_narrow_cw) return send(p);
      db_store_channel(0, p.record);
      return;
    case PanelMode::FmNW:
      db_store_channel(0, p.record);
      if (row.panel_fm_wide) {
        set(" FM-W  ", 18);
        db_store_channel(0, p.record);
      }
      return;  // never sent
    case PanelMode::FPsk:
      if (row.panel_fsk == PanelFsk::Nothing) return;
      if (row.panel_fsk == PanelFsk::Fsk) set(" FSK ", 6);
      return send(p, row.panel_tune_type);
    case PanelMode::Isb:
      if (row.panel_isb) set(" ISB ", 15);
      return send(p);
  }
}

int panel_slider_max(int radio_type, int kenwood) {
  const RadioTypeRow& row = radio_type_row(radio_type);
  if (row.panel_af_by_kenwood_model)
    return kenwood == 15 || (kenwood >= 17 && kenwood <= 21) ? row.panel_af_max : 0;
  return row.panel_af_max;
}

void panel_slider(int radio_type, int kenwood, int position) {
  const int max = panel_slider_max(radio_type, kenwood);
  if (max == 0) return;
  const int level = max - position;
  mmi_post_task([level] {
    if (level != radio_load_af_level()) radio_set_af_level(level);
  });
}

std::string panel_save_channel(RadioPanel& p) {
  ChannelRecord& r = p.record;
  r.attenuator = 0;
  r.tuner_enable = 0;
  r.permission = 0;
  r.own_index = 0;
  r.antenna_port = 0;
  r.tx_level = 0;
  r.scan_groups = 1;
  r.usage = 0;
  r.lp_key = 0;
  r.sound_countdown_min = 0;
  if (r.rx_freq_hz == 0) return {};
  if (db_add_channel(r) >= 1) return {};
  const std::string line = "RADIO PANEL: CHANNEL TABLE FULL, CHANNEL NOT SAVED";
  log_stamped_line(line);
  return line;
}

void panel_start_scan(RadioPanel& p) {
  if (ApiEvent* e = api_alloc(0)) {
    e->kind = API_TOGGLE_SCANNING;
    api_post(e);
  }
  if (db_get_twa_secs() == 0) {
    db_set_twa_secs(180);
    log_stamped_line("OPTIONS: TWA RESET TO 180 FROM 0 AT SCANNING START");
  }
  DbLock lock;
  if (const ChannelRecord* c = db_get_channel(lock, db_current_channel_number())) {
    p.freq = c->rx_freq_hz;
    p.entry = hz_text(c->rx_freq_hz);
    if (const char* t = mode_text(c->rx_mode, true, false)) p.mode_text = t;
  }
}

void panel_stop_scan() {
  if (ApiEvent* e = api_alloc(0)) {
    e->kind = API_STOP_SCANNING;
    api_post(e);
  }
}

void panel_channel_step(bool up) {
  mmi_post_task([up] {
    up ? radio_channel_up() : radio_channel_down();
    report_refresh_status_bar();
  });
}

void panel_mute() { mmi_post_task(radio_mute_toggle); }

bool goto_channel_ok(const std::string& text, bool* closes) {
  *closes = true;
  bool empty = false;
  const int n = dialog_channel_number(text, &empty);
  if (empty) return true;
  ChannelRecord rec{};
  {
    DbLock lock;
    const ChannelRecord* c = n == 0 ? nullptr : db_get_channel(lock, n);
    if (c == nullptr || c->in_use != 1) {
      *closes = false;
      return false;
    }
    rec = *c;
  }
  mmi_post_task([n, rec] {
    ale_link_event(EV_STOP_SCAN);
    station().clock().sleep_ms(200);
    radio_set_channel(n, rec);
    ale_link_event(EV_STOP_SCAN);
  });
  return true;
}

}  // namespace vesk
