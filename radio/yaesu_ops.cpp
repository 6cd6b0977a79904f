// The Yaesu families' operations: the five-byte radios (each model a row of
// radio/drivers/yaesu.cpp for its command forms; the sequences it takes are named by its type
// row's yaesu_* fields) and the text-command radios.
#include <initializer_list>
#include <mutex>
#include <string>

#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/yaesu.h"
#include "radio/family_ops.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }

// The channel the last tune builder put on the radio, held by value (a caller may pass a
// temporary record) and with the type it was tuned on, so another type starts afresh.
struct TunedChannel {
  std::mutex lock;
  int type = -1;
  bool set = false;
  int rx_freq = 0;
  int rx_mode = 0;
};
TunedChannel& tuned() { return station().state<TunedChannel>(); }

struct Tuned {
  bool set;
  int rx_freq;
  int rx_mode;
};
// Returns what was remembered for `type` and remembers `ch` in its place.
Tuned exchange_tuned(int type, const ChannelRecord& ch) {
  TunedChannel& t = tuned();
  std::lock_guard<std::mutex> g(t.lock);
  const Tuned before{t.set && t.type == type, t.rx_freq, t.rx_mode};
  t.type = type, t.set = true, t.rx_freq = ch.rx_freq_hz, t.rx_mode = ch.rx_mode;
  return before;
}
void forget_tuned() {
  TunedChannel& t = tuned();
  std::lock_guard<std::mutex> g(t.lock);
  t.set = false;
}

// ---- five-byte ----

const YaesuModel& model(const RadioTypeRow& row) {
  static const YaesuModel kNone{};
  const YaesuModel* m = yaesu_model(row.number);
  return m != nullptr ? *m : kNone;
}

void send(const CatCommand& c) { cat_send(c); }
void op(uint8_t param, uint8_t opcode) { send(yaesu_op(param, opcode)); }

void freq_a(const RadioTypeRow& row, uint32_t hz) { send(yaesu_freq_block(model(row), hz)); }
void freq_b(const RadioTypeRow& row, uint32_t hz) { send(yaesu_freq_block(model(row), hz, true)); }
void mode_on(const RadioTypeRow& row, int mode, bool vfo_b) {
  CatCommand c;
  if (yaesu_mode_block(model(row), mode, vfo_b, c)) send(c);
}
void mode_a(const RadioTypeRow& row, int mode) { mode_on(row, mode, false); }
void mode_b(const RadioTypeRow& row, int mode) { mode_on(row, mode, true); }

uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
// The FT-920 data variant works 2125 Hz below the channel, in USB-D for USB and LSB-D else.
constexpr int kFt920DataOffsetHz = 2125;
int data_mode(int mode) { return mode == MODE_USB ? MODE_USB_D : MODE_LSB_D; }

void ptt_on(const RadioTypeRow& row, int) {
  const YaesuModel& m = model(row);
  if (m.keyed) send(yaesu_block(m.ptt_on[0], m.ptt_on[1], m.ptt_on[2], m.ptt_on[3], m.ptt_on[4]));
}
void ptt_off(const RadioTypeRow& row) {
  const YaesuModel& m = model(row);
  if (m.keyed) send(yaesu_block(m.ptt_off[0], m.ptt_off[1], m.ptt_off[2], m.ptt_off[3], m.ptt_off[4]));
}

