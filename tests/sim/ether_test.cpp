// The simulated ether: who hears whom, sums of simultaneous transmissions, noise at the SNR
// of each frequency, and repeatable runs.
#include "sim/ether.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vesk {
namespace {

struct Radios {
  std::vector<int> rx{7000000, 7000000, 9000000};
  std::vector<int> tx{7000000, 7000000, 9000000};
  void join(SimEther& ether) {
    for (std::size_t i = 0; i < rx.size(); ++i)
      ether.add_station([this, i] { return rx[i]; }, [this, i] { return tx[i]; });
  }
};

std::vector<int16_t> block(int16_t value, int n = 480) { return std::vector<int16_t>(static_cast<std::size_t>(n), value); }

std::vector<int16_t> hear(SimEther& ether, int who, int64_t at, int n = 480) {
  std::vector<int16_t> out(static_cast<std::size_t>(n));
  ether.capture(who, at, out.data(), n);
  return out;
}

TEST(SimEther, HeardOnTheSameFrequencyOnlyAndSummed) {
  Radios r;
  SimEther ether({});
  r.join(ether);
  ether.play(0, 0, block(1000).data(), 480);
  EXPECT_EQ(hear(ether, 1, 0), block(1000));   // same frequency
  EXPECT_EQ(hear(ether, 2, 0), block(0));      // another frequency
  EXPECT_EQ(hear(ether, 0, 0), block(0));      // never itself
  // Two at once on 7 MHz are summed at the third station, which has tuned there now.
  r.rx[2] = 7000000;
  ether.play(0, 480, block(1000).data(), 480);
  ether.play(1, 480, block(-300).data(), 480);
  EXPECT_EQ(hear(ether, 2, 480), block(700));
  // The transmitter's frequency counts at the moment it is heard.
  ether.play(0, 960, block(1000).data(), 480);
  r.tx[0] = 9000000;
  EXPECT_EQ(hear(ether, 1, 960), block(0));
}

double noise_power_db(SimEther& ether, int who) {
  const int n = 48000;
  const std::vector<int16_t> x = hear(ether, who, 0, n);
  double p = 0;
  for (int16_t v : x) p += static_cast<double>(v) * v;
  return 10 * std::log10(p / n / (0.5 * 32768.0 * 32768.0));  // against a full-scale tone
}

TEST(SimEther, NoiseAtTheSnrOfTheReceiveFrequency) {
  Radios r;
  SimEtherConfig cfg;
  cfg.noise = true;
  cfg.snr_db = 10;
  cfg.snr_at_hz[9000000] = 25;
  SimEther ether(cfg);
  r.join(ether);
  EXPECT_NEAR(noise_power_db(ether, 0), -10, 0.5);
  EXPECT_NEAR(noise_power_db(ether, 2), -25, 0.5);
}

TEST(SimEther, FadingRunsRepeat) {
  auto run = [] {
    Radios r;
    SimEtherConfig cfg;
    cfg.noise = true;
    cfg.fading = FadingPreset::Poor;
    cfg.seed = 3;
    SimEther ether(cfg);
    r.join(ether);
    std::vector<int16_t> tone(4800);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(10000 * std::sin(0.2 * i));
    ether.play(0, 0, tone.data(), 4800);
    return hear(ether, 1, 0, 4800);
  };
  const std::vector<int16_t> a = run();
  EXPECT_EQ(a, run());
  double p = 0;
  for (int16_t v : a) p += static_cast<double>(v) * v;
  EXPECT_GT(p, 0);
}

}  // namespace
}  // namespace vesk
