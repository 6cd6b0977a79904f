// The Ten-Tec families' operations: the transceivers (TT-516, TT-538, TT-585, TT-588 in its
// two port modes) and the TT-550 with the Ten-Tec receivers (RX-320, RX-330, RX-331, RX-340,
// RX-350), by the command set the type row names (`tentec_set`).
//
// Two of them wait on the operator or on time without holding a thread: the TT-516's offer to
// rewrite its memories and the TT-550's "does not respond" question are asked through
// `radio_ask` and answered later (headless: at once, by their default, with a log line), and
// the TT-585's keys leave one by one on the model timer, never as sleeps on the caller.
#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/tentec.h"
#include "radio/family_ops.h"
#include "radio/radio_events.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }
void send(const CatCommand& c) { cat_send(c); }
void send_now(const CatCommand& c) { cat_send_now(c); }
uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
uint8_t low8(int v) { return static_cast<uint8_t>(v & 0xFF); }

void timer_start(int id, int ms) {
  if (auto& start = serial_queues().timers.start) start(id, ms);
}
void timer_stop(int id) {
  if (auto& stop = serial_queues().timers.stop) stop(id);
}

// A status line, its command, then the pause.
void line_then(const std::string& text, const CatCommand& c) {
  radio_setup_line(text);
  send(c);
  wait_ms(kSequencePauseMs);
}
// The command, the pause, then its status line.
void command_then(const CatCommand& c, const std::string& text, bool now = false) {
  now ? send_now(c) : send(c);
  wait_ms(kSequencePauseMs);
  radio_setup_line(text);
}
void lines(std::initializer_list<const char*> texts) {
  for (const char* t : texts) radio_setup_line(t);
}


// ======================= transceivers =======================

// ---- TT-585: one key at a time on the model timer ----

constexpr int kTt585KeyMs = 150;

struct Tt585Keys {
  std::mutex lock;
  std::deque<std::pair<uint8_t, int>> keys;  // key, pause after it
  bool running = false;
};
Tt585Keys& tt585() { return station().state<Tt585Keys>(); }

void tt585_next_locked(Tt585Keys& k) {
  if (k.keys.empty()) {
    k.running = false;
    return;
  }
  const auto [key, pause] = k.keys.front();
  k.keys.pop_front();
  k.running = true;
  CatCommand c;
  c.put(key);
  send_now(c);
  timer_start(EV_SKANTI_TIMER, pause);  // the model timer; only one radio type is configured
}
void tt585_keys(const std::string& keys, int last_pause = kTt585KeyMs) {
  Tt585Keys& k = tt585();
  std::lock_guard<std::mutex> g(k.lock);
  for (std::size_t i = 0; i < keys.size(); ++i)
    k.keys.emplace_back(static_cast<uint8_t>(keys[i]), i + 1 == keys.size() ? last_pause : kTt585KeyMs);
  if (!k.running) tt585_next_locked(k);
}
void tt585_mode(int mode) {
  const char key = tt585_mode_key(mode);
  if (key == 'X') tt585_keys("X", kTt585KeyMs + 200), tt585_keys("P");
  else tt585_keys(std::string(1, key));
}
void tt585_freq(uint32_t hz) { tt585_keys(tt585_freq_keys(hz)); }

// ---- TT-588: the remote set's mode pair ----

void tt588_mode_pair(const RadioTypeRow& row, int rx, int tx) {
  if (row.tentec_set == TenTecSet::Tt588Remote) {
    for (const CatCommand& c : tt588_remote_mode_pair(rx, tx)) send(c);
  } else {
    send(tentec_mode_pair(TenTecModeTable::Tt588Radio, rx, tx));
  }
}

TenTecModeTable table_of(const RadioTypeRow& row) {
  if (row.tentec_set == TenTecSet::Tt588Remote) return TenTecModeTable::Tt588Remote;
  if (row.tentec_set == TenTecSet::Tt588Radio) return TenTecModeTable::Tt588Radio;
  return TenTecModeTable::Tt516;
}

