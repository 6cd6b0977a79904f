// A SET on a running station takes effect at once: the sounding period set in the middle of a
// run makes the station sound every minute from then on.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "db/database.h"
#include "db/tables.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(SetSim, TheSoundingPeriodChangesOnARunningStation) {
  test::TempDir root;
  const std::filesystem::path alfa = std::filesystem::path(root.path()) / "alfa";
  test::make_station_folder(
      alfa, [] {}, "ADD OWN ALFA\nADD CHANNEL 7100000\nENABLE SCANNING\n");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}};
  o.duration_ms = 420000;
  o.commands = {{5000, "ALFA", "ENABLE SOUNDING"}, {150000, "ALFA", "SET SOUNDING 1"}};
  const test::SimRun r = test::sim_collect(o);
  std::set<int> before, after;
  for (const std::string& l : r.lines) {
    if (l.find("SENDING TIS SOUNDING") == std::string::npos) continue;
    const double t = std::stod(l);
    (t < 150 ? before : after).insert(static_cast<int>(t) / 60);
  }
  // The default period of 60 minutes: one sounding before the SET; then one a minute.
  EXPECT_EQ(before.size(), 1u) << r.text;
  EXPECT_GE(after.size(), 3u) << r.text;
  EXPECT_NE(r.text.find("[MMI CHANGE: SET SOUNDING PERIOD TO 1 ]"), std::string::npos);
}

}  // namespace
}  // namespace vesk
