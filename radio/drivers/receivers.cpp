#include "radio/drivers/receivers.h"

#include <cstdio>

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/text_command_set.h"

namespace vesk {

namespace {

std::string fmt(const char* f, double v) {
  char t[48];
  std::snprintf(t, sizeof t, f, v);
  return t;
}
std::string digits(uint64_t v, int width) {
  uint8_t b[24];
  put_decimal(b, v, width);
  return std::string(reinterpret_cast<const char*>(b), static_cast<std::size_t>(width));
}
uint32_t limit(uint32_t hz, uint32_t lo, uint32_t hi) { return hz < lo ? lo : hz > hi ? hi : hz; }

const TextCommandSet& set_of(int type) {
  const TextCommandSet* s = radio_type_row(type).text_set;
  return s != nullptr ? *s : kTextDefault;
}

CatCommand framed(const TextCommandSet& set, const std::string& text) {
  CatCommand c;
  return c.put(set.head).put(text.c_str()).put(set.tail);
}

const char* text_mode_of(const TextCommandSet& set, int mode) {
  for (const TextModeText& m : set.modes)
    if (m.mode == mode) return m.text;
  return set.other_mode;
}

}  // namespace

CatCommand receiver_text(int type, const std::string& text) { return framed(set_of(type), text); }

bool receiver_freq(int type, uint32_t hz, CatCommand& out) {
  const TextFreqForm& f = set_of(type).freq;
  if (f.head == nullptr || (f.below != 0 && hz >= f.below)) return false;
  if (f.hi != 0) hz = limit(hz, f.lo, f.hi);
  std::string t = f.head;
  if (f.short_format != nullptr && hz <= f.short_up_to) t += fmt(f.short_format, hz / f.unit);
  else if (f.format != nullptr) t += fmt(f.format, hz / f.unit) + f.tail;
  else t += (f.width > 0 ? digits(hz / f.divisor, f.width) : std::to_string(hz / f.divisor)) + f.tail;
  out = receiver_text(type, t);
  return true;
}

bool receiver_mode(int type, int mode, CatCommand& out) {
  const char* m = text_mode_of(set_of(type), mode);
  if (m == nullptr) return false;
  out = receiver_text(type, m);
  return true;
}

bool ek890_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = text_mode_of(kTextEk89x, ch.rx_mode);
  if (m == nullptr) return false;
  out = framed(kTextEk89x, "A00F" + std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)) + "," + m);
  return true;
}

bool xk2100_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = text_mode_of(kTextXk2100, ch.rx_mode);
  if (m == nullptr) return false;
  out = framed(kTextXk2100, std::string(m) + ",F" + std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)));
  return true;
}

bool sea235_tune(const ChannelRecord& ch, CatCommand& out) {
  if (ch.rx_freq_hz < 1000000) return false;
  const std::string body = "PSEAS,15,," + std::to_string(ch.rx_freq_hz) + "," + std::to_string(ch.tx_freq_hz) +
                           ",,R,H," + (ch.rx_mode == MODE_USB ? "U" : "L");
  const uint8_t sum = xor_checksum(reinterpret_cast<const uint8_t*>(body.data()),
                                   reinterpret_cast<const uint8_t*>(body.data()) + body.size());
  uint8_t hex[2];
  put_hex_byte(hex, sum);
  out = CatCommand{};
  out.put("$").put(body.c_str()).put("*").put(hex[0]).put(hex[1]).put("\r");
  return true;
}

bool hf90m_select(const ChannelRecord& ch, CatCommand& out) {
  if (ch.in_use != 1) return false;
  uint8_t hex[2];
  put_hex_byte(hex, static_cast<uint8_t>(ch.number + 1));
  out = framed(kTextHf90m, std::string("C") + static_cast<char>(hex[0]) + static_cast<char>(hex[1]));
  return true;
}

CatCommand hf90m_memory_record(const ChannelRecord& ch) {
  const uint32_t rx = static_cast<uint32_t>(ch.rx_freq_hz) / 100u, tx = static_cast<uint32_t>(ch.tx_freq_hz) / 100u;
  uint8_t b[13] = {0x08, 0x00, static_cast<uint8_t>(ch.number * 8), 0x00,
                   static_cast<uint8_t>((ch.rx_freq_hz == ch.tx_freq_hz ? 0x10 : 0) | (ch.rx_mode == MODE_USB ? 0x08 : 0)),
                   static_cast<uint8_t>(rx), static_cast<uint8_t>(rx >> 8),
                   static_cast<uint8_t>(((rx >> 16) & 0x0F) | ((tx & 0x0F) << 4)), static_cast<uint8_t>(tx >> 4),
                   static_cast<uint8_t>(tx >> 12), static_cast<uint8_t>(ch.number + 1), 0x00, 0x00};
  b[12] = static_cast<uint8_t>(-additive_checksum(b, 12));
  CatCommand c;
  c.put(":");
  for (uint8_t v : b) {
    uint8_t hex[2];
    put_hex_byte(hex, v);
    c.put(hex[0]).put(hex[1]);
  }
  return c.put("\r\n");
}

char tci_filter_char(int hz) {
  hz = hz < 300 ? 300 : hz > 6000 ? 6000 : hz;
  if (hz <= 300) return '5';
  if (hz <= 500) return '7';
  if (hz <= 1000) return '9';
  if (hz <= 2200) return '<';
  if (hz <= 2400) return ';';
  if (hz <= 2700) return '=';
  if (hz <= 3000) return '?';
  if (hz <= 3100) return '>';
  if (hz <= 3200) return '@';
  if (hz <= 3300) return 0;
  if (hz <= 3600) return 'A';
  if (hz <= 4000) return 'B';
  return '1';
}

int cubic_bandwidth_index(int hz) {
  if (hz <= 500) return 0;
  if (hz <= 1000) return 1;
  if (hz <= 2000) return 2;
  if (hz <= 2700) return 3;
  if (hz <= 3200) return 4;
  if (hz < 8000) return 5;
  return 6;
}

int hf2050_squelch_step(double level) {
  const struct {
    double lo, hi;
    int step;
  } ranges[] = {{255, 1e9, 15}, {238, 255, 15}, {222, 238, 14}, {205, 221, 13}, {188, 204, 12}, {171, 187, 11},
                {154, 170, 10}, {137, 153, 9},  {120, 136, 8},  {103, 119, 7},  {86, 102, 6},   {67, 85, 5},
                {52, 68, 4},    {35, 51, 3},    {18, 34, 2},    {1, 17, 1},     {-1e9, 0, 0}};
  int step = 0;
  for (const auto& r : ranges)
    if (level >= r.lo && level <= r.hi) step = r.step;
  return step;
}

std::string racal_bandwidth(int type, int hz) {
  const double khz = hz <= 100 ? 0.1 : hz >= 16000 ? 16.0 : hz / 1000.0;
  const char* form = set_of(type).bandwidth_format;
  return form != nullptr ? fmt(form, khz) : std::string();
}

}  // namespace vesk
