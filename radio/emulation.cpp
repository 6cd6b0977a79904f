// The radio emulation port, CI-V side: set frequency and mode, data mode, keying, and the
// queries a logging or digital-mode program makes, with fixed answers where the station has
// nothing to report. Set commands are carried out without an answer; each answer leaves at
// once (the program never acknowledges). Two requests are handled more safely than a radio's
// own rules would: a tuner request (1C 01 01) does not key the transmitter, and every
// frequency digit is read (144 MHz is not taken for 44 MHz; the bounds then apply).
#include "radio/emulation.h"

#include <atomic>
#include <initializer_list>
#include <vector>

#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"
#include "radio/dispatch.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {

struct EmulState {
  std::atomic<int> freq{0};
  std::atomic<int> civ_mode{0};
};
EmulState& emul() { return station().state<EmulState>(); }

constexpr uint8_t kOwn = 0x66, kController = 0xE0;
constexpr int kLowestHz = 10000, kHighestHz = 88000000;

void answer(std::initializer_list<uint8_t> body) {
  std::vector<uint8_t> f{0xFE, 0xFE, kController, kOwn};
  f.insert(f.end(), body);
  f.push_back(0xFD);
  emul_send(f.data(), static_cast<int>(f.size()));
  emul_send_ack();
}

// Scanning without a link: the request is dropped (and the rest of the frame with it).
bool scanning_gate() { return db_get_scan_active() == 1 && radio_flags().radio_linked_flag.load() == 0; }
bool rms_block() { return db_get_rms_block() == 1; }
bool read_back() { return db_get_rms_block() == 1 || db_get_radio_server() == 1; }

int mode_code(uint8_t civ) {
  switch (civ) {
    case 0x00: return MODE_LSB;
    case 0x01: return MODE_USB;
    case 0x02: return MODE_AM;
    case 0x03: return MODE_CW;
    case 0x04: return MODE_RTTY;
    case 0x05: return MODE_FM;
    case 0x06: return MODE_FMW;
    case 0x07: return MODE_CW_R;
    case 0x08: return MODE_FSK_R;
    case 0x12: return 23;
    case 0x13: return 24;
    default: return MODE_USB;
  }
}

// The frequency of bytes 5 to 9 (least significant pair first); a nibble above 9 ends it.
int civ_freq(const uint8_t* f) {
  int64_t value = 0;
  for (int byte = 9; byte >= 5; --byte) {
    for (int shift = 4; shift >= 0; shift -= 4) {
      const int d = (f[byte] >> shift) & 0x0F;
      if (d > 9) return static_cast<int>(value);
      value = value * 10 + d;
    }
  }
  return value > kHighestHz ? kHighestHz : static_cast<int>(value);
}

// The data-mode request for the configured type (byte 5: 04 or 06; `long_form`: 9 bytes).
void data_mode(uint8_t sub, bool on, bool long_form) {
  const int type = driver_radio_type();
  const RadioTypeRow& row = configured_radio();
  const bool civ = (sub == 0x06 && !long_form && (type == DB_IC746PRO || type == DB_IC756PRO ||
                                                    type == DB_IC756PROII || type == DB_IC756PROIII)) ||
                   (sub == 0x04 && !long_form && type == DB_IC703) ||
                   (sub == 0x06 && long_form && (type == DB_IC7700 || type == DB_IC7800)) ||
                   (sub == 0x04 && long_form && type == DB_IC7200);
  if (civ) {
    on ? civ_data_mode_on() : civ_data_mode_off();
    return;
  }
  if (!on || (sub != 0x04 && sub != 0x06) || radio_ops(row).set_mode == nullptr) return;
  switch (type) {
    case DB_FT450: case DB_SDR1000: case DB_TT588REM: radio_ops(row).set_mode(row, MODE_USB_D); return;
    case DB_FT817: case DB_FT817DIG: radio_ops(row).set_mode(row, 14); return;
    case DB_VX1700: case DB_VX1700J2B:
      if (long_form) radio_ops(row).set_mode(row, 14);
      return;
    default: return;
  }
}

