// The serial-tone dialogs driven by vesk-ale-sim's command lines: the modem options dialog turns
// the modem into the sound path, and the MIL-STD 188-110 message dialog, given while the station
// is idle, queues its message; the station calls each destination in turn, sends and clears.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using test::SimRun;

class Mil110DialogSimTest : public ::testing::Test {
 protected:
  // Plain stations: data link FS1052 and TWX mode OFF, as a new station folder holds them.
  void station(const std::string& own, const std::vector<std::string>& others) {
    std::string config = "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD CHANNEL 10000000\n";
    for (const auto& o : others) config += "ADD OTHER " + o + "\n";
    config += "ENABLE SCANNING\n";
    test::make_station_folder(fs::path(root_.path()) / own, [] {}, config);
    names_.push_back(own);
  }
  std::string write_file(const std::string& name, const std::string& text) {
    const fs::path p = fs::path(root_.path()) / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  SimRun run(int seconds, std::vector<SimCommand> commands) {
    SimOptions o;
    for (const auto& n : names_) o.stations.push_back({n, (fs::path(root_.path()) / n).string()});
    o.channel = "awgn";
    o.snr_db = 15;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = std::move(commands);
    return test::sim_collect(o);
  }
  test::TempDir root_;
  std::vector<std::string> names_;
};

TEST_F(Mil110DialogSimTest, MessagesGivenWhileIdleReachEachStationInTurn) {
  station("ALFA", {"BRAVO", "CHARLIE"});
  station("BRAVO", {"ALFA"});
  station("CHARLIE", {"ALFA"});
  // 2,000 characters: more than a command line holds, so the dialog line names a file.
  std::string text;
  for (int i = 0; text.size() < 2000; ++i) text += "LINE " + std::to_string(i) + " OF A LONG MESSAGE\n";
  text.resize(1999);
  text += "\n";
  const std::string long_file = write_file("long.txt", text);
  const std::string short_file = write_file("short.txt", "ONE FOR CHARLIE\n");
  std::vector<SimCommand> commands;
  for (const std::string& n : names_) commands.push_back({1000, n, "@MIL110OPTIONS 1 1"});
  commands.push_back({10000, "ALFA", "@MIL110 BRAVO " + long_file});
  commands.push_back({10000, "ALFA", "@MIL110 CHARLIE " + short_file});
  const SimRun r = run(600, commands);

  EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID "), 2) << r.text;
  EXPECT_EQ(r.count("FS-1052 Message ID"), 0);  // nothing failed
  EXPECT_EQ(r.count("TRANSMISSION NOT SENT"), 0);
  // BRAVO's log holds the whole text, line by line.
  std::string got;
  for (const std::string& l : r.lines) {
    const auto pos = l.find(" BRAVO LINE ");
    if (pos != std::string::npos) got += l.substr(pos + 7) + "\n";
  }
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    EXPECT_NE(got.find(line), std::string::npos) << line;
    start = end + 1;
  }
  EXPECT_EQ(r.count_of("CHARLIE", "ONE FOR CHARLIE"), 1);
  // The data link's indications reach the log at most one a second.
  for (const std::string& n : names_) {
    double last = -10;
    for (const std::string& l : r.lines) {
      double t = 0;
      char name[32] = {};
      const bool indication = l.find("][FS-1052 Connect") != std::string::npos ||
                              l.find("][FS-1052 Disconnect") != std::string::npos ||
                              l.find("][FS-1052 Message") != std::string::npos;
      if (!indication || std::sscanf(l.c_str(), "%lf %31s", &t, name) != 2 || n != name) continue;
      EXPECT_GE(t - last, 0.999) << l;
      last = t;
    }
  }
  // BRAVO first, cleared, then CHARLIE; all scan again at the end.
  const double bravo_cleared = r.at("BRAVO", "UNLINKED.DAT");
  const double charlie_linked = r.at("ALFA", "[LINKED  ][CHARLIE");
  ASSERT_NE(bravo_cleared, -1);
  ASSERT_NE(charlie_linked, -1);
  EXPECT_GT(charlie_linked, bravo_cleared - 5);
  for (const std::string& n : names_) {
    const double unlinked = r.at(n, "UNLINKED.DAT");
    ASSERT_NE(unlinked, -1) << n;
    EXPECT_NE(r.at(n, "STATUS 1: SCANNING", unlinked), -1) << n;
  }
}

TEST_F(Mil110DialogSimTest, LinesThatCannotBeReadAreLogged) {
  station("ALFA", {"BRAVO"});
  const SimRun r = run(5, {{1000, "ALFA", "@MIL110OPTIONS 1 9"},
                           {1000, "ALFA", "@MIL110 BRAVO"},
                           {1000, "ALFA", "@MIL110 BRAVO " + (fs::path(root_.path()) / "missing.txt").string()}});
  EXPECT_EQ(r.count_of("ALFA", "[SIM: USAGE @MIL110OPTIONS"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[SIM: USAGE @MIL110 ADDRESS FILE]"), 1);
  EXPECT_EQ(r.count_of("ALFA", "[SIM: CANNOT READ "), 1);
  EXPECT_EQ(r.count("FS-1052 IMMEDIATE MODE"), 0);  // nothing queued
}

}  // namespace
}  // namespace vesk
