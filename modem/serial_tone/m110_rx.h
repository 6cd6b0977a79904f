// Serial-tone receiver: 9,600 Hz samples in, decoded bytes out.
//
// Works in blocks of 1,920 samples (200 ms): mixes each block down to complex baseband,
// normalises its level, filters and halves the rate to 4,800 Hz (two samples per symbol) into a
// window of three blocks, and then, by state:
// - search: looks for a preamble segment in three frequency branches (0 and +-50 Hz) with a
//   fine frequency estimate, reads the mode (D1, D2) and the count; two successive segments
//   that agree start a reception;
// - preamble: follows the count down to 0 (more than four disagreements end it);
// - data: corrects the frequency, trains the equaliser on the last preamble segment, then
//   demodulates 480 symbols per block (equaliser decisions on data symbols, training on probes;
//   the Walsh correlator at 75 bit/s), deinterleaves, decodes each interleaver block as soon
//   as it is full and hands every byte over.
//   A timing tracker keeps the equaliser's taps centred by moving the sample pointer, so a
//   sample-clock offset between the two ends is followed.
//
// A reception ends (status RxEnd, back to search) on reset(), when the probes are lost (modes
// 2-13: under a third of the known symbols hit over the last 3 s, or the last interleaver
// block when that is longer), when the 75 bit/s timing weights
// stay flat for 3 s, or on the end-of-message pattern that closes every message (on by default; its bits
// never reach the bytes).
//
// Everything runs on the thread that feeds samples; reset() may be called from any thread
// (it is carried out before the next block) and from inside the byte callback (the rest of the
// block is dropped).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "modem/serial_tone/m110_equalizer.h"
#include "modem/serial_tone/m110_fec.h"
#include "modem/serial_tone/m110_tables.h"
#include "modem/serial_tone/m110_status.h"

namespace vesk {

struct M110RxConfig {
  std::function<void(int byte)> on_byte;
  M110StatusFn status;                 // RxMode, RxEnd, FreqOffset
  std::function<float()> carrier_step;  // read every block; none: 1,800 Hz
  bool end_on_eom = true;              // end a reception on the end-of-message pattern
  bool track_timing = true;            // keep the equaliser centred (sample-clock offsets)
};

// Figures a test or a benchmark may read.
struct M110RxStats {
  int receptions = 0;      // preambles accepted (two agreeing segments)
  int data_starts = 0;     // receptions that reached the data
  int timing_moves = 0;    // one-sample moves of the timing tracker
  int64_t bytes = 0;
  float freq_offset_hz = 0;  // of the last reception
};

class M110Receiver {
 public:
  enum class State { Search = 0, Preamble = 1, Data = 2 };
  static constexpr int kBlock = 1920;

  explicit M110Receiver(M110RxConfig config);
  void set_enabled(bool on) { enabled_.store(on); }
  void set_end_on_eom(bool on) { config_.end_on_eom = on; }
  // Samples at 9,600 Hz, full scale 1.0 (one that is not finite counts as 0).
  void rx_samples(const float* samples, int count);
  // 16-bit samples: s / 32768 (the magnitude of a negative sample is its ones' complement).
  void rx_samples16(const int16_t* samples, int count);
  // Ends the reception: RxEnd, back to search, decoder reset.
  void reset();
  State state() const { return state_; }
  int rx_mode() const { return rx_mode_; }
  const M110RxStats& stats() const { return stats_; }

 private:
  struct Found {
    bool found = false;
    int position = 0, mode = 0, count = 0, branch = 0;
    float frequency = 0, peak = 0;
  };
  void block();
  void do_reset();
  Found find_preamble();
  float sync_frequency(int position, int branch) const;
  int channel_centre() const;
  void set_rx_mode(int mode);
  void start_data();
  void follow_fading();
  void add_fade_pieces();
  void correct_frequency(int from, int count);
  void train_preamble(int pointer);
  void demod_block();
  void demod_psk_block();
  void demod_walsh_block();
  void decide(int pointer, M110Interleaver<float>& il);
  void train_probe(int pointer, M110Complex point, int* hits);
  void decode_block();
  void follow_phase(M110Complex v);
  void deliver(int bit);
  void put_bit(int bit);
  void track_timing();
  bool probes_lost();  // after each block: moves the probe window on
  void report(M110Status s, float hz = 0) {
    if (config_.status) config_.status(s, hz);
  }

