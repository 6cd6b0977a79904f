// Exchanges inside a link between whole stations on the simulated ether, where both sides have
// something to say at once: ARQ texts queued on both stations within moments of each other
// both arrive once and are both reported sent (every good block is acknowledged, whatever its
// receiver was waiting for; frames that collided are not repeated in step). In AQC-ALE: an
// operator ACK request that the operator does not answer is refused by the automatic NAK, a
// station that terminates its own link clears both ends and scans again at once, a protected
// AQC-ALE call goes out and ends, calls, Quick AMDs and DTM texts link and arrive under linking
// protection, and the command monitor traces the words of received AQC-ALE frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "db/options.h"
#include "db/tables.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"
#include "ui/message_dialogs.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// The data-pane lines of `who` that are exactly `text`.
int pane_lines(const test::SimRun& r, const std::string& who, const std::string& text) {
  int n = 0;
  for (const std::string& l : r.lines) {
    double t = 0;
    char name[32] = {};
    int used = 0;
    if (std::sscanf(l.c_str(), "%lf %31s %n", &t, name, &used) < 2 || who != name) continue;
    std::string shown = l.substr(static_cast<std::size_t>(used));
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();  // a pane line keeps its line end
    n += shown == text ? 1 : 0;
  }
  return n;
}

// The example stations of the repository (three channels, each knowing the other).
SimOptions example_stations(uint64_t seed, int seconds) {
  SimOptions o;
  o.stations = {{"ALFA", std::string(VESK_SOURCE_DIR) + "/stations/alfa"},
                {"BRAVO", std::string(VESK_SOURCE_DIR) + "/stations/bravo"}};
  o.channel = "good";
  o.snr_db = 15;
  o.seed = seed;
  o.duration_ms = seconds * 1000LL;
  return o;
}

struct BothWaysCase {
  const char* verb;
  uint64_t seed;
  int64_t alfa_at_ms, bravo_at_ms;
  double within_s;  // both sides report their text sent this long after the later one queued it
};

// Texts queued at the same moment (their frames collide), and at instants apart by less than a
// frame (frames that end together, so that neither side hears the other's end); the sweep over
// 20 seeds is bench/arq_both_ways.
TEST(DataExchangeSimTest, ArqTextsBothWaysBothArriveOnceAndAreReportedSent) {
  const BothWaysCase cases[] = {
      {"DTMARQ", 1, 40000, 40000, 40},
      {"DBMARQ", 1, 40000, 40000, 90},
      {"DTMARQ", 3, 40700, 41900, 40},
      {"DTMARQ", 13, 41220, 40808, 60},
      {"DBMARQ", 2, 41807, 41700, 90},
  };
  for (const BothWaysCase& c : cases) {
    SimOptions o = example_stations(c.seed, 160);
    o.commands = {{10000, "ALFA", "CALL BRAVO"},
                  {c.alfa_at_ms, "ALFA", std::string(c.verb) + " BRAVO from alfa"},
                  {c.bravo_at_ms, "BRAVO", std::string(c.verb) + " ALFA from bravo"}};
    const test::SimRun r = test::sim_collect(o);
    const std::string what = std::string(c.verb) + " seed " + std::to_string(c.seed);
    ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << what << r.text;
    EXPECT_EQ(pane_lines(r, "BRAVO", "FROM ALFA "), 1) << what << r.text;
    EXPECT_EQ(pane_lines(r, "ALFA", "FROM BRAVO "), 1) << what;
    const double queued = std::max(c.alfa_at_ms, c.bravo_at_ms) / 1000.0;
    const double alfa_sent = r.at("ALFA", "[MSG SENT][BRAVO          ]");
    const double bravo_sent = r.at("BRAVO", "[MSG SENT][ALFA           ]");
    EXPECT_GT(alfa_sent, queued) << what;
    EXPECT_GT(bravo_sent, queued) << what;
    EXPECT_LT(alfa_sent, queued + c.within_s) << what;
    EXPECT_LT(bravo_sent, queued + c.within_s) << what;
    EXPECT_EQ(r.count("[MSG SENT]"), 2) << what;
    EXPECT_EQ(r.count("FAIL]"), 0) << what;
    // The frames collide once at most: each side fails one handshake, and the repeats go in
    // turns.
    EXPECT_LE(r.count_of("ALFA", "HANDSHAKE FAILED"), 1) << what << r.text;
    EXPECT_LE(r.count_of("BRAVO", "HANDSHAKE FAILED"), 1) << what;
    EXPECT_TRUE(r.keyings_released()) << what;
  }
}

