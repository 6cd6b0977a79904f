// Whole stations on the simulated ether: net, group, allcall and anycall calls, and the ends
// of a link (time-out, a clear from either side).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using test::SimRun;

const char* const kStations[] = {"ALF", "BRV", "CHL", "DLT"};

class NetSimTest : public ::testing::Test {
 protected:
  // Every station knows the others, scans one channel and is a member of the net TEAM in the
  // order of kStations (ALF's slot first).
  void SetUp() override { configure(); }

  void configure() {
    for (const char* own : kStations) {
      const fs::path dir = fs::path(root_.path()) / own;
      fs::create_directories(dir);
      std::ofstream config(dir / "CONFIG.DAT");
      config << "ADD OWN " << own << "\nADD CHANNEL 7000000\n";
      for (const char* other : kStations)
        if (std::string(other) != own) config << "ADD OTHER " << other << "\n";
      config << "ADD NET TEAM ALF BRV CHL DLT\n";
      config << "ENABLE ALLCALL\nENABLE ANYCALL\nDISABLE LQA\n" << extra_config_ << "ENABLE SCANNING\n";
    }
  }

  SimRun run(int stations, int seconds, const std::vector<SimCommand>& commands) {
    SimOptions o;
    for (int i = 0; i < stations; ++i) o.stations.push_back({kStations[i], (fs::path(root_.path()) / kStations[i]).string()});
    o.channel = "awgn";
    o.snr_db = 15;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    return test::sim_collect(o);
  }

  // Saves the station's "ALE.DAT" with an activity time-out of `secs`, before the run.
  void save_twa(const char* own, int secs) {
    Station st(fs::path(root_.path()) / own);
    StationScope scope(st);
    db_open();
    db_set_twa_secs(secs);
    ASSERT_EQ(db_save(), 1);
  }

  // Every member linked on the one exchange: it answered once, heard the single
  // acknowledgement (the last to answer included: it keys just before the acknowledgement)
  // and never took the acknowledgement for a new call.
  static void expect_one_exchange(const SimRun& r, const std::vector<const char*>& members) {
    EXPECT_EQ(r.count_of("ALF", "STATUS 1: ACKING"), 1) << r.text;
    EXPECT_EQ(r.count_of("ALF", "STATUS 1: HANDSHAKING"), 0);
    for (const char* member : members) {
      SCOPED_TRACE(member);
      EXPECT_EQ(r.count_of(member, "PTT now ACTIVE"), 1);
      EXPECT_EQ(r.count_of(member, "STATUS 1: WAIT RESP"), 1);
      EXPECT_NE(r.at(member, "STATUS 1: LINKED"), -1);
      EXPECT_LT(r.at(member, "STATUS 1: LINKED"), r.at("ALF", "STATUS 1: LINKED") + 1);
    }
  }

  std::string extra_config_;
  test::TempDir root_;
};

TEST_F(NetSimTest, NetCallLinksAllMembersInSlotOrder) {
  const SimRun r = run(4, 45, {{10000, "ALF", "CALL TEAM"}});
  double previous = 0;
  for (const char* member : {"BRV", "CHL", "DLT"}) {
    SCOPED_TRACE(member);
    const double heard = r.at("ALF", std::string("[LINKED  ][") + member);
    EXPECT_GT(heard, previous) << r.text;
    previous = heard;
    EXPECT_TRUE(r.linked(member, "ALF"));
  }
  EXPECT_EQ(r.count_of("ALF", "STATUS 1: LINKED"), 1);
  expect_one_exchange(r, {"BRV", "CHL", "DLT"});
}

TEST_F(NetSimTest, GroupCallLinksEveryCalledStation) {
  const SimRun r = run(4, 45, {{10000, "ALF", "CALL BRV DLT"}});
  for (const char* member : {"BRV", "DLT"}) {
    SCOPED_TRACE(member);
    EXPECT_TRUE(r.linked("ALF", member)) << r.text;
    EXPECT_TRUE(r.linked(member, "ALF"));
  }
  EXPECT_FALSE(r.linked("CHL", "ALF")) << "not called";
  expect_one_exchange(r, {"BRV", "DLT"});
}

