// Station: the owner of all mutable state of one running station.
//
// Every module keeps its state in a struct of its own that the station creates on first use
// (`station().state<TimerState>()`). Code reaches the station through `station()`, the calling
// thread's current station: threads that a station starts set it, and tests set it with a
// `StationScope`. Two stations in one process therefore never see each other's state.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vesk {

namespace detail {
inline constexpr std::size_t kMaxStateSlots = 256;
std::size_t next_state_slot();
// One slot number per state type, handed out once per process.
template <class T>
std::size_t state_slot() {
  static const std::size_t slot = next_state_slot();
  return slot;
}
}  // namespace detail

class Station {
 public:
  // `dir` is the station folder: every file name of the station is relative to it.
  explicit Station(std::filesystem::path dir, std::unique_ptr<Clock> clock = nullptr);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // A file name of the station as the system names it, inside the station folder.
  std::filesystem::path path(const std::string& name) const;

  Clock& clock() { return *clock_; }
  // The simulated clock, or null when the station runs on real time.
  SimClock* sim_clock() { return dynamic_cast<SimClock*>(clock_.get()); }

  // The state object of type T, created (value-initialised) on first use. Safe from any
  // thread; after creation it costs an atomic load and an array index.
  template <class T>
  T& state() {
    const std::size_t slot = detail::state_slot<T>();
    void* p = slots_[slot].load(std::memory_order_acquire);
    if (p == nullptr) p = create_slot(slot, [] { return static_cast<void*>(new T()); },
                                      [](void* q) { delete static_cast<T*>(q); });
    return *static_cast<T*>(p);
  }

  // Destroy the state objects now, newest first (the destructor does the same).
  void destroy_state();

 private:
  using Deleter = void (*)(void*);
  void* create_slot(std::size_t slot, void* (*make)(), Deleter del);

  std::filesystem::path dir_;
  std::unique_ptr<Clock> clock_;
  std::array<std::atomic<void*>, detail::kMaxStateSlots> slots_{};
  std::mutex create_mutex_;
  std::vector<std::pair<std::size_t, Deleter>> created_;  // in creation order
};

// The calling thread's current station. Calling it on a thread without one is a
// programming error and aborts with a message.
Station& station();
// The current station or null.
Station* current_station();

// Makes `s` the calling thread's current station for the scope, restoring the previous one.
class StationScope {
 public:
  explicit StationScope(Station& s);
  ~StationScope();
  StationScope(const StationScope&) = delete;
  StationScope& operator=(const StationScope&) = delete;

 private:
  Station* previous_;
};

}  // namespace vesk