constexpr int32_t kLpKey[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};

class AqcOrderSimTest : public ::testing::Test {
 protected:
  // Both stations in AQC-ALE, with linking protection when `protect` (AL-2, the same key).
  void stations(bool protect) {
    for (const auto& [own, other] : {std::pair<std::string, std::string>{"ALFA", "BRAVO"}, {"BRAVO", "ALFA"}})
      test::make_station_folder(
          fs::path(root_.path()) / own,
          [protect] {
            db_set_aqc_mode(1);
            if (!protect) return;
            db_set_lp_key(0, kLpKey, 1 << 2);
            db_enable_lp();
          },
          "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD OTHER " + other + "\nENABLE SCANNING\n");
  }
  void SetUp() override { stations(false); }
  // ALFA calls BRAVO at 10 s; `press` is an AQC-ALE dialog's OK on ALFA at 30 s; `commands`
  // are further lines.
  test::SimRun run(int seconds, std::function<void()> press, std::vector<SimCommand> commands = {}) {
    SimOptions o;
    o.stations = {{"ALFA", (fs::path(root_.path()) / "ALFA").string()},
                  {"BRAVO", (fs::path(root_.path()) / "BRAVO").string()}};
    o.channel = "awgn";
    o.snr_db = 20;
    o.duration_ms = seconds * 1000LL;
    o.seed = seed_;
    o.commands = {{10000, "ALFA", "CALL BRAVO"}};
    o.commands.insert(o.commands.end(), commands.begin(), commands.end());
    bool pressed = false, bravo_started = false;
    return test::sim_collect(o, {}, [&](int64_t now, const std::string& who) {
      if (who == "BRAVO" && !bravo_started) {
        bravo_started = true;
        if (bravo_setup_) bravo_setup_();
      }
      if (who != "ALFA" || pressed || now < 30000) return;
      pressed = true;
      if (press) press();
    });
  }
  test::TempDir root_;
  std::function<void()> bravo_setup_;  // on BRAVO at its first step
  uint64_t seed_ = 1;
};

// With Trace Commands on, the monitor decodes the commands of received AQC-ALE frames too.
TEST_F(AqcOrderSimTest, TheMonitorTracesTheCommandsOfAqcFrames) {
  bravo_setup_ = [] { db_enable_trace_commands(); };
  const test::SimRun r = run(50, {}, {{30000, "ALFA", "AMD BRAVO HELLO"}});
  ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << r.text;
  EXPECT_GT(r.at("BRAVO", "[[CMD AMD] HELLO", 30), 30) << r.text;
}

// With linking protection on, an AQC-ALE call goes out enciphered and ends: the transmitter is
// released after every frame, and BRAVO, holding the key, reads the call and answers it.
TEST_F(AqcOrderSimTest, AProtectedAqcCallGoesOutAndReleasesTheTransmitter) {
  stations(true);
  const test::SimRun r = run(40, {});
  const double keyed = r.at("ALFA", "PTT now ACTIVE", 10);
  ASSERT_GT(keyed, 10) << r.text;
  EXPECT_GT(r.at("ALFA", "PTT now RELEASED", keyed), keyed) << r.text;
  EXPECT_GT(r.at("BRAVO", "STATUS 1: RESPONDING", keyed), keyed) << r.text;
  EXPECT_EQ(r.count("LP ERROR"), 0);
  EXPECT_TRUE(r.keyings_released());
}

// With linking protection on and the key on both stations, a call links, and a Quick AMD and a
// DTM text with ARQ inside the link arrive, on several seeds: an address pair is read under the
// seed its FROM word reads under, and the words after an in-link frame's last pair are never
// tried as addresses (a wrong seed reads some address word in about a third of its tries).
class ProtectedAqcSimTest : public AqcOrderSimTest {};

