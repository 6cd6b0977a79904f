// The 25 timer slots on the simulated 10 ms tick, seen as the worker sees them. Timer 1019
// has no owner, so each expiry the worker runs writes "UNKNOWN TIMER EVENT ID 1019": the
// tests count those lines.
#include <vector>

#include "ale/engine/events.h"
#include "db/options.h"
#include "tests/ale/engine_fixture.h"

namespace vesk {
namespace {

constexpr int kProbe = EV_BREAK_TIMER_A;  // 1019
constexpr const char* kProbeLine = "UNKNOWN TIMER EVENT ID 1019\n";

class TimerTest : public test::EngineFixture {
 protected:
  void SetUp() override { start_engine(); }
  // The ticks (1-based) after which the worker ran an expiry of the probe timer.
  std::vector<int> expiry_ticks(int ticks) {
    std::vector<int> at;
    for (int t = 1; t <= ticks; ++t) {
      const int before = count_in_log(kProbeLine);
      tick_and_run();
      for (int n = count_in_log(kProbeLine) - before; n > 0; --n) at.push_back(t);
    }
    return at;
  }
};

TEST_F(TimerTest, OneShotAndPeriodicExpiries) {
  struct Case {
    const char* what;
    bool periodic;
    int ms;
    std::vector<int> ticks;
  } cases[] = {
      {"5-tick one-shot", false, 50, {5}},
      {"59 ms is 5 ticks", false, 59, {5}},
      {"below one tick runs one tick", false, 5, {1}},
      {"zero runs one tick", false, 0, {1}},
      {"periodic 3 ticks", true, 30, {3, 6, 9, 12}},
      {"periodic below one tick starts nothing", true, 5, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.periodic)
      timer_start_periodic(kProbe, c.ms);
    else
      timer_start(kProbe, c.ms);
    EXPECT_EQ(expiry_ticks(12), c.ticks);
    timer_stop(kProbe);
    run_worker();
  }
}

TEST_F(TimerTest, RunningOutOfSlots) {
  const int held = timer_slots_in_use();
  for (int i = 0; i < kTimerSlots - held; ++i) timer_start(1100 + i, 1000);
  EXPECT_EQ(timer_slots_in_use(), kTimerSlots);
  EXPECT_EQ(count_in_log("No Timers left\n"), 0);
  timer_start(kProbe, 1000);
  EXPECT_EQ(count_in_log("No Timers left\n"), 1);
  EXPECT_FALSE(timer_is_running(kProbe));
  // Restarting a running number reuses its own slot.
  timer_start(1100, 500);
  EXPECT_EQ(count_in_log("No Timers left\n"), 1);
  EXPECT_TRUE(timer_is_running(1100));
}

TEST_F(TimerTest, StaleExpiriesAreIgnored) {
  struct Case {
    const char* what;
    bool periodic;  // the first timer: periodic (its slot still runs) or one-shot (freed)
    void (*after_expiry)();
    std::vector<int> ticks;  // counted from the first expiry's tick
  } cases[] = {
      {"restart cancels the queued expiry", false, [] { timer_start(kProbe, 30); }, {3}},
      {"stop cancels the queued expiry", false, [] { timer_stop(kProbe); }, {}},
      {"periodic restart", false, [] { timer_start_periodic(kProbe, 20); }, {2, 4}},
      {"restart of a periodic timer", true, [] { timer_start(kProbe, 30); }, {3}},
      {"stop of a periodic timer", true, [] { timer_stop(kProbe); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.periodic)
      timer_start_periodic(kProbe, 10);
    else
      timer_start(kProbe, 10);
    clock().advance_ms(kTickMs);
    ASSERT_EQ(queued_expiries(kProbe), 1);  // queued, not yet handled
    c.after_expiry();
    EXPECT_EQ(expiry_ticks(4), c.ticks);
    timer_stop(kProbe);
    run_worker();
  }
}

TEST_F(TimerTest, ExpiryTakenByTheWorkerBeforeAStopIsIgnored) {
  timer_start(kProbe, 10);
  clock().advance_ms(kTickMs);
  ApiEvent* e = api_pop();  // the worker has it in hand
  ASSERT_NE(e, nullptr);
  timer_stop(kProbe);       // can no longer reach it in the queue
  api_dispatch(e);
  EXPECT_EQ(count_in_log(kProbeLine), 0);
}

TEST_F(TimerTest, ExtendLengthensARunningTimer) {
  timer_start(kProbe, 50);
  timer_extend(kProbe, 30);
  EXPECT_EQ(expiry_ticks(10), std::vector<int>{8});
  timer_start(kProbe, 50);
  timer_extend(kProbe, -100);  // shortened below zero: expires at the next tick
  EXPECT_EQ(expiry_ticks(3), std::vector<int>{1});
}

TEST_F(TimerTest, DwellCountsAudioBlocks) {
  struct Case {
    int scan_rate, dwell_ms, blocks;
  } cases[] = {{0, 1000, 38}, {1, 500, 19}, {2, 200, 7}, {3, 100, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dwell_ms);
    EXPECT_EQ(ale_dwell_blocks(c.dwell_ms), c.blocks);
    db_set_scan_rate(c.scan_rate);
    ASSERT_EQ(db_get_scan_dwell_ms(), c.dwell_ms);
    ale_dwell_start();
    for (int b = 1; b < c.blocks; ++b) ale_dwell_tick();
    EXPECT_EQ(queued_expiries(EV_SCAN_TIMER), 0);
    ale_dwell_tick();
    EXPECT_EQ(queued_expiries(EV_SCAN_TIMER), 1);
    ale_dwell_tick();  // counting has ended
    EXPECT_EQ(queued_expiries(EV_SCAN_TIMER), 1);
    run_worker();
  }
  ale_dwell_start();
  ale_dwell_stop();
  for (int b = 0; b < 100; ++b) ale_dwell_tick();
  EXPECT_EQ(queued_expiries(EV_SCAN_TIMER), 0);
}

}  // namespace
}  // namespace vesk