  M110RxConfig config_;
  std::atomic<bool> enabled_{true};
  std::atomic<bool> reset_request_{false};
  bool ended_in_block_ = false;  // the byte callback or the end of the signal ended it
  State state_ = State::Search;
  int rx_mode_ = 0;
  const M110ModeInfo* info_ = nullptr;
  M110RxStats stats_;

  std::array<float, kBlock> gather_{};
  int gathered_ = 0;
  float mixer_phase_ = 0;
  double level_ = 1.0;
  // The spread of the received level over 20 ms pieces (in dB, averaged over about 2 s of
  // data): small on a steady channel, large on a fading one; the spread a block ago.
  float fade_mean_ = 0, fade_square_ = 0, fade_spread_ = 0;
  int fade_pieces_ = 0;
  std::array<M110Complex, 2 * kBlock> mixed_{};  // previous block, then current
  static constexpr int kWindow = 2880;
  std::array<M110Complex, kWindow> window_{};
  std::array<M110Complex, kWindow> rotated_{};  // scratch for the frequency branches
  // Sync metric per branch, per position 16-975, of this block and of the previous one.
  std::array<std::array<float, 960>, 3> metric_now_{}, metric_prev_{};
  int last_branch_ = 0;
  std::array<float, 960> metric_sum_{};  // sync metric summed over the preamble's segments

  int prev_mode_ = -1, prev_count_ = -1, expected_count_ = -1, mismatches_ = 0;
  float freq_estimate_ = 0, correction_phase_ = 0;
  float freq_weighted_ = 0, freq_weight_ = 0;  // sums over the agreeing preamble segments
  int data_start_ = 0;

  // Demodulator.
  int probe_per_frame_ = 0;
  std::array<M110Complex, 40> probes_{};  // D1 probe, then D2 probe
  int scrambler_pos_ = 0, frame_counter_ = 0;
  M110Interleaver<float> deinterleaver_[1];  // decoded as soon as it is full
  M110Viterbi viterbi_;
  int skip_ = 0, bit_count_ = 0, byte_ = 0;
  uint32_t held_ = 0;  // the last decoded bits, held back while the pattern may be coming
  int held_bits_ = 0;
  std::array<float, 32> timing_weights_{};
  // Probe symbols within 45 degrees, and probe symbols, per 200 ms block of the probe window
  // (three seconds, or one interleaver block when that is longer).
  static constexpr int kProbeWindowMin = 15;
  static constexpr int kProbeWindowMax = 24;
  std::array<int, kProbeWindowMax> probe_hits_{}, probe_count_{};
  int probe_window_ = 5, probe_chunk_ = 0, probe_chunks_seen_ = 0;
  int flat_blocks_ = 0;  // 75 bit/s: 200 ms blocks in a row with flat timing weights
  // Timing tracker: probe correlations at -4 .. +4 samples (quarter symbols... half symbols at
  // 4,800 Hz) around the symbol being decided, their power per block and smoothed.
  static constexpr int kTimingSpan = 4;
  std::array<M110Complex, 2 * kTimingSpan + 1> probe_corr_{};
  std::array<float, 2 * kTimingSpan + 1> timing_power_{}, timing_smooth_{};
  int timing_blocks_ = 0;
  M110Equalizer eq_;
  // Phase loop: phase (radians) and frequency (radians per symbol), its two gains, and the turn
  // e^(j phase).
  float loop_phase_ = 0, loop_freq_ = 0, phase_gain_ = 0, freq_gain_ = 0;
  // How far the channel counts as fading (0 steady, 1 fading), from the level spread.
  float fade_x_ = 0;
  M110Complex turn_{1, 0};
};

}  // namespace vesk
