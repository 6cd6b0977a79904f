// The serial-tone equaliser's recursive least-squares update.
#include "modem/serial_tone/m110_equalizer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vesk {
namespace {

// From zero weights and fresh factors, the first update moves weight i by
// e conj(x(i)) / (0.001 + sum |x|^2), with e the scaled target (the first output is 0).
TEST(M110Equalizer, FirstUpdateFromRest) {
  M110Equalizer eq;
  std::vector<M110Complex> x(32);
  for (int i = 0; i < 32; ++i) x[static_cast<std::size_t>(i)] = M110Complex(0.1f * static_cast<float>(i % 5) - 0.2f, 0.05f * static_cast<float>(i % 3));
  const M110Complex target(0, 1);
  const M110Complex y = eq.train(x.data(), target);
  EXPECT_EQ(y, M110Complex(0, 0));
  float power = 0.001f;
  for (const M110Complex& v : x) power += std::norm(v);
  const M110Complex e = 0.01f * target;
  for (int i = 0; i < 32; ++i) {
    const M110Complex want = e * std::conj(x[static_cast<std::size_t>(i)]) / power;
    EXPECT_NEAR(std::abs(eq.weights()[static_cast<std::size_t>(i)] - want), 0, 1e-6) << i;
  }
  for (int i = 32; i < 40; ++i) EXPECT_EQ(eq.weights()[static_cast<std::size_t>(i)], M110Complex(0, 0));
}

// A noiseless channel that scales, rotates and smears the symbols (two samples per symbol, the
// second halfway to the next): trained on 480 random 8-PSK symbols, the output comes to
// 0.01 x the target.
TEST(M110Equalizer, TrainsOnAScaledRotatedChannel) {
  std::mt19937 rng(4);
  const M110Complex gain = std::polar(0.6f, 1.1f);
  std::vector<M110Complex> symbols(600), samples(2 * 600 + 32);
  for (auto& s : symbols) s = kM110Constellation[rng() % 8];
  for (std::size_t k = 0; k + 1 < symbols.size(); ++k) {
    samples[2 * k + 16] = gain * symbols[k];
    samples[2 * k + 17] = gain * 0.5f * (symbols[k] + symbols[k + 1]);
  }
  M110Equalizer eq;
  float last_error = 1;
  for (int k = 0; k < 480; ++k) {
    const M110Complex y = eq.train(&samples[static_cast<std::size_t>(2 * k)], symbols[static_cast<std::size_t>(k)]);
    last_error = std::abs(y - 0.01f * symbols[static_cast<std::size_t>(k)]) / 0.01f;
  }
  EXPECT_LT(last_error, 1e-2);
  // The noise power behind the soft decisions is then small.
  EXPECT_LT(eq.noise_power(), 1e-3);
}

}  // namespace
}  // namespace vesk
