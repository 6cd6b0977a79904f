#include "datalink/fs1052_crc.h"

#include <array>

namespace vesk {

namespace {

constexpr std::array<uint32_t, 256> make_table() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int k = 0; k < 8; ++k) r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    t[i] = r;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTable = make_table();

}  // namespace

uint32_t fs1052_crc32_update(uint8_t byte, uint32_t reg) {
  return (reg >> 8) ^ kTable[(reg ^ byte) & 0xFF];
}

uint32_t fs1052_crc32(const uint8_t* bytes, std::size_t count) {
  uint32_t reg = 0;
  for (std::size_t i = 0; i < count; ++i) reg = fs1052_crc32_update(bytes[i], reg);
  return reg;
}

int fs1052_append_crc32(uint8_t* frame, std::size_t count) {
  const uint32_t crc = fs1052_crc32(frame, count);
  for (int i = 0; i < 4; ++i) frame[count + i] = static_cast<uint8_t>(crc >> (8 * i));
  return 4;
}

}  // namespace vesk
