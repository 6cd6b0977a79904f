#include "ale/frames/cmd_words.h"

#include <string>
#include <vector>

#include "ale/engine/events.h"
#include "ale/link/ale_timing.h"
#include "ale/link/link_state.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class CmdWordsTest : public FrameStationTest {
 protected:
  static AleWord cmd(int c1, int c2, int c3) { return ale_make_word(ALE_CMD, c1, c2, c3); }
  // The line the monitor writes for the collected words, closed by a TIS word.
  std::string monitor_line(std::initializer_list<AleWord> words) {
    db_enable_trace_commands();
    for (AleWord word : words) ale_monitor_cmd_word(word);
    const std::string before = log_monitor_text();
    ale_monitor_cmd_word(word(ALE_TIS, "AB@"));
    const std::string after = log_monitor_text();
    return after.substr(0, after.size() - before.size());
  }
};

struct CmdClassCase {
  const char* name;
  AleWord word;
  int result;
  int state;
};

TEST_F(CmdWordsTest, CommandWordsAreClassifiedByTheirFirstCharacter) {
  const CmdClassCase cases[] = {
      {"AMD text", word(ALE_CMD, "HEL"), PARSER_AMD, CMD_AMD},
      {"coded AMD", cmd(0, 5, 6), PARSER_AMD, CMD_AMD},
      {"LQA", cmd('a', 0, 0), PARSER_COMMAND, CMD_LQA},
      {"DBM", cmd('b', 0, 0), PARSER_COMMAND, CMD_DBM},
      {"DTM", cmd('d', 0, 0), PARSER_DTM, CMD_DTM},
      {"modem negotiation", cmd('m', 'n', 1), PARSER_COMMAND, 11},
      {"zulu time", cmd('t', 'z', 0), PARSER_COMMAND, 34},
      {"versions", cmd('v', 's', 0), PARSER_COMMAND, 36},
      {"user unique", cmd(124, 0, 0), PARSER_COMMAND, CMD_USER_UNIQUE},
      {"check word", cmd('x', 1, 2), PARSER_COMMAND, CMD_CHECK},
  };
  for (const CmdClassCase& c : cases) {
    SCOPED_TRACE(c.name);
    ale_cmd_reset();
    EXPECT_EQ(ale_rx_cmd_word(rec(c.word)), c.result);
    EXPECT_EQ(ale_cmd_state(), c.state);
  }
  // Unknown second characters and first characters leave the state as it was.
  ale_rx_cmd_word(rec(cmd('f', 0, 0)));
  EXPECT_EQ(ale_rx_cmd_word(rec(cmd('m', 'X', 0))), PARSER_COMMAND);
  EXPECT_EQ(ale_cmd_state(), CMD_FREQUENCY);
  EXPECT_EQ(ale_rx_cmd_word(rec(cmd('~', 0, 0))), PARSER_COMMAND);
  EXPECT_EQ(ale_cmd_state(), CMD_FREQUENCY);
}

TEST_F(CmdWordsTest, MessageWordsGoWhereTheCommandSays) {
  // A DTM header marks the frame as data traffic; its data words are the DTM receiver's and
  // do not enter the ring.
  ASSERT_EQ(ale_data_message(), 0);
  ale_rx_cmd_word(rec(cmd('d', 1, 2)));
  EXPECT_EQ(ale_rx_cmd_word(rec(word(ALE_DATA, "ABC"))), 0);
  EXPECT_EQ(ale_data_message(), 1);
  EXPECT_EQ(ale_cmd_ring_word(1), 0u);

  // After an LQA word a DATA word only enters the ring; the LQA word is the frame's report.
  ale_rx_cmd_word(rec(cmd('a', 0, 0) | 1u << 13));
  ale_rx_message_word(rec(word(ALE_DATA, "XYZ")));
  EXPECT_EQ(ale_cmd_ring_word(0), cmd('a', 0, 0) | 1u << 13);
  EXPECT_EQ(ale_cmd_ring_word(1), word(ALE_DATA, "XYZ"));
  EXPECT_EQ(ale_cmd_last_lqa_word(), cmd('a', 0, 0) | 1u << 13);
  EXPECT_EQ(ale_frame_context().lqa_word, cmd('a', 0, 0) | 1u << 13);
  EXPECT_EQ(ale_frame_lqa_report_flag(), 1);
}

TEST_F(CmdWordsTest, CheckWordResetsTheFrameCrc) {
  feed({word(ALE_TO, "A1@"), word(ALE_DATA, "BCD")});
  ASSERT_NE(ale_rx_frame_crc(), 0xFFFF);
  ale_rx_cmd_word(rec(cmd('z', 0, 0)));
  EXPECT_EQ(ale_cmd_state(), CMD_CHECK);
  EXPECT_EQ(ale_rx_frame_crc(), 0xFFFF);
}

TEST_F(CmdWordsTest, SlotWidthCommandSetsTheAgreedSlotWidth) {
  ASSERT_EQ(ale_slot_width_flag(), 0);
  ale_rx_cmd_word(rec(cmd('t', 'w', 'E')));  // units of 1377 Tw (bits 6-5: 2), 5 of them
  EXPECT_EQ(ale_slot_width(), 5 * 1377);
  EXPECT_EQ(ale_slot_width_flag(), 1);
}

