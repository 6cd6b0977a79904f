// The operations of the receiver makes (JRC, TCI, Cubic, Racal, R&S, Collins, AOR, Drake, WJ),
// the SDR-1000 and the channel-driven transceivers (Codan, XK2100, SEA235, HF90M). The four
// families share these operations. The make, keying and attenuator texts, opening lines and
// which replies acknowledge are fields of the type row; the set-up and channel sequences of
// single models still look at the type.
//
// The HF90M's memory load (259 lines for 256 channels) hands each line over only while the
// radio queue has room, so no queued command is ever overwritten.
#include <cstdio>
#include <mutex>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }
uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
void send(const CatCommand& c) { cat_send(c); }
void text(int type, const std::string& t) { send(receiver_text(type, t)); }
bool make_is(int t, ReceiverMake make) { return radio_type_row(t).receiver_make == make; }
bool drake(int t) { return make_is(t, ReceiverMake::Drake); }
bool ek89x(int t) { return make_is(t, ReceiverMake::Ek89x); }

// The HF90M's memory load waits while this many commands are queued (the queue holds 150).
constexpr int kLoadQueueRoom = 100;

struct ReceiverState {
  std::mutex lock;
  int jrc_remote = 0;       // JST-245 / NRD-545 known to be under remote control
  int nrd545_level = 0;     // the NRD-545's AF level last sent, after scaling
  bool drake_mode_set = false;
  int drake_mode = 0;       // the Drake's mode last sent
};
ReceiverState& rx_state() { return station().state<ReceiverState>(); }

void freq(const RadioTypeRow& row, uint32_t hz) {
  CatCommand c;
  if (receiver_freq(row.number, hz, c)) send(c);
}
void mode(const RadioTypeRow& row, int m) {
  CatCommand c;
  if (receiver_mode(row.number, m, c)) send(c);
}

// Remote control on. The NRD-545 then gets its stored AF level again, since the radio may
// have been left at another level while under local control.
void jrc_remote_on(int type) {
  text(type, "H1");
  int level;
  {
    std::lock_guard<std::mutex> g(rx_state().lock);
    rx_state().jrc_remote = 1;
    level = rx_state().nrd545_level;
  }
  if (type != DB_NRD545) return;
  wait_ms(1);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
  text(type, std::string("JJ") + digits);
}

// The types tuned by whole channels.
bool channel_tune(const RadioTypeRow& row, const ChannelRecord& ch) {
  CatCommand c;
  switch (row.number) {
    case DB_EK890: case DB_EK896:
      if (ek890_tune(ch, c)) send(c);
      return true;
    case DB_SEA235:
      if (sea235_tune(ch, c)) send(c);
      return true;
    case DB_HF90M:
      if (hf90m_select(ch, c)) send(c);
      return true;
    case DB_R8: case DB_R8A: case DB_R8B: {
      freq(row, hz_of(ch.rx_freq_hz));
      bool due;
      {
        std::lock_guard<std::mutex> g(rx_state().lock);
        due = !rx_state().drake_mode_set || rx_state().drake_mode != ch.rx_mode;
        rx_state().drake_mode_set = true, rx_state().drake_mode = ch.rx_mode;
      }
      if (due) mode(row, ch.rx_mode);
      return true;
    }
    case DB_XK2100:
      if (db_get_memory_channels() == 1) {
        text(row.number, "RCL" + std::string(ch.number < 10 ? "0" : "") + std::to_string(ch.number == 0 ? 1 : ch.number));
      } else if (xk2100_tune(ch, c)) {
        send(c);
      }
      return true;
    default: return false;
  }
}

void set_mode(const RadioTypeRow& row, int m) {
  // The whole-channel types take the mode in the scratch channel 0 at the emulator's frequency.
  if (ek89x(row.number) || row.number == DB_SEA235) {
    ChannelRecord ch{};
    ch.rx_mode = ch.tx_mode = m;
    ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
    db_store_channel(0, ch);
    channel_tune(row, ch);
    return;
  }
  mode(row, m);
}

