// Soft-decision Viterbi decoder of the serial-tone modem's K=7 rate-1/2 code.
#include "modem/serial_tone/m110_fec.h"

namespace vesk {

namespace {

// Expected pair (c1 << 1 | c2) of the transition into new state s from predecessor p.
struct Branches {
  uint8_t out[64][2];
};
const Branches& branches() {
  static const Branches b = [] {
    Branches t{};
    for (int s = 0; s < 64; ++s) {
      const int bit = (s >> 5) & 1;
      for (int k = 0; k < 2; ++k) {
        const int p = 2 * (s % 32) + k;
        t.out[s][k] = static_cast<uint8_t>(m110_coder_output(bit << 6 | p));
      }
    }
    return t;
  }();
  return b;
}

}  // namespace

M110Viterbi::M110Viterbi() { reset(); }

void M110Viterbi::reset() {
  metric_.fill(0);
  metric_[0] = 0.1f;
  for (auto& row : survivor_) row.fill(0);
}

int M110Viterbi::step(float a, float b) {
  const float a0 = a >= 0 ? a : 0, a1 = a < 0 ? -a : 0;
  const float b0 = b >= 0 ? b : 0, b1 = b < 0 ? -b : 0;
  const float value[4] = {a0 + b0, a0 + b1, a1 + b0, a1 + b1};  // by pair c1 << 1 | c2
  const Branches& br = branches();
  std::array<float, 64> next{};
  int best = 0;
  float best_metric = 0;
  for (int s = 0; s < 64; ++s) {
    const int p = 2 * (s % 32);
    const float m0 = 0.999f * metric_[p] + 0.001f * value[br.out[s][0]];
    const float m1 = 0.999f * metric_[p + 1] + 0.001f * value[br.out[s][1]];
    // On equality the odd predecessor wins.
    const bool odd = m1 >= m0;
    next[s] = odd ? m1 : m0;
    survivor_[s][time_] = static_cast<uint8_t>(odd ? p + 1 : p);
    if (next[s] > best_metric) {
      best_metric = next[s];
      best = s;
    }
  }
  metric_ = next;
  int state = best, t = time_;
  for (int i = 0; i < kDelay; ++i) {
    state = survivor_[state][t];
    t = t == 0 ? kDepth - 1 : t - 1;
  }
  time_ = (time_ + 1) % kDepth;
  return (state >> 5) & 1;
}

}  // namespace vesk
