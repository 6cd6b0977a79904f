#include "ale/link/vad.h"

#include <algorithm>
#include <cmath>

#include "ale/engine/api_event.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "platform/station.h"

namespace vesk {

VadState& vad_state() { return station().state<VadState>(); }

namespace {

inline double section(VadDetector& d, int k, double x) {
  const VadSection& c = kVadSections[k];
  const double w = x - c.a1 * d.s1[k] - c.a2 * d.s2[k];
  const double y = c.b0 * w + c.b1 * d.s1[k] + c.b2 * d.s2[k];
  d.s2[k] = d.s1[k];
  d.s1[k] = w;
  return y;
}

}  // namespace

void vad_reset(VadDetector& d) {
  for (int k = 0; k < 3; ++k) d.s1[k] = d.s2[k] = 0.0;
  d.hits = 0;
  d.blocks = 0;
}

bool vad_process_block(VadDetector& d, float* samples, int count) {
  double peak = 0.0;
  for (int i = 0; i < count; ++i) {
    const float x = samples[i];
    double v = x > 0.0f ? 1.0 : (x < 0.0f ? -1.0 : 0.0);
    v = section(d, 0, v);
    v = section(d, 1, v);
    v = section(d, 2, std::fabs(v));
    peak = std::max(peak, std::fabs(v));
    samples[i] = static_cast<float>(v);
  }
  // Every block advances the window; hits count only inside it.
  ++d.blocks;
  if (peak > kVadPeakThreshold) ++d.hits;
  if (d.blocks > kVadWindowBlocks) {
    d.blocks = 0;
    d.hits = 0;
  }
  if (d.hits > kVadHitsNeeded) {
    vad_reset(d);
    return true;
  }
  return false;
}

void ale_vad_block(const float* samples, int count) {
  if (!db_get_voice_detect()) return;
  VadState& s = vad_state();
  if (s.reset_requested.exchange(false)) vad_reset(s.detector);
  float block[kVadBlockSamples + 8];
  const int n = std::clamp(count, 0, static_cast<int>(std::size(block)));
  std::copy_n(samples, n, block);
  if (!vad_process_block(s.detector, block, n)) return;
  s.detections++;
  if (ApiEvent* e = api_alloc(0)) {
    e->kind = API_VOICE_DETECTED;
    api_post(e);
  }
}

void ale_vad_reset() { vad_state().reset_requested = true; }

}  // namespace vesk
