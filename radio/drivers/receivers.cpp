#include "radio/drivers/receivers.h"

#include <cstdio>

#include "radio/drivers/cat_encode.h"
#include "radio/drivers/radio_types.h"

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
double mhz(uint32_t hz) { return static_cast<double>(hz) / 1e6; }
uint32_t limit(uint32_t hz, uint32_t lo, uint32_t hi) { return hz < lo ? lo : hz > hi ? hi : hz; }

bool jrc(int t) { return t == DB_JST245 || (t >= DB_NRD345 && t <= DB_NRD545); }
bool cubic(int t) { return (t >= DB_R3030STX1 && t <= DB_R3030STX3) || t == DB_R2411U; }
bool drake(int t) { return t >= DB_R8 && t <= DB_R8B; }

const char* rs_mode(int type, int mode) {
  switch (mode) {
    case MODE_LSB: return "I3";
    case MODE_USB: return "I2";
    case MODE_CW: return "I5";
    case MODE_AM: return "I1";
    default: break;
  }
  if (type != DB_EK2000) return nullptr;
  switch (mode) {
    case MODE_FM: case MODE_FMW: return "I9";
    case MODE_RTTY: case 15: return "I3";
    default: return nullptr;
  }
}

const char* xk_mode(int mode) {
  switch (mode) {
    case MODE_LSB: case MODE_RTTY: return "I3";
    case MODE_CW: return "I5";
    case MODE_FM: return "I9";
    case MODE_AM: return "I1";
    case MODE_FSK: return "I6";
    case 15: return "I13";
    case MODE_FMW: return nullptr;
    default: return "I2";  // USB and every other code
  }
}

}  // namespace

CatCommand receiver_text(int type, const std::string& text) {
  CatCommand c;
  if (cubic(type)) {
    const int stx = type == DB_R3030STX2 ? 2 : type == DB_R3030STX3 ? 3 : 1;
    for (int i = 0; i < stx; ++i) c.put(uint8_t{0x02});
    c.put(type == DB_R2411U ? "1" : "01");
    return c.put(text.c_str()).put("\r");
  }
  switch (type) {
    case DB_TCI8174: return c.put("{A").put(text.c_str()).put("  }");
    case DB_EK2000: case DB_WJ8711: case DB_HF1000: return c.put(text.c_str()).put("\n");
    case DB_AR8600: case DB_ARONE: return c.put(text.c_str()).put("\r\n");
    case DB_XK2100: return c.put("\n").put(text.c_str()).put("\r");
    case DB_SDR1000: return c.put(text.c_str());  // the text carries its ";"
    case DB_HF90M: return c.put(text.c_str()).put("\r\n");
    default: return c.put(text.c_str()).put("\r");
  }
}

bool receiver_freq(int type, uint32_t hz, CatCommand& out) {
  std::string t;
  if (type == DB_JST245) t = "F" + digits(hz, 10) + "A";
  else if (type == DB_NRD545) t = "F" + digits(hz, 10);
  else if (type == DB_NRD525) t = "F" + digits(hz / 10, 7);
  else if (jrc(type)) t = "F" + digits(hz, 8);
  else if (type == DB_TCI8174) {
    if (hz >= 30000000u) return false;
    t = "f" + digits(hz, 8);
  } else if (cubic(type)) t = "F" + digits(limit(hz, 10000, 30000000), 8);
  else if (type == DB_RA6830JD) t = "$85F " + fmt("%2.6f", mhz(hz)) + "TF";
  else if (type == DB_RA6790GM) t = "$1F " + fmt("%2.6f", mhz(hz));
  else if (type == DB_EK2000) t = "A00F" + std::to_string(limit(hz, 10000, 30000000));
  // Kilohertz with two decimals: eight characters that carry the frequency down to 10 Hz.
  else if (type == DB_HF2050) t = "FR " + fmt("%8.2f", hz / 1e3);
  else if (type == DB_AR8600) t = hz <= 3000000u ? "RF" + fmt("%1.3f", mhz(hz)) : "RF" + fmt("%1.4f", mhz(hz)) + "0";
  else if (type == DB_AR5000) t = "RF" + fmt("%4.6f", mhz(hz));
  else if (type == DB_ARONE) t = "RF" + fmt("%1.9f", mhz(hz));
  else if (drake(type)) {
    double v = mhz(hz);
    v = v < 0.1 ? 0.1 : v > 30.0 ? 30.0 : v;
    t = "F " + fmt("%3.5f", v);
  } else if (type == DB_WJ8711 || type == DB_HF1000) t = "FRQ " + fmt("%8.6f", mhz(hz));
  else if (type == DB_SDR1000) t = "FA00" + digits(hz, 9) + ";";
  else if (type == DB_CODAN) t = "freq " + std::to_string(hz / 1000u);
  else if (type == DB_XK2100) t = "F" + std::to_string(hz);
  else return false;
  out = receiver_text(type, t);
  return true;
}

