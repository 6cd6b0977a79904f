// Two whole stations, ALFA and BRAVO, on the simulated ether: after an ALE link, messages go
// over the serial-tone modem path (the station's own serial-tone modem, its audio on the
// simulated channel like the ALE words), and the stations return to scanning afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <cstdio>
#include <cstring>

#include "ale/engine/api_event.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "datalink/fs1052_binding.h"
#include "db/options.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using test::SimRun;

class Fs1052SimTest : public ::testing::Test {
 protected:
  void stations(int data_link_mode) {
    const char* names[2][2] = {{"a", "ALFA"}, {"b", "BRAVO"}};
    for (int i = 0; i < 2; ++i)
      test::make_station_folder(
          fs::path(root_.path()) / names[i][0], [&] {
            db_set_data_link_mode(data_link_mode);
            db_set_twx_mode(1);  // the serial-tone modem in the sound path while linked
            db_set_ptt_status_display(1);
          },
          std::string("ADD OWN ") + names[i][1] + "\nADD CHANNEL 7000000\nADD CHANNEL 10000000\nADD OTHER " +
              names[1 - i][1] + "\nENABLE SCANNING\n");
  }
  SimRun run(const std::string& channel, double snr_db, int seconds, const std::vector<test::TimedStep>& steps,
             bool spectrum = false) {
    SimOptions o;
    o.spectrum = spectrum;
    o.stations = {{"ALFA", (fs::path(root_.path()) / "a").string()}, {"BRAVO", (fs::path(root_.path()) / "b").string()}};
    o.channel = channel;
    o.snr_db = snr_db;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    return test::sim_collect_steps(o, steps);
  }
  // Both stations scan again after the end of the ALE link.
  static void back_to_scanning(const SimRun& r) {
    for (const char* who : {"ALFA", "BRAVO"}) {
      const double unlinked = r.at(who, "UNLINKED.DAT");
      ASSERT_NE(unlinked, -1) << who;
      EXPECT_NE(r.at(who, "STATUS 1: SCANNING", unlinked), -1) << who;
    }
  }
  // The transmitter is never keyed twice without a release between, and is released at the
  // end; `keyed_after`:
  // the number of keyings after that time.
  static void keyed_in_turn(const SimRun& r, const char* who, double after, int* keyed_after) {
    bool keyed = false;
    *keyed_after = 0;
    for (const std::string& l : r.lines) {
      double t = 0;
      char name[32] = {};
      if (std::sscanf(l.c_str(), "%lf %31s", &t, name) != 2 || std::string(name) != who) continue;
      if (l.find("PTT now ACTIVE") != std::string::npos) {
        EXPECT_FALSE(keyed) << l;
        keyed = true;
        *keyed_after += t > after;
      } else if (l.find("PTT now RELEASED") != std::string::npos) {
        keyed = false;  // (the radio's set-up releases it once at start)
      }
    }
    EXPECT_FALSE(keyed) << who;
  }
  test::TempDir root_;
};

TEST_F(Fs1052SimTest, Fs1052ArqAfterAnAleLinkIsConfirmed) {
  struct Case {
    const char* channel;
    double snr_db;
  };
  for (const Case& c : {Case{"awgn", 15}, Case{"poor", 15}}) {
    SCOPED_TRACE(c.channel);
    stations(kDataLinkFs1052);
    const SimRun r = run(c.channel, c.snr_db, 420,
                         {{10000, "ALFA", "CALL BRAVO"}, {40000, "ALFA", "1052ARQ BRAVO HELLO OVER THE DATA LINK"}});
    ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
    const double confirmed = r.at("ALFA", "[FS-1052 Message Confirm ID 0 BRAVO]");
    EXPECT_NE(confirmed, -1) << r.text;
    EXPECT_NE(r.at("BRAVO", "HELLO OVER THE DATA LINK \n"), -1);
    EXPECT_EQ(r.count("FS-1052 Message ID"), 0);  // nothing failed
    EXPECT_EQ(r.count("TRANSMISSION NOT SENT"), 0);  // the modem stayed in the sound path
    // The data link's transmissions (after the command at 40 s) are keyed and released.
    for (const char* who : {"ALFA", "BRAVO"}) {
      int keyed = 0;
      keyed_in_turn(r, who, 40, &keyed);
      EXPECT_GE(keyed, 1) << who;
    }
    back_to_scanning(r);
  }
}

TEST_F(Fs1052SimTest, ALongMessageGoesTheSameWay) {
  // 2,000 characters do not fit a command line (999): the simulator hands them to the same
  // steps 1052ARQ takes.
  stations(kDataLinkFs1052);
  std::string text;
  for (int i = 0; text.size() < 2000; ++i) text += "LINE " + std::to_string(i) + " OF A LONG MESSAGE\n";
  text.resize(2000);
  const SimRun r = run("awgn", 15, 420,
                       {{10000, "ALFA", "CALL BRAVO"},
                        {40000, "ALFA", "", [text] {
                           xfer_set_dest_address("BRAVO");
                           fs1052_set_remote_address("BRAVO");
                           xfer_select_modem_path();
                           xfer_send_modem_text(text, 0);
                         }}});
  EXPECT_NE(r.at("ALFA", "[FS-1052 Message Confirm ID 0 BRAVO]"), -1) << r.text;
  std::string got;
  for (const std::string& l : r.lines) {
    const auto pos = l.find(" BRAVO LINE ");
    if (pos != std::string::npos) got += l.substr(pos + 7) + "\n";
  }
  EXPECT_NE(got.find("LINE 0 OF A LONG MESSAGE"), std::string::npos);
  EXPECT_NE(got.find(text.substr(text.rfind("LINE "), 12)), std::string::npos);
  back_to_scanning(r);
}

