#include "ui/tuning_display.h"

#include <algorithm>
#include <cmath>

namespace vesk {

int tune_height(double value, int limit) {
  if (limit <= 0 || !(value > 0)) return 0;  // NaN, zero and below
  if (value >= static_cast<double>(limit)) return limit;
  return static_cast<int>(value);
}

TunePicture tune_transmitting() {
  TunePicture p;
  p.transmitting = true;
  return p;
}

TunePicture tune_spectrum(TuneState& state, const float* bins, bool synced, int /*width*/, int height) {
  TunePicture p;
  float max = 0;
  for (int k = 1; k <= kTuneBins; ++k) {
    const float b = bins[k];
    max = std::max(max, b);
    TuneRgb colour = kTuneYellow;
    if (k >= 6 && k <= 20) colour = (k % 2 == 1 || !synced) ? kTuneGreen : kTuneRed;
    state.average = 0.1f * b + 0.9f * state.average;
    // A zero average (silence since the start) draws no bar instead of dividing by zero.
    const double h = state.average != 0 ? static_cast<double>(b) / state.average * 20.0 : 0.0;
    const int bar = tune_height(h, height);
    p.rects.push_back({7 * k - 7, height - bar, 7 * k, height - 1, colour});
  }
  // ln(0) is minus infinity: the level bar is then empty.
  const double level = max > 0 ? 6.0 * std::log(static_cast<double>(max)) + 36.0 : 0.0;
  state.level = level > 0 ? static_cast<float>(std::min(level, static_cast<double>(std::max(height, 0)))) : 0.0f;
  p.rects.push_back({189, height - tune_height(state.level, height), 195, height - 1, kTunePurple});
  return p;
}

TunePicture tune_timing(const float* energy, int phase, bool synced, int /*width*/, int height) {
  TunePicture p;
  p.filled = synced;
  p.fill = kTuneYellow;
  p.pen = synced ? kTuneOrange : kTuneBlack;
  float m = energy[0];
  for (int i = 1; i < kTuneTimingPoints; ++i) m = std::min(m, energy[i]);
  for (int i = 0; i < kTuneTimingPoints; ++i) {
    // A zero smallest entry gives no ratio: the point stays at the bottom.
    const double r = m > 0 ? (static_cast<double>(energy[i]) / m - 1.0) * 100.0 : 0.0;
    p.line.push_back({3 * i, height - tune_height(r, height)});
  }
  const int at = ((phase % kTuneTimingPoints) + kTuneTimingPoints) % kTuneTimingPoints;
  p.rects.push_back({3 * at, 0, 3 * at + 2, height - 1, synced ? kTuneRed : kTuneGreen});
  return p;
}

}  // namespace vesk
