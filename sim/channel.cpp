// HF channel simulator: see channel.h.
#include "sim/channel.h"

#include <algorithm>
#include <cmath>

namespace vesk {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNoiseLowHz = 300;
constexpr double kNoiseHighHz = 3300;

double blackman(int n, int len) {
  const double a = 2 * kPi * n / (len - 1);
  return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
}

// Odd length of about `ms` milliseconds at the rate.
int taps_for(double rate, double ms) { return static_cast<int>(rate * ms / 1000.0) | 1; }

std::vector<double> make_hilbert(double rate) {
  const int len = taps_for(rate, 16);
  const int mid = len / 2;
  std::vector<double> h(len, 0.0);
  for (int n = 0; n < len; ++n) {
    const int k = n - mid;
    if (k % 2 != 0) h[n] = 2.0 / (kPi * k) * blackman(n, len);
  }
  return h;
}

std::vector<double> make_bandpass(double rate, double lo, double hi) {
  const int len = taps_for(rate, 25);
  const int mid = len / 2;
  std::vector<double> h(len);
  for (int n = 0; n < len; ++n) {
    const int k = n - mid;
    auto lowpass = [&](double fc) {
      const double w = 2 * fc / rate;
      return k == 0 ? w : std::sin(kPi * w * k) / (kPi * k);
    };
    h[n] = (lowpass(hi) - lowpass(lo)) * blackman(n, len);
  }
  return h;
}

bool needs_analytic(const ChannelSimConfig& c) {
  return c.fading != FadingPreset::None || c.freq_offset_hz != 0;
}

// One input sample through fading and frequency offset.
double fade_and_shift(ChannelSim& s, double x) {
  const ChannelSimConfig& c = s.config;
  if (!needs_analytic(c)) return x;
  const int len = static_cast<int>(s.hilbert.size());
  // The line holds every sample twice, so the newest `len` are one contiguous run.
  s.in_line[s.in_pos] = s.in_line[s.in_pos + len] = x;
  s.in_pos = (s.in_pos + 1) % len;
  const double* run = &s.in_line[s.in_pos];  // oldest first
  double im = 0;
  for (int k = 0; k < len; ++k) im += s.hilbert[len - 1 - k] * run[k];
  const double re = run[len / 2];

  double out_re = re, out_im = im;
  if (c.fading != FadingPreset::None) {
    const int plen = static_cast<int>(s.path_re.size());
    s.path_re[s.path_pos] = re;
    s.path_im[s.path_pos] = im;
    const int d = (s.path_pos - s.path_delay + plen) % plen;
    const double dre = s.path_re[d], dim = s.path_im[d];
    s.path_pos = (s.path_pos + 1) % plen;
    // The gains change slowly (10 Hz at the most): recompute them every fade_step samples.
    if (s.n % s.fade_step == 0) {
      const double t = static_cast<double>(s.n) / c.sample_rate;
      for (int p = 0; p < 2; ++p) {
        double gr = 0, gi = 0;
        for (int r = 0; r < ChannelSim::kRays; ++r) {
          const double ph = 2 * kPi * s.fade_freq[p][r] * t + s.fade_phase[p][r];
          gr += std::cos(ph);
          gi += std::sin(ph);
        }
        s.gain[p][0] = gr * s.fade_scale;
        s.gain[p][1] = gi * s.fade_scale;
      }
    }
    const auto& g = s.gain;
    out_re = g[0][0] * re - g[0][1] * im + g[1][0] * dre - g[1][1] * dim;
    out_im = g[0][0] * im + g[0][1] * re + g[1][0] * dim + g[1][1] * dre;
  }
  double y = out_re;
  if (c.freq_offset_hz != 0) {
    y = out_re * std::cos(s.freq_phase) - out_im * std::sin(s.freq_phase);
    s.freq_phase += 2 * kPi * c.freq_offset_hz / c.sample_rate;
    if (s.freq_phase > 2 * kPi) s.freq_phase -= 2 * kPi;
    if (s.freq_phase < -2 * kPi) s.freq_phase += 2 * kPi;
  }
  return y;
}

double band_noise(ChannelSim& s) {
  const int len = static_cast<int>(s.noise_fir.size());
  s.noise_line[s.noise_pos] = s.noise_line[s.noise_pos + len] = s.rng.gaussian() * s.noise_sigma;
  s.noise_pos = (s.noise_pos + 1) % len;
  const double* run = &s.noise_line[s.noise_pos];
  double v = 0;
  for (int k = 0; k < len; ++k) v += s.noise_fir[len - 1 - k] * run[k];
  return v;
}

}  // namespace

