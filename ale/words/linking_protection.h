// Linking protection: the 24 bits of ALE words enciphered under a 56-bit key and a 64-bit seed
// made of the date, the time, a word number and the channel frequency, so that only stations
// holding the key can link.
//
// Transmit (wherever words are encoded, under the context's own lock): the word tag decides:
// tags 1 and 3 start a fresh seed from the current time (plus the audio still queued and one
// word), tag 2 sets word number 1, tags 4 and 5 advance, tag 0 advances and sends in clear. A
// channel without a valid key record refuses to send (a log line) instead of using a stale key.
// Receive (audio thread, inside the word receiver, which owns the receive state): while
// searching, nine candidate seeds around the station's own clock are tried on each word; the
// one under which the word makes sense becomes current, and the following words are followed
// by its word numbers; the first word of an AQC-ALE pair that two seeds read is settled by the
// pair's FROM word. The message receivers tell it (through a mailbox the audio thread reads)
// that clear text, DTM data words or DBM groups follow. A word that passes under no seed ends
// the frame: that is posted to the engine worker, never called into its parser.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "ale/words/ale_clock.h"
#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr int kLpCandidates = 9;

struct LpSeed {
  int level = 0;
  int month = 0;      // 1-12
  int day = 0;        // 1-31
  int leap = 0;
  int year = 0;
  int minute = 0;     // of the day, 0-1439
  int seconds = 0;
  int fortieths = 0;
  int word = 0;       // word number
  int freq = 0;       // Hz
  uint32_t last = 0;  // the last word deciphered with this seed
  std::array<uint8_t, 8> packed{};
};

using LpKey = std::array<uint8_t, 7>;

// The cipher of one 24-bit word under a key and a packed seed.
uint32_t lp_encrypt_word(uint32_t word, const LpKey& key, const std::array<uint8_t, 8>& seed);
uint32_t lp_decrypt_word(uint32_t word, const LpKey& key, const std::array<uint8_t, 8>& seed);

void lp_seed_pack(LpSeed& seed);
void lp_seed_set_time(LpSeed& seed, const AleClock& clock);
void lp_seed_advance(LpSeed& seed);
void lp_seed_next_step(LpSeed& seed);
void lp_seed_previous_step(LpSeed& seed);
// K0-K6 of a key record's two halves.
LpKey lp_key_from_halves(int32_t high, int32_t low);

enum LpRxStateValue : int {
  LP_RX_SEARCH = 0,
  LP_RX_SEVERAL = 1,
  LP_RX_CALLING = 2,
  LP_RX_FOLLOWING = 3,
  LP_RX_ENDING = 4,
  LP_RX_AFTER = 7,
  LP_RX_TEXT = 8,
  LP_RX_DTM_WORDS = 9,
  LP_RX_DBM_GROUPS = 10,
};

struct LpTxState {
  std::mutex lock;
  LpSeed seed;
  LpKey key{};
  bool ready = false;    // a seed was built under the channel's key for this frame
  bool refused = false;  // the last frame found no key: none of its words went out
};

struct LpRxState {
  // Audio thread only.
  std::array<LpSeed, kLpCandidates> candidates{};
  LpKey key{};
  int key_channel = -1;      // the channel and UTC second the candidates were built for
  int64_t key_second = -1;
  bool key_ok = false;
  std::array<int, kLpCandidates> matches{};
  int match_count = 0;
  int current = -1;
  int state = LP_RX_SEARCH;
  int count = 0;
  uint32_t last_handed = 0;
  // The next step's seed also read the first word of an AQC-ALE pair handed on under this
  // step's; the pair's FROM word decides. `corrected` is the first word's reading to hand on
  // in its place, or 0.
  LpSeed alternate{};
  bool alternate_kept = false;
  uint32_t corrected = 0;
  int64_t unreadable_logged_ms = -1000000;
  // Written by the worker (the message receivers), taken by the audio thread: state in the low
  // 8 bits, count above; -1 when empty.
  std::atomic<int64_t> mailbox{-1};
  std::atomic<int> display_level{0};
};

LpTxState& lp_tx_state();
LpRxState& lp_rx_state();

// Transmit step: the word to send (tag dropped), or false in `ok` when the word must not be sent.
uint32_t lp_tx_word(uint32_t word, bool* ok);
// Whether linking protection refused the frame last built (no valid key for the channel).
bool lp_tx_frame_refused();

// Receive step while searching: whether any candidate reads the word (the reading in `out`),
// without changing the receive state.
bool lp_rx_trial(uint32_t word, uint32_t* out);
// Receive step of the word the receiver hands on; returns the word to hand on.
uint32_t lp_rx_word(uint32_t word);
// The reading that replaces the word handed on before the one just handed on (the first word
// of an AQC-ALE pair read under another seed than its FROM word), or 0; taken once.
uint32_t lp_rx_take_correction();
void lp_rx_expect_text();
void lp_rx_expect_words(int n);
// Message words follow the address words of an AQC-ALE in-link frame under the same seed.
void lp_rx_expect_following();
void lp_rx_expect_groups(int n);
// The receiver was reset (audio thread).
void lp_rx_reset();
int lp_display_level();
void lp_init();

// The three time-exchange words (CMD "~" with the minute-counter class, seconds and fortieths;
// DATA with month, day and minute; REP of three NULs) for the current time plus the queued audio
// and one word, fed to the frame CRC; sub-kinds 0-2 tag them 5, 3-5 leave them untagged.
// Returns 3, or 0 when `out` has fewer than three places.
int lp_build_time_words(int sub_kind, AleWord* out, int room);

// The candidate seeds for a time (milliseconds ignored), frequency and key (tests, bench).
void lp_build_candidates(std::array<LpSeed, kLpCandidates>& out, const AleClock& now, int freq);

}  // namespace vesk
