// The slot-width agreement that a caller announces in a tw command word (the width of each
// response slot in word times, its time in ms, and whether it is in force), the coding of that
// word's time value, and the ALE word time that every timing period counts in.
//
// The command-word decoder stores a heard agreement; a call with long addresses or messages
// sets its own and sends the tw word in the call; the link timing reads it for the slots.
#pragma once

#include <atomic>

#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr double kAleTwMs = 130.666666;  // one ALE word time

struct SlotWidthState {
  int width = 0;  // Tw
  int time = 0;   // ms
  std::atomic<int> flag{0};
};

SlotWidthState& slot_width_state();

// ms of a count of word times, truncated.
int ale_tw_ms(double count_tw);

void ale_slot_width_set(int a_words, int b_words);
// Queues the tw word of an agreement in force as a call section.
void ale_slot_width_send();
void ale_slot_width_reset();
void ale_slot_width_flag_set(int on);
int ale_slot_width_flag();
int ale_slot_width();
int ale_slot_time();

// tw time coding. Decode stores count as the width and its ms as the time, returns the time;
// encode returns the time character (-1 for a count above 1,239,840 Tw, nothing stored).
int ale_tw_decode(int character);
int ale_tw_encode(int count);
// CMD word "t", "w", encode(count).
AleWord ale_tw_word(int count);

}  // namespace vesk
