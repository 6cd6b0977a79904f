// The database lock: saves, option changes and in-place record changes from several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "tests/db/db_fixture.h"

namespace vesk {
namespace {

TEST(DbConcurrency, SavesSeeConsistentImagesWhileOthersWrite) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  std::atomic<bool> stop{false};
  auto writer = [&](int seed) {
    StationScope s(st);
    for (int i = 0; !stop.load(); ++i) {
      db_set_tx_audio_level((i + seed) % 100);
      {
        DbLock lock;
        ChannelRecord* ch = &lock.db().channels[1 + (i % 256)];
        ch->rx_freq_hz = i;
        ch->tx_freq_hz = i;  // the pair always changes together under the lock
      }
      db_select_channel(i % 257);
      (void)db_current_channel_number();
      // The engine's link-quality work and log lines, whose stamps read the database.
      db_lqa_heard(seed == 1 ? "ALPHA" : "BRAVO", i % 256, i % 31, i % 31, 15);
      if (i % 50 == 0) db_age_minute();
      if (i % 20 == 0) log_printf("[%s][%s][TEST %d]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), i);
    }
  };
  std::thread a(writer, 1), b(writer, 2);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(db_save(), 1);
  stop = true;
  a.join();
  b.join();
  // Every saved image is whole: its CRC matches and each channel's pair is equal.
  db_open();
  EXPECT_EQ(log_monitor_text().find("FILE ERROR"), std::string::npos);
  DbLock lock;
  for (int n = 1; n < kChannelCount; ++n)
    EXPECT_EQ(lock.db().channels[n].rx_freq_hz, lock.db().channels[n].tx_freq_hz) << n;
}

}  // namespace
}  // namespace vesk
