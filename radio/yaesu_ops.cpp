// The Yaesu families' operations: the five-byte radios (each model a row of
// radio/drivers/yaesu.cpp, its sequences below by type) and the text-command radios.
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
  const int type = row.number;
  const Tuned before = exchange_tuned(type, ch);
  const bool same_mode = before.set && before.rx_mode == ch.rx_mode;
  switch (type) {
    case DB_FT817: case DB_FT897: case DB_VX1700:
      freq_a(row, hz_of(ch.rx_freq_hz)), wait_ms(200), mode_a(row, ch.rx_mode);
      if (before.set) wait_ms(200);
      return;
    case DB_FT817DIG: case DB_VX1700J2B:
      freq_a(row, hz_of(ch.rx_freq_hz)), wait_ms(200), mode_a(row, 14), wait_ms(200);
      return;
    case DB_FT920DATA:
      freq_a(row, hz_of(ch.rx_freq_hz - kFt920DataOffsetHz)), mode_a(row, data_mode(ch.rx_mode));
      return;
    case DB_FT890: freq_a(row, hz_of(ch.rx_freq_hz)), mode_a(row, ch.rx_mode); return;
    case DB_FT600:
      freq_a(row, hz_of(ch.rx_freq_hz)), freq_b(row, hz_of(ch.tx_freq_hz));
      if (!same_mode) mode_a(row, ch.rx_mode);
      return;
    case DB_FT757GX: freq_a(row, hz_of(ch.rx_freq_hz)); return;
    case DB_FRG100: case DB_FRG8800: case DB_VR5000:
      if (!before.set || before.rx_freq != ch.rx_freq_hz) freq_a(row, hz_of(ch.rx_freq_hz));
      if (!same_mode) mode_a(row, ch.rx_mode);
      return;
    case DB_FT1000MP_QSS:  // tuned on VFO B
      freq_b(row, hz_of(ch.rx_freq_hz));
      if (!same_mode) mode_b(row, ch.rx_mode);
      return;
    default:
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
  switch (row.number) {
    case DB_FT757GX: case DB_FT817DIG: case DB_VX1700J2B: tune_builder(row, ch); return;
    case DB_FT600:
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      if (!radio_channel_scanning()) freq_b(row, hz_of(ch.tx_freq_hz));
      return;
    case DB_FT920:
      if (radio_mode_first()) mode_b(row, ch.tx_mode);
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      return;
    case DB_FT920DATA:
      if (radio_mode_first()) mode_b(row, data_mode(ch.rx_mode));
      mode_step(row, ch, data_mode(ch.rx_mode)), freq_a(row, hz_of(ch.rx_freq_hz - kFt920DataOffsetHz));
      return;
    case DB_FT990:
      if (radio_mode_first()) {
        op(0x01, 0x05), wait_ms(100), mode_a(row, ch.tx_mode), wait_ms(100), op(0x00, 0x05), wait_ms(100);
      }
      mode_step(row, ch, ch.rx_mode), freq_a(row, rx);
      return;
    case DB_FT1000MP_QSS: mode_step(row, ch, ch.rx_mode, true), freq_b(row, rx); return;
    default: mode_step(row, ch, ch.rx_mode), freq_a(row, rx); return;
  }
}

// Manual tuning: the mode always goes out.
void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.number) {
    case DB_VX1700: case DB_FT920: case DB_FT990:
      mode_a(row, ch.rx_mode), freq_a(row, hz_of(ch.rx_freq_hz));
      return;
    case DB_FT920DATA:
      mode_a(row, ch.rx_mode), freq_a(row, hz_of(ch.rx_freq_hz - kFt920DataOffsetHz));
      return;
    default: tune_builder(row, ch); return;
  }
}

