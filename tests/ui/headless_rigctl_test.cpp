// vesk-ale-headless against a live peer: Hamlib's TS-2000 emulator (rigctlcom) in front of its
// dummy radio (rigctld -m 1), reached over a pseudo-terminal pair, with a Z100 tuner on a port
// of its own. The tuner's set-up must leave the radio port's ';' framing alone, or the
// emulator's identity reply is never read. Skipped when the Hamlib programs are missing.
#include "db/options.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "db/database.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/setup_table.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"
#include "tests/support/ts2000_emulator.h"
#include "tests/support/waits.h"
#include "tests/ui/working_channel.h"

namespace vesk {
namespace {

using test::ChildProcess;
using test::wait_until;

TEST(HeadlessRigctl, KenwoodWithZ100TunerIsIdentifiedAndTuned) {
  if (const std::string missing = test::Ts2000Emulator::missing_program(); !missing.empty())
    GTEST_SKIP() << missing << " is not installed";
  test::Ts2000Emulator rig;
  ASSERT_EQ(rig.error(), "");
  test::Pty tuner({.raw = true});  // the tuner's end is only opened
  ASSERT_TRUE(tuner.ok());

  // KENWOOD on port 1 keyed by CAT, a Z100 tuner on port 2, channel 1 (7,100,000 Hz USB) the
  // working channel.
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << rig.station_port() << "\n2 " << tuner.name << "\n";
  {
    Station st(dir.path());
    StationScope scope(st);
    db_open();
    db_set_radio_type(DB_KENWOOD);
    db_set_radio_port(1);
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    db_set_atu_type(ATU_Z100);
    db_set_atu_port(2);
    ASSERT_TRUE(test::store_working_usb_channel(1, 7100000));
    ASSERT_EQ(db_save(), 1);
  }

  ChildProcess station({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(station.wait_for_output("headless station started", 15000)) << station.output();
  EXPECT_TRUE(station.wait_for_output("Kenwood TS-2000 series has been detected", 15000)) << station.output();
  std::string got;
  EXPECT_TRUE(wait_until([&] { return (got = rig.read("f")) == "7100000"; }, 15000)) << "rig reads " << got;
  station.signal(SIGTERM);
  EXPECT_EQ(station.wait(20000), 0) << station.output();
}

}  // namespace
}  // namespace vesk
