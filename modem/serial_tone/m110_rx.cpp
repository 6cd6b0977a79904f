// Serial-tone receiver.
#include "modem/serial_tone/m110_rx.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vesk {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kBranchStep = kPi / 48;  // 50 Hz at 4,800 samples per second
constexpr int kFirstPosition = 16;
constexpr int kPositions = 960;

constexpr float kLowpass[19] = {0.001572f, 0.004287f, 0.00474f,  -0.006294f, -0.028729f, -0.03488f, 0.015939f,
                                0.131216f, 0.257323f, 0.3125f,   0.257323f,  0.131216f,  0.015939f, -0.03488f,
                                -0.028729f, -0.006294f, 0.00474f, 0.004287f, 0.001572f};

struct References {
  std::array<M110Complex, 288> sync;
  std::array<std::array<M110Complex, 64>, kM110ModeCount> mode;
  std::array<std::array<M110Complex, 96>, 24> count;
  std::array<M110Complex, 32> zero;
  std::array<std::array<M110Complex, 32>, 4> walsh_normal, walsh_exceptional;
  std::array<M110Complex, 1920> raise;  // e^(+j n pi/48)
};

void put_symbol(M110Complex* out, int s) {
  const auto t = m110_preamble_symbol_tribits(s);
  for (int j = 0; j < 32; ++j) out[j] = kM110Constellation[t[static_cast<std::size_t>(j)]];
}

const References& refs() {
  static const References r = [] {
    References t{};
    for (int i = 0; i < 9; ++i) put_symbol(&t.sync[static_cast<std::size_t>(32 * i)], kM110SyncSymbols[i]);
    for (int m = 0; m < kM110ModeCount; ++m) {
      put_symbol(&t.mode[static_cast<std::size_t>(m)][0], m110_mode_info(m).d1);
      put_symbol(&t.mode[static_cast<std::size_t>(m)][32], m110_mode_info(m).d2);
    }
    for (int c = 0; c < 24; ++c) {
      const auto s = m110_count_symbols(c);
      for (int i = 0; i < 3; ++i) put_symbol(&t.count[static_cast<std::size_t>(c)][static_cast<std::size_t>(32 * i)], s[static_cast<std::size_t>(i)]);
    }
    put_symbol(t.zero.data(), 0);
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 32; ++k) {
        t.walsh_normal[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] = kM110Constellation[kM110WalshNormal[r][k % 8]];
        t.walsh_exceptional[static_cast<std::size_t>(r)][static_cast<std::size_t>(k)] = kM110Constellation[kM110WalshExceptional[r][k % 8]];
      }
    for (int n = 0; n < 1920; ++n) t.raise[static_cast<std::size_t>(n)] = std::polar(1.0f, static_cast<float>(std::fmod(n * static_cast<double>(M_PI) / 48, 2 * M_PI)));
    return t;
  }();
  return r;
}

// |sum over k < n of x[2k] conj(r[k])|^2.
float corr(const M110Complex* x, const M110Complex* r, int n) {
  float re = 0, im = 0;
  for (int k = 0; k < n; ++k) {
    const M110Complex a = x[2 * k], b = r[k];
    re += a.real() * b.real() + a.imag() * b.imag();
    im += a.imag() * b.real() - a.real() * b.imag();
  }
  return re * re + im * im;
}

// Demapping: the candidates of each kind and the bits of each tribit (first bit first).
struct Demap {
  int count;
  int tribits[8];
  int bits;
};
constexpr Demap kBpsk = {2, {0, 4}, 1};
constexpr Demap kQpsk = {4, {0, 2, 4, 6}, 2};
constexpr Demap kPsk8 = {8, {0, 1, 2, 3, 4, 5, 6, 7}, 3};
// Bits of a tribit per kind, most significant first (the inverses of the transmit maps).
int bits_of(M110Symbols kind, bool uncoded, int tribit) {
  switch (kind) {
    case M110Symbols::Bpsk: return tribit == 4 ? 1 : 0;
    case M110Symbols::Qpsk: return tribit == 0 ? 0 : tribit == 2 ? 1 : tribit == 4 ? 3 : 2;
    default: {
      static const int k8[8] = {0, 1, 3, 2, 6, 7, 5, 4};
      static const int k4800[8] = {1, 0, 2, 3, 7, 6, 4, 5};
      return uncoded ? k4800[tribit] : k8[tribit];
    }
  }
}

