// Event, state and word names, and the trace lines each trace switch allows.
#include "ale/engine/event_names.h"
#include "ale/engine/events.h"
#include "ale/link/link_state.h"
#include "ale/words/word_trace.h"
#include "db/options.h"
#include "tests/ale/engine_fixture.h"

namespace vesk {
namespace {

using test::EngineFixture;

// A word from its preamble and three 7-bit characters.
constexpr uint32_t word(int preamble, int c1, int c2, int c3) {
  return (static_cast<uint32_t>(preamble) << 21) | (static_cast<uint32_t>(c1) << 14) |
         (static_cast<uint32_t>(c2) << 7) | static_cast<uint32_t>(c3);
}

TEST(EventNames, NamesOfNumbers) {
  struct Case {
    int number;
    const char* name;
  } cases[] = {
      {0, "EV_NULL_EVENT"},
      {EV_DWELL_TIMER, "EV_DWELL_TIMER"},
      {555, "EV_PARSER_ERROR"},
      {1044, "EV_ANT_TIMEOUT"},
      {1045, "Unknown"},
      {1047, "Unknown"},
      {1048, "EV_AMD_REMOTE_PROTOCOL_NOT_SUPPPORTED_TIMER"},
      {1056, "Unknown"},
      {1070, "EV_AMD_REMOTE_MODEM_NOT_SUPPORTED_TIMER"},
      {1087, "Unknown"},
      {1088, "EV_RADIO_EMULATION_TIMEOUT"},
      {1089, "Unknown"},
      {499, "Unknown"},
      {-1, "Unknown"},
  };
  for (const Case& c : cases) EXPECT_STREQ(ale_event_name(c.number), c.name) << c.number;
  EXPECT_STREQ(ale_link_state_name(1), "SCANNING STOPPED");
  EXPECT_STREQ(ale_link_state_name(31), "THIS IS SOUND IN PROGRESS");
  EXPECT_STREQ(ale_link_state_name(32), "UNKNOWN STATE");
  EXPECT_STREQ(ale_link_state_name(-1), "UNKNOWN STATE");
}

TEST_F(EngineFixture, EventAndStateTraces) {
  ale_trace_event(EV_DWELL_TIMER);
  ale_trace_state();
  EXPECT_EQ(log_monitor_text(), "");  // both switches off
  db_enable_trace_events();
  db_enable_trace_states();
  const int quiet_events[] = {EV_SCAN_TIMER, EV_SM_POLL_TIMER, EV_RADIO_SCAN_COMMAND_SENT};
  for (int quiet : quiet_events) ale_trace_event(quiet);
  EXPECT_EQ(log_monitor_text(), "");
  ale_trace_event(EV_DWELL_TIMER);
  ale_trace_event(1045);
  ale_trace_state();
  EXPECT_EQ(log_monitor_text(), "State = NULL STATE\nEvent = Unknown\r\nEvent = EV_DWELL_TIMER\r\n");
}

TEST(EventNames, WordTraceText) {
  struct Case {
    uint32_t word;
    const char* text;
  } cases[] = {
      {word(0, 'D', 'E', 'F'), "[DAT DEF]"},
      {word(1, 'A', 'B', 'C'), "[TRU ABC]"},
      {word(2, 'A', 'B', 'C'), "[TO  ABC]"},
      {word(3, 'X', 'Y', 'Z'), "[TWS XYZ]"},
      {word(4, 'K', '1', '@'), "[FRM K1@]"},
      {word(5, 'X', 'Y', 'Z'), "[TIS XYZ]"},
      {word(6, 0x61, 0x20, 0x05), "[CMD 61 20 05]"},
      {word(7, 'A', 'B', 'C'), "[RPT ABC]"},
      {word(2, 'A', 'B', 'C') | (5u << 24), "[TO  ABC]"},  // the transmit tag above bit 23 is ignored
  };
  for (const Case& c : cases) EXPECT_EQ(ale_word_trace_text(c.word), c.text);
}

TEST_F(EngineFixture, WordTraces) {
  ale_trace_tx_start();
  ale_trace_tx_word(word(2, 'A', 'B', 'C'));
  ale_trace_tx_end();
  ale_trace_rx_word(word(5, 'X', 'Y', 'Z'));
  EXPECT_EQ(log_monitor_text(), "");
  db_enable_trace_tx_words();
  ale_trace_tx_start();
  ale_trace_tx_word(word(2, 'A', 'B', 'C'));
  ale_trace_tx_end();
  ale_trace_rx_word(word(5, 'X', 'Y', 'Z'));  // receive tracing still off
  EXPECT_EQ(log_monitor_text(), "[TX END]\n[TO  ABC]\n[TX START]\n");
  db_enable_trace_rx_words();
  ale_trace_rx_word(word(5, 'X', 'Y', 'Z'));
  EXPECT_EQ(count_in_log("[TIS XYZ]\n"), 1);
}

TEST(EventNames, AqcDataElementTexts) {
  EXPECT_EQ(aqc_inlink_de_text(8 | 3), "ACK THIS, # COMMANDS 3");
  EXPECT_EQ(aqc_inlink_de_text(2), "DON'T ACK THIS, # COMMANDS 2");
  EXPECT_EQ(aqc_second_de_text(8 | 4), "I'M INLINK, DIRECTED LINK TERMINATE");
  EXPECT_EQ(aqc_second_de_text(1), "I'M NOT INLINK, M141 SECTION");
  EXPECT_EQ(aqc_second_de_text(7), "I'M NOT INLINK, RESERVED 7");
}

TEST_F(EngineFixture, AqcReceiveTraces) {
  db_enable_trace_rx_words();
  aqc_trace_rx_word(2, 0, "ABC", 1, 2);
  aqc_trace_rx_word(1, 0, "K1ABC", 3, 4);
  aqc_trace_rx_word(6, 0xAB123456, nullptr, 0, 0);
  aqc_trace_rx_word(4, 0x123456, "XYZ", 0, 0);  // FROM writes nothing
  aqc_trace_rx_word(0, 0x00000F, nullptr, 0, 0);
  EXPECT_EQ(log_monitor_text(), "[DAT 00000F ]\n[CMD 123456 ]\n[INK][K1ABC][DE 3 DE 4]\n[TO ][ABC][DE 1 DE 2]\n");
}

}  // namespace
}  // namespace vesk
