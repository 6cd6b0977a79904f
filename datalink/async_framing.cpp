#include "datalink/async_framing.h"

namespace vesk {

namespace {

struct BitWriter {
  std::vector<uint8_t>& out;
  int bits = 0;
  void put(int bit) {
    if (bits % 8 == 0) out.push_back(0);
    if (bit) out.back() |= static_cast<uint8_t>(0x80 >> (bits % 8));
    ++bits;
  }
};

}  // namespace

bool m110_async_frame(const uint8_t* data, std::size_t length, std::vector<uint8_t>* out) {
  const std::size_t bits = 10 * length + 40;
  const std::size_t bytes = bits / 8 + 1;  // a partial last byte, or the extra zero byte
  if (bytes > kAsyncFramedMax) return false;
  std::vector<uint8_t> framed;
  framed.reserve(bytes);
  BitWriter w{framed};
  for (int i = 0; i < 8; ++i) w.put(1);
  for (std::size_t k = 0; k < length; ++k) {
    w.put(0);
    for (int i = 0; i < 8; ++i) w.put((data[k] >> i) & 1);
    w.put(1);
  }
  static constexpr uint8_t kEom[4] = {0x4B, 0x65, 0xA5, 0xB2};
  for (uint8_t b : kEom)
    for (int i = 7; i >= 0; --i) w.put((b >> i) & 1);
  if (w.bits % 8 == 0) framed.push_back(0);
  *out = std::move(framed);
  return true;
}

void m110_deframe_bit(AsyncDeframer& d, int bit, void (*put)(int), void (*flush)()) {
  if (bit) {
    d.zero_run = 0;
  } else if (++d.zero_run == 8) {
    d.zero_run = 0;
    if (flush) flush();
  }
  if (d.state == 0) {
    if (!bit) {
      d.character = 0;
      d.state = 1;
    }
  } else if (d.state <= 8) {
    if (bit) d.character |= 1 << (d.state - 1);
    if (d.state == 8) {
      if (put) put(d.character);
      d.state = 9;
    } else {
      ++d.state;
    }
  } else if (bit) {
    d.state = 0;  // the stop bit; the next start bit is looked for only after a mark
  }
}

void m110_deframe_byte(AsyncDeframer& d, uint8_t byte, void (*put)(int), void (*flush)()) {
  for (int i = 7; i >= 0; --i) m110_deframe_bit(d, (byte >> i) & 1, put, flush);
}

}  // namespace vesk
