// Asynchronous character framing for the serial-tone modem: when the data link mode is ASYNC,
// data goes as start-stop characters (a 0 start bit, 8 data bits least significant first, a 1
// stop bit) behind 8 mark bits and closed by the 32-bit end-of-message pattern 4B 65 A5 B2,
// packed most significant bit first. The deframer turns received bits back into characters
// for the received-text buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesk {

// The framed buffer holds 10,000 bytes: 7,995 data bytes at most.
inline constexpr std::size_t kAsyncFramedMax = 10000;
inline constexpr std::size_t kAsyncMaxMessage = (kAsyncFramedMax * 8 - 40) / 10 - 1;

// Frames `length` bytes into `out` (10 x length + 40 bits, the last byte zero-filled, one more
// zero byte when the bits end on a byte boundary). False, with `out` untouched, when the
// framed message would not fit its buffer.
bool m110_async_frame(const uint8_t* data, std::size_t length, std::vector<uint8_t>* out);

struct AsyncDeframer {
  int state = 0;      // 0 idle, 1-8 data bits, 9 stop
  int character = 0;
  int zero_run = 0;   // consecutive 0 bits
};

// One received bit (1 = mark); characters go to `put`, a run of eight 0 bits calls `flush`.
void m110_deframe_bit(AsyncDeframer& d, int bit, void (*put)(int), void (*flush)());
// The 8 bits of a received byte, most significant first.
void m110_deframe_byte(AsyncDeframer& d, uint8_t byte, void (*put)(int), void (*flush)());

}  // namespace vesk
