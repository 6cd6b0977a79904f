// SerialHarness: a station on simulated time whose serial ports are a recording fake, with
// the engine's part played step by step: each pass of `run_ms` advances the clock by 1 ms,
// handles at most one due timer expiry (routed to the serial queues) and runs the input poll,
// as the engine worker's loop does. Header-only, for the radio and driver tests:
//
//     SerialHarness h;
//     h.open(SERIAL_ROLE_RADIO, 1);
//     radio_send(bytes, n);
//     h.fake().inject_at(1, 10, "\r");
//     h.run_ms(100);
//     EXPECT_EQ(h.fake().writes(1), ...);
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class SerialHarness {
 public:
  SerialHarness()
      : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_), fake_(FakeSerialBackend::install()) {
    serial_timer_hooks().start = [this](int id, int ms) { timers_[id] = clock().mono_ns() + int64_t{ms} * 1000000; };
    serial_timer_hooks().stop = [this](int id) { timers_.erase(id); };
  }

  Station& station() { return station_; }
  SimClock& clock() { return *station_.sim_clock(); }
  FakeSerialBackend& fake() { return *fake_; }
  int64_t now_ms() { return fake_->now_ms(); }

  // Puts the port of `role` on fake port `number` and opens it.
  bool open(SerialPortRole role, int number, const std::string& settings = "9600,N,8,1") {
    SerialPort& p = serial_control(role);
    p.set_port_number(number);
    return p.set_settings(settings) == 0 && p.open() == 0;
  }

  bool timer_running(int id) const { return timers_.count(id) != 0; }

  // One pass of the engine worker: 1 ms, at most one expiry, the input poll.
  void pass() {
    clock().advance_ms(1);
    const int64_t now = clock().mono_ns();
    int due_id = -1;
    int64_t due_at = 0;
    for (const auto& [id, at] : timers_)
      if (at <= now && (due_id < 0 || at < due_at)) due_id = id, due_at = at;
    if (due_id >= 0) {
      timers_.erase(due_id);
      serial_queue_route_timer(due_id);
    }
    port_poll_input();
  }
  void run_ms(int ms) {
    for (int i = 0; i < ms; ++i) pass();
  }

 private:
  TempDir dir_;
  Station station_;
  StationScope scope_;
  std::shared_ptr<FakeSerialBackend> fake_;
  std::map<int, int64_t> timers_;  // id -> due time (ns)
};

}  // namespace vesk::test