void ptt_on(const RadioTypeRow& row, int) {
  if (row.ptt_on_text != nullptr) text(row.number, row.ptt_on_text);
}
void ptt_off(const RadioTypeRow& row) {
  if (row.ptt_off_text != nullptr) text(row.number, row.ptt_off_text);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.number == DB_XK2100 && db_get_memory_channels() != 1 && !radio_mode_due(ch)) {
    freq(row, hz_of(ch.rx_freq_hz));
    return;
  }
  if (row.number == DB_XK2100) {
    channel_tune(row, ch);
    if (db_get_memory_channels() != 1) radio_mode_remember(ch);
    return;
  }
  if (channel_tune(row, ch)) return;
  if (row.number == DB_SDR1000) radio_log_line("radio_set_channel = DB_SDR1000");
  freq(row, hz_of(ch.rx_freq_hz));
  if (radio_mode_due(ch)) mode(row, ch.rx_mode), radio_mode_remember(ch);
}

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (channel_tune(row, ch)) return;
  if (row.number == DB_SDR1000) return;  // the panel does not tune it
  freq(row, hz_of(ch.rx_freq_hz)), mode(row, ch.rx_mode);
}

// Outside scanning only these are tuned; the receivers keep their channel.
void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.number == DB_JST245) freq(row, hz_of(ch.rx_freq_hz)), mode(row, ch.rx_mode);
  else if (row.number == DB_HF90M || row.number == DB_XK2100 || row.number == DB_SEA235) channel_tune(row, ch);
}
void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  if (row.number == DB_JST245) {
    freq(row, hz_of(w.rx_freq_hz)), mode(row, w.rx_mode);
    return;
  }
  if (row.number == DB_XK2100 || row.number == DB_SEA235) {
    ChannelRecord scan{};
    if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) channel_tune(row, scan);
  }
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int, bool) {
  if (row.number != DB_XK2100) return;
  if (db_get_memory_channels() == 1) {
    ChannelRecord scan{};
    if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) channel_tune(row, scan);
  } else {
    freq(row, hz_of(tx_hz));
  }
}

void attenuator(const RadioTypeRow& row, bool on) {
  if (row.attenuator_on_text != nullptr) text(row.number, on ? row.attenuator_on_text : row.attenuator_off_text);
}

void af_gain(const RadioTypeRow& row, int level) {
  const int t = row.number;
  char digits[8];
  if (t == DB_JST245 || t == DB_NRD545) {
    int value = level;
    if (t == DB_NRD545) {
      value = static_cast<int>(level * 2.55);
      std::lock_guard<std::mutex> g(rx_state().lock);
      rx_state().nrd545_level = value;
    }
    bool remote;
    {
      std::lock_guard<std::mutex> g(rx_state().lock);
      remote = rx_state().jrc_remote != 0;
    }
    if (!remote) jrc_remote_on(t);
    std::snprintf(digits, sizeof digits, "%03d", value < 0 ? 0 : value % 1000);
    text(t, std::string("JJ") + digits);
  } else if (t == DB_TCI8174) {
    std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
    text(t, std::string("n3") + digits);
  } else if (t == DB_SDR1000) {
    std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
    text(t, std::string("ZZAG") + digits + ";");
  }
}

// The JST-245 and the NRD-545 leave remote control at the station's shut-down.
void shutdown(const RadioTypeRow& row) {
  if (row.number != DB_JST245 && row.number != DB_NRD545) return;
  text(row.number, "H0");
  std::lock_guard<std::mutex> g(rx_state().lock);
  rx_state().jrc_remote = 0;
}

void mute(const RadioTypeRow& row, bool on, int level) {
  if (row.number == DB_CODAN) text(row.number, on ? "mute selcall" : "mute off");
  else af_gain(row, level);
}

