// Two whole stations on the simulated ether, ALFA and BRAVO, both scanning the same channels:
// an individual call from ALFA to BRAVO.
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

class LinkSimTest : public ::testing::Test {
 protected:
  void station(const std::string& dir, const std::string& own, const std::string& other,
               const std::vector<int>& channels_hz) {
    fs::create_directories(fs::path(root_.path()) / dir);
    std::ofstream config(fs::path(root_.path()) / dir / "CONFIG.DAT");
    config << "ADD OWN " << own << "\n";
    for (int hz : channels_hz) config << "ADD CHANNEL " << hz << "\n";
    config << "ADD OTHER " << other << "\nENABLE SCANNING\n";
  }
  SimRun run(const std::string& channel, double snr_db, int seconds, const std::string& command) {
    SimOptions o;
    o.stations = {{"ALFA", (fs::path(root_.path()) / "a").string()}, {"BRAVO", (fs::path(root_.path()) / "b").string()}};
    o.channel = channel;
    o.snr_db = snr_db;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = {{10000, "ALFA", command}};
    return test::sim_collect(o);
  }
  test::TempDir root_;
};

const std::vector<int> kThreeChannels = {7000000, 10000000, 14000000};

TEST_F(LinkSimTest, IndividualCallLinksBothStations) {
  // Addresses of two words: the scanning call repeats only the first, "BRA".
  station("a", "ALFA", "BRAVO", kThreeChannels);
  station("b", "BRAVO", "ALFA", kThreeChannels);
  const SimRun r = run("awgn", 10, 40, "CALL BRAVO");
  EXPECT_NE(r.at("ALFA", "[LINKED  ][BRAVO          ]"), -1) << r.text;
  EXPECT_NE(r.at("BRAVO", "[LINKED  ][ALFA           ]"), -1);
  EXPECT_EQ(r.states("ALFA"), (std::vector<std::string>{"STOPPED", "LISTEN CHAN", "CALLING", "WAIT RESP", "ACKING", "LINKED"}));
  EXPECT_EQ(r.states("BRAVO"), (std::vector<std::string>{"STOPPED", "RESPONDING", "WAIT ACK", "LINKED"}));
  // The call is keyed 370 ms after the listen ends; every keying is released.
  const double calling = r.at("ALFA", "STATUS 1: CALLING");
  const double keyed = r.at("ALFA", "PTT now ACTIVE", calling - 0.001);
  EXPECT_NEAR(keyed - calling, 0.370, 0.011);
  EXPECT_TRUE(r.keyings_released());
  // The responder keys 370 ms after the call for it ended, and so does the caller's
  // acknowledgement, whose six words are queued at 40 ms and reach the air behind the sound
  // card's two queued blocks (a word each): keyed before its first word, and at most one block
  // and 62 ms ahead of it (keying at 10 ms kept it on the air 360 ms longer).
  const double responding = r.at("BRAVO", "STATUS 1: RESPONDING");
  EXPECT_NEAR(r.at("BRAVO", "PTT now ACTIVE", responding - 0.001) - responding, 0.370, 0.011);
  const double acking = r.at("ALFA", "STATUS 1: ACKING");
  const double ack_keyed = r.at("ALFA", "PTT now ACTIVE", acking - 0.001);
  EXPECT_NEAR(ack_keyed - acking, 0.370, 0.011);
  const double ack_air = r.at("ALFA", "PTT now RELEASED", ack_keyed) - ack_keyed;
  EXPECT_GT(ack_air, 6 * 0.392);
  EXPECT_LT(ack_air, 7 * 0.392 + 0.062 + 0.011);
}

// A two-word address on one channel: the sounding still repeats it often enough for a
// scanning station to take it for a sounding.
TEST_F(LinkSimTest, ASoundingOnOneChannelIsHeardAndPreparesTheTransmitFrequencyOnce) {
  station("a", "ALFA", "BRAVO", {7000000});
  station("b", "BRAVO", "ALFA", {7000000});
  const SimRun r = run("awgn", 10, 130, "ENABLE SOUNDING");
  EXPECT_EQ(r.count_of("ALFA", "[SCANNING: SENDING TIS SOUNDING]"), 1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "PTT now ACTIVE"), 1);
  EXPECT_TRUE(r.keyings_released());
  const double sent = r.at("ALFA", "[SCANNING: SENDING TIS SOUNDING]");
  EXPECT_GT(r.at("BRAVO", "[SND][               ][TIS][ALFA ", sent), sent) << r.text;
}

TEST_F(LinkSimTest, CallBelowTheModemsThresholdFailsCleanly) {
  station("a", "ALF", "BRV", {7000000});
  station("b", "BRV", "ALF", {7000000});
  const SimRun r = run("awgn", -10, 70, "CALL BRV");
  EXPECT_NE(r.at("ALFA", "[FAILED  ][BRV "), -1) << r.text;
  EXPECT_EQ(r.count("[LINKED  ]"), 0);
  EXPECT_EQ(r.count("ALFA STATUS 1: CALLING"), 5) << "five attempts on the one channel";
  EXPECT_TRUE(r.keyings_released());
  const std::vector<std::string> s = r.states("ALFA");
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.back(), "WAIT RESP");  // then back to scanning, which the scan texts show
  EXPECT_GT(r.at("ALFA", "STATUS 1: SCANNING", r.at("ALFA", "[FAILED  ]") - 0.001), 0);
}

}  // namespace
}  // namespace vesk
