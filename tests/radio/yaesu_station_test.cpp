// The Yaesu radios through the station's own radio control on the recording serial fake:
// every type's set-up (commands with their times), channel setting, keying and the antenna.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/setup_table.h"

namespace vesk {
namespace {

class YaesuStationTest : public test::CatRadioFixture {
 protected:
  static constexpr int kSetUpMs = 300;  // until the set-up's commands have left
  // A channel that may transmit, stored in the table at `index`.
  static ChannelRecord channel(int index, int rx_hz, int rx_mode, int tx_mode) {
    ChannelRecord ch{};
    ch.rx_freq_hz = ch.tx_freq_hz = rx_hz;
    ch.rx_mode = rx_mode, ch.tx_mode = tx_mode;
    ch.permission = CHANNEL_BX;
    ch.in_use = 1;
    db_store_channel(index, ch);
    return ch;
  }
};

// Each type's set-up as the radio port sees it: the start step after opening, the set-up
// commands 200 ms apart, and the unkey of the release at the end (no radio answers here, so
// the queue moves on by its 50 ms reply time).
TEST_F(YaesuStationTest, SetUpOfEveryType) {
  const struct {
    int type;
    const char* writes;
  } cases[] = {
      {DB_FT450, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT450HS, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT650, "200 00 00 00 00 00 | 400 00 00 00 00 88"},
      {DB_FT757GX, "200 00 00 00 00 04"},
      {DB_FT767, ""},
      {DB_FT600, "200 00 00 00 00 0F"},
      {DB_FT817, "200 00 00 00 00 00 | 400 00 00 00 00 85 | 600 00 00 00 00 82 | 650 00 00 00 00 88"},
      {DB_FT817DIG, "200 00 00 00 00 00 | 250 00 00 00 00 85 | 450 00 00 00 00 82 | 650 00 00 00 00 88"},
      {DB_VX1700, "200 FF FF FF FF FF | 400 00 00 00 00 0F | 600 00 00 00 00 03 | 650 00 00 00 00 88"},
      {DB_VX1700J2B, "200 FF FF FF FF FF | 400 00 00 00 00 0F | 600 00 00 00 00 03 | 650 00 00 00 00 88"},
      {DB_FT847, "200 00 00 00 00 00 | 250 00 00 00 00 8E | 450 00 00 00 00 88"},
      {DB_FT890, "200 00 00 00 00 01 | 400 00 00 00 01 09 | 600 00 00 00 00 0F"},
      {DB_FT920, "200 00 00 00 01 09 | 400 00 00 00 00 0F"},
      {DB_FT920DATA, "200 00 00 00 01 09 | 400 00 00 00 00 0F"},
      {DB_FT950, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT950HS, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT980, "400 00 00 00 0F 05 | 600 00 00 00 FE 04"},
      {DB_FT990, "200 00 00 00 00 05 | 400 00 00 00 00 09 | 600 00 00 00 00 0F"},
      {DB_FT1000MP,
       "200 00 00 00 00 01 | 400 00 00 00 01 09 | 600 00 00 00 81 09 | 1000 00 00 00 00 0F"},
      {DB_FT1000MP_QSS, "200 00 00 00 00 0F"},
      {DB_FTDX9000, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT2000, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FT2000HS, "200 53 50 30 3B | 400 52 54 30 3B | 600 58 54 30 3B | 1000 54 58 30 3B"},
      {DB_FRG100, ""},
      {DB_FRG8800, ""},
      {DB_VR5000, ""},
      {DB_FT897, "200 00 00 00 00 00 | 250 00 00 00 00 88"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    db_set_radio_type(c.type);
    EXPECT_EQ(writes_of([] { radio_setup(); }), c.writes);
    EXPECT_FALSE(log_has("radio driver not built yet"));
  }
}

// The receivers tell the operator that they are set up: the opening line before the port is
// opened (so a missing port leaves only it), the closing line after the start step.
TEST_F(YaesuStationTest, ReceiverSetUpLines) {
  const struct {
    int type;
    std::string label;
  } cases[] = {{DB_FRG100, "FRG-100B"}, {DB_FRG8800, "FRG-8800"}, {DB_VR5000, "VR-5000"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    clear();
    db_set_radio_type(c.type);
    radio_setup();
    EXPECT_EQ(setup_lines(), (std::vector<std::string>{c.label + " being initialized", c.label + " has been initialized"}));
  }
  clear();
  fake().set_unavailable(1, true);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"VR-5000 being initialized"}));
}

TEST_F(YaesuStationTest, SetUpLinesAndTheSwitch) {
  db_set_radio_type(DB_FT990);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{
                               "FT-990/Generic Yaesu being initialized", "FT-990 set to VFO A",
                               "FT-990 supports SPLIT MODE for QS/S", "FT-990 CLARIFIER set to OFF",
                               "Please select FILTERS of 2.4Khz or wider", "Please set your AGC to FAST",
                               "Please set your SPEECH PROCESSOR (PROC) to OFF", "Please set your NOTCH FILTER to OFF",
                               "Please set your NOISE BLANKER to OFF", "Please set your IPO to OFF",
                               "Please set your IF SHIFT to 1625hz", "FT-990/Generic Yaesu has been initialized"}));
  // FT-847 with the switch on: no satellite command and no "Disabled" line, the advice all
  // the same.
  clear();
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  db_set_radio_type(DB_FT847);
  EXPECT_EQ(writes_of([] { radio_setup(); }), "200 00 00 00 00 00 | 250 00 00 00 00 88");
  const std::vector<std::string> lines = setup_lines();
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines.front(), "FT-847 being initialized");
  EXPECT_EQ(lines[9], "Please set your DSP FILTER to OFF");
  // A text radio with the switch on: the line in place of the commands.
  clear();
  db_set_radio_type(DB_FT2000HS);
  EXPECT_EQ(writes_of([] { radio_setup(); }), "200 54 58 30 3B");
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"FT2000 RTS/CTS being initialized", kPreconfigDisabledLine,
                                                     "FT2000 RTS/CTS has been initialized"}));
}

