// Adaptive decision-feedback equaliser of the serial-tone receiver.
#include "modem/serial_tone/m110_equalizer.h"

#include <algorithm>
#include <cmath>

namespace vesk {

M110Equalizer::M110Equalizer() { start(); }

void M110Equalizer::start(float growth) {
  growth_ = growth;
  noise_average_ = kNoiseAverage;
  noise_power_ = 0;
  r_ = 0.001f;
  reset_factors();
  w_.fill(M110Complex(0, 0));
  x_.fill(M110Complex(0, 0));
}

void M110Equalizer::reset_factors() {
  for (auto& row : u_) row.fill(M110Complex(0, 0));
  d_.fill(1.0f);
}

M110Complex M110Equalizer::output(const M110Complex* samples) {
  for (int i = 0; i < kFeedForward; ++i) x_[static_cast<std::size_t>(i)] = samples[i];
  M110Complex y(0, 0);
  for (int i = 0; i < kTaps; ++i) y += x_[static_cast<std::size_t>(i)] * w_[static_cast<std::size_t>(i)];
  return y;
}

M110Complex M110Equalizer::train(const M110Complex* samples, M110Complex target) {
  const M110Complex y = output(samples);
  const M110Complex reference = kScale * target;
  adapt(reference - y, reference);
  return y;
}

void M110Equalizer::adapt(M110Complex e, M110Complex reference) {
  update(e);
  track_error(std::abs(e));
  for (int i = kTaps - 1; i > kFeedForward; --i) x_[static_cast<std::size_t>(i)] = x_[static_cast<std::size_t>(i - 1)];
  x_[kFeedForward] = reference;
}

void M110Equalizer::track_error(float magnitude) {
  noise_power_ += noise_average_ * (static_cast<double>(magnitude) * magnitude - noise_power_);
}

void M110Equalizer::update(M110Complex e) {
  // f = U^T conj(x), g = D f, a = running sums of D |f|^2 from R.
  for (int i = 0; i < kTaps; ++i) {
    M110Complex acc = std::conj(x_[static_cast<std::size_t>(i)]);
    for (int j = 0; j < i; ++j) acc += u_[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] * std::conj(x_[static_cast<std::size_t>(j)]);
    f_[static_cast<std::size_t>(i)] = acc;
    g_[static_cast<std::size_t>(i)] = d_[static_cast<std::size_t>(i)] * acc;
  }
  float prev = r_;
  for (int i = 0; i < kTaps; ++i) {
    a_[static_cast<std::size_t>(i)] = prev + d_[static_cast<std::size_t>(i)] * std::norm(f_[static_cast<std::size_t>(i)]);
    prev = a_[static_cast<std::size_t>(i)];
  }
  // Without input (silence) nothing is learnt and the forgetting alone grows D by 1 + growth
  // per symbol: unbounded, it overflows within seconds and the weights become NaN. It
  // is held far above anything a signal gives it.
  constexpr float kMaxD = 1e4f;
  const float h = 1.0f + growth_;
  d_[0] = std::min(kMaxD, h * d_[0] * r_ / a_[0]);
  for (int j = 1; j < kTaps; ++j) {
    const std::size_t uj = static_cast<std::size_t>(j);
    const M110Complex lambda = -f_[uj] / a_[uj - 1];
    d_[uj] = std::min(kMaxD, h * d_[uj] * a_[uj - 1] / a_[uj]);
    const M110Complex gj = g_[uj];
    for (int k = 0; k < j; ++k) {
      const std::size_t uk = static_cast<std::size_t>(k);
      const M110Complex old = u_[uk][uj];
      u_[uk][uj] = old + lambda * std::conj(g_[uk]);
      g_[uk] += std::conj(old) * gj;
    }
  }
  const M110Complex step = e * (1.0f / a_[kTaps - 1]);
  for (int i = 0; i < kTaps; ++i) w_[static_cast<std::size_t>(i)] += step * g_[static_cast<std::size_t>(i)];
}

void M110Equalizer::shift_feed_forward(int taps) {
  if (taps > 0) {
    for (int i = 0; i < kFeedForward; ++i)
      w_[static_cast<std::size_t>(i)] = i + taps < kFeedForward ? w_[static_cast<std::size_t>(i + taps)] : M110Complex(0, 0);
  } else if (taps < 0) {
    for (int i = kFeedForward - 1; i >= 0; --i)
      w_[static_cast<std::size_t>(i)] = i + taps >= 0 ? w_[static_cast<std::size_t>(i + taps)] : M110Complex(0, 0);
  }
}

}  // namespace vesk
