// 8-FSK tones and demodulator for ALE words.
//
// Transmit: ten 384-sample tables at 48 kHz (eight tones 250 Hz apart from 750 Hz to 2500 Hz,
// the tune tone, silence) that the transmit feed copies into output blocks, one per 8 ms symbol.
// Receive: a 64-point sliding DFT at 8000 samples/s decides a tone at every sample and keeps a
// 64-place history of decisions and smoothed energies, one place per sample offset within the
// symbol. At each symbol boundary a copy of that history goes up in an FskSymbol to the state's
// symbol handler (the word receiver), which samples it at four timing phases and may set the
// timing phase and word sync; an early/late vote over the energies keeps the chosen phase
// centred. The module also keeps a per-symbol signal-quality ring, the listen-before-transmit
// activity measure and the tuning-display figures.
//
// Every function works on the FskState it is given, so that demodulators can run side by side;
// the station's own is fsk_state().
//
// All receive processing runs on the audio thread. Resets asked for by other threads (return to
// scan, frame end) are recorded as requests and carried out by the audio thread before its next
// sample, so no other thread ever writes the histories while they are in use.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vesk {

inline constexpr int FSK_SAMPLE_RATE = 8000;
inline constexpr int FSK_SYMBOL_SAMPLES = 64;         // one symbol at 8000 samples/s
inline constexpr int FSK_TX_SAMPLE_RATE = 48000;
inline constexpr int FSK_TX_SYMBOL_SAMPLES = 384;     // one symbol at 48000 samples/s
inline constexpr int FSK_TONE_TABLE_COUNT = 10;
inline constexpr int FSK_TUNE_SYMBOL = 8;
inline constexpr int FSK_SILENCE_SYMBOL = 9;
inline constexpr int FSK_NO_SYMBOL = 8;               // decision when no tone bin won
inline constexpr int FSK_RX_BLOCK_SAMPLES = 210;      // one 26.25 ms input block at 8000/s
inline constexpr int FSK_BINS = 32;
inline constexpr int FSK_QUALITY_RING = 147;
// The sliding DFT is rebuilt after this many symbols (one hour) when not word-synchronised,
// to bound its single-precision drift.
inline constexpr unsigned FSK_DFT_RESET_SYMBOLS = 450000;

// Tone frequency of each symbol value 0-7 (Gray-like order of the standard).
inline constexpr std::array<int, 8> kFskToneHz = {750, 1000, 1500, 1250, 2500, 2250, 1750, 2000};
inline constexpr float kFskToneAmplitude = 0.999999f;
inline constexpr float kFskTuneAmplitude = 0.5f;

// Symbol value of the winning DFT bin (bins 6, 8, ..., 20); 8 where no tone sits.
inline constexpr std::array<uint8_t, FSK_BINS> kFskBinSymbol = {
    8, 8, 8, 8, 8, 8, 0, 8, 1, 8, 3, 8, 2, 8, 6, 8, 7, 8, 5, 8, 4, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};


// One symbol time as the demodulator hands it up at the symbol boundary.
struct FskSymbol {
  std::array<uint8_t, FSK_SYMBOL_SAMPLES> decision{};  // per sample offset, index 63 newest
  std::array<float, FSK_SYMBOL_SAMPLES> energy{};      // smoothed winning-bin energy, same places
  bool word_synced = false;  // the word-sync flag at the boundary
  double average_snr = 0;    // fsk_average_snr before this symbol's quality is added
};

// Takes each FskSymbol on the audio thread; its requests (phase, word sync) are downward calls
// made before it returns.
using FskSymbolHandler = std::function<void(const FskSymbol&)>;

// What the demodulator hands up; the station's wiring binds them. Null hooks are skipped.
struct FskHooks {
  // Once per demodulated input block (recorder, display refresh, scan dwell, AQC-ALE noise
  // figure, voice detector).
  void (*record)(const int16_t* samples, int count) = nullptr;
  void (*audio_update)() = nullptr;
  void (*dwell_tick)() = nullptr;
  void (*aqc_snr_add)(float in_band_total) = nullptr;  // per sample
  void (*vad_block)(const float* samples, int count) = nullptr;
  // Each symbol (the word receiver); null: symbols are dropped.
  FskSymbolHandler symbol;
};

