#include "db/lqa.h"

#include <vector>

#include "db/ale_chars.h"
#include "db/db_internal.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

uint32_t reset_word(uint32_t w) {
  return lqa_with_multipath(lqa_with_sinad(lqa_with_ber(w, kLqaNoValue), kLqaNoValue), kLqaNoMultipath);
}

bool score_valid(int v) { return v >= 0 && v <= 30; }

// Link quality is kept for channels 0 to 255 (channel 256 is never written).
bool lqa_channel_valid(int ch) { return ch >= 0 && ch < 256; }

}  // namespace

int lqa_merge(int old, int v, bool measured_ber) {
  if (old == kLqaNoValue || (measured_ber && old == kLqaMarked) || v > old) return v;
  return (old + v) / 2;
}

void db_reset_lqa_record(LqaRecord* rec) {
  if (rec == nullptr) return;
  rec->measured = reset_word(rec->measured);
  rec->reported = reset_word(rec->reported);
  rec->measured_age = kAgeNever;
  rec->reported_age = kAgeNever;
}

void db_reset_lqa_column(LqaRecord* first) {
  if (first == nullptr) return;
  for (int ch = 0; ch < kChannelCount; ++ch) db_reset_lqa_record(first + ch);
}

void db_lqa_heard(const char* address, int channel, int sinad, int ber, int noise) {
  const std::string_view a = dbi::bounded(address);
  if (!ale_address_valid(a) || a[0] == '@' || !lqa_channel_valid(channel)) return;
  DbLock lock;
  StationDatabase& db = lock.db();
  int i = dbi::find_other(db, a);
  if (i < 0) {
    if (db.options.i32(opt::RX_AUTOFILL) == 0) return;
    i = dbi::add_other(db, a, 1, 2000, 3000);
    if (i < 0) return;
  }
  OtherAddressRecord& rec = db.other[i];
  rec.minutes_heard = 0;
  rec.last_channel = channel;
  LqaRecord& q = rec.lqa[channel];
  q.noise = static_cast<uint8_t>(noise);
  // A score outside 0 to 30 carries no measurement and leaves the stored one alone.
  if (score_valid(ber)) q.measured = lqa_with_ber(q.measured, lqa_merge(lqa_ber(q.measured), ber, true));
  if (score_valid(sinad)) q.measured = lqa_with_sinad(q.measured, lqa_merge(lqa_sinad(q.measured), sinad, false));
  q.measured_age = 0;
}

void db_lqa_update_reported(const char* address, int channel, int sinad, int ber) {
  const std::string_view a = dbi::bounded(address);
  if (!ale_address_valid(a) || !lqa_channel_valid(channel)) return;
  // 31 (and anything else outside 0 to 30) is a field that reported no value.
  if (!score_valid(sinad)) sinad = kLqaNoValue;
  if (!score_valid(ber)) ber = kLqaNoValue;
  struct Traced {
    int index;
    LqaRecord rec;
  };
  std::vector<Traced> traced;
  {
    DbLock lock;
    StationDatabase& db = lock.db();
    for (int i = 0; i < kOtherAddressCount; ++i) {
      OtherAddressRecord& rec = db.other[i];
      if (rec.in_use != 1 || dbi::field_text(rec.address) != a) continue;
      LqaRecord& q = rec.lqa[channel];
      if (sinad != kLqaNoValue) q.reported = lqa_with_sinad(q.reported, lqa_merge(lqa_sinad(q.reported), sinad, false));
      if (ber != kLqaNoValue) q.reported = lqa_with_ber(q.reported, lqa_merge(lqa_ber(q.reported), ber, false));
      q.reported_age = 0;
      traced.push_back({i, q});
    }
  }
  for (const auto& t : traced) log_lqa_line(t.index, channel, t.rec);
}

void db_lqa_mark_channel(const char* address, int channel) {
  const std::string_view a = dbi::bounded(address);
  if (!lqa_channel_valid(channel)) return;
  DbLock lock;
  const int i = dbi::find_other(lock.db(), a);
  if (i < 0) return;
  LqaRecord& q = lock.db().other[i].lqa[channel];
  q.measured = lqa_with_multipath(lqa_with_sinad(lqa_with_ber(q.measured, kLqaMarked), kLqaNoValue), kLqaNoMultipath);
}

void db_reset_all_lqa() {
  DbLock lock;
  for (auto& a : lock.db().other) db_reset_lqa_column(a.lqa);
}

LqaRecord* db_get_lqa_record(DbLock& lock, const char* address, int channel) {
  if (channel < 0 || channel >= kChannelCount) return nullptr;
  const int i = dbi::find_other(lock.db(), dbi::bounded(address));
  return i >= 0 ? &lock.db().other[i].lqa[channel] : nullptr;
}

int db_copy_lqa_record(const char* address, int channel, LqaRecord* out) {
  if (out == nullptr) return -1;
  DbLock lock;
  const LqaRecord* q = db_get_lqa_record(lock, address, channel);
  if (q == nullptr) return -1;
  *out = *q;
  return 0;
}

void db_age_minute() {
  DbLock lock;
  StationDatabase& db = lock.db();
  StationOptions& o = lock.options();
  const int32_t timeout = o.i32(opt::LQA_TIMEOUT);
  for (auto& a : db.other) {
    if (a.in_use != 1 || a.minutes_heard == kAgeNever) continue;
    if (a.minutes_heard < kAgeNever - 1) ++a.minutes_heard;
    // A learned address not heard for the timeout is forgotten; its records still age.
    if (a.minutes_heard >= timeout && a.learned == 1) a.in_use = 0;
    for (int ch = 1; ch < kChannelCount; ++ch) {
      LqaRecord& q = a.lqa[ch];
      if (q.reported_age != kAgeNever && q.reported_age < kAgeNever - 1) ++q.reported_age;
      if (q.measured_age != kAgeNever && q.measured_age < kAgeNever - 1) ++q.measured_age;
      // Expiry follows the measured age alone (no measurement counts as expired).
      if (q.measured_age >= timeout) db_reset_lqa_record(&q);
    }
  }
  const int32_t counter = o.i32(opt::MINUTE_COUNTER);
  if (counter < INT32_MAX) o.set_i32(opt::MINUTE_COUNTER, counter + 1);
  db.age_stamp = static_cast<uint32_t>(station().clock().utc_ms() / 1000);
}

}  // namespace vesk
