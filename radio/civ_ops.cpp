// The Icom CI-V family's operations (every CI-V radio type and the TT-586).
#include <string>
#include <string_view>
#include <vector>

#include "db/scan.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }

void set_freq(const RadioTypeRow&, uint32_t hz) { civ_set_freq(hz); }
void set_mode(const RadioTypeRow&, int mode) { civ_set_mode(mode); }

void ptt_on(const RadioTypeRow& row, int) { row.civ_ptt_function_16 ? civ_tt586_ptt_on() : civ_ptt_on(); }
void ptt_off(const RadioTypeRow& row) { row.civ_ptt_function_16 ? civ_tt586_ptt_off() : civ_ptt_off(); }

// Selects the second receiver (1) or the first (0) the way the radio does it.
void select_receiver(const RadioTypeRow& row, int which) {
  row.split_select == SplitSelect::MainSub ? civ_select_main_sub(which) : civ_select_vfo(which);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  const auto rx = static_cast<uint32_t>(ch.rx_freq_hz);
  if (row.mode_before_freq) {
    if (radio_mode_due(ch)) civ_set_mode(ch.rx_mode), radio_mode_remember(ch);
    civ_set_freq(rx);
    return;
  }
  civ_set_freq(rx);
  switch (row.split_select) {
    case SplitSelect::None:
      if (radio_mode_due(ch)) civ_set_mode(ch.rx_mode), radio_mode_remember(ch);
      return;
    case SplitSelect::Vfo:
      if (radio_mode_first()) {
        civ_select_vfo(1), wait_ms(100), civ_set_mode(ch.tx_mode), wait_ms(100), civ_select_vfo(0);
      }
      if (radio_mode_due(ch)) civ_set_mode(ch.rx_mode), radio_mode_remember(ch), wait_ms(100);
      return;
    case SplitSelect::MainSub:
      if (radio_mode_first()) {
        civ_select_main_sub(1), wait_ms(100), civ_set_mode(ch.tx_mode), wait_ms(100);
      }
      if (radio_mode_due(ch)) {
        civ_select_main_sub(0), civ_set_mode(ch.rx_mode), radio_mode_remember(ch), wait_ms(100);
      }
      return;
  }
}

void freq_and_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  const auto rx = static_cast<uint32_t>(ch.rx_freq_hz);
  if (row.mode_before_freq) civ_set_mode(ch.rx_mode), civ_set_freq(rx);
  else civ_set_freq(rx), civ_set_mode(ch.rx_mode);
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  if (row.split_select == SplitSelect::None) {
    civ_set_freq(static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100), civ_set_mode(w.rx_mode);
    return;
  }
  select_receiver(row, 1), wait_ms(100);
  civ_set_freq(static_cast<uint32_t>(w.tx_freq_hz)), wait_ms(100);
  civ_set_mode(w.tx_mode), wait_ms(100);
  select_receiver(row, 0), wait_ms(100);
  civ_set_freq(static_cast<uint32_t>(w.rx_freq_hz)), wait_ms(100);
  civ_set_mode(w.rx_mode), wait_ms(100);
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool changed) {
  if (row.tx_prep_vfo_a0) {
    if (driver_preconfig_disabled() != 0 && changed) {
      civ_vfo_a0();
      wait_ms(100);
    }
    return;
  }
  if (row.split_select == SplitSelect::None || !changed) return;
  select_receiver(row, 1);
  wait_ms(row.tx_prep_wait_ms);
  civ_set_freq(static_cast<uint32_t>(tx_hz));
  wait_ms(row.tx_prep_wait_ms);
  civ_set_mode(tx_mode);
  wait_ms(row.tx_prep_wait_ms);
  select_receiver(row, 0);
  wait_ms(100);
}

void scan_split(const RadioTypeRow&, bool on) {
  on ? civ_split_on() : civ_split_off();
  wait_ms(200);
}

void attenuator(const RadioTypeRow&, bool on) { on ? civ_attenuator_on() : civ_attenuator_off(); }
void af_gain(const RadioTypeRow&, int level) { civ_set_af_gain(level); }

