// A station on simulated time in a temporary folder, with the engine's own modules started
// (API queue, word and section queues, link state, 10 ms tick) and the worker in stepped mode:
// the test advances the clock and runs the worker's steps itself. Nothing above the engine is
// wired; the whole station's start is tested with the station's wiring.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ale/dispatch/api_dispatch.h"
#include "ale/dispatch/engine.h"
#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class EngineFixture : public ::testing::Test {
 protected:
  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
  std::string mark_;

  ~EngineFixture() override {
    ale_engine_stop();
    timer_tick_stop();
  }

  SimClock& clock() { return *station_.sim_clock(); }
  void start_engine() {
    api_queue_create();
    ale_word_io_init();
    ale_section_queues_init();
    ale_link_init();
    timer_tick_start();
    ale_engine_start_worker(EngineRun::Stepped);
  }
  // Runs worker steps until the API queue is empty.
  void run_worker() {
    while (api_queue_count() > 0) ale_engine_step();
  }
  // Advances one 10 ms tick and lets the worker handle what it posted.
  void tick_and_run() {
    clock().advance_ms(kTickMs);
    run_worker();
  }
  // The monitor lines written since the last mark_log(), newest first.
  void mark_log() { mark_ = log_monitor_text(); }
  std::string new_log() const {
    const std::string t = log_monitor_text();
    return t.substr(0, t.size() >= mark_.size() ? t.size() - mark_.size() : 0);
  }
 public:
  static int count_in_log(const std::string& text) {
    const std::string log = log_monitor_text();
    int n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size())) ++n;
    return n;
  }
 protected:
  // The number of queued timer expiries (kind 2) of an event number.
  static int queued_expiries(int id) {
    int n = 0;
    for (int k = 0;; ++k) {
      auto* e = static_cast<ApiEvent*>(queue_peek_at(api_state().queue, k));
      if (e == nullptr) return n;
      if (e->kind == API_TIMER_EXPIRY && e->param == id) ++n;
    }
  }
};

}  // namespace vesk::test
