#include "radio/drivers/icom_civ.h"

#include <gtest/gtest.h>

#include "tests/drivers/driver_fixture.h"

namespace vesk {
namespace {

using test::hex;
using CivTest = test::DriverTest;

TEST(Civ, FrequencyFrames) {
  EXPECT_EQ(hex(civ_frame_set_freq(DB_IC7000, 14250000)), "FE FE 70 E0 05 00 00 25 14 00 FD");
  EXPECT_EQ(hex(civ_frame_set_freq(DB_IC735, 14250000)), "FE FE 04 E0 05 00 00 25 14 FD");
  EXPECT_EQ(hex(civ_frame_set_freq(DB_TT586, 7102500)), "FE FE 2C E0 05 00 25 10 07 FD");
  EXPECT_EQ(civ_frame_set_freq(DB_IC7800, 1296000000).bytes[9], 0x12);
}

TEST(Civ, AddressesAndDefault) {
  EXPECT_EQ(civ_address_for(DB_GENERIC_ICOM), 0x48);
  EXPECT_EQ(civ_address_for(DB_IC706), 0x48);
  EXPECT_EQ(civ_address_for(DB_IC746PRO), kCivEmulationAddress);
  EXPECT_EQ(civ_address_for(DB_R9500), 0x72);
  EXPECT_EQ(civ_address_for(DB_TT586), 0x2C);
  EXPECT_EQ(civ_address_for(-1), 0x48);
  // Every type with an address of its own is a CI-V type.
  int addressed = 0;
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.civ_address == kCivDefaultAddress) continue;
    EXPECT_TRUE(civ_is_type(r.number)) << r.number;
    ++addressed;
  }
  EXPECT_EQ(addressed, 40);
}

TEST(Civ, ModeMap) {
  const struct {
    int mode;
    uint8_t civ;
  } cases[] = {{MODE_LSB, 0}, {MODE_LSB_D, 0}, {MODE_USB, 1}, {MODE_USB_D, 1}, {MODE_AM, 2}, {MODE_CW, 3},
               {MODE_FSK, 4}, {MODE_RTTY, 4}, {MODE_FM, 5},   {MODE_FMW, 6},   {MODE_FSK_R, 8}, {23, 0x12},
               {24, 0x13},    {MODE_CW_R, 0}, {MODE_TUNE, 0}, {15, 0},         {25, 0},         {-3, 0}};
  for (const auto& c : cases) EXPECT_EQ(civ_mode_byte(c.mode), c.civ) << c.mode;
}

TEST(Civ, AfGainField) {
  EXPECT_EQ(hex(civ_frame_af_gain(DB_IC7000, 128)), "FE FE 70 E0 14 01 01 28 FD");
  EXPECT_EQ(hex(civ_frame_af_gain(DB_IC7000, 5)), "FE FE 70 E0 14 01 00 05 FD");
  EXPECT_EQ(hex(civ_frame_af_gain(DB_IC7000, 255)), "FE FE 70 E0 14 01 02 55 FD");
}

TEST(Civ, CommandSetFramesAreSixToElevenBytes) {
  for (const CivFixedRow& row : kCivFixedCommands) {
    const CatCommand c = civ_frame_fixed(DB_IC7800, row.id);
    EXPECT_GE(c.length, 6);
    EXPECT_LE(c.length, 11);
    EXPECT_EQ(c.bytes[c.length - 1], kCivEnd);
  }
  EXPECT_EQ(hex(civ_frame_fixed(DB_IC7800, CivFixed::TunerStart)), "FE FE 6A E0 1C 01 02 FD");
  EXPECT_EQ(hex(civ_frame_fixed(DB_IC7800, CivFixed::AttenuatorOn)), "FE FE 6A E0 11 12 FD");
}

TEST(Civ, CapabilityMatrixSpotChecks) {
  EXPECT_TRUE(civ_type_takes(DB_IC7800, CivStep::Antenna4));
  EXPECT_FALSE(civ_type_takes(DB_IC756PRO, CivStep::Antenna4));
  EXPECT_TRUE(civ_type_takes(DB_R9500, CivStep::AfLevelMute));
  EXPECT_FALSE(civ_type_takes(DB_R9500, CivStep::AfLevelSetting));
  EXPECT_TRUE(civ_type_takes(DB_IC756, CivStep::AfLevelSetting));
  EXPECT_FALSE(civ_type_takes(DB_IC756, CivStep::AfLevelMute));
  EXPECT_FALSE(civ_type_takes(DB_GENERIC_ICOM, CivStep::FreqModeSplit));
  EXPECT_FALSE(civ_type_takes(DB_R75, CivStep::FreqModeSplit));
  EXPECT_TRUE(civ_type_takes(DB_TT586, CivStep::PttTt586));
  EXPECT_FALSE(civ_type_takes(DB_TT586, CivStep::Ptt));
  EXPECT_FALSE(civ_type_takes(DB_KENWOOD, CivStep::Ptt));  // not a CI-V type
}

