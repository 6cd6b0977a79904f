// vesk-ale-headless with --audio-in and --audio-out, as a user runs it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

using test::ChildProcess;

TEST(HeadlessAudio, PlaysIntoAFileAndFallsBackToTheDefaultDevice) {
  test::TempDir dir;
  const std::string conf = dir.path() + "/asound.conf";
  std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\npcm.!default { type plug slave.pcm \"null\" }\n";
  setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  const std::string out = dir.path() + "/out.wav";
  {
    // The options name a capture device that is not there.
    Station st(dir.path(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    db_set_wave_in_device(5);
    ASSERT_EQ(db_save(), 1);
  }
  {
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path(), "--audio-in", "alsa:hw:99",
                    "--audio-out", "wav:" + out});
    ASSERT_TRUE(p.wait_for_output("SOUNDCARD: output wav:", 10000)) << p.output();
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(20000), 0) << p.output();
    EXPECT_NE(p.output().find("SOUNDCARD: input alsa:default"), std::string::npos) << p.output();
  }
  unsetenv("ALSA_CONFIG_PATH");
  // The output starts with two blocks of silence queued.
  WavReader r;
  ASSERT_EQ(r.open(out), 1);
  EXPECT_GE(r.format().frames, 2 * 18816);
  EXPECT_EQ(r.format().frames % 18816, 0);
  // The unusable input device was replaced by the default one in the saved options.
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  EXPECT_EQ(db_get_wave_in_device(), -1);
}

TEST(HeadlessAudio, RefusesAnUnknownDevice) {
  for (const char* spec : {"pulse:x", "wav:", "alsa:"}) {
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--audio-in", spec});
    EXPECT_EQ(p.wait(10000), 2) << spec;
  }
}

}  // namespace
}  // namespace vesk
