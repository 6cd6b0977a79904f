#include "platform/thread.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <exception>

#include "platform/station.h"

namespace vesk {

void set_thread_name(const std::string& name) {
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

ThreadHooks& thread_hooks() { return station().state<ThreadHooks>(); }

void thread_report_fault(const std::string& thread, const char* what) {
  if (current_station() != nullptr) {
    const ThreadHooks& hooks = thread_hooks();
    if (hooks.fault) {
      hooks.fault(thread, what);
      return;
    }
  }
  std::fprintf(stderr, "thread %s: %s\n", thread.c_str(), what);
}

StationThread::~StationThread() { stop(); }

bool StationThread::start(Station& s, std::string name, std::function<void()> step) {
  if (thread_.joinable()) return false;
  stop_.store(false);
  done_ = false;
  thread_ = std::thread([this, &s, name = std::move(name), step = std::move(step)] {
    StationScope scope(s);
    set_thread_name(name);
    while (!stop_.load(std::memory_order_acquire)) {
      try {
        step();
      } catch (const std::exception& e) {
        thread_report_fault(name, e.what());
      } catch (...) {
        thread_report_fault(name, "unknown exception");
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    done_cv_.notify_all();
  });
  return true;
}

void StationThread::request_stop() { stop_.store(true, std::memory_order_release); }

bool StationThread::stop(int64_t limit_ms) {
  request_stop();
  if (!thread_.joinable()) return true;
  if (thread_.get_id() == std::this_thread::get_id()) return false;  // a step stopping its own loop
  if (limit_ms >= 0) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!done_cv_.wait_for(lock, std::chrono::milliseconds(limit_ms), [&] { return done_; })) return false;
  }
  thread_.join();
  return true;
}

}  // namespace vesk
