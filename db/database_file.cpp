// "ALE.DAT": the station database image as a file of 563,872 little-endian bytes with a
// CRC-16, read at start-up and written whole at every save.
//
// The image is encoded field by field at its stated offsets. A save encodes a copy taken
// under the database lock, puts the CRC of exactly those bytes into them, writes them to a
// temporary file in the station folder, flushes it to disk and renames it over "ALE.DAT", so a
// crash or a full disk never loses the previous file. A file that fails the length or CRC test
// is kept as "ALE.DAT.bad" (a later one as "ALE.DAT.bad.1", ...) for the operator, and the
// station starts from the defaults. A number field of a valid file that the station computes
// with is range-checked as it is read.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "db/crc16.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr const char* kFileName = "ALE.DAT";
constexpr const char* kBadFileName = "ALE.DAT.bad";
constexpr const char* kTempFileName = "ALE.DAT.tmp";
constexpr int kMaxBadFiles = 999;  // numbered rejected files kept; the last name is reused beyond

// Field walkers: the same walk encodes (Writer) and decodes (Reader) the image.
struct Writer {
  uint8_t* p;
  std::size_t pos = 0;
  void put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) p[pos++] = static_cast<uint8_t>(v >> (8 * i));
  }
  void operator()(uint8_t& v) { p[pos++] = v; }
  void operator()(int32_t& v) { put32(static_cast<uint32_t>(v)); }
  void operator()(uint32_t& v) { put32(v); }
  template <std::size_t N>
  void operator()(uint8_t (&a)[N]) {
    std::memcpy(p + pos, a, N);
    pos += N;
  }
  template <std::size_t N>
  void operator()(char (&a)[N]) {
    std::memcpy(p + pos, a, N);
    pos += N;
  }
  template <std::size_t N>
  void operator()(int32_t (&a)[N]) {
    for (auto& v : a) (*this)(v);
  }
};

struct Reader {
  const uint8_t* p;
  std::size_t pos = 0;
  uint32_t get32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[pos++]) << (8 * i);
    return v;
  }
  void operator()(uint8_t& v) { v = p[pos++]; }
  void operator()(int32_t& v) { v = static_cast<int32_t>(get32()); }
  void operator()(uint32_t& v) { v = get32(); }
  template <std::size_t N>
  void operator()(uint8_t (&a)[N]) {
    std::memcpy(a, p + pos, N);
    pos += N;
  }
  template <std::size_t N>
  void operator()(char (&a)[N]) {
    std::memcpy(a, p + pos, N);
    pos += N;
  }
  template <std::size_t N>
  void operator()(int32_t (&a)[N]) {
    for (auto& v : a) (*this)(v);
  }
};

template <class Io>
void walk(Io& io, ChannelRecord& r) {
  io(r.number), io(r.reserved1), io(r.in_use), io(r.update_pending), io(r.attenuator), io(r.permission);
  io(r.own_index), io(r.antenna_port), io(r.tx_level), io(r.scan_groups), io(r.rx_mode), io(r.tx_mode);
  io(r.usage), io(r.lp_key), io(r.tx_freq_hz), io(r.rx_freq_hz), io(r.sound_countdown_min), io(r.reserved64);
  io(r.tuner_enable);
}

template <class Io>
void walk(Io& io, OwnAddressRecord& r) {
  io(r.index), io(r.reserved1), io(r.in_use), io(r.address);
}

template <class Io>
void walk(Io& io, LqaRecord& r) {
  io(r.measured), io(r.measured_age), io(r.reported), io(r.reported_age), io(r.noise), io(r.reserved17);
}

template <class Io>
void walk(Io& io, OtherAddressRecord& r) {
  io(r.index), io(r.reserved1), io(r.in_use), io(r.learned), io(r.address), io(r.twr_ms), io(r.tt_ms);
  io(r.minutes_heard), io(r.last_channel);
  for (auto& q : r.lqa) walk(io, q);
}

template <class Io>
void walk(Io& io, NetRecord& r) {
  io(r.index), io(r.reserved1), io(r.in_use), io(r.address), io(r.own_index), io(r.member_count);
  io(r.reserved26), io(r.members), io(r.own_position), io(r.own_slot);
}

template <class Io>
void walk(Io& io, LpKeyRecord& r) {
  io(r.key_high), io(r.key_low), io(r.levels), io(r.valid);
}

template <class Io>
void walk(Io& io, AmdStoreEntry& r) {
  io(r.valid), io(r.time_received), io(r.sender), io(r.text), io(r.reserved115), io(r.channel);
}

template <class Io>
void walk_image(Io& io, StationDatabase& db) {
  for (auto& r : db.channels) walk(io, r);
  for (auto& r : db.own) walk(io, r);
  for (auto& r : db.other) walk(io, r);
  for (auto& r : db.nets) walk(io, r);
  for (auto& r : db.lp_keys) walk(io, r);
  io(db.options.bytes);
  io(db.amd_index);
  for (auto& r : db.amd) walk(io, r);
  io(db.age_stamp), io(db.crc), io(db.reserved_tail);
}