TEST_F(CivTest, DataModeStepFollowsTheModeFrame) {
  const struct {
    int type;
    int mode;
    const char* frames;
  } cases[] = {
      {DB_IC746PRO, MODE_USB_D, "FE FE 66 E0 06 01 FD | FE FE 66 E0 1A 06 01 FD"},
      {DB_IC703, MODE_LSB_D, "FE FE 68 E0 06 00 FD | FE FE 68 E0 1A 04 01 FD"},
      {DB_IC7200, MODE_USB_D, "FE FE 76 E0 06 01 FD | FE FE 76 E0 1A 04 01 01 FD"},
      {DB_IC7800, MODE_USB_D, "FE FE 6A E0 06 01 FD | FE FE 6A E0 1A 06 01 01 FD"},
      {DB_IC7000, MODE_USB_D, "FE FE 70 E0 06 01 FD"},
      {DB_IC746PRO, MODE_USB, "FE FE 66 E0 06 01 FD"},
      {DB_IC756PRO, MODE_CW_R, "FE FE 5C E0 06 00 FD"},
  };
  for (const auto& c : cases) {
    sent.clear();
    set_type(c.type);
    civ_set_mode(c.mode);
    EXPECT_EQ(sent_golden(), c.frames) << c.type << " " << c.mode;
  }
}

TEST_F(CivTest, QueueingBuildersReadTheTypeAtEachCall) {
  set_type(DB_IC7000);
  civ_ptt_on();
  set_type(DB_IC706);
  civ_ptt_on();
  set_type(DB_IC703);
  civ_data_mode_off();
  civ_select_vfo(1);
  civ_select_main_sub(0);
  civ_set_af_gain(45);
  EXPECT_EQ(sent_golden(),
            "FE FE 70 E0 1C 00 01 FD | FE FE 48 E0 1C 00 01 FD | FE FE 68 E0 1A 04 00 FD | FE FE 68 E0 07 01 FD | "
            "FE FE 68 E0 07 D0 FD | FE FE 68 E0 14 01 00 45 FD");
}

TEST_F(CivTest, MemoryWriteSequence) {
  set_type(DB_IC756PRO);
  civ_memory_write(7, 7102500, MODE_USB_D);
  EXPECT_EQ(sent_golden(),
            "FE FE 5C E0 08 07 FD | FE FE 5C E0 05 00 25 10 07 00 FD | FE FE 5C E0 06 01 FD | "
            "FE FE 5C E0 1A 06 01 FD | FE FE 5C E0 09 FD");
}

TEST_F(CivTest, RepliesAckRefuseOrIgnore) {
  const struct {
    std::vector<uint8_t> frame;
    CatReply reply;
  } cases[] = {
      {{0xFE, 0xFE, 0xE0, 0x5C, 0xFB, 0xFD}, CatReply::Ack},
      {{0xFE, 0xFE, 0xE0, 0x5C, 0xFA, 0xFD}, CatReply::Nak},
      {{0xFE, 0xFE, 0x5C, 0xE0, 0x05, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD}, CatReply::Ignore},  // echo
      {{0xFE, 0xFE, 0xE0, 0x5C, 0x03, 0x00, 0x00, 0x25, 0x14, 0x00, 0xFD}, CatReply::Ignore},  // data
      {{0xFE, 0xFE, 0xE0, 0xFD}, CatReply::Ignore},                                             // short
      {{0xFB, 0xFD}, CatReply::Ignore},
      {{0xFD}, CatReply::Ignore},
      {{0x00, 0xFE, 0xE0, 0x5C, 0xFB, 0xFD}, CatReply::Ignore},
      {{0xFE, 0x00, 0xE0, 0x5C, 0xFB, 0xFD}, CatReply::Ignore},
  };
  int want_acks = 0, want_naks = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(civ_parse_reply(c.frame.data(), static_cast<int>(c.frame.size())), c.reply) << hex(c.frame);
    civ_on_reply(c.frame.data(), static_cast<int>(c.frame.size()));
    want_acks += c.reply == CatReply::Ack;
    want_naks += c.reply == CatReply::Nak;
  }
  EXPECT_EQ(civ_parse_reply(nullptr, 6), CatReply::Ignore);
  EXPECT_EQ(acks, want_acks);
  EXPECT_EQ(naks, want_naks);
}

TEST(Civ, EmulationAnswers) {
  EXPECT_EQ(hex(kCivEmulationOk.data(), 6), "FE FE E0 66 FB FD");
  EXPECT_EQ(hex(kCivEmulationNg.data(), 6), "FE FE E0 66 FA FD");
  EXPECT_EQ(civ_parse_reply(kCivEmulationOk.data(), 6), CatReply::Ack);
}

}  // namespace
}  // namespace vesk
