#include "ale/engine/timer.h"

#include "platform/hook.h"

#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

TimerState& timers() { return station().state<TimerState>(); }

namespace {

// Frees every slot of the number and renews its generation; the caller holds the lock.
// Returns the number of slots freed.
int kill_locked(TimerState& s, int id) {
  int freed = 0;
  for (TimerSlot& slot : s.slots) {
    if (slot.kind != TIMER_FREE && slot.id == id) {
      slot.kind = TIMER_FREE;
      ++freed;
    }
  }
  s.current_generation[id] = ++s.last_generation;
  return freed;
}

int alloc_locked(TimerState& s, int id, int ticks, int kind) {
  for (TimerSlot& slot : s.slots) {
    if (slot.kind != TIMER_FREE) continue;
    uint64_t& gen = s.current_generation[id];
    if (gen == 0) gen = ++s.last_generation;
    slot = TimerSlot{id, ticks, ticks, kind, gen};
    return 1;
  }
  log_printf("No Timers left\n");
  return 0;
}

void start_locked(int id, int ticks, int kind) {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  // Cancelling queued expiries takes the API queue's lock inside this one: the order is
  // always timer table, then queue.
  if (kill_locked(s, id) > 0) api_cancel_timer_events(id);
  alloc_locked(s, id, ticks, kind);
}

void post_expiry(int id, uint64_t generation) {
  ApiEvent* e = api_alloc(0);
  if (e == nullptr) return;  // the expiry is lost; a periodic timer has reloaded anyway
  e->kind = API_TIMER_EXPIRY;
  e->param = id;
  e->generation = generation;
  api_post(e);
}

}  // namespace

void timer_start(int id, int ms) {
  int ticks = ms / kTickMs;
  if (ticks < 1) ticks = 1;
  start_locked(id, ticks, TIMER_ONE_SHOT);
}

void timer_start_periodic(int id, int ms) {
  const int ticks = ms / kTickMs;
  if (ticks < 1) {
    timer_kill_id(id);
    return;
  }
  start_locked(id, ticks, TIMER_PERIODIC);
}

void timer_stop(int id) { timer_kill_id(id); }

void timer_kill_id(int id) {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (kill_locked(s, id) > 0) api_cancel_timer_events(id);
}

int timer_alloc_slot(int id, int ticks, int kind) {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  return alloc_locked(s, id, ticks < 1 ? 1 : ticks, kind);
}

int timer_is_running(int id) {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (const TimerSlot& slot : s.slots)
    if (slot.kind != TIMER_FREE && slot.id == id) return 1;
  return 0;
}

void timer_extend(int id, int ms) {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (TimerSlot& slot : s.slots)
    if (slot.kind != TIMER_FREE && slot.id == id) slot.remaining += ms / kTickMs;
}

int timer_slots_in_use() {
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  int n = 0;
  for (const TimerSlot& slot : s.slots)
    if (slot.kind != TIMER_FREE) ++n;
  return n;
}

void timer_tick() {
  TimerState& s = timers();
  struct Expiry {
    int id;
    uint64_t generation;
  } due[kTimerSlots];
  int n = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (TimerSlot& slot : s.slots) {
      if (slot.kind == TIMER_FREE) continue;
      // "At or below zero": a slot shortened below zero by an extension still expires.
      if (--slot.remaining > 0) continue;
      due[n++] = Expiry{slot.id, slot.generation};
      if (slot.kind == TIMER_PERIODIC)
        slot.remaining = slot.reload;
      else
        slot.kind = TIMER_FREE;
    }
  }
  // Posted outside the table's lock: a stop that comes in between renews the generation,
  // and the worker then drops the expiry.
  for (int i = 0; i < n; ++i) post_expiry(due[i].id, due[i].generation);
  call_hook(s.hooks.data_link_tick);
  s.tick_count.fetch_add(1, std::memory_order_relaxed);
}

bool timer_expiry_is_current(int id, uint64_t generation) {
  if (generation == 0) return true;
  TimerState& s = timers();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.current_generation.find(id);
  return it != s.current_generation.end() && it->second == generation;
}

void timer_tick_start() {
  TimerState& s = timers();
  if (s.tick) s.tick->stop();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    for (TimerSlot& slot : s.slots) slot.kind = TIMER_FREE;
  }
  s.tick = station().clock().make_tick_source();
  Station* st = &station();
  const bool started = s.tick && s.tick->start(int64_t{kTickMs} * 1000000, [st] {
    StationScope scope(*st);
    timer_tick();
  });
  if (!started) log_printf("Tick failed to start\n");
}

void timer_tick_stop() {
  TimerState& s = timers();
  if (s.tick) s.tick->stop();
}

int ale_dwell_blocks(int dwell_ms) {
  if (dwell_ms <= 0) return 0;
  return static_cast<int>(static_cast<int64_t>(dwell_ms) * 4 / kAudioBlockQuarterMs);
}

void ale_dwell_start() { timers().dwell_blocks.store(ale_dwell_blocks(db_get_scan_dwell_ms())); }

void ale_dwell_stop() { timers().dwell_blocks.store(0); }

void ale_dwell_tick() {
  std::atomic<int>& blocks = timers().dwell_blocks;
  int left = blocks.load();
  // Decrement and test in one step: a stop or start on the worker may come in between.
  while (left > 0 && !blocks.compare_exchange_weak(left, left - 1)) {
  }
  if (left == 1) post_expiry(EV_SCAN_TIMER, 0);
}

}  // namespace vesk