FadingFigures fading_figures(FadingPreset p) {
  switch (p) {
    case FadingPreset::Good: return {0.0005, 0.1};
    case FadingPreset::Moderate: return {0.001, 0.5};
    case FadingPreset::Poor: return {0.002, 1.0};
    case FadingPreset::Flutter: return {0.0005, 10.0};
    case FadingPreset::None: break;
  }
  return {0, 0};
}

bool fading_preset_from_text(const std::string& text, FadingPreset* out) {
  static constexpr struct {
    const char* name;
    FadingPreset preset;
  } kNames[] = {{"none", FadingPreset::None}, {"good", FadingPreset::Good},
                {"moderate", FadingPreset::Moderate}, {"poor", FadingPreset::Poor},
                {"flutter", FadingPreset::Flutter}};
  for (const auto& n : kNames) {
    if (text == n.name) {
      *out = n.preset;
      return true;
    }
  }
  return false;
}

void SimRandom::seed(uint64_t s) {
  state = s * 0x9E3779B97F4A7C15ULL + 0x2545F4914F6CDD1DULL;
  if (state == 0) state = 1;
  have_spare = false;
  for (int i = 0; i < 8; ++i) next();
}

uint64_t SimRandom::next() {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return state * 0x2545F4914F6CDD1DULL;
}

double SimRandom::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double SimRandom::gaussian() {
  if (have_spare) {
    have_spare = false;
    return spare;
  }
  double u1 = uniform();
  while (u1 <= 0) u1 = uniform();
  const double u2 = uniform();
  const double r = std::sqrt(-2 * std::log(u1));
  spare = r * std::sin(2 * kPi * u2);
  have_spare = true;
  return r * std::cos(2 * kPi * u2);
}

int channel_sim_init(ChannelSim& s, const ChannelSimConfig& config) {
  if (!(config.sample_rate >= 8000) || !(config.signal_power >= 0) ||
      std::fabs(config.clock_offset_ppm) > 100000 ||
      std::fabs(config.freq_offset_hz) > config.sample_rate / 4)
    return 0;
  s = ChannelSim{};
  s.config = config;
  s.rng.seed(config.seed);

  s.hilbert = make_hilbert(config.sample_rate);
  s.in_line.assign(2 * s.hilbert.size(), 0.0);
  const FadingFigures f = fading_figures(config.fading);
  s.path_delay = static_cast<int>(std::lround(f.delay_s * config.sample_rate));
  s.path_re.assign(static_cast<std::size_t>(s.path_delay) + 1, 0.0);
  s.path_im.assign(static_cast<std::size_t>(s.path_delay) + 1, 0.0);
  // Each path carries half the power on average; the spread is two standard deviations of
  // the Doppler spectrum.
  s.fade_scale = std::sqrt(0.5 / ChannelSim::kRays);
  s.fade_step = std::max(1, static_cast<int>(config.sample_rate / 1000));
  for (int p = 0; p < 2; ++p) {
    for (int r = 0; r < ChannelSim::kRays; ++r) {
      s.fade_freq[p][r] = s.rng.gaussian() * f.spread_hz / 2;
      s.fade_phase[p][r] = s.rng.uniform() * 2 * kPi;
    }
  }

  s.noise_fir = make_bandpass(config.sample_rate, kNoiseLowHz, kNoiseHighHz);
  s.noise_line.assign(2 * s.noise_fir.size(), 0.0);
  double gain = 0;
  for (double h : s.noise_fir) gain += h * h;
  const double noise_power = config.signal_power / std::pow(10.0, config.snr_db / 10.0);
  s.noise_sigma = config.noise && gain > 0 ? std::sqrt(noise_power / gain) : 0.0;
  // Prime the noise filter so the first samples already carry full noise.
  if (config.noise)
    for (std::size_t i = 0; i < s.noise_fir.size(); ++i) band_noise(s);

  s.ratio = 1.0 / (1.0 + config.clock_offset_ppm * 1e-6);
  s.tail.assign(1, 0.0);
  s.read_pos = 1;
  return 1;
}

