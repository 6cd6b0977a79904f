#include "ale/frames/rx_parser.h"

#include <string>
#include <vector>

#include "db/events.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class RxParserTest : public FrameStationTest {};

constexpr AleWord kBad = 0xFFFFFFFF;  // marks a bad word in a case's word list

struct ParseCase {
  const char* name;
  std::vector<AleWord> words;
  std::vector<SeenEvent> expected;  // events with their text; EV_RX_MESSAGE_SECTION's is ignored
};

AleWord w(uint32_t type, const char* three) { return FrameStationTest::word(type, three); }

TEST_F(RxParserTest, WordSequencesGiveFrameEvents) {
  const ParseCase cases[] = {
      {"TO then TIS then a bad word",
       {w(ALE_TO, "A1@"), w(ALE_TIS, "B2@"), kBad},
       {{EV_RX_TO, "A1"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "B2"}, {EV_RX_FRAME_END, "B2"}}},
      {"seven-character TWAS",
       {w(ALE_TWAS, "ABC"), w(ALE_DATA, "DEF"), w(ALE_REP, "G@@"), kBad},
       {{EV_RX_THIS_WAS, "ABCDEFG"}, {EV_RX_FRAME_END, "ABCDEFG"}}},
      {"seven-character FROM",
       {w(ALE_TO, "A1@"), w(ALE_FROM, "ABC"), w(ALE_DATA, "DEF"), w(ALE_REP, "G@@"), w(ALE_TIS, "B2@"), kBad},
       {{EV_RX_TO, "A1"},
        {EV_RX_MESSAGE_SECTION, ""},
        {EV_RX_FROM, "ABCDEFG"},
        {EV_RX_THIS_IS, "B2"},
        {EV_RX_FRAME_END, "B2"}}},
      {"REP after a one-word TO starts a new TO address",
       {w(ALE_TO, "A1@"), w(ALE_REP, "B2@"), w(ALE_TIS, "C3@"), kBad},
       {{EV_RX_TO, "A1"}, {EV_RX_TO, "B2"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "C3"},
        {EV_RX_FRAME_END, "C3"}}},
      {"AMD text between the call and the ending",
       {w(ALE_TO, "A1@"), w(ALE_CMD, "HEL"), w(ALE_DATA, "LO "), w(ALE_TIS, "B2@"), kBad},
       {{EV_RX_TO, "A1"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_AMD, "HELLO "}, {EV_RX_THIS_IS, "B2"},
        {EV_RX_FRAME_END, "B2"}}},
      {"allcall names the working channel's own address",
       {w(ALE_TO, "@?@"), w(ALE_TIS, "B2@"), kBad},
       {{EV_RX_ALLCALL, "ABC"}, {EV_RX_MESSAGE_SECTION, ""}, {EV_RX_THIS_IS, "B2"}, {EV_RX_FRAME_END, "B2"}}},
      {"a DATA word in IDLE is ignored", {w(ALE_DATA, "ABC")}, {}},
      {"a bad word in IDLE ends at once", {kBad}, {{EV_RX_FRAME_END, ""}}},
      {"a DATA word after a TO data word is an error",
       {w(ALE_TO, "ABC"), w(ALE_DATA, "DEF"), w(ALE_DATA, "GHI")},
       {{EV_PARSER_ERROR, "ABCDEF"}}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    ale_parser_reset();
    events_.clear();
    for (AleWord word : c.words) {
      if (word == kBad)
        feed_bad(1);
      else
        feed({word});
    }
    std::vector<SeenEvent> seen = events_;
    for (SeenEvent& e : seen)
      if (e.event == EV_RX_MESSAGE_SECTION) e.text.clear();
    EXPECT_EQ(seen, c.expected);
  }
}

TEST_F(RxParserTest, AFrameStoppingInsideAToAddressEndsAtTheSixthBadWord) {
  feed({w(ALE_TO, "A1@")});
  // Noise that continues the address (DATA and REP alternating) raises no error of its own.
  for (int i = 0; i < 5; ++i) {
    ale_rx_parse_word(rec(w(i % 2 == 0 ? ALE_DATA : ALE_REP, "ZZZ"), true));
  }
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(ale_parser_state(), PARSER_TO_DATA);
  ale_rx_parse_word(rec(w(ALE_REP, "ZZZ"), true));
  EXPECT_EQ(event_numbers(), std::vector<int>{EV_RX_FRAME_END});
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
}

TEST_F(RxParserTest, FrameCalledTableAndTraceLines) {
  std::vector<std::string> called;
  rx_parser_state().seams.frame_called_add = [&](const char* a) { called.push_back(a); };
  db_enable_trace_rx_words();
  feed({w(ALE_TO, "A1@"), w(ALE_TO, "KIL"), w(ALE_DATA, "O@@"), w(ALE_TIS, "B2@")});
  feed_bad(1);
  EXPECT_EQ(called, (std::vector<std::string>{"A1", "KILO"}));
  const std::string log = log_monitor_text();
  EXPECT_NE(log.find("[TO  KILO]\n"), std::string::npos);
  EXPECT_NE(log.find("[TIS B2]\n"), std::string::npos);
  EXPECT_NE(log.find("[END OF FRAME]\n"), std::string::npos);
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
  std::vector<std::string> pane;
  rx_parser_state().seams.data_pane = [&](const char* p, std::size_t n) { pane.emplace_back(p, n); };
  for (int i = 0; i < 1000; ++i) ale_rx_text_put('A' + i % 26);
  EXPECT_TRUE(pane.empty());
  ale_rx_text_put('!');
  ASSERT_EQ(pane.size(), 1u);
  EXPECT_EQ(pane[0].size(), 1000u);
  EXPECT_EQ(ale_rx_text_length(), 1u);
  ale_rx_text_flush();
  ASSERT_EQ(pane.size(), 2u);
  EXPECT_EQ(pane[1], "!");
}

TEST_F(RxParserTest, BitPackersTakeTheHighBitsFirst) {
  std::vector<std::string> pane;
  rx_parser_state().seams.data_pane = [&](const char* p, std::size_t n) { pane.emplace_back(p, n); };
  ale_rx_text_bits('H' << 5, 7);           // bits 11-5
  ale_rx_text_bits(('I' << 5) | 0x1F, 7);  // the low bits are not taken
  ale_rx_text_flush();
  ASSERT_EQ(pane.size(), 1u);
  EXPECT_EQ(pane[0], "HI");

  std::vector<std::vector<uint8_t>> payloads;
  rx_parser_state().seams.payload_dispatch = [&](const uint8_t* d, std::size_t n) {
    payloads.emplace_back(d, d + n);
  };
  ale_rx_data_bits(0xABCDE << 1, 20);  // bits 20-1: 0xAB, 0xCD, then a half byte
  ale_rx_data_bits_low(0xE00, 4); // bits 11-8 complete the third byte: 0xEE
  ale_rx_data_flush();
  ASSERT_EQ(payloads.size(), 1u);
  EXPECT_EQ(payloads[0], (std::vector<uint8_t>{0xAB, 0xCD, 0xEE}));
}

TEST_F(RxParserTest, OversizedReceivedMessageIsDroppedWithALogLine) {
  int dispatched = 0;
  rx_parser_state().seams.payload_dispatch = [&](const uint8_t*, std::size_t) { ++dispatched; };
  for (std::size_t i = 0; i < kRxDataBufferSize + 10; ++i) ale_rx_data_bits_low(0x5A0, 8);
  EXPECT_EQ(dispatched, 0);  // never split into separate messages
  ale_rx_data_flush();
  EXPECT_EQ(dispatched, 0);
  EXPECT_NE(log_monitor_text().find("DATA ERROR"), std::string::npos);
  // The next message is whole again.
  ale_rx_data_bits_low(0x5A0, 8);
  ale_rx_data_flush();
  EXPECT_EQ(dispatched, 1);
}

TEST_F(RxParserTest, WordsAfterAnAqcWordGoToTheAqcReceiver) {
  int aqc = 0, dbm = 0;
  rx_parser_state().seams.aqc_rx_word = [&](const RxWordRecord&) { ++aqc; };
  rx_parser_state().seams.dbm_rx_bits = [&](const RxWordRecord&) { ++dbm; };
  aqc_rx_set_word_is_aqc(1);
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  ale_rx_dbm_mode_on();
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  aqc_rx_set_word_is_aqc(0);
  ale_rx_dbm_mode_off();
  ale_rx_word(rec(w(ALE_TO, "A1@")));
  EXPECT_EQ(aqc, 1);
  EXPECT_EQ(dbm, 1);
  EXPECT_EQ(ale_parser_state(), PARSER_TO);
}

TEST_F(RxParserTest, OverlongAmdRaisesErrorsNotText) {
  feed({w(ALE_TO, "A1@"), w(ALE_CMD, "ABC")});
  for (int i = 0; i < 40; ++i) feed({w(i % 2 == 0 ? ALE_DATA : ALE_REP, "DEF")});
  events_.clear();
  feed({w(ALE_TIS, "B2@")});
  // 96 characters gathered: more than an AMD text may hold, so no EV_RX_AMD.
  EXPECT_EQ(event_numbers(), std::vector<int>{});
}

// The frame handler may end the frame from inside a word's step: a heard sounding returns the
// station to scanning, which resets this parser and retunes. The rest of that step belongs to
// the frame on the channel left: its word may neither start an address nor count in the
// statistics of the next channel's frame.
TEST_F(RxParserTest, AResetByTheFrameHandlerEndsTheWordsStep) {
  auto record = [this](int ev) { events_.push_back({ev, ale_rx_accumulator()}); };
  rx_parser_state().seams.frame_event = [&](int ev) {
    record(ev);
    if (ev == EV_RX_THIS_IS) ale_parser_reset();  // the return to scan
  };
  RxWordRecord strong = rec(w(ALE_TIS, "C3@"));
  strong.sinad = 1000;
  ale_rx_parse_word(strong);
  ale_rx_parse_word(strong);  // ends C3's address: the handler resets
  EXPECT_EQ(ale_parser_state(), PARSER_IDLE);
  EXPECT_STREQ(ale_rx_accumulator(), "");
  EXPECT_EQ(ale_rx_frame_sinad(), -100.0);

  rx_parser_state().seams.frame_event = record;
  events_.clear();
  feed({w(ALE_TIS, "B2@"), w(ALE_TIS, "B2@")});  // the next channel's station, sinad 10 each
  EXPECT_EQ(events_, (std::vector<SeenEvent>{{EV_RX_THIS_IS, "B2"}}));
  EXPECT_DOUBLE_EQ(ale_rx_frame_sinad(), 20.0);
}

}  // namespace
}  // namespace vesk::test
