#include "radio/drivers/radio_types.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

#include "radio/drivers/driver_steps.h"
#include "tests/drivers/driver_fixture.h"

namespace vesk {
namespace {

TEST(RadioTypes, TableHasOneRowPerNumberInOrder) {
  ASSERT_EQ(kRadioTypeTable.size(), 155u);
  for (int n = 0; n < kRadioTypeCount; ++n) EXPECT_EQ(kRadioTypeTable[static_cast<std::size_t>(n)].number, n);
  EXPECT_EQ(kRadioTypeDefault, DB_NONE);
}

TEST(RadioTypes, OutOfRangeNumbersReadAsUnknown) {
  for (int n : {-1, 155, 1000, INT_MIN, INT_MAX}) {
    EXPECT_FALSE(radio_type_valid(n));
    EXPECT_EQ(radio_type_row(n).number, 0) << n;
    EXPECT_EQ(radio_type_family(n), DriverFamily::None) << n;
    EXPECT_STREQ(radio_type_options_text(n), "UNKNOWN");
  }
}

// The options dialog shows a number's keyword and reads it back: every keyword must lead back
// to its own number, so a reopened and unchanged dialog keeps the type.
TEST(RadioTypes, OptionsKeywordsReadBackToTheirNumber) {
  int with_keyword = 0;
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.options_keyword == nullptr) {
      EXPECT_STREQ(radio_type_options_text(r.number), "UNKNOWN");
      continue;
    }
    ++with_keyword;
    EXPECT_EQ(radio_type_from_options_keyword(r.options_keyword), r.number) << r.options_keyword;
  }
  EXPECT_EQ(with_keyword, 150);
  EXPECT_EQ(radio_type_from_options_keyword("FT100"), 133);
  EXPECT_EQ(radio_type_from_options_keyword("ic7000"), 0);  // case-sensitive, whole text
  EXPECT_EQ(radio_type_from_options_keyword("IC700"), 0);
}

TEST(RadioTypes, CommandKeywordsDifferWhereTheTableSays) {
  const struct {
    const char* keyword;
    int number;
  } cases[] = {{"IC7751", 28}, {"FT1000", 79}, {"FT1000_QSS", 80}, {"PRC150", 138}, {"AR1", 140},
               {"R3030STX4", 116}, {"RF350ALK_AUD2", 98}, {"SKANTI8250", 126}, {"TT588rad", 151},
               {"TT588rem", 152}, {"IC7000", 30}, {"NONE", 133}};
  for (const auto& c : cases) EXPECT_EQ(radio_type_from_command_keyword(c.keyword), c.number) << c.keyword;
  for (int n : {0, 1, 48, 50, 56, 58, 95, 106, 135, 136, 137, 147, 148})
    EXPECT_EQ(radio_type_row(n).command_keyword, nullptr) << n;
  EXPECT_STREQ(radio_type_row(56).report_name, "KENWOOD_HD 57600 baud");
  EXPECT_STREQ(radio_type_row(133).report_name, "YAESU FT100");
}

TEST(RadioTypes, FamiliesCoverTheDriverGroups) {
  std::set<int> civ, kenwood, tk;
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.family == DriverFamily::IcomCiv) civ.insert(r.number);
    if (r.family == DriverFamily::Kenwood) kenwood.insert(r.number);
    if (r.family == DriverFamily::KenwoodTk) tk.insert(r.number);
  }
  EXPECT_EQ(civ.size(), 42u);
  EXPECT_TRUE(civ.count(DB_TT586) && civ.count(DB_R10) && civ.count(DB_IC7200) && civ.count(DB_GENERIC_ICOM));
  EXPECT_EQ(kenwood, (std::set<int>{51, 52, 53, 54, 55, 56, 57, 58}));
  EXPECT_EQ(tk, (std::set<int>{142, 143, 144}));
  for (int n : {0, 48, 50, 106, 133, 137}) EXPECT_EQ(radio_type_family(n), DriverFamily::None) << n;
}

// The text families read their command forms from the row: a row of theirs without its text
// set or channel set would send nothing, and a make's set-up without the texts it sends would
// send a null text. A mode listed twice in a set would never reach its second text.
TEST(RadioTypes, TextFamilyRowsNameTheirForms) {
  std::set<int> jrc, text, channel;
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.family == DriverFamily::JrcReceiver) jrc.insert(r.number);
    if (r.family == DriverFamily::TextRadio) text.insert(r.number);
    if (r.family == DriverFamily::ChannelRadio) channel.insert(r.number);
    if (r.family == DriverFamily::JrcReceiver || r.family == DriverFamily::TextRadio) {
      EXPECT_NE(r.text_set, nullptr) << r.number;
    }
    EXPECT_EQ(r.family == DriverFamily::ChannelRadio, r.channel_set != ChannelSet::None) << r.number;
    if (r.text_set != nullptr) {
      std::set<int> modes;
      for (const TextModeText& m : r.text_set->modes) EXPECT_TRUE(modes.insert(m.mode).second) << r.number;
    }
    if (r.receiver_make != ReceiverMake::None && r.receiver_make != ReceiverMake::Drake) {
      EXPECT_NE(r.setup_label, nullptr) << r.number;
      EXPECT_NE(r.attenuator_off_text, nullptr) << r.number;
      if (r.receiver_make != ReceiverMake::Aor) {
        EXPECT_NE(r.agc_fast_text, nullptr) << r.number;
      }
    }
  }
  EXPECT_EQ(jrc, (std::set<int>{DB_JST245, DB_NRD345, DB_NRD525, DB_NRD535, DB_NRD535D, DB_NRD545}));
  EXPECT_EQ(channel, (std::set<int>{DB_HF90M, DB_XK2100, DB_EK890, DB_EK896, DB_SEA235}));
  EXPECT_EQ(text.size(), 19u);
  EXPECT_TRUE(text.count(DB_CODAN) && text.count(DB_SDR1000) && text.count(DB_TCI8174) && text.count(DB_EK2000));
}

TEST(RadioTypes, ModeKeywords) {
  for (const ModeCodeName& m : kModeCodeNames) {
    EXPECT_EQ(mode_code_from_keyword(m.keyword), m.code);
    EXPECT_STREQ(mode_code_keyword(m.code), m.keyword);
  }
  EXPECT_EQ(mode_code_from_keyword("USBD"), 25);
  EXPECT_EQ(mode_code_from_keyword("usb"), 25);
  EXPECT_EQ(mode_code_keyword(15), nullptr);
}

using DriverStepsTest = test::DriverTest;

// A type without a driver, or a number "ALE.DAT" should never hold, sends nothing at all.
TEST_F(DriverStepsTest, TypesWithoutDriverSendNothing) {
  for (int type : {0, 48, 50, 133, 137, -5, 155, 100000}) {
    set_type(type);
    EXPECT_EQ(driver_step_set_freq(14250000), 0);
    EXPECT_EQ(driver_step_set_mode(MODE_USB), 0);
    EXPECT_EQ(driver_step_tune(14250000, MODE_USB), 0);
    EXPECT_EQ(driver_step_ptt_on(MODE_USB), 0);
    EXPECT_EQ(driver_step_ptt_off(), 0);
  }
  EXPECT_TRUE(sent.empty());
}

}  // namespace
}  // namespace vesk