void channel_sim_process(ChannelSim& s, const float* in, int count, std::vector<float>& out) {
  const bool resample = s.config.clock_offset_ppm != 0;
  for (int i = 0; i < count; ++i) {
    double y = fade_and_shift(s, in[i]);
    ++s.n;
    if (s.config.noise) y += band_noise(s);
    if (!resample) {
      out.push_back(static_cast<float>(y));
      continue;
    }
    s.tail.push_back(y);
    // Cubic (Catmull-Rom) interpolation between the two samples around read_pos.
    while (s.read_pos + 2 < static_cast<double>(s.tail.size())) {
      const int k = static_cast<int>(s.read_pos);
      const double t = s.read_pos - k;
      const double p0 = s.tail[k - 1], p1 = s.tail[k], p2 = s.tail[k + 1], p3 = s.tail[k + 2];
      const double v = p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 +
                                                       t * (3 * (p1 - p2) + p3 - p0)));
      out.push_back(static_cast<float>(v));
      s.read_pos += s.ratio;
    }
    if (s.tail.size() > 4096) {
      const int drop = static_cast<int>(s.read_pos) - 1;
      s.tail.erase(s.tail.begin(), s.tail.begin() + drop);
      s.read_pos -= drop;
    }
  }
}

void channel_sim_process16(ChannelSim& s, const int16_t* in, int count, std::vector<int16_t>& out) {
  std::vector<float> x(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) x[i] = static_cast<float>(in[i]) / 32768.0f;
  std::vector<float> y;
  channel_sim_process(s, x.data(), count, y);
  for (float v : y) {
    const long q = std::lround(static_cast<double>(v) * 32768.0);
    out.push_back(static_cast<int16_t>(std::clamp(q, -32768L, 32767L)));
  }
}

void channel_sim_process16_inplace(ChannelSim& s, int16_t* samples, int count) {
  channel_sim_process16(s, samples, count, s.fifo);
  const int have = static_cast<int>(s.fifo.size());
  const int gap = count > have ? count - have : 0;
  std::fill(samples, samples + gap, 0);
  std::copy(s.fifo.begin(), s.fifo.begin() + (count - gap), samples + gap);
  s.fifo.erase(s.fifo.begin(), s.fifo.begin() + (count - gap));
}

double channel_measure_power(const float* x, int count, double sample_rate) {
  const int block = std::max(1, static_cast<int>(sample_rate / 100));
  std::vector<double> powers;
  for (int i = 0; i + block <= count; i += block) {
    double p = 0;
    for (int k = 0; k < block; ++k) p += static_cast<double>(x[i + k]) * x[i + k];
    powers.push_back(p / block);
  }
  if (powers.empty()) return 0;
  const double peak = *std::max_element(powers.begin(), powers.end());
  double sum = 0;
  int n = 0;
  for (double p : powers) {
    if (p >= peak / 100) {
      sum += p;
      ++n;
    }
  }
  return n > 0 ? sum / n : 0;
}

}  // namespace vesk
