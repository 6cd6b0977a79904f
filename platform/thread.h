// StationThread: a named thread running a loop around one step function.
//
// Each of the station's threads (engine worker, audio, input pump, serial poll, listeners)
// is such a loop; a simulation harness calls the same step functions directly instead. The
// thread runs with its station set as the current station.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vesk {

class Station;

// Names the calling thread (at most 15 characters are kept).
void set_thread_name(const std::string& name);

// A step that ends by an exception does not end its thread: the loop reports it here and goes
// on. Unbound, the report goes to standard error.
struct ThreadHooks {
  std::function<void(const std::string& thread, const std::string& what)> fault;
};
ThreadHooks& thread_hooks();  // the current station's
// Reports an exception that reached the top of a thread (to standard error when the thread
// has no current station).
void thread_report_fault(const std::string& thread, const char* what);

class StationThread {
 public:
  StationThread() = default;
  ~StationThread();
  StationThread(const StationThread&) = delete;
  StationThread& operator=(const StationThread&) = delete;

  // Starts the loop: `step` is called again and again until a stop is asked for. The step
  // does its own waiting (through the station's clock). False when already running.
  bool start(Station& s, std::string name, std::function<void()> step);
  // Asks the loop to end after the current step; does not wait.
  void request_stop();
  // Asks the loop to end and waits for it, at most `limit_ms` (negative: no limit). True
  // when the thread has ended and been joined; false when it is still in a step.
  bool stop(int64_t limit_ms = -1);
  bool running() const { return thread_.joinable(); }
  bool stop_requested() const { return stop_.load(std::memory_order_acquire); }

 private:
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
};

}  // namespace vesk
