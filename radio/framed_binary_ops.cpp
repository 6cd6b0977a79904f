// The operations of the framed-command radios, by the frame set their type row names
// (`framed_set`: SGC-2000, MICOM, Kachina 505DSP, AOR AR7030, LCR-2000 and WJCSMA); the
// SGC-2000's break chains on engine timers and the radios' keep-alive poll.
//
// The SGC-2000 takes a command only after a break on its line: a chain of two 10 ms engine
// timers raises and releases the break, and the command follows 100 ms later: the channel the
// operation was given (the last one, when several come within the chain's 20 ms). Its memories are
// written one channel per 500 ms timer step, each only when the radio queue has room, so a
// long channel table never overflows the queue.
#include <mutex>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/framed_binary.h"
#include "radio/drivers/kenwood_identify.h"
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

// ======================= SGC-2000 =======================

constexpr int kSgcBreakMs = 10;
constexpr int kSgcQuietMs = 100;
constexpr int kSgcWriteMs = 500;
constexpr int kSgcSetupBreakOn = 1075, kSgcSetupDone = 1076;
constexpr int kSgcLoadBreakOn = 1077, kSgcLoadChannel = 1078;
constexpr int kSgcMemoryWrite = 1080;  // the paced memory writes
constexpr int kSgcWorkingBreakOn = 1081, kSgcLoadWorking = 1082;
constexpr int kSgcMemoriesPrompt = 1083;
// Memory writes wait while this many commands are queued (the queue holds 150).
constexpr int kSgcQueueRoom = 8;

void sgc_break(bool on) { serial_control(SERIAL_ROLE_RADIO).set_break(on); }
// The blocking pulse before a frame a builder sends: break 10 ms, then 100 ms of quiet.
void sgc_break_pulse() {
  sgc_break(true), wait_ms(kSgcBreakMs), sgc_break(false), wait_ms(kSgcQuietMs);
}

struct SgcState {
  std::mutex lock;
  int next_memory = 0;  // the next channel the memory write looks at; 0: not writing
  int clock_state = 0;  // 0 idle, 1 waiting for the date, 2 for the time, 3 done
  SgcClock clock{};
  ChannelRecord load{};  // the channel the load chain sends: the one last asked for
};
SgcState& sgc() { return station().state<SgcState>(); }

// Starts the load chain for `ch`; a second request before the chain fires replaces the first.
void sgc_start_load(const ChannelRecord& ch) {
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    sgc().load = ch;
  }
  timer_start(kSgcLoadBreakOn, kSgcBreakMs);
}

void sgc_load_channel() {
  ChannelRecord ch;
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    ch = sgc().load;
  }
  if (db_get_memory_channels() == 1) send(sgc_select_channel(ch.number));
  else send(sgc_tune(ch));
}

// One step of the memory write: the next channel in use, when the queue has room.
void sgc_memory_step() {
  int n;
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    n = sgc().next_memory;
  }
  if (n == 0) return;
  if (serial_queue_count(SQ_RADIO) >= kSgcQueueRoom) {
    timer_start(kSgcMemoryWrite, kSgcWriteMs);
    return;
  }
  ChannelRecord ch{};
  for (; n <= 256; ++n)
    if (db_copy_channel(n, &ch) >= 0 && ch.in_use == 1) break;
  if (n > 256) {
    std::lock_guard<std::mutex> g(sgc().lock);
    sgc().next_memory = 0;
    return;
  }
  sgc_break_pulse();
  send(sgc_write_channel(ch));
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    sgc().next_memory = n + 1;
  }
  timer_start(kSgcMemoryWrite, kSgcWriteMs);
}

// ======================= MICOM =======================

