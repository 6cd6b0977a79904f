// The extended Golay (24,12) code that protects each 12-bit half of an ALE word on the air.
//
// Systematic form: a code word is 12 data bits followed by 12 check bits. Encoding and
// decoding are one table look-up each (both run for every symbol time on the audio thread).
// The decoder corrects every pattern of up to three bit errors and reports 4 for any other
// syndrome, with the data part of the first weight-4 pattern of that coset as its mask.
#pragma once

#include <array>
#include <cstdint>

namespace vesk {

// Check bits of every 12-bit data value.
extern const std::array<int32_t, 4096> kGolayEncodeTable;
// By syndrome: the data-bit correction mask in bits 0-11, the error count 0-4 in bits 12-15.
extern const std::array<int32_t, 4096> kGolayDecodeTable;

// The 12 check bits of a 12-bit value.
inline int32_t ale_golay_encode(int32_t data) { return kGolayEncodeTable[static_cast<uint32_t>(data) & 0xFFF]; }

// Decodes a received half: `corrected` gets the 12 corrected data bits, `errors` the number
// of bit errors (0-3 corrected; 4 means more errors than the code can correct).
inline void ale_golay_decode(int32_t data, int32_t check, int32_t* corrected, int32_t* errors) {
  const int32_t entry = kGolayDecodeTable[static_cast<uint32_t>(check ^ ale_golay_encode(data)) & 0xFFF];
  *corrected = (data ^ entry) & 0xFFF;
  *errors = entry >> 12;
}

}  // namespace vesk
