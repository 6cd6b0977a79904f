#include "ale/frames/rx_parser.h"

#include <string>
#include <vector>

#include "ale/engine/events.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/link/link_state.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class RxParserTest : public FrameStationTest {};

constexpr AleWord kBad = 0xFFFFFFFF;  // marks a bad word in a case's word list

AleWord w(uint32_t type, const char* three) { return FrameStationTest::word(type, three); }

// What a frame leaves behind: the link events the frame event handler raised after the frame
// begin, the caller, the called addresses, the FROM address (kept only in a frame for this
// station), the last AMD text, the own address it was for, whether the receiver was reset, and
// the parser's state.
struct ParseCase {
  const char* name;
  std::vector<AleWord> words;
  std::vector<int> link_events;
  const char* caller;
  std::vector<std::string> called;
  const char* from;
  const char* amd;
  int own_index;
  bool receiver_reset;
  int parser_state;
};

TEST_F(RxParserTest, WordSequencesMakeFrames) {
  db_enable_allcalls();
  const ParseCase cases[] = {
      {"TO then TIS then a bad word", {w(ALE_TO, "A1@"), w(ALE_TIS, "B2@"), kBad},
       {EV_FRAME_NOT_FOR_ME}, "B2", {"A1"}, "", "", -1, true, PARSER_IDLE},
      {"seven-character TWAS", {w(ALE_TWAS, "ABC"), w(ALE_DATA, "DEF"), w(ALE_REP, "G@@"), kBad},
       {EV_RX_FRAME_END}, "ABCDEFG", {}, "", "", -1, true, PARSER_IDLE},
      {"seven-character FROM",
       {w(ALE_TO, "XYZ"), w(ALE_FROM, "ABC"), w(ALE_DATA, "DEF"), w(ALE_REP, "G@@"), w(ALE_TIS, "B2@"), kBad},
       {EV_FRAME_FOR_ME}, "B2", {"XYZ"}, "ABCDEFG", "", 1, true, PARSER_IDLE},
      {"REP after a one-word TO starts a new TO address",
       {w(ALE_TO, "A1@"), w(ALE_REP, "B2@"), w(ALE_TIS, "C3@"), kBad},
       {EV_FRAME_NOT_FOR_ME}, "C3", {"A1", "B2"}, "", "", -1, true, PARSER_IDLE},
      {"AMD text between the call and the ending",
       {w(ALE_TO, "A1@"), w(ALE_CMD, "HEL"), w(ALE_DATA, "LO "), w(ALE_TIS, "B2@"), kBad},
       {EV_FRAME_NOT_FOR_ME}, "B2", {"A1"}, "", "HELLO ", -1, true, PARSER_IDLE},
      {"allcall is for the working channel's own address", {w(ALE_TO, "@?@"), w(ALE_TIS, "B2@"), kBad},
       {EV_FRAME_FOR_ME}, "B2", {}, "", "", 0, true, PARSER_IDLE},
      {"a word that cannot follow the ending ends the frame",
       {w(ALE_TO, "XYZ"), w(ALE_TIS, "BRA"), w(ALE_DATA, "VO@"), w(ALE_TO, "QQQ")},
       {EV_FRAME_FOR_ME}, "BRAVO", {"XYZ"}, "", "", 1, true, PARSER_IDLE},
      {"a word that cannot follow a one-word ending ends the frame",
       {w(ALE_TO, "A1@"), w(ALE_TWAS, "B2@"), w(ALE_FROM, "QQQ")},
       {EV_FRAME_NOT_FOR_ME_CLEAR}, "B2", {"A1"}, "", "", -1, true, PARSER_IDLE},
      // Noise decoded after a response's last word, as heard on the air.
      {"a CMD word after the ending ends the frame",
       {w(ALE_TO, "XYZ"), w(ALE_TIS, "BRA"), w(ALE_DATA, "VO@"), w(ALE_CMD, "\x1F\x7F\x0C"), w(ALE_DATA, "zBA")},
       {EV_FRAME_FOR_ME}, "BRAVO", {"XYZ"}, "", "", 1, true, PARSER_IDLE},
      {"a REP word without address characters after the ending ends the frame",
       {w(ALE_TO, "XYZ"), w(ALE_TIS, "BRA"), w(ALE_DATA, "VO@"), w(ALE_REP, "BV\x01")},
       {EV_FRAME_FOR_ME}, "BRAVO", {"XYZ"}, "", "", 1, true, PARSER_IDLE},
      {"a damaged address word inside the call is passed over",
       {w(ALE_TO, "XYZ"), w(ALE_FROM, "`#\x01"), w(ALE_TO, "XYZ"), w(ALE_TIS, "B2@"), kBad},
       {EV_FRAME_FOR_ME}, "B2", {"XYZ"}, "", "", 1, true, PARSER_IDLE},
      {"a DATA word in IDLE is ignored", {w(ALE_DATA, "ABC")}, {}, "", {}, "", "", -1, false, PARSER_IDLE},
      {"a bad word in IDLE ends at once", {kBad}, {EV_RX_FRAME_END}, "", {}, "", "", -1, true, PARSER_IDLE},
      {"a DATA word after a TO data word is an error that ends the frame",
       {w(ALE_TO, "ABC"), w(ALE_DATA, "DEF"), w(ALE_DATA, "GHI")}, {EV_RX_FRAME_END}, "", {}, "", "", -1, true,
       PARSER_TO_DATA},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    frame_event_state().ctx = {};  // nothing of the case before
    begin();
    for (AleWord word : c.words) {
      if (word == kBad)
        feed_bad(1);
      else
        feed({word});
    }
    EXPECT_EQ(traced_link_events(), c.link_events);
    const FrameContext& f = ale_frame_context();
    EXPECT_STREQ(f.caller.data(), c.caller);
    EXPECT_EQ(frame_called(), c.called);
    EXPECT_STREQ(f.from.data(), c.from);
    EXPECT_STREQ(f.last_amd.data(), c.amd);
    EXPECT_EQ(f.own_index, c.own_index);
    EXPECT_EQ(receiver_reset_taken(), c.receiver_reset);
    EXPECT_EQ(ale_parser_state(), c.parser_state);
  }
  // A frame cut off by an error is over when the receiver finds the next one.
  begin();
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
}

