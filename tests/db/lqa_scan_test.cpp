// Link quality (merge, reports, ageing and expiry) and the scan walk, working channel and
// sounding schedule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "tests/db/db_fixture.h"

namespace vesk {
namespace {

class LqaTest : public test::DbTest {
 protected:
  void SetUp() override { open(); }
  static LqaRecord lqa(const char* address, int channel) {
    LqaRecord q;
    EXPECT_EQ(db_copy_lqa_record(address, channel, &q), 0) << address;
    return q;
  }
  static OtherAddressRecord record(const char* address) {
    DbLock lock;
    const OtherAddressRecord* a = db_find_other_address(lock, address);
    EXPECT_NE(a, nullptr) << address;
    return a ? *a : OtherAddressRecord{};
  }
};

TEST(LqaMerge, Rule) {
  struct Case {
    int old, v;
    bool measured_ber;
    int expected;
  };
  const Case cases[] = {
      {20, 26, false, 26}, {26, 20, false, 23}, {49, 3, false, 3},  {50, 3, true, 3},
      {50, 3, false, 26},  {30, 0, false, 15},  {15, 0, false, 7},  {7, 0, false, 3},
      {0, 0, false, 0},    {49, 0, true, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lqa_merge(c.old, c.v, c.measured_ber), c.expected) << c.old << " then " << c.v;
}

TEST_F(LqaTest, HeardFramesMergeIntoTheMeasuredScores) {
  ASSERT_GE(db_add_other_address("ABC", 0, 0, 0), 0);
  db_lqa_heard("ABC", 5, 30, 20, 15);
  db_lqa_heard("ABC", 5, 0, 26, 15);
  LqaRecord q = lqa("ABC", 5);
  EXPECT_EQ(lqa_sinad(q.measured), 15);
  EXPECT_EQ(lqa_ber(q.measured), 26);
  EXPECT_EQ(lqa_multipath(q.measured), kLqaNoMultipath);
  EXPECT_EQ(q.measured_age, 0);
  EXPECT_EQ(q.noise, 15);
  db_lqa_heard("ABC", 5, 0, 20, 9);
  db_lqa_heard("ABC", 5, 0, 20, 9);
  q = lqa("ABC", 5);
  EXPECT_EQ(lqa_sinad(q.measured), 3);
  EXPECT_EQ(lqa_ber(q.measured), 21);  // 26 then 20 gives 23, then 21
  EXPECT_EQ(record("ABC").minutes_heard, 0);
  EXPECT_EQ(record("ABC").last_channel, 5);
  // A marked channel takes the next measurement as it is.
  db_lqa_mark_channel("ABC", 5);
  EXPECT_EQ(lqa_ber(lqa("ABC", 5).measured), kLqaMarked);
  db_lqa_heard("ABC", 5, 10, 3, 15);
  EXPECT_EQ(lqa_ber(lqa("ABC", 5).measured), 3);
}

TEST_F(LqaTest, HeardUnknownStationsAndWildcards) {
  db_lqa_heard("@AB", 3, 10, 10, 15);
  EXPECT_EQ(db_find_other_address_index("@AB"), -1);
  db_set_rx_autofill(0);
  db_lqa_heard("NEWONE", 3, 10, 10, 15);
  EXPECT_EQ(db_find_other_address_index("NEWONE"), -1);
  db_set_rx_autofill(1);
  db_lqa_heard("NEWONE", 3, 10, 12, 15);
  const OtherAddressRecord a = record("NEWONE");
  EXPECT_EQ(a.learned, 1);
  EXPECT_EQ(a.twr_ms, 2000);
  EXPECT_EQ(a.tt_ms, 3000);
  EXPECT_EQ(lqa_ber(a.lqa[3].measured), 12);
}

TEST_F(LqaTest, ReportsWithoutValuesOnlyRefreshTheAge) {
  ASSERT_GE(db_add_other_address("ABC", 0, 0, 0), 0);
  db_lqa_update_reported("ABC", 7, 20, 26);
  db_lqa_update_reported("ABC", 7, 31, 31);
  LqaRecord q = lqa("ABC", 7);
  EXPECT_EQ(lqa_sinad(q.reported), 20);
  EXPECT_EQ(lqa_ber(q.reported), 26);
  EXPECT_EQ(q.reported_age, 0);
  // 31 or anything outside 0 to 30 is no value, never a score.
  {
    DbLock lock;
    db_get_lqa_record(lock, "ABC", 7)->reported_age = 12;
  }
  db_lqa_update_reported("ABC", 7, 45, -2);
  q = lqa("ABC", 7);
  EXPECT_EQ(lqa_sinad(q.reported), 20);
  EXPECT_EQ(lqa_ber(q.reported), 26);
  EXPECT_EQ(q.reported_age, 0);
  db_lqa_update_reported("ABC", 7, 0, 20);
  q = lqa("ABC", 7);
  EXPECT_EQ(lqa_sinad(q.reported), 10);
  EXPECT_EQ(lqa_ber(q.reported), 23);
}

TEST_F(LqaTest, MinuteAgeingExpiresLearnedAddressesAndOldScores) {
  db_set_lqa_timeout(1440);
  ASSERT_GE(db_add_other_address("LEARNED", 1, 0, 0), 0);
  ASSERT_GE(db_add_other_address("ENTERED", 0, 0, 0), 0);
  ASSERT_GE(db_add_other_address("NEVER", 0, 0, 0), 0);
  db_lqa_heard("ENTERED", 4, 20, 20, 15);
  db_lqa_heard("ENTERED", 0, 20, 20, 15);
  db_lqa_update_reported("ENTERED", 4, 22, 22);
  {
    DbLock lock;
    for (const char* name : {"LEARNED", "ENTERED"}) db_find_other_address(lock, name)->minutes_heard = 1439;
    db_get_lqa_record(lock, "ENTERED", 4)->measured_age = 1438;
  }
  db_set_minute_counter(7);
  st_->clock().advance_ms(60000);
  db_age_minute();
  EXPECT_EQ(db_find_other_address_index("LEARNED"), -1) << "forgotten after the timeout";
  EXPECT_EQ(record("ENTERED").minutes_heard, 1440);
  EXPECT_EQ(record("NEVER").minutes_heard, kAgeNever);
  LqaRecord q = lqa("ENTERED", 4);
  EXPECT_EQ(q.measured_age, 1439);
  EXPECT_EQ(q.reported_age, 1);
  EXPECT_EQ(lqa("ENTERED", 0).measured_age, 0) << "channel 0 is not aged";
  EXPECT_EQ(db_get_minute_counter(), 8);
  {
    DbLock lock;
    EXPECT_EQ(lock.db().age_stamp, static_cast<uint32_t>(st_->clock().utc_ms() / 1000));
  }
  db_age_minute();
  q = lqa("ENTERED", 4);
  EXPECT_EQ(q.measured_age, kAgeNever) << "the measured age reached the timeout";
  EXPECT_EQ(q.reported_age, kAgeNever) << "the reported half goes with it";
  EXPECT_EQ(lqa_sinad(q.reported), kLqaNoValue);
}

class ScanTest : public test::DbTest {
 protected:
  void SetUp() override {
    open();
    DbHooks& h = db_hooks();
    h.start_tis_sounding = [this](int ch) { soundings.emplace_back("TIS", ch); };
    h.start_twas_sounding = [this](int ch) { soundings.emplace_back("TWAS", ch); };
  }
  static void add(int n, int groups, int permission = CHANNEL_BX) {
    ChannelRecord r;
    std::memset(&r, 0, sizeof r);
    r.scan_groups = groups;
    r.permission = permission;
    r.rx_freq_hz = 1000000 + n;
    ASSERT_EQ(db_store_channel(n, r), n);
  }
  static int countdown(int n) {
    ChannelRecord c;
    db_copy_channel(n, &c);
    return c.sound_countdown_min;
  }
  std::vector<std::pair<std::string, int>> soundings;
};

TEST_F(ScanTest, WalkGoesRoundTheGroup) {
  add(3, 0x1);
  add(7, 0x1);
  add(5, 0x2);  // another group
  EXPECT_EQ(db_next_scan_channel(), 3);
  EXPECT_EQ(db_next_scan_channel(), 7);
  EXPECT_EQ(db_next_scan_channel(), 3);
  EXPECT_EQ(db_prev_scan_channel(), 7);
  EXPECT_EQ(db_prev_scan_channel(), 3);
  EXPECT_EQ(db_current_scan_channel(), 3);
  EXPECT_EQ(db_count_group_channels(), 2);
  ASSERT_EQ(db_set_scan_group(1), 0);
  EXPECT_EQ(db_next_scan_channel(), 5);
  EXPECT_EQ(db_next_scan_channel(), 5);
  ASSERT_EQ(db_set_scan_group(2), 0);
  EXPECT_EQ(db_next_scan_channel(), -1);
  EXPECT_EQ(db_current_scan_channel(), 5) << "an empty group leaves the cursor where it was";
}

TEST_F(ScanTest, BackwardStepBeforeAnyForwardStepWraps) {
  add(256, 0x1);
  add(2, 0x1);
  EXPECT_EQ(db_current_scan_channel(), 0);
  EXPECT_EQ(db_prev_scan_channel(), 256);
  EXPECT_EQ(db_prev_scan_channel(), 2);
}

TEST_F(ScanTest, WorkingChannel256ReadsZeroButKeepsItsOwnRecord) {
  add(256, 0x1);
  add(0, 0x1);
  EXPECT_EQ(db_select_channel(256), 0);
  EXPECT_EQ(db_current_channel_number(), 0);
  EXPECT_EQ(db_current_channel_index(), 256);
  EXPECT_EQ(db_get_current_rx_freq(), 1000256);
  db_set_current_rx_freq(5);
  ChannelRecord c;
  db_copy_channel(256, &c);
  EXPECT_EQ(c.rx_freq_hz, 1000256) << "the copy is private";
  db_set_sounding_interval(30);
  db_restart_sounding_countdown();
  EXPECT_EQ(countdown(256), 29);
  EXPECT_EQ(countdown(0), 0) << "channel 256 never restarts channel 0";
}

TEST_F(ScanTest, SoundingSchedule) {
  add(4, 0x1);
  add(9, 0x1);
  add(2, 0x1, CHANNEL_RX);  // receive-only: never sounds
  add(1, 0x2);              // another group
  {
    DbLock lock;
    lock.db().channels[9].sound_countdown_min = 2;
  }
  db_run_sounding_schedule();  // SOUNDING off: only the countdowns move
  EXPECT_TRUE(soundings.empty());
  EXPECT_EQ(countdown(9), 1);

  db_enable_sounding();
  db_run_sounding_schedule();
  ASSERT_EQ(soundings.size(), 1u);
  EXPECT_EQ(soundings[0], std::make_pair(std::string("TIS"), 4));
  EXPECT_EQ(countdown(9), 0);
  // Channel 4 sounded: its countdown restarts, and channel 9 is due next.
  db_select_channel(4);
  db_restart_sounding_countdown();
  db_disable_tis_sounding();
  db_run_sounding_schedule();
  ASSERT_EQ(soundings.size(), 2u);
  EXPECT_EQ(soundings[1], std::make_pair(std::string("TWAS"), 9));
  EXPECT_EQ(countdown(4), 58);
}

TEST_F(ScanTest, ChannelTests) {
  add(6, 0x0);
  add(8, 0x1);
  EXPECT_EQ(db_channel_in_use(6), 1);
  EXPECT_EQ(db_channel_in_group(6), 0);
  EXPECT_EQ(db_channel_has_groups(6), 0);
  EXPECT_EQ(db_channel_in_group(8), 1);
  EXPECT_EQ(db_channel_has_groups(8), 1);
  EXPECT_EQ(db_channel_scannable(8), 1);
  db_delete_channel(8);
  EXPECT_EQ(db_channel_in_use(8), 0);
  EXPECT_EQ(db_channel_scannable(8), 0);
}

}  // namespace
}  // namespace vesk
