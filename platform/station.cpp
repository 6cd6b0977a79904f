#include "platform/station.h"

#include <cstdio>
#include <cstdlib>

namespace vesk {

namespace {
thread_local Station* t_current = nullptr;
}

std::size_t detail::next_state_slot() {
  static std::atomic<std::size_t> next{0};
  const std::size_t slot = next.fetch_add(1);
  if (slot >= kMaxStateSlots) {
    std::fprintf(stderr, "station: more than %zu state types\n", kMaxStateSlots);
    std::abort();
  }
  return slot;
}

Station::Station(std::filesystem::path dir, std::unique_ptr<Clock> clock)
    : dir_(std::move(dir)), clock_(clock ? std::move(clock) : std::make_unique<RealClock>()) {}

Station::~Station() { destroy_state(); }

std::filesystem::path Station::path(const std::string& name) const {
  std::string n = name;
  for (char& c : n)
    if (c == '\\') c = '/';
  while (!n.empty() && n.front() == '/') n.erase(n.begin());
  return dir_ / n;
}

void* Station::create_slot(std::size_t slot, void* (*make)(), Deleter del) {
  std::lock_guard<std::mutex> lock(create_mutex_);
  void* p = slots_[slot].load(std::memory_order_acquire);
  if (p != nullptr) return p;
  // A state's constructor may itself reach the station: make it current meanwhile.
  Station* previous = t_current;
  t_current = this;
  p = make();
  t_current = previous;
  created_.emplace_back(slot, del);
  slots_[slot].store(p, std::memory_order_release);
  return p;
}

void Station::destroy_state() {
  Station* previous = t_current;
  t_current = this;
  for (;;) {
    std::pair<std::size_t, Deleter> entry;
    {
      std::lock_guard<std::mutex> lock(create_mutex_);
      if (created_.empty()) break;
      entry = created_.back();
      created_.pop_back();
    }
    void* p = slots_[entry.first].exchange(nullptr, std::memory_order_acq_rel);
    if (p != nullptr) entry.second(p);
  }
  t_current = previous;
}

Station& station() {
  if (t_current == nullptr) {
    std::fprintf(stderr, "station(): no current station on this thread\n");
    std::abort();
  }
  return *t_current;
}

Station* current_station() { return t_current; }

StationScope::StationScope(Station& s) : previous_(t_current) { t_current = &s; }
StationScope::~StationScope() { t_current = previous_; }

}  // namespace vesk
