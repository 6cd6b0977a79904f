// AQC-ALE between whole stations on the simulated ether: individual and net calls between two
// AQC-ALE stations, an order inside the link, and the mixed cases with a station that speaks
// only plain words.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ale/link/aqc_slots.h"
#include "db/options.h"
#include "db/tables.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"
#include "ui/message_dialogs.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

class AqcSimTest : public ::testing::Test {
 protected:
  void station(const std::string& own, const std::vector<std::string>& others, bool aqc,
               const std::string& extra = "") {
    std::string c = "ADD OWN " + own + "\n" + channels_;
    for (const std::string& o : others) c += "ADD OTHER " + o + "\n";
    c += extra + "ENABLE SCANNING\n";
    test::make_station_folder(fs::path(root_.path()) / own, [aqc, burst = burst_] {
          db_set_aqc_mode(aqc ? 1 : 0);
          db_set_aqc_burst(burst ? 1 : 0);
        }, c);
    names_.push_back(own);
  }
  test::SimRun run(int seconds, const std::vector<SimCommand>& commands,
                   const std::function<void(const std::string&)>& at_end = {}, const SimStep& on_step = {}) {
    SimOptions o;
    for (const std::string& n : names_) o.stations.push_back({n, (fs::path(root_.path()) / n).string()});
    o.channel = "awgn";
    o.snr_db = 20;
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    return test::sim_collect(o, at_end, on_step);
  }
  test::TempDir root_;
  std::vector<std::string> names_;
  bool burst_ = false;  // the AQC-ALE burst after FROM words
  std::string channels_ = "ADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD CHANNEL 14109000\n";
};

TEST_F(AqcSimTest, IndividualCallBetweenAqcStationsLinks) {
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, true);
  const test::SimRun r = run(45, {{10000, "ALFA", "CALL BRAVO"}, {30000, "ALFA", "AMD BRAVO HELLO"}});
  EXPECT_GE(r.at("ALFA", "[AQC LINKED  ][BRAVO ]"), 0) << r.text;
  EXPECT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0);
  // The AMD inside the link arrives with its check word right, and goes unanswered.
  EXPECT_GE(r.at("BRAVO", "[AMD][ALFA  ][HELLO ][CRC OK]"), 30);
  EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0);
}

TEST_F(AqcSimTest, NetCallBetweenAqcStationsWithTheBurstLinks) {
  burst_ = true;
  channels_ = "ADD CHANNEL 7000000\n";
  const std::string net = "ADD NET TEAM ALF BRV CHL\n";
  station("ALF", {"BRV", "CHL"}, true, net);
  station("BRV", {"ALF", "CHL"}, true, net);
  station("CHL", {"ALF", "BRV"}, true, net);
  const test::SimRun r = run(60, {{10000, "ALF", "CALL TEAM"}});
  for (const char* member : {"BRV", "CHL"}) {
    EXPECT_GE(r.at("ALF", std::string("[AQC LINKED  ][") + member), 0) << member << "\n" << r.text;
    EXPECT_GE(r.at(member, "[AQC LINKED  ][ALF   ]"), 0) << member;
  }
}

TEST_F(AqcSimTest, IndividualCallWithTheBurstLinks) {
  burst_ = true;
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, true);
  const test::SimRun r = run(45, {{10000, "ALFA", "CALL BRAVO"}});
  EXPECT_GE(r.at("ALFA", "[AQC LINKED  ][BRAVO ]"), 0) << r.text;
  EXPECT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0);
}

TEST_F(AqcSimTest, AqcSoundingIsHeard) {
  channels_ = "ADD CHANNEL 7000000\n";
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, true);
  const test::SimRun r = run(135, {{5000, "ALFA", "ENABLE SOUNDING"}});
  const double sent = r.at("ALFA", "[SCANNING: SENDING TIS SOUNDING]");
  ASSERT_GT(sent, 0) << r.text;
  EXPECT_GT(r.at("BRAVO", "[AQC SND][               ][TIS][ALFA ", sent), sent) << r.text;
}

