// The Harris family's operations, by the command set its type row names (`harris_set`: the
// RF-350, the RF-350 ALK and its TNC variant, RF350KWT, RF5022, RF5800, RF590, RF590A and
// RF3200); the RF-350 ALK's keep-alive, delayed frequency load (timer 1086) and memory update
// (timer 1087).
//
// The memory update is asked without holding the engine (headless: written, since with the
// memory channels on the station selects channels by their memory number) and writes one
// channel per 1.8 s step of timer 1087, each only while the radio queue has room.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/harris.h"
#include "radio/family_ops.h"
#include "radio/radio_events.h"
#include "radio/radio_hooks.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {

namespace {

void wait_ms(int ms) { radio_pause_ms(ms); }
uint32_t hz_of(int hz) { return static_cast<uint32_t>(hz); }
void send(const CatCommand& c) { cat_send(c); }
void timer_start(int id, int ms) {
  if (auto& start = serial_queues().timers.start) start(id, ms);
}
bool alk(const RadioTypeRow& row) { return row.harris_set == HarrisSet::Rf350Alk; }
bool alk_tnc(const RadioTypeRow& row) { return alk(row) && row.harris_alk_tnc; }
bool rf5800(const RadioTypeRow& row) { return row.harris_set == HarrisSet::Rf5800; }

constexpr int kAlkPollMs = 3000;
constexpr int kAlkFreqLoadTimer = 1086, kAlkFreqLoadMs = 8000;
constexpr int kAlkMemoryTimer = 1087, kAlkMemoryPromptMs = 12000, kAlkMemoryStepMs = 1800;
constexpr int kAlkQueueRoom = 8;

struct HarrisState {
  std::mutex lock;
  std::atomic<int> line_keyed{0};  // keyed by the sequence (lines) rather than "K"
  int setup_step = 0;              // which of the three ALK start steps runs next
  int next_memory = 0;             // 0: no memory update running, else the next channel
};
HarrisState& harris() { return station().state<HarrisState>(); }

// ---- RF-350 ALK ----

void alk_send(const char* text) { send(harris_text(text, '\n')); }
void alk_letter(char letter) { send(harris_text(std::string(1, letter), 0)); }
void alk_freq(uint32_t hz) { send(harris_text(rf350alk_freq_text(hz), '\n')); }
void alk_mode(int mode) {
  if (const char d = rf350_mode_digit(mode)) send(harris_text(std::string("M") + d, '\n'));
}
void alk_channel(int number) {
  char t[8];
  std::snprintf(t, sizeof t, "C%02d", number == 0 ? 1 : number % 100);
  alk_send(t);
}
void alk_quote(char digit) { alk_send(std::string("\"").append(1, digit).c_str()); }
// The poll letter, which restarts the 3 s chain.
void alk_poll(char letter) {
  alk_letter(letter);
  timer_start(EV_RADIO_TX_POLL_TIMER, kAlkPollMs);
}

// ---- the others ----

void rf5022_like(const RadioTypeRow& row, const char* rx_head, const char* tx_head, bool rx, uint32_t hz) {
  const std::string digits = rf5800(row) ? harris_mhz_text(hz) : rf5022_digits(hz);
  send(harris_text(std::string(rx ? rx_head : tx_head) + digits));
}
void rx_freq(const RadioTypeRow& row, uint32_t hz) {
  rf5022_like(row, rf5800(row) ? "RXFREQ " : "RXF ", nullptr, true, hz);
}
void tx_freq(const RadioTypeRow& row, uint32_t hz) {
  rf5022_like(row, nullptr, rf5800(row) ? "TXFREQ " : "TXF ", false, hz);
}

// The transmit frequency alone, for the radios that take it apart from the receive one.
void set_tx_freq(const RadioTypeRow& row, uint32_t hz) {
  if (row.harris_set == HarrisSet::Rf5022 || rf5800(row)) tx_freq(row, hz);
}

void freq(const RadioTypeRow& row, uint32_t hz) {
  char t[32];
  switch (row.harris_set) {
    case HarrisSet::Rf350Alk: alk_freq(hz); return;
    case HarrisSet::Rf350Kwt:
      std::snprintf(t, sizeof t, "$1F%8.6f", hz / 1e6);
      send(harris_text(t));
      return;
    case HarrisSet::Rf5022: case HarrisSet::Rf5800: rx_freq(row, hz); return;
    case HarrisSet::Rf590a:
      std::snprintf(t, sizeof t, "$1,F%8.6f", hz / 1e6);
      send(harris_text(t));
      return;
    case HarrisSet::Rf590: {
      char d[16];
      std::snprintf(d, sizeof d, "%08u", hz % 100000000u);
      const uint8_t commands[] = {0xC1, 0xC3, 0xC5, 0xC7};
      for (int i = 0; i < 4; ++i)
        send(rf590_frame(commands[i], static_cast<uint8_t>((d[2 * i] - '0') << 4 | (d[2 * i + 1] - '0'))));
      return;
    }
    case HarrisSet::None: case HarrisSet::Rf3200: return;  // the RF3200 is tuned by channel
  }
}

void mode(const RadioTypeRow& row, int m) {
  switch (row.harris_set) {
    case HarrisSet::Rf350Alk: alk_mode(m); return;
    case HarrisSet::Rf350Kwt:
      if (const char d = rf350_mode_digit(m)) send(harris_text(std::string("$1M") + d));
      return;
    case HarrisSet::Rf5022: case HarrisSet::Rf5800:
      if (const char* f = rf5022_mode(m)) send(harris_text(std::string("MODE ") + f));
      return;
    case HarrisSet::Rf590a:
      if (const char d = rf590a_mode_digit(m)) send(harris_text(std::string("$1,D") + d));
      return;
    case HarrisSet::Rf590:
      if (const int v = rf590_mode_value(m); v >= 0) send(rf590_frame(0xC9, static_cast<uint8_t>(v)));
      return;
    case HarrisSet::None: case HarrisSet::Rf3200: return;
  }
}

void rf3200_channel(int number) { send(harris_text(rf3200_channel_text(number))); }

// ---- the family's operations ----

void set_mode(const RadioTypeRow& row, int m) {
  if (!row.set_mode_silent) mode(row, m);
}

void ptt_on(const RadioTypeRow& row, int) {
  if (row.ptt_on_text != nullptr) send(harris_text(row.ptt_on_text));
}
void ptt_off(const RadioTypeRow& row) {
  if (row.ptt_off_text != nullptr) send(harris_text(row.ptt_off_text));
}

bool line_keying() { return db_get_rts_ptt() == 1 || db_get_dtr_ptt() == 1; }

// The RF-350 ALK's keying sequences (whatever the keying lines; they are part of them). The
// other Harris types have none: they take "K On", "$1,K1" and their unkeys as key commands.
bool keying(const RadioTypeRow& row, bool on, bool manual) {
  if (!alk(row)) return false;
  HarrisState& h = harris();
  if (on) {
    if (manual) {
      h.line_keyed = 1;
      alk_send(",0"), wait_ms(200), alk_send("'1"), wait_ms(200), alk_quote('1'), wait_ms(200);
    } else if (line_keying()) {
      alk_send(",0"), wait_ms(200);
      h.line_keyed = 1;
      if (alk_tnc(row)) alk_send(",0"), wait_ms(200);
      alk_send("'1"), wait_ms(200), alk_quote('1'), wait_ms(200);
    } else {
      alk_send(",0"), wait_ms(400);
      alk_send("K"), alk_poll('K');
    }
    return true;
  }
  if (manual) {
    h.line_keyed = 0;
    alk_letter('U'), alk_poll('U'), wait_ms(200), alk_send(",0"), wait_ms(200), alk_quote('0'), wait_ms(20);
    return true;
  }
  alk_letter('U'), alk_poll('U'), wait_ms(200);
  if (radio_scanning()) alk_send(",1");
  if (line_keying()) alk_quote('0'), wait_ms(200);
  return true;
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  const uint32_t rx = hz_of(ch.rx_freq_hz);
  switch (row.harris_set) {
    case HarrisSet::Rf350Alk:
      if (db_get_memory_channels() == 1) {
        alk_channel(ch.number);
        return;
      }
      if (radio_mode_due(ch)) mode(row, ch.rx_mode), radio_mode_remember(ch);
      freq(row, rx);
      return;
    case HarrisSet::Rf5022: case HarrisSet::Rf5800:
      if (radio_mode_due(ch)) mode(row, ch.rx_mode), radio_mode_remember(ch);
      rx_freq(row, rx);
      if (!radio_channel_scanning()) tx_freq(row, hz_of(ch.tx_freq_hz));
      return;
    case HarrisSet::Rf350Kwt: case HarrisSet::Rf590: case HarrisSet::Rf590a:
      freq(row, rx);
      if (radio_mode_due(ch)) mode(row, ch.rx_mode), radio_mode_remember(ch);
      return;
    case HarrisSet::Rf3200: rf3200_channel(ch.number); return;
    case HarrisSet::None: return;
  }
}

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  const uint32_t rx = hz_of(ch.rx_freq_hz);
  switch (row.harris_set) {
    case HarrisSet::Rf350Alk: mode(row, ch.rx_mode), wait_ms(200), freq(row, rx); return;
    case HarrisSet::Rf5022: case HarrisSet::Rf5800: rx_freq(row, rx), tx_freq(row, rx), mode(row, ch.rx_mode); return;
    case HarrisSet::Rf590: case HarrisSet::Rf590a: freq(row, rx), mode(row, ch.rx_mode); return;
    case HarrisSet::None: case HarrisSet::Rf350Kwt: case HarrisSet::Rf3200: return;
  }
}

void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.harris_set) {
    case HarrisSet::Rf350Alk: mode(row, ch.rx_mode), freq(row, hz_of(ch.rx_freq_hz)); return;
    case HarrisSet::Rf350Kwt: freq(row, hz_of(ch.rx_freq_hz)), mode(row, ch.rx_mode); return;
    case HarrisSet::Rf5022: case HarrisSet::Rf5800:
      mode(row, ch.rx_mode), rx_freq(row, hz_of(ch.rx_freq_hz)), tx_freq(row, hz_of(ch.tx_freq_hz));
      return;
    case HarrisSet::Rf3200: rf3200_channel(ch.number); return;
    case HarrisSet::None: case HarrisSet::Rf590: case HarrisSet::Rf590a: return;
  }
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  if (row.harris_set == HarrisSet::Rf3200) {
    ChannelRecord scan{};
    if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) rf3200_channel(scan.number);
    return;
  }
  set_freq_mode(row, w);
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool) {
  switch (row.harris_set) {
    case HarrisSet::Rf5022: case HarrisSet::Rf5800: tx_freq(row, hz_of(tx_hz)), mode(row, tx_mode); return;
    case HarrisSet::Rf350Alk:
      if (!alk_tnc(row)) {
        alk_send(",0");
        return;
      }
      alk_send(",0"), wait_ms(200), alk_send(",0"), wait_ms(200), alk_send("'1"), wait_ms(200), alk_quote('0');
      return;
    default: return;
  }
}

void scan_split(const RadioTypeRow& row, bool on) {
  if (!alk(row)) return;
  if (on) {
    alk_send(",1"), wait_ms(500), alk_send(",1"), wait_ms(500);
    return;
  }
  if (alk_tnc(row)) alk_send("'1"), wait_ms(200);
  alk_send(",0"), wait_ms(200), alk_send(",0"), wait_ms(200);
}

void attenuator(const RadioTypeRow& row, bool on) {
  if (row.harris_set == HarrisSet::Rf590a) send(harris_text(on ? "$1,A20" : "$1,A0"));
}

void mute(const RadioTypeRow& row, bool on, int) {
  if (alk(row)) alk_send(on ? "(0" : "(1");
}
// The link hooks' muting: the ALK also leaves or starts its scanning.
void link_mute(const RadioTypeRow& row, bool linked) {
  if (!alk(row)) return;
  if (linked) {
    alk_send("(1");
    if (alk_tnc(row)) wait_ms(20), alk_send(",0"), wait_ms(200), alk_send("'1"), wait_ms(200);
    else wait_ms(200), alk_send(",0"), wait_ms(200);
  } else {
    alk_send("(0");
    if (alk_tnc(row)) wait_ms(20), alk_send(",1"), wait_ms(20);
  }
}

int keepalive(const RadioTypeRow& row) {
  if (!alk(row)) return 0;
  const bool key = harris().line_keyed.load() != 1 && radio_flags().ptt_active_flag.load() == 1;
  alk_letter(key ? 'K' : 'U');
  return kAlkPollMs;
}

// ---- set-up ----

void setup_before_port(const RadioSetupRow& setup) {
  {
    std::lock_guard<std::mutex> g(harris().lock);
    harris().setup_step = 0;
  }
  if (const char* opening = radio_type_row(setup.type).setup_before_port_line) radio_setup_line(opening);
}

