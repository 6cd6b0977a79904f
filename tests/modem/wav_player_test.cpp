// The WAV player on the station's own audio output: conversion to 48 kHz mono, the sound's
// samples in the output in order, no end of transmission from its blocks, and a second play
// refused while one is in progress. Simulated time, WAV output back end.
#include "modem/wav_player.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "modem/resample.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::vector<int16_t> ramp(int n, int step = 7) {
  std::vector<int16_t> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = static_cast<int16_t>(1 + (i * step) % 20000);
  return v;
}

class WavPlayerTest : public ::testing::Test {
 protected:
  WavPlayerTest() : st_(dir_.path(), make_clock()), scope_(st_) {
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    sc.ale_hooks.post_tx_underrun = [this] { ++underruns_; };
    sc.radio_hooks.ptt_off = [this] { ++ptt_offs_; };
  }
  ~WavPlayerTest() override { snd_close(); }

  static std::unique_ptr<Clock> make_clock() {
    auto c = std::make_unique<SimClock>();
    c->set_auto_advance(true);
    return c;
  }

  void open() {
    ASSERT_EQ(snd_set_device_specs("null", "wav:" + dir_.path() + "/out.wav"), 1);
    snd_open();
  }

  std::vector<int16_t> output() {
    snd_close();
    std::vector<int16_t> s;
    WavFormat fmt;
    EXPECT_EQ(wav_read_file(dir_.path() + "/out.wav", s, &fmt), 1);
    return s;
  }

  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  int underruns_ = 0, ptt_offs_ = 0;
  int second_result_ = 99;
};

TEST_F(WavPlayerTest, PlaysTheSoundThroughTheOutputWithoutEndingATransmission) {
  const std::vector<int16_t> sound = ramp(3 * kSndWordBlockSamples + 1234);
  ASSERT_EQ(wav_write_file(dir_.path() + "/voice_id.wav", sound.data(), static_cast<int64_t>(sound.size())), 1);
  open();
  // A second play asked for on the audio thread while the sound is still going out.
  EXPECT_EQ(wav_play_file("voice_id.wav", [this] { second_result_ = wav_play_file("voice_id.wav"); }), WAV_PLAY_DONE);
  EXPECT_EQ(second_result_, WAV_PLAY_BUSY);
  EXPECT_FALSE(wav_player_busy());
  // The card told the player of each of its blocks as it finished playing.
  EXPECT_EQ(wav_player().blocks_submitted, 4);
  EXPECT_EQ(wav_player().blocks_played, wav_player().blocks_submitted);
  EXPECT_EQ(underruns_, 0);
  EXPECT_EQ(ptt_offs_, 0);

  const std::vector<int16_t> out = output();
  std::size_t first = 0;
  while (first < out.size() && out[first] == 0) ++first;
  ASSERT_LE(first + sound.size(), out.size());
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), out.begin() + static_cast<std::ptrdiff_t>(first)));
  for (std::size_t i = first + sound.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST_F(WavPlayerTest, FailuresLeaveThePlayerFree) {
  EXPECT_EQ(wav_play_file("voice_id.wav"), WAV_PLAY_NO_FILE);  // no file
  const std::vector<int16_t> sound = ramp(100);
  ASSERT_EQ(wav_write_file(dir_.path() + "/voice_id.wav", sound.data(), 100), 1);
  EXPECT_EQ(wav_play_file("voice_id.wav"), WAV_PLAY_NO_OUTPUT);  // card not open
  EXPECT_FALSE(wav_player_busy());
  open();
  EXPECT_EQ(wav_play_file("voice_id.wav"), WAV_PLAY_DONE);
}

TEST(WavConvertTest, AnyRateAndChannelCountTo48kMono) {
  // 48 kHz mono is copied unchanged.
  const std::vector<int16_t> mono = ramp(480);
  std::vector<int16_t> out;
  ASSERT_EQ(snd_convert_to_48k_mono(mono.data(), 480, 1, 48000, out), 1);
  EXPECT_EQ(out, mono);
  // Stereo: the channels are averaged.
  const std::vector<int16_t> stereo = {100, 300, -50, -150, 7, 9};
  ASSERT_EQ(snd_convert_to_48k_mono(stereo.data(), 3, 2, 48000, out), 1);
  EXPECT_EQ(out, (std::vector<int16_t>{200, -100, 8}));
  // Other rates: the length scales and a tone keeps its frequency.
  const struct {
    int rate;
    int channels;
  } cases[] = {{8000, 1}, {11025, 1}, {22050, 2}, {44100, 1}};
  for (const auto& c : cases) {
    const int frames = c.rate;  // one second
    std::vector<int16_t> in(static_cast<std::size_t>(frames * c.channels));
    for (int i = 0; i < frames; ++i)
      for (int ch = 0; ch < c.channels; ++ch)
        in[static_cast<std::size_t>(i * c.channels + ch)] =
            static_cast<int16_t>(10000 * std::sin(2 * M_PI * 1000.0 * i / c.rate));
    ASSERT_EQ(snd_convert_to_48k_mono(in.data(), frames, c.channels, c.rate, out), 1) << c.rate;
    EXPECT_EQ(out.size(), 48000u) << c.rate;
    int rising = 0;
    for (std::size_t i = 1; i < out.size(); ++i) rising += out[i - 1] < 0 && out[i] >= 0;
    EXPECT_NEAR(rising, 1000, 2) << c.rate;
  }
  EXPECT_EQ(snd_convert_to_48k_mono(mono.data(), 480, 0, 48000, out), 0);
  EXPECT_EQ(snd_convert_to_48k_mono(mono.data(), 480, 1, 0, out), 0);
}

}  // namespace
}  // namespace vesk