void tx_set_freq(const RadioTypeRow& row, uint32_t hz) {
  if (row.tentec_set == TenTecSet::Tt585) tt585_freq(hz);
  else send(tentec_freq('A', hz));
}
void tx_set_mode(const RadioTypeRow& row, int mode) {
  if (row.tentec_set == TenTecSet::Tt585) tt585_mode(mode);
  else if (row.tentec_set == TenTecSet::Tt588Remote) tt588_mode_pair(row, mode, mode);
  else send(tentec_mode_pair(table_of(row), mode, mode));
}

void tx_ptt_on(const RadioTypeRow& row, int) {
  if (row.ptt_on_text != nullptr) send(tentec_cmd(row.ptt_on_text));
}
void tx_ptt_off(const RadioTypeRow& row) {
  if (row.ptt_off_text != nullptr) send(tentec_cmd(row.ptt_off_text));
}

// The whole-channel tune: TT-516 memory recall; TT-538 and TT-588 radio port receive and
// transmit frequencies and the mode pair; TT-585 frequency then mode.
void tx_tune_builder(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.tentec_set) {
    case TenTecSet::Tt516: send(tentec_cmd("*R", {static_cast<uint8_t>(ch.number + 1)})); return;
    case TenTecSet::Tt585: tt585_freq(hz_of(ch.rx_freq_hz)), tt585_mode(ch.rx_mode); return;
    case TenTecSet::Tt538: case TenTecSet::Tt588Radio:
      send(tentec_freq('A', hz_of(ch.rx_freq_hz))), send(tentec_freq('B', hz_of(ch.tx_freq_hz)));
      send(tentec_mode_pair(table_of(row), ch.rx_mode, ch.tx_mode));
      return;
    default: return;
  }
}

void tx_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.tentec_set != TenTecSet::Tt588Remote) {
    tx_tune_builder(row, ch);
    return;
  }
  send(tentec_freq('A', hz_of(ch.rx_freq_hz)));
  radio_set_vfo_freq(ch.rx_freq_hz);
  if (radio_mode_due(ch)) tt588_mode_pair(row, ch.rx_mode, ch.tx_mode), radio_mode_remember(ch);
}

void tx_manual_tune(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.tentec_set != TenTecSet::Tt588Remote) {
    tx_tune_builder(row, ch);
    return;
  }
  send(tentec_freq('A', hz_of(ch.rx_freq_hz))), wait_ms(200), tt588_mode_pair(row, ch.rx_mode, ch.tx_mode);
}

void tx_split(const RadioTypeRow& row, const ChannelRecord& w) {
  if (row.tentec_set == TenTecSet::Tt588Remote) {
    send(tentec_freq('A', hz_of(w.rx_freq_hz))), send(tentec_freq('B', hz_of(w.tx_freq_hz)));
    tt588_mode_pair(row, w.rx_mode, w.tx_mode);
    return;
  }
  tx_set_mode(row, w.rx_mode), tx_set_freq(row, hz_of(w.rx_freq_hz));
}

void tx_prepare(const RadioTypeRow& row, int tx_hz, int, bool changed) {
  if (row.tentec_set == TenTecSet::Tt588Remote && changed) send(tentec_freq('B', hz_of(tx_hz))), wait_ms(100);
}

void tx_scan_split(const RadioTypeRow& row, bool on) {
  if (row.tentec_set == TenTecSet::Tt588Remote) send(tentec_cmd(on ? "*C2B1" : "*C2B0"));
}

void tx_attenuator(const RadioTypeRow&, bool on) { send(tentec_cmd(on ? "*J1" : "*J0")); }
void tx_af_gain(const RadioTypeRow&, int level) { send(tentec_cmd("*U", {low8(level)})); }

