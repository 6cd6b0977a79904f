// Timers started and stopped from several threads while the tick counts them down on one
// thread and the worker dispatches on another: no stale expiry is ever dispatched.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ale/dispatch/engine.h"
#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

int count_in_log(const std::string& text) {
  const std::string log = log_monitor_text();
  int n = 0;
  for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
  return n;
}

TEST(TimerConcurrency, NoStaleExpiryIsDispatched) {
  constexpr int kThreads = 4;
#ifdef __SANITIZE_THREAD__
  // ThreadSanitizer runs this some forty times slower: a tenth of the rounds keeps it short.
  constexpr int kRoundsPerThread = 12500;
#else
  constexpr int kRoundsPerThread = 125000;  // a start and a stop each: a million operations
#endif
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  SimClock& clock = *st.sim_clock();
  api_queue_create();
  timer_tick_start();
  ale_engine_start_worker(EngineRun::Stepped);

  std::atomic<bool> done{false};
  std::thread ticker([&] {
    StationScope s(st);
    while (!done.load()) clock.advance_ms(kTickMs);
  });
  std::thread worker([&] {
    StationScope s(st);
    while (!done.load()) ale_engine_step();
  });
  std::vector<std::thread> users;
  for (int t = 0; t < kThreads; ++t) {
    users.emplace_back([&, t] {
      StationScope s(st);
      const int id = 1019 + t;  // timers without an owner: each dispatch writes a log line
      for (int i = 0; i < kRoundsPerThread; ++i) {
        if (i % 2 == 0)
          timer_start(id, 10 + 10 * (i % 3));
        else
          timer_start_periodic(id, 10);
        if (i % 64 == 0) std::this_thread::yield();
        timer_stop(id);
      }
    });
  }
  for (auto& u : users) u.join();
  done = true;
  ticker.join();
  worker.join();

  // Every timer is stopped: whatever expiry is still queued is stale.
  const int dispatched = count_in_log("UNKNOWN TIMER EVENT ID");
  while (api_queue_count() > 0) ale_engine_step();
  EXPECT_EQ(count_in_log("UNKNOWN TIMER EVENT ID"), dispatched);
  for (int t = 0; t < kThreads; ++t) EXPECT_FALSE(timer_is_running(1019 + t));
  EXPECT_EQ(timer_slots_in_use(), 0);
  timer_tick_stop();
}

}  // namespace
}  // namespace vesk
