#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "datalink/async_framing.h"

namespace vesk {
namespace {

std::string framed_text;
int flushes = 0;
void put(int c) { framed_text.push_back(static_cast<char>(c)); }
void flush() { ++flushes; }

TEST(AsyncFraming, Vectors) {
  struct Case {
    std::vector<uint8_t> message;
    std::vector<uint8_t> framed;
  };
  const Case cases[] = {
      {{0x41}, {0xFF, 0x41, 0x52, 0xD9, 0x69, 0x6C, 0x80}},
      {{0x41, 0x42, 0x43, 0x44}, {0xFF, 0x41, 0x48, 0x56, 0x14, 0x45, 0x4B, 0x65, 0xA5, 0xB2, 0x00}},
      {{}, {0xFF, 0x4B, 0x65, 0xA5, 0xB2, 0x00}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out;
    ASSERT_TRUE(m110_async_frame(c.message.data(), c.message.size(), &out));
    EXPECT_EQ(out, c.framed) << c.message.size() << " bytes";
  }
}

TEST(AsyncFraming, TheFramedBufferHoldsItsLongestMessageAndRefusesMore) {
  std::vector<uint8_t> msg(kAsyncMaxMessage + 1, 'A');
  std::vector<uint8_t> out = {1, 2, 3};
  EXPECT_FALSE(m110_async_frame(msg.data(), msg.size(), &out));
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3}));
  ASSERT_TRUE(m110_async_frame(msg.data(), kAsyncMaxMessage, &out));
  EXPECT_LE(out.size(), kAsyncFramedMax);
  EXPECT_EQ(kAsyncMaxMessage, 7995u);
}

TEST(AsyncFraming, DeframerRoundTripIdleAndZeroBytes) {
  struct Case {
    std::string text;
    int min_flushes;  // runs of eight 0 bits
  };
  for (const Case& c : {Case{"HELLO WORLD\n", 0}, Case{std::string("A\0B", 3), 1}, Case{"", 0}}) {
    framed_text.clear();
    flushes = 0;
    AsyncDeframer d;
    std::vector<uint8_t> framed;
    ASSERT_TRUE(m110_async_frame(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size(), &framed));
    for (int i = 0; i < 4; ++i) m110_deframe_byte(d, 0xFF, put, flush);  // idle before
    EXPECT_TRUE(framed_text.empty());
    for (uint8_t b : framed) m110_deframe_byte(d, b, put, flush);
    // The end-of-message pattern deframes into characters of its own after the text.
    EXPECT_EQ(framed_text.substr(0, c.text.size()), c.text);
    EXPECT_GE(flushes, c.min_flushes);
  }
}

}  // namespace
}  // namespace vesk