void micom_freq(const ChannelRecord& ch) {
  const auto hz = hz_of(ch.rx_freq_hz);
  send(micom_frame(0x05, {0x00, static_cast<uint8_t>(hz >> 24), static_cast<uint8_t>(hz >> 16),
                          static_cast<uint8_t>(hz >> 8), static_cast<uint8_t>(hz)}));
}
void micom_mode(int mode) { send(micom_frame(0x03, {0x00, micom_sideband(mode)})); }
void micom_channel(int number) { send(micom_frame(0x01, {0x00, 0x00, static_cast<uint8_t>(number)})); }
// The manual tuning's mode: LSB and USB with the sideband after, FM and AM alone.
void micom_mode_ext(int mode) {
  const int m = mode == MODE_LSB || mode == MODE_USB ? 0 : mode == MODE_FM ? 1 : mode == MODE_AM ? 2 : -1;
  if (m < 0) return;
  send(micom_frame(0x0D, {0x00, static_cast<uint8_t>(m), 0x00}));
  if (m == 0) micom_mode(mode);
}

// ======================= Kachina 505DSP (written at once) =======================

void k505(const CatCommand& c) { cat_send_now(c); }
void k505_rx(uint32_t hz) { k505(kachina_freq('R', hz)); }
void k505_tx(uint32_t hz) { k505(kachina_freq('T', hz)); }
void k505_mode(int mode) {
  const bool named = mode == MODE_LSB || mode == MODE_USB || mode == MODE_CW || mode == MODE_FM ||
                     mode == MODE_FMW || mode == MODE_AM || mode == MODE_CW_R;
  if (mode == MODE_LSB || mode == MODE_USB) k505(kachina_frame('B', {kachina_filter_value(27)}));
  else if (!named) k505(kachina_frame('B', {kachina_filter_value(35)}));
  k505(kachina_frame('M', {kachina_mode_byte(mode)}));
}
constexpr int kK505KeepAliveMs = 15000;
int k505_keepalive() {
  k505(kachina_frame('d', {0x00}));
  return kK505KeepAliveMs;
}

// ======================= LCR-2000, WJCSMA, AR7030 =======================

void lcr_set_mode(int mode) {
  CatCommand c;
  if (lcr_mode(mode, c)) send(c);
}
void wj_set_mode(int mode) {
  CatCommand c;
  if (wjcsma_mode(mode, c)) send(c);
}

// ======================= the family's operations =======================

void set_freq(const RadioTypeRow& row, uint32_t hz) {
  switch (row.framed_set) {
    case FramedSet::K505dsp: k505_rx(hz); return;
    case FramedSet::Lcr2000: send(lcr_freq(hz)); return;
    case FramedSet::Wjcsma: send(wjcsma_freq(hz)); return;
    case FramedSet::Micom: {
      ChannelRecord ch{};
      ch.rx_freq_hz = static_cast<int32_t>(hz);
      micom_freq(ch);
      return;
    }
    default: return;
  }
}

// The whole-channel radios take the mode with the emulator's frequency in the scratch channel 0.
ChannelRecord scratch_channel(int mode) {
  ChannelRecord ch{};
  ch.rx_mode = ch.tx_mode = mode;
  ch.rx_freq_hz = ch.tx_freq_hz = radio_vfo_freq();
  db_store_channel(0, ch);
  return ch;
}

void set_tx_freq(const RadioTypeRow& row, uint32_t hz) {
  if (row.framed_set == FramedSet::K505dsp) k505_tx(hz);
}

// The SGC-2000 selects memories by number only, which holds no frequency: the scan channel
// with receive and transmit at `hz` goes into the scratch channel 0 and is tuned from there.
void select_channel_freq(const RadioTypeRow& row, uint32_t hz) {
  if (row.framed_set != FramedSet::Sgc2000) return;
  ChannelRecord ch{};
  if (db_copy_channel(db_current_scan_channel(), &ch) < 0) return;
  ch.rx_freq_hz = ch.tx_freq_hz = static_cast<int32_t>(hz);
  db_store_channel(0, ch);
  timer_start(kSgcWorkingBreakOn, kSgcBreakMs);
}

void set_mode(const RadioTypeRow& row, int mode) {
  switch (row.framed_set) {
    case FramedSet::K505dsp: k505_mode(mode); return;
    case FramedSet::Micom: micom_mode(mode); return;
    case FramedSet::Lcr2000: lcr_set_mode(mode); return;
    case FramedSet::Wjcsma: wj_set_mode(mode); return;
    case FramedSet::Ar7030: {
      const ChannelRecord ch = scratch_channel(mode);
      send(ar7030_frame(hz_of(ch.rx_freq_hz), mode));
      return;
    }
    case FramedSet::Sgc2000:
      scratch_channel(mode);
      timer_start(kSgcWorkingBreakOn, kSgcBreakMs);
      return;
    default: return;
  }
}

