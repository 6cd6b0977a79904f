#include "sim/ether.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "platform/clock.h"

namespace vesk {

namespace {

constexpr std::size_t kMaxBacklogSamples = 60 * kAudioRate;

ChannelSimConfig path_config(FadingPreset fading, uint64_t seed) {
  ChannelSimConfig c;
  c.sample_rate = kAudioRate;
  c.noise = false;
  c.fading = fading;
  c.seed = seed;
  return c;
}

// Butterworth sections (high-pass 4th order at 300 Hz, low-pass 8th order at 3,300 Hz).
SimBiquad make_section(bool highpass, double fc, double q) {
  const double w = 2 * M_PI * fc / kAudioRate;
  const double alpha = std::sin(w) / (2 * q), c = std::cos(w);
  const double a0 = 1 + alpha;
  const double b1 = highpass ? -(1 + c) : 1 - c;
  const double b0 = highpass ? (1 + c) / 2 : (1 - c) / 2;
  return {b0 / a0, b1 / a0, b0 / a0, -2 * c / a0, (1 - alpha) / a0};
}

}  // namespace

SimEther::SimEther(SimEtherConfig config) : config_(std::move(config)) {
  band_ = {make_section(true, 300, 0.5412), make_section(true, 300, 1.3066),
           make_section(false, 3300, 0.5098), make_section(false, 3300, 0.6013),
           make_section(false, 3300, 0.9000), make_section(false, 3300, 2.5629)};
  // The noise gain from two seconds of the filtered noise (deterministic: a fixed seed).
  Node probe;
  probe.rng.seed(12345);
  probe.noise_state.assign(band_.size(), {0, 0});
  double power = 0;
  const int n = 2 * kAudioRate;
  for (int i = 0; i < n; ++i) {
    const double v = noise_sample(probe);
    power += v * v;
  }
  noise_gain_ = std::sqrt(0.5 / (power / n));
}

double SimEther::noise_sample(Node& node) {
  double x = node.rng.gaussian();
  for (std::size_t i = 0; i < band_.size(); ++i) {
    const SimBiquad& b = band_[i];
    std::array<double, 2>& z = node.noise_state[i];
    const double y = b.b0 * x + z[0];
    z[0] = b.b1 * x - b.a1 * y + z[1];
    z[1] = b.b2 * x - b.a2 * y;
    x = y;
  }
  return x;
}
SimEther::~SimEther() = default;

int SimEther::add_station(std::function<int()> rx_freq_hz, std::function<int()> tx_freq_hz) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto node = std::make_unique<Node>();
  node->rx_freq = std::move(rx_freq_hz);
  node->tx_freq = std::move(tx_freq_hz);
  const int index = static_cast<int>(nodes_.size());
  node->rng.seed(config_.seed * 1000003 + 17 + static_cast<uint64_t>(index));
  node->noise_state.assign(band_.size(), {0, 0});
  nodes_.push_back(std::move(node));
  return index;
}

std::unique_ptr<AudioDevice> SimEther::device(int index, AudioDirection dir, Clock& clock) {
  PacedSamples samples;
  samples.name = "ether";
  samples.play = [this, index](int64_t at, const int16_t* s, int n) { play(index, at, s, n); };
  samples.capture = [this, index](int64_t at, int16_t* s, int n) { capture(index, at, s, n); };
  return audio_paced_device(std::move(samples), dir, clock);
}

SimEther::Link& SimEther::link(int from, int to) {
  std::unique_ptr<Link>& l = links_[{from, to}];
  if (!l) {
    l = std::make_unique<Link>();
    const uint64_t seed = config_.seed * 7919 + static_cast<uint64_t>(from) * 131 + static_cast<uint64_t>(to);
    channel_sim_init(l->sim, path_config(config_.fading, seed));
    l->silent = INT64_MAX / 2;
  }
  return *l;
}

void SimEther::play(int index, int64_t at, const int16_t* samples, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  Node& n = *nodes_[static_cast<std::size_t>(index)];
  if (n.played.empty() && at > n.base) n.base = at;
  const int64_t end = at + count;
  if (end > n.base && static_cast<std::size_t>(end - n.base) > n.played.size())
    n.played.resize(static_cast<std::size_t>(end - n.base), 0);
  const int first = static_cast<int>(std::clamp<int64_t>(n.base - at, 0, count));  // before: heard by everyone
  for (int i = first; i < count; ++i) {
    n.played[static_cast<std::size_t>(at + i - n.base)] += samples[i];
    if (report_) follow_transmission(index, n, at + i, samples[i]);
  }
  // A station that no longer listens must not make the others' backlog grow without end.
  while (n.played.size() > kMaxBacklogSamples) {
    n.played.pop_front();
    ++n.base;
  }
}

