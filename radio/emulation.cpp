// The radio emulation port: CI-V frames (an IC-746PRO at address 66) and Kenwood-style text
// commands (a TS-480, "ID020;"). Frequency, mode and keying requests reach the radio; the
// queries a logging or digital-mode program makes are answered from the current channel or
// with fixed texts. CI-V set commands get no answer; each answer leaves at once (the program
// never acknowledges). Two requests are handled more safely than a radio's own rules would: a
// tuner request (1C 01 01) does not key the transmitter, and every frequency digit is read
// (144 MHz is not taken for 44 MHz; the bounds then apply).
#include "radio/emulation.h"

#include <atomic>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <string>
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
  int text_mode = 0;      // the Kenwood mode number of the last MD set form (worker thread only)
  std::string rx_answer;  // the answer to the next RX; / RX0; (worker thread only)
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
  const RadioTypeRow& row = configured_radio();
  // A CI-V radio takes the request in its own data-mode form.
  const bool civ = row.civ_data_mode == (long_form ? CivDataMode::Long : CivDataMode::Short) &&
                   sub == row.civ_data_mode_sub;
  if (civ) {
    on ? civ_data_mode_on() : civ_data_mode_off();
    return;
  }
  if (!on || (sub != 0x04 && sub != 0x06) || radio_ops(row).set_mode == nullptr) return;
  switch (row.emulation_data_mode) {
    case EmulationDataMode::UsbD: radio_ops(row).set_mode(row, MODE_USB_D); return;
    case EmulationDataMode::DataMode: radio_ops(row).set_mode(row, 14); return;
    case EmulationDataMode::DataModeLongForm:
      if (long_form) radio_ops(row).set_mode(row, 14);
      return;
    case EmulationDataMode::None: return;
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


// ---- text commands (a Kenwood-style radio whose identity is "ID020;") ----

void say(const std::string& t) {
  emul_send(reinterpret_cast<const uint8_t*>(t.data()), static_cast<int>(t.size()));
  emul_send_ack();
}

// Eleven digits of hertz (leading zeros), whatever the frequency.
std::string eleven(int hz) {
  char t[24];
  std::snprintf(t, sizeof t, "%011d", hz < 0 ? 0 : hz);
  return t;
}
char channel_mode_digit() {
  const int m = db_get_current_rx_mode();
  return m == MODE_LSB || m == MODE_LSB_D ? '1' : '2';
}

struct TextMode {
  int code;
  int number;
};
TextMode text_mode(char c) {
  switch (c) {
    case '1': return {MODE_LSB, 1};
    case '2': return {MODE_USB, 2};
    case '3': return {MODE_CW, 3};
    case '4': return {MODE_FM, 4};
    case '5': return {MODE_AM, 5};
    case '6': return {MODE_FSK, 6};
    case '7': return {MODE_CW_R, 7};
    case '9': return {MODE_FSK_R, 9};
    default: return {MODE_USB, 2};
  }
}

// The fixed entries, in table order: the two letters, the set form's length (0: none; echoed
// whole unless `set_answer`), the read form (its exact text; empty: "XX;"), and the answer.
struct TextEntry {
  const char* letters;
  int set_length;
  const char* read;  // null: no read form
  const char* answer;
  const char* set_answer = nullptr;
};
const std::vector<TextEntry>& text_entries() {
  static const std::vector<TextEntry> k = {
      {"AC", 6, "", "AC000;"},   {"AG", 7, "AG0;", "AG0100;"}, {"GT", 6, "", "GT001;"},  {"AI", 4, "", "AI0;"},
      {"AN", 4, "", "AN1;"},     {"AS", 18, nullptr, ""},      {"BC", 4, "", "BC0;"},    {"BY", 0, "", "BC10;"},
      {"CA", 4, "", "CA0;"},     {"CN", 5, "", "CN00;"},       {"CT", 4, "", "CT0;"},    {"DL", 6, "", "DL000;"},
      {"EX", 10, "", "EX00000000;"}, {"FR", 4, nullptr, ""},   {"FS", 4, "", "FS0;"},    {"FT", 4, "", "FT0;"},
      {"FW", 7, "", "FW0000;"},  {"GT", 6, "", "GT000;"},      {"ID", 0, "", "ID020;"},  {"IS", 7, "", "IS 0000;"},
      {"KS", 6, "", "KS060;"},   {"KY", 28, "", "KY1;", "KY1;"}, {"LK", 5, "", "LK00;"}, {"MC", 6, "", "MC001;"},
      {"MF", 4, "", "MF0;"},     {"MG", 6, "", "MG075;"},      {"ML", 6, "", "ML000;"},
      {"MR", 0, "", "MR000100010000000200000000000000000000010AAAAAAAA;"},
      {"NB", 4, "", "NB0;"},     {"NL", 6, "", "NL000;"},      {"NR", 4, "", "NR0;"},    {"OP", 0, "", "OP100;"},
      {"PA", 4, "", "PA00;"},    {"PB", 4, "", "PB000;"},      {"PC", 6, "", "PC200;"},  {"PL", 9, "", "PL050050;"},
      {"PR", 4, "", "PR0;"},     {"PS", 4, "", "PS1;"},        {"QR", 5, "", "QR00;"},   {"RA", 5, "", "RA0000;"},
      {"RD", 8, "", "RD1;"},     {"RG", 6, "", "RG100;"},      {"RL", 5, "", "RL00;"},   {"RM", 4, "", "RM10000;"},
      {"RS", 0, "", "RS0;"},     {"RT", 4, "", "RT0;"},        {"RC", 0, "", "RC;"},     {"SQ", 7, "SQ0;", "SQ0000;"},
      {"SQ", 0, "", "SQ0000;"},  {"SH", 0, "", "SH0801;"},     {"SD", 0, "", "SD1000;"}, {"SL", 0, "", "SL06;"},
      {"SM", 0, "SM0;", "SM0011;"}, {"TN", 0, "", "TN00;"},    {"TO", 0, "", "TO0;"},    {"TS", 0, "", "TS0;"},
      {"VD", 0, "", "VD1500;"},  {"VG", 0, "", "VD005;"},      {"VX", 0, "", "VX0;"},
  };
  return k;
}

void handle_text(const std::string& f) {
  const int n = static_cast<int>(f.size());
  EmulState& e = emul();
  const bool rx_query = read_back();
  // FA and FB set forms, anchored at the end: F, A or B, eleven characters ending in 0, ";".
  if (n >= 14) {
    const std::string tail = f.substr(static_cast<std::size_t>(n - 14));
    if (tail[0] == 'F' && tail[1] == 'A' && tail[12] == '0') {
      const int hz = static_cast<int>(std::strtol(tail.substr(2, 11).c_str(), nullptr, 10));  // every digit
      if (rms_block()) e.freq = hz, say(tail);
      if (scanning_gate() || rms_block()) return;
      e.freq = hz;
      const int clamped = hz < kLowestHz ? kLowestHz : hz > kHighestHz ? kHighestHz : hz;
      if (radio_flags().radio_linked_flag.load() == 0) {
        radio_set_vfo_freq(clamped);
        radio_set_freq(clamped);
        say(tail);
      }
    }
    if (tail[0] == 'F' && tail[1] == 'B' && tail[12] == '0') say(tail);
  }
  if (f == "FA;") say("FA" + eleven(rx_query ? e.freq.load() : db_get_current_rx_freq()) + ";");
  if (f == "FB;") say("FB" + eleven(db_get_current_tx_freq()) + ";");
  if (n == 4 && f.compare(0, 2, "MD") == 0) {
    const char c = f[2];
    if (rms_block()) say(std::string("MD") + c + ";");
    e.text_mode = text_mode(c).number;
    if (scanning_gate() || rms_block()) return;
    radio_set_mode(text_mode(c).code);
    say(std::string("MD") + c + ";");
  }
  if (f == "MD;") say(rx_query ? "MD" + std::to_string(e.text_mode % 10) + ";" : std::string("MD") + channel_mode_digit() + ";");
  if (f == "IF;") {
    const int hz = rx_query ? e.freq.load() : db_get_current_rx_freq();
    const char mode = rx_query ? static_cast<char>('0' + e.text_mode % 10) : channel_mode_digit();
    say("IF" + eleven(hz) + "     +0000000000" + mode + "000000 ;");
  }
  if (n == 6 && f.compare(0, 2, "AS") == 0) say("AS007" + eleven(db_get_current_rx_freq()) + channel_mode_digit() + ";");
  // Transmit and receive.
  if (f == "TX;" || f == "TX0;" || f == "TX1;") {
    if (scanning_gate()) return;
    if (radio_flags().radio_linked_flag.load() == 1) {
      if (auto& twa = serial_poll_hooks().timer_start_twa) twa();
    }
    ptt_on_manual();
    e.rx_answer = f == "TX;" ? "RX;" : "RX0;";
    say(f == "TX;" ? "TX;" : "TX0;");
  }
  if (f == "RX;" || f == "RX0;") {
    if (scanning_gate()) return;
    ptt_off_manual();
    if (!e.rx_answer.empty()) say(e.rx_answer);
  }
  // The fixed entries, in order; each that matches answers.
  for (const TextEntry& t : text_entries()) {
    if (f.compare(0, 2, t.letters) != 0) continue;
    if (t.set_length > 0 && n == t.set_length) say(t.set_answer != nullptr ? t.set_answer : f);
    if (t.read != nullptr && f == (*t.read != '\0' ? std::string(t.read) : std::string(t.letters) + ";") &&
        *t.answer != '\0')
      say(t.answer);
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
  if (last == ';') {
    handle_text(std::string(reinterpret_cast<const char*>(frame), static_cast<std::size_t>(length)));
    return;
  }
  emul_send_ack();
}

}  // namespace vesk
