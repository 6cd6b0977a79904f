// Coder and Viterbi decoder, interleaver and deinterleaver of the serial-tone modem.
#include "modem/serial_tone/m110_fec.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vesk {
namespace {

// Codes `bits`, adds soft-value noise of standard deviation `sigma` around +1 / -1, decodes and
// returns the decoded bits aligned with the input (the first 143 outputs dropped).
std::vector<int> code_and_decode(const std::vector<int>& bits, double sigma, int seed) {
  std::mt19937 rng(static_cast<unsigned>(seed));
  std::normal_distribution<float> noise(0, static_cast<float>(sigma));
  M110Coder coder;
  M110Viterbi viterbi;
  std::vector<int> out;
  for (std::size_t i = 0; i < bits.size() + M110Viterbi::kDelay; ++i) {
    const int pair = coder.encode(i < bits.size() ? bits[i] : 0);
    const float a = ((pair >> 1) ? -1.0f : 1.0f) + noise(rng);
    const float b = ((pair & 1) ? -1.0f : 1.0f) + noise(rng);
    const int bit = viterbi.step(a, b);
    if (i >= static_cast<std::size_t>(M110Viterbi::kDelay)) out.push_back(bit);
  }
  return out;
}

TEST(M110Fec, ViterbiReturnsTheCodedBits) {
  std::mt19937 rng(7);
  std::vector<int> bits(3000);
  for (int& b : bits) b = static_cast<int>(rng() & 1);
  struct Case {
    double sigma;
    int max_errors;
  };
  // Clean, and at 4 dB Eb/N0 (sigma 0.63 on rate 1/2, +-1 per coded bit), where the code corrects
  // nearly everything.
  for (Case c : {Case{0.0, 0}, Case{0.63, 3}}) {
    const std::vector<int> out = code_and_decode(bits, c.sigma, 3);
    ASSERT_EQ(out.size(), bits.size());
    int errors = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) errors += out[i] != bits[i];
    EXPECT_LE(errors, c.max_errors) << "sigma " << c.sigma;
  }
}

// Transmit load and fetch, then receive load and fetch, give back every value in order.
TEST(M110Fec, InterleaveThenDeinterleaveIsTheIdentityForEveryMode) {
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    SCOPED_TRACE(m110_mode_info(mode).short_name);
    M110Interleaver<int> tx;
    M110Interleaver<int> rx;
    tx.set(mode, M110Interleaver<int>::Side::Transmit);
    rx.set(mode, M110Interleaver<int>::Side::Receive);
    for (int block = 0; block < 2; ++block) {  // a second block reuses the same positions
      const int cap = tx.capacity();
      for (int i = 0; i < cap; ++i) ASSERT_TRUE(tx.load(block * cap + i));
      EXPECT_TRUE(tx.full());
      EXPECT_FALSE(tx.load(-1));  // a full block refuses more
      std::vector<int> sent;
      for (int i = 0; i < cap; ++i) sent.push_back(tx.fetch());
      EXPECT_TRUE(tx.empty());
      for (int v : sent) rx.load(v);
      bool identity = true;
      for (int i = 0; i < cap; ++i) identity &= rx.fetch() == block * cap + i;
      EXPECT_TRUE(identity);
      // Interleaving modes spread neighbours apart; in-order modes do not.
      const bool moved = sent[1] != block * cap + 1;
      EXPECT_EQ(moved, m110_mode_info(mode).row_step != 0);
    }
  }
}

TEST(M110Fec, InterleaverGeometryOf150S) {
  M110Interleaver<int> tx;
  tx.set(2, M110Interleaver<int>::Side::Transmit);
  for (int i = 0; i < tx.capacity(); ++i) tx.load(i);
  // Column 0 is loaded at rows 0, 9, 18, 27, 36, 5, 14, 23, 32, 1, ... so row r of column c
  // holds load 40 c + (9 r mod 40) (9 is its own inverse modulo 40). Fetches read row 0 column
  // 0, row 1 column 1, row 2 column 2, ...; after 40 rows, the next start column.
  const int expect[] = {0, 40 + 9, 80 + 18, 120 + 27, 160 + 36, 200 + 5, 240 + 14, 280 + 23, 320 + 32, 360 + 1};
  for (int e : expect) EXPECT_EQ(tx.fetch(), e);
  for (int i = 10; i < 40; ++i) tx.fetch();
  // Row 0 of column 1 (load 40).
  EXPECT_EQ(tx.fetch(), 40);
}

}  // namespace
}  // namespace vesk
