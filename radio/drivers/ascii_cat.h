// Text CAT commands of the Kenwood form: two letters (or a fixed head), a fixed-width decimal
// parameter, a terminator. One row describes a command; one formatter writes every row, so
// a driver's whole command set, spare commands included, is a table.
#pragma once

#include <cstdint>

namespace vesk {

enum class AsciiParam : uint8_t {
  None,
  Digit,         // the argument as one digit
  Flag,          // '0' for a nonzero argument, '1' for zero
  Two,           // two digits
  Three,         // three digits
  Four,          // four digits
  Freq11,        // eleven digits of hertz
  FlagSpaceTwo,  // '1' when the first argument is nonzero else '0', a blank, the second as two digits
};

struct AsciiCatRow {
  const char* head;
  AsciiParam param;
  bool spare;  // sent by no operation; part of the set all the same
};

// Writes head, parameter and terminator into `out` (room for 49 bytes); returns the length.
int ascii_cat_format(uint8_t* out, const AsciiCatRow& row, int64_t a, int64_t b, uint8_t terminator);

// The memory-write command of the Kenwood form (24 bytes with its terminator): "MW", a digit
// ('1' when `flag` is nonzero), a blank, the channel as two digits, eleven digits of hertz,
// the mode digit, a digit ('1' when `arg4` is nonzero), a digit ('0' when `arg5` is 1, else
// '1'), `arg6` as two digits, a blank and the terminator.
int ascii_cat_memory_write(uint8_t* out, int flag, int channel, uint32_t hz, uint8_t mode_digit, int arg4,
                           int arg5, int arg6, uint8_t terminator);

}  // namespace vesk
