// The 24-bit ALE word and the receive-side tests on it.
//
// Layout of an `AleWord` (kept in 32 bits):
//   bits 23-21  preamble, an AleWordType
//   bits 20-14  first character (7 bits)
//   bits 13-7   second character
//   bits 6-0    third character
//   bits 26-24  transmit-side word tag (1-5) that linking protection reads; never sent on the
//               air, 0 on the receive side.
// AQC-ALE words use the 21 bits below the preamble differently; they are told apart because
// bits 20 and 19 are equal, which no basic-38 first character gives.
#pragma once

#include <atomic>
#include <cstdint>

namespace vesk {

using AleWord = uint32_t;

// The preambles.
enum AleWordType : uint32_t {
  ALE_DATA = 0,
  ALE_THRU = 1,
  ALE_TO = 2,
  ALE_TWAS = 3,
  ALE_FROM = 4,
  ALE_TIS = 5,
  ALE_CMD = 6,
  ALE_REP = 7,
};

inline constexpr AleWord kAleWordBits = 0xFFFFFF;  // what goes on the air
inline constexpr int kAlePreambleShift = 21;
inline constexpr int kAleTagShift = 24;

// c1 << 14 | c2 << 7 | c3; the caller adds the preamble and keeps the characters to 7 bits.
constexpr AleWord ale_pack_word(uint32_t c1, uint32_t c2, uint32_t c3) { return c1 << 14 | c2 << 7 | c3; }
// A whole word: preamble and three characters (each cut to 7 bits).
constexpr AleWord ale_make_word(uint32_t type, uint32_t c1, uint32_t c2, uint32_t c3) {
  return (type & 7) << kAlePreambleShift | ale_pack_word(c1 & 0x7F, c2 & 0x7F, c3 & 0x7F);
}
constexpr uint32_t ale_word_type(AleWord w) { return (w >> kAlePreambleShift) & 7; }
constexpr int ale_word_char1(AleWord w) { return static_cast<int>((w >> 14) & 0x7F); }
constexpr int ale_word_char2(AleWord w) { return static_cast<int>((w >> 7) & 0x7F); }
constexpr int ale_word_char3(AleWord w) { return static_cast<int>(w & 0x7F); }
constexpr int ale_word_tag(AleWord w) { return static_cast<int>((w >> kAleTagShift) & 7); }
constexpr AleWord ale_word_with_tag(AleWord w, int tag) {
  return (w & kAleWordBits) | (static_cast<AleWord>(tag) & 7) << kAleTagShift;
}
// Bits 20 and 19 equal: the mark of an AQC-ALE word.
constexpr bool ale_word_aqc_pattern(AleWord w) { return ((w >> 20) & 1) == ((w >> 19) & 1); }

// Receive-side state: whether the last accepted word was taken as an AQC-ALE word. Written on
// the audio thread, read by others.
//
// The word tests also need to know three things of the exchange above them, which the parts
// above keep current as they change (the word tests never ask them): whether a call or link in
// 141A signalling is under way, whether the exchange's words carry the AQC-ALE burst, and
// whether the frame parser is reading a DBM.
struct AleWordState {
  std::atomic<int> last_word_aqc{0};
  // A call or link in 141A signalling: the engine not idle, and not in AQC-ALE signalling.
  // Until the link state starts the engine counts as busy.
  std::atomic<int> normal_exchange{1};
  // A call, answer or net exchange in AQC-ALE signalling, whose FROM words carry the burst.
  std::atomic<int> aqc_exchange{0};
  // A TWAS or TIS sounding in 141A signalling: it carries the burst while AQC-ALE is enabled.
  std::atomic<int> sounding{0};
  // AQC-ALE signalling is selected (the frame builders then add a check word to an LQA word or
  // an AMD text).
  std::atomic<int> alternate{0};
  // The frame parser is reading a DBM (the receiver then never waits out a burst).
  std::atomic<int> dbm_mode{0};
};

AleWordState& ale_word_state();

// Set by the link state at each change of its state or signalling mode.
void ale_word_set_exchange(bool normal_exchange, bool aqc_exchange, bool sounding, bool alternate);
// Whether AQC-ALE signalling is selected, as the link state last told.
bool ale_word_alternate_signalling();
// Whether the words now sent or heard belong to an exchange that carries the AQC-ALE burst.
int ale_aqc_transmission();

// Receive admission: a word of three basic-38 characters is always taken (as a 141A word);
// otherwise with AQC-ALE enabled a word with the AQC-ALE pattern is taken as AQC-ALE when the
// engine is idle or the previous accepted word was AQC-ALE; with AQC-ALE disabled a word with
// the pattern is taken as a 141A word.
bool ale_word_acceptable(AleWord word);
// The same test without recording the word's kind: whether `word` would be taken, and in `aqc`
// whether as AQC-ALE (readings under trial that may never be handed on).
bool ale_word_admissible(AleWord word, bool* aqc);
// Whether the last accepted word was taken as AQC-ALE.
int aqc_rx_word_is_aqc();

// DATA, REP or CMD with all three characters in the ASCII-64 set.
bool ale_text_word_valid(AleWord word);
// CMD with a first character of 120-123: the frame check word.
bool ale_is_check_word(AleWord word);

}  // namespace vesk
