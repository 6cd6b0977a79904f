// Voice detector: a tone in the voice band is found within about 0.6 s; ALE traffic, tones
// elsewhere and long white noise never are. Signals are made here, at 8 kHz.
#include "ale/link/vad.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "ale/engine/api_event.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "tests/ale/link_fixture.h"

namespace vesk {
namespace {

constexpr int kRate = 8000;

// Feeds `blocks` blocks of the signal; returns the block index (from 1) of the first
// detection, or 0.
int first_detection(const std::function<float(long)>& signal, long blocks) {
  VadDetector d;
  float block[kVadBlockSamples];
  long n = 0;
  for (long b = 1; b <= blocks; ++b) {
    for (float& x : block) x = signal(n++);
    if (vad_process_block(d, block, kVadBlockSamples)) return static_cast<int>(b);
  }
  return 0;
}

std::function<float(long)> tone(double hz, double amplitude = 0.5) {
  return [=](long n) { return static_cast<float>(amplitude * std::sin(2 * M_PI * hz * n / kRate)); };
}

TEST(VadTest, VoiceBandToneIsDetectedWithinSixTenthsOfASecond) {
  for (double amplitude : {0.9, 0.05, 0.001}) {  // hard limiting: the level does not matter
    const int block = first_detection(tone(550, amplitude), 200);
    EXPECT_GE(block, kVadHitsNeeded + 1) << amplitude;
    EXPECT_LE(block * 26.25, 630.0) << amplitude;
  }
}

TEST(VadTest, TonesOutsideTheVoiceBandAreNeverDetected) {
  const long blocks = 60 * 1000 * 4 / 105;  // one minute each
  for (double hz : {300.0, 750.0, 1000.0}) EXPECT_EQ(first_detection(tone(hz), blocks), 0) << hz;
}

TEST(VadTest, AleTrafficIsNeverDetected) {
  // Random 8-FSK symbols of 8 ms with continuous phase, for one minute.
  std::mt19937 rng(12345);
  double phase = 0;
  int hz = kFskToneHz[0];
  auto fsk = [&](long n) {
    if (n % 64 == 0) hz = kFskToneHz[rng() % 8];
    phase += 2 * M_PI * hz / kRate;
    return static_cast<float>(0.8 * std::sin(phase));
  };
  EXPECT_EQ(first_detection(fsk, 60L * 1000 * 4 / 105), 0);
}

TEST(VadTest, TenMinutesOfWhiteNoiseAreNeverDetected) {
  std::mt19937 rng(2026);
  std::normal_distribution<float> noise(0.0f, 0.3f);
  EXPECT_EQ(first_detection([&](long) { return noise(rng); }, 10L * 60 * 1000 * 4 / 105), 0);
}

TEST(VadTest, SporadicPeaksDoNotAddUp) {
  // A voice burst of 15 blocks in every 60: never 21 hits inside one 50-block window.
  auto bursts = [](long n) {
    const long block = n / kVadBlockSamples;
    return block % 60 < 15 ? static_cast<float>(std::sin(2 * M_PI * 550.0 * n / kRate)) : 0.0f;
  };
  EXPECT_EQ(first_detection(bursts, 3000), 0);
}

class VadStationTest : public test::LinkFixture {};

TEST_F(VadStationTest, DetectionPostsTheVoiceEventOnlyWithTheOptionOn) {
  ale_vad_reset();
  std::vector<float> block(kVadBlockSamples);
  long n = 0;
  auto run = [&](int blocks) {
    for (int b = 0; b < blocks; ++b) {
      for (float& x : block) x = static_cast<float>(std::sin(2 * M_PI * 550.0 * n++ / kRate));
      ale_vad_block(block.data(), kVadBlockSamples);
    }
  };
  db_disable_voice_detect();
  run(100);
  EXPECT_TRUE(take_api_kinds().empty());
  db_enable_voice_detect();
  run(30);
  EXPECT_EQ(take_api_kinds(), std::vector<int>{API_VOICE_DETECTED});
  // A reset asked for by another thread starts the count afresh.
  ale_vad_reset();
  run(15);
  ale_vad_reset();
  run(15);
  EXPECT_TRUE(take_api_kinds().empty());
}

}  // namespace
}  // namespace vesk
