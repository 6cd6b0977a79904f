// Random DBM messages through the receive path: each input is a run of frames. A frame starts
// with a 3-byte DBM header (KD bits, DC as given) followed by groups of 19 bytes (147 bits and a
// signal quality), or (first byte even) with a message the transmitter's body coder makes of
// the next bytes, some of its bits turned over, so the decode, merge and delivery paths run.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/ale/messages/message_rx_fuzz_harness.h"

using vesk::test::MessageFuzzHarness;

namespace {

void feed_group(const uint8_t* bits, double sinad) {
  vesk::RxWordRecord r;
  for (int b = 0; b < vesk::ALE_WORD_BITS; ++b) r.raw_bits[static_cast<size_t>(b)] = bits[b] & 1;
  r.sinad = sinad;
  r.vote_disagreements = 30;
  vesk::ale_rx_word(r);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MessageFuzzHarness harness("vesk-dbm-fuzz-");
  vesk::StationScope scope(*harness.st);
  size_t i = 0;
  while (i + 3 <= size) {
    MessageFuzzHarness::start();
    const int mode = data[i];
    const bool text = (mode & 4) != 0;
    if ((mode & 1) == 0) {
      const int n = data[i + 1] % 200;
      std::vector<uint8_t> body;
      for (int k = 0; k < n && i + 3 + static_cast<size_t>(k) < size; ++k) body.push_back(data[i + 3 + static_cast<size_t>(k)]);
      const int length = static_cast<int>(body.size());
      const int blocks = vesk::dbm_data_blocks(text, length);
      const int dc = vesk::dbm_data_count(text, length);
      MessageFuzzHarness::feed(vesk::kDbmHeaderWord | static_cast<vesk::AleWord>((mode & 0x3C) << 8) |
                               static_cast<vesk::AleWord>(dc));
      if (blocks > 0) {
        std::vector<uint8_t> bits = vesk::dbm_interleave(vesk::dbm_body_values(text, body.data(), length, blocks));
        for (size_t k = data[i + 2]; data[i + 2] != 0 && k < bits.size(); k += data[i + 2] + 13u) bits[k] ^= 1;
        for (size_t at = 0; at + vesk::ALE_WORD_BITS <= bits.size(); at += vesk::ALE_WORD_BITS)
          feed_group(&bits[at], 10);
      }
      i += 3 + static_cast<size_t>(length);
    } else {
      MessageFuzzHarness::feed(vesk::kDbmHeaderWord | static_cast<vesk::AleWord>((mode & 0x3C) << 8) |
                               static_cast<vesk::AleWord>((data[i + 1] << 8 | data[i + 2]) & 0x3FF));
      i += 3;
      while (i + 19 <= size && data[i] != 0xFF) {
        uint8_t bits[vesk::ALE_WORD_BITS];
        for (int b = 0; b < vesk::ALE_WORD_BITS; ++b) bits[b] = (data[i + static_cast<size_t>(b / 8)] >> (b % 8)) & 1;
        feed_group(bits, data[i + 18] / 16.0);
        i += 19;
      }
      ++i;
    }
    MessageFuzzHarness::end();
  }
  return 0;
}
