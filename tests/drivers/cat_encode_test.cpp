#include "radio/drivers/cat_encode.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/drivers/driver_fixture.h"

namespace vesk {
namespace {

using test::hex;

TEST(CatEncode, BcdBothByteOrders) {
  uint8_t b[5];
  bcd_lsb_first(7102500, b, 5);
  EXPECT_EQ(hex(b, 5), "00 25 10 07 00");
  bcd_lsb_first(1296000000, b, 5);
  EXPECT_EQ(b[4], 0x12);
  bcd_lsb_first(4294967295u, b, 5);
  EXPECT_EQ(hex(b, 5), "95 72 96 94 42");
  bcd_msb_first(7102500, b, 4);
  EXPECT_EQ(hex(b, 4), "07 10 25 00");
  // A field too short drops the high digits and never writes past its end.
  uint8_t c[3] = {0, 0, 0xAA};
  bcd_lsb_first(14250000, c, 2);
  EXPECT_EQ(hex(c, 3), "00 00 AA");
  EXPECT_EQ(bcd_byte(55), 0x55);
}

TEST(CatEncode, FixedWidthDigitsStayDigits) {
  uint8_t b[12] = {};
  put_decimal(b, 14250000, 11);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 11), "00014250000");
  put_decimal(b, 7, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 3), "007");
  put_decimal(b, 1000, 3);  // too wide: the high digit is dropped, no ':' appears
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 3), "000");
}

TEST(CatEncode, Checksums) {
  // The textbook NMEA 0183 sentence and its checksum 47.
  const char* s = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
  const uint8_t* p = reinterpret_cast<const uint8_t*>(s);
  const uint8_t x = xor_checksum(p + 1, p + std::strlen(s) - 3);
  uint8_t hx[2];
  put_hex_byte(hx, x);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(hx), 2), "47");
  // The additive checksum of a framed read request: 24 05 18 24 00 00 00 C8 -> 2D.
  const uint8_t frame[] = {0x24, 0x05, 0x18, 0x24, 0x00, 0x00, 0x00, 0xC8};
  EXPECT_EQ(additive_checksum(frame, 8), 0x2D);
}

}  // namespace
}  // namespace vesk
