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

// The merge of a new score `v` into a stored one: a better score replaces it at once, a
// worse one pulls it halfway down. `measured_ber`: 50 (marked) also counts as no value.
int lqa_merge(int old, int v, bool measured_ber);

// Records what was measured on a frame heard from `address` on `channel` (0 to 255); scores
// 0 to 30. An unknown station is entered as learned when RX autofill is on.
void db_lqa_heard(const char* address, int channel, int sinad, int ber, int noise);
// Merges a link-quality report from `address` (scores 0 to 30; anything else is no value).
void db_lqa_update_reported(const char* address, int channel, int sinad, int ber);
// Marks the channel: measured BER 50, SINAD 49, multipath 7, ages unchanged.
void db_lqa_mark_channel(const char* address, int channel);
// The RESET LQA command: every record of every address.
void db_reset_all_lqa();
// The address's record for the channel (0 to 256), or null for an unknown or invalid address.
LqaRecord* db_get_lqa_record(DbLock& lock, const char* address, int channel);
int db_copy_lqa_record(const char* address, int channel, LqaRecord* out);
// The one-minute ageing step (the engine runs it every 60 s).
void db_age_minute();

// Both score words to no value (bits 15-31 kept), both ages to none; the noise is kept.
void db_reset_lqa_record(LqaRecord* rec);
// All 257 records of one address.
void db_reset_lqa_column(LqaRecord* first);

}  // namespace vesk