// The model's tune builder: the channel's receive frequency and mode with the model's gaps
// and its remembered-channel rule.
void tune_builder(const RadioTypeRow& row, const ChannelRecord& ch) {
  const Tuned before = exchange_tuned(row.number, ch);
  const bool same_mode = before.set && before.rx_mode == ch.rx_mode;
  switch (row.yaesu_tune) {
    case YaesuTune::FreqGapMode:
      freq_a(row, hz_of(ch.rx_freq_hz)), wait_ms(200), mode_a(row, ch.rx_mode);
      if (before.set) wait_ms(200);
      return;
    case YaesuTune::DataMode:
      freq_a(row, hz_of(ch.rx_freq_hz)), wait_ms(200), mode_a(row, 14), wait_ms(200);
      return;
    case YaesuTune::DataBelow:
      freq_a(row, hz_of(ch.rx_freq_hz - kFt920DataOffsetHz)), mode_a(row, data_mode(ch.rx_mode));
      return;
    case YaesuTune::FreqMode: freq_a(row, hz_of(ch.rx_freq_hz)), mode_a(row, ch.rx_mode); return;
    case YaesuTune::TxOnVfoB:
      freq_a(row, hz_of(ch.rx_freq_hz)), freq_b(row, hz_of(ch.tx_freq_hz));
      if (!same_mode) mode_a(row, ch.rx_mode);
      return;
    case YaesuTune::FreqOnly: freq_a(row, hz_of(ch.rx_freq_hz)); return;
    case YaesuTune::Receiver:
      if (!before.set || before.rx_freq != ch.rx_freq_hz) freq_a(row, hz_of(ch.rx_freq_hz));
      if (!same_mode) mode_a(row, ch.rx_mode);
      return;
    case YaesuTune::VfoB:
      freq_b(row, hz_of(ch.rx_freq_hz));
      if (!same_mode) mode_b(row, ch.rx_mode);
      return;
    case YaesuTune::Standard:
      freq_a(row, hz_of(ch.rx_freq_hz));
      if (!same_mode) mode_a(row, ch.rx_mode);
      return;
  }
}

// The mode step of channel setting: the mode (or `value`) when it is due, then remembered.
void mode_step(const RadioTypeRow& row, const ChannelRecord& ch, int value, bool vfo_b = false) {
  if (!radio_mode_due(ch)) return;
  mode_on(row, value, vfo_b);
  radio_mode_remember(ch);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  const uint32_t rx = hz_of(ch.rx_freq_hz);
  if (row.yaesu_channel_tunes) return tune_builder(row, ch);
  switch (row.yaesu_vfos) {
    case YaesuVfos::TxOnVfoB:
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      if (!radio_channel_scanning()) freq_b(row, hz_of(ch.tx_freq_hz));
      return;
    case YaesuVfos::ModesOnBoth:
      if (radio_mode_first()) mode_b(row, ch.tx_mode);
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      return;
    case YaesuVfos::DataOnBoth:
      if (radio_mode_first()) mode_b(row, data_mode(ch.rx_mode));
      mode_step(row, ch, data_mode(ch.rx_mode)), freq_a(row, hz_of(ch.rx_freq_hz - kFt920DataOffsetHz));
      return;
    case YaesuVfos::SplitOp:
      if (radio_mode_first()) {
        op(0x01, 0x05), wait_ms(100), mode_a(row, ch.tx_mode), wait_ms(100), op(0x00, 0x05), wait_ms(100);
      }
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      return;
    case YaesuVfos::Dual: mode_step(row, ch, ch.rx_mode, true), freq_b(row, rx); return;
    case YaesuVfos::Single:
    case YaesuVfos::SplitWait: mode_step(row, ch, ch.rx_mode), freq_a(row, rx); return;
  }
}

// Manual tuning: the mode always goes out.
void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (!row.yaesu_manual_mode_first) return tune_builder(row, ch);
  const int below = row.yaesu_vfos == YaesuVfos::DataOnBoth ? kFt920DataOffsetHz : 0;
  mode_a(row, ch.rx_mode), freq_a(row, hz_of(ch.rx_freq_hz - below));
}