TEST_F(Fs1052SimTest, AsynchronousMessageReachesTheOtherStation) {
  stations(kDataLinkAsync);
  const SimRun r = run("awgn", 15, 120, {{10000, "ALFA", "CALL BRAVO"}, {40000, "ALFA", "1052ARQ BRAVO ASYNC HELLO"}});
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  EXPECT_NE(r.at("BRAVO", "ASYNC HELLO"), -1) << r.text;
  // The text ends with the last character sent (a blank and two line feeds): what follows is
  // the run's next line, no characters made of the end-of-message pattern.
  const std::size_t at = r.text.find("ASYNC HELLO \n\n");
  ASSERT_NE(at, std::string::npos) << r.text;
  const std::size_t next = r.text.find_first_not_of('\n', at + 12);
  double t = 0;
  char who[32] = {};
  EXPECT_EQ(std::sscanf(r.text.c_str() + next, "%lf %31s", &t, who), 2) << r.text.substr(at, 60);
}

// The modem options' carrier moves the signal: with 1,500 Hz at the 9,600 setting on both
// stations the message's spectrum is centred on 1,500 Hz and the peer reads it; a peer left on
// the default carrier (1,800 Hz on the air) hears nothing of it.
TEST_F(Fs1052SimTest, TheModemOptionsCarrierMovesTheSignal) {
  for (bool peer_same : {true, false}) {
    SCOPED_TRACE(peer_same ? "peer on 1500 Hz" : "peer on the default carrier");
    stations(kDataLinkAsync);
    std::vector<test::TimedStep> steps = {{1000, "ALFA", "@MIL110OPTIONS 0 1 1500 9600"},
                                          {10000, "ALFA", "CALL BRAVO"},
                                          {40000, "ALFA", "1052ARQ BRAVO ASYNC HELLO"}};
    if (peer_same) steps.push_back({1000, "BRAVO", "@MIL110OPTIONS 0 1 1500 9600"});
    const SimRun r = run("awgn", 15, 60, steps, true);
    ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
    int centre = 0;
    for (const std::string& l : r.lines) {
      double t = 0;
      if (l.find(" ALFA SIM: TRANSMISSION ") != std::string::npos && std::sscanf(l.c_str(), "%lf", &t) == 1 && t > 40)
        std::sscanf(l.c_str() + l.find("CENTRE ") + 7, "%d", &centre);
    }
    EXPECT_NEAR(centre, 1500, 75) << r.text;
    EXPECT_EQ(r.at("BRAVO", "ASYNC HELLO") != -1, peer_same) << r.text;
  }
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// Queued transfers: ALFA queues messages (kind 12 events, as the data-link dialog posts them)
// for stations it is not linked with, and calls, sends and clears by itself.
class XferSimTest : public ::testing::Test {
 protected:
  void station(const std::string& dir, const std::string& own, const std::vector<std::string>& others) {
    std::string config = "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD CHANNEL 10000000\n";
    for (const auto& o : others) config += "ADD OTHER " + o + "\n";
    config += "ENABLE SCANNING\n";
    test::make_station_folder(fs::path(root_.path()) / dir, [] {
      db_set_data_link_mode(kDataLinkFs1052);
      db_set_twx_mode(1);
    }, config);
  }
  static test::TimedStep queue(int64_t at_ms, const std::string& to, const std::string& text) {
    return {at_ms, "ALFA", "", [to, text] {
              const std::string payload = "\x04" + text;
              ApiEvent* e = api_alloc(static_cast<int>(payload.size()));
              e->kind = API_QUEUED_TRANSFER;
              std::snprintf(e->addresses[0], sizeof e->addresses[0], "%s", to.c_str());
              e->address_count = 1;
              std::memcpy(e->payload(), payload.data(), payload.size());
              e->payload_length = static_cast<int>(payload.size());
              api_post(e);
            }};
  }
  SimRun run(const std::vector<std::string>& names, int seconds, const std::vector<test::TimedStep>& steps) {
    SimOptions o;
    for (const auto& n : names) o.stations.push_back({n, (fs::path(root_.path()) / n).string()});
    o.channel = "awgn";
    o.snr_db = 15;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    return test::sim_collect_steps(o, steps);
  }
  test::TempDir root_;
};

TEST_F(XferSimTest, QueuedMessagesReachEachStationInTurn) {
  station("ALFA", "ALFA", {"BRAVO", "CHARLIE"});
  station("BRAVO", "BRAVO", {"ALFA"});
  station("CHARLIE", "CHARLIE", {"ALFA"});
  const SimRun r = run({"ALFA", "BRAVO", "CHARLIE"}, 180,
                       {queue(10000, "BRAVO", "ONE FOR BRAVO\n"), queue(10000, "BRAVO", "TWO FOR BRAVO\n"),
                        queue(10000, "CHARLIE", "ONE FOR CHARLIE\n"), queue(10000, "BRAVO", "THREE FOR BRAVO\n")});
  EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID "), 4) << r.text;
  for (const char* t : {"ONE FOR BRAVO", "TWO FOR BRAVO", "THREE FOR BRAVO"}) EXPECT_EQ(r.count_of("BRAVO", t), 1) << t;
  EXPECT_EQ(r.count_of("CHARLIE", "ONE FOR CHARLIE"), 1);
  // BRAVO is called once and its three go over one link, then CHARLIE.
  EXPECT_EQ(r.count_of("ALFA", "[LINKED  ][BRAVO"), 2);  // the LINKED line is written twice
  const double bravo_cleared = r.at("BRAVO", "UNLINKED.DAT");
  const double charlie_linked = r.at("ALFA", "[LINKED  ][CHARLIE");
  ASSERT_NE(bravo_cleared, -1);
  EXPECT_GT(charlie_linked, bravo_cleared - 5);
  EXPECT_EQ(r.count("FS-1052 Message ID"), 0);
}

TEST_F(XferSimTest, AStationOffTheAirFailsItsMessagesAndTheOthersStillGo) {
  station("ALFA", "ALFA", {"BRAVO", "CHARLIE"});
  station("BRAVO", "BRAVO", {"ALFA"});
  // CHARLIE is switched off: not in the run.
  const SimRun r = run({"ALFA", "BRAVO"}, 260,
                       {queue(10000, "CHARLIE", "LOST ONE\n"), queue(10000, "BRAVO", "FOR BRAVO\n"),
                        queue(10000, "CHARLIE", "LOST TWO\n")});
  EXPECT_NE(r.at("ALFA", "[FAILED  ][CHARLIE"), -1) << r.text;
  EXPECT_EQ(r.count_of("ALFA", "[TRANSFER FAILED: MESSAGE "), 2);
  EXPECT_EQ(r.count_of("BRAVO", "FOR BRAVO"), 1);
  EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID "), 1);
  // CHARLIE is called once: its second message goes with the first failure.
  EXPECT_EQ(r.count_of("ALFA", "[FAILED  ][CHARLIE"), 1);
}

TEST_F(XferSimTest, AMessageQueuedWhileLinkedWithAnotherStationWaitsForThatLinksEnd) {
  station("ALFA", "ALFA", {"BRAVO", "CHARLIE"});
  station("BRAVO", "BRAVO", {"ALFA"});
  station("CHARLIE", "CHARLIE", {"ALFA"});
  const SimRun r = run({"ALFA", "BRAVO", "CHARLIE"}, 150,
                       {{5000, "ALFA", "CALL CHARLIE"}, queue(40000, "BRAVO", "AFTER CHARLIE\n"),
                        {60000, "ALFA", "CLEAR CHARLIE"}});
  const double cleared = r.at("ALFA", "[CLEARED ][CHARLIE");
  ASSERT_NE(cleared, -1) << r.text;
  // No call for BRAVO while the link with CHARLIE stands.
  EXPECT_GT(r.at("ALFA", "[LINKED  ][BRAVO"), cleared);
  EXPECT_EQ(r.count_of("BRAVO", "AFTER CHARLIE"), 1);
  EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID "), 1);
}

TEST_F(XferSimTest, ALinkClearedWithMessagesLeftReportsThemAndGoesOn) {
  station("ALFA", "ALFA", {"BRAVO", "CHARLIE"});
  station("BRAVO", "BRAVO", {"ALFA"});
  station("CHARLIE", "CHARLIE", {"ALFA"});
  // The operator clears the link with BRAVO before its messages are through.
  const SimRun r = run({"ALFA", "BRAVO", "CHARLIE"}, 150,
                       {queue(5000, "BRAVO", "B ONE\n"), queue(5000, "BRAVO", "B TWO\n"),
                        queue(5000, "CHARLIE", "FOR CHARLIE\n"), {30000, "ALFA", "CLEAR BRAVO"}});
  ASSERT_NE(r.at("ALFA", "[CLEARED ][BRAVO"), -1) << r.text;
  // Each of BRAVO's messages arrives at most once and is confirmed or reported failed (one
  // that arrived whose confirmation the clear cut off is reported failed).
  for (int id : {0, 1}) {
    const std::string text = id == 0 ? "B ONE" : "B TWO";
    EXPECT_LE(r.count_of("BRAVO", text), 1);
    EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID " + std::to_string(id) + " BRAVO]") +
                  r.count_of("ALFA", "[TRANSFER FAILED: MESSAGE " + std::to_string(id) + " FOR BRAVO DROPPED]"),
              1)
        << text;
  }
  EXPECT_EQ(r.count_of("CHARLIE", "FOR CHARLIE"), 1);
}

}  // namespace
}  // namespace vesk