// The three start steps of the RF-350 ALK: polling ("?" and the first "U"), "'1", quote-0.
void setup_start(const RadioTypeRow& row) {
  if (!alk(row)) return;
  int step;
  {
    std::lock_guard<std::mutex> g(harris().lock);
    step = harris().setup_step++;
  }
  switch (step) {
    case 0: alk_send("?"), alk_poll('U'); break;
    case 1: alk_send("'1"); break;
    case 2: alk_quote('0'); break;
    default: break;
  }
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  const bool disabled = driver_preconfig_disabled() != 0;
  const std::string label = row.setup_label != nullptr ? row.setup_label : "";
  switch (row.harris_set) {
    case HarrisSet::None: case HarrisSet::Rf350Kwt: radio_setup_line(label + " initialization completed"); return;
    case HarrisSet::Rf350Alk: {
      radio_setup_line(label + " supports BPF bypass for QS/S");
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        timer_start(kAlkFreqLoadTimer, kAlkFreqLoadMs);
        radio_setup_line(label + " set AGC to FAST");
        if (db_get_memory_channels() == 1) {
          {
            std::lock_guard<std::mutex> g(harris().lock);
            harris().next_memory = 0;
          }
          timer_start(kAlkMemoryTimer, kAlkMemoryPromptMs);
        }
      }
      if (!alk_tnc(row)) radio_setup_line(label + " initialization completed");
      return;
    }
    case HarrisSet::Rf5022: case HarrisSet::Rf5800: {
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        send(harris_text(rf5800(row) ? "AGC FA" : "AG FA")), wait_ms(200);
        radio_setup_line(label + " set AGC to FAST");
      }
      radio_setup_line(label + " initialization completed");
      return;
    }
    case HarrisSet::Rf590: radio_setup_line("RF-590 being initialized"), radio_setup_line("RF-590 has been initialized"); return;
    case HarrisSet::Rf590a:
      radio_setup_line("RF-590A being initialized");
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        send(harris_text(rf590a_bandwidth_text(2700))), wait_ms(200), radio_setup_line("RF-590A Filter set to 2700hz");
        radio_setup_line("Please set your NOISE BLANKER to OFF");
        send(harris_text("$1,M1")), wait_ms(200), radio_setup_line("RF-590A AGC set to FAST");
      }
      radio_setup_line("RF-590A has been initialized");
      return;
    case HarrisSet::Rf3200:
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      radio_setup_line("Rf-3200 initialization completed");
      return;
  }
}

// Any reply acknowledges where the row says so; the RF350 and the ALK types never do.
void on_reply(const uint8_t*, int) {
  if (radio_type_row(driver_radio_type()).reply_acks) cat_ack();
}

// One step of the memory update: the next channel of the current scan group, in use, when the
// radio queue has room; then the next step 1.8 s later.
void alk_memory_step() {
  int n;
  {
    std::lock_guard<std::mutex> g(harris().lock);
    n = harris().next_memory;
  }
  if (serial_queue_count(SQ_RADIO) >= kAlkQueueRoom) {
    timer_start(kAlkMemoryTimer, kAlkMemoryStepMs);
    return;
  }
  ChannelRecord ch{};
  for (; n <= 256; ++n) {
    const int group = db_get_scan_group();
    if (db_copy_channel(n, &ch) >= 0 && ch.in_use == 1 && (ch.scan_groups >> (group & 31) & 1) != 0) break;
  }
  if (n > 256) {
    std::lock_guard<std::mutex> g(harris().lock);
    harris().next_memory = 0;
    return;
  }
  send(harris_text(rf350alk_memory_record(ch), '\n'));
  {
    std::lock_guard<std::mutex> g(harris().lock);
    harris().next_memory = n + 1;
  }
  timer_start(kAlkMemoryTimer, kAlkMemoryStepMs);
}

}  // namespace

void radio_harris_timer(int id) {
  if (id == kAlkFreqLoadTimer) {
    // "A4", then the working channel's receive frequency, as one command.
    std::string text = "A4\n" + rf350alk_freq_text(hz_of(db_current_channel().rx_freq_hz));
    send(harris_text(text, '\n'));
    wait_ms(200);
    return;
  }
  if (id != kAlkMemoryTimer) return;
  bool writing;
  {
    std::lock_guard<std::mutex> g(harris().lock);
    writing = harris().next_memory != 0;
  }
  if (writing) {
    alk_memory_step();
    return;
  }
  radio_ask({"Update Harris Memories", "Update radio memories to match current Scan Group", true,
             "no operator to answer: writing the memories (the memory channels are on)"},
            [](bool yes) {
              if (yes) rf350alk_write_all_channels();
            });
}

void rf350alk_write_all_channels() {
  {
    std::lock_guard<std::mutex> g(harris().lock);
    harris().next_memory = 1;
  }
  alk_memory_step();
}

const FamilyOps kHarrisOps{
    .built = true,
    .set_freq = freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .keying = keying,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .scan_split = scan_split,
    .attenuator = attenuator,
    .mute = mute,
    .link_mute = link_mute,
    .setup_before_port = setup_before_port,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .keepalive = keepalive,
    .on_reply = on_reply,
    .set_tx_freq = set_tx_freq,
};

}  // namespace vesk
