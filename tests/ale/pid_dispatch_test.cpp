// PID-framed payloads: sending by data path and dispatch of received ones.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ale/frames/pid_dispatch.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

class PidTest : public ::testing::Test {
 protected:
  PidTest() {
    db_set_default_options();
    XferSeams& s = xfer_state().seams;
    auto rec = [this](const char* name) {
      return [this, name](const uint8_t* d, std::size_t n) { calls.push_back(name + (":" + std::string(d, d + n))); };
    };
    s.dtm_text = rec("dtm_text");
    s.dtm_binary = rec("dtm_binary");
    s.dbm_text = rec("dbm_text");
    s.dbm_binary = rec("dbm_binary");
    s.modem_send_async = rec("async");
    s.file_transfer_rx = rec("file_rx");
    s.modem_set_tx_mode_from_rate = [this] { calls.push_back("set_mode"); };
    s.fs1052_send = [this](const uint8_t* d, std::size_t n, int id) {
      calls.push_back("fs1052:" + std::string(d, d + n) + ":" + std::to_string(id));
    };
  }

  static std::string payload(int pid, const std::string& content) { return std::string(1, static_cast<char>(pid)) + content; }
  int send(const std::string& p, int id = 0) {
    return xfer_send_payload(reinterpret_cast<const uint8_t*>(p.data()), p.size(), id);
  }
  void dispatch(const std::string& p) { xfer_dispatch_pid(reinterpret_cast<const uint8_t*>(p.data()), p.size()); }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
  std::vector<std::string> calls;
};

TEST_F(PidTest, SendsByPathAndPid) {
  struct Case {
    void (*select)();
    int data_link_mode;
    int pid;
    std::vector<std::string> expected;
  };
  const std::string f0 = payload(0, "F"), f1 = payload(1, "R");
  const Case cases[] = {
      {xfer_select_dtm_path, 1, 4, {"dtm_text:HI"}},
      {xfer_select_dtm_path, 1, 0, {}},
      {xfer_select_dtm_path, 1, 1, {}},
      {xfer_select_dbm_path, 1, 4, {"dbm_text:HI"}},
      {xfer_select_dbm_path, 1, 0, {"dbm_binary:" + payload(0, "HI"), "dbm_binary:"}},
      {xfer_select_dbm_path, 1, 1, {"dtm_binary:" + payload(1, "HI"), "dtm_binary:"}},
      {xfer_select_dbm_path, 1, 7, {}},
      {xfer_select_modem_path, kDataLinkAsync, 4, {"set_mode", "async:" + payload(4, "HI")}},
      {xfer_select_modem_path, kDataLinkFs1052, 0, {"fs1052:" + payload(0, "HI") + ":9"}},
      {xfer_select_modem_path, 5, 4, {}},
  };
  for (const Case& c : cases) {
    calls.clear();
    c.select();
    db_set_data_link_mode(c.data_link_mode);
    EXPECT_EQ(send(payload(c.pid, "HI"), 9), c.expected.empty() ? 0 : 1) << "path " << xfer_path() << " pid " << c.pid;
    EXPECT_EQ(calls, c.expected) << "path " << xfer_path() << " pid " << c.pid;
  }
  EXPECT_EQ(xfer_send_payload(nullptr, 0, 0), 0);
}

TEST_F(PidTest, DispatchesReceivedPayloads) {
  dispatch(payload(0, "FRAME"));
  dispatch(payload(1, "REPORT"));
  dispatch(payload(2, "X"));
  dispatch(payload(3, "X"));
  dispatch(payload(4, "TEXT"));
  dispatch("");
  EXPECT_EQ(calls, (std::vector<std::string>{"file_rx:" + payload(0, "FRAME"), "file_rx:" + payload(1, "REPORT")}));
  // Text goes to the data pane (the frame text without a pane of its own).
  EXPECT_EQ(log_frame_text(), "TEXT");
  EXPECT_EQ(log_monitor_text(), "");
  dispatch(payload(7, "?"));
  dispatch(payload(0xC4, "?"));
  EXPECT_EQ(log_monitor_text(), "Unknown PID received C4\nUnknown PID received 07\n");
}

}  // namespace
}  // namespace vesk::test
