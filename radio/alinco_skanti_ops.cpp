// The operations of the Alinco DX-77T and of the Skanti 8250.
//
// The Skanti's commands wait in a pacing buffer and reach the radio one byte at a time: 40 ms
// after a byte, 200 ms after a command's last one (timer 1026). Builders fill the buffer on
// their callers' threads while the engine's timer drains it, so the buffer has its own lock.
#include <mutex>
#include <string>
#include <vector>

#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/alinco_skanti.h"
#include "radio/drivers/cat_contract.h"
#include "radio/family_ops.h"
#include "radio/radio_events.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }
uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
bool is_skanti(const RadioTypeRow& row) { return row.skanti_commands; }

// ---- DX-77T ----

void dx_text(const char* body) { cat_send(dx77t_text(body)); }
// The VFO pair, then the frequency on VFO A and, 200 ms later, on VFO B.
void dx_freq(uint32_t hz) {
  dx_text("AL1A1");
  cat_send(dx77t_freq('A', hz));
  wait_ms(200);
  cat_send(dx77t_freq('B', hz));
}
void dx_mode(int mode) {
  if (const char d = dx77t_mode_digit(mode)) cat_send(dx77t_text(std::string("AL2G") + d));
}

// ---- Skanti 8250 ----

constexpr int kSkantiBufferBytes = 1000;
constexpr int kSkantiByteMs = 40;
constexpr int kSkantiCommandMs = 200;
constexpr uint8_t kEndOfCommand = 0x80;

struct SkantiState {
  std::mutex lock;
  uint8_t bytes[kSkantiBufferBytes] = {};
  int count = 0;
  int next = 0;              // send index
  bool pacing = false;       // timer 1026 running
  uint32_t last_rx_hz = 0;   // the receive frequency last sent
};
SkantiState& skanti() { return station().state<SkantiState>(); }

void timer_start(int id, int ms) {
  if (auto& start = serial_queues().timers.start) start(id, ms);
}
void timer_stop(int id) {
  if (auto& stop = serial_queues().timers.stop) stop(id);
}

void send_next_byte_locked(SkantiState& s) {
  if (s.count == 0) {
    s.pacing = false;
    return;
  }
  uint8_t b = s.bytes[s.next];
  int pause = kSkantiByteMs;
  if (b & kEndOfCommand) {
    b = static_cast<uint8_t>(b & ~kEndOfCommand);
    s.bytes[s.next] = b;
    pause = kSkantiCommandMs;
  }
  cat_send(&b, 1);
  ++s.next;
  s.pacing = true;
  timer_start(EV_SKANTI_TIMER, pause);
  if (s.next >= s.count) s.count = 0, s.next = 0;
}

// Appends one command (its last byte marked); a command that does not fit is dropped whole.
void skanti_queue(std::vector<uint8_t> command) {
  if (command.empty()) return;
  command.back() |= kEndOfCommand;
  SkantiState& s = skanti();
  std::lock_guard<std::mutex> g(s.lock);
  const int n = static_cast<int>(command.size());
  if (s.count + n >= kSkantiBufferBytes) return;
  for (int i = 0; i < n; ++i) s.bytes[s.count + i] = command[static_cast<std::size_t>(i)];
  s.count += n;
  if (s.next > 0 || s.pacing) return;
  send_next_byte_locked(s);
}
void skanti_queue(const std::string& text) { skanti_queue(std::vector<uint8_t>(text.begin(), text.end())); }

void skanti_rx(const ChannelRecord& ch) {
  if (ch.rx_freq_hz == 0) return;
  {
    std::lock_guard<std::mutex> g(skanti().lock);
    skanti().last_rx_hz = hz_of(ch.rx_freq_hz);
  }
  skanti_queue(":" + skanti_freq_field(hz_of(ch.rx_freq_hz)));
}

// ---- the family's operations ----

void set_freq(const RadioTypeRow& row, uint32_t hz) {
  if (!is_skanti(row)) dx_freq(hz);
}
void set_mode(const RadioTypeRow& row, int mode) {
  if (!is_skanti(row)) {
    dx_mode(mode);
    return;
  }
  // The Skanti is tuned by whole channels: the scratch channel 0 carries the mode at the
  // emulator's frequency.
  ChannelRecord ch{};
  ch.rx_mode = ch.tx_mode = mode;
  ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
  db_store_channel(0, ch);
  skanti_rx(ch);
}

// The Skanti is keyed by RTS on the radio port.
void ptt_on(const RadioTypeRow& row, int) {
  if (is_skanti(row)) serial_control(SERIAL_ROLE_RADIO).set_rts(true);
}
void ptt_off(const RadioTypeRow& row) {
  if (is_skanti(row)) serial_control(SERIAL_ROLE_RADIO).set_rts(false);
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (is_skanti(row)) {
    skanti_rx(ch);
    return;
  }
  dx_freq(hz_of(ch.rx_freq_hz));
  if (radio_mode_due(ch)) dx_mode(ch.rx_mode), radio_mode_remember(ch);
}
void freq_then_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  if (is_skanti(row)) skanti_rx(ch);
  else dx_freq(hz_of(ch.rx_freq_hz)), dx_mode(ch.rx_mode);
}
void split(const RadioTypeRow& row, const ChannelRecord& w) {
  if (!is_skanti(row)) dx_freq(hz_of(w.rx_freq_hz)), dx_mode(w.rx_mode);
}

