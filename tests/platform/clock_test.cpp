#include "platform/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace vesk {
namespace {

constexpr int64_t kTick = 10000000;  // 10 ms

TEST(SimClock, OneSecondGivesExactlyOneHundredTicks) {
  SimClock clock;
  auto tick = clock.make_tick_source();
  int ticks = 0;
  std::vector<int64_t> at;
  ASSERT_TRUE(tick->start(kTick, [&] {
    ++ticks;
    at.push_back(clock.mono_ns());
  }));
  clock.advance_ms(1000);
  EXPECT_EQ(ticks, 100);
  ASSERT_EQ(at.size(), 100u);
  EXPECT_EQ(at.front(), kTick);       // each tick runs at its own time
  EXPECT_EQ(at.back(), 100 * kTick);
  clock.advance_ns(kTick - 1);        // not yet due
  EXPECT_EQ(ticks, 100);
  clock.advance_ns(1);
  EXPECT_EQ(ticks, 101);
  tick->stop();
  clock.advance_ms(1000);
  EXPECT_EQ(ticks, 101);
}

TEST(SimClock, SleeperWakesWhenItsDeadlinePasses) {
  SimClock clock;
  std::atomic<bool> woke{false};
  std::thread sleeper([&] {
    clock.sleep_ms(500);
    woke = true;
  });
  while (clock.sleepers() == 0) std::this_thread::yield();
  clock.advance_ms(499);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(woke.load());
  clock.advance_ms(1);
  sleeper.join();
  EXPECT_TRUE(woke.load());
  EXPECT_EQ(clock.mono_ms(), 500);
}

TEST(SimClock, AutoAdvanceMovesTimeForASleeper) {
  SimClock clock;
  clock.set_auto_advance(true);
  auto tick = clock.make_tick_source();
  int ticks = 0;
  tick->start(kTick, [&] { ++ticks; });
  clock.sleep_ms(250);
  EXPECT_EQ(clock.mono_ms(), 250);
  EXPECT_EQ(ticks, 25);
}

TEST(SimClock, UtcFollowsAndCanBeSetBack) {
  SimClock clock(1000000);
  clock.advance_ms(1500);
  EXPECT_EQ(clock.utc_ms(), 1001500);
  clock.set_utc_ms(5000);
  EXPECT_EQ(clock.utc_ms(), 5000);
  EXPECT_EQ(clock.mono_ms(), 1500);
}

TEST(SimClock, TickMayStopItself) {
  SimClock clock;
  auto tick = clock.make_tick_source();
  int ticks = 0;
  tick->start(kTick, [&] {
    if (++ticks == 3) tick->stop();
  });
  clock.advance_ms(100);
  EXPECT_EQ(ticks, 3);
}

TEST(RealClock, TickDeliversAndStops) {
  RealClock clock;
  auto tick = clock.make_tick_source();
  std::atomic<int> ticks{0};
  const int64_t start = clock.mono_ns();
  ASSERT_TRUE(tick->start(kTick, [&] { ++ticks; }));
  while (ticks.load() < 5) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  tick->stop();
  const int after = ticks.load();
  EXPECT_GE(clock.mono_ns() - start, 5 * kTick);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(ticks.load(), after);
}

TEST(RealClock, MissedTicksAreDelivered) {
  RealClock clock;
  auto tick = clock.make_tick_source();
  std::atomic<int> ticks{0};
  const int64_t start = clock.mono_ns();
  // The first callback stalls for 100 ms. Had the ten expiries that pass meanwhile been
  // dropped, the count would lag the elapsed periods by about ten for good.
  tick->start(kTick, [&] {
    if (ticks.fetch_add(1) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  int64_t lag = 1 << 30;
  for (int i = 0; i < 500 && lag > 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int seen = ticks.load();
    lag = (clock.mono_ns() - start) / kTick - seen;
  }
  tick->stop();
  EXPECT_LE(lag, 2);
}

TEST(RealClock, SleepWaitsAtLeastTheTime) {
  RealClock clock;
  const int64_t t0 = clock.mono_ns();
  clock.sleep_ms(20);
  EXPECT_GE(clock.mono_ns() - t0, 20 * 1000000LL);
}

}  // namespace
}  // namespace vesk
