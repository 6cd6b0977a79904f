// Word builders of 141A frames: address words, the calling cycle (scanning call and leading
// call), the endings TIS and TWAS, soundings; and the two pieces of state that run across one
// frame: the transmit word tag that linking protection reads, and the running frame CRC-16
// that the check word closes (frame_build.h holds the message words and the check word).
//
// Address words go straight to the word transmit queue through `ale_builder_tx_word`.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "ale/words/ale_word.h"

namespace vesk {

struct WordBuildState {
  // Tag state for the next address word: 1 and 2 alternate (scanning call, soundings),
  // 3 opens a call and is followed by 4, 4 stays (endings, FROM words).
  int tag_state = 1;
  // Frame CRC-16 over the message words (polynomial 0x1021, from 0xFFFF).
  int32_t frame_crc = 0xFFFF;
  // While a lead-in sound plays, the frame's words wait here instead of in the transmit queue.
  bool holding = false;
  std::vector<AleWord> held;
};

WordBuildState& word_build_state();

// Hands a finished word to the word transmit queue, or keeps it while words are held.
void ale_builder_tx_word(AleWord word);
// Keeps the words handed over from now on back from the transmit queue (a lead-in sound plays
// first); the release returns them, in order, and hands words over again.
void ale_builder_hold_words();
std::vector<AleWord> ale_builder_release_held();

// Packs the first `count` (0-3) characters of the text with the preamble, "@" in the missing
// places, puts the tag of the tag state on it, advances the tag state and queues the word.
void ale_emit_address_word(uint32_t preamble, std::string_view text, int count);
// All words of one address: the first with the preamble, then DATA, REP, DATA, REP, the last
// "@"-padded. An address with characters outside the basic-38 set logs "INVALID ADDRESS" and
// is still sent; an empty one or one of more than 15 characters sends nothing.
void ale_build_address_words(uint32_t preamble, std::string_view address);
void ale_set_word_tag(int tag);

// The leading call to the addresses (tag state 3), ending with a frame CRC reset.
void ale_build_leading_call(int count, const char* const* addresses);
// The scanning call for a number of scan channels, and for the in-use channels of the current
// scan group.
void ale_build_scanning_call(int count, const char* const* addresses, int channels);
void ale_build_scanning_call_for_group(int count, const char* const* addresses);

void ale_build_tis(std::string_view address);
void ale_build_twas(std::string_view address);
void ale_build_from(std::string_view address);
void ale_build_tis_sounding(std::string_view address);
void ale_build_twas_sounding(std::string_view address);

void ale_crc_reset();
// Feeds the 24 word bits, high byte first.
void ale_crc_add_word(AleWord word);

}  // namespace vesk