AntennaResult tx_antenna(const RadioTypeRow& row, int port) {
  if (port < 1 || port > row.antenna_ports) return AntennaResult::NoSuchPort;
  send(tentec_cmd("*C1V", {static_cast<uint8_t>('0' + port - 1)}));
  return AntennaResult::Selected;
}

// The TT-516's memories follow the station's channel table.
void tx_store_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (row.tentec_set == TenTecSet::Tt516 && ch.in_use != 0) send(tt516_memory_frame(ch));
}

// ---- set-up ----

// The TT-538 set-up, which the RX-350 shares with its own label and advice.
void tt538_setup(const std::string& label, bool receiver) {
  radio_setup_line(label + " being initialized");
  if (driver_preconfig_disabled() != 0) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    line_then(label + " ATTN set to OFF", tentec_cmd("*J0"));
    send(tentec_cmd("*K", {0, 0, 0})), wait_ms(kSequencePauseMs);
    for (const char* t : {" NOISE BLANKER set to OFF", " NOISE REDUCTION set to OFF", " AUTO NOTCH set to OFF"})
      radio_setup_line(label + t);
    line_then(label + " SQUELCH set to OPEN", tentec_cmd("*H", {0}));
    line_then(label + " RF GAIN set to FULL", tentec_cmd("*I", {127}));
    line_then(label + " AGC set to FAST", tentec_cmd("*G3"));
    line_then(label + " BAND WIDTH set to 2850hz", tentec_cmd("*W", {12}));
    if (receiver) lines({"Please set your PBT to OFF", "Please set your RIT to OFF", "Please set your NOTCH FILTER to OFF"});
    else
      lines({"Please set your PBT to OFF", "Please set your RIT/XIT to OFF",
             "Please set your SPEECH PROCESSOR (PROC) to OFF", "Please set your NOTCH FILTER to OFF"});
  }
  radio_setup_line(label + " has been initialized");
}

// The offer to rewrite the TT-516's memories from the channel table (channels 1 to 255).
void tt516_offer_memory_write() {
  radio_ask({"Write Argonaut V Memories", "Do you wish to re-write the memories", false,
             "no operator to answer: memories not written"},
            [](bool yes) {
    if (!yes) return;
    for (int n = 1; n <= 255; ++n) {
      ChannelRecord ch{};
      if (db_copy_channel(n, &ch) >= 0 && ch.in_use != 0) send(tt516_memory_frame(ch));
    }
  });
}

void tx_setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  const bool disabled = driver_preconfig_disabled() != 0;
  switch (row.tentec_set) {
    case TenTecSet::Tt516:
      radio_setup_line("TT516 being initialized");
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        line_then("TT-516 SPLIT set to OFF", tentec_cmd("*O", {0}));
        line_then("TT-516 ATTN set to OFF", tentec_cmd("*J0"));
        radio_setup_line("Please set your NOISE BLANKER to OFF");
        line_then("TT-516 BAND WIDTH set to 2600hz", tentec_cmd("*W", {0x20}));
        line_then("TT-516 PBT set to OFF", tentec_cmd("*P", {0, 0}));
        lines({"Please set your RIT/XIT to OFF", "Please set your SPEECH PROCESSOR (PROC) to OFF",
               "Please set your NOTCH FILTER to OFF"});
        tt516_offer_memory_write();
      }
      radio_setup_line("TT516 has been initialized");
      return;
    case TenTecSet::Tt538: tt538_setup("TT538", false); return;
    case TenTecSet::Tt585: lines({"Ten-Tec Paragon I TT585 being initialized", "Ten-Tec Paragon I TT585 has been initialized"}); return;
    case TenTecSet::Tt588Radio:
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else line_then("TT588 BAND WIDTH set to 2800hz", tentec_cmd("*W", {16}));
      radio_setup_line("TT588 Radio Mode has been initialized");
      return;
    case TenTecSet::Tt588Remote:
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        line_then("TT588 ATTN set to OFF", tentec_cmd("*J0"));
        line_then("TT588 PREAMP set to OFF", tentec_cmd("*C1Z0"));
        send(tentec_cmd("*K", {0, 0, 0})), wait_ms(kSequencePauseMs);
        lines({"TT588 NOISE BLANKER set to OFF", "TT588 NOISE REDUCTION set to OFF", "TT588 AUTO NOTCH set to OFF"});
        line_then("TT588 SQUELCH set to OPEN", tentec_cmd("*H", {0}));
        line_then("TT588 RF GAIN set to FULL", tentec_cmd("*I", {127}));
        line_then("TT588 AGC set to FAST", tentec_cmd("*G3"));
        line_then("TT588 RX/TX BAND WIDTH set to 2800hz", tentec_cmd("*W", {16}));
        send(tentec_cmd("*C1O", {6})), wait_ms(kSequencePauseMs);
        line_then("RIT/XIT set to OFF", tentec_cmd("*L", {0, 0, 0}));
      }
      radio_setup_line("TT588 Remote Mode has been initialized");
      return;
    default: return;
  }
}