// Level average per sample (about 50 ms), the equaliser's growth constant (forgetting over
// about 125 symbols) while it trains on the preamble, and the phase loop's two gains.
constexpr double kLevelAverage = 0.002;
constexpr float kGrowth = 0.008f;
// In the data the forgetting follows the channel: over about 670 symbols on a steady channel
// (less misadjustment noise), over about 100 (8-PSK) or 125 (the modes heard at lower SNRs,
// where the errors are noisier) where the level fades, fast enough for 1 Hz fading; in between
// for a level spread of 0.8 to 1.4 dB. The noise power behind the soft decisions is averaged
// over about 100 and 33 symbols likewise, and the phase loop's gains double where it fades.
constexpr float kGrowthSteady = 0.0015f, kGrowthFading8Psk = 0.010f, kGrowthFading = 0.008f;
constexpr float kNoiseSteady = 0.01f, kNoiseFading = 0.03f;
constexpr float kSpreadSteady = 0.8f, kSpreadFading = 1.4f;
// The timing tracker moves the sample pointer when the symbols sit more than this many
// samples off: 0.6 on a steady channel; where the level fades the probes' power profile
// follows whichever path is the stronger, and each move costs the equaliser a transient, so
// only a drift of 3 samples (inside the feed-forward span) is followed there.
constexpr float kTimingMoveSteady = 0.6f, kTimingMoveFading = 3.0f;
constexpr float kLoopPhaseGain = 0.02f;
constexpr float kLoopFreqGain = 0.00005f;
constexpr float kLoopPhaseGainFading = 0.04f;
constexpr float kLoopFreqGainFading = 0.0001f;
constexpr float kLoopFreqMax = 2 * kPi * 3 / kM110SymbolRate;

float default_step() { return static_cast<float>(2.0 * M_PI * 1800.0 / kM110SampleRate); }

}  // namespace

M110Receiver::M110Receiver(M110RxConfig config) : config_(std::move(config)) {
  refs();
  m110_scrambler_points();
  set_rx_mode(0);
}

void M110Receiver::rx_samples(const float* samples, int count) {
  for (int i = 0; i < count; ++i) {
    // A sample that is no number would stay in the level average for good.
    gather_[static_cast<std::size_t>(gathered_++)] = std::isfinite(samples[i]) ? samples[i] : 0.0f;
    if (gathered_ == kBlock) {
      gathered_ = 0;
      block();
    }
  }
}

void M110Receiver::rx_samples16(const int16_t* samples, int count) {
  float buf[256];
  while (count > 0) {
    const int n = std::min(count, 256);
    for (int i = 0; i < n; ++i) {
      const int s = samples[i];
      buf[i] = (s >= 0 ? s : s + 1) / 32768.0f;
    }
    rx_samples(buf, n);
    samples += n;
    count -= n;
  }
}

void M110Receiver::reset() { reset_request_.store(true); }

void M110Receiver::do_reset() {
  report(M110Status::RxEnd);
  state_ = State::Search;
  viterbi_.reset();
  prev_mode_ = -1;
  prev_count_ = -1;
  ended_in_block_ = true;
}

void M110Receiver::block() {
  ended_in_block_ = false;
  if (reset_request_.exchange(false)) do_reset();
  ended_in_block_ = false;
  if (!enabled_.load()) return;

  // Mix down and level.
  const float step = config_.carrier_step ? config_.carrier_step() : default_step();
  std::copy(mixed_.begin() + kBlock, mixed_.end(), mixed_.begin());
  for (int n = 0; n < kBlock; ++n) {
    const float x = gather_[static_cast<std::size_t>(n)];
    const M110Complex c(x * std::cos(mixer_phase_), -x * std::sin(mixer_phase_));
    mixer_phase_ += step;
    if (mixer_phase_ >= kTwoPi) mixer_phase_ -= kTwoPi;
    level_ = kLevelAverage * std::norm(c) + (1 - kLevelAverage) * level_;
    // Digital silence would take the average to 0 (and the samples to 0 / 0).
    if (level_ < 1e-20) level_ = 1e-20;
    mixed_[static_cast<std::size_t>(kBlock + n)] = c / static_cast<float>(std::sqrt(level_));
  }
  // Filter and halve the rate into the newest third of the window.
  std::copy(window_.begin() + 960, window_.end(), window_.begin());
  for (int m = 0; m < 960; ++m) {
    M110Complex acc(0, 0);
    for (int k = 0; k < 19; ++k) acc += mixed_[static_cast<std::size_t>(2 * m + k)] * kLowpass[k];
    window_[static_cast<std::size_t>(1920 + m)] = acc;
  }

  switch (state_) {
    case State::Search: {
      freq_estimate_ = 0;
      expected_count_ = -1;
      const Found f = find_preamble();
      if (!f.found) return;
      const bool agree = f.mode == prev_mode_ && f.count == prev_count_ - 1;
      prev_mode_ = f.mode;
      prev_count_ = f.count;
      if (!agree) return;
      freq_estimate_ = f.frequency;
      freq_weighted_ = f.peak * f.frequency;
      freq_weight_ = f.peak;
      expected_count_ = f.count;
      for (int i = 0; i < kPositions; ++i)
        metric_sum_[static_cast<std::size_t>(i)] = metric_now_[static_cast<std::size_t>(f.branch)][static_cast<std::size_t>(i)] +
                                                   metric_prev_[static_cast<std::size_t>(f.branch)][static_cast<std::size_t>(i)];
      set_rx_mode(f.mode);
      ++stats_.receptions;
      stats_.freq_offset_hz = -freq_estimate_ * 2400 / kPi;
      report(M110Status::FreqOffset, stats_.freq_offset_hz);
      report(M110Status::RxMode);
      mismatches_ = 0;
      state_ = State::Preamble;
      // Two segments that agree on count 0: the data follow this segment.
      if (f.count == 0) start_data();
      return;
    }
    case State::Preamble: {
      --expected_count_;
      const Found f = find_preamble();
      if (!f.found) {
        mismatches_ += 2;
      } else {
        const int d = (f.mode != prev_mode_ ? 1 : 0) + (f.count != expected_count_ ? 1 : 0);
        mismatches_ = d == 0 ? 0 : mismatches_ + d;
      }
      if (mismatches_ > 4) {
        report(M110Status::RxEnd);
        state_ = State::Search;
        prev_mode_ = -1;
        prev_count_ = -1;
        return;
      }
      if (f.found && f.mode == prev_mode_ && f.count == expected_count_) {
        // Every segment that agrees adds its estimate, weighted by its sync energy.
        freq_weighted_ += f.peak * f.frequency;
        freq_weight_ += f.peak;
        freq_estimate_ = freq_weighted_ / freq_weight_;
        for (int i = 0; i < kPositions; ++i)
          metric_sum_[static_cast<std::size_t>(i)] += metric_now_[static_cast<std::size_t>(f.branch)][static_cast<std::size_t>(i)];
      }
      // The count-down of two agreeing segments decides when the data start; a count read
      // alone may be wrong at a low SNR (counted as a mismatch above).
      if (expected_count_ <= 0) start_data();
      return;
    }
    case State::Data:
      follow_fading();
      correct_frequency(1920, 960);
      demod_block();
      return;
  }
}

M110Receiver::Found M110Receiver::find_preamble() {
  const References& r = refs();
  float largest[3] = {0, 0, 0}, smallest[3] = {100000, 100000, 100000};
  int where[3] = {0, 0, 0};
  std::swap(metric_prev_, metric_now_);
  for (int b = 0; b < 3; ++b) {
    const M110Complex* z = window_.data();
    if (b > 0) {
      for (int n = 0; n < 1920; ++n) {
        const M110Complex rot = b == 1 ? r.raise[static_cast<std::size_t>(n)] : std::conj(r.raise[static_cast<std::size_t>(n)]);
        rotated_[static_cast<std::size_t>(n)] = window_[static_cast<std::size_t>(n)] * rot;
      }
      z = rotated_.data();
    }
    for (int i = 0; i < kPositions; ++i) {
      const int p = kFirstPosition + i;
      float metric = 0;
      for (int s = 0; s < 9; ++s) metric += corr(z + p + 64 * s, &r.sync[static_cast<std::size_t>(32 * s)], 32);
      const float total = metric + metric_prev_[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)];
      metric_now_[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)] = metric;
      if (total > largest[b]) {
        largest[b] = total;
        where[b] = p;
      }
      if (total < smallest[b]) smallest[b] = total;
    }
  }
  int b = 2;
  if (largest[0] > largest[1] && largest[0] > largest[2]) b = 0;
  else if (largest[1] > largest[0] && largest[1] > largest[2]) b = 1;
  last_branch_ = b;
  Found f;
  f.branch = b;
  f.peak = largest[b];
  f.position = where[b];
  if (!(f.peak > 10 * smallest[b])) return Found{};
  f.frequency = sync_frequency(f.position, b);
  M110Complex seg[320];
  for (int n = 0; n < 320; ++n)
    seg[n] = window_[static_cast<std::size_t>(f.position + 576 + n)] * std::polar(1.0f, n * f.frequency);
  float best = 0;
  for (int m = 0; m < kM110ModeCount; ++m) {
    const float v = corr(seg, r.mode[static_cast<std::size_t>(m)].data(), 64);
    if (v > best) {
      best = v;
      f.mode = m;
    }
  }
  best = 0;
  for (int c = 0; c < 24; ++c) {
    const float v = corr(seg + 128, r.count[static_cast<std::size_t>(c)].data(), 96);
    if (v > best) {
      best = v;
      f.count = c;
    }
  }
  if (f.count > 2 && !m110_mode_info(f.mode).is_long()) return Found{};
  f.found = true;
  return f;
}

// Fine frequency of a sync found at `position` in branch `branch`: first the phase turned over
// one 32-symbol preamble symbol (unambiguous over +-37 Hz, but off by several hertz at a low
// SNR), then the peak of the spectrum of all 288 known sync symbols within 12 Hz of that, found
// on a half-hertz grid and placed on a parabola (within half a hertz at -5 dB). Returns
// radians per sample at 4,800 Hz, the turn that takes the offset out.
float M110Receiver::sync_frequency(int position, int branch) const {
  const References& r = refs();
  const M110Complex* z = window_.data() + position;
  std::array<M110Complex, 288> u;
  for (int k = 0; k < 288; ++k) {
    M110Complex v = z[2 * k];
    if (branch > 0) {
      const M110Complex rot = r.raise[static_cast<std::size_t>(position + 2 * k)];
      v *= branch == 1 ? rot : std::conj(rot);
    }
    u[static_cast<std::size_t>(k)] = v * std::conj(r.sync[static_cast<std::size_t>(k)]);
  }
  M110Complex s(0, 0);
  for (int k = 0; k < 256; ++k) s += u[static_cast<std::size_t>(k)] * std::conj(u[static_cast<std::size_t>(k + 32)]);
  const float coarse = std::atan2(s.imag(), s.real()) / 64;
  constexpr int kSteps = 24;
  constexpr float kStep = kPi / 4800;  // half a hertz, in radians per sample at 4,800 Hz
  std::array<float, 2 * kSteps + 1> power{};
  for (int g = -kSteps; g <= kSteps; ++g) {
    const M110Complex turn = std::polar(1.0f, 2 * (coarse + static_cast<float>(g) * kStep));
    M110Complex acc(0, 0), rot(1, 0);
    for (int k = 0; k < 288; ++k) {
      acc += u[static_cast<std::size_t>(k)] * rot;
      rot *= turn;
    }
    power[static_cast<std::size_t>(g + kSteps)] = std::norm(acc);
  }
  const int peak = static_cast<int>(std::max_element(power.begin(), power.end()) - power.begin());
  float offset = 0;
  if (peak > 0 && peak < 2 * kSteps) {
    const float e = power[static_cast<std::size_t>(peak - 1)], o = power[static_cast<std::size_t>(peak)],
                l = power[static_cast<std::size_t>(peak + 1)];
    const float curve = e - 2 * o + l;
    if (curve < 0) offset = 0.5f * (e - l) / curve;
  }
  return coarse + (static_cast<float>(peak - kSteps) + offset) * kStep + (branch == 1 ? kBranchStep : branch == 2 ? -kBranchStep : 0);
}

// Where the equaliser is centred: on the middle of the channel's paths, the centre of the sync
// energy summed over the preamble's segments within 12 samples (2.5 ms) of its peak. Centred on
// one of two equal paths 2 ms apart instead, 2400L on the CCIR poor channel at 17 dB read
// 1.1e-3 where it reads 1.7e-5 centred.
int M110Receiver::channel_centre() const {
  const int peak = static_cast<int>(std::max_element(metric_sum_.begin(), metric_sum_.end()) - metric_sum_.begin());
  const float floor = 0.2f * metric_sum_[static_cast<std::size_t>(peak)];
  double weight = 0, moment = 0;
  for (int i = std::max(0, peak - 12); i <= std::min(kPositions - 1, peak + 12); ++i) {
    const float above = metric_sum_[static_cast<std::size_t>(i)] - floor;
    if (above <= 0) continue;
    weight += above;
    moment += above * i;
  }
  const int centre = weight > 0 ? static_cast<int>(std::lround(moment / weight)) : peak;
  return kFirstPosition + centre;
}

void M110Receiver::set_rx_mode(int mode) {
  rx_mode_ = mode;
  info_ = &m110_mode_info(mode);
  for (auto& d : deinterleaver_) d.set(mode, M110Interleaver<float>::Side::Receive);
  viterbi_.reset();
  scrambler_pos_ = 0;
  skip_ = info_->expansion == 1 ? 0 : M110Viterbi::kDelay;
  bit_count_ = 0;
  byte_ = 0;
  held_ = 0;
  held_bits_ = 0;
  probe_per_frame_ = info_->probe_per_frame;
  if (probe_per_frame_ > 0) {
    const auto d1 = m110_probe_tribits(info_->d1), d2 = m110_probe_tribits(info_->d2);
    for (int k = 0; k < 20; ++k) {
      probes_[static_cast<std::size_t>(k)] = kM110Constellation[d1[static_cast<std::size_t>(k)]];
      probes_[static_cast<std::size_t>(20 + k)] = kM110Constellation[d2[static_cast<std::size_t>(k)]];
    }
  }
}

void M110Receiver::start_data() {
  data_start_ = channel_centre() - 16;
  loop_phase_ = 0;
  loop_freq_ = 0;
  phase_gain_ = kLoopPhaseGain;
  freq_gain_ = kLoopFreqGain;
  turn_ = M110Complex(1, 0);
  eq_.start(kGrowth);
  fade_mean_ = 0;
  fade_square_ = 0;
  fade_pieces_ = 0;
  fade_x_ = 0;
  // The block just gathered carries the preamble: the first data take its spread.
  add_fade_pieces();
  fade_spread_ = std::sqrt(std::max(0.0f, fade_square_ - fade_mean_ * fade_mean_));
  correct_frequency(0, kWindow);
  if (info_->symbols == M110Symbols::Walsh) {
    for (int i = 0; i < 32; ++i) {
      const int idx = data_start_ + i - kFirstPosition;
      timing_weights_[static_cast<std::size_t>(i)] =
          idx >= 0 && idx < kPositions ? metric_prev_[static_cast<std::size_t>(last_branch_)][static_cast<std::size_t>(idx)] +
                                             metric_now_[static_cast<std::size_t>(last_branch_)][static_cast<std::size_t>(idx)]
                                       : 0;
    }
  } else {
    train_preamble(data_start_);
  }
  frame_counter_ = 0;
  probe_hits_.fill(0);
  probe_count_.fill(0);
  probe_window_ = std::max(kProbeWindowMin, info_->chunks_per_block());
  probe_chunk_ = 0;
  probe_chunks_seen_ = 0;
  flat_blocks_ = 0;
  timing_power_.fill(0);
  timing_smooth_.fill(0);
  timing_blocks_ = 0;
  ++stats_.data_starts;
  stats_.freq_offset_hz = -freq_estimate_ * 2400 / kPi;
  report(M110Status::FreqOffset, stats_.freq_offset_hz);
  state_ = State::Data;
}

// Adds the 20 ms pieces of the block just gathered to the level spread.
void M110Receiver::add_fade_pieces() {
  constexpr int kPiece = 96;
  for (int k = 0; k < kBlock / kPiece; ++k) {
    double p = 0;
    for (int n = kPiece * k; n < kPiece * (k + 1); ++n)
      p += static_cast<double>(gather_[static_cast<std::size_t>(n)]) * gather_[static_cast<std::size_t>(n)];
    const float db = static_cast<float>(10 * std::log10(p / kPiece + 1e-20));
    // A plain mean over the first 2 s, then an exponential one over about as long.
    const float a = fade_pieces_ < 100 ? 1.0f / static_cast<float>(++fade_pieces_) : 0.01f;
    fade_mean_ += a * (db - fade_mean_);
    fade_square_ += a * (db * db - fade_square_);
  }
}

// The received level's spread over 20 ms pieces of the block sets the equaliser's tracking and
// the phase loop's gains.
void M110Receiver::follow_fading() {
  add_fade_pieces();
  // The symbols demodulated now were heard about a block ago: they take the spread as it was
  // then, so that the end of a signal does not count as a fade under its last symbols.
  const float spread = fade_spread_;
  fade_spread_ = std::sqrt(std::max(0.0f, fade_square_ - fade_mean_ * fade_mean_));
  const float x = std::clamp((spread - kSpreadSteady) / (kSpreadFading - kSpreadSteady), 0.0f, 1.0f);
  const float fading = info_->symbols == M110Symbols::Psk8 ? kGrowthFading8Psk : kGrowthFading;
  fade_x_ = x;
  phase_gain_ = kLoopPhaseGain + x * (kLoopPhaseGainFading - kLoopPhaseGain);
  freq_gain_ = kLoopFreqGain + x * (kLoopFreqGainFading - kLoopFreqGain);
  eq_.set_tracking(kGrowthSteady + x * (fading - kGrowthSteady), kNoiseSteady + x * (kNoiseFading - kNoiseSteady));
}

void M110Receiver::correct_frequency(int from, int count) {
  for (int n = from; n < from + count; ++n) {
    window_[static_cast<std::size_t>(n)] *= std::polar(1.0f, -correction_phase_);
    correction_phase_ -= freq_estimate_;
    if (correction_phase_ > kTwoPi) correction_phase_ -= kTwoPi;
    if (correction_phase_ < -kTwoPi) correction_phase_ += kTwoPi;
  }
}

void M110Receiver::train_preamble(int pointer) {
  const References& r = refs();
  auto train = [&](const M110Complex* points, int n) {
    for (int k = 0; k < n; ++k, pointer += 2) eq_.train(&window_[static_cast<std::size_t>(pointer)], points[k]);
  };
  train(r.sync.data(), 288);
  train(r.mode[static_cast<std::size_t>(rx_mode_)].data(), 64);
  train(r.count[0].data(), 96);
  train(r.zero.data(), 32);
}

