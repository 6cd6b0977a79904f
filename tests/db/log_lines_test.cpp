// The fixed log lines: exact texts, and the effects that go with them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "db/log.h"
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
  int tnc_resets = 0;
  std::vector<int> posted;
  log_set_hooks([&](LogHooks& h) {
    h.post_message = [&](int m) { posted.push_back(m); };
    h.tnc_reset_on_clear = [&] { ++tnc_resets; };
    h.lp_level = [] { return 2; };
  });
  log_linked("K1ABC");
  EXPECT_EQ(log_monitor_text(), stamps() + "[LINKED  ][K1ABC          ]\n");
  EXPECT_EQ(log_frame_text(), "[" + log_date_stamp() + "]" + stamps() + "[LINKED  ][K1ABC          ]\n");
  EXPECT_EQ(display_status_texts().linked_station, "K1ABC");
  EXPECT_EQ(posted, std::vector<int>{WM_LINKED_STATION});
  log_aqc_linked("AB");
  EXPECT_EQ(display_status_texts().linked_station, "AB");
  log_cleared("K1ABC");
  log_time_out("K1ABC");
  EXPECT_EQ(tnc_resets, 2);
  // The level that linking protection reports names the field after the address.
  display_clear_monitor();
  log_sounding_tws("K1ABC", 20, 10);
  EXPECT_EQ(log_monitor_text(), stamps() + "[SND][               ][TWS][K1ABC          ][AL2] BER 20 SN 10\n");
}

TEST_F(LogLines, BerScoreText) {
  EXPECT_EQ(log_ber_score_text(0), " 0");
  EXPECT_EQ(log_ber_score_text(30), "30");
  EXPECT_EQ(log_ber_score_text(49), " -");
  EXPECT_EQ(log_ber_score_text(50), " F");
  EXPECT_EQ(log_ber_score_text(-3), "??");
}

// The engine's answers to the AMD retry: linked to one station in LINKED IDLE.
class LogAmdRetry : public test::LogFixture {
 protected:
  void SetUp() override {
    log_set_hooks([this](LogHooks& h) {
      h.linked_station_count = [this] { return linked; };
      h.link_state = [this] { return state; };
      h.start_timer = [this](int ev, int ms) { timers.push_back({ev, ms}); };
      h.resend_amd_linked = [this] { ++resent; };
    });
  }
  int linked = 1, state = 11, resent = 0;
  std::vector<std::pair<int, int>> timers;
  std::string newest() {
    const std::string t = log_monitor_text();
    return t.substr(0, t.find('\n') + 1);
  }
};

TEST_F(LogAmdRetry, OneRetryByDefaultThenFailed) {
  const std::string T = "[" + log_time_stamp() + "]";
  log_amd_handshake_failed();  // counter -1: no retry armed
  EXPECT_EQ(newest(), T + " * HANDSHAKE FAILED\n");
  log_set_amd_retry_counter(0);
  log_amd_handshake_failed();
  EXPECT_EQ(newest(), T + " * AMD AUTO RETRY IN 3 SECONDS\n");
  EXPECT_EQ(timers, (std::vector<std::pair<int, int>>{{1084, 3000}}));
  log_amd_auto_retry_send();
  EXPECT_EQ(newest(), T + " * AMD AUTO RETRY SENDING\n");
  EXPECT_EQ(resent, 1);
  log_amd_handshake_failed();
  EXPECT_EQ(newest(), T + " * HANDSHAKE FAILED\n");
  EXPECT_EQ(log_amd_retry_counter(), 0);
  EXPECT_EQ(timers.size(), 1u);
}

TEST_F(LogAmdRetry, NoRetryWhenNotLinked) {
  struct Case {
    int linked, state;
  } cases[] = {{0, 11}, {1, 3}, {1, 16}};
  for (const Case& c : cases) {
    linked = c.linked;
    state = c.state;
    timers.clear();
    log_set_amd_retry_counter(0);
    log_amd_handshake_failed();
    EXPECT_EQ(timers.size(), c.state == 16 ? 1u : 0u) << c.linked << " " << c.state;
  }
}

}  // namespace
}  // namespace vesk
