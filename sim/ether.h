// A simulated ether for several stations in one process, on one sample clock.
//
// Each station's sound card plays into the ether and captures from it. What a station hears
// at sample n is the sum, over every other station whose transmit frequency equals its own
// receive frequency at that moment, of what that station played at sample n, each through
// its own fading path (Watterson presets, the channel simulator), plus white Gaussian noise
// limited to 300-3,300 Hz at the SNR of the receive frequency, measured against a full-scale
// tone in that band. Everything is deterministic for a given seed.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio.h"
#include "sim/channel.h"

namespace vesk {

class Clock;

struct SimEtherConfig {
  bool noise = false;
  double snr_db = 30;                 // in the 3 kHz band, against a full-scale tone
  std::map<int, double> snr_at_hz;    // the SNR on single frequencies
  // The SNR from a simulated time (ms) on, in place of snr_db: a channel that changes during
  // a run (snr_at_hz still decides on its frequencies).
  std::map<int64_t, double> snr_from_ms;
  FadingPreset fading = FadingPreset::None;
  uint64_t seed = 1;
};

// A second-order section of the noise band-pass (300 to 3,300 Hz).
struct SimBiquad {
  double b0, b1, b2, a1, a2;
};

class SimEther {
 public:
  explicit SimEther(SimEtherConfig config);
  ~SimEther();

  // Adds a station; its frequencies are asked for at the moment samples are heard (each
  // function runs with whatever station the caller has current, so it sets its own).
  int add_station(std::function<int()> rx_freq_hz, std::function<int()> tx_freq_hz);
  // A sound device of station `index` on the ether, paced by `clock`.
  std::unique_ptr<AudioDevice> device(int index, AudioDirection dir, Clock& clock);

  // Called at the end of each transmission of a station (played samples after at least 0.1 s
  // of silence, until the next 0.1 s of silence) with its first and last sample time and the
  // centre of its spectrum (the power-weighted mean over the 100 Hz bins within 10 dB of the
  // strongest).
  using TransmissionReport = std::function<void(int index, int64_t from, int64_t to, double centre_hz)>;
  void set_transmission_report(TransmissionReport report) { report_ = std::move(report); }

  // The device side: samples played from sample time `at`, and the samples heard.
  void play(int index, int64_t at, const int16_t* samples, int count);
  void capture(int index, int64_t at, int16_t* samples, int count);

 private:
  struct Node {
    std::function<int()> rx_freq;
    std::function<int()> tx_freq;
    std::deque<int32_t> played;  // sums of what was played from `base` on
    int64_t base = 0;
    int64_t heard_to = 0;        // everything before this has been captured
    SimRandom rng;               // the receiver's noise
    std::vector<std::array<double, 2>> noise_state;  // per band-pass section
    // The transmission under way, for the report: its start, the silence since its last
    // sample, every fifth sample (9,600 Hz) of the frame being filled and the summed spectrum.
    bool sending = false;
    int64_t sent_from = 0, sent_to = 0;
    std::vector<float> frame;
    std::vector<double> spectrum;
  };
  void follow_transmission(int index, Node& n, int64_t t, int16_t sample);
  // Fading path from one station to another, and how many silent samples it has been fed
  // (once its delay lines hold only silence, silence passes it unchanged and is skipped).
  struct Link {
    ChannelSim sim;
    int64_t silent = 0;
  };
  double noise_sample(Node& n);
  Link& link(int from, int to);
  void forget_heard();

  SimEtherConfig config_;
  std::mutex mutex_;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::map<std::pair<int, int>, std::unique_ptr<Link>> links_;
  std::vector<SimBiquad> band_;
  double noise_gain_ = 1;  // makes the band-limited noise's power 0.5 (0 dB)
  TransmissionReport report_;
};

}  // namespace vesk
