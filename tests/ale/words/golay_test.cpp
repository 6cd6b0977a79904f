#include "ale/words/golay.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <map>
#include <vector>

namespace vesk {
namespace {

// Check bits generated independently from the generator polynomial
// x^11+x^9+x^7+x^6+x^5+x+1: the systematic remainder of data·x^11, shifted left by one, with
// the parity of the 23-bit word as bit 0.
int32_t reference_check(int32_t data) {
  constexpr uint32_t kPoly = 0xAE3;  // bits 11, 9, 7, 6, 5, 1, 0
  uint32_t r = static_cast<uint32_t>(data) << 11;
  for (int bit = 22; bit >= 11; --bit)
    if (r & (1u << bit)) r ^= kPoly << (bit - 11);
  const uint32_t word23 = static_cast<uint32_t>(data) << 11 | r;
  return static_cast<int32_t>(r << 1 | (std::popcount(word23) & 1));
}

std::vector<int32_t> patterns_up_to_weight(int max_weight) {
  std::vector<int32_t> out;
  for (int32_t e = 0; e < (1 << 24); ++e)
    if (std::popcount(static_cast<uint32_t>(e)) <= max_weight) out.push_back(e);
  return out;
}

TEST(Golay, EncodeTableMatchesGeneratorPolynomial) {
  for (int32_t d = 0; d < 4096; ++d) ASSERT_EQ(ale_golay_encode(d), reference_check(d)) << "data " << d;
  EXPECT_EQ(ale_golay_encode(0x001), 0x5C7);
  EXPECT_EQ(ale_golay_encode(0x800), 0xAE3);
}

TEST(Golay, CodeWordWeightsAreThoseOfTheExtendedCode) {
  std::map<int, int> weights;
  for (int32_t d = 0; d < 4096; ++d) ++weights[std::popcount(static_cast<uint32_t>(d << 12 | ale_golay_encode(d)))];
  EXPECT_EQ(weights, (std::map<int, int>{{0, 1}, {8, 759}, {12, 2576}, {16, 759}, {24, 1}}));
}

TEST(Golay, EveryPatternOfUpToThreeErrorsIsCorrected) {
  const std::vector<int32_t> patterns = patterns_up_to_weight(3);
  ASSERT_EQ(patterns.size(), 2325u);
  for (int32_t d = 0; d < 4096; ++d) {
    const int32_t check = ale_golay_encode(d);
    for (int32_t e : patterns) {
      int32_t corrected = -1, errors = -1;
      ale_golay_decode(d ^ (e >> 12), check ^ (e & 0xFFF), &corrected, &errors);
      if (corrected != d || errors != std::popcount(static_cast<uint32_t>(e))) {
        FAIL() << "data " << d << " pattern " << std::hex << e << " gave " << corrected << " with " << errors;
      }
    }
  }
}

TEST(Golay, FourErrorsReportFourWithTheFirstPatternOfTheCoset) {
  // For each syndrome of a weight-4 pattern: the data part of the first weight-4 pattern met
  // when all 24-bit patterns (data bits high) are scanned upwards.
  std::map<int32_t, int32_t> first_mask;
  for (int32_t e = 0; e < (1 << 24); ++e) {
    if (std::popcount(static_cast<uint32_t>(e)) != 4) continue;
    const int32_t syndrome = (e & 0xFFF) ^ ale_golay_encode(e >> 12);
    first_mask.emplace(syndrome, e >> 12);
  }
  ASSERT_EQ(first_mask.size(), 4096u - 2325u);
  for (const auto& [syndrome, mask] : first_mask) ASSERT_EQ(kGolayDecodeTable[syndrome], 4 << 12 | mask);
  // Through the decoder, from a few data values.
  for (int32_t d : {0, 0x001, 0xABC, 0xFFF}) {
    const int32_t check = ale_golay_encode(d);
    for (int32_t e : {0x00000F, 0xF00000, 0x800C01, 0x030030}) {
      int32_t corrected = 0, errors = 0;
      const int32_t data = d ^ (e >> 12);
      ale_golay_decode(data, check ^ (e & 0xFFF), &corrected, &errors);
      EXPECT_EQ(errors, 4);
      EXPECT_EQ(corrected, data ^ first_mask.at((e & 0xFFF) ^ ale_golay_encode(e >> 12)));
    }
  }
}

}  // namespace
}  // namespace vesk