// Frequency and mode outside scanning; the receivers take none.
void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.number == DB_FRG100 || row.number == DB_FRG8800 || row.number == DB_VR5000) return;
  tune_builder(row, ch);
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  const uint32_t rx = hz_of(w.rx_freq_hz), tx = hz_of(w.tx_freq_hz);
  switch (row.number) {
    case DB_FT600: mode_a(row, w.rx_mode), freq_a(row, rx), freq_b(row, tx); return;
    case DB_FT920:
      freq_a(row, rx), wait_ms(100), freq_b(row, tx), wait_ms(100);
      mode_a(row, w.rx_mode), wait_ms(100), mode_b(row, w.tx_mode), wait_ms(100);
      return;
    case DB_FT920DATA:
      freq_a(row, hz_of(w.rx_freq_hz - kFt920DataOffsetHz)), wait_ms(100);
      freq_b(row, hz_of(w.tx_freq_hz - kFt920DataOffsetHz)), wait_ms(100);
      mode_a(row, data_mode(w.rx_mode)), wait_ms(100), mode_b(row, data_mode(w.tx_mode)), wait_ms(100);
      wait_ms(100);
      return;
    case DB_FT990: mode_a(row, w.rx_mode), freq_a(row, rx), wait_ms(100), op(0x00, 0x85); return;
    case DB_FT1000MP: freq_a(row, rx), wait_ms(100), mode_a(row, w.rx_mode); return;
    case DB_FT1000MP_QSS: freq_a(row, rx), wait_ms(100), mode_a(row, w.rx_mode), wait_ms(100); return;
    default: mode_a(row, w.rx_mode), freq_a(row, rx); return;
  }
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool changed) {
  switch (row.number) {
    case DB_FT600: freq_b(row, hz_of(tx_hz)), mode_a(row, tx_mode); return;
    case DB_FT920:
      if (changed) freq_b(row, hz_of(tx_hz)), wait_ms(100), mode_b(row, tx_mode), wait_ms(100);
      return;
    case DB_FT920DATA:
      if (changed) {
        freq_b(row, hz_of(tx_hz - kFt920DataOffsetHz)), wait_ms(100), mode_b(row, data_mode(tx_mode)), wait_ms(100);
      }
      return;
    case DB_FT990:
      if (changed) op(0x00, 0x85), wait_ms(100);
      return;
    case DB_FT1000MP_QSS: {
      ChannelRecord scan{};
      const bool have_scan = db_copy_channel(db_current_scan_channel(), &scan) >= 0;
      freq_a(row, hz_of(db_current_channel().rx_freq_hz)), wait_ms(100);
      if (have_scan) mode_a(row, scan.tx_mode);
      wait_ms(100);
      return;
    }
    default: return;
  }
}

