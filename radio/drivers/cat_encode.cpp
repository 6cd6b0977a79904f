#include "radio/drivers/cat_encode.h"

namespace vesk {

void bcd_lsb_first(uint32_t value, uint8_t* out, int nbytes) {
  for (int i = 0; i < nbytes; ++i) {
    out[i] = bcd_byte(static_cast<int>(value % 100));
    value /= 100;
  }
}

void bcd_msb_first(uint32_t value, uint8_t* out, int nbytes) {
  for (int i = nbytes - 1; i >= 0; --i) {
    out[i] = bcd_byte(static_cast<int>(value % 100));
    value /= 100;
  }
}

int put_decimal(uint8_t* out, uint64_t value, int width) {
  for (int i = width - 1; i >= 0; --i) {
    out[i] = static_cast<uint8_t>('0' + value % 10);
    value /= 10;
  }
  return width;
}

uint8_t xor_checksum(const uint8_t* from, const uint8_t* to) {
  uint8_t x = 0;
  for (; from < to; ++from) x ^= *from;
  return x;
}

uint8_t additive_checksum(const uint8_t* bytes, int length) {
  unsigned sum = 0;
  for (int i = 0; i < length; ++i) sum += bytes[i];
  return static_cast<uint8_t>(sum & 0xFF);
}

void put_hex_byte(uint8_t* out, uint8_t value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out[0] = static_cast<uint8_t>(kHex[value >> 4]);
  out[1] = static_cast<uint8_t>(kHex[value & 0x0F]);
}

}  // namespace vesk
