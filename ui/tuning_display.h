// The tuning display of the status bar: what the window draws for one audio refresh, worked
// out without any drawing library. The spectrum shows the demodulator's 27 tone bins against
// their running average with a level bar; the timing view shows the symbol-timing energy
// against its smallest entry and marks the symbol phase.
#pragma once

#include <cstdint>
#include <vector>

namespace vesk {

struct TuneRgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const TuneRgb&) const = default;
};
inline constexpr TuneRgb kTuneYellow{255, 255, 0};
inline constexpr TuneRgb kTuneGreen{0, 255, 0};
inline constexpr TuneRgb kTuneRed{255, 0, 0};
inline constexpr TuneRgb kTunePurple{153, 0, 255};
inline constexpr TuneRgb kTuneOrange{255, 128, 0};
inline constexpr TuneRgb kTuneBlack{0, 0, 0};

// A filled rectangle, corners included.
struct TuneRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  TuneRgb colour;
};

struct TunePoint {
  int x = 0, y = 0;
};

// One picture: an optional background fill, filled rectangles, an optional poly-line.
struct TunePicture {
  bool transmitting = false;  // black with "TRANSMITTING" in red at (W/4, H/3)
  bool filled = false;
  TuneRgb fill;
  std::vector<TuneRect> rects;
  std::vector<TunePoint> line;
  TuneRgb pen;
};

// Kept from one refresh to the next: the running bin average and the level bar's height.
struct TuneState {
  float average = 0;
  float level = 0;
};

inline constexpr int kTuneBins = 27;       // b[1] .. b[27]
inline constexpr int kTuneTimingPoints = 64;

// A height in 0..limit from any value (NaN and infinities included), cut toward zero.
int tune_height(double value, int limit);

TunePicture tune_transmitting();
// bins[k] is b[k] for k = 1..27 (bins[0] is not read).
TunePicture tune_spectrum(TuneState& state, const float* bins, bool synced, int width, int height);
// energy: the 64-entry timing snapshot; phase: the symbol phase (kept in 0..63).
TunePicture tune_timing(const float* energy, int phase, bool synced, int width, int height);

}  // namespace vesk
