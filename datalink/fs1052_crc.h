// CRC-32 of the FED-STD-1052 frames: polynomial 0x04C11DB7 in its bit-reversed form
// 0xEDB88320, bits taken least significant first, initial value 0, no final complement.
// Running the register over a frame followed by its CRC (least significant byte first)
// leaves 0, which is how the receiver checks a frame.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesk {

uint32_t fs1052_crc32_update(uint8_t byte, uint32_t reg);
uint32_t fs1052_crc32(const uint8_t* bytes, std::size_t count);
// Writes the CRC of the first `count` bytes of `frame` behind them, least significant byte
// first. Returns 4.
int fs1052_append_crc32(uint8_t* frame, std::size_t count);

}  // namespace vesk