// Frequency and mode outside scanning; the receivers take none.
void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.yaesu_tune == YaesuTune::Receiver) return;
  tune_builder(row, ch);
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  const uint32_t rx = hz_of(w.rx_freq_hz), tx = hz_of(w.tx_freq_hz);
  switch (row.yaesu_vfos) {
    case YaesuVfos::TxOnVfoB: mode_a(row, w.rx_mode), freq_a(row, rx), freq_b(row, tx); return;
    case YaesuVfos::ModesOnBoth:
      freq_a(row, rx), wait_ms(100), freq_b(row, tx), wait_ms(100);
      mode_a(row, w.rx_mode), wait_ms(100), mode_b(row, w.tx_mode), wait_ms(100);
      return;
    case YaesuVfos::DataOnBoth:
      freq_a(row, hz_of(w.rx_freq_hz - kFt920DataOffsetHz)), wait_ms(100);
      freq_b(row, hz_of(w.tx_freq_hz - kFt920DataOffsetHz)), wait_ms(100);
      mode_a(row, data_mode(w.rx_mode)), wait_ms(100), mode_b(row, data_mode(w.tx_mode)), wait_ms(100);
      wait_ms(100);
      return;
    case YaesuVfos::SplitOp: mode_a(row, w.rx_mode), freq_a(row, rx), wait_ms(100), op(0x00, 0x85); return;
    case YaesuVfos::SplitWait: freq_a(row, rx), wait_ms(100), mode_a(row, w.rx_mode); return;
    case YaesuVfos::Dual: freq_a(row, rx), wait_ms(100), mode_a(row, w.rx_mode), wait_ms(100); return;
    case YaesuVfos::Single: mode_a(row, w.rx_mode), freq_a(row, rx); return;
  }
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool changed) {
  switch (row.yaesu_vfos) {
    case YaesuVfos::TxOnVfoB: freq_b(row, hz_of(tx_hz)), mode_a(row, tx_mode); return;
    case YaesuVfos::ModesOnBoth:
      if (changed) freq_b(row, hz_of(tx_hz)), wait_ms(100), mode_b(row, tx_mode), wait_ms(100);
      return;
    case YaesuVfos::DataOnBoth:
      if (changed) {
        freq_b(row, hz_of(tx_hz - kFt920DataOffsetHz)), wait_ms(100), mode_b(row, data_mode(tx_mode)), wait_ms(100);
      }
      return;
    case YaesuVfos::SplitOp:
      if (changed) op(0x00, 0x85), wait_ms(100);
      return;
    case YaesuVfos::Dual: {
      ChannelRecord scan{};
      const bool have_scan = db_copy_channel(db_current_scan_channel(), &scan) >= 0;
      freq_a(row, hz_of(db_current_channel().rx_freq_hz)), wait_ms(100);
      if (have_scan) mode_a(row, scan.tx_mode);
      wait_ms(100);
      return;
    }
    case YaesuVfos::Single:
    case YaesuVfos::SplitWait: return;
  }
}

void scan_split(const RadioTypeRow& row, bool on) {
  if (row.yaesu_vfos == YaesuVfos::Dual) op(on ? 0x01 : 0x00, 0x83);
  else op(on ? 0x01 : 0x00, 0x01);
  wait_ms(200);
}

int tuner(const RadioTypeRow&, TunerStep step) {
  switch (step) {
    case TunerStep::On: op(0x01, 0x81); break;
    case TunerStep::Off:
    case TunerStep::Bypass: op(0x00, 0x81); break;
    case TunerStep::Start: op(0x00, 0x82); break;
  }
  return 1;
}

// ---- set-up ----

void lines(std::initializer_list<const char*> texts) {
  for (const char* t : texts) radio_setup_line(t);
}

constexpr const char* kFilters = "Please select FILTERS of 2.4Khz or wider";
constexpr const char* kAgc = "Please set your AGC to FAST";
constexpr const char* kProc = "Please set your SPEECH PROCESSOR (PROC) to OFF";
constexpr const char* kNotch = "Please set your NOTCH FILTER to OFF";
constexpr const char* kNb = "Please set your NOISE BLANKER to OFF";

bool preconfig_off(const RadioSetupRow& setup) { return setup.preconfig_flag && driver_preconfig_disabled() != 0; }

// The start step that follows opening the port.
void setup_start(const RadioTypeRow& row) {
  forget_tuned();
  switch (row.yaesu_start) {
    case YaesuStart::Op00: op(0x00, 0x00); return;
    case YaesuStart::Op04: op(0x00, 0x04); return;
    case YaesuStart::Vx1700Wake:
      send(yaesu_block(0xFF, 0xFF, 0xFF, 0xFF, 0xFF)), wait_ms(200), op(0x00, 0x0F), wait_ms(200), op(0x00, 0x03);
      return;
    case YaesuStart::None: return;
  }
}

void setup_before_port(const RadioSetupRow& setup) {
  if (const char* line = radio_type_row(setup.type).setup_before_port_line) radio_setup_line(line);
}

// The model's set-up script (the FT-897 has none and writes no line).
void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  forget_tuned();
  if (row.setup_script != nullptr) radio_setup_run_script(*row.setup_script, preconfig_off(setup));
}

// Every frame is an answer where the row says so, some after a status request (0B); the
// others' commands leave at the reply timer's pace.
void on_reply(const uint8_t*, int) {
  const RadioTypeRow& row = radio_type_row(driver_radio_type());
  if (!row.reply_acks) return;
  if (row.yaesu_status_after_reply) op(0x00, 0x0B);
  cat_ack();
}

