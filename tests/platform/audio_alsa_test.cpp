// The ALSA back end on ALSA's null device (no hardware): open, format, names, errors.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/audio.h"
#include "platform/mixer.h"
#include "tests/platform/audio_alsa_support.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class AudioAlsa : public ::testing::Test {
 protected:
  void SetUp() override { test::use_alsa_config(dir_.path()); }
  test::TempDir dir_;
};

TEST_F(AudioAlsa, DeviceNamesAndNumbers) {
  for (AudioDirection dir : {AudioDirection::Input, AudioDirection::Output}) {
    const std::vector<std::string> names = audio_alsa_pcm_names(dir);
    EXPECT_NE(std::find(names.begin(), names.end(), "null"), names.end());
    EXPECT_EQ(audio_alsa_device_name(-1, dir), "default");
    EXPECT_EQ(audio_alsa_device_name(static_cast<int>(names.size()), dir), "");
    EXPECT_EQ(audio_alsa_device_name(-7, dir), "");
    EXPECT_EQ(audio_alsa_device_name(0, dir), names[0].rfind("hw:", 0) == 0 ? "plug" + names[0] : names[0]);
  }
}

TEST_F(AudioAlsa, OpensTheNullDeviceBothWays) {
  for (AudioDirection dir : {AudioDirection::Input, AudioDirection::Output}) {
    for (const char* name : {"default", "null"}) {
      auto dev = audio_alsa_device(name, dir);
      std::atomic<int> done{0};
      AudioCallbacks cb;
      cb.done = [&](AudioBuffer*) { ++done; };
      ASSERT_EQ(dev->open(cb), AUDIO_OK) << name;
      EXPECT_EQ(dev->name(), std::string("alsa:") + name);
      std::vector<int16_t> data(1260, 0);
      AudioBuffer b{data.data(), 1260, dir == AudioDirection::Output ? 1260 : 0, 0};
      ASSERT_EQ(dev->submit(&b), 1);
      dev->start();
      // Capture fills the buffer with the null device's silence; the wait is generous.
      if (dir == AudioDirection::Input) {
        for (int i = 0; i < 400 && done == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(done.load(), 1) << name;
        EXPECT_EQ(b.frames, 1260);
      }
      dev->close();  // joins the device's thread; no callback after this
    }
  }
}

TEST_F(AudioAlsa, OpenErrorsMapToTheCardTable) {
  const struct {
    const char* name;
    int want;
  } cases[] = {{"hw:99", AUDIO_ERR_BADDEVICEID}, {"plughw:99,0", AUDIO_ERR_BADDEVICEID},
               {"no_such_device", AUDIO_ERR_BADDEVICEID}};
  for (const auto& c : cases)
    EXPECT_EQ(audio_alsa_device(c.name, AudioDirection::Output)->open({}), c.want) << c.name;
}

TEST(AudioAlsaMixer, NoCardMeansNoMixer) {
  std::string error;
  EXPECT_EQ(mixer_open_alsa("hw:99", &error), nullptr);
  EXPECT_FALSE(error.empty());
  auto none = mixer_open_none();
  long min = -1, max = -1;
  EXPECT_EQ(none->control_range(MixerControl::WaveOut, &min, &max), 1);
  EXPECT_EQ(max, 100);
  const struct {
    const char* pcm;
    const char* ctl;
  } names[] = {{"plughw:1,0", "hw:1"}, {"hw:2", "hw:2"}, {"hw:CARD=PCH,DEV=0", "hw:PCH"},
               {"sysdefault:CARD=PCH", "hw:PCH"}, {"default", "default"}, {"null", "default"}};
  for (const auto& n : names) EXPECT_EQ(mixer_ctl_name_for_pcm(n.pcm), n.ctl) << n.pcm;
}

}  // namespace
}  // namespace vesk
