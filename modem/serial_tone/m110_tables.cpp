// The serial-tone waveform's fixed tables.
#include "modem/serial_tone/m110_tables.h"

#include <cmath>

#include "db/options.h"

namespace vesk {

namespace {

using I = M110Interleave;
using S = M110Symbols;

constexpr M110ModeInfo kModes[kM110ModeCount] = {
    {"75NS", "75 BPS SHORT", 75, I::Short, 2, S::Walsh, 0, 0, 7, 5, 3, 15, 45, 45, 10, 9, 7, 2},
    {"75NL", "75 BPS LONG", 75, I::Long, 2, S::Walsh, 0, 0, 5, 5, 24, 15, 360, 360, 20, 36, 7, 29},
    {"150S", "150 BPS SHORT", 150, I::Short, 8, S::Bpsk, 20, 20, 7, 4, 3, 30, 90, 36, 40, 18, 9, 1},
    {"150L", "150 BPS LONG", 150, I::Long, 8, S::Bpsk, 20, 20, 5, 4, 24, 30, 720, 288, 40, 144, 9, 127},
    {"300S", "300 BPS SHORT", 300, I::Short, 4, S::Bpsk, 20, 20, 6, 7, 3, 60, 180, 36, 40, 18, 9, 1},
    {"300L", "300 BPS LONG", 300, I::Long, 4, S::Bpsk, 20, 20, 4, 7, 24, 60, 1440, 288, 40, 144, 9, 127},
    {"600S", "600 BPS SHORT", 600, I::Short, 2, S::Bpsk, 20, 20, 6, 6, 3, 120, 360, 36, 40, 18, 9, 1},
    {"600L", "600 BPS LONG", 600, I::Long, 2, S::Bpsk, 20, 20, 4, 6, 24, 120, 2880, 288, 40, 144, 9, 127},
    {"1200S", "1200 BPS SHORT", 1200, I::Short, 2, S::Qpsk, 20, 20, 6, 5, 3, 240, 720, 36, 40, 36, 9, 19},
    {"1200L", "1200 BPS LONG", 1200, I::Long, 2, S::Qpsk, 20, 20, 4, 5, 24, 240, 5760, 288, 40, 288, 9, 271},
    {"2400S", "2400 BPS SHORT", 2400, I::Short, 2, S::Psk8, 32, 16, 6, 4, 3, 480, 1440, 30, 40, 72, 9, 55},
    {"2400L", "2400 BPS LONG", 2400, I::Long, 2, S::Psk8, 32, 16, 4, 4, 24, 480, 11520, 240, 40, 576, 9, 559},
    {"2400V", "2400 BPS VOICE", 2400, I::InOrder, 2, S::Psk8, 32, 16, 7, 7, 3, 480, 1440, 30, 40, 72, 0, 0},
    {"4800S", "4800 BPS UNCODED", 4800, I::InOrder, 1, S::Psk8, 32, 16, 7, 6, 3, 960, 2880, 30, 40, 72, 0, 0},
};

constexpr float kDiag = 0.707f;

int parity(int v) { return __builtin_parity(static_cast<unsigned>(v)); }

// The sample-rate settings each nominal rate accepts: 100 Hz either side of it.
struct RateRange {
  int lowest_setting, highest_setting, rate_hz;
};

constexpr RateRange kRateRanges[] = {
    {9500, 9700, 9600},
    {7900, 8100, 8000},
    {7100, 7300, 7200},
    {6300, 6500, 6400},
};

}  // namespace

int m110_rate_of_setting(int setting) {
  for (const RateRange& r : kRateRanges)
    if (setting >= r.lowest_setting && setting <= r.highest_setting) return r.rate_hz;
  return 0;
}

const M110ModeInfo& m110_mode_info(int mode) { return kModes[m110_mode_valid(mode) ? mode : 0]; }

bool m110_mode_valid(int mode) { return mode >= 0 && mode < kM110ModeCount; }

int m110_mode_from_name(const std::string& name) {
  for (int m = 0; m < kM110ModeCount; ++m)
    if (name == kModes[m].short_name) return m;
  return -1;
}

const std::array<M110Complex, 8> kM110Constellation = {
    M110Complex(1, 0),   M110Complex(kDiag, kDiag),   M110Complex(0, 1),  M110Complex(-kDiag, kDiag),
    M110Complex(-1, 0), M110Complex(-kDiag, -kDiag), M110Complex(0, -1), M110Complex(kDiag, -kDiag)};

const float kM110TxShaping[4][8] = {
    {0.002494f, 0.0134116f, -0.0828302f, 0.568675f, 0.568675f, -0.0828302f, 0.0134116f, 0.002494f},
    {0.00244339f, 0.00936788f, -0.0588326f, 0.306039f, 0.782421f, -0.0474307f, 0.00652976f, 0.00334119f},
    {0.00163156f, 0.00433419f, -0.0195398f, 0.0828993f, 0.864851f, 0.0828993f, -0.0195398f, 0.00433419f},
    {-0.000378252f, 0.00334119f, 0.00652976f, -0.0474307f, 0.782421f, 0.306039f, -0.0588326f, 0.00936788f},
};

const uint8_t kM110SymbolPattern[8][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 4, 0, 4, 0, 4, 0, 4}, {0, 0, 4, 4, 0, 0, 4, 4}, {0, 4, 4, 0, 0, 4, 4, 0},
    {0, 0, 0, 0, 4, 4, 4, 4}, {0, 4, 0, 4, 4, 0, 4, 0}, {0, 0, 4, 4, 4, 4, 0, 0}, {0, 4, 4, 0, 4, 0, 0, 4},
};

