// RADCMD, HEXRADCMD, ATU and LDG through the interpreter: what reaches the radio and tuner
// ports of the recording serial fake, and the lines written.
#include "command/cmd_radio.h"

#include <gtest/gtest.h>

#include <string>

#include "command/interpreter.h"
#include "db/options.h"
#include "radio/drivers/radio_types.h"
#include "radio/setup_table.h"
#include "tests/command/radio_command_fixture.h"

namespace vesk {
namespace {

class RadioCommands : public test::RadioCommandFixture {
 protected:
  RadioCommands() {
    db_set_radio_type(kRadioTypeDefault);
    open(SERIAL_ROLE_RADIO, 1);
    open(SERIAL_ROLE_ATU, 4);
  }
};

TEST_F(RadioCommands, RadioCommandsReachTheRadioPort) {
  struct Case {
    const char* line;
    const char* trace;
    const char* text;
  };
  const Case cases[] = {
      {"RADCMD FA00007100000 CR1", "0 ms COM1 write 46 41 30 30 30 30 37 31 30 30 30 30 30 0D\n",
       "[MMI CHANGE: Sent radio command FA00007100000 CR1]\n"},
      {"RADCMD A B", "0 ms COM1 write 41 20 42\n", "[MMI CHANGE: Sent radio command A B]\n"},
      {"RADCMD A B C LFCR", "0 ms COM1 write 41 20 42 20 43 0A 0D\n", "[MMI CHANGE: Sent radio command A B C LFCR]\n"},
      {"RADCMD \"fa;\" LF2", "0 ms COM1 write 66 61 3B 0A 0A\n", "[MMI CHANGE: Sent radio command fa; LF2]\n"},
      {"HEXRADCMD FE FE 58 E0 03 FD", "0 ms COM1 write FE FE 58 E0 03 FD\n",
       "[MMI CHANGE: Sent HEX radio command: 6]\n"},
      {"HEXRADCMD 0x1FF ZZ", "0 ms COM1 write FF 00\n", "[MMI CHANGE: Sent HEX radio command: 2]\n"},
      // Refused: nothing is sent.
      {"RADCMD", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {"RADCMD A B C D E", "", "[MMI CHANGE ERROR: TOO MANY PARAMETERS]\n"},
      {"RADCMD \"0123456789012345678901234567890123456789012345678901\"", "",
       "[MMI ERROR: Radio command not sent. Longer than 49 bytes.]\n"},
      {"HEXRADCMD", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
  };
  for (const Case& c : cases) {
    const auto [trace, text] = run(c.line);
    EXPECT_EQ(trace, c.trace) << c.line;
    EXPECT_EQ(text, c.text) << c.line;
  }
}

// A full radio queue refuses the command: the log says it was not sent, never that it was.
TEST_F(RadioCommands, RadioCommandRefusedByAFullQueueIsNotLoggedAsSent) {
  const uint8_t x = 'X';
  for (int i = 0; i < 150; ++i) ASSERT_EQ(radio_send(&x, 1), 0);
  for (const char* line : {"RADCMD A B", "HEXRADCMD 41 42"}) {
    clear();
    mmi_run_line(line);
    EXPECT_EQ(log_text().find("Sent"), std::string::npos) << log_text();
    EXPECT_NE(log_text().find("[MMI ERROR: Radio command not sent. Radio output queue full.]\n"), std::string::npos)
        << log_text();
  }
}

TEST_F(RadioCommands, Ldg) {
  struct Case {
    const char* line;
    const char* trace;
    const char* text;
  };
  const Case cases[] = {
      // n = 20,480,000,000 / 14,000,000 = 1462 = 05 B6: beyond 32 bits on the way.
      {"LDG FREQ 14000000",
       "0 ms COM4 RTS on\n15 ms COM4 RTS off\n65 ms COM4 RTS on\n115 ms COM4 RTS off\n165 ms COM4 write 43 05 B6\n",
       "[MMI CHANGE: AT-200PC Memory to 14000000 khz]\n"},
      {"LDG FREQ 1700000", "0 ms COM4 RTS on\n15 ms COM4 RTS off\n",
       "[MMI ERROR: AT-200PC does not support frequency 1700000 khz]\n"},
      {"LDG VSWR17", "0 ms COM4 RTS on\n15 ms COM4 RTS off\n65 ms COM4 RTS on\n80 ms COM4 RTS off\n95 ms COM4 write 35\n",
       "[MMI CHANGE: AT-200PC VSWR Threshold set to VSWR 1.7:1]\n"},
      {"LDG", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {"LDG NOTHING", "0 ms COM4 RTS on\n15 ms COM4 RTS off\n", ""},
  };
  for (const Case& c : cases) {
    const auto [trace, text] = run(c.line, 200);
    EXPECT_EQ(trace, c.trace) << c.line;
    EXPECT_EQ(text, c.text) << c.line;
  }
  // A closed tuner port: nothing at all.
  serial_control(SERIAL_ROLE_ATU).close();
  EXPECT_EQ(run("LDG FREQ 14000000"), std::make_pair(std::string(), std::string()));
}

TEST_F(RadioCommands, AtuOnEachTunerType) {
  db_set_atu_dtr_delay(30);
  db_set_atu_rts_delay(20);
  struct Case {
    int atu_type;
    const char* line;
    const char* trace;
    const char* text;
  };
  const Case cases[] = {
      {ATU_NONE, "ATU ASTART", "", "[MMI CHANGE: Test START]\n"},
      {ATU_NONE, "ATU BYPASS", "", "[MMI CHANGE: Test BYPASS]\n"},
      {ATU_AT200PC, "ATU ASTOP",
       "0 ms COM4 RTS on\n10 ms COM4 RTS off\n20 ms COM4 write 3B\n40 ms COM4 RTS on\n50 ms COM4 RTS off\n"
       "70 ms COM4 write 2C\n",  // the tuner queue paces its messages 50 ms apart
       "[MMI CHANGE: Test STOP]\n"},
      {ATU_Z100, "ATU ASTART", "", "TEST MSG: Z100 ATU TUNE\n[MMI CHANGE: Test START]\n"},
      {ATU_LDG_PRO, "ATU ASTART", "0 ms COM4 DTR on\n20 ms COM4 DTR off\n", "[MMI CHANGE: Test START]\n"},
      {ATU_LDG_PRO, "ATU ASTOP", "0 ms COM4 DTR on\n30 ms COM4 DTR off\n", "[MMI CHANGE: Test STOP]\n"},
      {ATU_RS232_LINES, "ATU ASTART", "0 ms COM4 RTS on\n20 ms COM4 RTS off\n", "[MMI CHANGE: Test START]\n"},
      {ATU_RS232_LINES, "ATU", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
  };
  for (const Case& c : cases) {
    db_set_radio_type(kRadioTypeDefault);
    db_set_atu_type(c.atu_type);
    const auto [trace, text] = run(c.line, 200);
    EXPECT_EQ(trace, c.trace) << c.atu_type << " " << c.line;
    EXPECT_EQ(text, c.text) << c.atu_type << " " << c.line;
  }
}

// ATU on the radio's own tuner (RADIO CAT): ASTOP switches it off (the DX-77T too), and the
// TK sets, which have no tuner-off, get nothing.
TEST_F(RadioCommands, AtuOnTheRadiosOwnTuner) {
  db_set_atu_type(ATU_RADIO_CAT);
  struct Case {
    int radio;
    const char* line;
    const char* bytes;  // on the radio port, in ASCII
  };
  const Case cases[] = {
      {DB_DX77T, "ATU ASTART", "AL2M1"},
      {DB_DX77T, "ATU ASTOP", "AL2M0"},
      {DB_TK80, "ATU ASTOP", ""},
  };
  for (const Case& c : cases) {
    db_set_radio_type(c.radio);
    clear();
    mmi_run_line(std::string(c.line));
    run_ms(300);
    EXPECT_NE(fake().written(1).find(c.bytes), std::string::npos) << c.radio << " " << c.line;
    if (c.bytes[0] == '\0') { EXPECT_EQ(fake().written(1), "") << c.radio << " " << c.line; }
    EXPECT_TRUE(log_has("[MMI CHANGE: Test ST")) << log();
  }
}

}  // namespace
}  // namespace vesk
