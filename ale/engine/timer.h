// Engine timers: 25 software timer slots counted down by the station's 10 ms tick.
//
// A timer is known by its event number. When it runs out, the tick posts an ApiEvent of kind
// 2 carrying that number and the timer's generation, and the worker routes it; no timer
// action runs on the tick itself. The tick comes from the station clock's tick source, so the
// same code runs on real and on simulated time. The scan dwell is not a timer: it counts
// received audio blocks.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/clock.h"

namespace vesk {

inline constexpr int kTimerSlots = 25;
inline constexpr int kTickMs = 10;
// One received audio block of 26.25 ms, as the fraction 105/4 ms.
inline constexpr int kAudioBlockQuarterMs = 105;

enum TimerKind : int { TIMER_FREE = 0, TIMER_ONE_SHOT = 1, TIMER_PERIODIC = 2 };

struct TimerSlot {
  int id;
  int reload;     // period in ticks (periodic timers)
  int remaining;  // ticks left
  int kind;       // TimerKind
  uint64_t generation;
};

// What the tick drives above the engine.
struct TimerHooks {
  // One 10 ms step of the FED-STD-1052 link's protocol timers.
  std::function<void()> data_link_tick;
};

struct TimerState {
  TimerHooks hooks;
  std::mutex mutex;  // guards the slots and the generations
  TimerSlot slots[kTimerSlots]{};
  // Per event number: the generation of its latest start, renewed by every stop, so that an
  // expiry posted before a stop or restart is recognised as stale when it is dispatched.
  std::unordered_map<int, uint64_t> current_generation;
  uint64_t last_generation = 0;
  // Received audio blocks left in the current channel's dwell; 0: not counting.
  std::atomic<int> dwell_blocks{0};
  std::atomic<int64_t> tick_count{0};
  // Last member: destroyed first, so no tick runs on a half-destroyed state.
  std::unique_ptr<TickSource> tick;
};

TimerState& timers();

// A one-shot of ms/10 ticks (at least one) for this event number, after stopping it.
void timer_start(int id, int ms);
// A periodic timer of ms/10 ticks, after stopping the number; below one tick nothing starts.
void timer_start_periodic(int id, int ms);
void timer_stop(int id);
// Frees every slot of this number and cancels its expiries still waiting to be handled.
void timer_kill_id(int id);
// The first free slot gets the timer; with none free, "No Timers left" is logged. Returns
// 1 when started.
int timer_alloc_slot(int id, int ticks, int kind);
int timer_is_running(int id);
// Adds ms/10 ticks to every running slot of this number.
void timer_extend(int id, int ms);
// The number of slots running now.
int timer_slots_in_use();
// Frees all slots and starts the 10 ms tick on the station's clock.
void timer_tick_start();
void timer_tick_stop();
// One 10 ms tick: counts every running slot down and posts the expiries.
void timer_tick();
// True unless a timer expiry with this generation was overtaken by a stop or restart of its
// number (generation 0: not from a timer slot, always current).
bool timer_expiry_is_current(int id, uint64_t generation);

// The scan dwell in received audio blocks: the dwell time of the scan rate divided by
// 26.25 ms, truncated (1000 ms: 38 blocks).
int ale_dwell_blocks(int dwell_ms);
void ale_dwell_start();
void ale_dwell_stop();
// Called once per received audio block; the block that ends the dwell posts EV_SCAN_TIMER.
void ale_dwell_tick();

}  // namespace vesk
