// The receivers' and channel transceivers' commands beside the golden table: the reference
// texts, the fields with rules of their own, the HF90M memory record, and the JRC remote step
// before an AF level.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include "radio/drivers/channel_radios.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/receivers.h"
#include "radio/family_ops.h"

namespace vesk {
namespace {

using ReceiversTest = test::DriverTest;

std::string freq_text(int type, uint32_t hz) {
  CatCommand c;
  return receiver_freq(type, hz, c) ? c.text() : "-";
}
std::string mode_text(int type, int mode) {
  CatCommand c;
  return receiver_mode(type, mode, c) ? c.text() : "-";
}

TEST(Receivers, ReferenceTexts) {
  const struct {
    std::string got;
    const char* want;
  } cases[] = {
      {freq_text(DB_JST245, 7102500), "F0007102500A\r"},
      {freq_text(DB_NRD535, 7102500), "F07102500\r"},
      {freq_text(DB_NRD525, 7102500), "F0710250\r"},
      {freq_text(DB_TCI8174, 7102500), "{Af07102500  }"},
      {freq_text(DB_TCI8174, 30000000), "-"},
      {freq_text(DB_R3030STX2, 5000), "\x02\x02" "01F00010000\r"},
      {freq_text(DB_EK2000, 7102500), "A00F7102500\n"},
      {freq_text(DB_EK2000, 5000), "A00F10000\n"},
      {freq_text(DB_AR8600, 2500000), "RF2.500\r\n"},
      {freq_text(DB_AR8600, 7102500), "RF7.10250\r\n"},
      {freq_text(DB_R8, 50000), "F 0.10000\r"},
      {freq_text(DB_R8, 31000000), "F 30.00000\r"},
      {freq_text(DB_SDR1000, 7102500), "FA00007102500;"},
      {freq_text(DB_SDR1000, 146520000), "FA00146520000;"},
      {freq_text(DB_CODAN, 7102500), "freq 7102\r"},
      {freq_text(DB_CODAN, 14250000), "freq 14250\r"},
      {mode_text(DB_SDR1000, MODE_USB_D), "ZZMD07;"},
      {mode_text(DB_SDR1000, MODE_TUNE), "-"},
      {mode_text(DB_CODAN, MODE_LSB), "mode lsb\r"},
      {mode_text(DB_CODAN, MODE_FM), "-"},
      {mode_text(DB_XK2100, MODE_FMW), "-"},
      {receiver_text(DB_HF2050, "SQ " + std::to_string(hf2050_squelch_step(200))).text(), "SQ 12\r"},
      {racal_bandwidth(DB_RA6830JD, 3300), "$85I3.3"},
      {racal_bandwidth(DB_RA6790GM, 3300), "$1I3.30"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);

  ChannelRecord ch{};
  ch.number = 1, ch.in_use = 1, ch.rx_freq_hz = ch.tx_freq_hz = 7102500, ch.rx_mode = MODE_USB;
  CatCommand c;
  ASSERT_TRUE(sea235_tune(ch, c));
  EXPECT_EQ(c.text(), "$PSEAS,15,,7102500,7102500,,R,H,U*1F\r");
  EXPECT_EQ(c.length, 37);
  ASSERT_TRUE(xk2100_tune(ch, c));
  EXPECT_EQ(c.text(), "\nI2,F7102500\r");
  ASSERT_TRUE(ek890_tune(ch, c));
  EXPECT_EQ(c.text(), "\nA00F7102500,I2\r");
  EXPECT_EQ(hf90m_memory_record(ch).text(), ":080008001871151157110200D7\r\n");
  ch.number = 0;
  ASSERT_TRUE(hf90m_select(ch, c));
  EXPECT_EQ(c.text(), "C01\r\n");
  ch.rx_freq_hz = 900000;
  EXPECT_FALSE(sea235_tune(ch, c));
  ch.in_use = 0;
  EXPECT_FALSE(hf90m_select(ch, c));
}

TEST(Receivers, FieldsWithRulesOfTheirOwn) {
  const struct {
    double level;
    int step;
  } squelch[] = {{0, 0}, {1, 1}, {67, 4}, {68, 4}, {200, 12}, {238, 14}, {255, 15}, {300, 15}};
  for (const auto& s : squelch) EXPECT_EQ(hf2050_squelch_step(s.level), s.step) << s.level;
  EXPECT_EQ(cubic_bandwidth_index(2700), 3);
  EXPECT_EQ(cubic_bandwidth_index(2701), 4);
  EXPECT_EQ(cubic_bandwidth_index(8000), 6);
  EXPECT_EQ(tci_filter_char(2700), '=');
  EXPECT_EQ(tci_filter_char(100), '5');
  EXPECT_EQ(tci_filter_char(3250), 0);
}

// An AF level to a JST-245 not yet under remote control goes after "H1"; the NRD-545 scales it.
TEST_F(ReceiversTest, JrcAfLevelAndRemote) {
  set_type(DB_JST245);
  const RadioTypeRow& jst = configured_radio();
  radio_ops(jst).set_af_gain(jst, 40);
  radio_ops(jst).set_af_gain(jst, 41);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"H1\r", "JJ040\r", "JJ041\r"}));
  set_type(DB_NRD545);
  sent.clear();
  const RadioTypeRow& nrd = configured_radio();
  radio_ops(nrd).set_af_gain(nrd, 100);
  EXPECT_EQ(sent_texts().back(), "JJ254\r");
}

// The NRD-545's remote-on re-sends its stored AF level: at set-up the level 0, and when an AF
// level finds the radio under local control (after the shut-down's "H0") the new level.
TEST_F(ReceiversTest, Nrd545RemoteOnResendsTheStoredLevel) {
  set_type(DB_NRD545);
  const RadioTypeRow& nrd = configured_radio();
  radio_ops(nrd).setup_start(nrd);
  radio_ops(nrd).set_af_gain(nrd, 40);
  radio_ops(nrd).shutdown(nrd);
  radio_ops(nrd).set_af_gain(nrd, 100);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"H1\r", "JJ000\r", "JJ102\r", "H0\r", "H1\r", "JJ254\r",
                                                    "JJ254\r"}));
}

}  // namespace
}  // namespace vesk
