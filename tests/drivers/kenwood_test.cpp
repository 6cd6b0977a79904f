#include "radio/drivers/kenwood.h"

#include <gtest/gtest.h>

#include "radio/drivers/kenwood_tk.h"
#include "radio/drivers/radio_types.h"
#include "tests/drivers/driver_fixture.h"

namespace vesk {
namespace {

using KenwoodTest = test::DriverTest;

TEST_F(KenwoodTest, BuildersWriteTheirCommands) {
  uint8_t* s = cat_slot_next();
  kenwood_set_vfo_a_freq(s, 7040000);
  kenwood_set_vfo_b_freq(s, 14250000);
  kenwood_set_mode(s, MODE_USB_D);
  kenwood_set_mode(s, MODE_TUNE);
  kenwood_set_af_gain(s, 45);
  kenwood_set_af_gain(s, 255);
  kenwood_set_filter_width(s, 2600);
  kenwood_set_is(s, 300);
  kenwood_set_dsp_high(s, 5);
  kenwood_tuner_start(s);
  kenwood_select_filter(s, 0, 4);
  kenwood_select_filter(s, 6, 1);
  kenwood_set_rx_vfo(s, 0);
  kenwood_set_tx_vfo(s, 1);
  kenwood_read_id(s);
  kenwood_ptt_on_tx1(s);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"FA00007040000;", "FB00014250000;", "MD2;", "MD8;", "AG0045;",
                                                    "AG0255;", "FW2600;", "IS0300;", "SH05;", "AC111;",
                                                    "FL001007;", "FL010002;", "FR0;", "FT1;", "ID;", "TX1;"}));
  // The builder writes into the slot it was given, from its first byte.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(s), 4), "TX1;");
}

TEST(Kenwood, ModeDigits) {
  const struct {
    int mode;
    char digit;
  } cases[] = {{MODE_LSB, '1'}, {MODE_LSB_D, '1'}, {MODE_USB, '2'}, {MODE_USB_D, '2'}, {MODE_CW, '3'},
               {MODE_FM, '4'},  {MODE_AM, '5'},    {MODE_FSK, '6'}, {MODE_CW_R, '7'}, {MODE_TUNE, '8'},
               {MODE_FSK_R, '9'}};
  for (const auto& c : cases) EXPECT_EQ(kenwood_mode_digit(c.mode), c.digit) << c.mode;
}

// The whole set, spare rows included: every command is letters and digits ending in ";",
// short enough for a slot, and the parameter forms come out as the set defines them.
TEST(Kenwood, WholeSetFormats) {
  for (int i = 0; i < static_cast<int>(kKenwoodCommandSet.size()); ++i) {
    const CatCommand c = kenwood_format(i, 7, 3);
    ASSERT_GE(c.length, 3) << i;
    EXPECT_LE(c.length, kCatCommandMax);
    EXPECT_EQ(c.bytes[c.length - 1], ';') << i;
    for (int k = 0; k < c.length - 1; ++k) EXPECT_TRUE(std::isupper(c.bytes[k]) || std::isdigit(c.bytes[k]) || c.bytes[k] == ' ') << i;
  }
  auto spare = [](const char* head, AsciiParam p, int64_t a, int64_t b) {
    for (int i = kKenwoodUsedCount; i < static_cast<int>(kKenwoodCommandSet.size()); ++i) {
      const AsciiCatRow& r = kKenwoodCommandSet[static_cast<std::size_t>(i)];
      if (std::string(r.head) == head && r.param == p) return kenwood_format(i, a, b).text();
    }
    return std::string("missing");
  };
  EXPECT_EQ(spare("MR", AsciiParam::FlagSpaceTwo, 1, 7), "MR1 07;");
  EXPECT_EQ(spare("MC ", AsciiParam::Two, 42, 0), "MC 42;");
  EXPECT_EQ(spare("LK", AsciiParam::Flag, 0, 0), "LK1;");
  EXPECT_EQ(spare("LK", AsciiParam::Flag, 5, 0), "LK0;");
  EXPECT_EQ(spare("PC", AsciiParam::Three, 50, 0), "PC050;");
  EXPECT_EQ(spare("RM", AsciiParam::Digit, 3, 0), "RM3;");
  EXPECT_EQ(spare("GT125", AsciiParam::None, 0, 0), "GT125;");
}

TEST_F(KenwoodTest, MemoryWriteIs24Bytes) {
  kenwood_memory_write(cat_slot_next(), 1, 7, 14250000, MODE_USB, 1, 1, 12);
  kenwood_memory_write(cat_slot_next(), 0, 99, 3596000, MODE_FSK_R, 0, 0, 0);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"MW1 070001425000021012 ;", "MW0 990000359600090100 ;"}));
  EXPECT_EQ(sent[0].bytes.size(), 24u);
}

TEST_F(KenwoodTest, EveryReplyAcknowledges) {
  for (const char* f : {"FA00007040000;", ";", "?;", "id020;"}) kenwood_on_reply(reinterpret_cast<const uint8_t*>(f), 1);
  EXPECT_EQ(acks, 4);
}

TEST_F(KenwoodTest, TkSetsDifferOnlyInTheTerminator) {
  uint8_t* s = cat_slot_next();
  tk90_set_vfo_a_freq(s, 3596000);
  tk80_set_vfo_a_freq(s, 3596000);
  tk90_select_memory_channel(s, 7);
  tk80_select_memory_channel(s, 256);
  tk90_set_mode(s, MODE_FSK);
  tk80_set_mode(s, MODE_AM);
  tk90_set_mode(s, 14);
  tk90_set_af_gain(s, 100);
  tk90_set_channel_mode(s, 2);
  tk80_clear_rx_clarifier(s);
  tk90_tuner_bypass(s);
  tk_power_on(s, kTk80Terminator);
  EXPECT_EQ(sent_texts(),
            (std::vector<std::string>{"FA00003596000\r", "FA00003596000;", "MC 007\r", "MC 256;", "MD4\r", "MD5;",
                                      "MD6\r", "AG100\r", "FR2\r", "RC;", "AC100\r", ";", "PS1;"}));
  for (int i = 0; i < static_cast<int>(kTkCommandSet.size()); ++i) {
    EXPECT_EQ(tk_format(i, kTk90Terminator, 1, 2).bytes[tk_format(i, kTk90Terminator, 1, 2).length - 1], '\r');
  }
  tk90_on_reply(nullptr, 0);
  tk80_on_reply(nullptr, 0);
  EXPECT_EQ(acks, 2);
}

TEST(KenwoodTk, ModeDigits) {
  const struct {
    int mode;
    char digit;
  } cases[] = {{MODE_LSB, '1'}, {MODE_USB, '2'}, {MODE_CW, '3'}, {MODE_FSK, '4'}, {MODE_AM, '5'}, {14, '6'}};
  for (const auto& c : cases) EXPECT_EQ(tk_mode_digit(c.mode), c.digit) << c.mode;
}

}  // namespace
}  // namespace vesk