void scan_split(const RadioTypeRow& row, bool on) {
  if (row.number == DB_FT1000MP_QSS) op(on ? 0x01 : 0x00, 0x83);
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
// A status line, its command, then the pause.
void step(const char* text, uint8_t param, uint8_t opcode) {
  radio_setup_line(text);
  op(param, opcode);
  wait_ms(kSequencePauseMs);
}

constexpr const char* kFilters = "Please select FILTERS of 2.4Khz or wider";
constexpr const char* kAgc = "Please set your AGC to FAST";
constexpr const char* kProc = "Please set your SPEECH PROCESSOR (PROC) to OFF";
constexpr const char* kNotch = "Please set your NOTCH FILTER to OFF";
constexpr const char* kNb = "Please set your NOISE BLANKER to OFF";
constexpr const char* kIpo = "Please set your IPO to OFF";
constexpr const char* kClar = "Please set your CLARIFIER to OFF";
constexpr const char* kIfShift = "Please set your IF SHIFT to 1625hz";
constexpr const char* kDigitalNotch = "Please set your DIGITAL NOTCH FILTER to OFF";
constexpr const char* kSplitVfo = "Please set SPLIT VFO set to OFF";

void advice_ft650() { lines({kClar, kIfShift, kFilters, kAgc, kNb, kProc, kDigitalNotch}); }
void advice_ft980() { lines({kSplitVfo, kClar, kAgc, kProc, kNotch, kNb}); }

// The start step that follows opening the port.
void setup_start(const RadioTypeRow& row) {
  forget_tuned();
  switch (row.number) {
    case DB_FT650: case DB_FT847: case DB_FT817: case DB_FT817DIG: case DB_FT897: op(0x00, 0x00); return;
    case DB_FT757GX: op(0x00, 0x04); return;
    case DB_VX1700: case DB_VX1700J2B:
      send(yaesu_block(0xFF, 0xFF, 0xFF, 0xFF, 0xFF)), wait_ms(200), op(0x00, 0x0F), wait_ms(200), op(0x00, 0x03);
      return;
    default: return;
  }
}

// The receivers' label in their set-up lines.
const char* receiver_label(int type) {
  switch (type) {
    case DB_FRG100: return "FRG-100B";
    case DB_FRG8800: return "FRG-8800";
    case DB_VR5000: return "VR-5000";
    default: return nullptr;
  }
}

void setup_before_port(const RadioSetupRow& setup) {
  if (setup.type == DB_FT600) radio_setup_line("FT-600 being initialized");
  if (const char* label = receiver_label(setup.type)) radio_setup_line(std::string(label) + " being initialized");
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  const bool disabled = setup.preconfig_flag && driver_preconfig_disabled() != 0;
  forget_tuned();
  switch (row.number) {
    case DB_FT890:
      radio_setup_line("FT-890/Generic Yaesu being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        step("FT-890 SPLIT set to OFF", 0x00, 0x01), step("FT-890 CLARIFIER set to OFF", 0x01, 0x09);
        lines({kFilters, kAgc, kProc, kNotch, kNb, kIpo, kIfShift});
      }
      radio_setup_line("FT-890/Generic Yaesu has been initialized");
      return;
    case DB_FT990:
      radio_setup_line("FT-990/Generic Yaesu being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        step("FT-990 set to VFO A", 0x00, 0x05);
        radio_setup_line("FT-990 supports SPLIT MODE for QS/S");
        step("FT-990 CLARIFIER set to OFF", 0x00, 0x09);
        lines({kFilters, kAgc, kProc, kNotch, kNb, kIpo, kIfShift});
      }
      radio_setup_line("FT-990/Generic Yaesu has been initialized");
      return;
    case DB_FT920: case DB_FT920DATA: {
      const std::string label = row.number == DB_FT920 ? "FT-920" : "FT-920DATA";
      radio_setup_line(label + " being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        radio_setup_line("FT-920 supports SPLIT MODE for QS/S");
        step("FT-920 CLARIFIER set to OFF", 0x01, 0x09);
        lines({kFilters, kAgc, kProc, kNotch, kNb, kIpo, "Please set your IF SHIFT to 1625Hz"});
      }
      radio_setup_line(label + " has been initialized");
      return;
    }
    case DB_FT1000MP:
      radio_setup_line("FT-1000 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        step("FT-1000 SPLIT set to OFF", 0x00, 0x01), step("FT-1000 RX CLARIFIER set to OFF", 0x01, 0x09);
        step("FT-1000 TX CLARIFIER set to OFF", 0x81, 0x09);
        lines({kFilters, kAgc, kProc, kNotch, kNb});
        wait_ms(kSequencePauseMs);
      }
      radio_setup_line("FT-1000 has been initialized");
      return;
    case DB_FT1000MP_QSS:
      lines({"FT-1000MP being initialized for QS/S", "FT-1000MP uses DUAL in partial support of QS/S"});
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else lines({kFilters, kAgc, kProc, kNotch, kNb, kIpo, "Please set your IF SHIFT to 1625z"});
      radio_setup_line("FT-1000MP has been initialized for QS/S");
      return;
    case DB_FT980:
      radio_setup_line("FT-980 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        advice_ft980();
        op(0x0F, 0x05), wait_ms(kSequencePauseMs);
        radio_setup_line("FT-980 IF SHIFT set to CENTER");
        op(0xFE, 0x04), wait_ms(kSequencePauseMs);
        radio_setup_line("FT-980 IF WIDTH set to WIDE");
      }
      radio_setup_line("FT-980 has been initialized");
      return;
    case DB_FT767:
      radio_setup_line("FT-767 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else advice_ft980();
      radio_setup_line("FT-767 has been initialized");
      return;
    case DB_FT650:
      radio_setup_line("FT-650 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else advice_ft650();
      radio_setup_line("FT-650 has been initialized");
      return;
    case DB_FT847:
      // A set switch only leaves the satellite command out; no "Disabled" line here.
      radio_setup_line("FT-847 being initialized");
      if (!disabled) step("FT-847 SATELLITE set to OFF", 0x00, 0x8E);
      advice_ft650();
      lines({"Please set your DSP NOISE REDUCTION to OFF", "Please set your DSP FILTER to OFF"});
      radio_setup_line("FT-847 has been initialized");
      return;
    case DB_FT817:
      radio_setup_line("FT-817 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else {
        radio_setup_line("FT-817 Clarifier set to OFF"), wait_ms(kSequencePauseMs), op(0x00, 0x85);
        radio_setup_line("FT-817 Split set to OFF"), wait_ms(kSequencePauseMs), op(0x00, 0x82);
      }
      radio_setup_line("FT-817 has been initialized");
      return;
    case DB_FT817DIG:
      radio_setup_line("FT-817DIG being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else step("FT-817DIG Clarifier set to OFF", 0x00, 0x85), step("FT-817DIG Split set to OFF", 0x00, 0x82);
      radio_setup_line("FT-817DIG has been initialized");
      return;
    case DB_FT757GX: lines({"FT-757 being initialized", "FT-757 has been initialized"}); return;
    case DB_FT600: radio_setup_line("FT-600 has been initialized"); return;
    case DB_VX1700: lines({"VX-1700 being initialized", "VX-1700 has been initialized"}); return;
    case DB_VX1700J2B: lines({"VX-1700J2B being initialized", "VX-1700J2B has been initialized"}); return;
    case DB_FRG100: case DB_FRG8800: case DB_VR5000:
      radio_setup_line(std::string(receiver_label(row.number)) + " has been initialized");
      return;
    default: return;  // FT897 writes no line
  }
}

// Every frame is an answer; the FT-980 and FT-767GX take a status request (0B) first. The
// VX-1700, FT-847 and FT-650 answer nothing: their commands leave at the reply timer's pace.
void on_reply(const uint8_t*, int) {
  switch (driver_radio_type()) {
    case DB_VX1700: case DB_VX1700J2B: case DB_FT847: case DB_FT650: return;
    case DB_FT980: case DB_FT767: op(0x00, 0x0B); break;
    default: break;
  }
  cat_ack();
}

// ---- text commands ----

YaesuAsciiSet ascii_set(const RadioTypeRow& row) { return yaesu_ascii_set(row.number); }
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
  const YaesuAsciiSet set = ascii_set(row);
  const std::string label = set == YaesuAsciiSet::Ft450      ? "FT450"
                            : set == YaesuAsciiSet::Ftdx9000 ? "FTdx-9000"
                            : row.number == DB_FT950 || row.number == DB_FT950HS ? "FT950"
                                                                                : "FT2000";
  // The RTS/CTS types say so in their opening and closing lines.
  const std::string name = label + (setup.after[0].kind == SetupStepKind::Handshake ? " RTS/CTS" : "");
  radio_setup_line(name + " being initialized");
  if (setup.preconfig_flag && driver_preconfig_disabled() != 0) {
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

// Only the FTdx9000 takes its answers as acknowledgements; the other text radios' commands
// leave at the reply timer's pace.
void ascii_on_reply(const uint8_t*, int) {
  if (driver_radio_type() == DB_FTDX9000) cat_ack();
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