void ack_reply(const uint8_t*, int) { cat_ack(); }

// The TT-516's poll ("?C" CR every 60 s) while timer 1028 runs; no set-up starts it.
int tx_keepalive(const RadioTypeRow& row) {
  if (row.tentec_set != TenTecSet::Tt516) return 0;
  send(tentec_cmd("?C"));
  return 60000;
}

// ======================= TT-550 and receivers =======================

// ---- TT-550 ----

enum Tt550Stage { kWaiting = 0, kDspStarted = 1, kRadioStarted = 2 };
constexpr int kTt550RetryMs = 1000;
constexpr int kTt550StatusMs = 200;

struct Tt550State {
  std::mutex lock;
  int stage = kWaiting;
  int retries = 0;
  ChannelRecord own{};  // the frequencies and modes the set-frequency and set-mode steps change
};
Tt550State& tt550() { return station().state<Tt550State>(); }

void tt550_cmd(std::initializer_list<uint8_t> bytes) {
  CatCommand c;
  for (uint8_t b : bytes) c.put(b);
  c.put(static_cast<uint8_t>('\r'));
  send_now(c);
}
void tt550_mode_pair(int rx, int tx) { tt550_cmd({'M', tt550_mode_char(rx), tt550_mode_char(tx)}); }
void tt550_rx_tuning(const ChannelRecord& ch) {
  send_now(tentec_tuning_command('N', tentec_tuning_words(TuningSide::Tt550Rx, hz_of(ch.rx_freq_hz), ch.rx_mode)));
}
void tt550_tx_tuning(const ChannelRecord& ch) {
  send_now(tentec_tuning_command('T', tentec_tuning_words(TuningSide::Tt550Tx, hz_of(ch.tx_freq_hz), ch.tx_mode)));
}

void tt550_tune_channel(const ChannelRecord& ch) {
  tt550_mode_pair(ch.rx_mode, ch.tx_mode);
  tt550_cmd({'W', 10});
  tt550_rx_tuning(ch);
  tt550_cmd({'B', static_cast<uint8_t>(ch.attenuator == 1 ? '1' : '0')});
  tt550_cmd({'C', 10});
  tt550_tx_tuning(ch);
  tt550_cmd({'#', static_cast<uint8_t>(ch.permission == CHANNEL_TX || ch.permission == CHANNEL_BX ? '1' : '0')});
  tt550_cmd({'P', static_cast<uint8_t>(ch.tx_level * 255 / 100)});
}

void tt550_own_step(void (*change)(ChannelRecord&, int), int value) {
  ChannelRecord own;
  {
    Tt550State& s = tt550();
    std::lock_guard<std::mutex> g(s.lock);
    change(s.own, value);
    own = s.own;
  }
  tt550_rx_tuning(own);
  tt550_mode_pair(own.rx_mode, own.tx_mode);
  tt550_cmd({'W', 12});
}

