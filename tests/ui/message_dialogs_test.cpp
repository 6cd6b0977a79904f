// The message, Quick AMD and AQC-ALE order dialogs' OK through a whole stepped station.
#include <gtest/gtest.h>

#include "ale/engine/api_event.h"
#include "ale/frames/dictionaries.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/amd_retry.h"
#include "ale/link/aqc.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/serial_queue.h"
#include "tests/ui/station_fixture.h"
#include "ui/message_dialogs.h"

namespace vesk {
namespace {

constexpr const char* kConfig =
    "ADD OWN ALFA\n"
    "ADD CHANNEL 7000000 USB 7000000 USB 1 3\n"
    "ADD CHANNEL 10145000 USB 10145000 USB 1 3\n"
    "ADD OTHER BRAVO\nADD OTHER CHARLIE\n";

class MessageDialogs : public test::SteppedStation {
 protected:
  MessageDialogs() : SteppedStation(kConfig) {
    run_executor();
    stop_scanning();
  }
  void stop_scanning() {
    ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
    db_clear_scan_active();
  }
  AqcOrderFields last_order(std::string* kind = nullptr) {
    AqcOrders& o = aqc_orders();
    std::lock_guard<std::mutex> lock(o.mutex);
    if (kind != nullptr) *kind = o.last_kind;
    return o.last;
  }
};

TEST_F(MessageDialogs, DbmAndDtm) {
  db_set_linked_twx(1);
  transfer_message_ok(false, "DATA", "BRAVO", true, false);
  run_executor();
  EXPECT_EQ(db_get_linked_twx(), 0);
  EXPECT_EQ(aqc_tx_settings().first_flag, 0) << "no acknowledgement for a broadcast";
  EXPECT_EQ(aqc_tx_settings().second_flag, 1);
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX AUTOMATICALLY DISABLED FOR DBM BRD]"));
  stop_scanning();
  transfer_message_ok(false, "DATA", "BRAVO", false, false);
  run_executor();
  EXPECT_EQ(db_get_linked_twx(), 1);
  EXPECT_TRUE(logged("[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DBM ARQ]"));
  EXPECT_EQ(aqc_tx_settings().first_flag, 1);
  // DTM while idle: the immediate line and a call with no message; no SENDING line.
  stop_scanning();
  std::size_t m = mark();
  transfer_message_ok(true, "TEXT", "BRAVO", false, true);
  run_executor();
  EXPECT_NE(since(m).find("[DTM IMMEDIATE MODE INDIVIDUAL CALL LINK]"), std::string::npos);
  EXPECT_EQ(since(m).find("MESSAGE SENDING"), std::string::npos);
  EXPECT_STREQ(xfer_dest_address(), "BRAVO");
  ale_enter_linked();
  m = mark();
  transfer_message_ok(true, "TEXT", "BRAVO", false, false);
  run_executor();
  EXPECT_NE(since(m).find("[ALE DTM MESSAGE SENDING]"), std::string::npos);
  EXPECT_EQ(since(m).find("IMMEDIATE"), std::string::npos);
  // A text over what a transfer holds is refused with a warning, never cut.
  const DialogOutcome long_text = transfer_message_ok(true, std::string(10001, 'A'), "BRAVO", false, false);
  EXPECT_FALSE(long_text.close);
  EXPECT_FALSE(long_text.box_text.empty());
  EXPECT_EQ(queued(), 0u);
  // No text or no address: nothing sent, the dialog closes.
  m = mark();
  EXPECT_TRUE(transfer_message_ok(false, "", "BRAVO", false, false).close);
  run_executor();
  EXPECT_EQ(since(m), "");
}

TEST_F(MessageDialogs, SendAmd) {
  std::size_t m = mark();
  send_amd_ok("", "HELLO");  // idle, no address: nothing
  run_executor();
  EXPECT_EQ(since(m), "");
  EXPECT_FALSE(send_amd_ok("BRAVO", "A{B").close) << "outside the ALE 64 set";
  // A call in progress, no address: "?@?".
  ale_set_link_state(ALE_STATE_LINKED_IDLE);
  m = mark();
  send_amd_ok("", "HELLO");
  run_executor();
  EXPECT_NE(since(m).find("[RADIO: ALE AMD MESSAGE SENDING]"), std::string::npos);
  EXPECT_EQ(ale_amd_retry_counter(), 0);
}

TEST_F(MessageDialogs, TncFramingByType) {
  const struct {
    int type;
    std::vector<std::string> pieces;
  } cases[] = {
      {3, {std::string("\x03T", 2), "ABC\n", "\r", std::string("\x03" "E", 2)}},
      {0, {std::string("\x03T", 2), "ABC\n", "\r", std::string("\x03" "E", 2)}},
      {4, {"ABC", "\r", std::string("\x04\r", 2)}},
      {16, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(tnc_message_pieces(c.type, "ABC"), c.pieces) << c.type;
  const std::vector<std::string> long_pieces = tnc_message_pieces(3, std::string(600, 'X'));
  ASSERT_EQ(long_pieces.size(), 6u);
  EXPECT_EQ(long_pieces[1].size(), 255u);
  EXPECT_EQ(long_pieces[3], std::string(90, 'X') + "\n");
  // The dialog: an empty text gives the box and closes; a closed port is said and it stays.
  const DialogOutcome empty = tnc_message_ok("");
  EXPECT_TRUE(empty.close);
  EXPECT_EQ(empty.box_caption, "No Message!");
  EXPECT_FALSE(tnc_message_ok("ABC").close) << "the TNC port is closed";
  EXPECT_EQ(queued(), 0u);
}

TEST_F(MessageDialogs, Mil110SendsOnceAndTheReportNamesEachSend) {
  // Asynchronous modem: every send arms the report with its own address.
  db_set_data_link_mode(0);
  mil110_ok("ONE", "BRAVO", false, false);
  run_executor();
  std::string to;
  ASSERT_TRUE(fs1052_report_take(&to));
  EXPECT_EQ(to, "BRAVO");
  EXPECT_FALSE(fs1052_report_take(&to)) << "reported once";
  mil110_ok("TWO", "", false, false);  // an empty address still sends
  run_executor();
  ASSERT_TRUE(fs1052_report_take(&to));
  EXPECT_EQ(to, "@?@");
  // The data link while idle: the text goes once, in the immediate-call request.
  db_set_data_link_mode(1);
  while (ApiEvent* e = api_pop()) api_free(e);
  std::size_t m = mark();
  mil110_ok("HELLO", "BRAVO", false, false);
  run_executor();
  EXPECT_NE(since(m).find("[FS-1052 IMMEDIATE MODE INDIVIDUAL CALL LINK]"), std::string::npos);
  EXPECT_EQ(since(m).find("TEXT NOT SENT"), std::string::npos) << "not sent a second way";
  ApiEvent* e = api_pop();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->kind, API_QUEUED_TRANSFER);
  EXPECT_STREQ(e->addresses[0], "BRAVO");
  EXPECT_EQ(std::string(e->payload(), static_cast<std::size_t>(e->payload_length)), std::string("\x04HELLO", 6));
  api_free(e);
  EXPECT_EQ(api_pop(), nullptr);
}

// The data link's confirmation or failure reports the pending send through the station's
// wiring: one message-sent line for the address the dialog armed, then none.
TEST_F(MessageDialogs, DataLinkReportsThePendingSendOnce) {
  db_set_data_link_mode(0);
  mil110_ok("THREE", "CHARLIE", false, false);
  run_executor();
  const std::size_t m = mark();
  for (int i = 0; i < 2; ++i) link_state().hooks.data_link_message_done();
  const std::string lines = since(m);
  const std::size_t first = lines.find("[MSG SENT][CHARLIE        ]");
  ASSERT_NE(first, std::string::npos) << lines;
  EXPECT_EQ(lines.find("[MSG SENT]", first + 1), std::string::npos) << lines;
}

TEST_F(MessageDialogs, FileTransferNeedsAReadableFile) {
  EXPECT_FALSE(file_transfer_ok("BRAVO", "", true).close);
  EXPECT_FALSE(file_transfer_ok("BRAVO", station_.path("missing.bin").string(), true).close);
  EXPECT_EQ(queued(), 0u);
}

TEST_F(MessageDialogs, QuickAmdText) {
  QuickAmdText t;
  t.type('A');
  t.type('B');
  EXPECT_EQ(t.coded, std::string("A\x80" "B\x80"));
  EXPECT_EQ(t.shown(), "AB");
  t.undo();
  t.undo();
  EXPECT_EQ(t.coded, std::string("A\x80"));
  QuickAmdText w;
  w.add_word(0);
  EXPECT_EQ(w.coded, std::string("\x02\x20\x80", 3));
  QuickAmdText p;
  p.add_phrase(2, 5);
  EXPECT_EQ(p.coded, std::string("\x81\x65\x20\x80", 4));
  // The expansion keeps its own dictionary selection.
  amd_select_dictionary(1);
  p.shown();
  EXPECT_EQ(amd_dict_state().selected, 1);
  // Bounded: what one AMD carries.
  QuickAmdText full;
  for (int i = 0; i < 100; ++i) full.type('X');
  EXPECT_EQ(full.coded.size(), kQuickAmdCodedMax);
}

TEST_F(MessageDialogs, AddressSlots) {
  AddressSlots s;
  for (int i = 0; i < 17; ++i) EXPECT_TRUE(s.add("S" + std::to_string(i)));
  EXPECT_FALSE(s.add("EIGHTEEN"));
  EXPECT_EQ(s.used(), 17);
  AddressSlots d;
  d.add("BRAVO");
  d.add("CHARLIE");
  d.add("BRAVO");
  d.remove("BRAVO");
  EXPECT_EQ(d.called(), std::vector<std::string>{"CHARLIE"});
  EXPECT_EQ(d.line(), " CHARLIE");
  EXPECT_EQ(AddressSlots{}.called(), std::vector<std::string>{"?@?"});
  // More than the engine's called list takes is refused (it would call the previous list).
  QuickAmdText t;
  t.type('A');
  AddressSlots sixteen;
  for (int i = 0; i < 16; ++i) sixteen.add("S" + std::to_string(i));
  EXPECT_FALSE(quick_amd_ok(t, sixteen, false).close);
  EXPECT_FALSE(meet_me_ok("7000000", false, "7000000", false, sixteen, false).close);
  EXPECT_EQ(queued(), 0u);
}

TEST_F(MessageDialogs, QuickAmdOk) {
  ale_set_binary_message(0);
  EXPECT_TRUE(quick_amd_ok(QuickAmdText{}, AddressSlots{}, false).close);
  EXPECT_EQ(queued(), 0u) << "an empty coded text sends nothing";
  EXPECT_EQ(call_setup().binary_message.load(), 0);
  QuickAmdText t;
  t.type('A');
  quick_amd_ok(t, AddressSlots{}, true);
  run_executor();
  const AqcOrderFields r = last_order();
  EXPECT_EQ(r.addresses, std::vector<std::string>{"?@?"});
  EXPECT_EQ(r.ack, 1);
  EXPECT_EQ(call_setup().binary_message.load(), 0) << "no later AMD text goes as a binary message";
}

TEST_F(MessageDialogs, Orders) {
  // Meet Me: no address calls "?@?", channel 0, RX LSB gives mode 0.
  ASSERT_TRUE(meet_me_ok("7000000", true, "7100000", false, AddressSlots{}, false).close);
  run_executor();
  std::string kind;
  AqcOrderFields r = last_order(&kind);
  EXPECT_EQ(kind, "MEET ME");
  EXPECT_EQ(r.addresses, std::vector<std::string>{"?@?"});
  EXPECT_EQ(r.channel_or_slot, 0);
  EXPECT_EQ(r.rx_mode_or_width, 0);
  EXPECT_EQ(r.tx_mode, 1);
  EXPECT_EQ(r.rx_freq_hz, 7000000);
  ChannelRecord ch0{};
  ASSERT_EQ(db_copy_channel(0, &ch0), 0);
  EXPECT_EQ(ch0.rx_freq_hz, 7000000) << "the engine's order entry keeps the meeting channel as channel 0";
  EXPECT_EQ(ch0.tx_freq_hz, 7100000);
  EXPECT_EQ(ch0.rx_mode, 0);
  for (const char* bad : {"999999", "0", "", "30000100", "7000050", "7MHZ"})
    EXPECT_FALSE(meet_me_ok(bad, false, "7000000", false, AddressSlots{}, false).close) << bad;
  // Channel Definition: channel 2's stored modes and frequencies.
  db_set_channel_rx_mode(2, 0);
  ASSERT_TRUE(channel_definition_ok("02  RX  10145000Hz - TX  10145000Hz", AddressSlots{}, true).close);
  run_executor();
  r = last_order(&kind);
  EXPECT_EQ(kind, "CHANNEL DEFINITION");
  EXPECT_EQ(r.channel_or_slot, 2);
  EXPECT_EQ(r.rx_mode_or_width, 0);
  EXPECT_EQ(r.rx_freq_hz, 10145000);
  EXPECT_EQ(r.tx_freq_hz, 10145000);
  for (const char* bad : {"", "abc", "9", "0"})
    EXPECT_FALSE(channel_definition_ok(bad, AddressSlots{}, false).close) << bad;
  // Slot Assignment: three addresses a group, one individual; the word's ranges.
  AddressSlots three;
  for (const char* a : {"BRAVO", "CHARLIE", "DELTA"}) three.add(a);
  slot_assignment_ok("3", "100", three, false);
  run_executor();
  last_order(&kind);
  EXPECT_EQ(kind, "GROUP SLOT ASSIGNMENT");
  AddressSlots one;
  one.add("BRAVO");
  slot_assignment_ok("3", "100", one, false);
  run_executor();
  last_order(&kind);
  EXPECT_EQ(kind, "SLOT ASSIGNMENT");
  EXPECT_FALSE(slot_assignment_ok("32", "0", one, false).close);
  EXPECT_FALSE(slot_assignment_ok("0", "2048", one, false).close);
  EXPECT_FALSE(operator_ack_request_ok("SEVENCH").close) << "seven characters";
  EXPECT_FALSE(terminate_other_ok("SEVENCH").close);
  EXPECT_EQ(queued(), 0u);
}

}  // namespace
}  // namespace vesk
