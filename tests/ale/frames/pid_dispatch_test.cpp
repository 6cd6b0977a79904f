// Dispatch of received PID-framed payloads.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ale/frames/pid_dispatch.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

class PidTest : public ::testing::Test {
 protected:
  PidTest() {
    db_set_default_options();
    ale_bind_layer_hooks();
  }

  static std::string payload(int pid, const std::string& content) { return std::string(1, static_cast<char>(pid)) + content; }
  static void dispatch(const std::string& p) { xfer_dispatch_pid(reinterpret_cast<const uint8_t*>(p.data()), p.size()); }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

TEST_F(PidTest, DispatchesReceivedPayloads) {
  // PIDs 2 and 3, and an empty payload: nothing shown.
  dispatch(payload(2, "X"));
  dispatch(payload(3, "X"));
  dispatch("");
  EXPECT_EQ(log_frame_text(), "");
  EXPECT_EQ(log_monitor_text(), "");
  // File-transfer frames and reports go to the file-transfer receiver: a report is logged, a
  // frame that fails its CRC is refused.
  dispatch(payload(1, "REPORT"));
  dispatch(payload(0, "FRAME"));
  EXPECT_EQ(log_frame_text(), "");
  EXPECT_EQ(log_monitor_text(), "[00:00:00][LOCAL]FTP CRC failure\n[00:00:00][REMOTE][TRANSFER] REPORT\n");
  log_state().monitor.clear();
  // Text goes to the frame text.
  dispatch(payload(4, "TEXT"));
  EXPECT_EQ(log_frame_text(), "TEXT");
  EXPECT_EQ(log_monitor_text(), "");
  dispatch(payload(7, "?"));
  dispatch(payload(0xC4, "?"));
  EXPECT_EQ(log_monitor_text(), "Unknown PID received C4\nUnknown PID received 07\n");
}

}  // namespace
}  // namespace vesk::test