struct FskState {
  FskState() { decision.fill(FSK_NO_SYMBOL); }

  // Transmit tables, symbol value v at [v * 384, v * 384 + 384).
  std::array<int16_t, FSK_TONE_TABLE_COUNT * FSK_TX_SYMBOL_SAMPLES> tone_tables{};

  // Receive state, owned by the audio thread.
  std::array<float, FSK_SYMBOL_SAMPLES> history{};
  int write_index = 0;
  std::array<float, FSK_BINS> bin_re{}, bin_im{};
  std::array<float, FSK_BINS> twiddle_cos{}, twiddle_sin{};
  std::array<float, FSK_BINS> smoothed{};
  int sample_phase = 0;
  std::array<float, FSK_SYMBOL_SAMPLES> best_peak{};
  std::array<float, FSK_SYMBOL_SAMPLES> in_band_total{};
  std::array<float, FSK_SYMBOL_SAMPLES> energy{};     // E, index 63 newest
  std::array<uint8_t, FSK_SYMBOL_SAMPLES> decision{}; // D, index 63 newest
  int early_late = 0;
  int pending_step = 0;
  std::array<float, FSK_QUALITY_RING> quality{};
  int quality_index = 0;
  int quality_count = 0;  // values stored since the ring was last cleared, at most the ring's size
  unsigned symbol_count = 0;

  // Shared with other threads.
  std::atomic<int> symbol_phase{0};
  std::atomic<bool> word_sync{false};
  std::atomic<unsigned> requests{0};   // FSK_REQ_* bits, carried out by the audio thread
  std::mutex activity_lock;            // guards the two activity sums
  float in_band_sum = 0, out_band_sum = 0;
  std::mutex display_lock;             // guards the display copies
  std::array<float, FSK_BINS> display_bins{};
  std::array<float, FSK_SYMBOL_SAMPLES> energy_snapshot{};

  FskHooks hooks;
};

// The station's own demodulator.
FskState& fsk_state();

// Transmit side.
void fsk_build_tone_tables(FskState& s);
// The 384 samples of symbol value 0-9; null for any other value.
const int16_t* fsk_tone_table(const FskState& s, int symbol);

// Receive side.
void fsk_init(FskState& s);
void fsk_init_dft(FskState& s);
// One block of 8 kHz samples (at most FSK_RX_BLOCK_SAMPLES + 1): the hooks, then demodulation.
void fsk_process_block(FskState& s, const int16_t* samples, int count);
void fsk_demodulate_block(FskState& s, const int16_t* samples, int count);
float fsk_sample_to_float(int16_t v);
void fsk_get_symbol_at(const FskState& s, int place, int* symbol, float* energy);
void fsk_set_symbol_phase(FskState& s, int phase);
int fsk_get_symbol_phase(const FskState& s);
// Copies the energy snapshot of the last symbol boundary (64 floats).
void fsk_get_timing_energy(FskState& s, float* out);
// Copies the 32 smoothed bin magnitudes (the tuning display).
void fsk_get_display_bins(FskState& s, float* out);
void fsk_set_word_sync(FskState& s);
void fsk_clear_word_sync(FskState& s);
bool fsk_is_word_synced(const FskState& s);
// Also clears the signal-quality ring: after a retune the average measures the new channel only.
void fsk_reset(FskState& s);
// The channel since the previous call: 3 word-synchronised, 2 the word receiver saw a word's
// repetition (`sync_seen`, which reads and clears that flag; asked only when not synchronised),
// 1 tones well above the out-of-band floor, 0 none of these.
int fsk_channel_activity(FskState& s, bool (*sync_seen)() = nullptr);
double fsk_average_snr(const FskState& s);
void fsk_clear_display_bins(FskState& s);
void fsk_scan_resume_hook();

}  // namespace vesk
