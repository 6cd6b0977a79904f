// Data messages between whole stations on the simulated ether: after ALFA links with BRAVO,
// DTMARQ and DBMARQ typed at ALFA arrive whole in BRAVO's data pane (the words and groups
// through the modem and the channel), each acknowledged, at 10 dB AWGN and 5 dB CCIR poor.
#include <gtest/gtest.h>

#include <cstdlib>
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

// The data-pane text of one station: its lines after the start-up listings that are neither
// log lines nor status texts.
std::string pane(const test::SimRun& r, const std::string& who) {
  std::string out;
  const std::string mark = " " + who + " ";
  for (const std::string& l : r.lines) {
    const auto at = l.find(mark);
    if (at == std::string::npos || at > 10 || std::atof(l.c_str()) < 1.0) continue;
    const std::string text = l.substr(at + mark.size());
    if (text.rfind("[", 0) == 0 || text.rfind("STATUS ", 0) == 0) continue;
    out += text + "\n";
  }
  return out;
}

class DataMessageSimTest : public ::testing::Test {
 protected:
  void station(const std::string& dir, const std::string& own, const std::vector<std::string>& others) {
    fs::create_directories(fs::path(root_.path()) / dir);
    std::ofstream config(fs::path(root_.path()) / dir / "CONFIG.DAT");
    config << "ADD OWN " << own << "\nADD CHANNEL 7000000\n";
    for (const std::string& o : others) config << "ADD OTHER " << o << "\n";
    config << "ENABLE SCANNING\n";
  }
  test::SimRun run(const std::string& channel, double snr_db, int seconds, const std::vector<SimCommand>& commands,
                   std::vector<SimStationSpec> stations = {}) {
    SimOptions o;
    if (stations.empty())
      stations = {{"ALFA", (fs::path(root_.path()) / "a").string()}, {"BRAVO", (fs::path(root_.path()) / "b").string()}};
    o.stations = stations;
    o.channel = channel;
    o.snr_db = snr_db;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    return test::sim_collect(o);
  }
  test::TempDir root_;
};

TEST_F(DataMessageSimTest, DtmAndDbmArriveWholeInsideALink) {
  station("a", "ALFA", {"BRAVO"});
  station("b", "BRAVO", {"ALFA"});
  // Two DTM blocks (the first extended) and two DBM blocks.
  const std::string dtm = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 AND THE FIVE BOXING WIZARDS JUMP "
                          "QUICKLY 9876543210";
  const std::string dbm = "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS AND THEN SOME MORE TEXT SO THAT THE MESSAGE "
                          "NEEDS MORE THAN ONE DBM BLOCK TO GET THERE";
  for (const auto& [channel, snr] : std::vector<std::pair<std::string, double>>{{"awgn", 10}, {"poor", 5}}) {
    const test::SimRun r = run(channel, snr, 150,
                               {{10000, "ALFA", "CALL BRAVO"},
                                {30000, "ALFA", "DTMARQ BRAVO \"" + dtm + "\""},
                                {60000, "ALFA", "DBMARQ BRAVO \"" + dbm + "\""}});
    ASSERT_TRUE(r.linked("BRAVO", "ALFA")) << channel << r.text;
    const std::string text = pane(r, "BRAVO");
    std::string joined;  // each block is a line of its own
    for (char c : text)
      if (c != '\n') joined += c;
    EXPECT_NE(joined.find(dtm + " "), std::string::npos) << channel << "\n" << text;
    EXPECT_NE(joined.find(dbm + " "), std::string::npos) << channel << "\n" << text;
    EXPECT_EQ(r.count_of("ALFA", "[MSG SENT][BRAVO          ]"), 2) << channel << r.text;
    EXPECT_EQ(r.count_of("ALFA", "FAIL]"), 0);
    EXPECT_TRUE(r.keyings_released());
  }
}

// ALFA links with BRAVO, then with CHARLIE; two texts typed at the same moment, one for each,
// reach only the station their command names.
TEST_F(DataMessageSimTest, EachTextReachesTheStationItNames) {
  station("a", "ALFA", {"BRAVO", "CHARLIE"});
  station("b", "BRAVO", {"ALFA"});
  station("c", "CHARLIE", {"ALFA"});
  const test::SimRun r = run("awgn", 10, 100,
                             {{10000, "ALFA", "CALL BRAVO"},
                              {30000, "ALFA", "CALL CHARLIE"},
                              {55000, "ALFA", "DTMARQ BRAVO FOR BRAVO ONLY"},
                              {55000, "ALFA", "DBMARQ CHARLIE FOR CHARLIE ONLY"}},
                             {{"ALFA", (fs::path(root_.path()) / "a").string()},
                              {"BRAVO", (fs::path(root_.path()) / "b").string()},
                              {"CHARLIE", (fs::path(root_.path()) / "c").string()}});
  ASSERT_TRUE(r.linked("CHARLIE", "ALFA")) << r.text;
  EXPECT_EQ(pane(r, "BRAVO"), "FOR BRAVO ONLY \n\n");
  EXPECT_EQ(pane(r, "CHARLIE"), "FOR CHARLIE ONLY \n\n");
  EXPECT_EQ(r.count_of("ALFA", "[MSG SENT][BRAVO          ]"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[MSG SENT][CHARLIE        ]"), 1);
  EXPECT_EQ(r.count("DBM ERROR"), 0);
}

// A DBM text queued with a DTM text: the DBM goes out as soon as the DTM is acknowledged, and
// BRAVO, which answered the DTM, takes it as a new frame and acknowledges it at once.
TEST_F(DataMessageSimTest, ADbmRightAfterADtmIsAcknowledgedAtOnce) {
  station("a", "ALFA", {"BRAVO"});
  station("b", "BRAVO", {"ALFA"});
  const test::SimRun r =
      run("awgn", 10, 45, {{1000, "ALFA", "CALL BRAVO"}, {14000, "ALFA", "DBMARQ BRAVO WORLD"}, {15000, "ALFA", "DTMARQ BRAVO HELLO"}});
  EXPECT_EQ(pane(r, "BRAVO"), "HELLO \n\nWORLD \n\n") << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[MSG SENT][BRAVO          ]"), 2) << r.text;
  EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0);
}

}  // namespace
}  // namespace vesk