// Channel setting: the FT-990's first channel puts the transmit mode on VFO B first; a
// second channel of the same receive mode sends the frequency only. Keying by CAT.
TEST_F(YaesuStationTest, ChannelSettingAndKeying) {
  set_up(DB_FT990, kSetUpMs);
  EXPECT_EQ(writes_of([] { radio_set_channel(1, channel(1, 7102500, MODE_USB, MODE_LSB)); }),
            "0 00 00 00 01 05 | 100 00 00 00 00 0C | 200 00 00 00 00 05 | 300 00 00 00 01 0C | "
            "350 50 02 71 00 0A");
  EXPECT_EQ(writes_of([] { radio_set_channel(2, channel(2, 14109000, MODE_USB, MODE_USB)); }),
            "0 00 09 41 01 0A");
  EXPECT_EQ(writes_of([] { ptt_on(); }), "0 00 00 00 01 0F");
  EXPECT_EQ(writes_of([] { ptt_off(); }), "0 00 00 00 00 0F");

  // The text radios key with "TX1;" and "TX0;" ("TX;" only reads the state).
  set_up(DB_FT950, kSetUpMs);
  EXPECT_EQ(writes_of([] { ptt_on(); }), "0 54 58 31 3B");
  EXPECT_EQ(writes_of([] { ptt_off(); }), "0 54 58 30 3B");
}

// The antenna command is "AN0" and the port digit, every byte set; a port the radio does
// not have is refused with the radio's own line.
TEST_F(YaesuStationTest, AntennaPortThroughChannelSetting) {
  db_set_ant_switch_type(ANT_RADIO_CAT);
  set_up(DB_FT950, kSetUpMs);
  ChannelRecord ch = channel(1, 7102500, MODE_USB, MODE_USB);
  ch.antenna_port = 2;
  EXPECT_EQ(writes_of([&] { radio_set_channel(1, ch); }).substr(0, 16), "0 41 4E 30 32 3B");
  ch.antenna_port = 3;
  const std::string w = writes_of([&] { radio_set_channel(2, ch); });
  EXPECT_EQ(w.find("41 4E"), std::string::npos) << w;
  EXPECT_TRUE(log_has("[ANT SW ERROR: No ANT port change. FT2000 only supports 4 ports, 5 is RX only.]"));
}

}  // namespace
}  // namespace vesk
