// A station on simulated time for radio control's tests: the serial ports are a recording
// fake, sleeps advance the clock by themselves, and a 1 ms tick plays the engine worker's
// part (at most one due timer expiry routed to the serial queues or radio control, then the
// input poll). So a set-up or channel setting that pauses between commands lets the radio
// queue move on by its reply timeout during the pauses, as on a running station, and every
// run is repeatable.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/log.h"
#include "db/database.h"
#include "db/options.h"
#include "platform/clock.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class RadioFixture : public ::testing::Test {
 protected:
  RadioFixture()
      : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_), fake_(FakeSerialBackend::install()) {
    clock().set_auto_advance(true);
    serial_timer_hooks().start = [this](int id, int ms) { timers_[id] = clock().mono_ns() + int64_t{ms} * 1000000; };
    serial_timer_hooks().stop = [this](int id) { timers_.erase(id); };
    log_set_sink([this](LogText, const std::string& line) { log_ += line; });
    tick_ = clock().make_tick_source();
    tick_->start(1000000, [this] { pass(); });
  }
  ~RadioFixture() override { tick_->stop(); }

  SimClock& clock() { return *station_.sim_clock(); }
  FakeSerialBackend& fake() { return *fake_; }
  Station& station() { return station_; }
  const std::string& log() const { return log_; }
  void clear() {
    fake_->clear_events();
    log_.clear();
  }
  // Lets `ms` of station time pass (the tick runs meanwhile).
  void run_ms(int ms) { clock().sleep_ms(ms); }
  bool timer_running(int id) const { return timers_.count(id) != 0; }
  bool log_has(const std::string& text) const { return log_.find(text) != std::string::npos; }
  // The log's lines with the time and channel stamps taken off each.
  std::string log_text() const {
    std::string text;
    for (std::size_t at = 0; at < log_.size();) {
      const std::size_t end = log_.find('\n', at);
      const std::string one = log_.substr(at, end - at);
      const std::size_t stamps = one.find("][", one.find("][") + 1);
      text += (stamps == std::string::npos ? one : one.substr(stamps + 1)) + "\n";
      at = end == std::string::npos ? log_.size() : end + 1;
    }
    return text;
  }
  // The fake's trace of what `what` does (and `settle_ms` after it), times relative to its
  // start: one line per event, "<ms> ms COM<port> <event>".
  std::string trace_of(const std::function<void()>& what, int settle_ms = 100) {
    fake_->clear_events();
    const int64_t t0 = fake_->now_ms();
    what();
    run_ms(settle_ms);
    std::string out, line;
    const std::string all = fake_->trace();
    for (std::size_t at = 0; at < all.size();) {
      const std::size_t end = all.find('\n', at);
      line = all.substr(at, end - at);
      at = end == std::string::npos ? all.size() : end + 1;
      const std::size_t sp = line.find(' ');
      out += std::to_string(std::stoll(line.substr(0, sp)) - t0) + line.substr(sp) + "\n";
    }
    return out;
  }
  // What `what` wrote on the radio port (fake port 1) within `ms`, each write as
  // "ms-since-start hex", " | " between writes.
  std::string writes_of(const std::function<void()>& what, int ms = 300) {
    fake_->clear_events();
    const int64_t t0 = fake_->now_ms();
    what();
    run_ms(ms);
    std::string s;
    for (const auto& [t, bytes] : fake_->writes(1))
      s += (s.empty() ? "" : " | ") + std::to_string(t - t0) + " " + FakeSerialBackend::hex(bytes);
    return s;
  }
  // The texts of the "[Radio Setup: ...]" lines written, in order.
  std::vector<std::string> setup_lines() const {
    std::vector<std::string> out;
    for (std::size_t at = 0; (at = log_.find("[Radio Setup: ", at)) != std::string::npos;) {
      const std::size_t end = log_.find("]\n", at);
      out.push_back(log_.substr(at + 14, end - at - 14));
      at = end;
    }
    return out;
  }
  // Opens the port of `role` on fake port `number`.
  void open(SerialPortRole role, int number, const std::string& settings = "9600,N,8,1") {
    SerialPort& p = serial_control(role);
    p.set_port_number(number);
    ASSERT_EQ(p.set_settings(settings), 0);
    ASSERT_EQ(p.open(), 0);
  }

 private:
  void pass() {
    const int64_t now = clock().mono_ns();
    int due_id = -1;
    int64_t due_at = 0;
    for (const auto& [id, at] : timers_)
      if (at <= now && (due_id < 0 || at < due_at)) due_id = id, due_at = at;
    if (due_id >= 0) {
      timers_.erase(due_id);
      if (!serial_queue_route_timer(due_id)) radio_timer_step(due_id);
    }
    port_poll_input();
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
  std::shared_ptr<FakeSerialBackend> fake_;
  std::map<int, int64_t> timers_;
  std::unique_ptr<TickSource> tick_;
  std::string log_;
};

// A radio keyed by CAT alone (the RTS and DTR keying off), with the emulation port off;
// `set_up` sets the type up and lets `settle_ms` pass for its commands to leave.
class CatRadioFixture : public RadioFixture {
 protected:
  CatRadioFixture() {
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
  }
  void set_up(int type, int settle_ms) {
    db_set_radio_type(type);
    radio_setup();
    run_ms(settle_ms);
  }
};

}  // namespace vesk::test