TEST_F(AqcSimTest, PlainCallToAqcStationLinks) {
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, false);
  const test::SimRun r = run(40, {{10000, "BRAVO", "CALL ALFA"}});
  EXPECT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  EXPECT_TRUE(r.linked("BRAVO", "ALFA"));
}

TEST_F(AqcSimTest, AqcCallToPlainStationDoesNotLink) {
  channels_ = "ADD CHANNEL 7000000\n";
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, false);
  const test::SimRun r = run(60, {{10000, "ALFA", "CALL BRAVO"}});
  // BRAVO takes the AQC-ALE words as plain words of no call for it; ALFA's call fails.
  EXPECT_EQ(r.count("LINKED  ]"), 0) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", "STATUS 1: RESPONDING"), 0);
  EXPECT_GT(r.at("ALFA", "[FAILED  ][BRAVO "), 0);
}

// DTM and DBM texts with ARQ inside an AQC-ALE link: the address words say text follows, the
// receiver checks each block and acknowledges it, and the sender counts the message as sent.
TEST_F(AqcSimTest, DtmAndDbmTextsArriveInsideAnAqcLink) {
  channels_ = "ADD CHANNEL 7000000\n";
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, true);
  const test::SimRun r =
      run(75, {{10000, "ALFA", "CALL BRAVO"}, {30000, "ALFA", "DTMARQ BRAVO HELLO"}, {55000, "ALFA", "DBMARQ BRAVO WORLD"}});
  ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << r.text;
  const double dtm = r.at("BRAVO", "BRAVO HELLO ", 30);
  const double dbm = r.at("BRAVO", "BRAVO WORLD ", 55);
  EXPECT_GT(dtm, 30) << r.text;
  EXPECT_GT(dbm, 55) << r.text;
  EXPECT_GT(r.at("ALFA", "[MSG SENT][BRAVO          ]", dtm), dtm);
  EXPECT_GT(r.at("ALFA", "[MSG SENT][BRAVO          ]", dbm), dbm);
  EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0);
}

// The operator's AQC-ALE dialogs inside a link: a slot assignment asking for an acknowledgement
// is applied by BRAVO and acknowledged to ALFA; a Quick AMD's dictionary-coded text arrives
// expanded, as the text the operator composed.
TEST_F(AqcSimTest, OrderAndQuickAmdInsideTheLink) {
  channels_ = "ADD CHANNEL 7000000\n";
  station("ALFA", {"BRAVO"}, true);
  station("BRAVO", {"ALFA"}, true);
  AddressSlots bravo;
  bravo.add("BRAVO");
  std::string shown;  // the expansion the operator sees, made with ALFA's dictionaries
  auto quick_amd = [&] {
    QuickAmdText coded;
    for (char c : std::string("HI")) coded.type(c);
    coded.add_phrase(1, 0);
    shown = coded.shown();
    quick_amd_ok(coded, bravo, false);
  };
  int bravo_slot = -1;
  // The dialogs' OK buttons on ALFA at their times: no command line stands for them.
  bool slot_sent = false, amd_sent = false;
  const SimStep dialogs = [&](int64_t now, const std::string& who) {
    if (who != "ALFA") return;
    if (!slot_sent && now >= 30000) {
      slot_sent = true;
      slot_assignment_ok("3", "40", bravo, true);
    }
    if (!amd_sent && now >= 50000) {
      amd_sent = true;
      quick_amd();
    }
  };
  const test::SimRun r = run(
      75, {{10000, "ALFA", "CALL BRAVO"}},
      [&](const std::string& who) {
        if (who == "BRAVO") bravo_slot = aqc_slot(3);
      },
      dialogs);
  ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << r.text;
  EXPECT_EQ(bravo_slot, 40) << r.text;
  EXPECT_GT(r.at("ALFA", "[ACK][BRAVO ]", 30), 30) << r.text;
  ASSERT_FALSE(shown.empty());
  EXPECT_GT(r.at("BRAVO", "[AMD][ALFA  ][" + shown, 50), 50) << shown << "\n" << r.text;
  EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0);
}

}  // namespace
}  // namespace vesk
