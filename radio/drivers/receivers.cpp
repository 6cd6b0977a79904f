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

}  // namespace

CatCommand text_framed(const TextCommandSet& set, const std::string& text) {
  CatCommand c;
  return c.put(set.head).put(text.c_str()).put(set.tail);
}

const char* text_mode_of(const TextCommandSet& set, int mode) {
  for (const TextModeText& m : set.modes)
    if (m.mode == mode) return m.text;
  return set.other_mode;
}

CatCommand receiver_text(int type, const std::string& text) { return text_framed(set_of(type), text); }

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

std::string receiver_af_level(int type, int level) {
  const TextCommandSet& set = set_of(type);
  if (set.af_level_head == nullptr) return {};
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
  return std::string(set.af_level_head) + digits + set.af_level_tail;
}

}  // namespace vesk