void tt550_reset() {
  {
    Tt550State& s = tt550();
    std::lock_guard<std::mutex> g(s.lock);
    s.retries = 5;
    s.stage = kWaiting;
  }
  tt550_cmd({'X', 'X'});
  timer_start(EV_RADIO_CONFIG_TIMER, kTt550RetryMs);
}

bool begins(const uint8_t* frame, int length, const char* text) {
  int i = 0;
  while (i < length && frame[i] == ' ') ++i;
  const std::string rest(reinterpret_cast<const char*>(frame + i), static_cast<std::size_t>(length - i));
  return rest.rfind(text, 0) == 0;
}

void tt550_on_reply(const uint8_t* frame, int length) {
  const bool ma = configured_radio().tentec_set == TenTecSet::Tt550Ma;
  if (begins(frame, length, "DSP START")) {
    tt550_cmd({'P', '1'});
    timer_stop(EV_RADIO_CONFIG_TIMER);
    std::lock_guard<std::mutex> g(tt550().lock);
    tt550().stage = kDspStarted;
  } else if (begins(frame, length, "RADIO START")) {
    timer_stop(EV_RADIO_CONFIG_TIMER);
    {
      std::lock_guard<std::mutex> g(tt550().lock);
      tt550().stage = kRadioStarted;
    }
    tt550_cmd({'O', static_cast<uint8_t>(ma ? '0' : '1'), 0x01});
    tt550_cmd({'#', '1'}), tt550_cmd({'#', '5'}), tt550_cmd({'H', 0x00}), tt550_cmd({'G', '3'});
    timer_start(EV_RADIO_CONFIG_TIMER, kTt550StatusMs);
  }
}

void tt550_on_timer(int) {
  int stage;
  bool ask = false;
  {
    Tt550State& s = tt550();
    std::lock_guard<std::mutex> g(s.lock);
    stage = s.stage;
    if (stage == kWaiting) {
      if (s.retries > 0) --s.retries;
      else ask = true;
    }
  }
  if (stage == kRadioStarted) {
    tt550_cmd({'?', 'S'});
    timer_start(EV_RADIO_CONFIG_TIMER, kTt550StatusMs);  // every 200 ms from now on
    return;
  }
  if (stage != kWaiting) return;
  if (!ask) {
    tt550_cmd({'X', 'X'});
    timer_start(EV_RADIO_CONFIG_TIMER, kTt550RetryMs);
    return;
  }
  // The operator is asked; the watchdog goes on when the answer says to retry.
  radio_ask({"Pegasus", "Pegasus does not respond.\nCheck connections.\nRestart Program.", true,
             "no operator to answer: retrying"},
            [](bool retry) {
    if (!retry) return;
    {
      std::lock_guard<std::mutex> g(tt550().lock);
      if (tt550().stage != kWaiting) return;
      tt550().retries = 10;
    }
    tt550_cmd({'X', 'X'});
    timer_start(EV_RADIO_CONFIG_TIMER, kTt550RetryMs);
  });
}

// ---- RX-320 ----

struct Rx320State {
  std::mutex lock;
  int percent = 0;
  bool remembered = false;
};
Rx320State& rx320() { return station().state<Rx320State>(); }

