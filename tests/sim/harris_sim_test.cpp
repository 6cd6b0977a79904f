// A running station with an RF-350 ALK and the memory channels on: 12 s after its set-up it
// writes its channels into the radio's memories, one per 1.8 s on engine timer steps, and
// the engine answers a call meanwhile.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/database.h"
#include "db/options.h"
#include "radio/drivers/radio_types.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(HarrisSim, TheEngineAnswersACallWhileTheMemoriesAreWritten) {
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  const fs::path bravo = fs::path(root.path()) / "bravo";
  constexpr int kChannels = 3;
  std::string channels;
  for (int i = 0; i < kChannels; ++i) channels += "ADD CHANNEL " + std::to_string(3000000 + i * 500000) + "\n";
  channels += "ENABLE SCANNING\n";
  test::make_station_folder(alfa, [] {}, "ADD OWN ALFA\nADD OTHER BRAVO\n" + channels);
  test::make_station_folder(
      bravo,
      [] {
        db_set_radio_type(DB_RF350ALK);
        db_enable_memory_channels();
      },
      "ADD OWN BRAVO\nADD OTHER ALFA\n" + channels);
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  o.duration_ms = 60000;
  o.commands = {{5000, "ALFA", "CALL BRAVO"}};
  const test::SimRun r = test::sim_collect(o);
  const double load = r.at("BRAVO", "Update Harris Memories");
  ASSERT_GE(load, 0) << r.text;
  EXPECT_NEAR(load, 12.3, 1.0);
  // BRAVO answers the call while the load of its channels (1.8 s each) still runs, and the
  // link is made.
  const double answered = r.at("BRAVO", "STATUS 1: RESPONDING");
  ASSERT_GE(answered, 0) << r.text;
  EXPECT_LT(answered, load + kChannels * 1.8) << "answered at " << answered << ", load from " << load;
  EXPECT_TRUE(r.linked("BRAVO", "ALFA")) << r.text;
  EXPECT_TRUE(r.linked("ALFA", "BRAVO"));
}

}  // namespace
}  // namespace vesk
