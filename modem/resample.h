// Sample-rate conversion between the card's 48 kHz and the modems' rates.
//
// The decimator low-passes each captured 48 kHz block and splits it into the 8 kHz stream of
// the 8-FSK receiver and the 9,600 Hz stream of the serial-tone receiver; the interpolator
// raises the serial-tone modem's 9,600 Hz output to 48 kHz (each input sample held five
// times, then low-passed). Each converter is a function of its input and its own state
// struct, so a test or a benchmark can run it alone; the station's pair lives in
// `ResampleState`.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vesk {

inline constexpr int kDecimateHistory = 256;  // power of two, longer than either filter
inline constexpr int kInterpolateHistory = 64;

struct DecimatorState {
  // Every sample is stored twice (at i and i + kDecimateHistory) so that a filter window is
  // always one contiguous run ending at the newest sample.
  std::array<float, 2 * kDecimateHistory> line{};
  int pos = 0;       // where the next sample goes
  int phase8k = 0;   // samples since the last 8 kHz output (0: this one is picked)
  int phase9600 = 0;
  int zero_run = 0;  // newest samples in a row that were zero, up to kDecimateHistory
};

struct InterpolatorState {
  std::array<float, 2 * kInterpolateHistory> line{};
  int pos = 0;
};

struct ResampleState {
  DecimatorState decimator;
  InterpolatorState interpolator;  // carries over from one modem block to the next
};

ResampleState& resample_state();

// Low-pass filters `count` 48 kHz samples and keeps every sixth (8 kHz) and every fifth
// (9,600 Hz), picking from the first sample after construction on. A 1,260-sample block
// gives 210 and 252 samples. Either destination may be null.
void snd_decimate(DecimatorState& st, const int16_t* src, int count, int16_t* dst8k, int* count8k,
                  int16_t* dst9600, int* count9600);
// The same on the station's decimator.
void snd_decimate(const int16_t* src, int count, int16_t* dst8k, int* count8k, int16_t* dst9600,
                  int* count9600);

// Five 48 kHz outputs per 9,600 Hz input: each input is held five times and the run is
// low-pass filtered, then scaled by 0.75 (the modem's drive level on the card).
void snd_interpolate_by5(InterpolatorState& st, const float* src, float* dst, int count);
void snd_interpolate_by5(const float* src, float* dst, int count);

// Any rate and channel count to the card's 48 kHz mono, for sound files played as they are
// (voice identification, the tune sound): channels are averaged, and the rate is changed by
// linear interpolation between neighbouring samples (a file already at 48 kHz mono is copied
// unchanged). `frames` interleaved frames of `channels` samples each. 0 for a channel count
// that is not positive or a rate outside what a sound file can mean (kWavMinRate ..
// kWavMaxRate).
int snd_convert_to_48k_mono(const int16_t* src, int64_t frames, int channels, int rate, std::vector<int16_t>& out);

}  // namespace vesk
