#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "command/scripts.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class QrgDumpTest : public ::testing::Test {
 protected:
  QrgDumpTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) { db_open(); }
  std::string read(const std::string& name) {
    std::ifstream in(st_.path(name));
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  test::TempDir dir_;
  Station st_;
  StationScope scope_;
};

TEST_F(QrgDumpTest, WritesTheTablesAsCommandLines) {
  ASSERT_GE(db_add_own_address("ALPHA"), 0);
  ASSERT_GE(db_add_own_address("BRAVO"), 0);
  ASSERT_GE(db_add_other_address("K1ABC", 0, 2500, 3500), 0);
  ASSERT_GE(db_add_other_address("HEARD", 1, 0, 0), 0);  // learned: not written
  const char* net[] = {"NETA", "K1ABC", "ALPHA", "W2XYZ"};
  ASSERT_EQ(db_add_net_from_list(net, 4), 1);
  ChannelRecord ch{};
  ch.rx_freq_hz = 7102000;
  ch.tx_freq_hz = 7102500;
  ch.rx_mode = 22;
  ch.tx_mode = 11;  // not a mode word: written as ???
  ch.scan_groups = 5;
  ch.permission = CHANNEL_BX;
  ch.own_index = 1;
  ch.antenna_port = 2;
  ch.tx_level = 40;
  ch.usage = 2;
  ch.lp_key = 3;
  ch.tuner_enable = 1;
  ch.attenuator = 1;
  ASSERT_EQ(db_add_channel(ch), 1);
  ch = ChannelRecord{};
  ch.rx_freq_hz = ch.tx_freq_hz = 3600000;
  ch.own_index = 7;  // an own slot with no name
  ASSERT_EQ(db_add_channel(ch), 2);
  db_set_scan_group_label(2, "Net Three");

  ASSERT_EQ(script_dump_database("test.qrg"), 1);
  std::string expect =
      "#\n# VESK-ALE GROUPS/ADDRESSES Database Dump File Automatically Generated: 01-01-2026\n#\n"
      "# Add OWN addresses\n#\nRESET OWN\nADD OWN ALPHA\nADD OWN BRAVO\n"
      "#\n# Add OTHER addresses\n#\nRESET OTHER\nADD OTHER K1ABC\nADD OTHER W2XYZ\n"
      "#\n# Add NET Addresses\n#\nRESET NET\nADD NET NETA K1ABC ALPHA W2XYZ \n"
      "#\n# Add CHANNELS\n#\nRESET CHANNELS\n"
      "ADD CHANNEL 7102000 USB-D 7102500 ??? 5 3 BRAVO 2 40 2 3 1 1\n"
      "ADD CHANNEL 3600000 LSB 3600000 LSB 0 0 - 0 0 0 0 0 0\n";
  for (int g = 1; g <= 16; ++g) {
    std::string label = g == 3 ? "Net Three" : "NO LABEL " + std::to_string(g - 1);
    expect += "SCANGROUP " + std::to_string(g) + " LABEL \"" + label + "\"\n";
  }
  EXPECT_EQ(read("test.qrg"), expect);
}

TEST_F(QrgDumpTest, UnwritableFileIsReported) {
  EXPECT_EQ(script_dump_database("no/such/folder/x.qrg"), 0);
  EXPECT_NE(log_monitor_text().find("[FILE NOT FOUND ERROR: no/such/folder/x.qrg]"), std::string::npos);
}

}  // namespace
}  // namespace vesk