void M110Receiver::demod_block() {
  // The timing tracker may have moved the chunk to the edge of the window: a chunk starting
  // past the window's room waits for the next block; one about to fall off the front is
  // taken now, together with the one after it.
  if (data_start_ + 2 * kM110ChunkSymbols + M110Equalizer::kFeedForward > kWindow) {
    data_start_ -= 960;
    return;
  }
  if (info_->symbols == M110Symbols::Walsh) demod_walsh_block(); else demod_psk_block();
  if (ended_in_block_) return;
  // A full interleaver block is decoded at once, so the last block of a message is read as
  // soon as it has been heard.
  if (info_->expansion != 1 && deinterleaver_[0].full()) {
    decode_block();
    if (ended_in_block_) return;
  }
  if (probe_per_frame_ > 0 && probes_lost()) {
    do_reset();
    return;
  }
  if (info_->symbols == M110Symbols::Walsh) {
    // At 75 bit/s the timing weights flatten when the signal has gone; as with the probes,
    // a reception without its end-of-message pattern ends after three seconds of that.
    const auto [lo, hi] = std::minmax_element(timing_weights_.begin(), timing_weights_.end());
    flat_blocks_ = *hi < 2 * *lo || *hi <= 0 ? flat_blocks_ + 1 : 0;
    if (flat_blocks_ >= kProbeWindowMin) {
      do_reset();
      return;
    }
  }
  if (config_.track_timing) track_timing();
  if (data_start_ < 4) {
    data_start_ += 960;
    demod_block();
  }
}

// Modes 2-13 end a reception without its end-of-message pattern when, over the last three
// seconds (or the last interleaver block, when that is longer), fewer than a third of the probe
// symbols came out of the equaliser within 45 degrees of their known points: noise alone gives
// a quarter, a signal that still decodes clearly more. Three seconds outlast the fades of slow
// fading channels, so a reception is not cut inside one while the signal is still there.
bool M110Receiver::probes_lost() {
  ++probe_chunks_seen_;
  probe_chunk_ = (probe_chunk_ + 1) % probe_window_;
  int hits = 0, count = 0;
  for (int i = 0; i < probe_window_; ++i) {
    hits += probe_hits_[static_cast<std::size_t>(i)];
    count += probe_count_[static_cast<std::size_t>(i)];
  }
  probe_hits_[static_cast<std::size_t>(probe_chunk_)] = 0;
  probe_count_[static_cast<std::size_t>(probe_chunk_)] = 0;
  return probe_chunks_seen_ >= probe_window_ && 3 * hits < count;
}

void M110Receiver::demod_psk_block() {
  int pointer = data_start_;
  const int frames = kM110ChunkSymbols / (info_->data_per_frame + probe_per_frame_);
  const M110Complex zero_point = kM110Constellation[0];
  for (int f = 0; f < frames; ++f) {
    for (int d = 0; d < info_->data_per_frame; ++d, pointer += 2) {
      decide(pointer, deinterleaver_[0]);
      if (ended_in_block_) return;
    }
    ++frame_counter_;
    const M110Complex* probe = nullptr;
    if (frame_counter_ + 1 == info_->frames_per_block) {
      probe = &probes_[0];
    } else if (frame_counter_ == info_->frames_per_block) {
      probe = &probes_[20];
      frame_counter_ = 0;
    }
    int hits = 0;
    probe_corr_.fill(M110Complex(0, 0));
    for (int k = 0; k < probe_per_frame_; ++k, pointer += 2) train_probe(pointer, probe != nullptr ? probe[k] : zero_point, &hits);
    for (std::size_t t = 0; t < probe_corr_.size(); ++t) timing_power_[t] += std::norm(probe_corr_[t]);
    probe_hits_[static_cast<std::size_t>(probe_chunk_)] += hits;
    probe_count_[static_cast<std::size_t>(probe_chunk_)] += probe_per_frame_;
  }
  // The equaliser's factors carry on from block to block: restarting them gives the next
  // symbols steps of the full error and costs several decibels at 2400 bit/s.
}

