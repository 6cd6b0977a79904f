// Word transmit queue and engine event queue: the word layer's hand-over points between the
// engine and the audio side.
//
// Transmit: each 24-bit AleWord becomes one SymbolBlock of 49 three-bit 8-FSK symbols (two
// Golay code words, interleaved, a stuff bit, sent three times) and waits in the transmit
// word queue until the sound card's transmit thread takes its symbols one by one.
// Engine events: the audio side (a received word) and the transmit thread (end of a
// transmission) post EngineEvents that the engine worker takes one at a time. Events are
// queued by value: the worker gets its own copy, so no producer can touch an event that is
// being handled.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "ale/words/ale_word.h"
#include "db/locked_queue.h"

namespace vesk {

inline constexpr int ALE_WORD_SYMBOLS = 49;       // symbols of one word on the air (392 ms)
inline constexpr int ALE_WORD_BITS = 147;         // 49 coded bits, three times
inline constexpr int ALE_WORD_MS = 392;
inline constexpr int ALE_SYMBOL_MS = 8;
inline constexpr int ALE_TX_IDLE = 9;             // reader state: nothing to send
inline constexpr int ALE_TX_SENDING = 10;         // reader state: a block is being played
inline constexpr int ALE_TUNE_SYMBOL = 8;         // lead-in tune tone
inline constexpr int ALE_BURST_SYMBOL = 16;       // a block of these is the AQC burst marker
inline constexpr int ALE_TX_QUEUE_SIZE = 2000;
inline constexpr int ALE_EVENT_QUEUE_SIZE = 20;
inline constexpr int ALE_TX_TUNE_WORDS_MAX = 27;

struct SymbolBlock {
  std::array<uint8_t, ALE_WORD_SYMBOLS> symbols{};
  AleWord word = 0;  // the word as queued, tag included (0 for a lead-in or burst block)
};

// A received word as the word receiver reports it.
struct RxWordRecord {
  AleWord word = 0;               // the decoded AleWord, after linking protection
  int vote_disagreements = 0;     // 0-48
  int golay_errors = 0;           // 0-4
  double sinad = 0;               // mean signal quality of the word's 147 symbols
  int bad = 0;                    // beyond the frame-word error or vote limits
  AleWord corrected_previous = 0; // linking protection's reading of the previous word, when it changed
  std::array<uint8_t, ALE_WORD_BITS> raw_bits{};
};

struct EngineEvent {
  int event = 0;                  // EV_ALE_WORD, EV_ALE_TX_UNDERUN or a frame begin
  RxWordRecord record;
};

// What the transmit side hands above the words; the station's wiring binds it.
struct WordQueueHooks {
  // Each word ale_tx_word sends, after its trace: the command monitor's turn at it.
  std::function<void(AleWord word)> tx_word;
};

struct WordQueueState {
  WordQueueState() = default;
  ~WordQueueState();
  WordQueueState(const WordQueueState&) = delete;
  WordQueueState& operator=(const WordQueueState&) = delete;

  // Transmit word queue. `tx_lock` orders every change of the queue (producers, the reader
  // taking a new block, flush) so that flush never frees the block in progress.
  std::mutex tx_lock;
  LockedQueue* tx_queue = nullptr;
  SymbolBlock* tx_block = nullptr;           // block in progress (transmit thread)
  std::atomic<int> tx_index{ALE_WORD_SYMBOLS};
  std::atomic<int> tx_state{ALE_TX_IDLE};

  // Engine events, by value, in a ring of `event_capacity` places.
  std::mutex event_lock;
  std::array<EngineEvent, ALE_EVENT_QUEUE_SIZE> events{};
  int event_capacity = ALE_EVENT_QUEUE_SIZE;
  int event_head = 0;
  int event_count = 0;

  WordQueueHooks hooks;
};

WordQueueState& word_queue_state();

// Creates both queues (sizes clamped to 1..20 and 1..2000), clears the receiver's word
// synchronisation, sets the symbol index to "no block" and the timing phases.
void ale_word_io_init(int event_queue_size = ALE_EVENT_QUEUE_SIZE,
                      int tx_queue_size = ALE_TX_QUEUE_SIZE);

// The 49 symbols of a word (after linking protection), without queueing them.
void ale_encode_word_symbols(AleWord word, uint8_t* symbols);
// Packs 147 bits (0/1), three to a symbol, first bit most significant.
void ale_tx_pack_raw_bits(const uint8_t* bits, uint8_t* symbols);

// Producers (engine worker, window thread). Each returns 1 when the block was queued, 0 when
// the queue is full or missing (the word is lost).
int ale_tx_word(AleWord word);
int ale_tx_encode_word(AleWord word);
int ale_tx_burst_marker();
int ale_tx_lead_block();
int ale_tx_lead_blocks();
int ale_tx_raw_bits(const uint8_t* bits);

// Transmit thread.
int ale_tx_next_symbol();
// ALE_TX_SENDING while symbols wait (of the block in progress or of a queued one), else
// ALE_TX_IDLE: IDLE as soon as the last symbol of the last block has been taken.
int ale_tx_symbols_pending();
// Whether symbols wait beyond those the transmit thread has already taken: the sound card's
// test for the last block of a transmission.
bool ale_tx_symbols_waiting();
// Time in ms until everything queued has been sent.
int ale_tx_queued_ms();
// Frees every queued block except the one being played.
void ale_tx_flush();

// Engine events. Each post returns 1 when queued, 0 when the queue is full (dropped).
int ale_rx_post_word(const RxWordRecord& record);
int ale_post_tx_underrun();
// The frame begin (EV_RX_FRAME_BEGIN or EV_AQC_FRAME_BEGIN) for the frame event handler.
int ale_post_frame_begin(int event);
// Asks the worker's frame parser to end the frame (linking protection read no seed).
int ale_post_parser_end();
// Copies the oldest event into `out` and removes it; false when none is queued.
bool ale_engine_event_pop(EngineEvent* out);
int ale_engine_event_count();

}  // namespace vesk
