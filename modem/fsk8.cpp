// 8-FSK tones and demodulator: see fsk8.h.
#include "modem/fsk8.h"

#include <cmath>
#include <cstring>

#include "platform/station.h"

namespace vesk {

namespace {

constexpr unsigned FSK_REQ_INIT_DFT = 1;     // sliding DFT reset
constexpr unsigned FSK_REQ_CLEAR_E = 2;      // decision energies to zero
constexpr unsigned FSK_REQ_CLEAR_BINS = 4;   // display magnitudes to zero
constexpr unsigned FSK_REQ_INIT_TIMING = 8;  // early/late vote and pending step to zero
constexpr unsigned FSK_REQ_CLEAR_QUALITY = 16;  // signal-quality ring and per-phase peaks emptied

constexpr float kPcmScale = 3.0518e-05f;
constexpr double kPi = 3.14159265358979323846;
// Tone-to-noise ratio of the in-band bins over the two out-of-band reference bins above
// which the channel counts as busy with tones.
constexpr float kActivityRatio = 8.0f;

// A float sample in [-1, 1] as the sound card's 16-bit value: the negative side is the
// one's complement of the scaled magnitude, so -1.0 reaches -32768.
int16_t tone_to_pcm16(float x) {
  if (x >= 0) return static_cast<int16_t>(static_cast<int>(x * 32767.0f));
  return static_cast<int16_t>(-static_cast<int>(-x * 32767.0f) - 1);
}

void reset_dft(FskState& s) {
  s.history.fill(0);
  s.bin_re.fill(0);
  s.bin_im.fill(0);
  s.smoothed.fill(0);
  s.write_index = 0;
  s.symbol_count = 0;
}

void build_twiddles(FskState& s) {
  for (int k = 0; k < FSK_BINS; ++k) {
    s.twiddle_cos[k] = static_cast<float>(std::cos(-2.0 * kPi * k / FSK_SYMBOL_SAMPLES));
    s.twiddle_sin[k] = static_cast<float>(std::sin(-2.0 * kPi * k / FSK_SYMBOL_SAMPLES));
  }
}

void apply_requests(FskState& s) {
  const unsigned req = s.requests.exchange(0, std::memory_order_acq_rel);
  if (req & FSK_REQ_INIT_DFT) {
    build_twiddles(s);
    reset_dft(s);
  }
  if (req & FSK_REQ_INIT_TIMING) {
    s.early_late = 0;
    s.pending_step = 0;
  }
  if (req & FSK_REQ_CLEAR_E) s.energy.fill(0);
  if (req & FSK_REQ_CLEAR_QUALITY) {
    // The per-phase peaks of the last symbol time go with it: the next symbol's quality picks
    // the strongest of them.
    s.best_peak.fill(0);
    s.in_band_total.fill(0);
    s.quality.fill(0);
    s.quality_index = 0;
    s.quality_count = 0;
  }
  if (req & FSK_REQ_CLEAR_BINS) {
    s.smoothed.fill(0);
    std::lock_guard<std::mutex> g(s.display_lock);
    s.display_bins.fill(0);
  }
}

// The per-symbol work at a symbol boundary: timing vote, symbol handler, signal quality.
void symbol_boundary(FskState& s) {
  const int p = s.symbol_phase.load(std::memory_order_relaxed);
  float early = 0, late = 0;
  for (int j = 0; j < 32; ++j) early += s.energy[(p + j) & 63];
  for (int j = 32; j < 64; ++j) late += s.energy[(p + j) & 63];
  s.early_late += early < late ? 1 : -1;
  if (s.early_late > 16) {
    s.early_late = 0;
    s.pending_step = 1;
  } else if (s.early_late < -16) {
    s.early_late = 0;
    s.pending_step = -1;
  }
  {
    std::lock_guard<std::mutex> g(s.display_lock);
    s.energy_snapshot = s.energy;
  }

  if (s.hooks.symbol) {
    FskSymbol symbol;
    symbol.decision = s.decision;
    symbol.energy = s.energy;
    symbol.word_synced = s.word_sync.load();
    symbol.average_snr = fsk_average_snr(s);
    s.hooks.symbol(symbol);
  }

  int best_phase = 0;
  float best = 0;
  for (int i = 0; i < FSK_SYMBOL_SAMPLES; ++i) {
    if (s.best_peak[i] > best) {
      best = s.best_peak[i];
      best_phase = i;
    }
  }
  const float noise = s.in_band_total[best_phase] - s.best_peak[best_phase];
  s.quality[s.quality_index] = noise > 0 ? s.in_band_total[best_phase] / noise : 0.0f;
  s.quality_index = (s.quality_index + 1) % FSK_QUALITY_RING;
  if (s.quality_count < FSK_QUALITY_RING) ++s.quality_count;

  ++s.symbol_count;
  if (s.symbol_count > FSK_DFT_RESET_SYMBOLS && !s.word_sync.load(std::memory_order_relaxed))
    reset_dft(s);
}

}  // namespace

FskState& fsk_state() { return station().state<FskState>(); }

void fsk_build_tone_tables(FskState& s) {
  for (int v = 0; v < FSK_TONE_TABLE_COUNT; ++v) {
    int16_t* t = &s.tone_tables[v * FSK_TX_SYMBOL_SAMPLES];
    if (v == FSK_SILENCE_SYMBOL) {
      std::fill(t, t + FSK_TX_SYMBOL_SAMPLES, 0);
      continue;
    }
    const float f = static_cast<float>(v == FSK_TUNE_SYMBOL ? 750 : kFskToneHz[v]);
    const float a = v == FSK_TUNE_SYMBOL ? kFskTuneAmplitude : kFskToneAmplitude;
    for (int n = 0; n < FSK_TX_SYMBOL_SAMPLES; ++n) {
      const float phase = 2.0f * static_cast<float>(kPi) * f * static_cast<float>(n) / 48000.0f;
      t[n] = tone_to_pcm16(a * std::cos(phase));
    }
  }
}

const int16_t* fsk_tone_table(const FskState& s, int symbol) {
  if (symbol < 0 || symbol >= FSK_TONE_TABLE_COUNT) return nullptr;
  return &s.tone_tables[symbol * FSK_TX_SYMBOL_SAMPLES];
}

void fsk_init_dft(FskState& s) { s.requests.fetch_or(FSK_REQ_INIT_DFT, std::memory_order_acq_rel); }

void fsk_init(FskState& s) {
  s.requests.fetch_or(FSK_REQ_INIT_DFT | FSK_REQ_INIT_TIMING, std::memory_order_acq_rel);
  s.symbol_phase.store(0, std::memory_order_relaxed);
}

float fsk_sample_to_float(int16_t v) {
  if (v >= 0) return static_cast<float>(v) * kPcmScale;
  return -static_cast<float>(~v & 0x7FFF) * kPcmScale;
}

void fsk_process_block(FskState& s, const int16_t* samples, int count) {
  if (s.hooks.record) s.hooks.record(samples, count);
  fsk_demodulate_block(s, samples, count);
  if (s.hooks.audio_update) s.hooks.audio_update();
  if (s.hooks.dwell_tick) s.hooks.dwell_tick();
}

void fsk_demodulate_block(FskState& s, const int16_t* samples, int count) {
  if (count < 0) return;
  if (count > FSK_RX_BLOCK_SAMPLES + 1) count = FSK_RX_BLOCK_SAMPLES + 1;
  if (s.requests.load(std::memory_order_relaxed) != 0) apply_requests(s);
  std::array<float, FSK_RX_BLOCK_SAMPLES + 2> x{};
  for (int i = 0; i < count; ++i) x[i] = fsk_sample_to_float(samples[i]);
  // A one-sample timing correction: repeat the last sample (+1) or drop it (-1).
  if (s.pending_step != 0 && count > 0) {
    x[count] = x[count - 1];
    count += s.pending_step;
    s.pending_step = 0;
  }

  float in_band_sum = 0, out_band_sum = 0;
  std::array<float, FSK_BINS> m{};
  for (int i = 0; i < count; ++i) {
    if (s.requests.load(std::memory_order_relaxed) != 0) apply_requests(s);

    const float old = s.history[s.write_index];
    s.history[s.write_index] = x[i];
    s.write_index = (s.write_index + 1) & 63;
    const float delta = x[i] - old;
    for (int k = 0; k < FSK_BINS; ++k) {
      const float re = s.bin_re[k] + delta;
      const float im = s.bin_im[k];
      s.bin_re[k] = re * s.twiddle_cos[k] - im * s.twiddle_sin[k];
      s.bin_im[k] = re * s.twiddle_sin[k] + im * s.twiddle_cos[k];
    }
    for (int k = 1; k <= 27; ++k) {
      m[k] = std::sqrt(s.bin_re[k] * s.bin_re[k] + s.bin_im[k] * s.bin_im[k]);
      s.smoothed[k] = m[k] > s.smoothed[k] ? m[k] : 0.999f * s.smoothed[k] + 0.001f * m[k];
    }

    float total = 0, value = 0;
    int winner = -1;
    for (int k = 6; k <= 22; k += 2) {
      total += m[k];
      if (k <= 20 && m[k] > value) {
        value = m[k];
        winner = k;
      }
    }
    in_band_sum += total;
    out_band_sum += m[4] + m[24];
    const uint8_t symbol = winner < 0 ? FSK_NO_SYMBOL : kFskBinSymbol[winner];

    s.best_peak[s.sample_phase] = value;
    s.in_band_total[s.sample_phase] = total;
    if (s.hooks.aqc_snr_add) s.hooks.aqc_snr_add(total);

    const float leaving = s.energy[0];
    std::memmove(&s.energy[0], &s.energy[1], 63 * sizeof(float));
    std::memmove(&s.decision[0], &s.decision[1], 63);
    s.energy[63] = 0.98f * leaving + 0.02f * value;
    s.decision[63] = symbol;

    if (s.sample_phase == 0) symbol_boundary(s);
    s.sample_phase = (s.sample_phase + 1) & 63;
  }

  {
    std::lock_guard<std::mutex> g(s.activity_lock);
    s.in_band_sum += in_band_sum;
    s.out_band_sum += out_band_sum;
  }
  {
    std::lock_guard<std::mutex> g(s.display_lock);
    s.display_bins = s.smoothed;
  }
  if (s.hooks.vad_block) s.hooks.vad_block(x.data(), count);
}

void fsk_get_symbol_at(const FskState& s, int place, int* symbol, float* energy) {
  place &= 63;
  *symbol = s.decision[place];
  *energy = s.energy[place];
}

void fsk_set_symbol_phase(FskState& s, int phase) { s.symbol_phase.store(phase & 63); }
int fsk_get_symbol_phase(const FskState& s) { return s.symbol_phase.load(); }

void fsk_get_timing_energy(FskState& s, float* out) {
  std::lock_guard<std::mutex> g(s.display_lock);
  std::copy(s.energy_snapshot.begin(), s.energy_snapshot.end(), out);
}

void fsk_get_display_bins(FskState& s, float* out) {
  std::lock_guard<std::mutex> g(s.display_lock);
  std::copy(s.display_bins.begin(), s.display_bins.end(), out);
}

void fsk_set_word_sync(FskState& s) { s.word_sync.store(true); }

void fsk_clear_word_sync(FskState& s) {
  s.word_sync.store(false);
  s.requests.fetch_or(FSK_REQ_INIT_DFT);
}

bool fsk_is_word_synced(const FskState& s) { return s.word_sync.load(); }

void fsk_reset(FskState& s) {
  // The quality ring goes too: its values were measured before the reset, on the channel the
  // station has just left, and would otherwise count in the next channel's first words.
  s.requests.fetch_or(FSK_REQ_INIT_DFT | FSK_REQ_CLEAR_E | FSK_REQ_CLEAR_QUALITY);
}

int fsk_channel_activity(FskState& s, bool (*sync_seen)()) {
  float in_band, out_band;
  {
    // One read-and-clear under the lock the audio thread adds under: every call judges
    // exactly the samples received since the previous call.
    std::lock_guard<std::mutex> g(s.activity_lock);
    in_band = s.in_band_sum;
    out_band = s.out_band_sum;
    s.in_band_sum = 0;
    s.out_band_sum = 0;
  }
  if (fsk_is_word_synced(s)) return 3;
  if (sync_seen != nullptr && sync_seen()) return 2;
  if (out_band > 0 && in_band / out_band > kActivityRatio) return 1;
  return 0;
}

double fsk_average_snr(const FskState& s) {
  // Read on the audio thread, where the ring is written.
  // Until the ring has filled since it was cleared, the mean is over the values it holds.
  if (s.quality_count == 0) return 0.0;
  float sum = 0;
  for (float q : s.quality) sum += q;
  return static_cast<double>(sum) * 0.0068 * FSK_QUALITY_RING / s.quality_count;
}

void fsk_clear_display_bins(FskState& s) {
  s.requests.fetch_or(FSK_REQ_CLEAR_BINS);
  {
    std::lock_guard<std::mutex> g(s.display_lock);
    s.display_bins.fill(0);
  }
  if (s.hooks.audio_update) s.hooks.audio_update();
}

void fsk_scan_resume_hook() {}

}  // namespace vesk
