// Yaesu command sets: the five-byte blocks of the older radios (and the Vertex VX-1700) and
// the ";"-ended text commands of the FT-450, FT-950, FT-2000 and FTdx9000.
//
// A five-byte block is four parameter bytes and an opcode (the VR-5000 puts its opcode
// first). Each model is one row of `kYaesuModels`: its frequency form and opcodes, its mode
// table and its keying blocks. The builders here only format; the family's operations
// (radio/yaesu_ops.cpp) queue what they build.
#pragma once

#include <cstdint>

#include "radio/drivers/cat_contract.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

// How a block carries the frequency (in 10 Hz units; the units digit of the hertz value is
// dropped).
enum class YaesuFreqForm : uint8_t {
  LsbFirst,  // 100/10 Hz, 10k/1k, 1M/100k as BCD pairs, then the whole 10 MHz as a binary byte
  MsbFirst,  // 100M/10M, 1M/100k, 10k/1k, 100/10 Hz as BCD pairs
  Vr5000,    // opcode first, the whole 10 MHz as a binary byte, then 1M/100k, 10k/1k, 100/10 Hz
};

// Where a mode block carries the mode value.
enum class YaesuModeAt : uint8_t { First, Fourth, Second };

struct YaesuModel {
  int type;
  YaesuFreqForm form;
  uint8_t freq_op;        // set (VFO A) frequency
  uint8_t vfo_b_freq_op;  // set VFO B frequency; 0: none
  uint8_t mode_op;
  YaesuModeAt mode_at;
  // Mode tables as "code:value" pairs in hexadecimal values ("0:00 1:01 ..."); a code that is
  // not listed has no value and its mode block is not sent.
  const char* modes;
  const char* vfo_b_modes;  // null: the model has no VFO B mode table
  bool keyed;               // the model has keying blocks
  uint8_t ptt_on[5];
  uint8_t ptt_off[5];
};

// The row of a five-byte type, or null.
const YaesuModel* yaesu_model(int type);

// The value a mode table gives a mode code, or -1 when the table does not list it.
int yaesu_mode_value(const char* table, int mode);

CatCommand yaesu_block(uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5);
// 00 00 00 `param` `opcode`: the fixed commands.
CatCommand yaesu_op(uint8_t param, uint8_t opcode);
CatCommand yaesu_freq_block(const YaesuModel& m, uint32_t hz, bool vfo_b = false);
// False (and nothing built) for a mode the model's table does not list.
bool yaesu_mode_block(const YaesuModel& m, int mode, bool vfo_b, CatCommand& out);

// ---- text commands ----

// The text command set of a type (its row's `yaesu_ascii_set`).
YaesuAsciiSet yaesu_ascii_set(int type);

CatCommand yaesu_text(const char* text);
// "FA" and the frequency's eight low decimal digits (hertz modulo 100 MHz).
CatCommand yaesu_ascii_freq(uint32_t hz);
// "MD0", the mode character, ";"; false for a mode the set's table does not list.
bool yaesu_ascii_mode(YaesuAsciiSet set, int mode, CatCommand& out);
// "AG0" and the level as three digits.
CatCommand yaesu_ascii_af_gain(int level);
// Tuner: 0 off, 1 on, 2 start ("AC000;" .. "AC002;"; the FTdx9000: "AC0;" .. "AC2;").
CatCommand yaesu_ascii_tuner(YaesuAsciiSet set, int step);
// "AN0" and the antenna port as a digit.
CatCommand yaesu_ascii_antenna(int port);
// Keying: "TX1;" and "TX0;" (CAT transmit on and off; "TX;" only reads the state).
inline constexpr const char* kYaesuAsciiPttOn = "TX1;";
inline constexpr const char* kYaesuAsciiPttOff = "TX0;";

}  // namespace vesk