// A percent outside 0 to 100 is held at the nearer end (the byte would wrap otherwise).
uint8_t rx320_level(int percent) {
  percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  return static_cast<uint8_t>(static_cast<int>((100 - percent) * 0.63));
}
void rx320_volume(int percent) { send(CatCommand{}.put('V').put(uint8_t{0}).put(rx320_level(percent)).put('\r')); }
void rx320_tuning(uint32_t hz, int mode) {
  send(tentec_tuning_command('N', tentec_tuning_words(TuningSide::Rx320Rx, hz, mode)));
}
void rx320_initialize() {
  send(CatCommand{}.put("M0").put('\r'));
  send(CatCommand{}.put('W').put(uint8_t{12}).put('\r'));
  send(CatCommand{}.put("G3").put('\r'));
  rx320_tuning(10000000, MODE_AM);
  send(CatCommand{}.put('A').put(uint8_t{0}).put(rx320_level(50)).put('\r'));
  rx320_volume(31);
  std::lock_guard<std::mutex> g(rx320().lock);
  rx320().percent = 0;
  rx320().remembered = false;
}
void rx320_tune(const ChannelRecord& ch) {
  bool first;
  int percent;
  {
    std::lock_guard<std::mutex> g(rx320().lock);
    first = !rx320().remembered;
    rx320().remembered = true;
    percent = rx320().percent;
  }
  const CatCommand mode = CatCommand{}.put('M').put(rx320_mode_char(ch.rx_mode)).put('\r');
  if (!first) {
    rx320_tuning(hz_of(ch.rx_freq_hz), ch.rx_mode);
    send(mode);
    return;
  }
  send(mode);
  if (const int f = rx320_filter(ch.rx_mode); f >= 0) send(CatCommand{}.put('W').put(static_cast<uint8_t>(f)).put('\r'));
  send(CatCommand{}.put("G1").put('\r'));
  rx320_tuning(hz_of(ch.rx_freq_hz), ch.rx_mode);
  rx320_volume(percent);
}
void rx320_af(int percent) {
  {
    std::lock_guard<std::mutex> g(rx320().lock);
    rx320().percent = percent;
  }
  rx320_volume(percent);
}
void rx320_on_reply(const uint8_t* frame, int length) {
  if (begins(frame, length, "DSP START")) rx320_initialize();
}

// ---- the family's operations ----

bool rx33x(const RadioTypeRow& row) {
  return row.tentec_set == TenTecSet::Rx330 || row.tentec_set == TenTecSet::Rx331 || row.tentec_set == TenTecSet::Rx340;
}
bool tt550_type(const RadioTypeRow& row) { return row.tentec_set == TenTecSet::Tt550 || row.tentec_set == TenTecSet::Tt550Ma; }

void rx_set_freq(const RadioTypeRow& row, uint32_t hz) {
  if (tt550_type(row)) tt550_own_step([](ChannelRecord& o, int v) { o.rx_freq_hz = o.tx_freq_hz = v; }, static_cast<int>(hz));
  else if (rx33x(row)) send(rx340_freq(hz));
  else if (row.tentec_set == TenTecSet::Rx350) send(tentec_freq('A', hz));
}
void rx_set_mode(const RadioTypeRow& row, int mode) {
  if (tt550_type(row)) {
    tt550_own_step([](ChannelRecord& o, int v) { o.rx_mode = o.tx_mode = v; }, mode);
  } else if (rx33x(row)) {
    CatCommand c;
    if (rx340_mode(mode, c)) send(c);
  } else if (row.tentec_set == TenTecSet::Rx350) {
    send(tentec_mode_pair(TenTecModeTable::Tt516, mode, mode));
  } else if (row.tentec_set == TenTecSet::Rx320) {
    // A whole-channel receiver: the scratch channel 0 carries the mode at the emulator's
    // frequency.
    ChannelRecord ch{};
    ch.rx_mode = ch.tx_mode = mode;
    ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
    db_store_channel(0, ch);
    rx320_tune(ch);
  }
}

void rx_ptt_on(const RadioTypeRow& row, int) {
  tt550_cmd({'Q', '1'});
  if (row.tentec_set == TenTecSet::Tt550Ma) tt550_cmd({'O', '1', 0x01});
}
void rx_ptt_off(const RadioTypeRow& row) {
  tt550_cmd({'Q', '0'});
  if (row.tentec_set == TenTecSet::Tt550Ma) tt550_cmd({'O', '0', 0x01});
}

