// Opening the card on ALSA without hardware: an unusable configured device falls back to the
// default device (and the option to -1); a machine without any card falls back to no device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

// ALSA's own configuration with "default" on the null device, or on a card that is missing.
void use_alsa_config(const std::string& dir, bool with_default) {
  const std::string path = dir + "/asound.conf";
  std::ofstream(path) << "</usr/share/alsa/alsa.conf>\n"
                      << (with_default ? "pcm.!default { type plug slave.pcm \"null\" }\n"
                                       : "pcm.!default { type hw card 99 }\n");
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
}

struct AlsaCase {
  const char* name;
  bool default_works;
  const char* spec;        // from the command line; empty: the options' device numbers
  int option_device;       // the device-number option before the open
  const char* want_device;
  const char* want_warning;    // the operator's warning, or empty
};

class SoundCardAlsa : public ::testing::TestWithParam<AlsaCase> {};

TEST_P(SoundCardAlsa, FallsBackAsItShould) {
  const AlsaCase& c = GetParam();
  test::TempDir dir;
  use_alsa_config(dir.path(), c.default_works);
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  SoundCardState& sc = sound_card();
  sc.threaded = false;
  db_set_wave_in_device(c.option_device);
  db_set_wave_out_device(c.option_device);
  ASSERT_EQ(snd_set_device_specs(c.spec, c.spec), 1);
  snd_open();
  EXPECT_EQ(sc.input_name, c.want_device);
  EXPECT_EQ(sc.output_name, c.want_device);
  EXPECT_EQ(sc.input_open.load(), 1);
  EXPECT_EQ(sc.output_open.load(), 1);
  EXPECT_EQ(db_get_wave_in_device(), -1);
  EXPECT_EQ(db_get_wave_out_device(), -1);
  // The warnings are log lines, newest first.
  const std::string text = log_monitor_text();
  if (*c.want_warning) {
    const std::string input = std::string("Unable to Open Soundcard Input ") + c.want_warning + "\n";
    const std::string output = std::string("Unable to Open Soundcard Output ") + c.want_warning + "\n";
    const std::size_t in_at = text.find(input), out_at = text.find(output);
    ASSERT_NE(in_at, std::string::npos) << text;
    ASSERT_NE(out_at, std::string::npos) << text;
    EXPECT_LT(out_at, in_at) << "the input's warning comes first";
    EXPECT_EQ(text.find(input, in_at + 1), std::string::npos);
    EXPECT_EQ(text.find(output, out_at + 1), std::string::npos);
    EXPECT_NE(text.find("no sound card"), std::string::npos);
  } else {
    EXPECT_EQ(text.find("Unable to Open Soundcard"), std::string::npos) << text;
  }
  snd_close();
}

INSTANTIATE_TEST_SUITE_P(
    Open, SoundCardAlsa,
    ::testing::Values(AlsaCase{"NamedDeviceMissing", true, "alsa:hw:99", 3, "alsa:default", ""},
                      AlsaCase{"NumberedDeviceMissing", true, "", 999, "alsa:default", ""},
                      AlsaCase{"DefaultDevice", true, "", -1, "alsa:default", ""},
                      AlsaCase{"NoSoundCard", false, "", 2, "null", "BADDEVICEID"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesk
