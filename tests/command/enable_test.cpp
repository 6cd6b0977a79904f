// ENABLE and DISABLE: the switches they set, their lines, their errors, and RESOURCES.
#include "command/enable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class EnableTest : public ::testing::Test {
 protected:
  EnableTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_open();
    log_set_sink([this](LogText, const std::string& line) { log_ += line; });
  }
  std::string run(const std::string& line) {
    log_.clear();
    mmi_run_line(line);
    return log_;
  }
  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  std::string log_;
};

TEST_F(EnableTest, SwitchesAndTheirLines) {
  struct Case {
    const char* word;
    int (*get)();
    const char* on_line;  // "" when the switch writes none
    const char* off_line;
  } cases[] = {
      {"SOUNDING", db_get_sounding, "", ""},
      {"VOICE", db_get_voice_detect, "", ""},
      {"ALLCALL", db_get_allcalls, "", ""},
      {"ANYCALL", db_get_anycalls, "", ""},
      {"LQA", db_get_lqa, "", ""},
      {"POLL", db_get_polling, "", ""},
      {"GPS", db_get_gps, "", ""},
      {"BELLS", db_get_bells, "", ""},
      {"MOTD", db_get_motd_switch, "", ""},
      {"LP", db_get_lp, "", ""},
      {"/E", db_get_echo, "", ""},
      {"ECHO", db_get_echo, "", ""},
      {"TIS", db_get_tis_sounding, "", ""},
      {"TWX", db_get_linked_twx, "LINKED TWX ENABLED", "LINKED TWX DISABLED"},
      {"LISTEN", db_get_listen_mode, "OPTIONS: LISTEN MODE ENABLED", "OPTIONS: LISTEN MODE DISABLED"},
      {"AQCBURST", db_get_aqc_burst, "AQC BURST MODE ENABLED", "AQC BURST MODE DISABLED"},
      {"CHANNELS", db_get_memory_channels, "SUPPORT ENABLED", "SUPPORT DISALBED"},
      {"LIMITCALLING", db_get_limit_calling, "DURATION ENABLED", "DURATION DISALBED"},
      {"CATMUTE", db_get_cat_mute, "CAT MUTING ENABLED", "CAT MUTING DISABLED"},
      {"DATE", db_get_show_date, "DISPLAY DATE WITH TIME ENABLED", "DISPLAY DATE WITH TIME DISABLED"},
      {"PTTSTATUS", db_get_ptt_status_display, "PTT STATUS MESSAGES ENABLED", "PTT STATUS MESSAGES DISABLED"},
      {"RELEASERADIO1", db_get_release_radio1, "RADIO 1 RESOURCES ENABLED", "RADIO 1 RESOURCES DISABLED"},
      {"RELEASERADIO2", db_get_release_radio2, "RADIO 2 RESOURCES ENABLED", "RADIO 2 RESOURCES DISABLED"},
      {"RELEASEALTPTT", db_get_release_alt_ptt, "ALT PTT RESOURCES ENABLED", "ALT PTT RESOURCES DISABLED"},
      {"RELEASEPCSDM", db_get_release_sound, "PCSDM RESOURCES ENABLED", "PCSDM RESOURCES DISABLED"},
      {"RMSBLOCK", db_get_rms_block, "RMS BLOCK ENABLED", "RMS BLOCK DISABLED"},
      {"RADIOSERVER", db_get_radio_server, "RADIO SERVER MODE ENABLED", "RADIO SERVER MODE DISABLED"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.word);
    std::string out = run(std::string("DISABLE ") + c.word);
    EXPECT_EQ(c.get(), 0);
    if (*c.off_line) {
      EXPECT_NE(out.find(c.off_line), std::string::npos) << out;
    }
    out = run(std::string("ENABLE ") + c.word + " IGNORED WORDS");
    EXPECT_EQ(c.get(), 1);
    if (*c.on_line) {
      EXPECT_NE(out.find(c.on_line), std::string::npos) << out;
    } else {
      EXPECT_EQ(out, "");
    }
  }
}