// Spectrum of a transmission: Hann-windowed frames of 96 samples at 9,600 Hz (100 Hz bins
// from 0 to 4,700 Hz), their powers summed.
void SimEther::follow_transmission(int index, Node& n, int64_t t, int16_t sample) {
  constexpr int kFrame = 96, kBins = kFrame / 2;
  constexpr int64_t kGap = kAudioRate / 10;
  if (sample != 0) {
    if (!n.sending) {
      n.sending = true;
      n.sent_from = t;
      n.frame.clear();
      n.spectrum.assign(kBins, 0.0);
    }
    n.sent_to = t;
  }
  if (!n.sending) return;
  if (t % (kAudioRate / 9600) == 0) {
    n.frame.push_back(sample / 32768.0f);
    if (static_cast<int>(n.frame.size()) == kFrame) {
      for (int f = 0; f < kBins; ++f) {
        double re = 0, im = 0;
        for (int k = 0; k < kFrame; ++k) {
          const double x = n.frame[static_cast<std::size_t>(k)] * (0.5 - 0.5 * std::cos(2 * M_PI * k / kFrame));
          re += x * std::cos(2 * M_PI * f * k / kFrame);
          im -= x * std::sin(2 * M_PI * f * k / kFrame);
        }
        n.spectrum[static_cast<std::size_t>(f)] += re * re + im * im;
      }
      n.frame.clear();
    }
  }
  if (t - n.sent_to < kGap) return;
  n.sending = false;
  const double top = *std::max_element(n.spectrum.begin(), n.spectrum.end());
  double power = 0, moment = 0;
  for (int f = 0; f < kBins; ++f) {
    const double p = n.spectrum[static_cast<std::size_t>(f)];
    if (top > 0 && p >= top / 10) {
      power += p;
      moment += p * f;
    }
  }
  report_(index, n.sent_from, n.sent_to, power > 0 ? moment / power * 9600.0 / kFrame : 0);
}

void SimEther::capture(int index, int64_t at, int16_t* samples, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  Node& me = *nodes_[static_cast<std::size_t>(index)];
  const int rx_hz = me.rx_freq();
  std::vector<float> sum(static_cast<std::size_t>(count), 0.0f);
  std::vector<int16_t> heard(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (static_cast<int>(i) == index) continue;
    const Node& tx = *nodes_[i];
    for (int k = 0; k < count; ++k) {
      const int64_t t = at + k;
      int32_t v = 0;
      if (t >= tx.base && static_cast<std::size_t>(t - tx.base) < tx.played.size())
        v = tx.played[static_cast<std::size_t>(t - tx.base)];
      heard[static_cast<std::size_t>(k)] = static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
    }
    // Each path fades on its own time, heard or not, so a run does not depend on when
    // frequencies happened to match. Silence through a path that holds only silence stays
    // silence: only its time moves on.
    if (config_.fading != FadingPreset::None) {
      Link& l = link(static_cast<int>(i), index);
      const bool quiet = std::all_of(heard.begin(), heard.end(), [](int16_t v) { return v == 0; });
      const int64_t memory = static_cast<int64_t>(l.sim.hilbert.size() + l.sim.path_re.size());
      if (quiet && l.silent >= memory) {
        l.sim.n += count;
      } else {
        channel_sim_process16_inplace(l.sim, heard.data(), count);
        l.silent = quiet ? l.silent + count : 0;
      }
    }
    if (tx.tx_freq() != rx_hz) continue;
    for (int k = 0; k < count; ++k) sum[static_cast<std::size_t>(k)] += heard[static_cast<std::size_t>(k)];
  }
  if (config_.noise) {
    const auto at_freq = config_.snr_at_hz.find(rx_hz);
    double snr = config_.snr_db;
    const auto from = config_.snr_from_ms.upper_bound(at * 1000 / kAudioRate);
    if (from != config_.snr_from_ms.begin()) snr = std::prev(from)->second;
    if (at_freq != config_.snr_at_hz.end()) snr = at_freq->second;
    const double scale = 32768.0 * noise_gain_ * std::pow(10.0, -snr / 20.0);
    for (int k = 0; k < count; ++k)
      sum[static_cast<std::size_t>(k)] += static_cast<float>(noise_sample(me) * scale);
  }
  for (int k = 0; k < count; ++k)
    samples[k] = static_cast<int16_t>(std::clamp(std::lround(sum[static_cast<std::size_t>(k)]), -32768L, 32767L));
  me.heard_to = std::max(me.heard_to, at + count);
  forget_heard();
}

// Drops what every station has heard.
void SimEther::forget_heard() {
  int64_t oldest = INT64_MAX;
  for (const auto& n : nodes_) oldest = std::min(oldest, n->heard_to);
  for (const auto& n : nodes_) {
    while (!n->played.empty() && n->base < oldest) {
      n->played.pop_front();
      ++n->base;
    }
    if (n->played.empty() && n->base < oldest) n->base = oldest;
  }
}

}  // namespace vesk
