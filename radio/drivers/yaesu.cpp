#include "radio/drivers/yaesu.h"

#include <cstdlib>

#include "radio/drivers/cat_encode.h"

namespace vesk {

namespace {

using F = YaesuFreqForm;
using At = YaesuModeAt;

constexpr const char* kFt817Modes = "0:00 1:01 2:02 3:08 5:04 8:03 14:0A 16:0C";
constexpr const char* kFt1000Modes = "0:00 1:01 2:02 3:06 5:04 8:03 16:0B 18:07";
constexpr const char* kFt1000BModes = "0:80 1:81 2:82 3:86 5:84 8:83 16:8B 18:87";
constexpr const char* kFt920Modes = "0:00 1:01 2:03 3:06 5:04 8:02 17:07 21:08 22:0A";
constexpr const char* kFt920BModes = "0:80 1:81 2:83 3:86 5:84 8:82 16:88 17:87 21:88 22:8A";
constexpr const char* kFt847Modes = "0:00 1:01 2:02 3:08 5:04 8:03 11:82 12:83 17:88";

constexpr YaesuModel kYaesuModels[] = {
    {63, F::MsbFirst, 0x01, 0, 0x07, At::First, "0:00 1:01 2:02 3:08 5:04 11:82 17:88", nullptr, true,
     {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {64, F::LsbFirst, 0x0A, 0, 0x0C, At::Fourth, "0:00 1:01", nullptr, false, {}, {}},
    {65, F::LsbFirst, 0x08, 0, 0x0A, At::Fourth, "0:10 1:11 2:12 3:14 5:13 8:12 16:15 18:14", nullptr, false, {}, {}},
    {66, F::LsbFirst, 0x0A, 0x8A, 0x0C, At::Fourth, "0:00 1:01 2:02 5:04 11:03 19:09 20:08", nullptr, true,
     {0, 0, 0, 1, 0x0F}, {0, 0, 0, 0, 0x0F}},
    {67, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt817Modes, nullptr, true, {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {68, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt817Modes, nullptr, true, {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {69, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt817Modes, nullptr, true, {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {70, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt817Modes, nullptr, true, {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {71, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt847Modes, nullptr, true, {0, 0, 0, 0, 0x08}, {0, 0, 0, 0, 0x88}},
    {72, F::LsbFirst, 0x0A, 0, 0x0C, At::Fourth, "0:00 1:01 2:02 3:06 5:04 11:03 13:05", nullptr, true,
     {0, 0, 0, 1, 0x0F}, {0, 0, 0, 0, 0x0F}},
    {73, F::LsbFirst, 0x0A, 0x8A, 0x0C, At::Fourth, kFt920Modes, kFt920BModes, true, {0, 0, 0, 1, 0x0F},
     {0, 0, 0, 0, 0x0F}},
    {74, F::LsbFirst, 0x0A, 0x8A, 0x0C, At::Fourth, kFt920Modes, kFt920BModes, true, {0, 0, 0, 1, 0x0F},
     {0, 0, 0, 0, 0x0F}},
    {77, F::LsbFirst, 0x08, 0, 0x0A, At::Fourth, "0:10 1:11 2:13 3:17 5:14 6:16 11:12 13:15 18:17", nullptr, false,
     {}, {}},
    {78, F::LsbFirst, 0x0A, 0, 0x0C, At::Fourth, kFt1000Modes, nullptr, true, {0, 0, 0, 1, 0x0F}, {0, 0, 0, 0, 0x0F}},
    {79, F::LsbFirst, 0x0A, 0x8A, 0x0C, At::Fourth, kFt1000Modes, kFt1000BModes, true, {0, 0, 0, 1, 0x0F},
     {0, 0, 0, 0, 0x0F}},
    {80, F::LsbFirst, 0x0A, 0x8A, 0x0C, At::Fourth, kFt1000Modes, kFt1000BModes, true, {0, 0, 0, 1, 0x0F},
     {0, 0, 0, 0, 0x0F}},
    {84, F::LsbFirst, 0x0A, 0, 0x0C, At::Fourth, "0:00 1:01 2:03 3:06 4:07 5:04 7:00", nullptr, false, {}, {}},
    {85, F::LsbFirst, 0x0A, 0, 0x0C, At::Fourth, "0:01 1:02 2:0B 3:0C 5:00 7:01 11:03 13:08 18:04", nullptr, false,
     {}, {}},
    // VR-5000 CW: value 02 like the other modes' own values (the radio's CW code).
    {86, F::Vr5000, 0x01, 0, 0x07, At::Second, "0:00 1:01 2:02 3:88 5:04 7:00 11:03 13:84 18:48", nullptr, false, {},
     {}},
    {134, F::MsbFirst, 0x01, 0, 0x07, At::First, kFt817Modes, nullptr, true, {0, 0, 0, 0, 0x08},
     {0, 0, 0, 0, 0x88}},
};

}  // namespace

const YaesuModel* yaesu_model(int type) {
  for (const YaesuModel& m : kYaesuModels)
    if (m.type == type) return &m;
  return nullptr;
}

int yaesu_mode_value(const char* table, int mode) {
  if (table == nullptr) return -1;
  const char* p = table;
  while (*p != '\0') {
    char* end = nullptr;
    const long code = std::strtol(p, &end, 10);
    if (end == p || *end != ':') return -1;
    p = end + 1;
    const long value = std::strtol(p, &end, 16);
    if (end == p) return -1;
    if (code == mode) return static_cast<int>(value);
    p = end;
    while (*p == ' ') ++p;
  }
  return -1;
}

CatCommand yaesu_block(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5) {
  CatCommand c;
  c.put(b1).put(b2).put(b3).put(b4).put(b5);
  return c;
}

CatCommand yaesu_op(uint8_t param, uint8_t opcode) { return yaesu_block(0, 0, 0, param, opcode); }

CatCommand yaesu_freq_block(const YaesuModel& m, uint32_t hz, bool vfo_b) {
  const uint32_t tens = hz / 10;
  const auto whole_10mhz = static_cast<uint8_t>(hz / 10000000u);  // binary, as the radios take it
  uint8_t b[4] = {};
  const uint8_t op = vfo_b && m.vfo_b_freq_op != 0 ? m.vfo_b_freq_op : m.freq_op;
  switch (m.form) {
    case F::LsbFirst:
      bcd_lsb_first(tens, b, 3);
      return yaesu_block(b[0], b[1], b[2], whole_10mhz, op);
    case F::MsbFirst:
      bcd_msb_first(tens, b, 4);
      return yaesu_block(b[0], b[1], b[2], b[3], op);
    case F::Vr5000:
      bcd_msb_first(tens, b, 3);
      return yaesu_block(op, whole_10mhz, b[0], b[1], b[2]);
  }
  return {};
}

bool yaesu_mode_block(const YaesuModel& m, int mode, bool vfo_b, CatCommand& out) {
  const int v = yaesu_mode_value(vfo_b && m.vfo_b_modes != nullptr ? m.vfo_b_modes : m.modes, mode);
  if (v < 0) return false;
  const auto value = static_cast<uint8_t>(v);
  switch (m.mode_at) {
    case At::First: out = yaesu_block(value, 0, 0, 0, m.mode_op); break;
    case At::Fourth: out = yaesu_block(0, 0, 0, value, m.mode_op); break;
    case At::Second: out = yaesu_block(m.mode_op, value, 0x21, 0, 0); break;
  }
  return true;
}

// ---- text commands ----

YaesuAsciiSet yaesu_ascii_set(int type) { return radio_type_row(type).yaesu_ascii_set; }

CatCommand yaesu_text(const char* text) {
  CatCommand c;
  c.put(text);
  return c;
}

CatCommand yaesu_ascii_freq(uint32_t hz) {
  CatCommand c;
  c.put("FA");
  c.length += put_decimal(c.bytes + c.length, hz % 100000000u, 8);
  c.put(";");
  return c;
}

bool yaesu_ascii_mode(YaesuAsciiSet set, int mode, CatCommand& out) {
  const char* table = set == YaesuAsciiSet::Ft450 ? "0:1 1:2 2:3 3:4 5:5 6:6 7:1 8:7 10:9 13:D 17:B 21:8 22:C"
                                                  : "0:1 1:2 2:3 3:4 5:5 6:6 8:7 10:9 13:D 16:8 17:B";
  const int v = yaesu_mode_value(table, mode);
  if (v < 0) return false;
  out = yaesu_text("MD0");
  out.put(static_cast<uint8_t>(v < 10 ? '0' + v : 'A' + v - 10)).put(";");
  return true;
}

CatCommand yaesu_ascii_af_gain(int level) {
  CatCommand c = yaesu_text("AG0");
  c.length += put_decimal(c.bytes + c.length, static_cast<uint64_t>(level < 0 ? 0 : level), 3);
  c.put(";");
  return c;
}

CatCommand yaesu_ascii_tuner(YaesuAsciiSet set, int step) {
  CatCommand c = yaesu_text(set == YaesuAsciiSet::Ftdx9000 ? "AC" : "AC00");
  c.put(static_cast<uint8_t>('0' + step)).put(";");
  return c;
}

CatCommand yaesu_ascii_antenna(int port) {
  CatCommand c = yaesu_text("AN0");
  c.put(static_cast<uint8_t>('0' + port % 10)).put(";");
  return c;
}

}  // namespace vesk