void rx_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (tt550_type(row)) {
    tt550_tune_channel(ch);
  } else if (row.tentec_set == TenTecSet::Rx320) {
    rx320_tune(ch);
  } else {
    rx_set_freq(row, hz_of(ch.rx_freq_hz));
    if (radio_mode_due(ch)) rx_set_mode(row, ch.rx_mode), radio_mode_remember(ch);
  }
}
void rx_manual_tune(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (tt550_type(row)) tt550_tune_channel(ch);
  else if (row.tentec_set == TenTecSet::Rx320) rx320_tune(ch);
  else rx_set_freq(row, hz_of(ch.rx_freq_hz)), rx_set_mode(row, ch.rx_mode);
}
// Outside scanning only the TT-550 is tuned; the receivers keep their channel.
void rx_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (tt550_type(row)) tt550_tune_channel(ch);
}
void rx_split(const RadioTypeRow& row, const ChannelRecord& w) {
  if (tt550_type(row)) rx_set_mode(row, w.rx_mode), rx_set_freq(row, hz_of(w.rx_freq_hz));
}

void rx_attenuator(const RadioTypeRow& row, bool on) {
  if (rx33x(row)) send(rx340_text(on ? "K1" : "K3"));
}
void rx_af_gain(const RadioTypeRow& row, int level) {
  if (tt550_type(row)) tt550_cmd({'V', static_cast<uint8_t>(std::min(255, static_cast<int>(level * 2.55)))});
  else if (row.tentec_set == TenTecSet::Rx320) rx320_af(level);
  else if (row.tentec_set == TenTecSet::Rx350) send(tentec_cmd("*U", {low8(level)}));
}
// The RX-320 mutes with volume 0 and restores the remembered level; the others set the level.
void rx_mute(const RadioTypeRow& row, bool on, int level) {
  if (row.tentec_set != TenTecSet::Rx320) {
    rx_af_gain(row, level);
    return;
  }
  int percent;
  {
    std::lock_guard<std::mutex> g(rx320().lock);
    percent = rx320().percent;
  }
  rx320_volume(on ? 0 : percent);
}

void rx_setup_start(const RadioTypeRow& row) {
  if (tt550_type(row)) tt550_reset();
  else if (row.tentec_set == TenTecSet::Rx320) rx320_initialize();
  else if (row.tentec_set == TenTecSet::Rx340) send(rx340_text("*R1"));
}

void rx33x_steps(const std::string& label) {
  command_then(rx340_bandwidth(2700), label + " Filter set to 2700hz");
  command_then(rx340_text("K3"), label + " Attenuator set to OFF");
  command_then(rx340_text("Q0"), label + " SQUELCH set to OFF");
  command_then(rx340_agc(3), label + " AGC set to FAST");
  command_then(rx340_text("N0"), label + " NOTCH set to OFF");
  command_then(rx340_text("P0.000"), label + " PBS set to OFF");
}

