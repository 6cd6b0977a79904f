// The command forms of a text-command radio, as data: how each command is framed, how the
// frequency is written and which text each mode takes. A radio type's row names its set
// (`RadioTypeRow::text_set`); the builders (radio/drivers/receivers.h) read only the set.
// A new model that speaks an existing form is a set here and a row; the sets are in
// text_command_sets.cpp, named after the models that speak them.
#pragma once

#include <cstdint>
#include <span>

namespace vesk {

// The frequency command: `head`, the frequency, `tail`. The frequency is clamped to lo .. hi
// first (hi 0: no clamp), then written either as decimal digits of hz / divisor (`width`
// digits with leading zeros, 0: as many as it has) or, with a `format`, as a printf number
// of `unit` Hz.
struct TextFreqForm {
  const char* head = nullptr;  // null: the radio takes no frequency command
  int width = 0;
  uint32_t divisor = 1;
  const char* format = nullptr;
  double unit = 1.0;
  const char* tail = "";
  uint32_t lo = 0;
  uint32_t hi = 0;
  uint32_t below = 0;                   // no command at or above this frequency (0: no limit)
  uint32_t short_up_to = 0;             // at or below this frequency: `short_format`, no tail
  const char* short_format = nullptr;
};

struct TextModeText {
  int mode;
  const char* text;  // null: no command for this mode
};

struct TextCommandSet {
  const char* head = "";    // before every command (a prefix, the bus address)
  const char* tail = "\r";  // after every command
  TextFreqForm freq{};
  std::span<const TextModeText> modes{};
  const char* other_mode = nullptr;     // the text of a mode not listed; null: no command
  const char* bandwidth_format = nullptr;  // the bandwidth command, a printf of kHz
  const char* af_level_head = nullptr;     // the AF level command: head, three digits, tail; null: none
  const char* af_level_tail = "";
};

// The sets (text_command_sets.cpp).
extern const TextCommandSet kTextDefault;  // bare text and CR
extern const TextCommandSet kTextJst245;
extern const TextCommandSet kTextNrd;      // NRD-345, NRD-535, NRD-535D
extern const TextCommandSet kTextNrd525;
extern const TextCommandSet kTextNrd545;
extern const TextCommandSet kTextTci8174;
extern const TextCommandSet kTextR3030Stx1;
extern const TextCommandSet kTextR3030Stx2;
extern const TextCommandSet kTextR3030Stx3;
extern const TextCommandSet kTextR2411u;
extern const TextCommandSet kTextRa6790gm;
extern const TextCommandSet kTextRa6830jd;
extern const TextCommandSet kTextEk2000;
extern const TextCommandSet kTextEk89x;
extern const TextCommandSet kTextHf2050;
extern const TextCommandSet kTextAr8600;
extern const TextCommandSet kTextAr5000;
extern const TextCommandSet kTextArOne;
extern const TextCommandSet kTextDrakeR8;
extern const TextCommandSet kTextWj;      // WJ-8711, HF-1000
extern const TextCommandSet kTextSdr1000;
extern const TextCommandSet kTextCodan;
extern const TextCommandSet kTextXk2100;
extern const TextCommandSet kTextHf90m;

}  // namespace vesk
