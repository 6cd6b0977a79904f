// A station on simulated time (sleeps advance the clock) whose CAT commands are recorded
// with the time each was handed over, and whose acknowledgements are counted.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/options.h"
#include "platform/clock.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"
#include "tests/support/child_process.h"

namespace vesk::test {

struct SentCommand {
  int64_t ms;
  std::vector<uint8_t> bytes;
};

inline std::string hex(const uint8_t* b, int n) {
  std::string s;
  char buf[4];
  for (int i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", b[i]);
    s += buf;
  }
  return s;
}
inline std::string hex(const std::vector<uint8_t>& v) { return hex(v.data(), static_cast<int>(v.size())); }
inline std::string hex(const CatCommand& c) { return hex(c.bytes, c.length); }

class DriverTest : public ::testing::Test {
 protected:
  DriverTest() : clock_(new SimClock()), station_(dir_.path(), std::unique_ptr<Clock>(clock_)), scope_(station_) {
    clock_->set_auto_advance(true);
    start_ms_ = clock_->mono_ms();
    cat_tap().on_send = [this](const uint8_t* b, int n) { sent.push_back({clock_->mono_ms(), {b, b + n}}); };
    cat_tap().on_reply = [this](bool ok) { ok ? ++acks : ++naks; };
    // The engine's timers on simulated time (the models' own timers: keys sent one by one,
    // watchdogs), run while sleeps pass.
    serial_timer_hooks().start = [this](int id, int ms) { timers_[id] = clock_->mono_ns() + int64_t{ms} * 1000000; };
    serial_timer_hooks().stop = [this](int id) { timers_.erase(id); };
    tick_ = clock_->make_tick_source();
    tick_->start(1000000, [this] {
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second <= clock_->mono_ns()) {
          const int id = it->first;
          timers_.erase(it);
          if (!serial_queue_route_timer(id)) radio_timer_step(id);
          break;
        }
      }
    });
  }
  ~DriverTest() override { tick_->stop(); }
  // Lets the station run on until what its timers send has gone out.
  void settle(int ms = 3000) { clock_->sleep_ms(ms); }

  void set_type(int type) { db_set_radio_type(type); }
  std::string sent_text(std::size_t i) const { return std::string(sent[i].bytes.begin(), sent[i].bytes.end()); }
  std::vector<std::string> sent_texts() const {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < sent.size(); ++i) v.push_back(sent_text(i));
    return v;
  }
  // The commands as the golden file writes them: hex, " | " between, "+MS " after a pause.
  std::string sent_golden() const {
    if (sent.empty()) return "-";
    std::string s;
    int64_t last = start_ms_;
    for (std::size_t i = 0; i < sent.size(); ++i) {
      if (i > 0) s += " | ";
      if (sent[i].ms != last) s += "+" + std::to_string(sent[i].ms - last) + " ";
      last = sent[i].ms;
      s += hex(sent[i].bytes);
    }
    return s;
  }

  TempDir dir_;
  SimClock* clock_;
  Station station_;
  StationScope scope_;
  int64_t start_ms_ = 0;
  std::vector<SentCommand> sent;
  int acks = 0;
  int naks = 0;
  std::map<int, int64_t> timers_;
  std::unique_ptr<TickSource> tick_;
};

}  // namespace vesk::test
