// Message words of 141A frames: the LQA report, AMD text (plain and dictionary-coded),
// ready-made words and the frame check word. Each builder writes into the caller's word array
// (the frame composer sends it) and returns the number of words written; a builder whose words
// do not fit the array writes none. Every message word is fed to the frame CRC (word_build.h).
#pragma once

#include <cstdint>
#include <span>

#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr int kAmdTextMax = 90;  // characters of one AMD text

// The LQA report CMD word ("a", the flag, multipath, SINAD and BER fields) of what this
// station measured from the called station on the working channel; in AQC-ALE signalling the
// check word follows. Returns 1 or 2.
int ale_build_lqa_word(const char* called, int flag, std::span<AleWord> out);

// The AMD words of a text of at most 90 ASCII-64 characters: CMD, then DATA, REP, ... , the
// last blank-padded; then the host port's AMD-sent notice; in AQC-ALE signalling the check word
// follows. A longer text or one with other characters is refused: an error line, no words, no
// notice, 0 returned.
int ale_build_amd_words(const char* text, std::span<AleWord> out);

// The words of a dictionary-coded AMD text (7-bit codes): CMD with first character 0 and the
// first two codes, then 3 codes a word, DATA and REP alternating, blank-padded.
int ale_build_coded_amd_words(std::span<const uint8_t> codes, std::span<AleWord> out);

// Copies ready-made words, feeding each to the frame CRC.
int ale_copy_prepared_words(std::span<const AleWord> words, std::span<AleWord> out);

// The check word: CMD, first character 120 plus the top two bits of the complemented frame
// CRC, the low 14 bits below; tag 5. Resets the frame CRC. Returns 1.
int ale_check_word(AleWord* out);
// Builds the check word and queues it at once.
void ale_tx_check_word();

}  // namespace vesk
