// Clock and tick: all waiting of the station goes through its Clock.
//
// The real clock reads the system clocks and sleeps for real; the simulated clock moves only
// when a harness advances it (or, in auto-advance mode, when a sleeper asks to), so simulated
// runs are repeatable and far faster than real time. A TickSource delivers a periodic tick
// (the engine's 10 ms tick) on real or on simulated time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vesk {

class TickSource {
 public:
  virtual ~TickSource() = default;
  // Starts calling `on_tick` every `period_ns`. Ticks missed under load are delivered late,
  // never dropped. Returns false when already running or the period is not positive.
  virtual bool start(int64_t period_ns, std::function<void()> on_tick) = 0;
  // Stops the tick; no call of `on_tick` is in progress or follows once this returns
  // (unless called from inside `on_tick` itself).
  virtual void stop() = 0;
  virtual bool running() const = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // UTC wall time in milliseconds since 1970-01-01.
  virtual int64_t utc_ms() = 0;
  // Monotonic time in nanoseconds from an arbitrary origin.
  virtual int64_t mono_ns() = 0;
  // Returns once the monotonic time has reached `deadline_ns`.
  virtual void sleep_until_ns(int64_t deadline_ns) = 0;
  virtual std::unique_ptr<TickSource> make_tick_source() = 0;

  void sleep_ms(int64_t ms) { sleep_until_ns(mono_ns() + ms * 1000000); }
  int64_t mono_ms() { return mono_ns() / 1000000; }
  // UTC wall time in whole seconds, as the C library's time() gives it.
  std::time_t utc_seconds() { return static_cast<std::time_t>(utc_ms() / 1000); }
  // The UTC broken-down time of now.
  std::tm utc_tm();
};

class RealClock : public Clock {
 public:
  int64_t utc_ms() override;
  int64_t mono_ns() override;
  void sleep_until_ns(int64_t deadline_ns) override;
  std::unique_ptr<TickSource> make_tick_source() override;
};

class SimClock : public Clock {
 public:
  // 2026-01-01 00:00:00 UTC: a fixed default start so simulated runs repeat.
  static constexpr int64_t kDefaultUtcStartMs = 1767225600000LL;

  explicit SimClock(int64_t utc_start_ms = kDefaultUtcStartMs);
  ~SimClock() override;

  int64_t utc_ms() override;
  int64_t mono_ns() override;
  void sleep_until_ns(int64_t deadline_ns) override;
  std::unique_ptr<TickSource> make_tick_source() override;

  // Moves time forward, running every tick that falls due on the way at its own time, in
  // order, on the calling thread; then wakes the sleepers whose deadline has passed.
  void advance_ns(int64_t delta_ns);
  void advance_ms(int64_t delta_ms) { advance_ns(delta_ms * 1000000); }
  void advance_to_ns(int64_t mono_target_ns);
  // Sets the wall clock (UTC) without moving the monotonic time, e.g. to set it back.
  void set_utc_ms(int64_t utc_ms);
  // In auto-advance mode a sleeper advances the clock to its own deadline instead of
  // waiting for the harness: single-threaded simulations (tools, step-driven tests).
  void set_auto_advance(bool on);
  // The number of threads sleeping on this clock now.
  int sleepers();

 private:
  friend class SimTickSource;
  struct Tick {
    int id = 0;
    int64_t due_ns = 0;
    int64_t period_ns = 0;
    std::function<void()> on_tick;
  };
  int add_tick(int64_t period_ns, std::function<void()> on_tick);
  void remove_tick(int id);

  std::mutex mutex_;
  std::condition_variable cv_;
  int64_t now_ns_ = 0;
  int64_t utc_offset_ms_;  // utc = offset + now
  bool auto_advance_ = false;
  int sleepers_ = 0;
  int next_tick_id_ = 1;
  std::vector<Tick> ticks_;
  int running_tick_ = 0;   // id of the tick whose callback runs now
  std::condition_variable tick_done_cv_;
  std::thread::id advancer_;  // the thread advancing the clock now; one at a time
  std::condition_variable advance_cv_;
};

}  // namespace vesk
