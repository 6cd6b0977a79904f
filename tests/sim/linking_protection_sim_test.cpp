// Linking protection between whole stations on the simulated ether: stations holding the same
// key link at AL-1 and AL-2 with their clocks apart; a station with another key does not link
// and says why; an unprotected caller gets no answer it can read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/options.h"
#include "db/tables.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

constexpr int32_t kKey[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};
constexpr int32_t kOtherKey[2] = {0x123456, 0x789ABCDE};

class LinkingProtectionSimTest : public ::testing::Test {
 protected:
  // levels 0: no linking protection.
  void station(const std::string& dir, const std::string& own, const std::string& other, int levels,
               const int32_t* key = kKey) {
    test::make_station_folder(
        fs::path(root_.path()) / dir,
        [levels, key] {
          if (levels == 0) return;
          db_set_lp_key(0, key, levels);
          db_enable_lp();
        },
        "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD OTHER " + other + "\nENABLE SCANNING\n");
  }
  test::SimRun run(double bravo_offset_s, int seconds, const std::string& channel = "awgn", double snr = 10) {
    SimOptions o;
    o.stations = {{"ALFA", (fs::path(root_.path()) / "a").string()},
                  {"BRAVO", (fs::path(root_.path()) / "b").string(), static_cast<int64_t>(bravo_offset_s * 1000)}};
    o.channel = channel;
    o.snr_db = snr;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = {{10000, "ALFA", "CALL BRAVO"}};
    return test::sim_collect(o);
  }
  test::TempDir root_;
};

TEST_F(LinkingProtectionSimTest, SameKeyLinks) {
  for (int levels : {1 << 2, 1 << 1}) {
    for (double offset : {-1.9, 0.0, 1.9}) {
      station("a", "ALFA", "BRAVO", levels);
      station("b", "BRAVO", "ALFA", levels);
      const test::SimRun r = run(offset, 60);
      EXPECT_TRUE(r.linked("ALFA", "BRAVO") && r.linked("BRAVO", "ALFA"))
          << "levels " << levels << " offset " << offset << "\n" << r.text;
    }
  }
}

// Inside a protected link the DTM data words and DBM groups go in clear between enciphered
// headers and endings; the receivers tell linking protection how many follow.
TEST_F(LinkingProtectionSimTest, DataMessagesInsideAProtectedLink) {
  station("a", "ALFA", "BRAVO", 1 << 2);
  station("b", "BRAVO", "ALFA", 1 << 2);
  SimOptions o;
  o.stations = {{"ALFA", (fs::path(root_.path()) / "a").string()}, {"BRAVO", (fs::path(root_.path()) / "b").string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  // Room for a repeat of the DBM block: its first answer may not be read.
  o.duration_ms = 110000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"},
                {30000, "ALFA", "DTMARQ BRAVO PROTECTED TEXT"},
                {50000, "ALFA", "DBMARQ BRAVO PROTECTED BLOCK"}};
  const test::SimRun r = test::sim_collect(o);
  EXPECT_NE(r.at("BRAVO", "BRAVO PROTECTED TEXT"), -1) << r.text;
  EXPECT_NE(r.at("BRAVO", "BRAVO PROTECTED BLOCK"), -1);
  EXPECT_EQ(r.count_of("ALFA", "[MSG SENT][BRAVO          ]"), 2) << r.text;
}

TEST_F(LinkingProtectionSimTest, AnotherKeyDoesNotLink) {
  station("a", "ALFA", "BRAVO", 1 << 2);
  station("b", "BRAVO", "ALFA", 1 << 2, kOtherKey);
  const test::SimRun r = run(0, 90);
  EXPECT_FALSE(r.linked("BRAVO", "ALFA"));
  EXPECT_EQ(r.count_of("ALFA", "[FAILED  ][BRAVO          ]"), 1) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", "[LP: PROTECTED WORDS HEARD THAT THIS CHANNEL'S KEY DOES NOT READ]"), 1);
  EXPECT_EQ(r.count_of("BRAVO", "RESPONDING"), 0);
}

// A station with linking protection on but no key for its channel sends nothing; it releases
// the transmitter at once and its call ends unanswered instead of staying keyed.
TEST_F(LinkingProtectionSimTest, WithoutAKeyNothingGoesOutAndTheTransmitterIsReleased) {
  test::make_station_folder(fs::path(root_.path()) / "a", [] { db_enable_lp(); },
                            "ADD OWN ALFA\nADD CHANNEL 7000000\nADD OTHER BRAVO\nENABLE SCANNING\n");
  station("b", "BRAVO", "ALFA", 1 << 2);
  const test::SimRun r = run(0, 90);
  const double refused = r.at("ALFA", "[LP ERROR: NO VALID KEY FOR THIS CHANNEL, NOTHING SENT]");
  ASSERT_GT(refused, 0) << r.text;
  const double released = r.at("ALFA", "PTT now RELEASED", refused - 1);
  EXPECT_GT(released, 0);
  EXPECT_LT(released, refused + 1) << r.text;
  EXPECT_EQ(r.count("PTT now ACTIVE", 1), r.count("PTT now RELEASED", 1));
  EXPECT_EQ(r.count_of("ALFA", "[FAILED  ][BRAVO          ]"), 1) << "the call ends unanswered";
  EXPECT_GT(r.at("ALFA", "STATUS 1: SCANNING", refused), 0);
  EXPECT_EQ(r.count_of("BRAVO", "RESPONDING"), 0);
}

TEST_F(LinkingProtectionSimTest, UnprotectedCallerGetsAnAnswerItCannotRead) {
  station("a", "ALFA", "BRAVO", 0);
  station("b", "BRAVO", "ALFA", 1 << 2);
  const test::SimRun r = run(0, 90);
  // BRAVO reads the call in clear (AL-0) and answers under its key; ALFA cannot read the answer.
  EXPECT_GE(r.count_of("BRAVO", "STATUS 1: RESPONDING"), 1) << r.text;
  EXPECT_FALSE(r.linked("ALFA", "BRAVO"));
  EXPECT_EQ(r.count_of("ALFA", "[FAILED  ][BRAVO          ]"), 1);
}

}  // namespace
}  // namespace vesk
