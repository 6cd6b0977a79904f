// The station database image: its state, lock, defaults and catch-up ageing. The file side
// (encoding, CRC, load and save) is in database_file.cpp.
#include "db/database.h"

#include <cstring>

#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

// A zeroed image with the defaults in force, for use before db_open (and by db_open).
std::unique_ptr<StationDatabase> make_zeroed_image() {
  auto img = std::make_unique<StationDatabase>();
  std::memset(static_cast<void*>(img.get()), 0, sizeof(StationDatabase));
  return img;
}

}  // namespace

DbState& db_state() {
  DbState& s = station().state<DbState>();
  // The image is created with the state; once created, the pointer never changes until the
  // station ends (db_open fills the same image).
  return s;
}

DbLock::DbLock() {
  DbState& s = db_state();
  lock_ = std::unique_lock<std::recursive_mutex>(s.mutex);
  if (!s.image) {
    s.image = make_zeroed_image();
    db_ = s.image.get();
    db_set_default_tables();
  }
  db_ = s.image.get();
}

int db_loaded() {
  DbLock lock;
  return db_state().loaded;
}

void db_set_default_tables() {
  DbLock lock;
  StationDatabase& db = lock.db();
  for (int i = 0; i < kChannelCount; ++i) {
    ChannelRecord& ch = db.channels[i];
    ch.number = static_cast<uint8_t>(i % 256);
    ch.in_use = 0;
    ch.scan_groups = 0;
    ch.rx_mode = 1;  // USB
  }
  for (int i = 0; i < kOwnAddressCount; ++i) {
    db.own[i].index = static_cast<uint8_t>(i);
    db.own[i].in_use = 0;
  }
  for (int i = 0; i < kNetCount; ++i) {
    db.nets[i].index = static_cast<uint8_t>(i);
    db.nets[i].in_use = 0;
  }
  for (int i = 0; i < kOtherAddressCount; ++i) {
    OtherAddressRecord& a = db.other[i];
    a.index = static_cast<uint8_t>(i);
    a.in_use = 0;
    a.minutes_heard = kAgeNever;
    db_reset_lqa_column(a.lqa);
  }
  std::memset(static_cast<void*>(db.amd), 0, sizeof db.amd);
  db.amd_index = 0;
  db_set_default_options();
  db_clear_lp_keys();
}

namespace {

// Adds `m` minutes to an age that has a value, saturating below the "never" mark.
int32_t add_age(int32_t age, int64_t m) {
  if (age == kAgeNever) return age;
  const int64_t sum = static_cast<int64_t>(age) + m;
  return sum >= kAgeNever ? kAgeNever - 1 : static_cast<int32_t>(sum);
}

uint32_t now_seconds() { return static_cast<uint32_t>(station().clock().utc_ms() / 1000); }

}  // namespace

void db_age_elapsed() {
  int64_t minutes;
  {
    DbLock lock;
    // Stamps are unsigned 32-bit seconds; a clock set back (now before the stamp) ages nothing.
    const int64_t now = static_cast<int64_t>(station().clock().utc_ms() / 1000);
    const int64_t stamp = static_cast<int64_t>(lock.db().age_stamp);
    int64_t elapsed = now > stamp ? now - stamp : 0;
    const int64_t cap = static_cast<int64_t>(lock.options().i32(opt::LQA_TIMEOUT)) * 60;
    if (cap < elapsed) elapsed = cap < 0 ? 0 : cap;
    minutes = elapsed / 60;
  }
  db_age_by_minutes(static_cast<int>(minutes > INT32_MAX ? INT32_MAX : minutes));
}

void db_age_by_minutes(int minutes) {
  DbLock lock;
  StationDatabase& db = lock.db();
  const int64_t m = minutes < 0 ? 0 : minutes;
  for (auto& a : db.other) {
    if (a.in_use != 1 || a.minutes_heard == kAgeNever) continue;
    a.minutes_heard = add_age(a.minutes_heard, m);
    for (int ch = 1; ch < kChannelCount; ++ch) {
      a.lqa[ch].reported_age = add_age(a.lqa[ch].reported_age, m);
      a.lqa[ch].measured_age = add_age(a.lqa[ch].measured_age, m);
    }
  }
  StationOptions& o = lock.options();
  const int64_t counter = static_cast<int64_t>(o.i32(opt::MINUTE_COUNTER)) + m;
  o.set_i32(opt::MINUTE_COUNTER, counter > INT32_MAX ? INT32_MAX : static_cast<int32_t>(counter));
  db.age_stamp = now_seconds();
}

}  // namespace vesk
