// What the running station's wiring gives whole stations on the simulated ether: keying lines
// stamped with the frequency on the radio, the AMD retry that goes out again, and the word
// figures and tuning-display refreshes of the receiver.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "db/log.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"
#include "ui/station_app.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using test::SimRun;

const std::vector<std::string> kNames = {"ALFA", "BRAVO", "CHARLIE"};

class WiringSimTest : public ::testing::Test {
 protected:
  // Stations on the given channels, knowing each other, scanning.
  SimOptions stations(int count, const std::vector<int>& channels_hz = {7000000}) {
    SimOptions o;
    for (int i = 0; i < count; ++i) {
      const fs::path dir = fs::path(root_.path()) / kNames[i];
      fs::create_directories(dir);
      std::ofstream config(dir / "CONFIG.DAT");
      config << "ADD OWN " << kNames[i] << "\n";
      for (int hz : channels_hz) config << "ADD CHANNEL " << hz << "\n";
      for (int j = 0; j < count; ++j)
        if (j != i) config << "ADD OTHER " << kNames[j] << "\n";
      config << "ENABLE SCANNING\n";
      o.stations.push_back({kNames[i], dir.string()});
    }
    o.channel = "awgn";
    o.snr_db = 15;
    return o;
  }
  test::TempDir root_;
};

TEST_F(WiringSimTest, KeyingWhileScanningCarriesTheChannelsFrequency) {
  SimOptions o = stations(3, {7000000, 10000000, 14000000});
  o.channel = "good";
  o.snr_db = 10;
  o.seed = 2;
  o.duration_ms = 70000;
  o.commands = {{5000, "ALFA", "ENABLE SOUNDING"}};
  const SimRun r = test::sim_collect(o);
  const double sounding = r.at("ALFA", "[SCANNING: SENDING TIS SOUNDING]");
  ASSERT_GT(sounding, 0) << r.text;
  const double keyed = r.at("ALFA", "[RADIO: PTT now ACTIVE]", sounding - 1);
  ASSERT_GT(keyed, 0);
  EXPECT_EQ(r.at("ALFA", "[FRQ 07000000][RADIO: PTT now ACTIVE]", sounding - 1), keyed) << r.text;
  EXPECT_GT(r.at("ALFA", "[FRQ 07000000][RADIO: PTT now RELEASED]", keyed), keyed);
  EXPECT_EQ(r.count("[FRQ 00000000][RADIO: PTT now", 1), 0) << "after the start-up's release";
}

TEST_F(WiringSimTest, KeyingOfACallFromScanningCarriesItsChannelsFrequency) {
  // A call keys on the channel the scan tuned, with no transmit preparation: the caller's call
  // and acknowledgement are stamped with that channel, as the responder's answer is.
  SimOptions o = stations(2, {7000000, 10000000, 14000000});
  o.duration_ms = 40000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"}};
  const SimRun r = test::sim_collect(o);
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  std::string frq;  // "[FRQ nnnnnnnn]" of the caller's LINKED line
  for (const std::string& l : r.lines) {
    const auto at = l.find("][LINKED  ]");
    if (l.find(" ALFA ") != std::string::npos && at != std::string::npos && at >= 13) {
      frq = l.substr(at - 13, 14);
      break;
    }
  }
  ASSERT_EQ(frq.rfind("[FRQ ", 0), 0u) << frq;
  EXPECT_NE(frq, "[FRQ 00000000]");
  EXPECT_EQ(r.count_of("ALFA", frq + "[RADIO: PTT now ACTIVE]"), 2) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", frq + "[RADIO: PTT now ACTIVE]"), 1);
  EXPECT_EQ(r.count("[FRQ 00000000][RADIO: PTT now", 1), 0) << "after the start-up's release";
}

TEST_F(WiringSimTest, AnAmdThatGoesUnansweredIsSentOnceMore) {
  // BRAVO leaves after the link: nothing answers the AMD.
  SimOptions o = stations(2);
  o.duration_ms = 60000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"}, {25000, "BRAVO", "QUIT"}, {30000, "ALFA", "AMD BRAVO HELLO"}};
  const SimRun r = test::sim_collect(o);
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  const double armed = r.at("ALFA", "* AMD AUTO RETRY IN 3 SECONDS");
  const double sending = r.at("ALFA", "* AMD AUTO RETRY SENDING");
  ASSERT_GT(armed, 30) << r.text;
  EXPECT_NEAR(sending - armed, 3.0, 0.05);
  const double keyed = r.at("ALFA", "PTT now ACTIVE", sending - 0.001);
  EXPECT_GT(keyed, 0) << "the retry is keyed";
  EXPECT_LT(keyed - sending, 1.0);
  const double released = r.at("ALFA", "PTT now RELEASED", keyed);
  EXPECT_GT(r.at("ALFA", "* HANDSHAKE FAILED", released), 0) << "one retry, then the failure";
  // The resend carries the kept text: it is as long as the first send (without its two AMD
  // words it would be some 0.8 s shorter).
  const double first_keyed = r.at("ALFA", "PTT now ACTIVE", 30);
  const double first_length = r.at("ALFA", "PTT now RELEASED", first_keyed) - first_keyed;
  EXPECT_GT(released - keyed, first_length - 0.1) << r.text;
}

TEST_F(WiringSimTest, TheReceiverRefreshesTheWordFiguresAndTheTuningDisplay) {
  SimOptions o = stations(2);
  o.duration_ms = 30000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"}};
  std::map<std::string, LogStatusTexts> texts;
  std::map<std::string, long> refreshes;
  const SimRun r = test::sim_collect(o, [&](const std::string& name) {
    texts[name] = display_status_texts();
    refreshes[name] = station_app().audio_refreshes.load();
  });
  ASSERT_TRUE(r.linked("BRAVO", "ALFA")) << r.text;
  for (const char* name : {"ALFA", "BRAVO"}) {
    EXPECT_EQ(texts[name].ber.rfind("BER ", 0), 0u) << name << " " << texts[name].ber;
    EXPECT_EQ(texts[name].sinad.rfind("SINAD ", 0), 0u) << name << " " << texts[name].sinad;
    // One refresh per block heard (about 1,100 in 30 s less the blocks sent), one at the start
    // of each transmission.
    EXPECT_GT(refreshes[name], 500) << name;
  }
}

}  // namespace
}  // namespace vesk
