// The framed command sets beside the golden table: the reference frames, the LCR-2000's level
// per AF level, the answers that move the queue, and the SGC-2000's clock read.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "radio/drivers/framed_binary.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/timer_steps.h"

namespace vesk {
namespace {

using FramedTest = test::DriverTest;

ChannelRecord channel(int number, int rx_hz, int tx_hz, int mode) {
  ChannelRecord ch{};
  ch.number = static_cast<uint8_t>(number);
  ch.rx_freq_hz = rx_hz, ch.tx_freq_hz = tx_hz, ch.rx_mode = ch.tx_mode = mode;
  return ch;
}

TEST(FramedFrames, ReferenceFrames) {
  const struct {
    CatCommand got;
    const char* want;
  } cases[] = {
      {sgc_tune(channel(1, 7102500, 7102500, MODE_USB)), "08 85 25 10 07 25 10 07 41 3E"},
      // A split memory in LSB: 'a' | 0x04 = 'e'; channel 12 as BCD.
      {sgc_write_channel(channel(12, 7102500, 7105000, MODE_LSB)), "0A 84 12 00 25 10 07 50 10 07 65 9E"},
      {sgc_select_channel(12), "03 81 12 00 93"},
      {micom_frame(0x2B, {100, 0x00}), "24 03 18 2B 64 00 CE 03"},
      {micom_frame(0x13, {}), "24 01 18 13 50 03"},
      {micom_frame(0x24, {0x00, 0x00, 0x00, 0xC8}), "24 05 18 24 00 00 00 C8 2D 03"},
      {kachina_freq('R', 7102500), "02 52 4A F2 6E 97 03"},
      {ar7030_frame(7102500, MODE_USB), "81 50 31 4A 32 68 3D 61 36 6C 67 24 80"},
      {lcr_freq(5000), "02 30 30 31 46 30 30 30 31 30 30 30 30 0D"},      // limited to 10 kHz
      {lcr_freq(31000000), "02 30 30 31 46 33 30 30 30 30 30 30 30 0D"},  // and to 30 MHz
      {wjcsma_freq(7102500), "FE FE 10 F1 00 00 25 10 07 00 FD"},
  };
  for (const auto& c : cases) EXPECT_EQ(test::hex(c.got), c.want);
  EXPECT_EQ(kachina_freq_word(7102500), 183660183u);
  EXPECT_EQ(ar7030_tuning_word(7102500), 2675052u);
}

// Each AF level reaches the LCR-2000 as its own command (the same text for every level would
// leave the radio's level where it was).
TEST(FramedFrames, LcrAfLevelPerLevel) {
  const struct {
    int level;
    const char* text;
  } cases[] = {{0, "GA-0"}, {1, "GA-39"}, {5, "GA-35"}, {39, "GA-1"}, {40, "GA+ 0"}, {45, "GA+ 5"}, {100, "GA+60"}};
  std::set<std::string> seen;
  for (const auto& c : cases) {
    const std::string t = lcr_af_gain(c.level).text();
    EXPECT_EQ(t, std::string("\x02") + "001" + c.text + "\r") << c.level;
    seen.insert(t);
  }
  EXPECT_EQ(seen.size(), std::size(cases));
}

TEST_F(FramedTest, AnswersThatMoveTheQueue) {
  const struct {
    int type;
    std::vector<uint8_t> frame;
    int acks, naks;
  } cases[] = {
      {DB_WJCSMA, {0xFE, 0xFE, 0xE0, 0x10, 0xFB, 0xFD}, 1, 0},
      {DB_WJCSMA, {0xFE, 0xFE, 0xE0, 0x10, 0xFA, 0xFD}, 0, 1},
      {DB_WJCSMA, {0xFE, 0x00, 0xE0, 0x10, 0xFB, 0xFD}, 0, 0},
      {DB_LCR2000, {'O', 'K'}, 1, 0},
      {DB_SGC2000, {0x01, 0x93, 0x93}, 1, 0},
      {DB_SGC2000, {0x21, 0x93, 0x93}, 0, 0},  // header 16 or above: no acknowledgement
      {DB_MICOM, {0x24, 0x01, 0x18, 0x13, 0x50, 0x03}, 0, 0},
      {DB_K505DSP, {0xA6}, 0, 0},
  };
  for (const auto& c : cases) {
    set_type(c.type);
    acks = naks = 0;
    radio_ops(configured_radio()).on_reply(c.frame.data(), static_cast<int>(c.frame.size()));
    EXPECT_EQ(acks, c.acks) << c.type;
    EXPECT_EQ(naks, c.naks) << c.type;
  }
}

// The clock read: the date request after a break; the date answer (checked) brings the time
// request; the time answer ends it. A frame with a wrong sum changes nothing.
TEST_F(FramedTest, SgcClockRead) {
  set_type(DB_SGC2000);
  sgc_clock_read_start();
  EXPECT_EQ(sent_golden(), "+110 01 97 97");
  auto reply = [](std::vector<uint8_t> f) {
    radio_ops(configured_radio()).on_reply(f.data(), static_cast<int>(f.size()));
  };
  auto with_sum = [](std::vector<uint8_t> f) {
    unsigned s = 0;
    for (std::size_t i = 1; i < f.size(); ++i) s += f[i];
    f.push_back(static_cast<uint8_t>(s));
    return f;
  };
  sent.clear();
  reply({0x04, 0x81, 0x12, 0x31, 0x99, 0x00});  // wrong sum
  EXPECT_TRUE(sent.empty());
  reply(with_sum({0x04, 0x81, 0x12, 0x31, 0x99}));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(test::hex(sent[0].bytes), "01 96 96");
  EXPECT_FALSE(sgc_clock_read_result().complete);
  reply(with_sum({0x04, 0x81, 0x23, 0x59, 0x58}));
  const SgcClock c = sgc_clock_read_result();
  EXPECT_TRUE(c.complete);
  EXPECT_EQ(c.year, 1999);
  EXPECT_EQ(c.month, 12);
  EXPECT_EQ(c.day, 31);
  EXPECT_EQ(c.hour, 23);
  EXPECT_EQ(c.minute, 59);
  EXPECT_EQ(c.second, 58);
  // A later 0x81 answer changes nothing.
  sent.clear();
  reply(with_sum({0x04, 0x81, 0x01, 0x01, 0x05}));
  EXPECT_TRUE(sent.empty());
  EXPECT_EQ(sgc_clock_read_result().hour, 23);
}

}  // namespace
}  // namespace vesk
