// The fixed log lines: exact texts, and the effects that go with them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/log_lines.h"
#include "tests/db/log_fixture.h"

namespace vesk {
namespace {

using LogLines = test::LogFixture;

TEST_F(LogLines, FixedTexts) {
  const std::string S = stamps();
  const std::string T = "[" + log_time_stamp() + "]";
  struct Case {
    std::function<void()> write;
    std::string text;
  } cases[] = {
      {[] { log_cleared("K1ABC"); }, S + "[CLEARED ][K1ABC          ]\n"},
      {[] { log_time_out("K1ABC"); }, S + "[TIME OUT][K1ABC          ]\n"},
      {[] { log_call_failed("K1ABC"); }, S + "[FAILED  ][K1ABC          ]\n"},
      {[] { log_polled("K1ABC"); }, S + "[POLLED  ][K1ABC          ]\n"},
      {[] { log_respond("K1ABC"); }, S + "[RESPOND ][K1ABC          ]\n"},
      {[] { log_msg_sent("K1ABC"); }, S + "[MSG SENT][K1ABC          ]\n"},
      {[] { log_dbm_fail(); }, S + "[DBM FAIL]\n"},
      {[] { log_dtm_fail(); }, S + "[DTM FAIL]\n"},
      {[] { log_unknown_address("ZZZ"); }, T + "[FAILED  ] - UNKNOWN ADDRESS ZZZ\n"},
      {[] { log_handshake_failed(); }, T + " * HANDSHAKE FAILED\n"},
      {[] { log_amd_auto_retry_armed(); }, T + " * AMD AUTO RETRY IN 3 SECONDS\n"},
      {[] { log_amd_auto_retry_sending(); }, T + " * AMD AUTO RETRY SENDING\n"},
      {[] { log_nak("AB"); }, S + "[NAK][AB    ]\n"},
      {[] { log_ack("AB"); }, S + "[ACK][AB    ]\n"},
      {[] { log_operator_nak("AB"); }, S + "[OPERATOR NAK][AB    ]\n"},
      {[] { log_operator_ack("AB"); }, S + "[OPERATOR ACK][AB    ]\n"},
      {[] { log_send_operator_ack_now("AB"); }, S + "[SEND OPERATOR ACK NOW][AB    ]\n"},
      {[] { log_mmi_no_command("FOO"); }, S + "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => FOO]\n"},
      {[] { log_mmi_ambiguous(); }, S + "[MMI CHANGE ERROR: AMBIGUOUS COMMAND]\n"},
      {[] { log_mmi_not_enough_params(); }, S + "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {[] { log_mmi_too_many_params(); }, S + "[MMI CHANGE ERROR: TOO MANY PARAMETERS]\n"},
      {[] { log_mmi_unknown_own_address("X"); }, S + "[MMI CHANGE: UNKNOWN OWN ADDRESS => X]\n"},
      {[] { log_mmi_unknown_net_address("X"); }, S + "[MMI CHANGE: UNKNOWN NET ADDRESS => X]\n"},
      {[] { log_add_net_invalid("X"); }, S + "[ADD NET: INVALID NET ADDRESS => X]\n"},
      {[] { log_file_not_found("LINKED.DAT"); }, S + "[FILE NOT FOUND ERROR: LINKED.DAT]\n"},
      {[] { log_channel_not_in_group(); },
       T + "[MMI CHANGE ERROR: REQUESTD CHANNEL NOT IN USE WITH CURRENT SCAN GROUP]\n"},
      {[] { log_unknown_other_address("Q"); }, "UNKNOWN OTHER ADDRESS -Q-\n"},
      {[] { log_not_in_use(); }, "* NOT IN USE\n"},
      {[] { log_my_address_not_set(); }, "* MY ADDRESS NOT SET\n"},
      {[] { log_my_address("ME"); }, "* MY ADDRESS ME\n"},
      {[] { log_call_heard_tis("ME", "K1ABC", 30, 7, nullptr); },
       S + "[TO ][ME             ][TIS][K1ABC          ][AL0] BER 30 SN 07 \n"},
      {[] { log_call_heard_tws("ME", "K1ABC", 5, 12, "HELLO"); },
       S + "[TO ][ME             ][TWS][K1ABC          ][AL0] BER  5 SN 12 [AMD]HELLO\n"},
      {[] { log_sounding_tis("K1ABC", 49, 3); },
       S + "[SND][               ][TIS][K1ABC          ][AL0] BER  - SN 03\n"},
      {[] { log_aqc_sounding_tws("AB", 50, 3, 15); },
       S + "[AQC SND][               ][TWS][AB             ][AL0] BER  F SN 03 NOISE 15\n"},
      {[] { display_missing_net_address_box(); }, S + "[MESSAGE BOX: Missing NET Address]\n"},
      {[] { display_one_own_address_box("SECOND"); }, S + "[MESSAGE BOX: Only One OWN Address Allowed SECOND]\n"},
  };
  for (const Case& c : cases) {
    display_clear_monitor();
    c.write();
    EXPECT_EQ(log_monitor_text(), c.text);
  }
}

TEST_F(LogLines, LinkedWritesBothPanesAndPostsTheStation) {
  std::vector<int> posted;
  log_hooks().post_message = [&](int m) { posted.push_back(m); };
  log_linked("K1ABC");
  EXPECT_EQ(log_monitor_text(), stamps() + "[LINKED  ][K1ABC          ]\n");
  EXPECT_EQ(log_frame_text(), "[" + log_date_stamp() + "]" + stamps() + "[LINKED  ][K1ABC          ]\n");
  EXPECT_EQ(display_status_texts().linked_station, "K1ABC");
  EXPECT_EQ(posted, std::vector<int>{WM_LINKED_STATION});
  log_aqc_linked("AB");
  EXPECT_EQ(display_status_texts().linked_station, "AB");
  // The linking-protection level names the field after the address: level 0 here.
  display_clear_monitor();
  log_sounding_tws("K1ABC", 20, 10);
  EXPECT_EQ(log_monitor_text(), stamps() + "[SND][               ][TWS][K1ABC          ][AL0] BER 20 SN 10\n");
}

TEST_F(LogLines, BellsFollowTheLinkedLine) {
  db_enable_bells();
  log_linked("K1ABC");
  EXPECT_EQ(log_monitor_text(), "\a\a\a" + stamps() + "[LINKED  ][K1ABC          ]\n");
  display_clear_monitor();
  db_disable_bells();
  log_aqc_linked("AB");
  EXPECT_EQ(log_monitor_text(), stamps() + "[AQC LINKED  ][AB    ]\n");
}

TEST_F(LogLines, SoundingsOnlyWhileDisplaySoundingsOn) {
  db_set_option_int(opt::DISPLAY_SOUNDINGS, 0);
  log_sounding_tws("K1ABC", 20, 10);
  log_sounding_tis("K1ABC", 20, 10);
  log_aqc_sounding_tws("AB", 20, 10, 15);
  log_aqc_sounding_tis("AB", 20, 10, 15);
  EXPECT_EQ(log_monitor_text(), "");
  log_call_heard_tis("ME", "K1ABC", 20, 10, nullptr);  // heard calls regardless
  EXPECT_EQ(log_monitor_text(), stamps() + "[TO ][ME             ][TIS][K1ABC          ][AL0] BER 20 SN 10 \n");
  db_set_option_int(opt::DISPLAY_SOUNDINGS, 1);
  display_clear_monitor();
  log_aqc_sounding_tis("AB", 20, 10, 15);
  EXPECT_EQ(log_monitor_text(), stamps() + "[AQC SND][               ][TIS][AB             ][AL0] BER 20 SN 10 NOISE 15\n");
}

AmdStoreEntry amd_entry(int channel, const char* sender, const char* text) {
  AmdStoreEntry e{};
  e.valid = 1;
  e.channel = channel;
  std::snprintf(e.sender, sizeof e.sender, "%s", sender);
  std::snprintf(e.text, sizeof e.text, "%s", text);
  return e;
}

TEST_F(LogLines, ReceivedAmdInBothPanes) {
  db_set_option_int(opt::FREQ_DISPLAY, 0);
  const std::string T = "[" + log_time_stamp() + "]";
  log_amd_entry(amd_entry(7, "K1ABC", "HELLO WORLD"));
  EXPECT_EQ(log_monitor_text(), T + "[CHN 07][AMD][K1ABC          ][HELLO WORLD]\n");
  EXPECT_EQ(log_frame_text(), T + "<<[K1ABC]HELLO WORLD\n");

  // A stored record without terminators is read only to the end of its fields.
  AmdStoreEntry full = amd_entry(7, "", "");
  std::memset(full.sender, 'S', sizeof full.sender);
  std::memset(full.text, 'T', sizeof full.text);
  display_clear_monitor();
  log_amd_entry(full);
  EXPECT_EQ(log_frame_text(), T + "<<[" + std::string(16, 'S') + "]" + std::string(91, 'T') + "\n");
}

TEST_F(LogLines, AqcAmdExpandedAndTagged) {
  db_set_option_int(opt::FREQ_DISPLAY, 0);
  log_hooks().expand_coded_amd = [](const std::string&) { return std::string("GOOD MORNING"); };
  const std::string T = "[" + log_time_stamp() + "]";
  struct Case {
    const char* text;
    int check;
    std::string shown;
  } cases[] = {
      {"\x80\x61", 1, "[AB    ][GOOD MORNING][CRC OK]"},
      {"PLAIN", 2, "[AB    ][PLAIN][CRC BAD]"},
      {"PLAIN", 0, "[AB    ][PLAIN][NO CRC]"},
  };
  for (const Case& c : cases) {
    display_clear_monitor();
    log_aqc_amd(amd_entry(3, "AB", c.text), c.check);
    EXPECT_EQ(log_monitor_text(), T + "[CHN 03][AMD]" + c.shown + "\n");
  }
  EXPECT_EQ(log_frame_text(), "PLAIN\n");
}

TEST_F(LogLines, LqaLineOnlyInUploadForm) {
  LqaRecord lqa{};
  lqa.measured = lqa_with_multipath(lqa_with_sinad(lqa_with_ber(0, 25), 12), 7);
  lqa.measured_age = 3;
  lqa.reported = lqa_with_multipath(lqa_with_sinad(lqa_with_ber(0, 49), 49), 7);
  lqa.reported_age = kAgeNever;
  log_lqa_line(4, 17, lqa);
  EXPECT_EQ(log_monitor_text(), "");
  display_set_listing_compact();
  log_lqa_line(4, 17, lqa);
  EXPECT_EQ(log_monitor_text(), "[ L 04 17 25 12 7 3 49 49 7 2147483647 ]\n");
}

TEST_F(LogLines, BerScoreText) {
  EXPECT_EQ(log_ber_score_text(0), " 0");
  EXPECT_EQ(log_ber_score_text(30), "30");
  EXPECT_EQ(log_ber_score_text(49), " -");
  EXPECT_EQ(log_ber_score_text(50), " F");
  EXPECT_EQ(log_ber_score_text(-3), "??");
}

}  // namespace
}  // namespace vesk
