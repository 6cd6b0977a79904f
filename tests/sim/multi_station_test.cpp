// vesk-ale-sim as a user runs it: two stations configured by their CONFIG.DAT, a simulated
// minute, every start-up printed, the same output for the same arguments.
#include "sim/multi_station.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(MultiStationArgs, ParsesAndRefuses) {
  SimOptions o;
  EXPECT_EQ(sim_parse_args({"--station", "A:/x", "--station", "B:/y", "--channel", "poor", "--snr", "12",
                            "--snr-at", "7102000:3", "--snr-from", "300:9", "--snr-from", "600.5:25", "--seed", "9", "--start", "2026-03-04T05:06:07Z",
                            "--seconds", "2.5", "--at", "1.5:B:ENABLE GPS: now", "--keep"},
                           &o),
            "");
  ASSERT_EQ(o.stations.size(), 2u);
  EXPECT_EQ(o.stations[1].dir, "/y");
  EXPECT_EQ(o.snr_at_hz.at(7102000), 3);
  EXPECT_EQ(o.snr_from_ms, (std::map<int64_t, double>{{300000, 9}, {600500, 25}}));
  EXPECT_EQ(o.start_utc_ms, 1772600767000LL);
  EXPECT_EQ(o.duration_ms, 2500);
  EXPECT_TRUE(o.keep_folders);
  ASSERT_EQ(o.commands.size(), 1u);
  EXPECT_EQ(o.commands[0].at_ms, 1500);
  EXPECT_EQ(o.commands[0].line, "ENABLE GPS: now");
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {}, {"--station", "A"}, {"--station", "A:/x", "--channel", "none"},
           {"--station", "A:/x", "--at", "1:C:OWN"}, {"--station", "A:/x", "--start", "yesterday"},
           {"--station", "A:/x", "--seconds"}, {"--station", "A:/x", "--snr-from", "9"},
           {"--station", "A:/x", "--snr-from", "-1:9"}})
    EXPECT_NE(sim_parse_args(bad, &o), "");
}

TEST(MultiStationProgram, TwoStationsRepeatByteForByte) {
  test::TempDir root;
  const fs::path a = fs::path(root.path()) / "a", b = fs::path(root.path()) / "b";
  fs::create_directories(a / "owlog");
  fs::create_directories(b);
  std::ofstream(a / "CONFIG.DAT") << "ENABLE GPS\nOPTIONS\n";
  std::ofstream(b / "CONFIG.DAT") << "DELAY 1000\nKEYS\n";
  const std::vector<std::string> argv = {test::program_path("app/vesk-ale-sim"), "--station", "ALFA:" + a.string(),
                                         "--station", "BRAVO:" + b.string(), "--channel", "awgn", "--snr", "10",
                                         "--seconds", "60", "--at", "30:BRAVO:OWN"};
  test::ChildProcess first(argv);
  ASSERT_EQ(first.wait(60000), 0) << first.output();
  test::ChildProcess second(argv);
  ASSERT_EQ(second.wait(60000), 0);
  const std::string& out = first.output();
  EXPECT_EQ(out, second.output());
  // The start-up's radio set-up (radio type NONE) pauses 200 ms before the banner.
  for (const char* piece : {"   0.200 ALFA [00:00:00][FRQ 00000000][VESK-ALE Standard Edition (SE) v2.00 started.",
                            "   0.200 BRAVO [00:00:00][FRQ 00000000][VESK-ALE Standard Edition (SE) v2.00 started.",
                            "   0.200 ALFA GPS           E", "   1.200 BRAVO ID   KEY            APP LEVEL",
                            "  30.000 BRAVO 00 ............... ",
                            "  60.000 ALFA [00:01:00][FRQ 00000000][FILE NOT FOUND ERROR: SHUTDOWN.DAT]"})
    EXPECT_NE(out.find(piece), std::string::npos) << piece << "\n" << out;
  // The station folders are left as they were.
  EXPECT_FALSE(fs::exists(a / "ALE.DAT"));
  EXPECT_TRUE(fs::is_empty(a / "owlog"));
}

}  // namespace
}  // namespace vesk