void ptt_on(const RadioTypeRow& row, int) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: send(sgc_frame(0x93, {})); return;
    case FramedSet::Micom: send(micom_frame(0x13, {})); return;
    case FramedSet::K505dsp: k505(kachina_frame('x', {0x01})); return;
    default: return;
  }
}
void ptt_off(const RadioTypeRow& row) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: send(sgc_frame(0x93, {})); return;
    case FramedSet::Micom: send(micom_frame(0x14, {})); return;
    case FramedSet::K505dsp: k505(kachina_frame('x', {0x00})); return;
    default: return;
  }
}

void channel_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: sgc_start_load(ch); return;
    case FramedSet::Micom:
      if (db_get_memory_channels() == 1) {
        micom_channel(ch.number);
        return;
      }
      micom_freq(ch);
      if (radio_mode_due(ch)) wait_ms(200), micom_mode(ch.rx_mode), radio_mode_remember(ch);
      return;
    case FramedSet::K505dsp:
      k505_rx(hz_of(ch.rx_freq_hz));
      if (radio_mode_due(ch)) k505_mode(ch.rx_mode), radio_mode_remember(ch);
      if (!radio_channel_scanning()) k505_tx(hz_of(ch.tx_freq_hz));
      return;
    case FramedSet::Ar7030: send(ar7030_frame(hz_of(ch.rx_freq_hz), ch.rx_mode)); return;
    case FramedSet::Lcr2000:
      send(lcr_freq(hz_of(ch.rx_freq_hz)));
      if (radio_mode_due(ch)) lcr_set_mode(ch.rx_mode), radio_mode_remember(ch);
      return;
    case FramedSet::Wjcsma:
      send(wjcsma_freq(hz_of(ch.rx_freq_hz)));
      if (radio_mode_due(ch)) wj_set_mode(ch.rx_mode), radio_mode_remember(ch);
      return;
    default: return;
  }
}

void tune_channel(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: sgc_start_load(ch); return;
    case FramedSet::Micom: micom_freq(ch), micom_mode_ext(ch.rx_mode); return;
    case FramedSet::K505dsp: k505_rx(hz_of(ch.rx_freq_hz)), k505_tx(hz_of(ch.tx_freq_hz)), k505_mode(ch.tx_mode); return;
    case FramedSet::Ar7030: send(ar7030_frame(hz_of(ch.rx_freq_hz), ch.rx_mode)); return;
    case FramedSet::Lcr2000: send(lcr_freq(hz_of(ch.rx_freq_hz))), lcr_set_mode(ch.rx_mode); return;
    case FramedSet::Wjcsma: send(wjcsma_freq(hz_of(ch.rx_freq_hz))), wj_set_mode(ch.rx_mode); return;
    default: return;
  }
}

void set_freq_mode(const RadioTypeRow& row, const ChannelRecord& ch) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: sgc_start_load(ch); return;
    case FramedSet::Micom: micom_channel(ch.number); return;
    case FramedSet::K505dsp: k505_rx(hz_of(ch.rx_freq_hz)), k505_tx(hz_of(ch.tx_freq_hz)), k505_mode(ch.rx_mode); return;
    case FramedSet::Wjcsma: send(wjcsma_freq(hz_of(ch.rx_freq_hz))), wj_set_mode(ch.rx_mode); return;
    default: return;
  }
}

void split_freq_mode(const RadioTypeRow& row, const ChannelRecord& w) {
  switch (row.framed_set) {
    case FramedSet::Sgc2000: sgc_start_load(w); return;
    case FramedSet::Micom: {
      ChannelRecord scan{};
      if (db_copy_channel(db_current_scan_channel(), &scan) >= 0) micom_channel(scan.number);
      return;
    }
    case FramedSet::K505dsp: k505_rx(hz_of(w.rx_freq_hz)), k505_tx(hz_of(w.tx_freq_hz)), k505_mode(w.rx_mode); return;
    default: return;
  }
}

