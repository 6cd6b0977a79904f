// Random DTM blocks through the receive path: each input is a run of frames. A frame starts
// with a 3-byte DTM header (KD bits and DC as given) and is followed by 4-byte records (24 word
// bits and a quality byte); a record whose quality byte is 0xFF is a check word, one whose
// first byte is 0xFF ends the frame. Blocks made from the input by the transmitter (first
// byte even) reach the delivery and merge paths too.
#include <array>
#include <cstddef>
#include <cstdint>

#include "tests/ale/messages/message_rx_fuzz_harness.h"

using vesk::test::MessageFuzzHarness;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MessageFuzzHarness harness("vesk-dtm-fuzz-");
  vesk::StationScope scope(*harness.st);
  size_t i = 0;
  while (i + 3 <= size) {
    MessageFuzzHarness::start();
    const int mode = data[i];
    if ((mode & 1) == 0) {
      // A block the transmitter makes of the next bytes, then some of its words damaged.
      vesk::MessageBlock b;
      b.header = (mode & 0x3C) << 8;
      const size_t n = data[i + 1] % 120;
      for (size_t k = 0; k < n && i + 3 + k < size; ++k) b.data.push_back(data[i + 3 + k]);
      std::array<vesk::AleWord, vesk::kDtmWordsMax> out{};
      vesk::ale_crc_reset();
      const int words = vesk::dtm_transmit(b, out);
      for (int k = 0; k < words; ++k) {
        vesk::RxWordRecord r;
        r.word = out[static_cast<size_t>(k)] & vesk::kAleWordBits;
        r.sinad = 10;
        if (data[i + 2] != 0 && k % (data[i + 2] % 7 + 2) == 0) {
          r.word ^= data[i + 2];
          r.vote_disagreements = data[i + 2] % 49;
        }
        vesk::ale_rx_word(r);
      }
      i += 3 + n;
    } else {
      MessageFuzzHarness::feed(vesk::kDtmHeaderWord | static_cast<vesk::AleWord>((data[i] & 0x3C) << 8) |
                               static_cast<vesk::AleWord>((data[i + 1] << 8 | data[i + 2]) & 0x3FF));
      i += 3;
      while (i + 4 <= size && data[i] != 0xFF) {
        vesk::RxWordRecord r;
        r.word = static_cast<uint32_t>(data[i]) << 16 | static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
        if (data[i + 3] == 0xFF) r.word = MessageFuzzHarness::word(vesk::ALE_CMD, "x\0\0") | (r.word & 0x3FFF);
        r.vote_disagreements = data[i + 3] % 49;
        r.golay_errors = data[i + 3] % 5;
        r.sinad = 10;
        vesk::ale_rx_word(r);
        i += 4;
      }
      ++i;
    }
    MessageFuzzHarness::end();
  }
  return 0;
}