int32_t crc_of_bytes(const uint8_t* bytes) {
  int32_t crc;
  crc16_init(&crc);
  for (std::size_t i = 0; i < kImageSize; ++i) {
    const bool in_crc_field = i >= kCrcOffset && i < kCrcOffset + 4;
    crc16_update_byte(in_crc_field ? 0 : bytes[i], &crc);
  }
  return crc;
}

int32_t stored_crc(const uint8_t* bytes) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[kCrcOffset + i]) << (8 * i);
  return static_cast<int32_t>(v);
}

void log_file_error(const std::string& text) {
  log_printf("[%s][%s][FILE ERROR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text.c_str());
}

// Writes `bytes` to a temporary file in the station folder, flushes it to disk and renames it
// over "ALE.DAT". Returns an empty string, or what failed.
std::string write_file_safely(const std::vector<uint8_t>& bytes) {
  const std::filesystem::path target = station().path(kFileName);
  const std::filesystem::path temp = station().path(kTempFileName);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return std::string("CANNOT CREATE ") + kTempFileName + ": " + std::strerror(errno);
  std::size_t done = 0;
  std::string failure;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = std::string("CANNOT WRITE ") + kTempFileName + ": " + std::strerror(n < 0 ? errno : ENOSPC);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (failure.empty() && ::fsync(fd) != 0) failure = std::string("CANNOT FLUSH ") + kTempFileName + ": " + std::strerror(errno);
  if (::close(fd) != 0 && failure.empty()) failure = std::string("CANNOT CLOSE ") + kTempFileName + ": " + std::strerror(errno);
  if (failure.empty() && std::rename(temp.c_str(), target.c_str()) != 0)
    failure = std::string("CANNOT RENAME ") + kTempFileName + " TO " + kFileName + ": " + std::strerror(errno);
  if (!failure.empty()) {
    ::unlink(temp.c_str());
    return failure;
  }
  // Make the rename itself durable.
  const int dfd = ::open(station().dir().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return std::string();
}

// Option fields used as port numbers (device names are built from them) or scaled to
// milliseconds. A value outside its range, from a file whose CRC is good, is replaced by the
// option's default and reported.
struct LoadedRange {
  std::size_t offset;
  const char* name;
  int32_t low, high;
};
constexpr LoadedRange kLoadedRanges[] = {
    {opt::RADIO_PORT, "RADIO PORT", 1, 255},
    {opt::REOPENED_RADIO_PORT, "REOPENED RADIO PORT", 0, 255},
    {opt::ALT_PTT_PORT, "ALT PTT PORT", 0, 255},
    {opt::ATU_PORT, "ATU PORT", 0, 255},
    {opt::ANT_SWITCH_PORT, "ANT SWITCH PORT", 0, 255},
    {opt::TNC_PORT, "TNC PORT", 0, 255},
    {opt::EMULATION_PORT, "EMULATION PORT", 0, 255},
    {opt::LISTEN_TIME, "LISTEN TIME", 0, 3600},
};

// Puts the fields of kLoadedRanges in range; returns one report per field replaced.
std::vector<std::string> range_check_loaded(StationOptions& o) {
  std::vector<std::string> reports;
  for (const LoadedRange& r : kLoadedRanges) {
    const int32_t v = o.i32(r.offset);
    if (v >= r.low && v <= r.high) continue;
    const OptionSpec* spec = option_spec(r.offset);
    const int32_t fallback = spec != nullptr && spec->has_default ? spec->default_value : r.low;
    o.set_i32(r.offset, fallback);
    reports.push_back(std::string(kFileName) + " " + r.name + " " + std::to_string(v) + " OUT OF RANGE, " +
                      std::to_string(fallback) + " USED");
  }
  return reports;
}

// The name a rejected file is kept under: "ALE.DAT.bad", or when an earlier rejected file holds
// that name, the first free "ALE.DAT.bad.N", so no rejected file replaces another.
std::string free_bad_file_name() {
  std::string name = kBadFileName;
  std::error_code ec;
  for (int n = 1; std::filesystem::exists(station().path(name), ec) && n <= kMaxBadFiles; ++n)
    name = std::string(kBadFileName) + "." + std::to_string(n);
  return name;
}

enum class FileRead { Missing, Valid, Rejected };

// Reads "ALE.DAT" into `bytes`. A file of the wrong length or with a wrong CRC is renamed to
// the first free rejected-file name and reported.
FileRead read_file(std::vector<uint8_t>& bytes) {
  const std::filesystem::path path = station().path(kFileName);
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return FileRead::Missing;
  bytes.assign(kImageSize + 1, 0);
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
  const bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  std::string reason;
  if (read_error) {
    reason = "READ ERROR";
  } else if (got != kImageSize) {
    reason = "WRONG LENGTH " + std::to_string(got) + (got > kImageSize ? " OR MORE" : "");
  } else if (stored_crc(bytes.data()) != crc_of_bytes(bytes.data())) {
    reason = "BAD CRC";
  }
  bytes.resize(kImageSize);
  if (reason.empty()) return FileRead::Valid;
  const std::string kept_as = free_bad_file_name();
  std::error_code ec;
  std::filesystem::rename(path, station().path(kept_as), ec);
  log_file_error(std::string(kFileName) + " REJECTED (" + reason + "), " +
                 (ec ? "COULD NOT BE KEPT AS " + kept_as : "KEPT AS " + kept_as));
  return FileRead::Rejected;
}

}  // namespace

void db_encode_image(const StationDatabase& db, uint8_t* out) {
  Writer w{out};
  walk_image(w, const_cast<StationDatabase&>(db));  // the writer only reads the fields
}

void db_decode_image(const uint8_t* in, StationDatabase& db) {
  Reader r{in};
  walk_image(r, db);
}

int32_t db_compute_crc(const StationDatabase& db) {
  std::vector<uint8_t> bytes(kImageSize);
  db_encode_image(db, bytes.data());
  return crc_of_bytes(bytes.data());
}

int db_check_crc() {
  DbLock lock;
  return lock.db().crc == db_compute_crc(lock.db()) ? 1 : 0;
}

void db_update_crc() {
  DbLock lock;
  lock.db().crc = db_compute_crc(lock.db());
}

int db_load_file() {
  std::vector<uint8_t> bytes;
  const FileRead r = read_file(bytes);
  if (r == FileRead::Valid) {
    std::vector<std::string> reports;
    {
      DbLock lock;
      db_decode_image(bytes.data(), lock.db());
      reports = range_check_loaded(lock.options());
    }
    for (const std::string& text : reports) log_file_error(text);
    return 1;
  }
  bool starting;
  {
    DbLock lock;
    starting = db_state().loaded != 1;
    // At start-up the defaults begin from a zeroed image, so no byte of a rejected file
    // survives. A rejected file while running leaves the image in memory as it is.
    if (starting || r == FileRead::Missing) {
      std::memset(static_cast<void*>(&lock.db()), 0, sizeof(StationDatabase));
      db_set_default_tables();
    }
  }
  if (r == FileRead::Missing) db_save();
  return 0;
}

void db_open() {
  {
    DbLock lock;
    db_state().loaded = 0;
    std::memset(static_cast<void*>(&lock.db()), 0, sizeof(StationDatabase));
  }
  if (db_load_file() == 1) {
    bool sgc2000;
    {
      DbLock lock;
      sgc2000 = lock.options().i32(opt::RADIO_TYPE) == 60;
      if (sgc2000) {
        lock.db().channels[0].in_use = 1;
        lock.db().channels[0].scan_groups = 0x80;
      }
    }
    if (!sgc2000) db_age_elapsed();
  }
  {
    DbLock lock;
    for (int n = 1; n < kChannelCount; ++n) {
      lock.db().channels[n].sound_countdown_min = 0;
      lock.db().channels[n].update_pending = 1;
    }
    db_select_channel(0);
    db_state().loaded = 1;
  }
}

int db_save() {
  std::vector<uint8_t> bytes(kImageSize);
  DbState& s = db_state();
  std::lock_guard<std::mutex> one_save_at_a_time(s.save_mutex);
  {
    DbLock lock;
    StationOptions& o = lock.options();
    for (std::size_t off = opt::TRACE_COMMANDS; off <= opt::TRACE_TIMERS; off += 4) o.set_i32(off, 0);
    o.set_u8(opt::DATA_LINK_TRACE, 0);
    if (s.loaded != 1) return 1;
    db_encode_image(lock.db(), bytes.data());
    if (s.twa_saved_secs >= 0)
      for (int i = 0; i < 4; ++i)
        bytes[kOptionsOffset + opt::TWA_SECS + i] = static_cast<uint8_t>(static_cast<uint32_t>(s.twa_saved_secs) >> (8 * i));
    const int32_t crc = crc_of_bytes(bytes.data());
    lock.db().crc = crc;
    for (int i = 0; i < 4; ++i) bytes[kCrcOffset + i] = static_cast<uint8_t>(static_cast<uint32_t>(crc) >> (8 * i));
  }
  const std::string failure = write_file_safely(bytes);
  if (!failure.empty()) {
    log_file_error(failure);
    return 0;
  }
  return 1;
}

void db_hold_saved_twa(int32_t secs) {
  DbLock lock;
  db_state().twa_saved_secs = secs < 0 ? -1 : secs;
}

}  // namespace vesk
