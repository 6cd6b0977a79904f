// Remote commands in received AMD messages between whole stations on the simulated ether:
// ALFA, BRAVO and CHARLY on one channel; BRAVO has a KAM as its TNC type.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/options.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

class RemoteAmdSimTest : public ::testing::Test {
 protected:
  // `tnc_port` 0: BRAVO has no TNC port.
  void stations(int tnc_port) {
    for (const std::string own : {"ALFA", "BRAVO", "CHARLY"}) {
      test::make_station_folder(
          fs::path(root_.path()) / own,
          [&] {
            if (own != "BRAVO") return;
            db_set_tnc_type(1);  // KAM PLUS
            db_set_tnc_port(tnc_port);
          },
          "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD OTHER ALFA\nADD OTHER BRAVO\nADD OTHER CHARLY\nENABLE SCANNING\n");
    }
  }
  test::SimRun run(int seconds, const std::vector<SimCommand>& commands) {
    SimOptions o;
    for (const std::string name : {"ALFA", "BRAVO", "CHARLY"}) o.stations.push_back({name, (fs::path(root_.path()) / name).string()});
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    return test::sim_collect(o);
  }
  test::TempDir root_;
};

TEST_F(RemoteAmdSimTest, EachCommandIsAnsweredToItsSenderAndNothingElseRuns) {
  stations(0);
  const test::SimRun r = run(200, {{1000, "ALFA", "AMD BRAVO \">>CMD MODEM<<\""},
                                   {60000, "CHARLY", "AMD BRAVO \">>CMD MILMODEM<<\""},
                                   {120000, "ALFA", "AMD BRAVO \">>CMD QUIT<<\""},
                                   {160000, "ALFA", "AMD BRAVO \"CMD QUIT\""}});
  // The received text is padded to whole words; the reply leaves 10 s after it came.
  const double asked = r.at("BRAVO", "[AMD][ALFA           ][>>CMD MODEM<<  ]");
  ASSERT_GT(asked, 0) << r.text;
  const double answered =
      r.at("ALFA", "[AMD][BRAVO          ][<REMOTE CMD REPLY: EXTERNAL TNC/MODEM SUPPORT NOT ACTIVE>]");
  EXPECT_GT(answered, asked + 10) << r.text;
  EXPECT_GT(r.at("CHARLY", "[AMD][BRAVO          ][<REMOTE CMD REPLY: CONFIRM MIL-STD-188-110 MODEM OFF>"), 60);
  // Each reply reached its own sender only; the other texts ran nothing.
  EXPECT_EQ(r.count_of("ALFA", "][AMD][BRAVO          ][<REMOTE CMD REPLY"), 1);
  EXPECT_EQ(r.count_of("CHARLY", "][AMD][BRAVO          ][<REMOTE CMD REPLY"), 1);
  EXPECT_GT(r.at("BRAVO", "[AMD][ALFA           ][>>CMD QUIT<<]"), 120);
  EXPECT_GT(r.at("BRAVO", "[AMD][ALFA           ][CMD QUIT"), 160);
  EXPECT_EQ(r.count("Goodbye"), 0);
  EXPECT_EQ(r.count("REMOTE AMD TNC COMMAND"), 0);
}

// BRAVO is given an AMD for ALFA while hearing CHARLY's call, while answering it, and while
// answering CHARLY's AMD inside their link: the AMD waits for that exchange to end, then reaches
// ALFA alone, and CHARLY's exchange goes on undisturbed.
TEST_F(RemoteAmdSimTest, AnAmdGivenDuringAnotherExchangeWaitsThenReachesItsStationOnly) {
  struct Case {
    const char* during;
    std::vector<SimCommand> commands;
  };
  const std::vector<Case> cases = {
      {"call heard", {{1000, "CHARLY", "CALL BRAVO"}, {6000, "BRAVO", "AMD ALFA \"HELLO ALFA\""}}},
      {"call answered", {{1000, "CHARLY", "CALL BRAVO"}, {10000, "BRAVO", "AMD ALFA \"HELLO ALFA\""}}},
      {"in-link AMD",
       {{1000, "CHARLY", "CALL BRAVO"}, {30000, "CHARLY", "AMD BRAVO \"IN LINK\""}, {35000, "BRAVO", "AMD ALFA \"HELLO ALFA\""}}},
  };
  for (const Case& c : cases) {
    stations(0);
    const test::SimRun r = run(80, c.commands);
    const double given = c.commands.back().at_ms / 1000.0;
    EXPECT_GT(r.at("BRAVO", "[AMD HELD][ALFA           ][HELLO ALFA]"), given - 1) << c.during << r.text;
    EXPECT_GT(r.at("ALFA", "[AMD][BRAVO          ][HELLO ALFA  ]"), given) << c.during << r.text;
    EXPECT_EQ(r.count_of("ALFA", "[AMD][BRAVO          ][HELLO ALFA"), 1) << c.during;
    EXPECT_EQ(r.count_of("CHARLY", "][AMD][BRAVO"), 0) << c.during;
    EXPECT_GT(r.at("BRAVO", "[LINKED  ][CHARLY         ]"), 0) << c.during;
    EXPECT_EQ(r.count("AMD AUTO RETRY"), 0) << c.during << r.text;
    EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0) << c.during;
    if (c.commands.size() == 3) { EXPECT_GT(r.at("BRAVO", "[AMD][CHARLY         ][IN LINK  ]"), 30) << c.during; }
  }
}

// A cleared link resets a KAM to PACTOR only when its port is open.
TEST_F(RemoteAmdSimTest, LinkClearResetsAnOpenKamOnly) {
  for (const auto& [port, lines] : {std::pair{0, 0}, std::pair{3, 1}}) {
    stations(port);
    const test::SimRun r = run(60, {{1000, "ALFA", "CALL BRAVO"}, {30000, "ALFA", "CLEAR BRAVO"}});
    ASSERT_GT(r.at("BRAVO", "[CLEARED ][ALFA"), 30) << r.text;
    EXPECT_EQ(r.count_of("BRAVO", "[TNC CHANGE: TNC Reset to PACTOR at ALE Link Clear]"), lines) << port;
  }
}

}  // namespace
}  // namespace vesk
