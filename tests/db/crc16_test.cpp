#include "db/crc16.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk {
namespace {

// Bit-by-bit reference: one message bit at a time into the register, MSB first.
int32_t ref_bits(int32_t crc, uint32_t value, int bits) {
  for (int i = bits - 1; i >= 0; --i) {
    const int in = (value >> i) & 1;
    const int top = (crc >> 15) & 1;
    crc = (crc << 1) & 0xFFFF;
    if (in ^ top) crc ^= 0x1021;
  }
  return crc;
}

TEST(Crc16, CheckValue) {
  int32_t crc;
  crc16_init(&crc);
  EXPECT_EQ(crc, 0xFFFF);
  for (char c : std::string("123456789")) crc16_update_byte(c, &crc);
  EXPECT_EQ(crc, 0x29B1);
}

TEST(Crc16, TableEntries) {
  EXPECT_EQ(kCrc16Table[0], 0);
  EXPECT_EQ(kCrc16Table[1], 0x1021);
  EXPECT_EQ(kCrc16Table[2], 0x2042);
  EXPECT_EQ(kCrc16Table[255], 0x1EF0);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(kCrc16Table[i], ref_bits(0, i, 8) ) << i;
}

TEST(Crc16, StepsEqualFeedingBitsOneAtATime) {
  struct Step {
    void (*fn)(int32_t, int32_t*);
    int bits;
  };
  const Step steps[] = {{crc16_update_byte, 8}, {crc16_update_nibble, 4},
                        {crc16_update_12bits, 12}, {crc16_update_24bits, 24}};
  uint32_t seed = 12345;
  for (const Step& s : steps) {
    for (int n = 0; n < 2000; ++n) {
      seed = seed * 1103515245u + 12345u;
      const int32_t start = static_cast<int32_t>((seed >> 8) & 0xFFFF);
      seed = seed * 1103515245u + 12345u;
      const uint32_t wide = seed;  // wider than the step: only the low bits count
      int32_t crc = start;
      s.fn(static_cast<int32_t>(wide & 0x7FFFFFFF), &crc);
      const uint32_t mask = (1u << s.bits) - 1;
      EXPECT_EQ(crc, ref_bits(start, wide & mask, s.bits)) << s.bits;
    }
  }
}

TEST(Crc16, WideValuesAreCut) {
  int32_t a, b;
  crc16_init(&a);
  crc16_init(&b);
  crc16_update_byte(0x1FF, &a);
  crc16_update_byte(0xFF, &b);
  EXPECT_EQ(a, b);
  int32_t c, d;
  crc16_init(&c);
  crc16_init(&d);
  crc16_update_24bits(0x313233, &c);
  for (int v : {0x31, 0x32, 0x33}) crc16_update_byte(v, &d);
  EXPECT_EQ(c, d);
  int32_t e, f;
  crc16_init(&e);
  crc16_init(&f);
  crc16_update_12bits(0xABC, &e);
  crc16_update_byte(0xAB, &f);
  crc16_update_nibble(0x0C, &f);
  EXPECT_EQ(e, f);
}

}  // namespace
}  // namespace vesk
