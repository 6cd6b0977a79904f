// Test support: bounded waits on real time, for the tests that run programs and threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace vesk::test {

// Milliseconds of the steady clock.
inline int64_t steady_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Checks `done` every `step_ms` until it holds (true) or `limit_ms` have passed (false).
inline bool wait_until(const std::function<bool()>& done, int limit_ms, int step_ms = 5) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(step_ms));
  }
  return true;
}

}  // namespace vesk::test
