// Rate conversion: pass band, stop band and images measured on tones, plus the block counts.
#include "modem/resample.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vesk {
namespace {

// Amplitude of the `freq` component of the last 100 ms of `x` (rate `rate`): tones at
// multiples of 10 Hz are orthogonal over that window.
double amplitude_at(const std::vector<double>& x, int rate, double freq) {
  double re = 0, im = 0;
  const std::size_t n = static_cast<std::size_t>(rate / 10);
  const std::size_t start = x.size() - n;
  for (std::size_t i = 0; i < n; ++i) {
    const double ph = 2 * M_PI * freq * static_cast<double>(i) / rate;
    re += x[start + i] * std::cos(ph);
    im += x[start + i] * std::sin(ph);
  }
  return 2 * std::hypot(re, im) / static_cast<double>(n);
}

double db(double ratio) { return 20 * std::log10(ratio); }

enum class Path { To8k, To9600 };

// Gain in dB of a tone at `freq` (amplitude 10,000) through the decimator.
double decimate_gain_db(Path path, double freq) {
  DecimatorState st;
  const int in_len = 1260 * 10;  // 262 ms: settle, then measure the last 100 ms
  std::vector<double> out;
  std::vector<int16_t> block(1260);
  int16_t d8[216], d96[256];
  for (int pos = 0; pos < in_len; pos += 1260) {
    for (int i = 0; i < 1260; ++i)
      block[i] = static_cast<int16_t>(std::lround(10000 * std::cos(2 * M_PI * freq * (pos + i) / 48000.0)));
    int n8 = 0, n96 = 0;
    snd_decimate(st, block.data(), 1260, d8, &n8, d96, &n96);
    EXPECT_EQ(n8, 210);
    EXPECT_EQ(n96, 252);
    if (path == Path::To8k) {
      out.insert(out.end(), d8, d8 + n8);
    } else {
      out.insert(out.end(), d96, d96 + n96);
    }
  }
  const int rate = path == Path::To8k ? 8000 : 9600;
  // An out-of-band tone folds down: measure it where it lands.
  double f = std::fmod(freq, rate);
  if (f > rate / 2.0) f = rate - f;
  return db(amplitude_at(out, rate, f) / 10000.0);
}

TEST(Resample, DecimatorPassBandIsFlat) {
  for (Path path : {Path::To8k, Path::To9600})
    for (int f = 300; f <= 3000; f += 100)
      EXPECT_NEAR(decimate_gain_db(path, f), 0.0, 0.5) << (path == Path::To8k ? "8k " : "9600 ") << f;
}

TEST(Resample, DecimatorStopsWhatWouldAlias) {
  const struct {
    Path path;
    double freq;
  } cases[] = {{Path::To8k, 4000}, {Path::To8k, 4500}, {Path::To8k, 7000}, {Path::To8k, 9000},
               {Path::To8k, 15000}, {Path::To9600, 4800}, {Path::To9600, 6000}, {Path::To9600, 8600}};
  for (const auto& c : cases) EXPECT_LE(decimate_gain_db(c.path, c.freq), -40.0) << c.freq;
}

TEST(Resample, DecimatorPicksFromTheFirstSample) {
  DecimatorState st;
  const int16_t src[7] = {};
  int16_t d8[4], d96[4];
  int n8 = -1, n96 = -1;
  snd_decimate(st, src, 7, d8, &n8, d96, &n96);
  EXPECT_EQ(n8, 2);   // samples 0 and 6
  EXPECT_EQ(n96, 2);  // samples 0 and 5
}

// The interpolator's output for a tone at `freq` (amplitude 1.0, 9,600 Hz in), at 48 kHz.
std::vector<double> interpolate_tone(double freq) {
  InterpolatorState st;
  std::vector<double> out;
  std::vector<float> in(4000), o(20000);
  for (int pos = 0; pos < 4000; pos += 4000) {  // 417 ms
    for (int i = 0; i < 4000; ++i) in[i] = static_cast<float>(std::cos(2 * M_PI * freq * (pos + i) / 9600.0));
    snd_interpolate_by5(st, in.data(), o.data(), 4000);
    out.insert(out.end(), o.begin(), o.end());
  }
  return out;
}

TEST(Resample, InterpolatorResponseAndImages) {
  const double scale = 0.75;  // the modem's drive level
  for (int f = 200; f <= 3000; f += 100) {
    const std::vector<double> out = interpolate_tone(f);
    const double gain = db(amplitude_at(out, 48000, f) / scale);
    if (f <= 2500) {
      EXPECT_NEAR(gain, 0.0, 0.5) << f;
    }
    if (f == 3000) {
      EXPECT_NEAR(gain, -3.0, 1.0) << f;
    }
    // Images around every multiple of 9,600 Hz, relative to the tone itself.
    const double tone = amplitude_at(out, 48000, f);
    for (int k = 1; k <= 2; ++k)
      for (double image : {9600.0 * k - f, 9600.0 * k + f})
        EXPECT_LE(db(amplitude_at(out, 48000, image) / tone), -40.0) << f << " image " << image;
  }
}

TEST(Resample, InterpolatorSettlesOnAConstantAndKeepsItsLine) {
  InterpolatorState st;
  std::vector<float> in(40, 1.0f), out(200);
  snd_interpolate_by5(st, in.data(), out.data(), 40);
  // Starts from a zero-filled line, settles at the drive level.
  EXPECT_LT(std::fabs(out[0]), 0.05f);
  EXPECT_NEAR(out[199], 0.75f, 1e-4);
  // The line carries over to the next block: no restart ramp.
  snd_interpolate_by5(st, in.data(), out.data(), 1);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(out[i], 0.75f, 1e-4);
}

}  // namespace
}  // namespace vesk