TEST_F(RxParserTest, AFrameStoppingInsideAToAddressEndsAtTheSixthBadWord) {
  begin();
  feed({w(ALE_TO, "A1@")});
  // Noise that continues the address (DATA and REP alternating) raises no error of its own.
  for (int i = 0; i < 5; ++i) {
    ale_rx_parse_word(rec(w(i % 2 == 0 ? ALE_DATA : ALE_REP, "ZZZ"), true));
  }
  EXPECT_FALSE(receiver_reset_taken());
  EXPECT_EQ(ale_parser_state(), PARSER_TO_DATA);
  ale_rx_parse_word(rec(w(ALE_REP, "ZZZ"), true));
  EXPECT_EQ(traced_link_events(), std::vector<int>{EV_RX_FRAME_END});
  EXPECT_TRUE(receiver_reset_taken());
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
}

TEST_F(RxParserTest, FrameCalledTableAndTraceLines) {
  db_enable_trace_rx_words();
  begin();
  feed({w(ALE_TO, "A1@"), w(ALE_TO, "KIL"), w(ALE_DATA, "O@@"), w(ALE_TIS, "B2@")});
  // The link state's table of the frame's called addresses, while the frame is open.
  EXPECT_EQ(ale_frame_called_text(), "A1 KILO ");
  feed_bad(1);
  const std::string log = log_monitor_text();
  EXPECT_NE(log.find("[TO  KILO]\n"), std::string::npos);
  EXPECT_NE(log.find("[TIS B2]\n"), std::string::npos);
  EXPECT_NE(log.find("[END OF FRAME]\n"), std::string::npos);
  // The end of the frame empties the table.
  EXPECT_EQ(ale_frame_called_text(), "");
}

