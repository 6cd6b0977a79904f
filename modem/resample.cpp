#include "modem/resample.h"

#include <algorithm>
#include <cmath>

#include "modem/resample_taps.h"
#include "platform/station.h"
#include "platform/wav.h"

namespace vesk {

namespace {

static_assert(kDecimate8kTaps.size() <= kDecimateHistory && kDecimate9600Taps.size() <= kDecimateHistory);
static_assert(kInterpolateTaps.size() <= kInterpolateHistory);

constexpr float kInterpolateScale = 0.75f;

template <std::size_t N>
float fir(const std::array<float, N>& taps, const float* newest) {
  // taps are symmetric, so the order of the window does not matter.
  const float* x = newest - (N - 1);
  float acc = 0.0f;
  for (std::size_t k = 0; k < N; ++k) acc += taps[k] * x[k];
  return acc;
}

int16_t to_pcm16(float v) {
  const float r = std::nearbyint(v);
  if (r > 32767.0f) return 32767;
  if (r < -32768.0f) return -32768;
  return static_cast<int16_t>(r);
}

}  // namespace

ResampleState& resample_state() { return station().state<ResampleState>(); }

void snd_decimate(DecimatorState& st, const int16_t* src, int count, int16_t* dst8k, int* count8k,
                  int16_t* dst9600, int* count9600) {
  int n8 = 0, n96 = 0;
  // Silence after a whole history of silence filters to silence: only the positions move
  // on (an idle receiver spends most of its time here).
  if (st.zero_run >= kDecimateHistory && std::all_of(src, src + count, [](int16_t v) { return v == 0; })) {
    for (int i = 0; i < count; ++i) {
      if (st.phase8k == 0 && dst8k != nullptr) dst8k[n8++] = 0;
      if (st.phase9600 == 0 && dst9600 != nullptr) dst9600[n96++] = 0;
      if (++st.phase8k == 6) st.phase8k = 0;
      if (++st.phase9600 == 5) st.phase9600 = 0;
    }
    st.pos = (st.pos + count) & (kDecimateHistory - 1);
    if (count8k != nullptr) *count8k = n8;
    if (count9600 != nullptr) *count9600 = n96;
    return;
  }
  float* line = st.line.data();
  for (int i = 0; i < count; ++i) {
    const float v = src[i];
    line[st.pos] = v;
    line[st.pos + kDecimateHistory] = v;
    const float* newest = line + st.pos + kDecimateHistory;
    st.pos = (st.pos + 1) & (kDecimateHistory - 1);
    if (st.phase8k == 0 && dst8k != nullptr) dst8k[n8++] = to_pcm16(fir(kDecimate8kTaps, newest));
    if (st.phase9600 == 0 && dst9600 != nullptr) dst9600[n96++] = to_pcm16(fir(kDecimate9600Taps, newest));
    if (++st.phase8k == 6) st.phase8k = 0;
    if (++st.phase9600 == 5) st.phase9600 = 0;
  }
  int trailing = 0;
  while (trailing < count && trailing < kDecimateHistory && src[count - 1 - trailing] == 0) ++trailing;
  st.zero_run = trailing == count ? std::min(st.zero_run + count, kDecimateHistory) : trailing;
  if (count8k != nullptr) *count8k = n8;
  if (count9600 != nullptr) *count9600 = n96;
}

void snd_decimate(const int16_t* src, int count, int16_t* dst8k, int* count8k, int16_t* dst9600,
                  int* count9600) {
  snd_decimate(resample_state().decimator, src, count, dst8k, count8k, dst9600, count9600);
}

void snd_interpolate_by5(InterpolatorState& st, const float* src, float* dst, int count) {
  float* line = st.line.data();
  for (int i = 0; i < count; ++i) {
    for (int r = 0; r < 5; ++r) {
      line[st.pos] = src[i];
      line[st.pos + kInterpolateHistory] = src[i];
      const float* newest = line + st.pos + kInterpolateHistory;
      st.pos = (st.pos + 1) & (kInterpolateHistory - 1);
      *dst++ = fir(kInterpolateTaps, newest) * kInterpolateScale;
    }
  }
}

void snd_interpolate_by5(const float* src, float* dst, int count) {
  snd_interpolate_by5(resample_state().interpolator, src, dst, count);
}

int snd_convert_to_48k_mono(const int16_t* src, int64_t frames, int channels, int rate, std::vector<int16_t>& out) {
  out.clear();
  if (channels <= 0 || rate < kWavMinRate || rate > kWavMaxRate || frames < 0) return 0;
  std::vector<float> mono(static_cast<std::size_t>(frames));
  for (int64_t i = 0; i < frames; ++i) {
    int32_t sum = 0;
    for (int c = 0; c < channels; ++c) sum += src[i * channels + c];
    mono[static_cast<std::size_t>(i)] = static_cast<float>(sum) / static_cast<float>(channels);
  }
  if (rate == 48000) {
    out.reserve(mono.size());
    for (float v : mono) out.push_back(to_pcm16(v));
    return 1;
  }
  if (frames == 0) return 1;
  const int64_t n = frames * 48000 / rate;
  out.reserve(static_cast<std::size_t>(n));
  for (int64_t j = 0; j < n; ++j) {
    // Position of output sample j on the input's time axis, as a whole part and a fraction.
    const int64_t num = j * rate;
    const int64_t i = num / 48000;
    const float frac = static_cast<float>(num % 48000) / 48000.0f;
    const float a = mono[static_cast<std::size_t>(i)];
    const float b = i + 1 < frames ? mono[static_cast<std::size_t>(i + 1)] : a;
    out.push_back(to_pcm16(a + (b - a) * frac));
  }
  return 1;
}

}  // namespace vesk

