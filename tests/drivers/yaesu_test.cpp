// Yaesu builders and reply entries beside the golden table: the text commands' fields, the
// mode tables' gaps, the reply handling of each model and the remembered channel.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include "radio/drivers/driver_steps.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/yaesu.h"
#include "radio/family_ops.h"
#include "radio/serial_queue.h"

namespace vesk {
namespace {

using YaesuTest = test::DriverTest;

std::string text(const CatCommand& c) { return c.text(); }

TEST(YaesuText, FieldsOfTheTextCommands) {
  const struct {
    CatCommand got;
    const char* want;
  } cases[] = {
      {yaesu_ascii_freq(7102500), "FA07102500;"},
      {yaesu_ascii_freq(123456789), "FA23456789;"},  // the 100 MHz digit is dropped
      {yaesu_ascii_af_gain(5), "AG0005;"},
      {yaesu_ascii_af_gain(128), "AG0128;"},
      {yaesu_ascii_af_gain(255), "AG0255;"},
      {yaesu_ascii_tuner(YaesuAsciiSet::Ft2000, 1), "AC001;"},
      {yaesu_ascii_tuner(YaesuAsciiSet::Ft450, 2), "AC002;"},
      {yaesu_ascii_tuner(YaesuAsciiSet::Ftdx9000, 0), "AC0;"},
      {yaesu_ascii_antenna(1), "AN01;"},
      {yaesu_ascii_antenna(4), "AN04;"},
  };
  for (const auto& c : cases) EXPECT_EQ(text(c.got), c.want);

  const struct {
    YaesuAsciiSet set;
    int mode;
    const char* want;  // null: the set has no such mode and nothing is built
  } modes[] = {
      {YaesuAsciiSet::Ft2000, MODE_USB, "MD02;"}, {YaesuAsciiSet::Ft450, MODE_USB_D, "MD0C;"},
      {YaesuAsciiSet::Ft450, MODE_RTTY, "MD01;"}, {YaesuAsciiSet::Ft2000, 17, "MD0B;"},
      {YaesuAsciiSet::Ft2000, MODE_USB_D, nullptr}, {YaesuAsciiSet::Ftdx9000, MODE_FSK_R, "MD09;"},
  };
  for (const auto& m : modes) {
    CatCommand c;
    EXPECT_EQ(yaesu_ascii_mode(m.set, m.mode, c), m.want != nullptr) << m.mode;
    if (m.want != nullptr) {
      EXPECT_EQ(text(c), m.want);
    }
  }
}

// Every model's reply entry: which frames acknowledge, and the FT-980 / FT-767GX status
// request that goes out before the acknowledgement moves the queue on.
TEST_F(YaesuTest, ReplyEntries) {
  const struct {
    int type;
    bool acks;
    const char* queued;
  } cases[] = {
      {DB_FT990, true, "-"},        {DB_FT817, true, "-"},       {DB_VR5000, true, "-"},
      {DB_FT980, true, "00 00 00 00 0B"}, {DB_FT767, true, "00 00 00 00 0B"},
      {DB_VX1700, false, "-"},      {DB_FT847, false, "-"},      {DB_FT650, false, "-"},
      {DB_FTDX9000, true, "-"},     {DB_FT2000, false, "-"},     {DB_FT450, false, "-"},
  };
  const uint8_t frame[] = {0x00, 0x0A};
  for (const auto& c : cases) {
    set_type(c.type);
    serial_queue_reset(SQ_RADIO);
    sent.clear();
    acks = 0;
    start_ms_ = clock_->mono_ms();
    radio_ops(configured_radio()).on_reply(frame, 2);
    EXPECT_EQ(acks, c.acks ? 1 : 0) << c.type;
    EXPECT_EQ(sent_golden(), c.queued) << c.type;
  }
}

// The remembered channel belongs to the type it was tuned on: tuning the same channel twice
// sends the mode once (FT-1000MP); after another type was tuned, the mode goes out again.
TEST_F(YaesuTest, RememberedChannelFollowsTheType) {
  set_type(DB_FT1000MP);
  driver_step_tune_channel(7102500, MODE_USB);
  driver_step_tune_channel(7102500, MODE_USB);
  EXPECT_EQ(sent_golden(), "50 02 71 00 0A | 00 00 00 01 0C | 50 02 71 00 0A");
  set_type(DB_FT847);
  driver_step_tune_channel(7102500, MODE_USB);
  set_type(DB_FT1000MP);
  sent.clear();
  driver_step_tune_channel(7102500, MODE_USB);
  EXPECT_EQ(sent_golden(), "50 02 71 00 0A | 00 00 00 01 0C");
}

}  // namespace
}  // namespace vesk