TEST_F(ProtectedAqcSimTest, CallDtmAndQuickAmdLinkAndArrive) {
  stations(true);
  for (const uint64_t seed : {1, 2, 3, 4, 5}) {
    seed_ = seed;
    std::string shown;  // the Quick AMD's expansion, as the operator composed it
    const test::SimRun r = run(
        90,
        [&] {
          AddressSlots bravo;
          bravo.add("BRAVO");
          QuickAmdText coded;
          for (char c : std::string("HI")) coded.type(c);
          coded.add_phrase(1, 0);
          shown = coded.shown();
          quick_amd_ok(coded, bravo, false);
        },
        {{50000, "ALFA", "DTMARQ BRAVO HELLO"}});
    const std::string what = "seed " + std::to_string(seed) + "\n";
    ASSERT_GE(r.at("ALFA", "[AQC LINKED  ][BRAVO ]"), 0) << what << r.text;
    ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << what << r.text;
    ASSERT_FALSE(shown.empty());
    EXPECT_GT(r.at("BRAVO", "[AMD][ALFA  ][" + shown, 30), 30) << what << r.text;
    const double dtm = r.at("BRAVO", "HELLO ", 50);
    EXPECT_GT(dtm, 50) << what << r.text;
    EXPECT_EQ(pane_lines(r, "BRAVO", "HELLO "), 1) << what;
    EXPECT_GT(r.at("ALFA", "[MSG SENT][BRAVO          ]", dtm), dtm) << what << r.text;
    EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0) << what;
    EXPECT_EQ(r.count("FAIL]"), 0) << what;
    EXPECT_EQ(r.count("NAK]"), 0) << what;
    EXPECT_EQ(r.count("CLEARED"), 0) << what;  // no address read under a wrong seed
    EXPECT_EQ(r.count("LP ERROR"), 0) << what;
    EXPECT_TRUE(r.keyings_released()) << what << r.text;
  }
}

// BRAVO's operator is asked for an ACK and gives none: 15 s later BRAVO answers NAK by itself,
// and ALFA logs the operator's NAK instead of a failed handshake.
TEST_F(AqcOrderSimTest, AnUnansweredAckRequestIsRefusedByTheAutomaticNak) {
  const test::SimRun r = run(80, [] { operator_ack_request_ok("BRAVO"); });
  ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << r.text;
  const double asked = r.at("BRAVO", "[SEND OPERATOR ACK NOW][ALFA  ]", 30);
  ASSERT_GT(asked, 30) << r.text;
  const double refused = r.at("ALFA", "[OPERATOR NAK][BRAVO ]", asked);
  EXPECT_GT(refused, asked + 15) << r.text;
  EXPECT_LT(refused, asked + 25);
  EXPECT_EQ(r.count("HANDSHAKE FAILED"), 0);
  EXPECT_TRUE(r.keyings_released());
}

// ALFA ends its own link: BRAVO clears it, and ALFA scans again as soon as its frame is out,
// not at the link's time-out.
TEST_F(AqcOrderSimTest, TerminatingTheOwnLinkClearsBothEndsAndScansAtOnce) {
  const test::SimRun r = run(70, [] { terminate_own_ok(); });
  ASSERT_GE(r.at("ALFA", "[AQC LINKED  ][BRAVO ]"), 0) << r.text;
  const double sent = r.at("ALFA", "PTT now RELEASED", 30);
  ASSERT_GT(sent, 30) << r.text;
  EXPECT_GT(r.at("BRAVO", "[CLEARED ][ALFA", 30), 30) << r.text;
  EXPECT_GT(r.at("ALFA", "[CLEARED ][BRAVO", 30), 30) << r.text;
  const double alfa_scans = r.at("ALFA", "STATUS 1: SCANNING", 30);
  EXPECT_GT(alfa_scans, 30) << r.text;
  EXPECT_LT(alfa_scans, sent + 1) << r.text;
  EXPECT_GT(r.at("BRAVO", "STATUS 1: SCANNING", 30), 30);
  EXPECT_EQ(r.count("TIME OUT"), 0);
  EXPECT_TRUE(r.keyings_released());
}

}  // namespace
}  // namespace vesk
