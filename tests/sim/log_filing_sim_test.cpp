// A running station files its log as it goes: what its daily file holds before any shut-down
// (all that a kill -9 or a power cut would leave) reaches to about a minute before.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "db/daily_log.h"
#include "platform/station.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(LogFilingSim, DailyFileHoldsTheLinesUpToAboutAMinuteBeforeAnyShutDown) {
  test::TempDir root;
  const fs::path dir = fs::path(root.path()) / "ALFA";
  fs::create_directories(dir / "owlog");
  std::ofstream(dir / "CONFIG.DAT") << "ADD OWN ALFA\nADD CHANNEL 7000000\n";
  SimOptions o;
  o.stations.push_back({"ALFA", dir.string()});
  o.duration_ms = 300000;
  // One marked line every 20 s, on a station otherwise quiet.
  std::vector<int> marks;
  for (int s = 20; s < 300; s += 20) {
    marks.push_back(s);
    o.commands.push_back({s * 1000LL, "ALFA", "MARK" + std::to_string(s)});
  }
  std::string filed;
  const test::SimRun r = test::sim_collect(o, [&](const std::string&) {
    // Before the shut-down: the file as a crash now would leave it.
    std::ifstream in(station().path(log_monitor_file_name(station().clock().utc_seconds())), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    filed = ss.str();
  });
  for (int s : marks) {
    SCOPED_TRACE(s);
    const std::string line = "NO MMI COMMAND => MARK" + std::to_string(s) + "]";
    ASSERT_GE(r.at("ALFA", line), 0) << r.text;
    // Lines older than a minute and a little are on disk; nothing is there twice.
    if (s <= 300 - 65) { EXPECT_NE(filed.find(line), std::string::npos) << filed; }
    if (filed.find(line) != std::string::npos) { EXPECT_EQ(filed.find(line), filed.rfind(line)); }
  }
  EXPECT_NE(filed.find("Begin display of current OWN Address Book listing"), std::string::npos);
}

}  // namespace
}  // namespace vesk