AntennaResult select_antenna(const RadioTypeRow& row, int port) {
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  static constexpr int (*kSelect[])() = {civ_select_ant1, civ_select_ant2, civ_select_ant3, civ_select_ant4};
  kSelect[port - 1]();
  return AntennaResult::Selected;
}

int tuner(const RadioTypeRow&, TunerStep step) {
  switch (step) {
    case TunerStep::On: civ_tuner_on(); break;
    case TunerStep::Off:
    case TunerStep::Bypass: civ_tuner_off(); break;
    case TunerStep::Start: civ_tuner_start(); break;
  }
  return 1;
}

// ---- set-up ----

// The set-up steps: status line text after the label, and the command.
struct CivSetupStep {
  const char* code;
  const char* text;
  int (*command)();
};
constexpr CivSetupStep kCivSetupSteps[] = {
    {"S", "set SPLIT MODE to OFF", civ_split_off},
    {"W", "set Dual Watch OFF", civ_dual_watch_off},
    {"Q", "supports SPLIT MODE for QS/S", nullptr},
    {"Qp", "partially supports SPLIT MODE for QS/S", nullptr},
    {"A", "set AGC to FAST", civ_agc_fast},
    {"T", "set ATT to OFF", civ_attenuator_off},
    {"P", "set PREAMP to OFF", civ_preamp_off},
    {"N", nullptr, nullptr},  // advice line
    {"R", "set Noise Reduction to OFF", civ_nr_off},
    {"U", "set Auto Notch to OFF", civ_auto_notch_off},
    {"M", "set Manual Notch to OFF", civ_manual_notch_off},
    {"Y", "set RTTY Filter to OFF", civ_rtty_filter_off},
    {"K", "set Twin Peak Filter to OFF", civ_twin_peak_off},
    {"F", "set Filter to WIDE", civ_filter_wide},
};

const CivSetupStep* civ_step(std::string_view code) {
  for (const CivSetupStep& s : kCivSetupSteps)
    if (code == s.code) return &s;
  return nullptr;
}

struct ParsedStep {
  const CivSetupStep* step;
  bool no_pause;
  bool before_switch;
};

std::vector<ParsedStep> parse_civ_steps(const char* text) {
  std::vector<ParsedStep> out;
  for (const SetupCode& c : setup_codes(text))
    if (const CivSetupStep* step = civ_step(c.code)) out.push_back({step, c.no_pause, c.before_switch});
  return out;
}

void run_civ_step(const std::string& label, const ParsedStep& p) {
  if (p.step->text == nullptr) {
    radio_setup_line("Please set your NOISE BLANKER to OFF");
    return;
  }
  radio_setup_line(label + " " + p.step->text);
  if (p.step->command != nullptr) {
    p.step->command();
    if (!p.no_pause) wait_ms(kSequencePauseMs);
  }
}

void setup_before_port(const RadioSetupRow& setup) {
  if (setup.lines.opening != SetupOpening::AfterPort)
    radio_setup_line(std::string(setup.lines.label) + " being initialized");
}

void setup_commands(const RadioTypeRow&, const RadioSetupRow& setup) {
  const std::string label = setup.lines.label;
  if (setup.lines.opening != SetupOpening::BeforePort) radio_setup_line(label + " being initialized");
  const std::vector<ParsedStep> steps = parse_civ_steps(setup.lines.steps);
  for (const ParsedStep& p : steps)
    if (p.before_switch) run_civ_step(label, p);
  if (setup.preconfig_flag && driver_preconfig_disabled() != 0) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    for (const ParsedStep& p : steps)
      if (!p.before_switch) run_civ_step(label, p);
  }
  radio_setup_line(label + setup.lines.closing);
}

}  // namespace

const FamilyOps kIcomCivOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = freq_and_mode,
    .set_freq_mode = freq_and_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .scan_split = scan_split,
    .attenuator = attenuator,
    .set_af_gain = af_gain,
    .mute_af_gain = af_gain,
    .select_antenna = select_antenna,
    .tuner = tuner,
    .setup_before_port = setup_before_port,
    .setup_commands = setup_commands,
    .on_reply = civ_on_reply,
};

}  // namespace vesk
