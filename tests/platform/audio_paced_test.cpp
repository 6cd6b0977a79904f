// The clock-driven back ends (null, WAV, loopback) on simulated time: buffers come back when
// their samples have been played or captured, in order, and the loopback lines up samples.
#include "platform/audio.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct Buffers {
  explicit Buffers(int n, int frames) : data(n, std::vector<int16_t>(static_cast<std::size_t>(frames))), bufs(n) {
    for (int i = 0; i < n; ++i) bufs[i] = AudioBuffer{data[i].data(), frames, frames, i};
  }
  std::vector<std::vector<int16_t>> data;
  std::vector<AudioBuffer> bufs;
};

AudioCallbacks collect(std::vector<std::pair<int64_t, int>>& done, Clock& clock) {
  AudioCallbacks cb;
  cb.done = [&done, &clock](AudioBuffer* b) { done.emplace_back(clock.mono_ms(), static_cast<int>(b->user)); };
  return cb;
}

TEST(AudioPaced, OutputBuffersFinishWhenPlayed) {
  SimClock clock;
  std::vector<std::pair<int64_t, int>> done;
  auto dev = audio_null_device(AudioDirection::Output, clock);
  ASSERT_EQ(dev->open(collect(done, clock)), AUDIO_OK);
  Buffers b(3, 18816);  // 392 ms each
  dev->start();
  dev->submit(&b.bufs[0]);
  dev->submit(&b.bufs[1]);
  for (int ms = 1; ms <= 1400; ++ms) {
    clock.advance_ms(1);
    dev->poll();
    if (ms == 900) dev->submit(&b.bufs[2]);
  }
  // Back to back from 0; after the gap the third starts when it is given (900 ms).
  const std::vector<std::pair<int64_t, int>> want = {{392, 0}, {784, 1}, {1292, 2}};
  EXPECT_EQ(done, want);
  dev->close();
}

TEST(AudioPaced, InputBuffersFillAtTheCaptureRate) {
  SimClock clock;
  std::vector<std::pair<int64_t, int>> done;
  auto dev = audio_null_device(AudioDirection::Input, clock);
  ASSERT_EQ(dev->open(collect(done, clock)), AUDIO_OK);
  Buffers b(4, 1260);  // 26.25 ms each
  for (auto& x : b.bufs) dev->submit(&x);
  dev->start();
  for (int ms = 0; ms < 200; ++ms) {
    clock.advance_ms(1);
    dev->poll();
  }
  // Four buffers, filled at 26.25 ms intervals (seen on the next whole millisecond); then the
  // device has none left and drops what it captures.
  ASSERT_EQ(done.size(), 4u);
  const int64_t want_ms[] = {27, 53, 79, 105};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(done[i].first, want_ms[i]);
    EXPECT_EQ(done[i].second, i);
    EXPECT_EQ(b.bufs[i].frames, 1260);
  }
  dev->close();
}

TEST(AudioPaced, WavInputPlaysTheFileThenSilence) {
  test::TempDir dir;
  const std::string path = dir.path() + "/in.wav";
  std::vector<int16_t> ramp(2000);
  for (int i = 0; i < 2000; ++i) ramp[i] = static_cast<int16_t>(i + 1);
  ASSERT_EQ(wav_write_file(path, ramp.data(), 2000), 1);
  SimClock clock;
  std::vector<std::pair<int64_t, int>> done;
  auto dev = audio_wav_device(path, AudioDirection::Input, clock);
  ASSERT_EQ(dev->open(collect(done, clock)), AUDIO_OK);
  Buffers b(2, 1260);
  for (auto& x : b.bufs) dev->submit(&x);
  dev->start();
  clock.advance_ms(60);
  dev->poll();
  ASSERT_EQ(done.size(), 2u);
  EXPECT_EQ(b.data[0][0], 1);
  EXPECT_EQ(b.data[0][1259], 1260);
  EXPECT_EQ(b.data[1][0], 1261);
  EXPECT_EQ(b.data[1][739], 2000);
  EXPECT_EQ(b.data[1][740], 0);
  dev->close();

  // A file at another rate is refused as a bad format.
  const std::string slow = dir.path() + "/8k.wav";
  ASSERT_EQ(wav_write_file(slow, ramp.data(), 2000, 8000), 1);
  EXPECT_EQ(audio_wav_device(slow, AudioDirection::Input, clock)->open({}), AUDIO_ERR_BADFORMAT);
  EXPECT_EQ(audio_wav_device(dir.path() + "/none.wav", AudioDirection::Input, clock)->open({}), AUDIO_ERR_BADDEVICEID);
}

TEST(AudioPaced, LoopbackHearsWhatWasPlayedAtTheSameSampleTime) {
  SimClock clock;
  auto path = std::make_shared<AudioLoopback>();
  int channel_calls = 0;
  path->set_channel([&](int16_t*, int) { ++channel_calls; });
  std::vector<std::pair<int64_t, int>> out_done, in_done;
  auto out = audio_loopback_device(path, AudioDirection::Output, clock);
  auto in = audio_loopback_device(path, AudioDirection::Input, clock);
  ASSERT_EQ(out->open(collect(out_done, clock)), AUDIO_OK);
  ASSERT_EQ(in->open(collect(in_done, clock)), AUDIO_OK);
  Buffers ib(8, 1260);
  for (int i = 0; i < 4; ++i) in->submit(&ib.bufs[i]);
  in->start();
  clock.advance_ms(100);  // the listener hears silence for a while
  in->poll();
  Buffers ob(1, 4800);
  for (int i = 0; i < 4800; ++i) ob.data[0][i] = static_cast<int16_t>(i % 1000 + 1);
  out->submit(&ob.bufs[0]);  // played from 100 ms (sample 4800) on
  for (int i = 4; i < 8; ++i) in->submit(&ib.bufs[i]);
  clock.advance_ms(110);
  in->poll();
  out->poll();
  ASSERT_EQ(in_done.size(), 8u);  // 210 ms
  // Capture block k covers samples 1260k .. 1260k + 1259; sample 4800 is block 3, place 990.
  std::vector<int16_t> heard;
  for (int i = 0; i < 7; ++i) heard.insert(heard.end(), ib.data[i].begin(), ib.data[i].end());
  EXPECT_EQ(heard[4799], 0);
  EXPECT_EQ(heard[4800], 1);
  EXPECT_EQ(heard[4800 + 1234], 235);
  EXPECT_EQ(channel_calls, 8);
  EXPECT_EQ(out_done.size(), 1u);
}

}  // namespace
}  // namespace vesk
