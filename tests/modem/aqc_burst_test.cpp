// AQC-ALE burst: layout, and the carrier on the air at the serial-tone modem's frequency.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <memory>
#include <vector>

#include "db/options.h"
#include "modem/aqc_burst.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSmoothHz = 600;

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> w = std::polar(1.0, -2 * kPi / static_cast<double>(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> wk = 1;
      for (std::size_t k = 0; k < len / 2; ++k, wk *= w) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

class AqcBurstTest : public ::testing::Test {
 protected:
  AqcBurstTest() { db_set_default_options(); }

  std::vector<int16_t> build() {
    std::vector<int16_t> s(kAqcBurstSamples, 12345);
    aqc_build_burst_waveform(s.data());
    return s;
  }

  // The frequency where the spectrum is strongest, smoothed over ±kSmoothHz so that the ripple
  // of 64 symbols does not decide it; and the share of the energy within 300-3300 Hz.
  static void spectrum(const std::vector<int16_t>& s, double* peak_hz, double* in_band) {
    constexpr std::size_t kN = 8192;
    std::vector<std::complex<double>> a(kN);
    for (std::size_t i = 0; i < s.size(); ++i) a[i] = s[i];
    fft(a);
    const double bin_hz = static_cast<double>(kAqcBurstRate) / kN;
    std::vector<double> p(kN / 2);
    double total = 0, band = 0;
    for (std::size_t k = 0; k < kN / 2; ++k) {
      p[k] = std::norm(a[k]);
      total += p[k];
      const double f = k * bin_hz;
      if (f >= 300 && f <= 3300) band += p[k];
    }
    const int half = static_cast<int>(kSmoothHz / bin_hz);
    double best = -1;
    for (int k = half; k < static_cast<int>(kN / 2) - half; ++k) {
      double sum = 0;
      for (int j = -half; j <= half; ++j) sum += p[static_cast<std::size_t>(k + j)];
      if (sum > best) {
        best = sum;
        *peak_hz = k * bin_hz;
      }
    }
    *in_band = band / total;
  }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

TEST_F(AqcBurstTest, LayoutSilenceSymbolsSilence) {
  const std::vector<int16_t> s = build();
  for (int i = 0; i < kAqcBurstLeadSamples; ++i) ASSERT_EQ(s[i], 0) << i;
  for (int i = kAqcBurstSamples - kAqcBurstTailSamples; i < kAqcBurstSamples; ++i) ASSERT_EQ(s[i], 0) << i;
  // The first symbol is 1 (stages 3, 2, 1 of the register's start are 0, 0, 1) at phase 0.
  EXPECT_EQ(s[kAqcBurstLeadSamples], snd_float_to_pcm16(static_cast<float>(0.999999 * std::cos(kPi / 4))));
  int peak = 0;
  for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_GT(peak, 32000);
}

TEST_F(AqcBurstTest, SpectrumPeaksAtTheModemCarrier) {
  struct Case {
    int centre_hz, rate_setting;
    double carrier_hz;
  };
  const Case cases[] = {
      {1200, 6400, 1800},  // the defaults
      {1500, 8000, 1800},
      {1800, 9600, 1800},
      {2000, 9600, 2000},
      {1500, 9600, 1500},
  };
  for (const Case& c : cases) {
    db_set_modem_centre_freq(c.centre_hz);
    db_set_modem_sample_rate(c.rate_setting);
    EXPECT_DOUBLE_EQ(aqc_burst_carrier_hz(), c.carrier_hz);
    double peak_hz = 0, in_band = 0;
    spectrum(build(), &peak_hz, &in_band);
    EXPECT_NEAR(peak_hz, c.carrier_hz, 200) << c.centre_hz << "/" << c.rate_setting;
    EXPECT_GT(in_band, 0.8) << c.centre_hz << "/" << c.rate_setting;
  }
}

TEST_F(AqcBurstTest, SoundCardBuildsTheBurstAtOpen) {
  // The carrier follows the modem settings in force when the card opens.
  db_set_modem_centre_freq(2000);
  db_set_modem_sample_rate(9600);
  sound_card().threaded = false;
  ASSERT_EQ(snd_set_device_specs("null", "null"), 1);
  snd_open();
  const int16_t* burst = sound_card().burst;
  ASSERT_NE(burst, nullptr);
  const std::vector<int16_t> expected = build();
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), burst));
  snd_close();
}

}  // namespace
}  // namespace vesk::test
