#include "sim/channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vesk {
namespace {

std::vector<float> tone(double hz, double rate, int n, double amplitude = 1.0) {
  std::vector<float> x(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(amplitude * std::cos(2 * M_PI * hz * i / rate));
  return x;
}

// Power of a signal at one frequency, by correlation over the whole run.
double power_at(const std::vector<float>& x, double hz, double rate, std::size_t skip = 0) {
  double re = 0, im = 0;
  for (std::size_t i = skip; i < x.size(); ++i) {
    re += x[i] * std::cos(2 * M_PI * hz * i / rate);
    im += x[i] * std::sin(2 * M_PI * hz * i / rate);
  }
  const double n = static_cast<double>(x.size() - skip);
  return (re * re + im * im) / (n * n);
}

double mean_power(const std::vector<float>& x, std::size_t skip = 0) {
  double p = 0;
  for (std::size_t i = skip; i < x.size(); ++i) p += static_cast<double>(x[i]) * x[i];
  return p / static_cast<double>(x.size() - skip);
}

std::vector<float> run(const ChannelSimConfig& c, const std::vector<float>& in) {
  ChannelSim sim;
  EXPECT_EQ(channel_sim_init(sim, c), 1);
  std::vector<float> out;
  // In uneven blocks, as a sound card would deliver them.
  for (std::size_t i = 0; i < in.size(); i += 211)
    channel_sim_process(sim, &in[i], static_cast<int>(std::min<std::size_t>(211, in.size() - i)), out);
  return out;
}

TEST(ChannelSim, NoisePowerInTheBandMatchesTheSnr) {
  for (double rate : {8000.0, 48000.0}) {
    for (double snr : {0.0, 10.0}) {
      ChannelSimConfig c;
      c.sample_rate = rate;
      c.snr_db = snr;
      c.signal_power = 0.5;
      const std::vector<float> out = run(c, std::vector<float>(static_cast<std::size_t>(rate == 8000 ? 32000 : 48000), 0.0f));
      const double expected = 0.5 / std::pow(10.0, snr / 10);
      EXPECT_NEAR(mean_power(out) / expected, 1.0, 0.05) << rate << " Hz, " << snr << " dB";
    }
  }
}

TEST(ChannelSim, NoiseStaysInsideThe3kHzBand) {
  ChannelSimConfig c;
  c.sample_rate = 48000;
  c.snr_db = 0;
  const std::vector<float> out = run(c, std::vector<float>(48000, 0.0f));
  // Average the correlation power over a few frequencies of each region.
  auto region = [&](std::initializer_list<double> f) {
    double p = 0;
    for (double hz : f) p += power_at(out, hz, 48000);
    return p / static_cast<double>(f.size());
  };
  const double inside = region({700, 1500, 2300, 3000});
  EXPECT_GT(inside, 30 * region({50, 100, 150}));
  EXPECT_GT(inside, 30 * region({4500, 6000, 9000}));
}

TEST(ChannelSim, FrequencyOffsetMovesTheTone) {
  ChannelSimConfig c;
  c.noise = false;
  c.freq_offset_hz = 37;
  const std::vector<float> out = run(c, tone(1000, 8000, 16000, 0.5));
  EXPECT_GT(power_at(out, 1037, 8000, 400), 100 * power_at(out, 1000, 8000, 400));
  EXPECT_NEAR(mean_power(out, 400), 0.125, 0.01);
}

TEST(ChannelSim, ClockOffsetResamples) {
  ChannelSimConfig c;
  c.noise = false;
  c.clock_offset_ppm = 1000;
  const std::vector<float> out = run(c, tone(1000, 8000, 80000, 0.5));
  EXPECT_NEAR(static_cast<double>(out.size()), 80080, 3);
  // The receiving card runs fast: the tone arrives 0.1 % low.
  EXPECT_GT(power_at(out, 1000 / 1.001, 8000, 100), 10 * power_at(out, 1000, 8000, 100));
}

TEST(ChannelSim, FadingKeepsMeanPowerAndRepeatsWithItsSeed) {
  ChannelSimConfig c;
  c.noise = false;
  c.fading = FadingPreset::Poor;
  c.seed = 5;
  const std::vector<float> in = tone(1500, 8000, 8000 * 30, 0.5);
  const std::vector<float> a = run(c, in);
  EXPECT_NEAR(mean_power(a) / 0.125, 1.0, 0.35);
  // Deep fades: the power of 100 ms pieces spreads widely.
  double lo = 1e9, hi = 0;
  for (std::size_t i = 0; i + 800 <= a.size(); i += 800) {
    double p = 0;
    for (std::size_t k = i; k < i + 800; ++k) p += static_cast<double>(a[k]) * a[k];
    lo = std::min(lo, p);
    hi = std::max(hi, p);
  }
  EXPECT_GT(hi / lo, 10.0);
  EXPECT_EQ(run(c, in), a);
  c.seed = 6;
  EXPECT_NE(run(c, in), a);
}

TEST(ChannelSim, InPlaceKeepsTheSampleCount) {
  for (double ppm : {0.0, 500.0, -500.0}) {
    ChannelSimConfig c;
    c.noise = false;
    c.clock_offset_ppm = ppm;
    ChannelSim sim;
    ASSERT_EQ(channel_sim_init(sim, c), 1);
    std::vector<int16_t> block(1260);
    int64_t delay = -1;
    for (int b = 0; b < 40; ++b) {
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = (b == 5 && i == 0) ? 10000 : 0;
      channel_sim_process16_inplace(sim, block.data(), static_cast<int>(block.size()));
      for (std::size_t i = 0; i < block.size(); ++i)
        if (delay < 0 && std::abs(block[i]) > 3000) delay = b * 1260 + static_cast<int64_t>(i) - 5 * 1260;
    }
    // The impulse comes through within a few samples of where it went in.
    EXPECT_GE(delay, 0) << ppm;
    EXPECT_LT(delay, 8) << ppm;
  }
}

TEST(ChannelSim, PresetsAndRefusals) {
  FadingPreset p;
  ASSERT_TRUE(fading_preset_from_text("flutter", &p));
  EXPECT_EQ(fading_figures(p).spread_hz, 10.0);
  EXPECT_EQ(fading_figures(FadingPreset::Moderate).delay_s, 0.001);
  EXPECT_FALSE(fading_preset_from_text("bad", &p));
  ChannelSim sim;
  ChannelSimConfig c;
  c.sample_rate = 100;
  EXPECT_EQ(channel_sim_init(sim, c), 0);
}

}  // namespace
}  // namespace vesk