AntennaResult select_antenna(const RadioTypeRow& row, int port) {
  if (row.number != DB_JST245) return AntennaResult::NotNow;
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  text(row.number, "A" + std::to_string(port));
  return AntennaResult::Selected;
}

// ---- set-up ----

void line(const std::string& t) { radio_setup_line(t); }
// The command, the pause, then its line.
void command_then(int type, const std::string& command, const std::string& status) {
  text(type, command), wait_ms(kSequencePauseMs), line(status);
}

void setup_before_port(const RadioSetupRow& setup) {
  if (const char* t = radio_type_row(setup.type).setup_before_port_line) line(t);
  if (setup.type == DB_JST245) {
    std::lock_guard<std::mutex> g(rx_state().lock);
    rx_state().jrc_remote = 0;
  }
  if (drake(setup.type)) {
    std::lock_guard<std::mutex> g(rx_state().lock);
    rx_state().drake_mode_set = false;
  }
}

// The HF90M's channel memory: the load line, a record per channel in use, the end record and
// the volume; each line waits for room in the radio queue.
void hf90m_load() {
  auto hand_over = [](const CatCommand& c) {
    while (serial_queue_count(SQ_RADIO) >= kLoadQueueRoom) wait_ms(kRadioReplyTimeoutMs);
    send(c);
  };
  hand_over(receiver_text(DB_HF90M, "L1808"));
  for (int n = 1; n <= 256; ++n) {
    ChannelRecord ch{};
    if (db_copy_channel(n, &ch) >= 0 && ch.in_use == 1) hand_over(hf90m_memory_record(ch));
  }
  hand_over(receiver_text(DB_HF90M, ":00000001FF"));
  hand_over(receiver_text(DB_HF90M, "V05"));
}

