// A station on a temporary folder and a simulated clock set to 8 December 2026, 14:03:09 UTC.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

inline constexpr int64_t kLogTestStartMs = 1796738589000LL;  // 2026-12-08 14:03:09 UTC

class LogFixture : public ::testing::Test {
 protected:
  TempDir dir;
  Station st{dir.path(), std::make_unique<SimClock>(kLogTestStartMs)};
  StationScope scope{st};

  // The two stamp fields that begin a stamped line now: "[time][channel]".
  static std::string stamps() { return "[" + log_time_stamp() + "][" + log_current_channel_stamp() + "]"; }

  // Runs `fn` on another thread of this station (e.g. to make it the echo consumer).
  template <class F>
  void on_other_thread(F fn) {
    std::thread([&] {
      StationScope s(st);
      fn();
    }).join();
  }
};

}  // namespace vesk::test
