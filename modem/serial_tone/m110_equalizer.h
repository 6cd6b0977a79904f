// The serial-tone receiver's adaptive decision-feedback equaliser: 32 complex feed-forward taps
// at half-symbol spacing and 8 complex feedback taps, adapted after every symbol by recursive
// least squares in UD-factorised form (square-root-free measurement update with exponential
// forgetting). Weights and factors carry on from block to block.
//
// Targets are scaled by 0.01: the equaliser learns to put out 0.01 x the scrambled
// constellation point. A running average of the squared errors (over about 30 to 100 symbols,
// short enough to see a fade) scales the receiver's soft decisions.
#pragma once

#include <array>

#include "modem/serial_tone/m110_tables.h"

namespace vesk {

class M110Equalizer {
 public:
  static constexpr int kFeedForward = 32;
  static constexpr int kFeedback = 8;
  static constexpr int kTaps = kFeedForward + kFeedback;
  static constexpr float kScale = 0.01f;
  static constexpr float kNoiseAverage = 0.01f;

  M110Equalizer();
  // Weights 0, factors reset, the feedback and the noise power cleared; `growth` sets the
  // forgetting (1 / (1 + growth) per update).
  void start(float growth = 0.008f);
  // Sets the forgetting and the weight of each new squared error in the noise power average;
  // the weights and factors carry on.
  void set_tracking(float growth, float noise_average) {
    growth_ = growth;
    noise_average_ = noise_average;
  }
  // U = identity, D = 1.
  void reset_factors();
  // Copies 32 samples (the symbol being decided at the 17th) and gives the output.
  M110Complex output(const M110Complex* samples);
  // Output, then an update towards 0.01 x target; the scaled target goes into the feedback.
  M110Complex train(const M110Complex* samples, M110Complex target);
  // After output(): adapt with error `e`, track it, and push `reference` into the feedback.
  void adapt(M110Complex e, M110Complex reference);
  // Running mean of the squared errors, relative to the unscaled constellation.
  float noise_power() const { return static_cast<float>(noise_power_ / (kScale * kScale)); }
  const std::array<M110Complex, kTaps>& weights() const { return w_; }
  // Moves the feed-forward weights one tap earlier (+1) or later (-1): the timing tracker moves
  // the sample pointer the other way at the same time.
  void shift_feed_forward(int taps);

 private:
  void update(M110Complex e);
  void track_error(float magnitude);

  std::array<M110Complex, kTaps> w_{}, x_{};
  // Unit upper triangular U (entries above the diagonal, u_[j][i] for j < i) and diagonal D.
  std::array<std::array<M110Complex, kTaps>, kTaps> u_{};
  std::array<float, kTaps> d_{};
  std::array<M110Complex, kTaps> f_{}, g_{};
  std::array<float, kTaps> a_{};
  float r_ = 0.001f, growth_ = 0.008f, noise_average_ = kNoiseAverage;
  double noise_power_ = 0;
};

}  // namespace vesk