void setup_start(const RadioTypeRow& row) {
  const int t = row.number;
  if (t == DB_HF90M) hf90m_load();
  else if (t == DB_NRD545) {
    {
      std::lock_guard<std::mutex> g(rx_state().lock);
      rx_state().nrd545_level = 0;
    }
    jrc_remote_on(t);
  } else if (row.setup_start_text != nullptr) {
    text(t, row.setup_start_text);
  }
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow& setup) {
  const int t = row.number;
  const bool disabled = setup.preconfig_flag && driver_preconfig_disabled() != 0;
  auto opening = [&](const std::string& label) {
    line(label + " being initialized");
    if (disabled) line(kPreconfigDisabledLine);
    return !disabled;
  };
  if (row.setup_done_line != nullptr) {
    line(row.setup_done_line);
    return;
  }
  switch (t) {
    case DB_JST245:
      line("JST-245 Remote Control ENABLED"), jrc_remote_on(t), wait_ms(kSequencePauseMs);
      if (opening("JST-245")) {
        line("Please set your NOISE BLANKER to OFF");
        line("JST-245 SSB filter set to WIDE"), text(t, "B0"), wait_ms(kSequencePauseMs);
        line("JST-245 SSB Passband set to CENTER"), text(t, "P0000"), wait_ms(kSequencePauseMs);
        line("JST-245 AGC set to FAST"), text(t, "G1"), wait_ms(kSequencePauseMs);
      }
      line("JST-245 initialization completed");
      return;
    case DB_NRD345: case DB_NRD525: case DB_NRD535: case DB_NRD535D: case DB_NRD545: case DB_WJ8711:
    case DB_HF1000: {
      const std::string opening_text = row.setup_before_port_line;
      line(opening_text.substr(0, opening_text.find(" being")) + " has been initialized");
      return;
    }
    case DB_TCI8174: {
      const char f = tci_filter_char(3000);
      command_then(t, std::string("ef") + f, "TCI8174 Filter set to 3000hz");
      command_then(t, "ba0", "TCI8174 Attenuator set to OFF");
      command_then(t, "t127", "TCI8174 SQUELCH set to OFF");
      command_then(t, "a4", "TCI8174 AGC set to FAST");
      line("TCI8174 has been initialized");
      return;
    }
    case DB_R3030STX1: case DB_R3030STX2: case DB_R3030STX3: case DB_R2411U: {
      const bool r2411 = t == DB_R2411U;
      const std::string label = r2411 ? "R-2411/U"
                                      : std::string("R3030 STX") + char('1' + (t - DB_R3030STX1));
      if (opening(r2411 ? "R2-411/U" : label)) {
        text(t, "W" + std::to_string(cubic_bandwidth_index(2700)));
        if (r2411) text(t, "AS");
        wait_ms(kSequencePauseMs), line(label + " Filter set to 2700hz");
        if (r2411) {
          command_then(t, "G000", label + " Attenuator set to OFF");
          command_then(t, "AS", label + " AGC set to FAST");
        } else {
          command_then(t, "G000", label + " Attenuator set to OFF");
          command_then(t, "A1", label + " AGC set to FAST");
        }
      }
      line(label + " has been initialized");
      return;
    }
    case DB_RA6790GM: case DB_RA6830JD: {
      const bool jd = t == DB_RA6830JD;
      const std::string label = jd ? "RA6830JD" : "RA6790GM";
      if (opening(label)) {
        command_then(t, racal_bandwidth(t, 3300), label + " Filter set to 3300hz or closest installed");
        command_then(t, jd ? "$85M5" : "$1M7", label + " AGC set to FAST");
        command_then(t, jd ? "$85A0" : "$1A0", label + " Attenuator set to OFF");
      }
      line(label + " has been initialized");
      return;
    }
    case DB_HF2050:
      if (opening("HF2050")) {
        line("HF2050 Filter set to 3200hz");
        command_then(t, "RF 0", "HF2050 Attenuator set to OFF");
        command_then(t, "SQ " + std::to_string(hf2050_squelch_step(0)), "HF2050 SQUELCH set to OFF");
        command_then(t, "AG FA", "HF2050 AGC set to FAST");
      }
      line("HF2050 has been initialized");
      return;
    case DB_AR8600: case DB_AR5000: case DB_ARONE: {
      const std::string label = t == DB_AR8600 ? "AR8600" : t == DB_AR5000 ? "AR5000" : "AR ONE";
      if (opening(label)) command_then(t, "AT0", label + " Attenuator set to OFF");
      line(label + " has been initialized");
      return;
    }
    case DB_SDR1000:
      opening("SDR1000");
      line("SDR1000 has been initialized");
      return;
    default: return;  // EK890, EK896, HF90M: no lines
  }
}

// The types that take their answers as acknowledgements; the others' commands leave at the
// reply timer's pace.
void on_reply(const uint8_t*, int) {
  if (radio_type_row(driver_radio_type()).reply_acks) cat_ack();
}

}  // namespace

#define VESK_RECEIVER_OPS                 \
  .built = true, .set_freq = freq, .set_mode = set_mode, .ptt_on = ptt_on, .ptt_off = ptt_off, \
  .channel_freq_mode = channel_freq_mode, .tune_channel = tune_channel, .set_freq_mode = set_freq_mode, \
  .split_freq_mode = split_freq_mode, .prepare_tx = prepare_tx, .attenuator = attenuator, \
  .set_af_gain = af_gain, .mute = mute, .select_antenna = select_antenna, \
  .setup_before_port = setup_before_port, .setup_start = setup_start, .setup_commands = setup_commands, \
  .shutdown = shutdown, .on_reply = on_reply

const FamilyOps kReceiverJrcTciCubicRacalOps{VESK_RECEIVER_OPS};
const FamilyOps kReceiverRsCollinsAorDrakeWjOps{VESK_RECEIVER_OPS};
const FamilyOps kSdr1000Ops{VESK_RECEIVER_OPS};
const FamilyOps kCodanXkOps{VESK_RECEIVER_OPS};

#undef VESK_RECEIVER_OPS

}  // namespace vesk
