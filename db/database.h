// Station database: the one persistent image of the station ("ALE.DAT"), its records and
// its lock.
//
// The image lives in memory for the whole run as a `StationDatabase`; the file is the same
// 563,872 bytes, little-endian, read and written field by field (database_file.cpp). Every
// thread reaches the image under the database lock: the value accessors (options.h,
// tables.h, ...) take it themselves; code that works on records in place holds a `DbLock`
// for the whole change and passes it to the accessors that hand out pointers, so no pointer
// into the image is used without the lock.
//
// Lock order: the log layer may read the database while it holds its own lock, so never
// write a log line or call into another module while holding a `DbLock`.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vesk {

inline constexpr int kChannelCount = 257;       // channels 0 to 256
inline constexpr int kOwnAddressCount = 20;
inline constexpr int kOtherAddressCount = 100;
inline constexpr int kNetCount = 20;
inline constexpr int kNetMemberSlots = 20;
inline constexpr int kLpKeyCount = 5;
inline constexpr int kAmdStoreCount = 100;
inline constexpr int kScanGroupCount = 16;
inline constexpr std::size_t kAddressFieldSize = 16;  // 15 characters and the NUL
inline constexpr std::size_t kAmdTextFieldSize = 91;  // 90 characters and the NUL
// Minutes-since-heard and link-quality ages: no value / never heard.
inline constexpr int32_t kAgeNever = 0x7FFFFFFF;

inline constexpr std::size_t kImageSize = 563872;
inline constexpr std::size_t kOptionsSize = 12072;
inline constexpr std::size_t kOptionsOffset = 539784;
inline constexpr std::size_t kCrcOffset = 563864;

// Channel permission values.
inline constexpr int32_t CHANNEL_RX = 0;  // receive only
inline constexpr int32_t CHANNEL_TX = 1;
inline constexpr int32_t CHANNEL_BX = 3;  // both

struct ChannelRecord {
  uint8_t number;  // index modulo 256 (record 256 carries 0)
  uint8_t reserved1[3];
  int32_t in_use;
  int32_t update_pending;  // write into the radio's memory
  int32_t attenuator;
  int32_t permission;  // CHANNEL_RX, CHANNEL_TX, CHANNEL_BX
  int32_t own_index;   // own address used on this channel, 0 to 19
  int32_t antenna_port;
  int32_t tx_level;     // transmit audio level 0 to 100
  int32_t scan_groups;  // bit g: member of scan group g
  int32_t rx_mode;
  int32_t tx_mode;
  int32_t usage;  // 0 both, 1 voice, 2 data
  int32_t lp_key;
  int32_t tx_freq_hz;
  int32_t rx_freq_hz;
  int32_t sound_countdown_min;
  int32_t reserved64;
  int32_t tuner_enable;
};
static_assert(sizeof(ChannelRecord) == 72);
static_assert(offsetof(ChannelRecord, in_use) == 4 && offsetof(ChannelRecord, update_pending) == 8);
static_assert(offsetof(ChannelRecord, permission) == 16 && offsetof(ChannelRecord, own_index) == 20);
static_assert(offsetof(ChannelRecord, scan_groups) == 32 && offsetof(ChannelRecord, rx_mode) == 36);
static_assert(offsetof(ChannelRecord, usage) == 44 && offsetof(ChannelRecord, lp_key) == 48);
static_assert(offsetof(ChannelRecord, tx_freq_hz) == 52 && offsetof(ChannelRecord, rx_freq_hz) == 56);
static_assert(offsetof(ChannelRecord, sound_countdown_min) == 60 && offsetof(ChannelRecord, tuner_enable) == 68);

struct OwnAddressRecord {
  uint8_t index;
  uint8_t reserved1[3];
  int32_t in_use;
  char address[kAddressFieldSize];
};
static_assert(sizeof(OwnAddressRecord) == 24 && offsetof(OwnAddressRecord, address) == 8);

// Link quality with one station on one channel. Score words: bits 0-5 BER score, 6-11 SINAD
// score, 12-14 multipath, 15-31 kept as they are.
struct LqaRecord {
  uint32_t measured;
  int32_t measured_age;  // minutes; kAgeNever = none
  uint32_t reported;
  int32_t reported_age;
  uint8_t noise;
  uint8_t reserved17[3];
};
static_assert(sizeof(LqaRecord) == 20 && offsetof(LqaRecord, reported_age) == 12 &&
              offsetof(LqaRecord, noise) == 16);

struct OtherAddressRecord {
  uint8_t index;
  uint8_t reserved1[3];
  int32_t in_use;
  int32_t learned;  // 1 entered from a heard call, 0 by the operator
  char address[kAddressFieldSize];
  int32_t twr_ms;
  int32_t tt_ms;
  int32_t minutes_heard;  // kAgeNever = never heard
  int32_t last_channel;
  LqaRecord lqa[kChannelCount];
};
static_assert(sizeof(OtherAddressRecord) == 5184);
static_assert(offsetof(OtherAddressRecord, address) == 12 && offsetof(OtherAddressRecord, twr_ms) == 28);
static_assert(offsetof(OtherAddressRecord, minutes_heard) == 36 && offsetof(OtherAddressRecord, lqa) == 44);

struct NetRecord {
  uint8_t index;
  uint8_t reserved1[3];
  int32_t in_use;
  char address[kAddressFieldSize];
  uint8_t own_index;
  uint8_t member_count;  // the own address counts as a member
  uint8_t reserved26[2];
  int32_t members[kNetMemberSlots];  // other-address indexes; the own slot holds the own index
  int32_t own_position;              // 1-based position of the own address in the list
  int32_t own_slot;                  // own_position - 1
};
static_assert(sizeof(NetRecord) == 116 && offsetof(NetRecord, own_index) == 24 &&
              offsetof(NetRecord, members) == 28 && offsetof(NetRecord, own_position) == 108 &&
              offsetof(NetRecord, own_slot) == 112);

