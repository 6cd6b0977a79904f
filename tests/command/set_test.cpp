// SET through mmi-run: every setting with a good and a refused value, the lines written and
// the value the saved "ALE.DAT" holds; and the antenna switch's bytes and lines.
#include "command/cmd_set.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/setup_table.h"
#include "tests/command/radio_command_fixture.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::string channel_rx_mode(int n) {
  ChannelRecord ch{};
  return db_copy_channel(n, &ch) == 0 ? std::to_string(ch.rx_mode) : "none";
}

// The lines of a setting, each with the text it must write ("" for none), and what the saved
// database holds afterwards (null when the setting is not stored).
struct Row {
  std::vector<std::pair<std::string, std::string>> lines;
  std::function<std::string()> stored;
  std::string expect;
};

std::string str(int v) { return std::to_string(v); }

TEST(MmiRunSet, EverySettingWithAGoodAndARefusedValue) {
  const Row rows[] = {
      {{{"SET", "NOT ENOUGH PARAMETERS"}, {"SET DCD", "NOT ENOUGH PARAMETERS"}}, nullptr, ""},
      {{{"SET RADIO 1", "AMBIGUOUS COMMAND"}, {"SET DTM 1", "AMBIGUOUS COMMAND"}, {"SET DBM 1", "AMBIGUOUS COMMAND"}},
       nullptr, ""},
      {{{"SET PTTD 40", ""}, {"SET PTTD -5", "[MMI ERROR: SET PTTD OF -5 IS OUT OF RANGE]"}},
       [] { return str(db_get_ptt_delay()); }, "40"},
      {{{"SET MOTD \"net at noon\"", ""}}, [] { return db_get_motd(); }, "NET AT NOON"},
      {{{"SET SCLC 300", ""}, {"SET SCLC -1", "SET SCLC OF -1 IS OUT OF RANGE"}},
       [] { return str(db_get_sclc()); }, "256"},
      {{{"SET AFGAIN 100", "[MMI CHANGE: SET AF GAIN TO 100 ]"},
        {"SET AFGAIN 300", "[MMI ERROR: AF GAIN OF 300 EXCEEDS GENERAL LIMIT OF 255 ]"}},
       nullptr, ""},
      {{{"SET RESOUND 0", ""}, {"SET RESOUND -2", "OUT OF RANGE"}}, [] { return str(db_get_resound_period()); },
       "4"},
      {{{"SET DCD 7", "[MMI CHANGE: DCD has been changed to 7]"}, {"SET DCD -3", "OUT OF RANGE"}},
       [] { return str(db_get_dcd_threshold()); }, "7"},
      {{{"SET TXAL 50", "TX Audio Level has been changed to 50]"},
        {"SET TXAL 150", "TX Audio Level has been changed to 100]"}},
       [] { return str(db_get_tx_audio_level()); }, "100"},
      {{{"SET RXAL 30", "RX Audio Level has been changed to 30]"}, {"SET RXAL -1", "OUT OF RANGE"}},
       [] { return str(db_get_rx_audio_level()); }, "30"},
      {{{"SET MXAL 40", "MIC Audio Level has been changed to 31]"}}, [] { return str(db_get_mxal_level()); }, "31"},
      {{{"SET ATU DTR 500", "[MMI CHANGE: ATU DTR delay has been changed to 500]"},
        {"SET ATU DTR 5", "[MMI ERROR: SET ATU DTR DELAY OF 5 IS OUT OF RANGE 10.. 1000]"},
        {"SET ATU DTR", "NOT ENOUGH PARAMETERS"}},
       [] { return str(db_get_atu_dtr_delay()); }, "500"},
      {{{"SET ATU RTS 20", "[MMI CHANGE: ATU RTS delay has been changed to 20]"},
        {"SET ATU RTS 2000", "[MMI ERROR: SET ATU RTS DELAY OF 2000 IS OUT OF RANGE 10.. 1000]"},
        {"SET ATU X 20", "[MMI ERROR: SET ATU DELAY REQUIRES DTR OR RTS AND VALUE IN THE RANGE 10..1000]"}},
       [] { return str(db_get_atu_rts_delay()); }, "20"},
      {{{"SET MINCALLTIME 0", "[MMI CHANGE: 0 ILLEGAL, MINIMUM CALLING TIME SET TO 1]"},
        {"SET MINCALLTIME 200", "[MMI CHANGE: 200 ILLEGAL, MINIMUM CALLING TIME SET TO 120]"},
        {"SET MINCALLTIME -1", "OUT OF RANGE"}},
       [] { return str(db_get_min_call_time()); }, "120"},
      {{{"SET MAXCALLTIME 200", "[MMI CHANGE: 200 ILLEGAL, MAXIMUM CALLING TIME SET TO 120 ]"},
        {"SET MAXCALLTIME 60", "[MMI CHANGE: SET MAXIMUM CALLING TIME 60 ]"}},
       [] { return str(db_get_max_call_time()); }, "60"},
      // A value the setter keeps out is not confirmed: the line names what is stored.
      {{{"SET SERRORS 2", "SET SYNC ERRORS TO 2 ]"}, {"SET SERRORS 5", "SET SYNC ERRORS TO 2 ]"}},
       [] { return str(db_get_sync_errors()); }, "2"},
      {{{"SET SVOTES 20", "SET SYNC VOTES TO 20 ]"}, {"SET SVOTES 60", "SET SYNC VOTES TO 20 ]"}},
       [] { return str(db_get_sync_votes()); }, "20"},
      {{{"SET FERRORS 1", "SET FRAME ERRORS TO 1 ]"}, {"SET FERRORS 9", "SET FRAME ERRORS TO 1 ]"}},
       [] { return str(db_get_frame_errors()); }, "1"},
      {{{"SET FVOTES 40", "SET FRAME VOTES TO 40 ]"}, {"SET FVOTES 49", "SET FRAME VOTES TO 40 ]"}},
       [] { return str(db_get_frame_votes()); }, "40"},
      // 10 is not a rate the option takes: it stores index 0 (one channel a second) and says so.
      {{{"SET SCANNING 5", "SET SCAN RATE TO 5 ]"}, {"SET SCANNING 10", "SET SCAN RATE TO 1 ]"}},
       [] { return str(db_get_scan_rate()); }, "0"},
      {{{"SET INACTIVITY 120", "TWA has been changed to 120 seconds]"}, {"SET INACTIVITY -4", "OUT OF RANGE"}},
       [] { return str(db_get_twa_secs()); }, "120"},
      {{{"SET LQA TIMEOUT 0", ""}, {"SET LQA X 3", "NO MMI COMMAND => X]"}, {"SET LQA TIMEOUT", "NOT ENOUGH"}},
       [] { return str(db_get_lqa_timeout()); }, "180"},
      {{{"SET SOUNDING 30", "[MMI CHANGE: SET SOUNDING PERIOD TO 30 ]"}},
       [] { return str(db_get_sounding_interval()); }, "30"},
      // The scan group: 20 is refused and not confirmed; -1 too.
      {{{"SET GROUP 3", "[MMI CHANGE: SET SCAN GROUP 3 ]"},
        {"SET GROUP 20", "[MMI ERROR: SET SCAN GROUP 20 EXCEEDS LIMIT OF 15 ]"},
        {"SET GROUP -1", "[MMI ERROR: SET SCAN GROUP OF -1 IS OUT OF RANGE]"}},
       [] { return str(db_get_scan_group()); }, "3"},
      {{{"SET AMD RETRIES 2", "[MMI CHANGE: Set AMD Retries]"}, {"SET AMD RETRIES -1", "OUT OF RANGE"},
        {"SET AMD X 5", ""}},
       [] { return str(db_get_amd_retries()); }, "2"},
      {{{"SET EXTMODEM SCSPTCII", ""}, {"SET EXTMODEM SCSPTCI", "AMBIGUOUS COMMAND"},
        {"SET EXTMODEM ON", "NO MMI COMMAND => ON]"}},
       [] { return str(db_get_tnc_type()); }, "11"},
      {{{"ADD OWN ALFA", ""}, {"SET MYADDRESS ALFA", ""},
        {"SET MYADDRESS NOPE", "[MMI CHANGE: UNKNOWN OWN ADDRESS => NOPE]"}},
       [] { return db_get_my_address(); }, "ALFA"},
      {{{"ADD CHANNEL 7000000", ""}, {"SET CHANNELS RXMODE 1 CW_R", ""},
        {"SET CHANNELS RXMODE 1 CWR", "NO MMI COMMAND => CWR]"},
        {"SET CHANNELS 300", "[MMI CHANGE ERROR: REQUESTD CHANNEL NOT IN USE WITH CURRENT SCAN GROUP]"},
        {"SET CHANNELS RXMODE 300 USB", "REQUESTD CHANNEL NOT IN USE"}, {"SET CHANNELS RXMODE 1", "NOT ENOUGH"}},
       [] { return channel_rx_mode(1); }, "8"},
  };

  test::TempDir dir;
  std::string input;
  for (const Row& r : rows)
    for (const auto& [line, text] : r.lines) input += line + "\n";
  input += "SAVE DATABASE\n";
  test::ChildProcess p({test::program_path("tools/mmi-run"), "--dir", dir.path()}, input);
  ASSERT_EQ(p.wait(30000), 0);
  const std::string out = p.output();

  // Each expected text in order, each after the one before.
  std::size_t at = 0;
  for (const Row& r : rows) {
    for (const auto& [line, text] : r.lines) {
      if (text.empty()) continue;
      const std::size_t found = out.find(text, at);
      EXPECT_NE(found, std::string::npos) << line << ": " << text << "\n" << out.substr(at);
      if (found != std::string::npos) at = found + text.size();
    }
  }
  for (const char* refused : {"SET AF GAIN TO 300", "SET SCAN GROUP 20 ]", "SET SCAN GROUP -1 ]",
                              "SYNC ERRORS TO 5", "FRAME VOTES TO 49", "TX Audio Level has been changed to 150",
                              "SET SCAN RATE TO 10"})
    EXPECT_EQ(out.find(refused), std::string::npos) << refused;

  // What the saved "ALE.DAT" holds.
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  for (const Row& r : rows)
    if (r.stored) { EXPECT_EQ(r.stored(), r.expect) << r.lines.front().first; }
}

