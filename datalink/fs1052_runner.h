// Fs1052Runner: the one thread that runs a FED-STD-1052 link, fed by an event queue.
//
// Received bytes (audio thread), the 10 ms ticks (tick thread), transmission complete and the
// operations (engine and command threads) are posted as events and run in order on the
// runner's thread, so the link object is never touched by two threads at once. A stepped
// harness (simulated time) calls run_pending() instead of starting the thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "datalink/fs1052_link.h"
#include "platform/thread.h"

namespace vesk {

class Station;

class Fs1052Runner {
 public:
  using Op = std::function<void(Fs1052Link&)>;
  explicit Fs1052Runner(Fs1052Link& link) : link_(link) {}
  ~Fs1052Runner() { stop(); }
  Fs1052Runner(const Fs1052Runner&) = delete;
  Fs1052Runner& operator=(const Fs1052Runner&) = delete;

  void post(Op op);
  void post_bytes(const uint8_t* bytes, std::size_t count);
  void post_tick();
  void post_tx_complete();
  // Runs every queued event on the calling thread; returns how many ran.
  int run_pending();
  std::size_t pending();
  // Starts the thread (it runs with `s` as its station); events then run there.
  void start(Station& s);
  void stop();
  bool running() const { return thread_.running(); }

 private:
  Fs1052Link& link_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Op> queue_;
  StationThread thread_;
};

}  // namespace vesk
