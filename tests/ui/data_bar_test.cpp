// The data bar's ENTER and MILS BRD, and the call and clear dialogs' OK, through a whole
// stepped station: what reaches the engine, the log and the serial ports.
#include <gtest/gtest.h>

#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "db/options.h"
#include "db/scan.h"
#include "radio/serial_queue.h"
#include "tests/ui/station_fixture.h"
#include "ui/call_dialogs.h"
#include "ui/data_bar.h"

namespace vesk {
namespace {

constexpr const char* kConfig =
    "ADD OWN ALFA\nADD OWN ABCDEFG\n"
    "ADD CHANNEL 7000000 USB 7000000 USB 1 3\n"
    "ADD CHANNEL 10145000 USB 10145000 USB 1 3 ABCDEFG\n"
    "ADD OTHER BRAVO\nADD OTHER CHARLIE\n";

class DataBarEnter : public test::SteppedStation {
 protected:
  DataBarEnter() : SteppedStation(kConfig) { run_executor(); }
  // ENTER as the window runs it: the check at once, the rest on the executor.
  DataBarCheck enter(const DataBarFields& f) {
    data_bar_remember(f.text);
    const DataBarCheck c = data_bar_check(f);
    if (c.acts) data_bar_enter(f);
    return c;
  }
  void stop_scanning() {
    ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
    db_clear_scan_active();
  }
};

TEST_F(DataBarEnter, CommandLineRunsUpperCasedAndEmptiesTheLine) {
  db_set_listen_mode(0);
  const DataBarCheck c = enter({"", "enable listen", DataBarMode::Amd, false, true});
  EXPECT_TRUE(c.clears_text);
  EXPECT_EQ(db_get_listen_mode(), 1);
}

TEST_F(DataBarEnter, RefusalsKeepTheText) {
  db_set_aqc_mode(0);
  const struct {
    const char* what;
    DataBarFields fields;
    const char* line;  // null: nothing at all
  } cases[] = {
      {"empty address", {"", "HELLO", DataBarMode::Amd, false, false}, nullptr},
      {"empty AMD", {"BRAVO", "", DataBarMode::Amd, false, false}, nullptr},
      {"a brace outside the ALE 64 set", {"BRAVO", "a{b", DataBarMode::Amd, false, false},
       "[DATA BAR: AMD TEXT OUTSIDE THE ALE 64 CHARACTER SET]"},
      {"a letter outside ASCII", {"BRAVO", "caf\xe9", DataBarMode::Amd, false, false},
       "[DATA BAR: AMD TEXT OUTSIDE THE ALE 64 CHARACTER SET]"},
      {"a DTM text over 10000 characters", {"BRAVO", std::string(10001, 'X'), DataBarMode::Dtm, false, false},
       "[DATA BAR: TEXT OVER 10000 CHARACTERS NOT SENT]"},
      {"an address with a blank", {"BR AVO", "HI", DataBarMode::Amd, false, false},
       "[DATA BAR: ADDRESS BR AVO IS NO ALE ADDRESS]"},
      {"the TNC port closed", {"BRAVO", "HI", DataBarMode::Tnc, false, false},
       "[DATA BAR: TNC PORT CLOSED, TEXT NOT SENT]"},
      {"no mode chosen", {"BRAVO", "HI", DataBarMode::None, false, false}, "[DATA BAR: NO SEND MODE CHOSEN]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t m = mark();
    const std::string frame = log_frame_text();
    const DataBarCheck check = enter(c.fields);
    EXPECT_FALSE(check.clears_text);
    EXPECT_EQ(log_frame_text(), frame) << "no \">>\" line";
    if (c.line == nullptr)
      EXPECT_EQ(since(m), "");
    else
      EXPECT_NE(since(m).find(c.line), std::string::npos) << since(m);
  }
  // REUSE LAST brings back the last line ENTER saw, even an empty one.
  enter({"BRAVO", "", DataBarMode::Amd, false, false});
  EXPECT_EQ(data_bar_last_line(), "");
}

TEST_F(DataBarEnter, AmdGoesToTheWholeAddress) {
  db_set_linked_twx(0);
  const DataBarCheck c = enter({"abcdefgh", "hello", DataBarMode::Amd, false, false});
  EXPECT_TRUE(c.clears_text);
  EXPECT_NE(log_frame_text().find(">>[ABCDEFGH] HELLO\n"), std::string::npos) << log_frame_text();
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR AMD TWX]"));
  // In AQC-ALE mode more than six characters are refused.
  db_set_aqc_mode(1);
  EXPECT_FALSE(enter({"ABCDEFG", "HELLO", DataBarMode::Amd, false, false}).clears_text);
  EXPECT_TRUE(logged("[DATA BAR: ADDRESS ABCDEFG LONGER THAN 6 CHARACTERS FOR AQC-ALE]"));
}

TEST_F(DataBarEnter, DtmCallsOnlyWhileIdleAndDbmBroadcastTurnsLinkedTwxOff) {
  stop_scanning();
  std::size_t m = mark();
  enter({"BRAVO", "TEXT", DataBarMode::Dtm, false, false});
  EXPECT_NE(since(m).find("[DTM IMMEDIATE MODE INDIVIDUAL CALL LINK]"), std::string::npos);
  EXPECT_STREQ(xfer_dest_address(), "BRAVO");
  ale_enter_linked();
  m = mark();
  enter({"BRAVO", "TEXT", DataBarMode::Dtm, false, false});
  EXPECT_EQ(since(m).find("IMMEDIATE MODE"), std::string::npos) << "no call while linked";
  db_set_linked_twx(1);
  enter({"BRAVO", "TEXT", DataBarMode::Dbm, true, false});
  EXPECT_EQ(db_get_linked_twx(), 0);
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX AUTOMATICALLY DISABLED FOR DBM BRD]"));
}

TEST_F(DataBarEnter, TncTextInPiecesInOrder) {
  SerialPort& tnc = serial_control(SERIAL_ROLE_TNC);
  tnc.set_port_number(5);
  ASSERT_EQ(tnc.open(), 0);
  const std::string text(600, 'Q');
  EXPECT_TRUE(enter({"BRAVO", text, DataBarMode::Tnc, false, false}).clears_text);
  // The queue hands one message to the port at a time, on the engine's passes.
  for (int i = 0; i < 4000; ++i) {
    station_.sim_clock()->advance_ms(1);
    station_app_step();
  }
  const auto writes = fake_->writes(5);
  ASSERT_EQ(writes.size(), 6u) << fake_->trace();
  EXPECT_EQ(writes[0].second, std::string("\x03T"));
  EXPECT_EQ(writes[1].second.size(), 255u);
  EXPECT_EQ(writes[2].second.size(), 255u);
  EXPECT_EQ(writes[3].second, std::string(90, 'Q') + "\n");
  EXPECT_EQ(writes[4].second, "\r");
  EXPECT_EQ(writes[5].second, std::string("\x03" "E"));
}

TEST_F(DataBarEnter, MilsBrdOnlyWhileScanningIsStopped) {
  ale_enter_linked();
  EXPECT_FALSE(data_bar_mils_brd_allowed());
  stop_scanning();
  ASSERT_TRUE(data_bar_mils_brd_allowed());
  EXPECT_EQ(data_bar_mils_brd(), "ALFA");
  run_executor();
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
}

// ---- call and clear dialogs ----

class CallDialogs : public DataBarEnter {};

TEST_F(CallDialogs, IndividualCall) {
  stop_scanning();
  db_set_aqc_mode(0);
  std::size_t m = mark();
  EXPECT_TRUE(individual_call_ok("", "", Termination::Tis).close);
  run_executor();
  EXPECT_NE(since(m).find("[ALE INDIVIDUAL CALL LINK]"), std::string::npos);
  EXPECT_NE(since(m).find("[FAILED  ] - UNKNOWN ADDRESS"), std::string::npos) << "the engine reports it";
  // While scanning is active: no line of its own.
  db_set_scan_active();
  m = mark();
  individual_call_ok("BRAVO", "", Termination::Tis);
  run_executor();
  EXPECT_EQ(since(m).find("INDIVIDUAL CALL LINK"), std::string::npos);
  db_clear_scan_active();
}

TEST_F(CallDialogs, AqcOwnAddressCheck) {
  db_set_aqc_mode(1);
  stop_scanning();
  // Channel 2's own address has seven characters: a box, no call, the line already written.
  db_select_channel(2);
  std::size_t m = mark();
  const DialogOutcome refused = individual_call_ok("BRAVO", "", Termination::Tis);
  EXPECT_EQ(refused.box_caption, kAqcAddressCaption);
  EXPECT_TRUE(refused.close);
  run_executor();
  EXPECT_NE(since(m).find("[AQC-ALE INDIVIDUAL CALL LINK]"), std::string::npos);
  EXPECT_EQ(ale_called_count(), 0);
  // Channel 1 has none: "NONAME" passes.
  db_select_channel(1);
  EXPECT_TRUE(individual_call_ok("BRAVO", "", Termination::Tis).box_text.empty());
  EXPECT_TRUE(global_allcall_ok("1", "", Termination::Tis).box_text.empty());
}

TEST_F(CallDialogs, ChannelFields) {
  const struct {
    const char* text;
    int number;
    bool empty;
  } cases[] = {{"01  RX   7000000Hz - TX   7000000Hz", 1, false}, {"256", 256, false}, {"7", 7, false},
               {"", 0, true},   {"   ", 0, true},   {"abc", 0, false}, {"0", 0, false},
               {"257", 0, false}, {"99999", 0, false}, {"-3", 0, false}};
  for (const auto& c : cases) {
    bool empty = false;
    EXPECT_EQ(dialog_channel_number(c.text, &empty), c.number) << c.text;
    EXPECT_EQ(empty, c.empty) << c.text;
  }
  // A refused channel keeps the dialog open with the focus there; an empty one closes it.
  const DialogOutcome bad = global_anycall_ok("abc", "");
  EXPECT_FALSE(bad.close);
  EXPECT_TRUE(bad.focus_channel);
  EXPECT_TRUE(global_anycall_ok("", "").close);
  EXPECT_EQ(queued(), 0u) << "no call for either";
  EXPECT_FALSE(selective_allcall_ok("1", "?", "", Termination::Tis).close) << "a selector takes letters and digits";
  EXPECT_EQ(queued(), 0u);
}

TEST_F(CallDialogs, CallsAndClearsReachTheEngine) {
  db_set_aqc_mode(0);
  stop_scanning();
  // Group Call with only the third field of the second row: a list of one.
  std::vector<std::string> group(15);
  group[7] = "BRAVO";
  group_call_ok(group, "", Termination::Tis);
  run_executor();
  EXPECT_EQ(ale_called_count(), 1);
  EXPECT_STREQ(ale_first_called_address(), "BRAVO");
  EXPECT_TRUE(logged("[ALE GROUP CALL INITIATED]"));
  stop_scanning();

  // Global Allcall confirmed without change: THIS WAS.
  global_allcall_ok("1", "", Termination::Tws);
  run_executor();
  EXPECT_TRUE(logged("[ALE GLOBAL ALLCALL THIS WAS LINK]"));
  stop_scanning();

  // Selective Anycall "AB" calls "@AB".
  selective_anycall_ok("1", "AB", "");
  run_executor();
  EXPECT_STREQ(ale_first_called_address(), "@AB");
  EXPECT_TRUE(logged("[ALE ANYCALL LINK]"));
  stop_scanning();

  // Empty Group Clear clears nothing.
  group_clear_ok(std::vector<std::string>(5), "BYE");
  EXPECT_EQ(queued(), 0u);

  // Individual Clear: the AMD is queued, then the clear of "?@?".
  ale_enter_linked();
  ale_sections_flush();
  individual_clear_ok("", "GOODBYE");
  run_executor();
  EXPECT_TRUE(logged("[RADIO: ALE INDIVIUAL CLEAR LINK]"));
  EXPECT_GT(ale_traffic_pending(), 0);

  // Clear Net without a net still writes its line.
  clear_net_ok("", "");
  run_executor();
  EXPECT_TRUE(logged("[RADIO: ALE NET CLEAR LINK]"));
}

TEST_F(CallDialogs, StationsLinked) {
  db_set_scan_active();
  ale_set_link_state(ALE_STATE_SCANNING);
  EXPECT_EQ(dialog_stations_linked_text(), "NOT LINKED\r\n");
  ale_enter_linked();
  ale_linked_clear();
  ale_linked_add("BRAVO");
  ale_linked_add("CHARLIE");
  EXPECT_EQ(dialog_stations_linked_text(), "BRAVO\r\nCHARLIE\r\n");
  EXPECT_EQ(dialog_linked_stations(), (std::vector<std::string>{"BRAVO", "CHARLIE"}));
  EXPECT_EQ(dialog_other_addresses(true), (std::vector<std::string>{"BRAVO"})) << "at most six in AQC-ALE mode";
}

}  // namespace
}  // namespace vesk
