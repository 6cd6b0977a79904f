// The station options dialog's logic through a stepped station on the serial fake.
#include <gtest/gtest.h>

#include <cstring>

#include "db/database.h"
#include "db/options.h"
#include "tests/ui/station_fixture.h"
#include "ui/options_dialog.h"

namespace vesk {
namespace {

class OptionsDialog : public test::SteppedStation {
 protected:
  OptionsDialog() : SteppedStation("ADD OWN ALFA\n") { run_executor(); }
  std::vector<uint8_t> options_bytes() {
    DbLock lock;
    return std::vector<uint8_t>(lock.options().bytes, lock.options().bytes + kOptionsSize);
  }
  int number_index(const char* text) {
    const auto& rows = option_numbers();
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (std::strcmp(rows[i].text, text) == 0) return static_cast<int>(i);
    return -1;
  }
  // OK with one change; returns the outcome after the executor ran.
  ConfigOutcome ok_with(const std::function<void(OptionsView&)>& change) {
    OptionsView v = options_open();
    change(v);
    const ConfigOutcome o = options_ok(v);
    run_executor();
    return o;
  }
  std::size_t opens() { return fake_->events(db_get_radio_port(), FakeSerialBackend::Kind::Open).size(); }
};

TEST_F(OptionsDialog, OpenThenOkChangesNothingAndRerunsNoSetUp) {
  const std::vector<uint8_t> before = options_bytes();
  const std::size_t opened = opens();
  fake_->clear_events();
  ASSERT_TRUE(ok_with([](OptionsView&) {}).ok);
  EXPECT_EQ(options_bytes(), before);
  EXPECT_EQ(fake_->events(db_get_radio_port(), FakeSerialBackend::Kind::Open).size(), 0u) << "no set-up";
  EXPECT_FALSE(fake_->events(db_get_radio_port(), FakeSerialBackend::Kind::Dtr).empty()) << "DTR set";
  (void)opened;
}

TEST_F(OptionsDialog, DeviceTexts) {
  const struct {
    const char* field;  // "radio", "atu", "ant"
    const char* text;
    int stored;
    const char* shown;
  } cases[] = {{"radio", "FT100", 133, "NONE"}, {"radio", "IC7200", 149, "IC7200"},
               {"atu", "Z100", 3, "Z100"},      {"atu", "SteppIR", 4, "SteppIR"},
               {"ant", "LPT_LINES", 7, "LPT_LINES"}, {"atu", "SOMETHING", 1, "RADIO CAT"}};
  for (const auto& c : cases) {
    const std::string f = c.field;
    ASSERT_TRUE(ok_with([&](OptionsView& v) { (f == "radio" ? v.radio : f == "atu" ? v.atu : v.ant_switch) = c.text; }).ok)
        << c.text;
    const int got = f == "radio" ? db_get_radio_type() : f == "atu" ? db_get_atu_type() : db_get_ant_switch_type();
    EXPECT_EQ(got, c.stored) << c.text;
    const OptionsView v = options_open();
    EXPECT_EQ(f == "radio" ? v.radio : f == "atu" ? v.atu : v.ant_switch, c.shown) << c.text;
  }
  // An unmatched radio text is refused: the station keeps its radio.
  const int radio = db_get_radio_type();
  const ConfigOutcome o = ok_with([](OptionsView& v) { v.radio = "NOSUCHRADIO"; });
  EXPECT_FALSE(o.ok);
  EXPECT_EQ(o.field, kFieldRadio);
  EXPECT_EQ(db_get_radio_type(), radio);
}

TEST_F(OptionsDialog, TypedNumbersAndTexts) {
  ASSERT_TRUE(ok_with([](OptionsView& v) { v.tnc_baud = "4800"; }).ok);
  EXPECT_EQ(db_get_tnc_baud(), 4800);
  EXPECT_EQ(options_open().tnc_baud, "9600");
  ASSERT_TRUE(ok_with([](OptionsView& v) { v.freq_offset = "0.33"; }).ok);
  EXPECT_EQ(db_get_freq_offset_khz(), 0.33);
  EXPECT_EQ(options_open().freq_offset, "0");
  ASSERT_TRUE(ok_with([](OptionsView& v) { v.motd = "de alfa"; }).ok);
  EXPECT_EQ(db_get_motd(), "DE ALFA");
  const struct {
    std::function<void(OptionsView&)> change;
    int field;
  } refused[] = {
      {[](OptionsView& v) { v.motd = std::string(91, 'A'); }, kFieldMotd},
      {[](OptionsView& v) { v.motd = "A{B"; }, kFieldMotd},
      {[](OptionsView& v) { v.tnc_baud = "fast"; }, kFieldTncBaud},
      {[](OptionsView& v) { v.freq_offset = "abc"; }, kFieldFreqOffset},
      {[this](OptionsView& v) { v.numbers[number_index("Sounding Period")] = "0"; }, number_index("Sounding Period")},
      {[this](OptionsView& v) { v.numbers[number_index("Sounding Attempts")] = "6"; }, number_index("Sounding Attempts")},
      {[this](OptionsView& v) { v.numbers[number_index("Max frame time ")] = "31"; }, number_index("Max frame time ")},
      {[this](OptionsView& v) { v.numbers[number_index("ms DTR")] = "5"; }, number_index("ms DTR")},
  };
  const std::vector<uint8_t> before = options_bytes();
  for (const auto& r : refused) {
    const ConfigOutcome o = ok_with(r.change);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.field, r.field);
  }
  EXPECT_EQ(options_bytes(), before) << "a refusal stores nothing";
}

TEST_F(OptionsDialog, PortChangesRerunTheSetUp) {
  fake_->clear_events();
  const int emulation = db_get_emulation_enabled();
  ASSERT_TRUE(ok_with([this](OptionsView& v) { v.numbers[number_index("Radio 1 ALT PTT Port")] = "3"; }).ok);
  EXPECT_EQ(db_get_alt_ptt_port(), 3);
  EXPECT_FALSE(fake_->events(db_get_radio_port(), FakeSerialBackend::Kind::Open).empty()) << "the set-up ran";
  EXPECT_EQ(db_get_emulation_enabled(), emulation) << "an unchanged emulation port is not touched";
  ASSERT_TRUE(ok_with([this](OptionsView& v) { v.numbers[number_index("Radio Emulation Comm Port")] = "7"; }).ok);
  EXPECT_EQ(db_get_emulation_enabled(), 1);
}

}  // namespace
}  // namespace vesk
