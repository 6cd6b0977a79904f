#include "radio/drivers/ascii_cat.h"

#include "radio/drivers/cat_encode.h"

namespace vesk {

namespace {
uint64_t magnitude(int64_t v) { return v < 0 ? static_cast<uint64_t>(-v) : static_cast<uint64_t>(v); }
}  // namespace

int ascii_cat_format(uint8_t* out, const AsciiCatRow& row, int64_t a, int64_t b, uint8_t terminator) {
  int n = 0;
  for (const char* h = row.head; *h != '\0'; ++h) out[n++] = static_cast<uint8_t>(*h);
  switch (row.param) {
    case AsciiParam::None: break;
    case AsciiParam::Digit: n += put_decimal(out + n, magnitude(a), 1); break;
    case AsciiParam::Flag: out[n++] = a != 0 ? '0' : '1'; break;
    case AsciiParam::Two: n += put_decimal(out + n, magnitude(a), 2); break;
    case AsciiParam::Three: n += put_decimal(out + n, magnitude(a), 3); break;
    case AsciiParam::Four: n += put_decimal(out + n, magnitude(a), 4); break;
    case AsciiParam::Freq11: n += put_decimal(out + n, magnitude(a), 11); break;
    case AsciiParam::FlagSpaceTwo:
      out[n++] = a != 0 ? '1' : '0';
      out[n++] = ' ';
      n += put_decimal(out + n, magnitude(b), 2);
      break;
  }
  out[n++] = terminator;
  return n;
}

int ascii_cat_memory_write(uint8_t* out, int flag, int channel, uint32_t hz, uint8_t mode_digit, int arg4,
                           int arg5, int arg6, uint8_t terminator) {
  int n = 0;
  out[n++] = 'M';
  out[n++] = 'W';
  out[n++] = flag != 0 ? '1' : '0';
  out[n++] = ' ';
  n += put_decimal(out + n, magnitude(channel), 2);
  n += put_decimal(out + n, hz, 11);
  out[n++] = mode_digit;
  out[n++] = arg4 != 0 ? '1' : '0';
  out[n++] = arg5 == 1 ? '0' : '1';
  n += put_decimal(out + n, magnitude(arg6), 2);
  out[n++] = ' ';
  out[n++] = terminator;
  return n;
}

}  // namespace vesk
