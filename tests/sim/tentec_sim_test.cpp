// A running station with a TT-550 that never answers: its watchdog retries once a second and,
// after the fifth silent retry, asks the operator (headless: retry, logged) without holding
// the engine, which answers a call meanwhile.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "db/database.h"
#include "db/options.h"
#include "radio/drivers/radio_types.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(TenTecSim, Tt550WatchdogAsksWhileTheEngineAnswersACall) {
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  const fs::path bravo = fs::path(root.path()) / "bravo";
  const std::string channels = "ADD CHANNEL 7000000\nADD CHANNEL 10000000\nENABLE SCANNING\n";
  test::make_station_folder(alfa, [] {}, "ADD OWN ALFA\nADD OTHER BRAVO\n" + channels);
  test::make_station_folder(bravo, [] { db_set_radio_type(DB_TT550); }, "ADD OWN BRAVO\nADD OTHER ALFA\n" + channels);
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  o.duration_ms = 40000;
  o.commands = {{3000, "ALFA", "CALL BRAVO"}};
  const test::SimRun r = test::sim_collect(o);
  const char* kAsked = "RADIO: Pegasus: Pegasus does not respond. Check connections. Restart Program. - "
                       "no operator to answer: retrying";
  const double asked = r.at("BRAVO", kAsked);
  ASSERT_GE(asked, 0) << r.text;
  // Set-up's "XX", five silent retries a second apart, then the question.
  EXPECT_NEAR(asked, 6.0, 1.0);
  // Asked again after ten more retries while nothing answers.
  EXPECT_GE(r.count_of("BRAVO", kAsked), 2);
  EXPECT_TRUE(r.linked("BRAVO", "ALFA")) << r.text;
  EXPECT_TRUE(r.linked("ALFA", "BRAVO"));
}

}  // namespace
}  // namespace vesk