void prepare_tx(const RadioTypeRow& row, int tx_hz, int tx_mode, bool) {
  if (row.framed_set == FramedSet::K505dsp) k505_tx(hz_of(tx_hz)), k505_mode(tx_mode);
}

void attenuator(const RadioTypeRow& row, bool on) {
  if (row.framed_set == FramedSet::K505dsp) k505(kachina_frame('G', {static_cast<uint8_t>(on ? 1 : 0)}));
}

void af_gain(const RadioTypeRow& row, int level) {
  switch (row.framed_set) {
    case FramedSet::Micom: send(micom_frame(0x2B, {static_cast<uint8_t>(level), 0x00})); return;
    case FramedSet::K505dsp: k505(kachina_frame('V', {static_cast<uint8_t>(static_cast<int>(level * 2.55))})); return;
    case FramedSet::Lcr2000: send(lcr_af_gain(level)); return;
    default: return;
  }
}

int keepalive(const RadioTypeRow& row) { return row.framed_set == FramedSet::K505dsp ? k505_keepalive() : 0; }

void setup_start(const RadioTypeRow& row) {
  switch (row.framed_set) {
    case FramedSet::K505dsp: timer_start(EV_RADIO_TX_POLL_TIMER, k505_keepalive()); return;
    case FramedSet::Lcr2000: send(lcr_text("X1")); return;
    default: return;
  }
}

void setup_before_port(const RadioSetupRow& setup) {
  if (const char* line = radio_type_row(setup.type).setup_before_port_line) radio_setup_line(line);
}

void setup_commands(const RadioTypeRow& row, const RadioSetupRow&) {
  const bool disabled = driver_preconfig_disabled() != 0;
  switch (row.framed_set) {
    case FramedSet::K505dsp:
      // Each command first, then its line, then the pause.
      radio_setup_line("KACHINA 505DSP being initialized");
      if (disabled) {
        radio_setup_line(kPreconfigDisabledLine);
      } else {
        k505(kachina_frame('p', {0x00})), radio_setup_line("KACHINA 505DSP PREAMP set to OFF"), wait_ms(200);
        k505(kachina_frame('G', {0x00})), radio_setup_line("KACHINA 505DSP ATTN set to OFF"), wait_ms(200);
      }
      radio_setup_line("KACHINA 505DSP initialization completed");
      return;
    case FramedSet::Sgc2000:
      // The break chain (timer 1075) started with the port steps carries the radio's set-up.
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      else if (db_get_memory_channels() == 1) timer_start(kSgcMemoriesPrompt, 5000);
      radio_setup_line("SGC initialization completed");
      return;
    case FramedSet::Micom:
      if (disabled) radio_setup_line(kPreconfigDisabledLine);
      kenwood_set_model(0);
      send(micom_frame(0x24, {0x00, 0x00, 0x00, 0xC8}));
      radio_setup_line(db_get_memory_channels() == 1 ? "MICOM Radio Memory Mode has been initialized"
                                                     : "MICOM has been initialized");
      return;
    case FramedSet::Ar7030: radio_setup_line("AR7030 has been initialized"); return;
    case FramedSet::Lcr2000: radio_setup_line("LCR2000 has been initialized"); return;
    case FramedSet::Wjcsma: radio_setup_line("WJCSMA has been initialized"); return;
    default: return;
  }
}

// The SGC-2000's answers: a short frame acknowledges; a checked 0x81 frame carries the date
// or the time of a clock read.
void sgc_on_reply(const uint8_t* frame, int length) {
  if (length > 0 && frame[0] < 16) cat_ack();
  if (!sgc_frame_ok(frame, length) || length < 5 || frame[1] != 0x81) return;
  auto bcd = [](uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); };
  int state;
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    SgcState& s = sgc();
    state = s.clock_state;
    if (state == 1) {
      const int yy = bcd(frame[4]);
      s.clock.month = bcd(frame[2]), s.clock.day = bcd(frame[3]), s.clock.year = yy >= 70 ? 1900 + yy : 2000 + yy;
      s.clock_state = 2;
    } else if (state == 2) {
      s.clock.hour = bcd(frame[2]), s.clock.minute = bcd(frame[3]), s.clock.second = bcd(frame[4]);
      s.clock.complete = true;
      s.clock_state = 3;
    }
  }
  if (state == 1) sgc_break_pulse(), send(sgc_frame(0x96, {}));
}