TEST_F(RxParserTest, FrameCalledTableExtendsAThreeCharacterName) {
  ale_frame_called_add("ABC");
  EXPECT_EQ(ale_frame_called_text(), "ABC ");
  ale_frame_called_add("ABCDEF");  // the rest of the same address
  EXPECT_EQ(ale_frame_called_text(), "ABCDEF ");
  ale_frame_called_add("ABCXYZ");  // a second address: the extended flag is set now
  EXPECT_EQ(ale_frame_called_text(), "ABCDEF ABCXYZ ");
  ale_frame_called_add("ABCXYZ");
  EXPECT_EQ(ale_frame_called_text(), "ABCDEF ABCXYZ ");
  ale_frame_called_clear();
  EXPECT_EQ(ale_frame_called_text(), "");
}

TEST_F(RxParserTest, StatisticsOfTheFrame) {
  EXPECT_DOUBLE_EQ(ale_rx_frame_sinad(), -100.0);
  EXPECT_EQ(ale_rx_frame_ber(), 30);
  RxWordRecord a = rec(w(ALE_TO, "A1@"));
  a.sinad = 100;
  a.vote_disagreements = 3;
  RxWordRecord b = rec(w(ALE_DATA, "BCD"));
  b.sinad = 100;
  b.vote_disagreements = 4;
  ale_rx_parse_word(a);
  ale_rx_parse_word(b);
  EXPECT_DOUBLE_EQ(ale_rx_frame_sinad(), 40.0);
  EXPECT_EQ(ale_rx_frame_ber(), 3);
}

TEST_F(RxParserTest, StripAddress) {
  const std::pair<const char*, const char*> cases[] = {
      {"AB@", "AB"}, {"ABCDEFG@@", "ABCDEFG"}, {"@?@", "@?@"}, {"?@?", "?@?"}, {"ABC", "ABC"}};
  for (const auto& [in, out] : cases) {
    char text[16];
    std::strcpy(text, in);
    ale_rx_strip_address(text);
    EXPECT_STREQ(text, out) << in;
  }
}

TEST_F(RxParserTest, TextBufferFlushesBeforeTheThousandAndFirstCharacter) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += static_cast<char>('A' + i % 26);
  for (char c : text) ale_rx_text_put(c);
  EXPECT_EQ(log_frame_text(), "");
  ale_rx_text_put('!');
  EXPECT_EQ(log_frame_text(), text);
  EXPECT_EQ(ale_rx_text_length(), 1u);
  ale_rx_text_flush();
  EXPECT_EQ(log_frame_text(), text + "!");
}

TEST_F(RxParserTest, BitPackersTakeTheHighBitsFirst) {
  ale_rx_text_bits('H' << 5, 7);           // bits 11-5
  ale_rx_text_bits(('I' << 5) | 0x1F, 7);  // the low bits are not taken
  ale_rx_text_flush();
  EXPECT_EQ(log_frame_text(), "HI");

  // A data message: PID 4 (text), "O", then "K" from two half bytes. It came as a DBM message.
  xfer_select_dtm_path();
  ale_rx_data_bits(0x044F4 << 1, 20);  // bits 20-1: 0x04, 0x4F, then a half byte
  ale_rx_data_bits_low(0xB00, 4);      // bits 11-8 complete the third byte: 0x4B
  ale_rx_data_flush();
  EXPECT_EQ(log_frame_text(), "HIOK");
  EXPECT_EQ(xfer_path(), XFER_PATH_DBM);
}

