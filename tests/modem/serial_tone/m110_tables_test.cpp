// The serial-tone tables against the waveform's figures, typed in here independently of the
// code's tables.
#include "modem/serial_tone/m110_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vesk {
namespace {

struct ModeRow {
  const char* name;
  int bps, d1, d2, segments, rows, columns, row_step, column_step;
  int data_per_frame, probe_per_frame, bits_per_block, frames_per_block;
};

// Rows x columns, row step and column step (the column count minus the waveform's column
// decrement: 7 at 75 bit/s, 17 elsewhere).
const ModeRow kModeRows[kM110ModeCount] = {
    {"75NS", 75, 7, 5, 3, 10, 9, 7, 9 - 7, 0, 0, 45, 45},
    {"75NL", 75, 5, 5, 24, 20, 36, 7, 36 - 7, 0, 0, 360, 360},
    {"150S", 150, 7, 4, 3, 40, 18, 9, 18 - 17, 20, 20, 90, 36},
    {"150L", 150, 5, 4, 24, 40, 144, 9, 144 - 17, 20, 20, 720, 288},
    {"300S", 300, 6, 7, 3, 40, 18, 9, 18 - 17, 20, 20, 180, 36},
    {"300L", 300, 4, 7, 24, 40, 144, 9, 144 - 17, 20, 20, 1440, 288},
    {"600S", 600, 6, 6, 3, 40, 18, 9, 18 - 17, 20, 20, 360, 36},
    {"600L", 600, 4, 6, 24, 40, 144, 9, 144 - 17, 20, 20, 2880, 288},
    {"1200S", 1200, 6, 5, 3, 40, 36, 9, 36 - 17, 20, 20, 720, 36},
    {"1200L", 1200, 4, 5, 24, 40, 288, 9, 288 - 17, 20, 20, 5760, 288},
    {"2400S", 2400, 6, 4, 3, 40, 72, 9, 72 - 17, 32, 16, 1440, 30},
    {"2400L", 2400, 4, 4, 24, 40, 576, 9, 576 - 17, 32, 16, 11520, 240},
    {"2400V", 2400, 7, 7, 3, 40, 72, 0, 0, 32, 16, 1440, 30},
    {"4800S", 4800, 7, 6, 3, 40, 72, 0, 0, 32, 16, 2880, 30},
};

TEST(M110Tables, EveryModeMatchesTheWaveformTable) {
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    const ModeRow& r = kModeRows[mode];
    const M110ModeInfo& m = m110_mode_info(mode);
    SCOPED_TRACE(r.name);
    EXPECT_EQ(m110_mode_from_name(r.name), mode);
    EXPECT_EQ(m.bits_per_second, r.bps);
    EXPECT_EQ(m.d1, r.d1);
    EXPECT_EQ(m.d2, r.d2);
    EXPECT_EQ(m.segments, r.segments);
    EXPECT_EQ(m.rows, r.rows);
    EXPECT_EQ(m.columns, r.columns);
    EXPECT_EQ(m.row_step, r.row_step);
    EXPECT_EQ(m.column_step, r.column_step);
    EXPECT_EQ(m.data_per_frame, r.data_per_frame);
    EXPECT_EQ(m.probe_per_frame, r.probe_per_frame);
    EXPECT_EQ(m.bits_per_block, r.bits_per_block);
    EXPECT_EQ(m.frames_per_block, r.frames_per_block);
    // One fifth of the rate per 200 ms; a block is 3 chunks (short, in order) or 24 (long).
    EXPECT_EQ(m.bits_per_chunk, r.bps / 5);
    EXPECT_EQ(m.chunks_per_block(), r.segments);
    // Every 200 ms is 480 symbols: data and probes, or fifteen 32-symbol sequences.
    const int coded = m.bits_per_chunk * m.expansion;
    const int data_symbols = m.symbols == M110Symbols::Walsh ? 15 * 32
                             : m.symbols == M110Symbols::Bpsk ? coded
                             : m.symbols == M110Symbols::Qpsk ? coded / 2
                                                              : coded / 3;
    const int probes = m.data_per_frame == 0 ? 0 : data_symbols / m.data_per_frame * m.probe_per_frame;
    EXPECT_EQ(data_symbols + probes, kM110ChunkSymbols);
    EXPECT_EQ(m.capacity(), r.bits_per_block * m.expansion);
  }
  EXPECT_EQ(m110_mode_from_name("600s"), -1);
  EXPECT_EQ(m110_mode_from_name(""), -1);
}

// The impulse response of each output, read as an octal number, is its generator.
TEST(M110Tables, CoderGeneratorsAre133And171) {
  M110Coder coder;
  int g1 = 0, g2 = 0;
  for (int i = 0; i < 7; ++i) {
    const int pair = coder.encode(i == 0 ? 1 : 0);
    g1 = g1 << 1 | pair >> 1;
    g2 = g2 << 1 | (pair & 1);
  }
  EXPECT_EQ(g1, 0133);
  EXPECT_EQ(g2, 0171);
}

TEST(M110Tables, ScramblerStartsWithTheKnownTribits) {
  const int first[16] = {0, 2, 4, 3, 3, 6, 4, 5, 7, 6, 7, 0, 5, 5, 4, 3};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(m110_scrambler_tribits()[static_cast<std::size_t>(i)], first[i]) << i;
  for (int i = 0; i < kM110ScramblerLength; ++i)
    EXPECT_EQ(m110_scrambler_points()[static_cast<std::size_t>(i)],
              kM110Constellation[m110_scrambler_tribits()[static_cast<std::size_t>(i)]]);
}

