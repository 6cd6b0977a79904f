// HF channel simulator: what the air does to a station's audio between two sound cards.
//
// In order: Watterson two-path fading (two rays of equal mean power, the second delayed, each
// with a complex Gaussian gain of Gaussian Doppler spectrum; the CCIR presets below), a
// frequency offset (the radios' tuning error, applied to the analytic signal so it moves
// every component by the same number of hertz), additive white Gaussian noise limited to
// 300-3,300 Hz, and a sample-clock offset between the two cards (the output is the input
// resampled at 1 + ppm / 10^6 times its rate). The SNR is the signal power over the noise
// power in that 3 kHz band. Everything is deterministic for a given seed.
//
// A ChannelSim is a plain state object: one per direction of a link, fed block by block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

enum class FadingPreset { None, Good, Moderate, Poor, Flutter };

struct ChannelSimConfig {
  double sample_rate = 8000;
  bool noise = true;
  double snr_db = 30;
  // Mean power of the wanted signal on the input scale (a full-scale sine is 0.5). The noise
  // is set against it; `channel_measure_power` measures it from a recording.
  double signal_power = 0.5;
  FadingPreset fading = FadingPreset::None;
  double freq_offset_hz = 0;
  double clock_offset_ppm = 0;
  uint64_t seed = 1;
};

// Delay of the second path in seconds and Doppler spread (two-sigma) in Hz of a preset.
struct FadingFigures {
  double delay_s;
  double spread_hz;
};
FadingFigures fading_figures(FadingPreset p);
// "none", "good", "moderate", "poor", "flutter"; false for any other text.
bool fading_preset_from_text(const std::string& text, FadingPreset* out);

// A small deterministic generator (xorshift64*) with Gaussian samples by Box-Muller.
struct SimRandom {
  uint64_t state = 1;
  bool have_spare = false;
  double spare = 0;
  void seed(uint64_t s);
  uint64_t next();
  double uniform();   // [0, 1)
  double gaussian();  // mean 0, variance 1
};

struct ChannelSim {
  ChannelSimConfig config;
  SimRandom rng;
  // Hilbert transformer and the matching delay of the real part.
  std::vector<double> hilbert;
  std::vector<double> in_line;  // last hilbert.size() input samples, circular, kept twice
  int in_pos = 0;
  // Analytic-signal history for the delayed path.
  std::vector<double> path_re, path_im;
  int path_pos = 0;
  int path_delay = 0;
  // Fading: per path a sum of complex sinusoids with Gaussian-distributed Doppler frequencies.
  static constexpr int kRays = 24;
  double fade_freq[2][kRays] = {};
  double fade_phase[2][kRays] = {};
  double fade_scale = 0;
  int fade_step = 1;          // samples between gain updates (1 ms)
  double gain[2][2] = {};     // current gain of each path (re, im)
  int64_t n = 0;  // input samples so far
  double freq_phase = 0;
  // Noise band-pass filter.
  std::vector<double> noise_fir;
  std::vector<double> noise_line;  // kept twice, like in_line
  int noise_pos = 0;
  double noise_sigma = 0;
  // Clock-offset resampler.
  double ratio = 1;          // input samples per output sample
  double read_pos = 0;       // input time of the next output sample, relative to tail[1]
  std::vector<double> tail;  // input samples not yet consumed by the resampler
  std::vector<int16_t> fifo; // output waiting for the fixed-rate path
};

int channel_sim_init(ChannelSim& sim, const ChannelSimConfig& config);
// Runs `count` input samples through the channel, appending the output (about count / ratio
// samples, one block to the next adding up exactly) to `out`.
void channel_sim_process(ChannelSim& sim, const float* in, int count, std::vector<float>& out);
// The same for 16-bit samples (input scale 32768), clipping the output to 16 bits.
void channel_sim_process16(ChannelSim& sim, const int16_t* in, int count, std::vector<int16_t>& out);

// In place, for a fixed-rate path such as the in-process audio loopback between two
// stations (AudioLoopback::set_channel): `count` samples in, `count` samples out. With a clock
// offset the resampled output passes through a small FIFO, so the delay drifts slowly (as
// the two cards' clocks do) and silence fills in while the FIFO is still empty.
void channel_sim_process16_inplace(ChannelSim& sim, int16_t* samples, int count);

// Mean power of the active part of a recording: the samples inside 10 ms blocks whose power
// is at least a hundredth of the strongest block's (silence before and after does not count).
double channel_measure_power(const float* x, int count, double sample_rate);

}  // namespace vesk
