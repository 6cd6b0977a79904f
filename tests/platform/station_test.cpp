#include "platform/station.h"

#include <gtest/gtest.h>

#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/thread.h"

namespace vesk {
namespace {

struct CounterState {
  int value = 0;
};

TEST(Station, StateIsPerStation) {
  Station a("/tmp/a"), b("/tmp/b");
  {
    StationScope sa(a);
    station().state<CounterState>().value = 7;
  }
  {
    StationScope sb(b);
    EXPECT_EQ(station().state<CounterState>().value, 0);
    station().state<CounterState>().value = 3;
  }
  StationScope sa(a);
  EXPECT_EQ(station().state<CounterState>().value, 7);
  EXPECT_EQ(&a.state<CounterState>(), &station().state<CounterState>());
}

TEST(Station, ScopeRestoresPrevious) {
  Station a("/tmp/a"), b("/tmp/b");
  EXPECT_EQ(current_station(), nullptr);
  {
    StationScope sa(a);
    {
      StationScope sb(b);
      EXPECT_EQ(current_station(), &b);
    }
    EXPECT_EQ(current_station(), &a);
  }
  EXPECT_EQ(current_station(), nullptr);
}

TEST(Station, ThreadRunsWithItsStation) {
  Station a("/tmp/a"), b("/tmp/b");
  std::atomic<int> steps{0};
  std::atomic<Station*> seen{nullptr};
  StationThread t;
  ASSERT_TRUE(t.start(b, "test", [&] {
    seen = current_station();
    station().state<CounterState>().value = 42;
    ++steps;
    std::this_thread::yield();
  }));
  while (steps.load() < 3) std::this_thread::yield();
  EXPECT_TRUE(t.stop(5000));
  EXPECT_FALSE(t.running());
  EXPECT_EQ(seen.load(), &b);
  EXPECT_EQ(b.state<CounterState>().value, 42);
  EXPECT_EQ(a.state<CounterState>().value, 0);
}

// A step that throws does not end its thread (an uncaught exception would end the process):
// the fault is reported to the station's hook and the loop goes on.
TEST(Station, AThrowingStepIsReportedAndTheThreadGoesOn) {
  Station st("/tmp/a");
  std::vector<std::string> faults;
  std::mutex m;
  {
    StationScope scope(st);
    thread_hooks().fault = [&](const std::string& thread, const std::string& what) {
      std::lock_guard<std::mutex> hold(m);
      faults.push_back(thread + ": " + what);
    };
  }
  std::atomic<int> steps{0};
  StationThread t;
  ASSERT_TRUE(t.start(st, "thrower", [&] {
    if (++steps == 2) throw std::bad_alloc();
    std::this_thread::yield();
  }));
  while (steps.load() < 5) std::this_thread::yield();
  EXPECT_TRUE(t.stop(5000));
  std::lock_guard<std::mutex> hold(m);
  EXPECT_EQ(faults, (std::vector<std::string>{"thrower: std::bad_alloc"}));
}

TEST(Station, PathsAreInsideTheStationFolder) {
  Station a("/srv/st");
  EXPECT_EQ(a.path("ALE.DAT"), std::filesystem::path("/srv/st/ALE.DAT"));
  EXPECT_EQ(a.path("\\owlog\\12012026.ow"), std::filesystem::path("/srv/st/owlog/12012026.ow"));
}

}  // namespace
}  // namespace vesk
