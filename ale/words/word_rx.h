// Word receiver: finds ALE words in the 8-FSK demodulator's symbol decisions.
//
// Once per received symbol (8 ms) the demodulator hands its FskSymbol to the symbol handler the
// station binds to `ale_rx_symbol`; the receiver reads the decisions and energies at its four
// timing phases from it and sets the demodulator's phase and word sync. While searching,
// four 147-bit windows are fed from four timing phases a quarter symbol apart; a window whose
// three copies agree well enough and whose two Golay halves decode cleanly gives word
// synchronisation, and its word is posted to the engine. Synchronised, only the winning
// window is fed and every 49th symbol yields a word, good or bad, until the receiver is reset
// (frame end, parser error, return to scan, start of a transmission).
//
// All state belongs to the audio thread; `ale_reset_receiver` may be called from any thread:
// it records a request that the audio thread carries out before its next symbol.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "modem/fsk8.h"

namespace vesk {

inline constexpr int ALE_RX_WINDOWS = 4;

struct AleRxWindow {
  std::array<uint8_t, ALE_WORD_BITS> bits{};  // oldest first
  int vote_disagreements = 0;
  int golay_errors = 0;
  AleWord word_a = 0;   // voted first code word; after a decode, the decoded AleWord
  AleWord word_b = 0;   // voted second code word
  float quality = 0;
  unsigned no_tone = 0;           // one bit per recent symbol that had no tone, newest lowest
  std::atomic<int> sync_seen{0};  // read and cleared by the engine threads
};

// Where a word receiver hands its frame begins and its word figures; the station's wiring
// binds its own receiver's, a harness binds those of a receiver of its own.
struct WordRxHooks {
  // Frame begin: EV_AQC_FRAME_BEGIN or EV_RX_FRAME_BEGIN to the frame event handler.
  void (*frame_begin)(int event) = nullptr;
  // Status texts "BER %d" and "SINAD %.1f" of the log layer.
  void (*status)(int vote_disagreements, double sinad) = nullptr;
};

struct WordRxState {
  std::array<AleRxWindow, ALE_RX_WINDOWS> windows{};
  std::array<int, ALE_RX_WINDOWS> phases{0, 16, 32, 48};
  int winner = 0;
  int bit_count = 0;
  AleWord last_word = 0;
  bool retry = false;
  std::atomic<bool> reset_requested{false};
  WordRxHooks hooks;
};

WordRxState& word_rx_state();

// Window operations.
void ale_rx_window_push(AleRxWindow& w, int symbol, float quality);
// Counts disagreements, votes and decodes; returns the larger Golay error count.
int ale_rx_window_evaluate(AleRxWindow& w);
void ale_rx_window_reset(AleRxWindow& w);

// Sets the timing phases and clears the windows (engine start).
void ale_rx_init();
// One symbol time of the demodulator `fsk` for the receiver `s`, which sets that demodulator's
// phase and word sync.
void ale_rx_take_symbol(WordRxState& s, FskState& fsk, const FskSymbol& symbol);
// The same for the station's own receiver and demodulator: the station's symbol handler.
void ale_rx_symbol(const FskSymbol& symbol);
bool ale_rx_sync_seen();
void ale_reset_receiver();
void ale_rx_frame_begin(WordRxState& s);

}  // namespace vesk
