#include "platform/clock.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <thread>

#include "platform/station.h"
#include "platform/thread.h"

namespace vesk {

std::tm Clock::utc_tm() {
  std::time_t t = utc_seconds();
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

// ---- real clock ----

int64_t RealClock::utc_ms() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t RealClock::mono_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void RealClock::sleep_until_ns(int64_t deadline_ns) {
  timespec ts{};
  ts.tv_sec = deadline_ns / 1000000000LL;
  ts.tv_nsec = deadline_ns % 1000000000LL;
  if (deadline_ns <= 0) return;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

namespace {

// The real tick: a thread reading a timerfd on CLOCK_MONOTONIC with absolute expiries. The
// timerfd counts expiries that passed while the thread was late; each one is delivered.
class RealTickSource : public TickSource {
 public:
  ~RealTickSource() override { stop(); }

  bool start(int64_t period_ns, std::function<void()> on_tick) override {
    if (running_ || period_ns <= 0) return false;
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (fd_ < 0) return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const int64_t first = static_cast<int64_t>(now.tv_sec) * 1000000000LL + now.tv_nsec + period_ns;
    itimerspec spec{};
    spec.it_value.tv_sec = first / 1000000000LL;
    spec.it_value.tv_nsec = first % 1000000000LL;
    spec.it_interval.tv_sec = period_ns / 1000000000LL;
    spec.it_interval.tv_nsec = period_ns % 1000000000LL;
    if (timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) != 0) {
      close(fd_);
      fd_ = -1;
      return false;
    }
    on_tick_ = std::move(on_tick);
    stop_.store(false);
    running_ = true;
    Station* owner = current_station();
    thread_ = std::thread([this, owner] {
      std::unique_ptr<StationScope> scope;
      if (owner != nullptr) scope = std::make_unique<StationScope>(*owner);
      set_thread_name("tick");
      while (!stop_.load(std::memory_order_acquire)) {
        uint64_t expiries = 0;
        ssize_t n = read(fd_, &expiries, sizeof expiries);
        if (n != static_cast<ssize_t>(sizeof expiries)) {
          if (n < 0 && errno == EINTR) continue;
          break;
        }
        for (uint64_t i = 0; i < expiries && !stop_.load(std::memory_order_acquire); ++i) {
          try {
            on_tick_();
          } catch (const std::exception& e) {
            thread_report_fault("tick", e.what());
          }
        }
      }
    });
    return true;
  }

  void stop() override {
    if (!running_) return;
    stop_.store(true, std::memory_order_release);
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // stopped from inside a tick: the thread ends after this tick
    } else if (thread_.joinable()) {
      thread_.join();  // the next expiry (at most one period away) wakes the reader
    }
    close(fd_);
    fd_ = -1;
    running_ = false;
  }

  bool running() const override { return running_; }

 private:
  int fd_ = -1;
  bool running_ = false;
  std::atomic<bool> stop_{false};
  std::function<void()> on_tick_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<TickSource> RealClock::make_tick_source() { return std::make_unique<RealTickSource>(); }

// ---- simulated clock ----

class SimTickSource : public TickSource {
 public:
  explicit SimTickSource(SimClock& clock) : clock_(clock) {}
  ~SimTickSource() override { stop(); }
  bool start(int64_t period_ns, std::function<void()> on_tick) override {
    if (id_ != 0 || period_ns <= 0) return false;
    id_ = clock_.add_tick(period_ns, std::move(on_tick));
    return true;
  }
  void stop() override {
    if (id_ == 0) return;
    clock_.remove_tick(id_);
    id_ = 0;
  }
  bool running() const override { return id_ != 0; }

 private:
  SimClock& clock_;
  int id_ = 0;
};

SimClock::SimClock(int64_t utc_start_ms) : utc_offset_ms_(utc_start_ms) {}
SimClock::~SimClock() = default;

int64_t SimClock::utc_ms() {
  std::lock_guard<std::mutex> lock(mutex_);
  return utc_offset_ms_ + now_ns_ / 1000000;
}

int64_t SimClock::mono_ns() {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_ns_;
}

void SimClock::set_utc_ms(int64_t utc) {
  std::lock_guard<std::mutex> lock(mutex_);
  utc_offset_ms_ = utc - now_ns_ / 1000000;
}

void SimClock::set_auto_advance(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto_advance_ = on;
}

int SimClock::sleepers() {
  std::lock_guard<std::mutex> lock(mutex_);
  return sleepers_;
}

void SimClock::sleep_until_ns(int64_t deadline_ns) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (now_ns_ >= deadline_ns) return;
  if (auto_advance_) {
    lock.unlock();
    advance_to_ns(deadline_ns);
    return;
  }
  ++sleepers_;
  cv_.wait(lock, [&] { return now_ns_ >= deadline_ns; });
  --sleepers_;
}

std::unique_ptr<TickSource> SimClock::make_tick_source() { return std::make_unique<SimTickSource>(*this); }

int SimClock::add_tick(int64_t period_ns, std::function<void()> on_tick) {
  std::lock_guard<std::mutex> lock(mutex_);
  const int id = next_tick_id_++;
  Tick tick;
  tick.id = id;
  tick.due_ns = now_ns_ + period_ns;
  tick.period_ns = period_ns;
  tick.on_tick = std::move(on_tick);
  ticks_.push_back(std::move(tick));
  return id;
}

void SimClock::remove_tick(int id) {
  std::unique_lock<std::mutex> lock(mutex_);
  ticks_.erase(std::remove_if(ticks_.begin(), ticks_.end(), [id](const Tick& t) { return t.id == id; }),
               ticks_.end());
  // A callback of this tick may be running on the advancing thread: wait for it to end,
  // unless that thread is us (a tick that stops itself).
  if (advancer_ != std::this_thread::get_id())
    tick_done_cv_.wait(lock, [&] { return running_tick_ != id; });
}

void SimClock::advance_ns(int64_t delta_ns) {
  int64_t target;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    target = now_ns_ + delta_ns;
  }
  advance_to_ns(target);
}

void SimClock::advance_to_ns(int64_t target) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (advancer_ == std::this_thread::get_id()) {
    // Re-entered from a tick callback that sleeps in auto-advance mode: move the time only;
    // the outer advance runs the ticks that fell due meanwhile, late but in order.
    if (target > now_ns_) now_ns_ = target;
    cv_.notify_all();
    return;
  }
  advance_cv_.wait(lock, [&] { return advancer_ == std::thread::id(); });
  advancer_ = std::this_thread::get_id();
  for (;;) {
    auto next = std::min_element(ticks_.begin(), ticks_.end(),
                                 [](const Tick& a, const Tick& b) { return a.due_ns < b.due_ns; });
    if (next == ticks_.end() || next->due_ns > std::max(target, now_ns_)) break;
    now_ns_ = std::max(now_ns_, next->due_ns);
    next->due_ns += next->period_ns;
    running_tick_ = next->id;
    std::function<void()> fn = next->on_tick;
    cv_.notify_all();
    lock.unlock();
    fn();
    lock.lock();
    running_tick_ = 0;
    tick_done_cv_.notify_all();
  }
  if (target > now_ns_) now_ns_ = target;
  advancer_ = std::thread::id();
  advance_cv_.notify_all();
  cv_.notify_all();
}

}  // namespace vesk
