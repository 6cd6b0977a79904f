// CRC-16 with polynomial 0x1021, most significant bit first, started from 0xFFFF and never
// inverted here (CRC-16/CCITT-FALSE). Users that send the ones' complement apply it
// themselves. Steps for bytes, nibbles and the 12- and 24-bit values of DBM and ALE words.
#pragma once

#include <array>
#include <cstdint>

namespace vesk {

namespace detail {
constexpr std::array<int32_t, 256> make_crc16_table() {
  std::array<int32_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    uint32_t r = static_cast<uint32_t>(i) << 8;
    for (int b = 0; b < 8; ++b) r = (r & 0x8000) ? ((r << 1) ^ 0x1021) : (r << 1);
    t[i] = static_cast<int32_t>(r & 0xFFFF);
  }
  return t;
}
}  // namespace detail

inline constexpr std::array<int32_t, 256> kCrc16Table = detail::make_crc16_table();

void crc16_init(int32_t* crc);
void crc16_update_byte(int32_t value, int32_t* crc);
void crc16_update_nibble(int32_t value, int32_t* crc);
void crc16_update_12bits(int32_t value, int32_t* crc);
void crc16_update_24bits(int32_t value, int32_t* crc);

}  // namespace vesk
