#include "ale/frames/slot_width.h"

#include "ale/frames/frame_sections.h"
#include "platform/station.h"

namespace vesk {

SlotWidthState& slot_width_state() { return station().state<SlotWidthState>(); }

int ale_tw_ms(double count_tw) { return static_cast<int>(count_tw * kAleTwMs); }

// ---- slot-width agreement ----

void ale_slot_width_set(int a_words, int b_words) {
  SlotWidthState& t = slot_width_state();
  if (a_words > 1 || b_words > 1) {
    t.width = 6 * a_words + 3 * b_words + 5;
    t.flag = 1;
  } else {
    t.flag = 0;
  }
}

void ale_slot_width_send() {
  SlotWidthState& t = slot_width_state();
  if (!t.flag) return;
  // The tw word goes as a section of ready-made words onto the call section queue.
  auto* section = new FrameSection;
  section->kind = SECTION_WORDS;
  section->words.push_back(ale_tw_word(t.width));
  if (ale_section_push_call(section) == 0) delete section;
}

void ale_slot_width_reset() {
  SlotWidthState& t = slot_width_state();
  t.width = 0;
  t.time = 0;
  t.flag = 0;
}

void ale_slot_width_flag_set(int on) { slot_width_state().flag = on ? 1 : 0; }
int ale_slot_width_flag() { return slot_width_state().flag; }
int ale_slot_width() { return slot_width_state().width; }
int ale_slot_time() { return slot_width_state().time; }

// ---- tw coding ----

int ale_tw_decode(int character) {
  static constexpr int kUnitTw[4] = {1, 9, 1377, 82656};
  const int count = kUnitTw[(character >> 5) & 3] * (character & 31);
  SlotWidthState& t = slot_width_state();
  t.width = count;
  t.time = ale_tw_ms(count);
  return t.time;
}

int ale_tw_encode(int count) {
  auto ceil_div = [](int a, int b) { return (a + b - 1) / b; };
  int character;
  if (count < 0) return -1;
  if (count <= 15)
    character = count;
  else if (count <= 135)
    character = 32 + ceil_div(count, 9);
  else if (count <= 20655)
    character = 64 + ceil_div(count, 1377);
  else if (count <= 1239840)
    character = 96 + ceil_div(count, 82656);
  else
    return -1;
  ale_tw_decode(character);
  return character;
}

AleWord ale_tw_word(int count) {
  const int c = ale_tw_encode(count);
  return ale_make_word(ALE_CMD, 't', 'w', static_cast<uint32_t>(c < 0 ? 0 : c));
}

}  // namespace vesk