bool receiver_mode(int type, int mode, CatCommand& out) {
  std::string t;
  auto pick = [&](std::initializer_list<std::pair<int, const char*>> map) {
    for (const auto& [m, text] : map)
      if (m == mode) return std::string(text);
    return std::string();
  };
  if (jrc(type)) t = pick({{0, "D3"}, {1, "D2"}, {2, "D1"}, {3, "D5"}, {4, "D5"}, {5, "D4"}, {7, "D0"}});
  else if (type == DB_TCI8174) t = pick({{0, "eL4"}, {1, "eL3"}, {2, "eL2"}, {5, "eL1"}, {7, "eL4"}, {15, "eL5"}});
  else if (cubic(type))
    t = pick({{0, "ML"}, {1, "MU"}, {2, "MC"}, {3, "MF"}, {4, "MF"}, {5, "MA"}, {7, "ML"}});
  else if (type == DB_RA6830JD)
    t = pick({{0, "$85D5"}, {1, "$85D4"}, {2, "$85D3"}, {3, "$85D2"}, {4, "$85D2"}, {5, "$85D1"}, {7, "$85D5"}});
  else if (type == DB_RA6790GM)
    t = pick({{0, "$1D6"}, {1, "$1D7"}, {2, "$1D3"}, {3, "$1D2"}, {4, "$1D2"}, {5, "$1D1"}, {7, "$1D3"}});
  else if (type == DB_EK2000) {
    if (const char* m = rs_mode(type, mode)) t = std::string("A00") + m;
  } else if (type == DB_HF2050)
    t = pick({{0, "MO LS"}, {1, "MO US"}, {2, "MO CW"}, {5, "MO AM"}, {7, "MO LS"}, {15, "MO IS"}});
  else if (type == DB_AR8600 || type == DB_ARONE)
    t = pick({{0, "MD4"}, {1, "MD3"}, {2, "MD5"}, {3, "MD1"}, {4, "MD0"}, {5, "MD7"}, {7, "MD4"}});
  else if (type == DB_AR5000) t = pick({{0, "MD2"}, {1, "MD3"}, {2, "MD4"}, {3, "MD0"}, {4, "MD0"}, {5, "MD1"}});
  else if (drake(type)) {
    t = pick({{0, "M2"}, {1, "M1"}, {2, "M4"}, {3, "M5"}, {4, "M1"}, {5, "M6"}, {7, "M3"}});
    if (t.empty()) t = "M1";
  } else if (type == DB_WJ8711 || type == DB_HF1000)
    t = pick({{0, "DET 5"}, {1, "DET 4"}, {2, "DET 3"}, {3, "DET 2"}, {4, "DET 2"}, {5, "DET 1"}, {7, "DET 4"}});
  else if (type == DB_SDR1000)
    t = pick({{0, "ZZMD00;"}, {7, "ZZMD00;"}, {1, "ZZMD01;"}, {2, "ZZMD03;"}, {8, "ZZMD04;"}, {3, "ZZMD05;"},
              {5, "ZZMD06;"}, {22, "ZZMD07;"}, {21, "ZZMD09;"}});
  else if (type == DB_CODAN)
    t = pick({{0, "mode lsb"}, {2, "mode lsb"}, {7, "mode lsb"}, {1, "mode usb"}, {5, "mode am"}});
  else if (type == DB_XK2100) {
    if (const char* m = xk_mode(mode)) t = m;
  }
  if (t.empty()) return false;
  out = receiver_text(type, t);
  return true;
}

bool ek890_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = rs_mode(DB_EK890, ch.rx_mode);
  if (m == nullptr) return false;
  out = CatCommand{};
  out.put("\nA00F").put(std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)).c_str()).put(",").put(m).put("\r");
  return true;
}

bool xk2100_tune(const ChannelRecord& ch, CatCommand& out) {
  const char* m = xk_mode(ch.rx_mode);
  if (m == nullptr) return false;
  out = receiver_text(DB_XK2100, std::string(m) + ",F" + std::to_string(static_cast<uint32_t>(ch.rx_freq_hz)));
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
  out = receiver_text(DB_HF90M, std::string("C") + static_cast<char>(hex[0]) + static_cast<char>(hex[1]));
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
  return type == DB_RA6830JD ? "$85I" + fmt("%2.1f", khz) : "$1I" + fmt("%2.2f", khz);
}

}  // namespace vesk