void attenuator(const RadioTypeRow& row, bool on) {
  if (!is_skanti(row)) dx_text(on ? "AL2H10" : "AL2H00");
}
void mute(const RadioTypeRow& row, bool on, int) {
  if (is_skanti(row)) skanti_queue(on ? "l" : "k");
}
// The Skanti's shut-down byte, paced behind whatever waits in its buffer.
void shutdown(const RadioTypeRow& row) {
  if (is_skanti(row)) skanti_queue(std::vector<uint8_t>{0x10});
}
int tuner(const RadioTypeRow& row, TunerStep step) {
  if (is_skanti(row)) return 0;
  dx_text(step == TunerStep::On ? "AL2M1" : step == TunerStep::Start ? "AL2N1" : "AL2M0");
  return 1;
}

// The engine's refresh step: the frequency last given as receive frequency, as transmit one.
void refresh(const RadioTypeRow& row) {
  if (!is_skanti(row)) return;
  uint32_t hz;
  {
    std::lock_guard<std::mutex> g(skanti().lock);
    hz = skanti().last_rx_hz;
  }
  skanti_queue(";" + skanti_freq_field(hz));
}

void setup_start(const RadioTypeRow& row) {
  if (!is_skanti(row)) return;
  {
    SkantiState& s = skanti();
    std::lock_guard<std::mutex> g(s.lock);
    s.count = 0, s.next = 0, s.pacing = false;
  }
  timer_stop(EV_SKANTI_TIMER);
  skanti_queue(std::vector<uint8_t>{0x01, 0x02});
  for (const char* c : {"l", "K", "X", "B"}) skanti_queue(c);
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  if (is_skanti(row)) return;  // no lines
  auto step = [](const char* text, const char* command) {
    radio_setup_line(text);
    dx_text(command);
    wait_ms(kSequencePauseMs);
  };
  radio_setup_line("DX-77T being initialized");
  if (driver_preconfig_disabled() != 0) {
    radio_setup_line(kPreconfigDisabledLine);
  } else {
    step("DX-77T SPLIT VFO set to OFF", "AL2F0");
    step("DX-77T PRIORITY set to OFF", "AL2E0");
    step("DX-77T SCANNING set to OFF", "AL2D0");
    step("DX-77T SSB AUTO set OFF", "AL2WE01");
    step("DX-77T SPEECH PROCESSOR set OFF", "AL2WC01");
    radio_setup_line("Please set your NOISE BLANKER to OFF");
    step("DX-77T ATTN set to OFF", "AL2H00");
    step("DX-77T AGC set to FAST", "AL2I01");
    for (const char* t : {"Please set your RIT to OFF/CENTER", "Please set your IF SHIFT to 1625hz",
                          "Please set your NOTCH FILTER to OFF"})
      radio_setup_line(t);
  }
  radio_setup_line("DX-77T has been initialized");
}

// A refusal (0x15) empties the Skanti's buffer and starts the radio's command mode again
// (01 CR, 02 CR); other answers change nothing. The DX-77T's answers are not used.
void on_reply(const uint8_t* frame, int length) {
  if (!is_skanti(configured_radio()) || length <= 0 || frame[length - 1] != 0x15) return;
  {
    SkantiState& s = skanti();
    std::lock_guard<std::mutex> g(s.lock);
    s.count = 0, s.next = 0, s.pacing = false;
  }
  timer_stop(EV_SKANTI_TIMER);
  skanti_queue(std::vector<uint8_t>{0x01, '\r'});
  skanti_queue(std::vector<uint8_t>{0x02, '\r'});
}

}  // namespace

bool skanti_buffer_empty() {
  SkantiState& s = skanti();
  std::lock_guard<std::mutex> g(s.lock);
  return s.count == 0;
}

namespace {

void on_timer(int id) {
  if (id != EV_SKANTI_TIMER || !is_skanti(configured_radio())) return;
  SkantiState& s = skanti();
  std::lock_guard<std::mutex> g(s.lock);
  s.pacing = false;
  send_next_byte_locked(s);
}

}  // namespace

const FamilyOps kAlincoSkantiOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = freq_then_mode,
    .set_freq_mode = freq_then_mode,
    .split_freq_mode = split,
    .attenuator = attenuator,
    .mute = mute,
    .tuner = tuner,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .refresh = refresh,
    .shutdown = shutdown,
    .on_reply = on_reply,
    .on_timer = on_timer,
};

}  // namespace vesk
