// Keying on a running station whose radio port stays closed (a radio type with no port
// set-up): a sounding keys nothing, and the log says so instead of going on silently.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(KeyingSim, AClosedRadioPortKeysNothingAndSaysSo) {
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  test::make_station_folder(alfa, [] { db_set_radio_type(0); }, "ADD OWN ALFA\nADD CHANNEL 7100000\nENABLE SCANNING\n");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}};
  o.duration_ms = 90000;
  o.commands = {{5000, "ALFA", "ENABLE SOUNDING"}};
  const test::SimRun r = test::sim_collect(o);
  ASSERT_GE(r.at("ALFA", "SENDING TIS SOUNDING"), 0) << r.text;
  EXPECT_GE(r.at("ALFA", "[PTT ERROR: No PTT. Radio port closed.]"), 0) << r.text;
  EXPECT_EQ(r.count("PTT now ACTIVE"), 0);
}

}  // namespace
}  // namespace vesk