TEST(M110Tables, SymbolMaps) {
  // Tribit k sits at k x 45 degrees.
  for (int k = 0; k < 8; ++k) {
    EXPECT_NEAR(std::arg(kM110Constellation[static_cast<std::size_t>(k)]),
                std::remainder(k * M_PI / 4, 2 * M_PI), 1e-3) << k;
    EXPECT_NEAR(std::abs(kM110Constellation[static_cast<std::size_t>(k)]), 1.0, 2e-4) << k;  // 0.707 x sqrt 2
  }
  // QPSK dibits 00 01 10 11; 8-PSK tribits 000 ... 111 at 2400 bit/s and the map of its own at
  // 4800 bit/s, both Gray coded (neighbours differ in one bit).
  const int qpsk[4] = {0, 2, 6, 4};
  const int psk8[8] = {0, 1, 3, 2, 7, 6, 4, 5};
  const int psk8_4800[8] = {1, 0, 2, 3, 6, 7, 5, 4};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kM110QpskOfDibit[i], qpsk[i]);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kM110Psk8OfTribit[i], psk8[i]);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(kM110Psk8OfTribit4800[i], psk8_4800[i]);
  for (const uint8_t* map : {kM110Psk8OfTribit, kM110Psk8OfTribit4800})
    for (int i = 0; i < 8; ++i) {
      int bits_of_next = 0;
      for (int j = 0; j < 8; ++j)
        if (map[j] == (map[i] + 1) % 8) bits_of_next = j;
      EXPECT_EQ(__builtin_popcount(static_cast<unsigned>(i ^ bits_of_next)), 1) << i;
    }
  // 75 bit/s: dibits 00 01 10 11 select sequences 0 1 2 3.
  const int walsh[4] = {0, 1, 2, 3};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kM110WalshOfDibit[i], walsh[i]);
  const char* normal[4] = {"00000000", "04040404", "00440044", "04400440"};
  const char* exceptional[4] = {"00004444", "04044040", "00444400", "04404004"};
  for (int r = 0; r < 4; ++r)
    for (int k = 0; k < 8; ++k) {
      EXPECT_EQ(kM110WalshNormal[r][k], normal[r][k] - '0') << r;
      EXPECT_EQ(kM110WalshExceptional[r][k], exceptional[r][k] - '0') << r;
    }
}

TEST(M110Tables, PreamblePieces) {
  const int scramble[32] = {7, 4, 3, 0, 5, 1, 5, 0, 2, 2, 1, 1, 5, 7, 4, 3,
                            5, 0, 2, 6, 2, 1, 6, 2, 0, 0, 5, 0, 5, 2, 6, 6};
  const int sync[9] = {0, 1, 3, 0, 1, 3, 1, 2, 0};
  for (int i = 0; i < 32; ++i) EXPECT_EQ(kM110PreambleScramble[i], scramble[i]);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(kM110SyncSymbols[i], sync[i]);
  // Symbol 6 (pattern 0 0 4 4 4 4 0 0) plus the scrambling sequence, modulo 8.
  const auto six = m110_preamble_symbol_tribits(6);
  const int pattern6[8] = {0, 0, 4, 4, 4, 4, 0, 0};
  for (int j = 0; j < 32; ++j) EXPECT_EQ(six[static_cast<std::size_t>(j)], (pattern6[j % 8] + scramble[j]) % 8);
  struct Count {
    int count, c1, c2, c3;
  };
  for (Count c : {Count{0, 4, 4, 4}, Count{1, 4, 4, 5}, Count{2, 4, 4, 6}, Count{23, 5, 5, 7}}) {
    const auto s = m110_count_symbols(c.count);
    EXPECT_EQ(s[0], c.c1) << c.count;
    EXPECT_EQ(s[1], c.c2) << c.count;
    EXPECT_EQ(s[2], c.c3) << c.count;
  }
  // A probe: the D pattern twice, then four zeros (16 of them used at 2400 and 4800 bit/s).
  const auto probe = m110_probe_tribits(5);
  const int want[20] = {0, 4, 0, 4, 4, 0, 4, 0, 0, 4, 0, 4, 4, 0, 4, 0, 0, 0, 0, 0};
  for (int j = 0; j < 20; ++j) EXPECT_EQ(probe[static_cast<std::size_t>(j)], want[j]);
}

// Each nominal rate takes the settings up to 100 Hz either side of it, both ends included.
TEST(M110Tables, RateOfSettingAtTheRangeEnds) {
  struct Case {
    int setting, rate_hz;
  };
  for (Case c : {Case{9499, 0}, Case{9500, 9600}, Case{9700, 9600}, Case{9701, 0}, Case{7899, 0}, Case{7900, 8000},
                 Case{8100, 8000}, Case{8101, 0}, Case{7099, 0}, Case{7100, 7200}, Case{7300, 7200}, Case{7301, 0},
                 Case{6299, 0}, Case{6300, 6400}, Case{6500, 6400}, Case{6501, 0}, Case{0, 0}, Case{-9600, 0}})
    EXPECT_EQ(m110_rate_of_setting(c.setting), c.rate_hz) << c.setting;
}

TEST(M110Tables, CarrierStepFromSettings) {
  struct Case {
    int centre, setting;
    double hz_on_air;  // at 9,600 Hz playback; -1: the carrier stands still
  };
  for (Case c : {Case{1200, 6400, 1800}, Case{1500, 8000, 1800}, Case{1800, 9600, 1800}, Case{1800, 9650, 1800},
                 Case{1200, 7200, 1600}, Case{1800, 5000, -1}}) {
    const double step = m110_carrier_step(c.centre, c.setting);
    if (c.hz_on_air < 0) {
      EXPECT_EQ(step, 0) << c.setting;
    } else {
      EXPECT_NEAR(step * 9600 / (2 * M_PI), c.hz_on_air, 0.01) << c.setting;
    }
  }
}

}  // namespace
}  // namespace vesk