struct Fixed {
  uint8_t cmd;
  int sub;  // -1: any
  std::vector<uint8_t> data;
};
const std::vector<Fixed>& fixed_answers() {
  static const std::vector<Fixed> kFixed = {
      {0x11, -1, {0x00}},         {0x12, -1, {0x00}},         {0x1A, 0x03, {0x1F}},       {0x1A, 0x08, {0x01}},
      {0x1A, 0x07, {0x00}},       {0x14, 0x01, {0x80}},       {0x14, 0x02, {0xFF}},       {0x14, 0x03, {0x00}},
      {0x14, 0x06, {0x00}},       {0x14, 0x07, {0x80}},       {0x14, 0x08, {0x80}},       {0x14, 0x0C, {0x80}},
      {0x14, 0x0D, {0x80}},       {0x15, 0x01, {0x01}},       {0x15, 0x02, {0x01, 0x20}}, {0x15, 0x11, {0x02, 0x13}},
      {0x15, 0x12, {0x00, 0x48}}, {0x15, 0x13, {0x00, 0x60}}, {0x16, 0x02, {0x00}},       {0x16, 0x12, {0x00}},
      {0x16, 0x22, {0x00}},       {0x16, 0x40, {0x00}},       {0x16, 0x41, {0x00}},       {0x16, 0x42, {0x00}},
      {0x16, 0x43, {0x00}},       {0x16, 0x44, {0x00}},       {0x16, 0x45, {0x00}},       {0x16, 0x46, {0x00}},
      {0x16, 0x47, {0x00}},       {0x16, 0x48, {0x00}},       {0x16, 0x49, {0x00}},       {0x16, 0x4B, {0x00}},
      {0x16, 0x4C, {0x00}},       {0x1C, 0x00, {0x00}},       {0x1A, 0x06, {0x00}},       {0x1C, 0x01, {0x00}},
  };
  return kFixed;
}

void handle_civ(const uint8_t* f, int n) {
  auto at = [&](int i) { return i < n ? f[i] : -1; };
  const int cmd = at(4), sub = at(5);
  // 1. Identity.
  if (cmd == 0x19 && sub == 0x00) answer({0x19, kOwn});
  // 2. Set frequency.
  if (cmd == 0x05 && n == 11) {
    if (scanning_gate()) return;
    int hz = civ_freq(f);
    if (hz < kLowestHz) hz = kLowestHz;
    emul().freq = hz;
    if (rms_block()) return;
    if (radio_flags().radio_linked_flag.load() == 0) radio_set_freq(hz);
  }
  // 3, 4. Set mode (with or without a filter byte).
  if (cmd == 0x06 && (n == 7 || n == 8)) {
    if (read_back()) emul().civ_mode = f[5];
    if (scanning_gate() || rms_block()) return;
    radio_set_mode(mode_code(f[5]));
  }
  // 5 to 8. Data mode.
  if (cmd == 0x1A && ((n == 8 && (at(6) == 0x01 || at(6) == 0x00)) ||
                      (n == 9 && ((at(6) == 0x01 && at(7) == 0x01) || (at(6) == 0x00 && at(7) == 0x00))))) {
    if (scanning_gate() || rms_block()) return;
    data_mode(f[5], at(6) == 0x01, n == 9);
  }
  // 9, 10. Transmit and receive (sub-command 00); a tuner request (01) does not key.
  if (cmd == 0x1C && n == 8 && sub == 0x00 && (at(6) == 0x01 || at(6) == 0x00)) {
    if (scanning_gate()) return;
    if (at(6) == 0x01) {
      if (radio_flags().radio_linked_flag.load() == 1) {
        if (auto& twa = serial_poll_hooks().timer_start_twa) twa();
      }
      ptt_on_manual();
    } else {
      ptt_off_manual();
    }
  }
  // 11. Read frequency, twice.
  if (cmd == 0x03) {
    const int hz = read_back() ? emul().freq.load() : db_get_current_rx_freq();
    const auto v = static_cast<uint32_t>(hz < 0 ? 0 : hz);
    auto pair = [&](uint32_t div) { return static_cast<uint8_t>((v / div % 10) | (v / (div * 10) % 10) << 4); };
    for (int i = 0; i < 2; ++i)
      answer({0x03, pair(1), pair(100), pair(10000), pair(1000000), static_cast<uint8_t>(v / 100000000u)});
  }
  // 12. Read mode.
  if (cmd == 0x04) {
    const int m = db_get_current_rx_mode();
    answer({0x04, static_cast<uint8_t>(read_back() ? emul().civ_mode.load()
                                                   : (m == MODE_LSB || m == MODE_LSB_D ? 0x00 : 0x01))});
  }
  // 13 to 48. Fixed answers.
  for (const Fixed& x : fixed_answers()) {
    if (cmd != x.cmd || (x.sub >= 0 && sub != x.sub)) continue;
    std::vector<uint8_t> body{x.cmd};
    if (x.sub >= 0) body.push_back(static_cast<uint8_t>(x.sub));
    body.insert(body.end(), x.data.begin(), x.data.end());
    std::vector<uint8_t> full{0xFE, 0xFE, kController, kOwn};
    full.insert(full.end(), body.begin(), body.end());
    full.push_back(0xFD);
    emul_send(full.data(), static_cast<int>(full.size()));
    emul_send_ack();
    break;
  }
}

}  // namespace

int emul_requested_freq() { return emul().freq.load(); }
int emul_requested_civ_mode() { return emul().civ_mode.load(); }

void emul_handle_frame(const uint8_t* frame, int length) {
  if (frame == nullptr || length <= 0) return;
  const uint8_t last = frame[length - 1];
  if (length >= 3 && frame[0] == 0xFE && frame[1] == 0xFE && last == 0xFD) {
    handle_civ(frame, length);
    return;
  }
  if (last == ';') return;  // text commands: not built yet
  emul_send_ack();
}

}  // namespace vesk