struct LpKeyRecord {
  int32_t key_high;  // upper 24 bits of the 56-bit key
  int32_t key_low;   // lower 32 bits
  int32_t levels;    // bit n: level AL-n permitted
  int32_t valid;
};
static_assert(sizeof(LpKeyRecord) == 16);

struct AmdStoreEntry {
  int32_t valid;
  uint32_t time_received;  // seconds since 1970 UTC, unsigned so it lasts past 2038
  char sender[kAddressFieldSize];
  char text[kAmdTextFieldSize];  // first byte 0x80: dictionary-coded text
  uint8_t reserved115;
  int32_t channel;
};
static_assert(sizeof(AmdStoreEntry) == 120 && offsetof(AmdStoreEntry, text) == 24 &&
              offsetof(AmdStoreEntry, channel) == 116);

// The options section, kept as its stored bytes: most of it is reserved or undocumented,
// and every byte must survive a load and a save. Fields are read and written by offset
// (options.h names them) as little-endian values.
struct StationOptions {
  uint8_t bytes[kOptionsSize];

  int32_t i32(std::size_t off) const {
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[off]) | static_cast<uint32_t>(bytes[off + 1]) << 8 |
                                static_cast<uint32_t>(bytes[off + 2]) << 16 |
                                static_cast<uint32_t>(bytes[off + 3]) << 24);
  }
  void set_i32(std::size_t off, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes[off + i] = static_cast<uint8_t>(u >> (8 * i));
  }
  uint8_t u8(std::size_t off) const { return bytes[off]; }
  void set_u8(std::size_t off, uint8_t v) { bytes[off] = v; }
  double f64(std::size_t off) const;
  void set_f64(std::size_t off, double v);
  // A text field of `size` bytes: never read past the field, even without a terminator.
  std::size_t text_length(std::size_t off, std::size_t size) const;
  // Stores at most size-1 characters and the NUL; the rest of the field is zeroed.
  void set_text(std::size_t off, std::size_t size, const char* text);
};
static_assert(sizeof(StationOptions) == kOptionsSize);

struct StationDatabase {
  ChannelRecord channels[kChannelCount];
  OwnAddressRecord own[kOwnAddressCount];
  OtherAddressRecord other[kOtherAddressCount];
  NetRecord nets[kNetCount];
  LpKeyRecord lp_keys[kLpKeyCount];
  StationOptions options;
  int32_t amd_index;  // the slot the next received AMD goes to
  AmdStoreEntry amd[kAmdStoreCount];
  uint32_t age_stamp;  // seconds since 1970 UTC of the last ageing step
  int32_t crc;
  int32_t reserved_tail;
};
static_assert(offsetof(StationDatabase, own) == 18504);
static_assert(offsetof(StationDatabase, other) == 18984);
static_assert(offsetof(StationDatabase, nets) == 537384);
static_assert(offsetof(StationDatabase, lp_keys) == 539704);
static_assert(offsetof(StationDatabase, options) == kOptionsOffset);
static_assert(offsetof(StationDatabase, amd_index) == 551856);
static_assert(offsetof(StationDatabase, amd) == 551860);
static_assert(offsetof(StationDatabase, age_stamp) == 563860);
static_assert(offsetof(StationDatabase, crc) == kCrcOffset);
static_assert(sizeof(StationDatabase) == kImageSize);

// Module state of the database.
struct DbState {
  std::recursive_mutex mutex;
  std::unique_ptr<StationDatabase> image;  // created on first use, never freed before the station
  int loaded = 0;                          // 1 from the end of db_open onward
  std::mutex save_mutex;                   // one save at a time (it owns the temporary file)
  // While the station's resources are released the TWA option holds a temporary 0; saves
  // write this value in its place (-1: no value held).
  int32_t twa_saved_secs = -1;
};
DbState& db_state();

// Holds the database lock for its scope and gives access to the image. Re-entrant: the
// value accessors may be called while a DbLock is held on the same thread.
class DbLock {
 public:
  DbLock();
  DbLock(const DbLock&) = delete;
  DbLock& operator=(const DbLock&) = delete;
  StationDatabase& db() { return *db_; }
  StationOptions& options() { return db_->options; }

 private:
  std::unique_lock<std::recursive_mutex> lock_;
  StationDatabase* db_;
};

// Encodes the image as the file's bytes (`out` holds kImageSize bytes) and back.
void db_encode_image(const StationDatabase& db, uint8_t* out);
void db_decode_image(const uint8_t* in, StationDatabase& db);

// The CRC-16 of the image's bytes with the CRC field taken as zero.
int32_t db_compute_crc(const StationDatabase& db);

// Creates, loads, checks and prepares the image. Called once at start-up.
void db_open();
// Reads "ALE.DAT" into the image (defaults when it is missing). Returns 1 when a file was read.
int db_load_file();
// 1 when the stored CRC matches the image.
int db_check_crc();
void db_update_crc();
// Clears the trace switches; once loading is done, writes "ALE.DAT" through a temporary file.
// Returns 1 when the file was written (or nothing was due to be written), 0 on a failed write.
int db_save();
// Makes saves write `secs` as the TWA time-out instead of the value in memory; -1 ends it.
void db_hold_saved_twa(int32_t secs);
void db_set_default_tables();
// Catch-up ageing at load.
void db_age_elapsed();
void db_age_by_minutes(int minutes);
// 1 once db_open has finished.
int db_loaded();

}  // namespace vesk