void on_reply(const uint8_t* frame, int length) {
  switch (radio_type_row(driver_radio_type()).framed_set) {
    case FramedSet::Sgc2000: sgc_on_reply(frame, length); return;
    case FramedSet::Lcr2000: cat_ack(); return;
    case FramedSet::Wjcsma:
      if (length >= 5 && frame[0] == 0xFE && frame[1] == 0xFE) {
        if (frame[4] == 0xFB) cat_ack();
        else if (frame[4] == 0xFA) cat_nak();
      }
      return;
    default: return;  // MICOM, K505DSP, AR7030: not answered
  }
}

}  // namespace

// ---- the SGC-2000's timer steps ----

void radio_sgc_timer(int id) {
  switch (id) {
    case kSgcSetupBreakOn: case kSgcLoadBreakOn: case kSgcWorkingBreakOn:
      sgc_break(true);
      timer_start(id + 1, kSgcBreakMs);
      return;
    case kSgcSetupDone:
      sgc_break(false), wait_ms(kSgcQuietMs);
      radio_setup_line("SGC-2000 has been initialized");
      return;
    case kSgcLoadChannel: sgc_break(false), wait_ms(kSgcQuietMs), sgc_load_channel(); return;
    case kSgcLoadWorking: {
      sgc_break(false), wait_ms(kSgcQuietMs);
      ChannelRecord ch{};
      if (db_copy_channel(0, &ch) >= 0) send(sgc_tune(ch));
      return;
    }
    case kSgcMemoryWrite: sgc_memory_step(); return;
    case kSgcMemoriesPrompt:
      // Headless the memories are written: with the memory channels on, the station selects the
      // radio's channels by their memory number.
      radio_ask({"Update SSC2000 Memories", "Update radio memories to match current Scan Group", true,
                 "no operator to answer: writing the memories (the memory channels are on)"},
                [](bool yes) {
                  if (yes) sgc_write_all_channels();
                });
      return;
    default: return;
  }
}

void sgc_write_all_channels() {
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    sgc().next_memory = 1;
  }
  sgc_memory_step();
}

void sgc_clock_read_start() {
  {
    std::lock_guard<std::mutex> g(sgc().lock);
    sgc().clock_state = 1;
    sgc().clock = {};
  }
  sgc_break_pulse();
  send(sgc_frame(0x97, {}));
}

SgcClock sgc_clock_read_result() {
  std::lock_guard<std::mutex> g(sgc().lock);
  return sgc().clock;
}

bool radio_timer_step(int id) {
  if (id == EV_RADIO_TX_POLL_TIMER) {
    radio_keepalive();
    return true;
  }
  if (id >= kSgcSetupBreakOn && id <= kSgcMemoriesPrompt) {
    radio_sgc_timer(id);
    return true;
  }
  if (id == 1086 || id == 1087) {
    radio_harris_timer(id);
    return true;
  }
  return false;
}

void radio_keepalive() {
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).keepalive == nullptr) return;
  if (const int ms = radio_ops(row).keepalive(row); ms > 0) timer_start(EV_RADIO_TX_POLL_TIMER, ms);
}

const FamilyOps kFramedBinaryOps{
    .built = true,
    .set_freq = set_freq,
    .set_mode = set_mode,
    .ptt_on = ptt_on,
    .ptt_off = ptt_off,
    .channel_freq_mode = channel_freq_mode,
    .tune_channel = tune_channel,
    .set_freq_mode = set_freq_mode,
    .split_freq_mode = split_freq_mode,
    .prepare_tx = prepare_tx,
    .attenuator = attenuator,
    .set_af_gain = af_gain,
    .mute_af_gain = af_gain,
    .setup_before_port = setup_before_port,
    .setup_start = setup_start,
    .setup_commands = setup_commands,
    .keepalive = keepalive,
    .on_reply = on_reply,
    .set_tx_freq = set_tx_freq,
    .select_channel_freq = select_channel_freq,
};

}  // namespace vesk