// ---- text commands ----

YaesuAsciiSet ascii_set(const RadioTypeRow& row) { return row.yaesu_ascii_set; }
void send_slot(const CatCommand& c) {
  uint8_t* slot = cat_slot_next();
  for (int i = 0; i < c.length; ++i) slot[i] = c.bytes[i];
  cat_send(slot, c.length);
}
void ascii_freq(const RadioTypeRow&, uint32_t hz) { send_slot(yaesu_ascii_freq(hz)); }
void ascii_mode(const RadioTypeRow& row, int mode) {
  CatCommand c;
  if (yaesu_ascii_mode(ascii_set(row), mode, c)) send_slot(c);
}
void ascii_ptt_on(const RadioTypeRow&, int) { send_slot(yaesu_text(kYaesuAsciiPttOn)); }
void ascii_ptt_off(const RadioTypeRow&) { send_slot(yaesu_text(kYaesuAsciiPttOff)); }

void ascii_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  ascii_freq(row, hz_of(ch.rx_freq_hz));
  if (radio_mode_due(ch)) ascii_mode(row, ch.rx_mode), radio_mode_remember(ch);
}
void ascii_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  ascii_freq(row, hz_of(ch.rx_freq_hz)), ascii_mode(row, ch.rx_mode);
}
void ascii_attenuator(const RadioTypeRow&, bool on) { send_slot(yaesu_text(on ? "RG0125;" : "RG0255;")); }
void ascii_af_gain(const RadioTypeRow&, int level) { send_slot(yaesu_ascii_af_gain(level)); }
AntennaResult ascii_antenna(const RadioTypeRow& row, int port) {
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  send_slot(yaesu_ascii_antenna(port));
  return AntennaResult::Selected;
}
int ascii_tuner(const RadioTypeRow& row, TunerStep step) {
  const int n = step == TunerStep::On ? 1 : step == TunerStep::Start ? 2 : 0;
  send_slot(yaesu_ascii_tuner(ascii_set(row), n));
  return 1;
}

void ascii_setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  const std::string label = row.setup_label != nullptr ? row.setup_label : "";
  // The RTS/CTS types say so in their opening and closing lines.
  const std::string name = label + (setup.after[0].kind == SetupStepKind::Handshake ? " RTS/CTS" : "");
  radio_setup_line(name + " being initialized");
  if (preconfig_off(setup)) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    const std::pair<const char*, const char*> steps[] = {
        {" SPLIT set to OFF", "SP0;"}, {" RX CLARIFIER set to OFF", "RT0;"}, {" TX CLARIFIER set to OFF", "XT0;"}};
    for (const auto& [text, command] : steps) {
      radio_setup_line(label + text);
      send_slot(yaesu_text(command));
      wait_ms(kSequencePauseMs);
    }
    lines({kFilters, kAgc, kProc, kNotch, kNb});
    wait_ms(kSequencePauseMs);
  }
  radio_setup_line(name + " has been initialized");
}

// Only the radios whose row says so (the FTdx9000) take their answers as acknowledgements;
// the other text radios' commands leave at the reply timer's pace.
void ascii_on_reply(const uint8_t*, int) {
  if (radio_type_row(driver_radio_type()).reply_acks) cat_ack();
}

}  // namespace

const FamilyOps kYaesuFiveByteOps{
    .built = true,
    .set_freq = freq_a,
    .set_mode = mode_a,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .scan_split = scan_split,
    .tuner = tuner,
    .setup_before_port = setup_before_port,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .on_reply = on_reply,
    .set_vfo_b_freq = freq_b,
};

const FamilyOps kYaesuAsciiOps{
    .built = true,
    .set_freq = ascii_freq,
    .set_mode = ascii_mode,
    .ptt_on = ascii_ptt_on,
    .ptt_off = ascii_ptt_off,
    .channel_freq_mode = ascii_channel,
    .tune_channel = ascii_freq_mode,
    .set_freq_mode = ascii_freq_mode,
    .split_freq_mode = ascii_freq_mode,
    .attenuator = ascii_attenuator,
    .set_af_gain = ascii_af_gain,
    .mute_af_gain = ascii_af_gain,
    .select_antenna = ascii_antenna,
    .tuner = ascii_tuner,
    .setup_commands = ascii_setup_commands,
    .on_reply = ascii_on_reply,
};

}  // namespace vesk