const uint8_t kM110PreambleScramble[32] = {7, 4, 3, 0, 5, 1, 5, 0, 2, 2, 1, 1, 5, 7, 4, 3,
                                           5, 0, 2, 6, 2, 1, 6, 2, 0, 0, 5, 0, 5, 2, 6, 6};

const uint8_t kM110SyncSymbols[9] = {0, 1, 3, 0, 1, 3, 1, 2, 0};

std::array<int, 3> m110_count_symbols(int count) {
  return {4 + (count / 16) % 4, 4 + (count / 4) % 4, 4 + count % 4};
}

std::array<uint8_t, 32> m110_preamble_symbol_tribits(int s) {
  std::array<uint8_t, 32> out{};
  for (int j = 0; j < 32; ++j) out[j] = static_cast<uint8_t>((kM110SymbolPattern[s][j % 8] + kM110PreambleScramble[j]) % 8);
  return out;
}

const std::array<uint8_t, kM110ScramblerLength>& m110_scrambler_tribits() {
  static const std::array<uint8_t, kM110ScramblerLength> table = [] {
    std::array<uint8_t, kM110ScramblerLength> t{};
    int st[12] = {1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 0, 1};
    for (int i = 0; i < kM110ScramblerLength; ++i) {
      for (int shift = 0; shift < 8; ++shift) {
        const int carry = st[11];
        for (int k = 11; k > 0; --k) st[k] = st[k - 1];
        st[0] = carry;
        st[1] ^= carry;
        st[4] ^= carry;
        st[6] ^= carry;
      }
      t[i] = static_cast<uint8_t>(st[0] + 2 * st[1] + 4 * st[2]);
    }
    return t;
  }();
  return table;
}

const std::array<M110Complex, kM110ScramblerLength>& m110_scrambler_points() {
  static const std::array<M110Complex, kM110ScramblerLength> table = [] {
    std::array<M110Complex, kM110ScramblerLength> t{};
    for (int i = 0; i < kM110ScramblerLength; ++i) t[i] = kM110Constellation[m110_scrambler_tribits()[i]];
    return t;
  }();
  return table;
}

const uint8_t kM110WalshNormal[4][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0}, {0, 4, 0, 4, 0, 4, 0, 4}, {0, 0, 4, 4, 0, 0, 4, 4}, {0, 4, 4, 0, 0, 4, 4, 0}};
const uint8_t kM110WalshExceptional[4][8] = {
    {0, 0, 0, 0, 4, 4, 4, 4}, {0, 4, 0, 4, 4, 0, 4, 0}, {0, 0, 4, 4, 4, 4, 0, 0}, {0, 4, 4, 0, 4, 0, 0, 4}};
const uint8_t kM110WalshOfDibit[4] = {0, 1, 2, 3};

const uint8_t kM110QpskOfDibit[4] = {0, 2, 6, 4};
const uint8_t kM110Psk8OfTribit[8] = {0, 1, 3, 2, 7, 6, 4, 5};
const uint8_t kM110Psk8OfTribit4800[8] = {1, 0, 2, 3, 6, 7, 5, 4};

std::array<uint8_t, 20> m110_probe_tribits(int d) {
  std::array<uint8_t, 20> out{};
  for (int j = 0; j < 16; ++j) out[j] = kM110SymbolPattern[d][j % 8];
  return out;
}

int m110_coder_output(int reg) {
  const int c1 = parity(reg & 0b1011011);  // bits 0, 1, 3, 4, 6
  const int c2 = parity(reg & 0b1111001);  // bits 0, 3, 4, 5, 6
  return c1 << 1 | c2;
}

int M110Coder::encode(int bit) {
  reg = (reg >> 1) | ((bit & 1) << 6);
  return m110_coder_output(reg);
}

float m110_carrier_step(int centre_hz, int rate_setting) {
  const int rate = m110_rate_of_setting(rate_setting);
  if (rate == 0) return 0;
  return static_cast<float>(2.0 * M_PI * centre_hz / rate);
}

float m110_carrier_step_from_settings() {
  return m110_carrier_step(db_get_modem_centre_freq(), db_get_modem_sample_rate());
}

}  // namespace vesk
