// Encoders that several radio drivers share: packed BCD in either byte order, fixed-width
// decimal digits, and the checksums of the framed and sentence protocols.
#pragma once

#include <cstdint>

namespace vesk {

// Two decimal digits (0 .. 99) as one packed BCD byte, the tens in the high nibble.
constexpr uint8_t bcd_byte(int two_digits) {
  return static_cast<uint8_t>(((two_digits / 10) % 10) << 4 | (two_digits % 10));
}

// `value` as `nbytes` packed BCD bytes, least significant pair first (CI-V frequency).
// Digits beyond the field are dropped.
void bcd_lsb_first(uint32_t value, uint8_t* out, int nbytes);
// The same, most significant pair first.
void bcd_msb_first(uint32_t value, uint8_t* out, int nbytes);

// `value` as exactly `width` ASCII decimal digits with leading zeros; higher digits are
// dropped, so the field never holds anything but digits. Returns `width`.
int put_decimal(uint8_t* out, uint64_t value, int width);

// Exclusive-or of every byte in [from, to): the NMEA 0183 sentence checksum.
uint8_t xor_checksum(const uint8_t* from, const uint8_t* to);
// Sum of the bytes modulo 256.
uint8_t additive_checksum(const uint8_t* bytes, int length);
// The two upper-case hexadecimal digits of a byte.
void put_hex_byte(uint8_t* out, uint8_t value);

}  // namespace vesk
