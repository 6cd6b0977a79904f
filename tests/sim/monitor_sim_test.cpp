// Three whole stations scanning the same channels: ALFA calls BRAVO and sends an AMD inside
// the link, while CHARLIE, with Listen Calls and the recorder on, follows the handshake and
// records the traffic after it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/options.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::string config(const std::string& own, const std::vector<std::string>& others) {
  std::string c = "ADD OWN " + own + "\nADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD CHANNEL 14109000\n";
  for (const std::string& o : others) c += "ADD OTHER " + o + "\n";
  return c + "ENABLE SCANNING\n";
}

TEST(MonitorSimTest, AThirdStationRecordsTheTrafficAfterTheAcknowledgement) {
  test::TempDir root;
  const fs::path a = fs::path(root.path()) / "a", b = fs::path(root.path()) / "b", c = fs::path(root.path()) / "c";
  const fs::path kept = fs::path(root.path()) / "kept";
  test::make_station_folder(a, [] {}, config("ALFA", {"BRAVO"}));
  test::make_station_folder(b, [] {}, config("BRAVO", {"ALFA"}));
  test::make_station_folder(
      c,
      [] {
        db_enable_recorder();
        db_set_recorder_max_secs(40);
      },
      config("CHARLIE", {}));
  SimOptions o;
  o.stations = {{"ALFA", a.string()}, {"BRAVO", b.string()}, {"CHARLIE", c.string()}};
  o.channel = "awgn";
  o.snr_db = 20;
  o.duration_ms = 70000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"}, {30000, "ALFA", "AMD BRAVO HELLO"}};
  const test::SimRun r = test::sim_collect(o, [&](const std::string& who) {
    if (who != "CHARLIE") return;
    std::error_code ec;
    fs::copy(station().path("recordings"), kept, ec);
  });
  ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  // The call and the response keep CHARLIE listening; the acknowledgement starts the recording.
  const double call = r.at("CHARLIE", "[MONITOR: MONITOR IDLE - FRAME NOT FOR ME 10000]");
  const double response = r.at("CHARLIE", "[MONITOR: MONITOR CALL HEARD - FRAME NOT FOR ME 15000]", call);
  ASSERT_GT(call, 0) << r.text;
  ASSERT_GT(response, call);
  EXPECT_EQ(r.count_of("CHARLIE", "[LINKED  ]"), 0);

  // One file, named by the second it started: at the end of the acknowledgement, when BRAVO
  // links (ALFA links on the response, before it sends the acknowledgement).
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kept, ec)) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  const std::string name = files[0].filename().string();
  const double started = std::stod(name.substr(1)) - static_cast<double>(o.start_utc_ms / 1000);
  const double acknowledged = r.at("BRAVO", "[LINKED  ][ALFA");
  EXPECT_GT(started, r.at("ALFA", "[LINKED  ][BRAVO")) << name;
  EXPECT_EQ(started, std::floor(acknowledged)) << name;
  // 8 kHz mono 16 bit, holding the AMD words as ale-wav reads them.
  WavReader w;
  ASSERT_EQ(w.open(files[0].string()), 1) << w.error();
  EXPECT_EQ(w.format().sample_rate, 8000);
  EXPECT_EQ(w.format().channels, 1);
  EXPECT_GT(w.format().frames, 8000 * 5);
  // Other readers see the same format and length, past the title's LIST chunk.
  const std::string frames = std::to_string(w.format().frames);
  test::ChildProcess py({"/usr/bin/env", "python3", "-c",
                         "import sys, wave\nw = wave.open(sys.argv[1])\n"
                         "print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes())",
                         files[0].string()});
  ASSERT_EQ(py.wait(20000), 0) << py.output();
  EXPECT_EQ(py.output(), "8000 1 2 " + frames + "\n");
  test::ChildProcess soxi({"/usr/bin/env", "soxi", files[0].string()});
  ASSERT_EQ(soxi.wait(20000), 0) << soxi.output();
  for (const std::string& piece : std::vector<std::string>{"Sample Rate    : 8000", "Channels       : 1", "Precision      : 16-bit",
                                  " = " + frames + " samples"})
    EXPECT_NE(soxi.output().find(piece), std::string::npos) << piece << "\n" << soxi.output();
  test::ChildProcess dec({test::program_path("tools/ale-wav"), "decode", files[0].string()});
  ASSERT_EQ(dec.wait(20000), 0) << dec.output();
  const std::string words = dec.output();
  for (const char* piece : {"HEL", "LO "}) EXPECT_NE(words.find(piece), std::string::npos) << piece << "\n" << words;
}

}  // namespace
}  // namespace vesk
