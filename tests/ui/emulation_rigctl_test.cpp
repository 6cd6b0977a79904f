// The radio emulation port of a running station as another program sees it: Hamlib's rigctl
// over a pseudo-terminal pair to the station's emulation port (19200 baud), as an IC-746PRO
// (CI-V; the harness echoes rigctl's frames back to it, as a CI-V bus does) and as a TS-480
// (text commands).
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"
#include "tests/support/rigctl.h"
#include "tests/ui/working_channel.h"

namespace vesk {
namespace {

// A station folder with one channel (7,102,500 Hz USB, the working channel) and the
// emulation on port 12; `radio_type` on port 1.
void make_station(const std::string& dir, int radio_type, bool radio_server) {
  Station st(dir);
  StationScope scope(st);
  db_open();
  db_set_radio_type(radio_type);
  db_set_radio_port(1);
  db_set_rts_ptt(0);
  db_set_dtr_ptt(0);
  db_set_option_int(opt::EMULATION_ENABLED, 1);
  db_set_emulation_port(12);
  if (radio_server) db_enable_radio_server();
  ASSERT_TRUE(test::store_working_usb_channel(1, 7102500));
  ASSERT_EQ(db_save(), 1);
}

TEST(EmulationRigctl, Ic746ProReadsFrequencyAndMode) {
  if (!test::have_rigctl()) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  test::Pty radio({.raw = true}), station_side({.raw = true}), program_side({.raw = true});
  ASSERT_FALSE(radio.name.empty() || station_side.name.empty() || program_side.name.empty());
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << radio.name << "\n12 " << station_side.name << "\n";
  make_station(dir.path(), DB_NONE, false);
  test::ChildProcess station({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(station.wait_for_output("started", 10000)) << station.output();
  test::Relay relay(station_side.master, program_side.master, /*echo=*/true);
  test::ChildProcess rig({"/usr/bin/rigctl", "-m", "3046", "-r", program_side.name, "-s", "19200", "f", "m"});
  ASSERT_EQ(rig.wait(20000), 0) << rig.output();
  EXPECT_NE(rig.output().find("7102500"), std::string::npos) << rig.output();
  EXPECT_NE(rig.output().find("USB"), std::string::npos) << rig.output();
  station.signal(SIGTERM);
  station.wait(20000);
}

// As a TS-480 (text commands): rigctl sets the frequency and the mode, reads them back (the
// radio server mode answers the requested values) and keys and releases the station.
TEST(EmulationRigctl, Ts480SetsReadsAndKeys) {
  if (!test::have_rigctl()) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  test::Pty radio({.raw = true}), station_side({.raw = true}), program_side({.raw = true});
  ASSERT_FALSE(radio.name.empty() || station_side.name.empty() || program_side.name.empty());
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << radio.name << "\n12 " << station_side.name << "\n";
  make_station(dir.path(), DB_KENWOOD, true);
  test::ChildProcess station({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(station.wait_for_output("started", 10000)) << station.output();
  test::Relay relay(station_side.master, program_side.master);
  test::ChildProcess rig({"/usr/bin/rigctl", "-m", "2028", "-r", program_side.name, "-s", "19200", "F", "14070000",
                          "M", "LSB", "0", "f", "m", "T", "1", "T", "0"});
  ASSERT_EQ(rig.wait(30000), 0) << rig.output();
  EXPECT_NE(rig.output().find("14070000"), std::string::npos) << rig.output();
  EXPECT_NE(rig.output().find("LSB"), std::string::npos) << rig.output();
  EXPECT_TRUE(station.wait_for_output("PTT now ACTIVE", 5000)) << station.output();
  EXPECT_TRUE(station.wait_for_output("PTT now RELEASED", 5000)) << station.output();
  station.signal(SIGTERM);
  station.wait(20000);
}

}  // namespace
}  // namespace vesk