TEST_F(CmdWordsTest, MonitorLineOfAnLqaCommand) {
  const AleWord lqa = cmd('a', 0, 0) | 1u << 13 | 2u << 10 | 31u << 5 | 5u;
  EXPECT_EQ(monitor_line({lqa}),
            "[CMD LQA KA1 = RESPONSE REQUIRED,MULTIPATH = 2 MS,SINAD = UNKNOWN,BER = 0.03602]\n");
}

TEST_F(CmdWordsTest, MonitorLineOfADtmHeaderPrintedAtTheCheckWord) {
  db_enable_trace_commands();
  const AleWord header = cmd('d', 0, 0) | 1u << 10 | 1u << 12 | 546u;
  ale_monitor_cmd_word(header);
  ale_monitor_cmd_word(word(ALE_DATA, "ABC"));
  ale_monitor_cmd_word(ale_make_word(ALE_REP, 'D', 127, 127));
  const std::string before = log_monitor_text();
  ale_monitor_cmd_word(cmd('x', 0, 0));
  const std::string line = log_monitor_text().substr(0, log_monitor_text().size() - before.size());
  EXPECT_EQ(line, "[CMD DTM KD1=1,KD2=0,KD3=1,KD4=0 BASIC DC=222 \"ABCD\x7f\x7f\"]\n");
}

TEST_F(CmdWordsTest, MonitorLineOfAModemNegotiationKeepsItsNewlineBeforeTheBracket) {
  EXPECT_EQ(monitor_line({cmd('m', 'n', 41)}), "[CMD MODEM NEGOTIATION STANAG 4285 150 BPS LONG INTERLEAVE\n]\n");
}

TEST_F(CmdWordsTest, MonitorLineOfAmdTextAndOfAnUndecodedCommand) {
  EXPECT_EQ(monitor_line({word(ALE_CMD, "HEL"), word(ALE_DATA, "LO ")}), "[[CMD AMD] HELLO  ]\n");
  EXPECT_EQ(monitor_line({cmd('t', 'q', 0)}), "[CMD QUIET CONTACT ]\n");
  // A command that is not decoded repeats the previous text.
  EXPECT_EQ(monitor_line({cmd('e', 0, 0)}), "[CMD QUIET CONTACT ]\n");
  EXPECT_EQ(monitor_line({cmd('{', 0x12, 0x34)}), "[CMD CRC C934]\n");
}

TEST_F(CmdWordsTest, MonitorIsSilentWithCommandTracingOff) {
  db_disable_trace_commands();
  const std::string before = log_monitor_text();
  ale_monitor_cmd_word(cmd('a', 0, 0));
  ale_monitor_cmd_word(word(ALE_TIS, "AB@"));
  EXPECT_EQ(log_monitor_text(), before);
}

TEST_F(CmdWordsTest, MonitorKeepsTakingWordsPastItsLimit) {
  db_enable_trace_commands();
  ale_monitor_cmd_word(cmd('c', 0, 0));
  for (int i = 0; i < 400; ++i) ale_monitor_cmd_word(word(ALE_DATA, "ABC"));
  EXPECT_LE(cmd_word_state().monitor_count, kMonitorWordsMax);
  EXPECT_EQ(monitor_line({}), "[CMD CHANNELS ]\n");
}

TEST_F(CmdWordsTest, ModemAndBerTables) {
  const std::pair<int, const char*> modems[] = {
      {0, "RESERVED"},  {1, "ALE MODEM"}, {5, "ANDVT"}, {8, "RESERVED"},
      {32, "STANAG 4285 75 BPS SHORT INTERLEAVE"}, {46, "STANAG 4285 4800 BPS LONG INTERLEAVE"},
      {47, "RESERVED"}, {50, "STANAG 4529 300 BPS SHORT INTERLEAVE"}, {62, "STANAG 4529 4800 BPS LONG INTERLEAVE"},
      {63, "RESERVED"}, {0x101, "ALE MODEM"}};
  for (const auto& [code, name] : modems) EXPECT_STREQ(ale_modem_type_name(code), name) << code;
  EXPECT_STREQ(ale_ber_text(30), ">= 0.3");
  EXPECT_STREQ(ale_ber_text(31), "UNKNOWN");
  EXPECT_STREQ(ale_multipath_text(6), ">6 MS");
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

TEST_F(CmdWordsTest, ParsedWordsReachTheMonitorThroughTheTrace) {
  db_enable_trace_commands();
  const AleWord lqa = cmd('a', 0, 0) | 0x1FFFu;
  feed({word(ALE_TO, "A1@"), lqa, word(ALE_TIS, "B2@")});
  EXPECT_NE(log_monitor_text().find("[CMD LQA KA1 = NO RESPONSE REQUIRED,MULTIPATH = UNKNOWN,SINAD = UNKNOWN,BER = UNKNOWN]\n"),
            std::string::npos);
}

}  // namespace
}  // namespace vesk::test
