// Link quality records: the packing of the scores, the merge of a new score into a stored
// one, the reset, and the one-minute ageing that expires old values and learned addresses.
#pragma once

#include <cstdint>

#include "db/database.h"

namespace vesk {

inline constexpr int kLqaNoValue = 49;   // score field without a value
inline constexpr int kLqaMarked = 50;    // measured BER score of a marked channel
inline constexpr int kLqaNoMultipath = 7;

// Score word fields.
inline int lqa_ber(uint32_t w) { return static_cast<int>(w & 0x3F); }
inline int lqa_sinad(uint32_t w) { return static_cast<int>((w >> 6) & 0x3F); }
inline int lqa_multipath(uint32_t w) { return static_cast<int>((w >> 12) & 0x7); }
inline uint32_t lqa_with_ber(uint32_t w, int v) { return (w & ~0x3Fu) | (static_cast<uint32_t>(v) & 0x3F); }
inline uint32_t lqa_with_sinad(uint32_t w, int v) {
  return (w & ~(0x3Fu << 6)) | ((static_cast<uint32_t>(v) & 0x3F) << 6);
}
inline uint32_t lqa_with_multipath(uint32_t w, int v) {
  return (w & ~(0x7u << 12)) | ((static_cast<uint32_t>(v) & 0x7) << 12);
}

// Both score words to no value (bits 15-31 kept), both ages to none; the noise is kept.
void db_reset_lqa_record(LqaRecord* rec);
// All 257 records of one address.
void db_reset_lqa_column(LqaRecord* first);

}  // namespace vesk