void M110Receiver::decide(int pointer, M110Interleaver<float>& il) {
  const M110Complex s = m110_scrambler_points()[static_cast<std::size_t>(scrambler_pos_)];
  scrambler_pos_ = (scrambler_pos_ + 1) % kM110ScramblerLength;
  const M110Complex y = eq_.output(&window_[static_cast<std::size_t>(pointer)]);
  const M110Complex z = y * std::conj(turn_) * std::conj(s);
  const Demap& dm = info_->symbols == M110Symbols::Bpsk ? kBpsk : info_->symbols == M110Symbols::Qpsk ? kQpsk : kPsk8;
  int tribit = dm.tribits[0];
  float best = (z * std::conj(kM110Constellation[static_cast<std::size_t>(tribit)])).real();
  for (int i = 1; i < dm.count; ++i) {
    const float v = (z * std::conj(kM110Constellation[static_cast<std::size_t>(dm.tribits[i])])).real();
    if (v > best) {
      best = v;
      tribit = dm.tribits[i];
    }
  }
  const int bits = bits_of(info_->symbols, info_->expansion == 1, tribit);
  if (info_->expansion != 1) {
    // Max-log likelihood of each bit: the nearest point with the bit 1 against the nearest with
    // it 0, over the noise power of the equaliser's recent errors.
    const M110Complex u = z / M110Equalizer::kScale;
    const float inv = 1.0f / (eq_.noise_power() + 1e-6f);
    float near0[3] = {1e30f, 1e30f, 1e30f}, near1[3] = {1e30f, 1e30f, 1e30f};
    for (int i = 0; i < dm.count; ++i) {
      const int t = dm.tribits[i];
      const float d = std::norm(u - kM110Constellation[static_cast<std::size_t>(t)]);
      const int tb = bits_of(info_->symbols, false, t);
      for (int b = 0; b < dm.bits; ++b) {
        float& slot = ((tb >> (dm.bits - 1 - b)) & 1) ? near1[b] : near0[b];
        if (d < slot) slot = d;
      }
    }
    for (int b = 0; b < dm.bits; ++b) il.load((near1[b] - near0[b]) * inv);
  } else {
    for (int b = dm.bits - 1; b >= 0; --b) deliver((bits >> b) & 1);
  }
  const M110Complex reference = M110Equalizer::kScale * s * kM110Constellation[static_cast<std::size_t>(tribit)] * turn_;
  eq_.adapt(reference - y, reference);
  follow_phase(y * std::conj(reference));
}

// Second-order phase loop on the equaliser's output: the output is turned back by the loop's
// phase before each decision, and the equaliser is trained on references turned by it, so a
// carrier offset left after the preamble's estimate is followed by the loop, not by the weights.
void M110Receiver::follow_phase(M110Complex v) {
  if (std::norm(v) <= 0) return;
  const float err = std::arg(v);
  // Within 3 Hz of the preamble's estimate: in a fade the loop sees only noise and must not
  // wander off.
  loop_freq_ = std::clamp(loop_freq_ + freq_gain_ * err, -kLoopFreqMax, kLoopFreqMax);
  loop_phase_ += phase_gain_ * err + loop_freq_;
  if (loop_phase_ > kPi) loop_phase_ -= kTwoPi;
  if (loop_phase_ < -kPi) loop_phase_ += kTwoPi;
  turn_ = std::polar(1.0f, loop_phase_);
}

void M110Receiver::train_probe(int pointer, M110Complex point, int* hits) {
  const M110Complex s = m110_scrambler_points()[static_cast<std::size_t>(scrambler_pos_)];
  scrambler_pos_ = (scrambler_pos_ + 1) % kM110ScramblerLength;
  const M110Complex known = s * point;
  const M110Complex y = eq_.output(&window_[static_cast<std::size_t>(pointer)]);
  const M110Complex reference = M110Equalizer::kScale * known;
  const M110Complex turned = reference * turn_;
  eq_.adapt(turned - y, turned);
  const M110Complex v = y * std::conj(turned);
  follow_phase(v);
  if (v.real() > std::abs(v.imag())) ++*hits;
  // Timing: the received samples around the symbol against the known symbol.
  for (int t = -kTimingSpan; t <= kTimingSpan; ++t)
    probe_corr_[static_cast<std::size_t>(t + kTimingSpan)] += window_[static_cast<std::size_t>(pointer + 16 + t)] * std::conj(known);
}

void M110Receiver::demod_walsh_block() {
  const References& r = refs();
  const auto& scr = m110_scrambler_points();
  int pointer = data_start_;
  for (int seq = 0; seq < 15; ++seq, pointer += 64) {
    ++frame_counter_;
    const auto* set = &r.walsh_normal;
    if (frame_counter_ == info_->frames_per_block) {
      set = &r.walsh_exceptional;
      frame_counter_ = 0;
    }
    float v[4][32];
    float score[4] = {0, 0, 0, 0};
    for (int q = 0; q < 4; ++q) {
      M110Complex ref[32];
      for (int k = 0; k < 32; ++k)
        ref[k] = (*set)[static_cast<std::size_t>(q)][static_cast<std::size_t>(k)] * scr[static_cast<std::size_t>((scrambler_pos_ + k) % kM110ScramblerLength)];
      for (int i = 0; i < 32; ++i) {
        v[q][i] = corr(&window_[static_cast<std::size_t>(pointer + i)], ref, 32);
        score[q] += v[q][i] * timing_weights_[static_cast<std::size_t>(i)];
      }
    }
    int best = 0;
    for (int q = 1; q < 4; ++q)
      if (score[q] > score[best]) best = q;
    const float total = score[0] + score[1] + score[2] + score[3];
    for (int i = 0; i < 32; ++i)
      timing_weights_[static_cast<std::size_t>(i)] = 0.99f * timing_weights_[static_cast<std::size_t>(i)] + 0.01f * v[best][i];
    const float s = total > 0 ? std::sqrt(score[best] / total) : 0;
    static const int kSigns[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};  // dibits 00 01 10 11
    deinterleaver_[0].load(s * static_cast<float>(kSigns[best][0]));
    deinterleaver_[0].load(s * static_cast<float>(kSigns[best][1]));
    scrambler_pos_ = (scrambler_pos_ + 32) % kM110ScramblerLength;
  }
}

