// Two whole stations, ALFA and BRAVO, on the simulated ether: after an ALE link, messages go
// over the serial-tone modem path (the data link's bytes travel on the simulator's byte ether,
// sim/fs1052_byte_ether.h, with its model of the modem's errors), and the stations return to
// scanning afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

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
          fs::path(root_.path()) / names[i][0], [&] { db_set_data_link_mode(data_link_mode); },
          std::string("ADD OWN ") + names[i][1] + "\nADD CHANNEL 7000000\nADD CHANNEL 10000000\nADD OTHER " +
              names[1 - i][1] + "\nENABLE SCANNING\n");
  }
  SimRun run(const std::string& channel, double snr_db, int seconds, std::vector<SimCommand> commands) {
    SimOptions o;
    o.stations = {{"ALFA", (fs::path(root_.path()) / "a").string()}, {"BRAVO", (fs::path(root_.path()) / "b").string()}};
    o.channel = channel;
    o.snr_db = snr_db;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = std::move(commands);
    return test::sim_collect(o);
  }
  // Both stations scan again after the end of the ALE link.
  static void back_to_scanning(const SimRun& r) {
    for (const char* who : {"ALFA", "BRAVO"}) {
      const double unlinked = r.at(who, "UNLINKED.DAT");
      ASSERT_NE(unlinked, -1) << who;
      EXPECT_NE(r.at(who, "STATUS 1: SCANNING", unlinked), -1) << who;
    }
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
}

}  // namespace
}  // namespace vesk