// With LQA exchange on every answer carries an LQA word: each still fits its slot, so the
// caller hears every member answer, in slot order, before it acknowledges once.
TEST_F(NetSimTest, WithLqaTheCallerHearsEveryAnswerInItsSlot) {
  extra_config_ = "ENABLE LQA\n";
  configure();
  const struct {
    const char* command;
    std::vector<const char*> members;
  } calls[] = {{"CALL TEAM", {"BRV", "CHL", "DLT"}}, {"CALL BRV DLT", {"DLT", "BRV"}}};
  for (const auto& c : calls) {
    SCOPED_TRACE(c.command);
    const SimRun r = run(4, 45, {{10000, "ALF", c.command}});
    double previous = 0;
    for (const char* member : c.members) {
      SCOPED_TRACE(member);
      const double heard = r.at("ALF", std::string("[LINKED  ][") + member);
      EXPECT_GT(heard, previous) << r.text;
      previous = heard;
    }
    EXPECT_EQ(r.count_of("ALF", "STATUS 1: ACKING"), 1) << r.text;
  }
}

TEST_F(NetSimTest, AllcallLinksEveryStationWithoutResponses) {
  const SimRun r = run(3, 30, {{10000, "ALF", "CALL @?@"}});
  EXPECT_NE(r.at("ALF", "STATUS 1: LINKED"), -1) << r.text;
  for (const char* other : {"BRV", "CHL"}) {
    SCOPED_TRACE(other);
    EXPECT_TRUE(r.linked(other, "ALF"));
    EXPECT_EQ(r.count_of(other, "PTT now ACTIVE"), 0) << "nobody answers an allcall";
  }
}

TEST_F(NetSimTest, UnansweredAnycallGivesUpWithoutAChannelRetry) {
  const SimRun r = run(1, 75, {{10000, "ALF", "CALL @@?"}});
  EXPECT_NE(r.at("ALF", "[FAILED  ]"), -1) << r.text;
  EXPECT_EQ(r.count_of("ALF", "STATUS 1: CALLING"), 1);
}

TEST_F(NetSimTest, ActivityTimeOutEndsTheLinkOnBothSides) {
  constexpr int kTwaSecs = 20;
  save_twa("ALF", kTwaSecs);
  save_twa("BRV", kTwaSecs);
  const SimRun r = run(2, 60, {{10000, "ALF", "CALL BRV"}});
  ASSERT_TRUE(r.linked("ALF", "BRV")) << r.text;
  ASSERT_TRUE(r.linked("BRV", "ALF"));
  for (const char* who : {"ALF", "BRV"}) {
    SCOPED_TRACE(who);
    // The last exchange of the call (the acknowledgement) starts the time-out on both sides.
    const double linked = r.at(who, "STATUS 1: LINKED");
    const double timed_out = r.at(who, "[TIME OUT]");
    EXPECT_NEAR(timed_out - linked, kTwaSecs, 0.05) << r.text;
    EXPECT_EQ(r.count_of(who, "[TIME OUT]"), 1);
    EXPECT_NE(r.at(who, "STATUS 1: SCANNING", timed_out - 0.001), -1);
  }
}

TEST_F(NetSimTest, ClearFromEitherSideEndsTheLinkOnBoth) {
  for (const char* clearing : {"ALF", "BRV"}) {
    SCOPED_TRACE(clearing);
    const std::string peer = std::string(clearing) == "ALF" ? "BRV" : "ALF";
    const SimRun r = run(2, 50, {{10000, "ALF", "CALL BRV"}, {35000, clearing, "CLEAR " + peer}});
    ASSERT_TRUE(r.linked("ALF", "BRV")) << r.text;
    ASSERT_TRUE(r.linked("BRV", "ALF"));
    for (const char* who : {"ALF", "BRV"}) {
      SCOPED_TRACE(who);
      EXPECT_NE(r.at(who, "[CLEARED ]", 35), -1);
      EXPECT_NE(r.at(who, "STATUS 1: SCANNING", 35), -1);
    }
  }
}

}  // namespace
}  // namespace vesk
