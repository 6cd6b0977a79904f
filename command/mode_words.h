// The mode words of the command language and the frequency files: matched exactly and
// case-sensitively, not through the keyword table.
#pragma once

namespace vesk {

struct ModeWord {
  const char* word;
  int mode;  // ModeCode
};

inline constexpr ModeWord kModeWords[] = {
    {"LSB", 0}, {"USB", 1},  {"CW", 2},   {"FM", 3},     {"FMW", 4},    {"AM", 5},     {"FSK", 6},
    {"RTTY", 7}, {"CW_R", 8}, {"TUNE", 9}, {"FSK_R", 10}, {"LSB-D", 21}, {"USB-D", 22},
};

// The word of a ModeCode, "???" for a value outside the list.
inline const char* mode_word_of(int mode) {
  for (const ModeWord& m : kModeWords)
    if (m.mode == mode) return m.word;
  return "???";
}

}  // namespace vesk
