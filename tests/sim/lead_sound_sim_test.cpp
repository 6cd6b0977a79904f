// The tune sound ("atu_tune.wav") ahead of a call from a scanning station, on whole stations:
// a sound file that cannot be played (a sample rate no sound file can mean) is refused with a
// line, the call still goes out and links, and every keying is released.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/options.h"
#include "platform/wav.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(LeadSoundSim, ACallWhoseTuneSoundCannotPlayStillLinksAndIsReleased) {
  const struct {
    int rate;
    const char* line;  // the caller's line about the sound, or empty: none
  } cases[] = {{1, "TUNE SOUND: atu_tune.wav not played: sample rate 1 Hz outside 4000 to 192000 Hz"},
               {1000000, "TUNE SOUND: atu_tune.wav not played: sample rate 1000000 Hz outside"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    test::TempDir root;
    const std::string channels = "ADD CHANNEL 7000000\nADD CHANNEL 10000000\n";
    const fs::path alfa = fs::path(root.path()) / "a";
    const fs::path bravo = fs::path(root.path()) / "b";
    test::make_station_folder(alfa, [] { db_set_atu_tone_tune(1); },
                              "ADD OWN ALFA\n" + channels + "ADD OTHER BRAVO\nENABLE SCANNING\n");
    test::make_station_folder(bravo, [] {}, "ADD OWN BRAVO\n" + channels + "ADD OTHER ALFA\nENABLE SCANNING\n");
    // At 1 Hz these 48,000 frames would be 13 hours of sound.
    const std::vector<int16_t> tone(48000, 1000);
    ASSERT_EQ(wav_write_file((alfa / "atu_tune.wav").string(), tone.data(), 48000, c.rate), 1);

    SimOptions o;
    o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
    o.channel = "awgn";
    o.snr_db = 15;
    o.duration_ms = 40000;
    o.commands = {{10000, "ALFA", "CALL BRAVO"}};
    const test::SimRun r = test::sim_collect(o);
    EXPECT_GT(r.at("ALFA", c.line, 10), 10) << r.text;
    EXPECT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
    EXPECT_TRUE(r.linked("BRAVO", "ALFA"));
    EXPECT_TRUE(r.keyings_released());
  }
}

}  // namespace
}  // namespace vesk
