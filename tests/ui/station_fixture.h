// A whole station on simulated time without threads of its own (the clock moves by itself
// through the start-up's pauses), its serial ports on the recording fake, started from a
// "CONFIG.DAT"; the command executor is run by the test.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "command/interpreter.h"
#include "db/log.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "ui/station_app.h"

namespace vesk::test {

class SteppedStation : public ::testing::Test {
 protected:
  explicit SteppedStation(const std::string& config) {
    std::ofstream(station_.path("CONFIG.DAT")) << config;
    station_.sim_clock()->set_auto_advance(true);
    StationAppConfig c;
    c.audio_in = c.audio_out = "null";
    c.stepped = true;
    station_app_start(c);
  }
  ~SteppedStation() override { station_app_shutdown(); }
  void run_executor() {
    while (mmi_executor_step()) {
    }
  }
  std::size_t queued() {
    CommandState& cs = command_state();
    std::lock_guard<std::mutex> lock(cs.executor_mutex);
    return cs.executor_queue.size();
  }
  bool logged(const std::string& text) const { return log_monitor_text().find(text) != std::string::npos; }
  // Lines written from now on (the monitor text is newest first).
  std::string since(std::size_t mark) const {
    const std::string t = log_monitor_text();
    return t.substr(0, t.size() - mark);
  }
  std::size_t mark() const { return log_monitor_text().size(); }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
  std::shared_ptr<FakeSerialBackend> fake_ = FakeSerialBackend::install();
};

}  // namespace vesk::test
