// The TK-80 / TK-90 family's operations. The types differ in the byte that ends each command
// (their row's `command_terminator`) and in the set-up.
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"

namespace vesk {

namespace {

int tk(const RadioTypeRow& row, TkCmd id, int64_t a = 0) {
  return tk_send(cat_slot_next(), row.command_terminator, static_cast<int>(id), a);
}

void set_freq(const RadioTypeRow& row, uint32_t hz) { tk(row, TkCmd::VfoAFreq, hz); }
void set_mode(const RadioTypeRow& row, int mode) { tk(row, TkCmd::Mode, tk_mode_digit(mode) - '0'); }
void ptt_on(const RadioTypeRow& row, int) { tk(row, TkCmd::PttOn); }
void ptt_off(const RadioTypeRow& row) { tk(row, TkCmd::PttOff); }

void freq_mode(const RadioTypeRow&, const ChannelRecord& ch) { radio_tk_freq_mode(ch); }

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  set_freq(row, static_cast<uint32_t>(ch.rx_freq_hz)), set_mode(row, ch.rx_mode);
}

// The split set-up tunes the current scan channel.
void split_freq_mode(const RadioTypeRow&, const ChannelRecord&) {
  ChannelRecord scan{};
  if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) radio_tk_freq_mode(scan);
}

void attenuator(const RadioTypeRow& row, bool on) { tk(row, on ? TkCmd::AttenuatorOn : TkCmd::AttenuatorOff); }
void af_gain(const RadioTypeRow& row, int level) { tk(row, TkCmd::AfGain, level); }

int tuner(const RadioTypeRow& row, TunerStep step) {
  switch (step) {
    case TunerStep::On: tk(row, TkCmd::TunerOn); break;
    case TunerStep::Off:
    case TunerStep::Bypass: tk(row, TkCmd::TunerBypass); break;
    case TunerStep::Start: tk(row, TkCmd::TunerStart); break;
  }
  return 1;
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  const std::string label = setup.lines.label;
  radio_setup_line(label + setup.lines.label_variant + " being initialized");
  if (setup.preconfig_flag && driver_preconfig_disabled() != 0) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    radio_setup_line(label + " RX CLARIFIER CLEAR");
    tk(row, TkCmd::ClearRxClarifier);
    driver_pause_ms(kSequencePauseMs);
  }
  // The channel mode goes out whatever the switch says.
  if (setup.sends_channel_mode) tk(row, TkCmd::ChannelMode, db_get_memory_channels() == 1 ? 2 : 0);
  radio_setup_line(label + setup.lines.closing);
}

}  // namespace

void radio_tk_freq_mode(const ChannelRecord& ch) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const RadioTypeRow& row = configured_radio();
  if (db_get_memory_channels() == 1) {
    tk(row, TkCmd::MemoryChannel, ch.number);
    return;
  }
  set_freq(row, static_cast<uint32_t>(ch.rx_freq_hz));
  if (radio_mode_due(ch)) {
    set_mode(row, ch.rx_mode);
    radio_mode_remember(ch);
  }
}

const FamilyOps kKenwoodTkOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = freq_mode,
    .split_freq_mode = split_freq_mode,
    .attenuator = attenuator,
    .set_af_gain = af_gain,
    .mute_af_gain = af_gain,
    .tuner = tuner,
    .setup_commands = setup_commands,
    .on_reply = tk90_on_reply,
};

}  // namespace vesk
