#include "ale/words/golay.h"

namespace vesk {

namespace {

// Check-bit row of each data bit, data bit 11 first.
constexpr std::array<int32_t, 12> kCheckRows = {
    0b101011100011, 0b111110010010, 0b110100101011, 0b110001110110, 0b110011011001, 0b011001101101,
    0b001100110111, 0b101101111000, 0b010110111100, 0b001011011110, 0b101110001101, 0b010111000111,
};

constexpr std::array<int32_t, 4096> make_encode_table() {
  std::array<int32_t, 4096> t{};
  for (int data = 0; data < 4096; ++data) {
    int32_t check = 0;
    for (int bit = 0; bit < 12; ++bit)
      if (data & (1 << bit)) check ^= kCheckRows[static_cast<std::size_t>(11 - bit)];
    t[static_cast<std::size_t>(data)] = check;
  }
  return t;
}

constexpr std::array<int32_t, 4096> kEncode = make_encode_table();

constexpr int32_t syndrome_of(int32_t pattern) {
  return ((pattern & 0xFFF) ^ kEncode[static_cast<std::size_t>((pattern >> 12) & 0xFFF)]) & 0xFFF;
}

// Fills the entry of a pattern's syndrome unless an earlier (lighter or smaller) one has.
constexpr void claim(std::array<int32_t, 4096>& t, std::array<bool, 4096>& filled, int32_t pattern, int weight) {
  const auto s = static_cast<std::size_t>(syndrome_of(pattern));
  if (filled[s]) return;
  filled[s] = true;
  t[s] = (weight << 12) | ((pattern >> 12) & 0xFFF);
}

// Patterns of each weight are visited in ascending numeric order, the data bits being the
// high half, so the first claim of a weight-4 coset is its smallest data part and then its
// smallest check part.
constexpr std::array<int32_t, 4096> make_decode_table() {
  std::array<int32_t, 4096> t{};
  std::array<bool, 4096> filled{};
  claim(t, filled, 0, 0);
  for (int a = 0; a < 24; ++a) claim(t, filled, 1 << a, 1);
  for (int a = 1; a < 24; ++a)
    for (int b = 0; b < a; ++b) claim(t, filled, (1 << a) | (1 << b), 2);
  for (int a = 2; a < 24; ++a)
    for (int b = 1; b < a; ++b)
      for (int c = 0; c < b; ++c) claim(t, filled, (1 << a) | (1 << b) | (1 << c), 3);
  for (int a = 3; a < 24; ++a)
    for (int b = 2; b < a; ++b)
      for (int c = 1; c < b; ++c)
        for (int d = 0; d < c; ++d) claim(t, filled, (1 << a) | (1 << b) | (1 << c) | (1 << d), 4);
  return t;
}

constexpr std::array<int32_t, 4096> kDecode = make_decode_table();

static_assert(kEncode[0x001] == 0x5C7 && kEncode[0x800] == 0xAE3);
static_assert(kDecode[0] == 0);

}  // namespace

constinit const std::array<int32_t, 4096> kGolayEncodeTable = kEncode;
constinit const std::array<int32_t, 4096> kGolayDecodeTable = kDecode;

}  // namespace vesk
