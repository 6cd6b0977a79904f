// Word receiver: see word_rx.h.
#include "ale/words/word_rx.h"

#include "ale/words/linking_protection.h"

#include <algorithm>
#include <cstring>

#include "db/ale_chars.h"
#include "ale/words/word_events.h"
#include "ale/words/word_trace.h"
#include "ale/words/golay.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "platform/station.h"

namespace vesk {

namespace {

// The AQC-ALE burst after a FROM word delays the next word by 7 symbols (21 bits).
constexpr int kAqcRetryBitCount = ALE_WORD_BITS - 21;
// The repetition pattern: this many newest bits each equal the bit one copy (49 bits) back.
constexpr int kSyncPatternBits = 10;
// The symbols that hold those bits (the newest four).
constexpr unsigned kSyncPatternSymbols = 0xF;
constexpr int kNoToneSymbol = 8;

int majority(uint8_t a, uint8_t b, uint8_t c) { return (a + b + c) >= 2 ? 1 : 0; }

void reset_windows(WordRxState& s) {
  for (AleRxWindow& w : s.windows) ale_rx_window_reset(w);
  s.bit_count = 0;
  s.retry = false;
}

// Whether a reset was carried out.
bool apply_reset_request(WordRxState& s) {
  if (!s.reset_requested.exchange(false, std::memory_order_acq_rel)) return false;
  reset_windows(s);
  lp_rx_reset();
  return true;
}

RxWordRecord build_record(WordRxState& s, const AleRxWindow& w, double sinad) {
  RxWordRecord r;
  r.word = w.word_a;
  r.vote_disagreements = w.vote_disagreements;
  r.golay_errors = w.golay_errors;
  r.sinad = sinad;
  r.bad = (w.golay_errors > db_get_frame_errors() || w.vote_disagreements > db_get_frame_votes()) ? 1 : 0;
  r.raw_bits = w.bits;
  if (s.hooks.status) s.hooks.status(r.vote_disagreements, r.sinad);
  return r;
}

}  // namespace

WordRxState& word_rx_state() { return station().state<WordRxState>(); }

void ale_rx_window_push(AleRxWindow& w, int symbol, float quality) {
  std::memmove(&w.bits[0], &w.bits[3], ALE_WORD_BITS - 3);
  w.bits[ALE_WORD_BITS - 3] = static_cast<uint8_t>((symbol >> 2) & 1);
  w.bits[ALE_WORD_BITS - 2] = static_cast<uint8_t>((symbol >> 1) & 1);
  w.bits[ALE_WORD_BITS - 1] = static_cast<uint8_t>(symbol & 1);
  w.quality = quality;
  w.no_tone = (w.no_tone << 1) | (symbol == kNoToneSymbol ? 1u : 0u);
  // Symbols without any tone (a silent input) push zeros, which repeat trivially: they are
  // not the repetition of an ALE word.
  bool repeating = (w.no_tone & kSyncPatternSymbols) == 0;
  for (int i = ALE_WORD_BITS - kSyncPatternBits; i < ALE_WORD_BITS && repeating; ++i)
    repeating = w.bits[i] == w.bits[i - 49];
  if (repeating) w.sync_seen.store(1, std::memory_order_relaxed);
}

int ale_rx_window_evaluate(AleRxWindow& w) {
  const auto& b = w.bits;
  int agree = 0;
  for (int i = 0; i < 48; ++i)
    if (b[i] == b[i + 49] && b[i] == b[i + 98]) ++agree;
  w.vote_disagreements = 48 - agree;

  uint32_t a = 0, bw = 0;
  for (int i = 0; i < 48; i += 2) {
    a = (a << 1) | majority(b[i], b[i + 49], b[i + 98]);
    bw = (bw << 1) | majority(b[i + 1], b[i + 50], b[i + 99]);
  }
  w.word_b = bw;
  int32_t high, low, errors_a, errors_b;
  ale_golay_decode(static_cast<int32_t>(a >> 12), static_cast<int32_t>(a & 0xFFF), &high, &errors_a);
  ale_golay_decode(static_cast<int32_t>(bw >> 12), static_cast<int32_t>((bw & 0xFFF) ^ 0xFFF), &low,
                   &errors_b);
  w.word_a = static_cast<AleWord>(high) << 12 | static_cast<AleWord>(low);
  w.golay_errors = std::max(errors_a, errors_b);
  return w.golay_errors;
}

void ale_rx_window_reset(AleRxWindow& w) {
  // The bits go too: the windows that lost the race stop being fed at synchronisation and
  // would otherwise decode their stale word again when the search resumes.
  w.bits.fill(0);
  w.no_tone = 0;
  w.word_a = 0;
  w.word_b = 0;
  w.sync_seen.store(0, std::memory_order_relaxed);
}

void ale_rx_init() {
  WordRxState& s = word_rx_state();
  s.phases = {0, 16, 32, 48};
  s.reset_requested.store(false);
  reset_windows(s);
  fsk_clear_word_sync(fsk_state());
}

void ale_rx_take_symbol(WordRxState& s, FskState& fsk, const FskSymbol& symbol) {
  // A reset clears word sync before it asks for the reset, so a symbol that finds a reset
  // to carry out is searched even if the demodulator read the flag just before the clear.
  const bool reset = apply_reset_request(s);
  s.bit_count += 3;

  if (!symbol.word_synced || reset) {
    const int sync_votes = db_get_sync_votes();
    const int sync_errors = db_get_sync_errors();
    std::array<bool, ALE_RX_WINDOWS> candidate{};
    for (int w = 0; w < ALE_RX_WINDOWS; ++w) {
      AleRxWindow& win = s.windows[w];
      const int place = s.phases[w] & 63;
      ale_rx_window_push(win, symbol.decision[place], symbol.energy[place]);
      const int errors = ale_rx_window_evaluate(win);
      if (win.vote_disagreements > sync_votes || errors > sync_errors) continue;
      // Linking protection tries its seeds; the window keeps the word as transmitted until it
      // wins.
      uint32_t reading = 0;
      candidate[w] = lp_rx_trial(win.word_a, &reading);
    }
    int chosen = 0;
    float best = 0;
    for (int w = 0; w < ALE_RX_WINDOWS; ++w) {
      if (candidate[w] && s.windows[w].quality > best) {
        best = s.windows[w].quality;
        chosen = w;
      }
    }
    if (!candidate[chosen]) return;

    fsk_set_word_sync(fsk);
    s.winner = chosen;
    RxWordRecord record = build_record(s, s.windows[chosen], symbol.average_snr);
    record.word = lp_rx_word(record.word);
    // The kind of the frame (141A or AQC-ALE) is that of the word handed on: under linking
    // protection the windows were tried without recording the readings of every seed.
    (void)ale_word_acceptable(record.word);
    // The frame begin goes first, so that the frame's first word finds its frame started.
    ale_rx_frame_begin(s);
    ale_rx_post_word(record);
    s.last_word = record.word;
    s.bit_count = 0;
    s.retry = false;
    fsk_set_symbol_phase(fsk, s.phases[chosen]);
    ale_trace_frame_start(aqc_rx_word_is_aqc() != 0);
    return;
  }

  AleRxWindow& win = s.windows[s.winner];
  const int place = s.phases[s.winner] & 63;
  ale_rx_window_push(win, symbol.decision[place], symbol.energy[place]);
  if (s.bit_count < ALE_WORD_BITS) return;
  ale_rx_window_evaluate(win);
  RxWordRecord record = build_record(s, win, symbol.average_snr);
  record.word = lp_rx_word(record.word);
  record.corrected_previous = lp_rx_take_correction();
  const bool aqc = aqc_rx_word_is_aqc() != 0;
  const bool dbm = ale_word_state().dbm_mode.load() != 0;
  // A window that straddles the burst can pass the vote (its second and third copies are the
  // same rotation of the next word) and the Golay check: in an exchange whose words carry the
  // burst (calls and their answers, not the link's own frames), a word no receiver would admit
  // is taken as misaligned too.
  const AleWord w = record.word;
  const bool admissible = ale_aqc_transmission() == 0 || ale_word_aqc_pattern(w) ||
                          (ale_char_in_38set(ale_word_char1(w)) && ale_char_in_38set(ale_word_char2(w)) &&
                           ale_char_in_38set(ale_word_char3(w)));
  if ((record.bad || !admissible) && aqc && ale_word_type(s.last_word) == ALE_FROM && !s.retry && !dbm) {
    // Try again once the AQC-ALE burst that may follow a FROM word has passed.
    s.bit_count = kAqcRetryBitCount;
    s.retry = true;
    return;
  }
  ale_rx_post_word(record);
  s.last_word = record.word;
  s.bit_count = 0;
  s.retry = false;
}

void ale_rx_symbol(const FskSymbol& symbol) { ale_rx_take_symbol(word_rx_state(), fsk_state(), symbol); }

bool ale_rx_sync_seen() {
  WordRxState& s = word_rx_state();
  bool seen = false;
  for (AleRxWindow& w : s.windows)
    if (w.sync_seen.exchange(0, std::memory_order_relaxed) != 0) seen = true;
  return seen;
}

void ale_reset_receiver() {
  WordRxState& s = word_rx_state();
  fsk_clear_word_sync(fsk_state());
  s.reset_requested.store(true, std::memory_order_release);
}

void ale_rx_frame_begin(WordRxState& s) {
  const bool aqc = aqc_rx_word_is_aqc() != 0;
  if (s.hooks.frame_begin) s.hooks.frame_begin(aqc ? EV_AQC_FRAME_BEGIN : EV_RX_FRAME_BEGIN);
}

}  // namespace vesk