// SET ANT through the interpreter: the bytes and line changes on the recording serial fake.
using SetAntenna = test::RadioCommandFixture;

TEST_F(SetAntenna, SwitchesAndTheirLines) {
  open(SERIAL_ROLE_RADIO, 1);
  open(SERIAL_ROLE_ATU, 4);
  open(SERIAL_ROLE_ANT_SWITCH, 5);
  struct Case {
    int switch_type;
    int radio;
    int port;
    const char* trace;  // the fake's trace, times from the command's start
    const char* line;   // the line it writes, after the stamps ("" none)
  };
  const Case cases[] = {
      {ANT_LDG_DTS4, kRadioTypeDefault, 3, "0 ms COM5 write 52 04\n", "[MMI CHANGE: ANT SW has been changed to port 3]\n"},
      {ANT_LDG_DTS4, kRadioTypeDefault, 5, "",
       "[MMI ANT SW ERROR: No ANT port change. DTS-4 only supports 4 ports.\n"},
      {ANT_AT200PC, kRadioTypeDefault, 2, "0 ms COM4 RTS on\n15 ms COM4 RTS off\n30 ms COM4 write 0B\n",
       "[MMI CHANGE: ANT SW has been changed to port 2]\n"},
      {ANT_AT200PC, kRadioTypeDefault, 3, "",
       "[[MMI ANT SW ERROR: No ANT port change. AT200PC only supports 2 ports.\n"},
      {ANT_ACOM_2000S, kRadioTypeDefault, 10, "0 ms COM5 write 51 71 57 33 39 00\n",
       "[MMI CHANGE: ANT SW has been changed to port 10]\n"},
      {ANT_RADIO_CAT, DB_IC746, 2, "0 ms COM1 write FE FE 56 E0 12 01 FD\n",
       "[MMI CHANGE: ANT SW has been changed to port 2]\n"},
      {ANT_RADIO_CAT, DB_IC746, 3, "", "[[MMI ANT SW ERROR: No ANT port change. IC-746 only supports 2 ports.\n"},
      {ANT_RADIO_CAT, DB_FT2000, 3, "", "[[MMI ANT SW ERROR: No ANT port change. FT2000 only supports 2 ports, 5 is RX only.\n"},
      {ANT_RADIO_CAT, DB_IC7000, 1, "", "[MMI CHANGE: Your CAT Radio does not support ANT SW control]\n"},
      {ANT_RADIO_CAT, DB_K505DSP, 1, "", ""},
      {ANT_NONE, kRadioTypeDefault, 1, "", ""},
      {ANT_LDG_DTS4, kRadioTypeDefault, 0, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.switch_type) + " port " + std::to_string(c.port));
    db_set_ant_switch_type(c.switch_type);
    db_set_radio_type(c.radio);
    const auto [trace, text] = run("SET ANT " + std::to_string(c.port));
    EXPECT_EQ(trace, c.trace);
    EXPECT_EQ(text, c.line) << log();
  }
}

}  // namespace
}  // namespace vesk