void M110Receiver::decode_block() {
  M110Interleaver<float>& il = deinterleaver_[0];
  const int n = info_->bits_per_block;
  for (int i = 0; i < n; ++i) {
    float a = 0, b = 0;
    for (int r = 0; r < info_->expansion / 2; ++r) {
      a += il.fetch();
      b += il.fetch();
    }
    deliver(viterbi_.step(a, b));
    if (ended_in_block_) return;
  }
}

// With the end-of-message pattern switched on, the last 32 decoded bits are held back until
// the next bit shows they are not the pattern, so no bit of the pattern reaches the bytes; the
// byte under way when it comes is completed with 1 bits (an idle line).
void M110Receiver::deliver(int bit) {
  if (skip_ > 0) {
    --skip_;
    return;
  }
  if (config_.end_on_eom) {
    const bool full = held_bits_ == 32;
    const int oldest = static_cast<int>(held_ >> 31);
    held_ = held_ << 1 | static_cast<uint32_t>(bit);
    if (!full) ++held_bits_;
    if (full) {
      put_bit(oldest);
      if (ended_in_block_) return;
    }
    if (held_bits_ == 32 && held_ == kM110EndOfMessage) {
      while (bit_count_ > 0 && !ended_in_block_) put_bit(1);
      if (!ended_in_block_) do_reset();
    }
    return;
  }
  put_bit(bit);
}

void M110Receiver::put_bit(int bit) {
  byte_ = byte_ << 1 | bit;
  if (++bit_count_ == 8) {
    const int value = byte_;
    byte_ = 0;
    bit_count_ = 0;
    ++stats_.bytes;
    if (config_.on_byte) config_.on_byte(value);
    if (reset_request_.exchange(false)) do_reset();
  }
}

// Keeps the symbol timing: at 75 bit/s the largest timing weight, at the other modes the
// probes' power half a symbol early, on time and late (smoothed over blocks, the peak placed on
// a parabola) tell where the symbols sit. When they have moved more than half a sample (a
// quarter symbol) the sample pointer follows by one sample, and the equaliser's feed-forward
// weights move back by one tap so that its output does not change.
void M110Receiver::track_timing() {
  int move = 0;
  if (info_->symbols == M110Symbols::Walsh) {
    const int peak = static_cast<int>(std::max_element(timing_weights_.begin(), timing_weights_.end()) - timing_weights_.begin());
    move = peak > 17 ? 1 : peak < 15 ? -1 : 0;
    if (move > 0) std::rotate(timing_weights_.begin(), timing_weights_.begin() + 1, timing_weights_.end());
    if (move < 0) std::rotate(timing_weights_.rbegin(), timing_weights_.rbegin() + 1, timing_weights_.rend());
  } else {
    for (std::size_t t = 0; t < timing_smooth_.size(); ++t) timing_smooth_[t] = 0.8f * timing_smooth_[t] + timing_power_[t];
    timing_power_.fill(0);
    if (++timing_blocks_ < 3) return;
    // The peak among the offsets, then a parabola through it and its neighbours.
    const int n = static_cast<int>(timing_smooth_.size());
    int peak = 1;
    for (int t = 2; t < n - 1; ++t)
      if (timing_smooth_[static_cast<std::size_t>(t)] > timing_smooth_[static_cast<std::size_t>(peak)]) peak = t;
    const float early = timing_smooth_[static_cast<std::size_t>(peak - 1)], on = timing_smooth_[static_cast<std::size_t>(peak)],
                late = timing_smooth_[static_cast<std::size_t>(peak + 1)];
    const float curve = early - 2 * on + late;
    if (!(curve < 0)) return;
    const float offset = static_cast<float>(peak - kTimingSpan) + 0.5f * (early - late) / curve;
    const float limit = kTimingMoveSteady + fade_x_ * (kTimingMoveFading - kTimingMoveSteady);
    move = offset > limit ? 1 : offset < -limit ? -1 : 0;
    if (move == 0) return;
    eq_.shift_feed_forward(move);
    // The smoothed powers move with the pointer; the new edge starts empty.
    if (move > 0) {
      std::rotate(timing_smooth_.begin(), timing_smooth_.begin() + 1, timing_smooth_.end());
      timing_smooth_.back() = 0;
    } else {
      std::rotate(timing_smooth_.rbegin(), timing_smooth_.rbegin() + 1, timing_smooth_.rend());
      timing_smooth_.front() = 0;
    }
    timing_blocks_ = 1;
  }
  if (move == 0) return;
  data_start_ += move;
  ++stats_.timing_moves;
}

}  // namespace vesk