TEST_F(RxParserTest, OversizedReceivedMessageIsDroppedWithALogLine) {
  // Bytes of 0x5A: a PID this station does not know, logged once per message handed on.
  const auto handed_on = [] {
    const std::string log = log_monitor_text();
    int n = 0;
    for (std::size_t at = log.find("Unknown PID received 5A"); at != std::string::npos;
         at = log.find("Unknown PID received 5A", at + 1))
      ++n;
    return n;
  };
  for (std::size_t i = 0; i < kRxDataBufferSize + 10; ++i) ale_rx_data_bits_low(0x5A0, 8);
  EXPECT_EQ(handed_on(), 0);  // never split into separate messages
  ale_rx_data_flush();
  EXPECT_EQ(handed_on(), 0);
  EXPECT_NE(log_monitor_text().find("DATA ERROR"), std::string::npos);
  // The next message is whole again.
  ale_rx_data_bits_low(0x5A0, 8);
  ale_rx_data_flush();
  EXPECT_EQ(handed_on(), 1);
}

// AQC-ALE words and the raw groups of a DBM message are not parsed as standard words.
TEST_F(RxParserTest, OnlyStandardWordsReachTheParser) {
  aqc_rx_set_word_is_aqc(1);
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  ale_rx_dbm_mode_on();
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
  aqc_rx_set_word_is_aqc(0);
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
  ale_rx_dbm_mode_off();
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  EXPECT_EQ(ale_parser_state(), PARSER_TO);
}

TEST_F(RxParserTest, OverlongAmdRaisesErrorsNotText) {
  begin();
  feed({w(ALE_TO, "A1@"), w(ALE_CMD, "ABC")});
  for (int i = 0; i < 40; ++i) feed({w(i % 2 == 0 ? ALE_DATA : ALE_REP, "DEF")});
  feed({w(ALE_TIS, "B2@")});
  // 96 characters gathered: more than an AMD text may hold, so the frame has no AMD.
  EXPECT_EQ(ale_frame_context().last_amd_flag, 0);
  EXPECT_STREQ(ale_frame_last_amd(), nullptr);
}

// The frame handler may end the frame from inside a word's step: a sounding heard while
// scanning returns the station to scanning, which resets this parser and retunes. The rest of
// that step belongs to the frame on the channel left: its word may neither start an address
// nor count in the statistics of the next channel's frame.
TEST_F(RxParserTest, AResetByTheFrameHandlerEndsTheWordsStep) {
  db_enable_trace_rx_words();
  ale_link_init();
  ale_link_event(EV_START_SCAN);
  ASSERT_EQ(ale_scan_mode(), ALE_SCAN_MODE_SCANNING);
  ale_frame_event(EV_RX_FRAME_BEGIN);
  ASSERT_EQ(ale_link_state(), ALE_STATE_PAUSE_SCAN_SYNC);
  RxWordRecord strong = rec(w(ALE_TIS, "C3@"));
  strong.sinad = 1000;
  for (int i = 0; i < 3; ++i) ale_rx_parse_word(strong);
  clear_monitor();
  ale_rx_parse_word(strong);  // ends C3's third address: a sounding, and the return to scan
  EXPECT_EQ(traced_link_events(), std::vector<int>{EV_RX_THIS_IS_SOUND});
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
  EXPECT_STREQ(ale_rx_accumulator(), "");
  EXPECT_EQ(ale_rx_frame_sinad(), -100.0);

  // The next channel's station, SINAD 10 in each word.
  clear_monitor();
  feed({w(ALE_TIS, "B2@"), w(ALE_TIS, "B2@")});
  const std::string log = log_monitor_text();
  EXPECT_NE(log.find("[TIS B2]\n"), std::string::npos);
  EXPECT_EQ(log.find("[TIS C3]\n"), std::string::npos);
  EXPECT_STREQ(ale_frame_caller(), "B2");
  EXPECT_DOUBLE_EQ(ale_rx_frame_sinad(), 20.0);
}

}  // namespace
}  // namespace vesk::test