void rx_setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  const bool disabled = driver_preconfig_disabled() != 0;
  switch (row.tentec_set) {
    case TenTecSet::Tt550: case TenTecSet::Tt550Ma: {
      const std::string p = "Pegasus TT550";
      radio_setup_line(p + (row.tentec_set == TenTecSet::Tt550 ? " being initialized for AUX port" : " being initialized for MIC/AUX port"));
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        radio_setup_line(p + " AGC set to FAST");
        tt550_cmd({'B', 0}), wait_ms(kSequencePauseMs), radio_setup_line(p + " ATTENUATOR set to OFF");
        tt550_cmd({'S', 0}), wait_ms(kSequencePauseMs), radio_setup_line(p + " SQUELCH set to OPEN");
        radio_setup_line("Please set your NOISE BLANKER to OFF");
        tt550_cmd({'K', 0, 0}), wait_ms(kSequencePauseMs);
        lines({"Pegasus TT550 NOISE REDUCTION set to OFF", "Pegasus TT550 NOTCH set to OFF"});
      }
      radio_setup_line(p + " has been initialized for MIC/AUX port");
      return;
    }
    case TenTecSet::Rx320:
      lines({"RX-320 being initialized", "RX-320 Filter set to 2700hz", "RX-320 AGC set to FAST",
             "RX-320 LINE OUT set to 50%"});
      radio_set_af_level(70);
      lines({"RX-320 SPEAK OUT set to 70%", "RX-320 has been initialized"});
      return;
    case TenTecSet::Rx330: case TenTecSet::Rx331: {
      // No switch test: the commands always go out.
      const std::string label = row.tentec_set == TenTecSet::Rx330 ? "RX-330" : "RX-331";
      radio_setup_line(label + " being initialized");
      send(rx340_text("*R1")), wait_ms(kSequencePauseMs);
      rx33x_steps(label);
      radio_setup_line(label + " has been initialized");
      return;
    }
    case TenTecSet::Rx340:
      radio_setup_line("RX-340 being initialized");
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else rx33x_steps("RX-340");
      radio_setup_line("RX-340 has been initialized");
      return;
    case TenTecSet::Rx350: tt538_setup("RX350", true); return;
    default: return;
  }
}

void rx_on_reply(const uint8_t* frame, int length) {
  const TenTecSet set = configured_radio().tentec_set;
  if (set == TenTecSet::Tt550 || set == TenTecSet::Tt550Ma) tt550_on_reply(frame, length);
  else if (set == TenTecSet::Rx320) rx320_on_reply(frame, length);
  else cat_ack();  // RX-330, RX-331, RX-340, RX-350
}

void rx_on_timer(int id) {
  const TenTecSet set = configured_radio().tentec_set;
  if (set == TenTecSet::Tt550 || set == TenTecSet::Tt550Ma) tt550_on_timer(id);
}

// The transceivers' model timer: the TT-585's next key.
void tx_on_timer(int id) {
  if (id != EV_SKANTI_TIMER || configured_radio().tentec_set != TenTecSet::Tt585) return;
  Tt585Keys& k = tt585();
  std::lock_guard<std::mutex> g(k.lock);
  tt585_next_locked(k);
}

}  // namespace

const FamilyOps kTenTecOps{
    .built = true,
    .set_freq = tx_set_freq,
    .set_mode = tx_set_mode,
    .ptt_on = tx_ptt_on,
    .ptt_off = tx_ptt_off,
    .channel_freq_mode = tx_channel,
    .tune_channel = tx_manual_tune,
    .set_freq_mode = tx_manual_tune,
    .split_freq_mode = tx_split,
    .prepare_tx = tx_prepare,
    .scan_split = tx_scan_split,
    .attenuator = tx_attenuator,
    .set_af_gain = tx_af_gain,
    .mute_af_gain = tx_af_gain,
    .select_antenna = tx_antenna,
    .setup_commands = tx_setup_commands,
    .store_channel = tx_store_channel,
    .keepalive = tx_keepalive,
    .on_reply = ack_reply,
    .on_timer = tx_on_timer,
};

const FamilyOps kTenTecReceiverOps{
    .built = true,
    .set_freq = rx_set_freq,
    .set_mode = rx_set_mode,
    .ptt_on = rx_ptt_on,
    .ptt_off = rx_ptt_off,
    .channel_freq_mode = rx_channel,
    .tune_channel = rx_manual_tune,
    .set_freq_mode = rx_freq_mode,
    .split_freq_mode = rx_split,
    .attenuator = rx_attenuator,
    .set_af_gain = rx_af_gain,
    .mute = rx_mute,
    .setup_start = rx_setup_start,
    .setup_commands = rx_setup_commands,
    .on_reply = rx_on_reply,
    .on_timer = rx_on_timer,
};

}  // namespace vesk
