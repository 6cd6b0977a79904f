// The manual radio control panel's logic through a stepped station: the keypad's exact
// frequencies, the limits, the mode buttons by radio type, the slider, saving and Goto Channel.
#include <gtest/gtest.h>

#include <cstdio>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "tests/ui/station_fixture.h"
#include "ui/radio_panel.h"
#include "ui/station_app.h"

namespace vesk {
namespace {

class RadioPanelTest : public test::SteppedStation {
 protected:
  RadioPanelTest() : SteppedStation("ADD OWN ALFA\nADD CHANNEL 7000000\n") {
    run_executor();
    p.record = panel_blank_record();
  }
  // Keys a text on the keypad, then ENT (1), Khz (1000) or Mhz (1000000).
  void keys(const std::string& text, int multiplier) {
    panel_clear(p);
    for (char c : text) panel_key(p, c);
    panel_enter(p, multiplier);
  }
  RadioPanel p;
};

TEST_F(RadioPanelTest, KeypadEntries) {
  const struct {
    const char* keys;
    int multiplier;
    int hz;
  } cases[] = {{"14.235", 1000000, 14235000}, {"5", 1000, 10000},       {"100000000", 1, 88000000},
               {"2.002", 1000000, 2002000},   {"3000", 1000000, 88000000}, {"7.0999999", 1000000, 7099999},
               {"14235.5", 1000, 14235500},   {"99999999999999999999", 1, 88000000}};
  for (const auto& c : cases) {
    keys(c.keys, c.multiplier);
    EXPECT_EQ(p.freq, c.hz) << c.keys;
    EXPECT_EQ(p.entry, " " + std::to_string(c.hz)) << c.keys;
    EXPECT_EQ(p.record.rx_freq_hz, c.hz);
    EXPECT_FALSE(p.entry_active);
  }
  // Every three-decimal MHz value from 1.5 to 30 MHz is tuned exactly.
  int wrong = 0;
  for (int khz = 1500; khz <= 30000; ++khz) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", khz / 1000, khz % 1000);
    keys(text, 1000000);
    wrong += p.freq != khz * 1000 ? 1 : 0;
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(RadioPanelTest, NoNumberTunesNothing) {
  keys("14", 1000000);
  const int tunings = p.tunings;
  for (const char* text : {"", ".", "*"}) {
    keys(text, 1000);
    EXPECT_EQ(p.freq, 14000000) << text;
  }
  EXPECT_EQ(p.tunings, tunings);
  panel_clear(p);
  panel_delete(p);
  EXPECT_EQ(p.entry, "") << "DEL after CLR leaves it empty";
  panel_enter(p, 1);
  EXPECT_EQ(p.tunings, tunings);
}

TEST_F(RadioPanelTest, StepsAtTheLimitsTuneWhatIsShown) {
  keys("15000", 1);
  p.step = 10000;
  const int tunings = p.tunings;
  panel_down(p);
  EXPECT_EQ(p.freq, 10000);
  EXPECT_EQ(p.entry, " 10000");
  EXPECT_EQ(p.tunings, tunings + 1) << "the clamped value is tuned";
  keys("87995000", 1);
  panel_up(p);
  EXPECT_EQ(p.freq, 88000000);
  EXPECT_EQ(p.record.rx_freq_hz, 88000000);
}

TEST_F(RadioPanelTest, ShowChannelLeavesDigitsBeingKeyed) {
  ChannelRecord c{};
  c.rx_freq_hz = 7000000;
  c.rx_mode = 15;
  panel_key(p, '1');
  panel_key(p, '4');
  panel_show_channel(p, &c);
  EXPECT_EQ(p.entry, "14");
  panel_enter(p, 1000000);
  panel_show_channel(p, &c);
  EXPECT_EQ(p.entry, " 7000000");
  EXPECT_EQ(p.mode_text, " ISB ");
}

TEST_F(RadioPanelTest, ModeButtonsByRadioType) {
  const struct {
    int type;
    PanelMode button;
    const char* text;  // the mode text after the button
    int mode;          // the working record's mode after it
    bool sent;
  } cases[] = {
      {73, PanelMode::DigU, " DIG-U ", 22, true},  {61, PanelMode::DigU, " USB ", 1, false},
      {68, PanelMode::DigU, " FT817 DIG ", 14, true}, {20, PanelMode::DigU, " USB ", 22, true},
      {79, PanelMode::FmNW, " FM-W  ", 18, false}, {4, PanelMode::FmNW, " USB ", 1, false},
      {61, PanelMode::DigL, " DIG-L ", 1, false},  {25, PanelMode::DigL, " DIG-L ", 21, true},
      {61, PanelMode::CwR, " CW-R  ", 8, false},   {67, PanelMode::CwR, " CW-R  ", 8, true},
      {109, PanelMode::PktU, " PKT ", 16, false},  {109, PanelMode::FPsk, " USB ", 1, false},
      {118, PanelMode::Isb, " ISB ", 15, true},    {61, PanelMode::Isb, " USB ", 1, true},
      {63, PanelMode::AmN, " AM-N  ", 13, true},   {61, PanelMode::AmN, " AM-N  ", 13, false},
  };
  for (const auto& c : cases) {
    db_set_radio_type(c.type);
    panel_mode(p, PanelMode::Usb);
    const int tunings = p.tunings;
    panel_mode(p, c.button);
    EXPECT_EQ(p.mode_text, c.text) << c.type;
    EXPECT_EQ(p.record.rx_mode, c.mode) << c.type;
    EXPECT_EQ(p.tunings - tunings, c.sent ? 1 : 0) << c.type;
  }
  run_executor();
}

// The data variants' mode buttons send the mode shown, with the plain model's tuning (their
// channel tuning always sends the data mode): 7.1 MHz and the LSB mode block, in each model's
// order.
TEST_F(RadioPanelTest, DataVariantsSendTheModeShown) {
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  radio.set_port_number(1);
  radio.set_settings("4800,N,8,2");
  radio.open();
  const std::pair<int, const char*> cases[] = {{68, "00 71 00 00 01 00 00 00 00 07"},
                                               {70, "00 00 00 00 07 00 71 00 00 01"}};
  for (const auto& [type, bytes] : cases) {
    db_set_radio_type(type);
    p.record.rx_freq_hz = p.record.tx_freq_hz = 7100000;
    fake_->clear_events();
    panel_mode(p, PanelMode::Lsb);
    run_executor();
    for (int i = 0; i < 20; ++i) station_.sim_clock()->advance_ms(100), station_app_step();
    EXPECT_EQ(FakeSerialBackend::hex(fake_->written(1)), bytes) << type;
  }
}

TEST_F(RadioPanelTest, SliderByRadioType) {
  const struct {
    int type, kenwood, max;
  } cases[] = {{149, 0, 255}, {51, 11, 0}, {51, 15, 255}, {55, 21, 255}, {47, 0, 100},
               {103, 0, 127}, {132, 0, 125}, {143, 0, 31}, {133, 0, 0},  {999, 0, 0}};
  for (const auto& c : cases) EXPECT_EQ(panel_slider_max(c.type, c.kenwood), c.max) << c.type;
}

TEST_F(RadioPanelTest, SaveChannel) {
  EXPECT_EQ(panel_save_channel(p), "") << "0 Hz adds nothing";
  EXPECT_EQ(db_channel_in_use(2), 0);
  keys("14.1", 1000000);
  EXPECT_EQ(panel_save_channel(p), "");
  EXPECT_EQ(db_channel_in_use(2), 1);
  for (int n = 3; n <= 256; ++n) {
    ChannelRecord r = panel_blank_record();
    r.rx_freq_hz = r.tx_freq_hz = 5000000 + n;
    db_add_channel(r);
  }
  EXPECT_EQ(panel_save_channel(p), "RADIO PANEL: CHANNEL TABLE FULL, CHANNEL NOT SAVED");
}

TEST_F(RadioPanelTest, GotoChannel) {
  bool closes = false;
  EXPECT_TRUE(goto_channel_ok("", &closes));
  EXPECT_TRUE(closes);
  EXPECT_EQ(queued(), 0u) << "an empty selection only closes";
  for (const char* bad : {"abc", "0", "300", "5"}) {
    EXPECT_FALSE(goto_channel_ok(bad, &closes)) << bad;
    EXPECT_FALSE(closes);
  }
  EXPECT_TRUE(goto_channel_ok("01  RX   7000000Hz - TX   7000000Hz", &closes));
  EXPECT_EQ(queued(), 1u);
  run_executor();
}

}  // namespace
}  // namespace vesk