TEST_F(EnableTest, ListingModeAndErrors) {
  const std::string full = run("ENABLE AUTO");
  EXPECT_EQ(display_listing_style(), 2);
  EXPECT_EQ(full.substr(0, 7), "[ P 00 ");  // the full listing in the compact form
  run("DISABLE AUTO");
  EXPECT_EQ(display_listing_style(), 0);
  EXPECT_NE(run("ENABLE").find("NOT ENOUGH PARAMETERS"), std::string::npos);
  EXPECT_NE(run("DISABLE XYZ").find("NO MMI COMMAND => XYZ"), std::string::npos);
  EXPECT_NE(run("ENABLE ALLCALLS").find("NO MMI COMMAND => ALLCALLS"), std::string::npos);
  for (const char* line : {"ENABLE AQC", "DISABLE AQC", "ENABLE SCAN"})
    EXPECT_NE(run(line).find("AMBIGUOUS COMMAND"), std::string::npos) << line;
  EXPECT_EQ(run("ENABLE TRACE"), "");
  // Muting acts on the radio now (nothing here: no radio port is open) and says so.
  EXPECT_NE(run("ENABLE MUTING").find("[MMI CHANGE: RECEIVER MUTING ENABLED]"), std::string::npos);
  EXPECT_NE(run("DISABLE MUTING").find("[MMI CHANGE: RECEIVER MUTING DISABLED]"), std::string::npos);
}

TEST_F(EnableTest, TcpEchoOffLastsOneLine) {
  run("DISABLE TCPECHO");
  EXPECT_EQ(log_tcp_echo(), 0);
  run("OWN");
  EXPECT_EQ(log_tcp_echo(), 1);
}

TEST_F(EnableTest, ResourcesWithNothingToRelease) {
  db_set_twa_secs(300);
  EXPECT_NE(run("ENABLE RESOURCES").find("NO VESK-ALE RESOURCES SELECTED TO RELEASE"), std::string::npos);
  EXPECT_EQ(db_get_resources(), 1);
  EXPECT_EQ(db_get_twa_secs(), 300);
}

// While released, the TWA is 0 in memory, and a save still writes the real time-out.
TEST_F(EnableTest, TemporaryTwaIsNeverSaved) {
  db_set_twa_secs(300);
  run("ENABLE RELEASERADIO1");
  run("DISABLE RESOURCES");
  EXPECT_EQ(db_get_resources(), 0);
  EXPECT_EQ(db_get_twa_secs(), 0);
  ASSERT_EQ(db_save(), 1);
  std::ifstream in(st_.path("ALE.DAT"), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), kImageSize);
  const std::size_t at = kOptionsOffset + opt::TWA_SECS;
  EXPECT_EQ(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8, 300);
  {
    // The saved file is whole: it loads with its CRC and the real time-out.
    test::TempDir other;
    std::filesystem::copy_file(st_.path("ALE.DAT"), std::filesystem::path(other.path()) / "ALE.DAT");
    Station st2(other.path(), std::make_unique<SimClock>());
    StationScope scope(st2);
    db_open();
    EXPECT_EQ(db_get_twa_secs(), 300);
  }
  EXPECT_NE(run("ENABLE RESOURCES").find("RESOURCES RECLAIMED"), std::string::npos);
  EXPECT_EQ(db_get_twa_secs(), 300);
  EXPECT_EQ(db_get_resources(), 1);
}

// Through mmi-run: RESOURCES twice closes a null sound card, then opens it again.
TEST(EnableProgram, ResourcesReleasesAndReclaimsTheSoundCard) {
  test::TempDir dir;
  test::ChildProcess p({test::program_path("tools/mmi-run"), "--dir", dir.path(), "--audio", "null"},
                       "ENABLE RELEASEPCSDM\nENABLE RESOURCES\nOPTIONS\nENABLE RESOURCES\nOPTIONS\n"
                       "ENABLE AQC\nENABLE SCAN\n");
  ASSERT_EQ(p.wait(20000), 0);
  const std::string& out = p.output();
  const std::size_t released = out.find("[OPTIONS: VESK-ALE RESOURCES RELEASED]");
  const std::size_t twa0 = out.find("INACT (TWA)   0 m");
  const std::size_t reopened = out.find("[SOUNDCARD: output null]", released);
  const std::size_t reclaimed = out.find("[OPTIONS: VESK-ALE RESOURCES RECLAIMED]");
  const std::size_t twa5 = out.find("INACT (TWA)   5 m", reclaimed);
  ASSERT_NE(released, std::string::npos) << out;
  EXPECT_LT(released, twa0);
  EXPECT_LT(twa0, reopened);
  EXPECT_LT(reopened, reclaimed);
  EXPECT_NE(twa5, std::string::npos) << out;
  const std::size_t first_ambiguous = out.find("AMBIGUOUS COMMAND");
  ASSERT_NE(first_ambiguous, std::string::npos);
  EXPECT_NE(out.find("AMBIGUOUS COMMAND", first_ambiguous + 1), std::string::npos);
}

}  // namespace
}  // namespace vesk
