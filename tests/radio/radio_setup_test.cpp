// Radio set-up: the port sequence, the radio blocks as the serial fake sees them, the
// set-up lines and commands, and the port failures.
#include "radio/radio_setup.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "db/scan.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_hooks.h"
#include "radio/setup_table.h"
#include "tests/radio/radio_fixture.h"

namespace vesk {
namespace {

using Kind = FakeSerialBackend::Kind;

// The operator's message boxes, as a window would be told of them.
struct BoxRecorder : LogNotifier {
  void message_box(const std::string& text) override { boxes.push_back(text); }
  std::vector<std::string> boxes;
};

class RadioSetupTest : public test::RadioFixture {
 protected:
  RadioSetupTest() : recorder_(std::make_shared<BoxRecorder>()), boxes(recorder_->boxes) {
    log_set_notifier(recorder_);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
  }
  void configure_baud(int baud, char parity, char data, char stop) {
    db_set_option_int(opt::RADIO_BAUD, baud);
    db_set_option_byte(opt::RADIO_PARITY, static_cast<uint8_t>(parity));
    db_set_option_byte(opt::RADIO_DATA_BITS, static_cast<uint8_t>(data));
    db_set_option_byte(opt::RADIO_STOP_BITS, static_cast<uint8_t>(stop));
  }
  // The last settings text applied on a port.
  std::string settings_of(int port) {
    std::string s;
    for (const auto& e : fake().events(port, Kind::Settings)) s = e.bytes;
    return s;
  }
  std::set<int> opened_ports() {
    std::set<int> out;
    for (const auto& e : fake().events())
      if (e.kind == Kind::Open) out.insert(e.port);
    return out;
  }
  // Each write of a port as "time bytes-in-hex".
  std::vector<std::string> timed_hex(int port) {
    std::vector<std::string> out;
    for (const auto& [t, bytes] : fake().writes(port)) out.push_back(std::to_string(t) + " " + FakeSerialBackend::hex(bytes));
    return out;
  }
  std::shared_ptr<BoxRecorder> recorder_;
  std::vector<std::string>& boxes;
};

TEST_F(RadioSetupTest, SettingsTextFollowsTheTypeOrTheConfiguredValues) {
  struct Case {
    int type;
    int baud;
    const char* want;
  };
  const Case cases[] = {
      {DB_IC746, 0, "19200,N,8,1"},       {DB_IC746, 9600, "9600,N,8,1"},   {DB_IC751, 9600, "9600,N,8,1"},
      {DB_IC751, 4800, "9600,N,8,1"},     {DB_GENERIC_ICOM, 4800, "4800,N,8,1"},
      {DB_KENWOOD, 0, "4800,N,8,2"},      {DB_KENWOOD3, 0, "57600,N,8,1"},  {DB_KENWOOD2_HS, 0, "9600,N,8,1"},
      {DB_KENWOOD4, 0, "115200,N,8,1"},   {DB_TK90, 0, "9600,N,8,1"},       {0, 0, ""},
  };
  for (const Case& c : cases) {
    configure_baud(c.baud, 'N', '8', '1');
    EXPECT_EQ(radio_setup_settings_text(c.type), c.want) << c.type << " " << c.baud;
  }
  // GENERIC ICOM builds the text even from a zero baud rate.
  configure_baud(0, 'N', '8', '1');
  EXPECT_EQ(radio_setup_settings_text(DB_GENERIC_ICOM), "0,N,8,1");
}

TEST_F(RadioSetupTest, Ic746WithBaudZeroOpensAt19200AndEndsInItsTerminators) {
  db_set_radio_type(DB_IC746);
  configure_baud(0, 'N', '8', '1');
  radio_setup();
  EXPECT_TRUE(fake().is_open(1));
  EXPECT_EQ(settings_of(1), "19200,N,8,1");
  const ReplyTerminators t = serial_reply_terminators(SERIAL_ROLE_RADIO);
  EXPECT_EQ(t.first, 0xFD);
  EXPECT_EQ(t.second, 0xFD);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(RadioSetupTest, Ic703LinesAndCommandsWithTheSwitchOffAndOn) {
  db_set_radio_type(DB_IC703);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{
                               "IC-703 being initialized", "IC-703 set AGC to FAST", "IC-703 set ATT to OFF",
                               "IC-703 set PREAMP to OFF", "Please set your NOISE BLANKER to OFF",
                               "IC-703 set Noise Reduction to OFF", "IC-703 set Auto Notch to OFF",
                               "IC-703 initialization completed"}));
  // 400 ms after opening, then one command each 200 ms; the unkey of the set-up's release last.
  EXPECT_EQ(timed_hex(1), (std::vector<std::string>{"400 FE FE 68 E0 16 12 01 FD", "600 FE FE 68 E0 11 00 FD",
                                                    "800 FE FE 68 E0 16 02 00 FD", "1000 FE FE 68 E0 16 40 00 FD",
                                                    "1200 FE FE 68 E0 16 41 00 FD", "1400 FE FE 68 E0 1C 00 00 FD"}));
  clear();
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"IC-703 being initialized",
                                                     "Radio Setup Preconfiguration is Disabled",
                                                     "IC-703 initialization completed"}));
  ASSERT_EQ(fake().writes(1).size(), 1u);  // the unkey only
}

TEST_F(RadioSetupTest, LinesWrittenAheadOfTheSwitchAndAroundThePort) {
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  db_set_radio_type(DB_IC7700);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"IC-7700 being initialized",
                                                     "IC-7700 partially supports SPLIT MODE for QS/S",
                                                     "Radio Setup Preconfiguration is Disabled",
                                                     "IC-7700 initialization completed"}));
  // R9000 writes its opening line before the port is opened and again after; a missing port
  // leaves only the first.
  clear();
  fake().set_unavailable(1, true);
  db_set_radio_type(DB_R9000);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"R9000 being initialized"}));
}

TEST_F(RadioSetupTest, Tk90SendsItsChannelModeWhateverTheSwitch) {
  db_set_radio_type(DB_TK90);
  db_enable_memory_channels();
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  radio_setup();
  EXPECT_EQ(setup_lines(), (std::vector<std::string>{"TK90 being initialized",
                                                     "Radio Setup Preconfiguration is Disabled",
                                                     "TK90 has been initialized"}));
  run_ms(200);
  EXPECT_NE(fake().written(1).find("FR2\r"), std::string::npos) << fake().trace();
}

TEST_F(RadioSetupTest, KenwoodAsksForItsIdentityAndSetsItsVfosWhenResourcesAreNotClaimed) {
  db_set_radio_type(DB_KENWOOD);
  db_set_resources(0);
  radio_setup();
  run_ms(200);
  // RTS up around the query, then both VFOs to A, and the release's unkey.
  EXPECT_EQ(fake().written(1), "ID;FR0;FT0;RX;");
  const auto rts = fake().events(1, Kind::Rts);
  ASSERT_GE(rts.size(), 3u);
  EXPECT_EQ(rts[1].value, 1);
  EXPECT_EQ(rts[2].value, 0);
  EXPECT_EQ(rts[2].t_ms - rts[1].t_ms, 400);
  const ReplyTerminators t = serial_reply_terminators(SERIAL_ROLE_RADIO);
  EXPECT_EQ(t.first, ';');
}

TEST_F(RadioSetupTest, MissingRadioPortGivesOneNoticeAndOpensNothingElse) {
  db_set_radio_type(DB_IC746);
  db_set_option_int(opt::EMULATION_ENABLED, 1);
  db_set_alt_ptt_port(3);
  db_set_atu_port(4);
  db_set_atu_type(ATU_Z100);
  db_set_ant_switch_port(5);
  db_set_ant_switch_type(ANT_LDG_DTS4);
  db_set_tnc_port(6);
  fake().set_unavailable(1, true);
  radio_setup();
  EXPECT_EQ(boxes, std::vector<std::string>{"ERROR: Serial Port 1 NOT Available for Radio 1"});
  EXPECT_TRUE(opened_ports().empty());
  EXPECT_FALSE(log_has("PTT now RELEASED"));
}

TEST_F(RadioSetupTest, TypesWithoutABlockOrDriverLeaveTheRadioClosedAndRunTheRest) {
  db_set_atu_port(4);
  db_set_atu_type(ATU_STEPPIR);
  for (int type : {0, 48}) {
    clear();
    db_set_radio_type(type);
    radio_setup();
    EXPECT_FALSE(fake().is_open(1)) << type;
    EXPECT_TRUE(fake().is_open(4)) << type;
    EXPECT_TRUE(boxes.empty());
  }
  // Every type with a set-up block has its driver: none says it has not.
  for (const RadioSetupRow& row : kRadioSetupRows) {
    if (row.type == 0) continue;
    clear();
    db_set_radio_type(row.type);
    radio_setup();
    EXPECT_FALSE(log_has("radio driver not built yet")) << row.type;
  }
}

TEST_F(RadioSetupTest, AccessoryPortsKeepTheirOwnTerminatorsAndTheRadioItsFraming) {
  auto pair_of = [](SerialPortRole role) {
    const ReplyTerminators t = serial_reply_terminators(role);
    return std::pair<int, int>{t.first, t.second};
  };
  // An Icom with a Z100 tuner and a Kenwood with an antenna switch and a TNC.
  db_set_radio_type(DB_IC746);
  db_set_atu_port(4);
  db_set_atu_type(ATU_Z100);
  radio_setup();
  EXPECT_EQ(pair_of(SERIAL_ROLE_RADIO), (std::pair<int, int>{0xFD, 0xFD}));
  EXPECT_EQ(pair_of(SERIAL_ROLE_ATU), (std::pair<int, int>{0x0D, 0x0D}));
  EXPECT_EQ(settings_of(4), "2400,N,8,1");

  db_set_radio_type(DB_KENWOOD);
  db_set_atu_type(ATU_NONE);
  db_set_ant_switch_port(5);
  db_set_ant_switch_type(ANT_LDG_DTS4);
  db_set_tnc_port(6);
  db_set_tnc_handshake(1);
  radio_setup();
  EXPECT_EQ(pair_of(SERIAL_ROLE_RADIO).first, ';');
  EXPECT_EQ(pair_of(SERIAL_ROLE_ANT_SWITCH), (std::pair<int, int>{0xFF, 0xFF}));
  EXPECT_EQ(pair_of(SERIAL_ROLE_TNC).first, 0x0D);
  const auto tnc = fake().events(6, Kind::Settings);
  ASSERT_FALSE(tnc.empty());
  EXPECT_EQ(tnc.back().bytes, "9600,N,8,1");
  EXPECT_EQ(tnc.back().value, SERIAL_HANDSHAKE_RTS);  // the option's 1 (RTS/CTS) is the control's 2
}

TEST_F(RadioSetupTest, AccessoryTypesThatOpenNoPort) {
  db_set_radio_type(DB_IC746);
  db_set_atu_port(4);
  db_set_ant_switch_port(5);
  for (auto [atu, ant] : {std::pair{ATU_NONE, ANT_AT200PC}, std::pair{ATU_RADIO_CAT, ANT_LPT_LINES}}) {
    clear();
    db_set_atu_type(atu);
    db_set_ant_switch_type(ant);
    radio_setup();
    EXPECT_EQ(opened_ports(), std::set<int>{1});
  }
}

TEST_F(RadioSetupTest, AlternatePttPortAgainstTheReopenedRadioPort) {
  db_set_radio_type(DB_IC746);
  db_set_dtr_ptt(1);
  // Equal numbers (both 0 in a new database): not opened, DTR still dropped on its control.
  radio_setup();
  EXPECT_EQ(opened_ports(), std::set<int>{1});
  EXPECT_FALSE(serial_control(SERIAL_ROLE_PTT).dtr());

  // Alternate PTT 0 against a reopened radio port 3: the block tries port 0; when that fails
  // the notice names 0 and the tuner after it is not opened.
  clear();
  db_set_reopened_radio_port(3);
  db_set_atu_port(4);
  db_set_atu_type(ATU_Z100);
  fake().set_unavailable(0, true);
  radio_setup();
  EXPECT_EQ(boxes, std::vector<std::string>{"ERROR: Serial Port 0 NOT Available for Alternate PTT"});
  EXPECT_FALSE(fake().is_open(4));

  // A working alternate port is opened with RTS low and DTR high, then DTR dropped for DTR keying.
  clear();
  boxes.clear();
  db_set_alt_ptt_port(7);
  radio_setup();
  EXPECT_TRUE(fake().is_open(7));
  const auto dtr = fake().events(7, Kind::Dtr);
  ASSERT_GE(dtr.size(), 2u);
  EXPECT_EQ(dtr[dtr.size() - 2].value, 1);
  EXPECT_EQ(dtr.back().value, 0);
}

TEST_F(RadioSetupTest, TunerFailureStopsBeforeTheAntennaSwitchAndTnc) {
  db_set_radio_type(DB_IC746);
  db_set_atu_port(4);
  db_set_atu_type(ATU_AT200PC);
  db_set_ant_switch_port(5);
  db_set_ant_switch_type(ANT_LDG_DTS4);
  db_set_tnc_port(6);
  fake().set_unavailable(4, true);
  radio_setup();
  EXPECT_EQ(boxes, std::vector<std::string>{"ERROR: Serial Port 4 NOT Available for External ATU"});
  EXPECT_EQ(opened_ports(), std::set<int>{1});
  // A TNC failure is silent.
  boxes.clear();
  fake().set_unavailable(4, false);
  fake().set_unavailable(6, true);
  radio_setup();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(fake().is_open(5));
}

TEST_F(RadioSetupTest, NoneTypeWritesItsLineAndDropsDtr) {
  db_set_radio_type(kRadioTypeDefault);
  radio_setup();
  EXPECT_TRUE(log_has("[Radio Type NONE is active. Only RTS/DTR for PTT available.]\n"));
  EXPECT_EQ(settings_of(1), "4800,N,8,2");
  EXPECT_EQ(fake().written(1), "");
}

TEST(RadioSetupTable, EveryTypeWithABlockHasOneRow) {
  std::set<int> seen;
  for (const RadioSetupRow& r : kRadioSetupRows) {
    EXPECT_TRUE(seen.insert(r.type).second) << r.type;
    EXPECT_TRUE(r.settings != nullptr || r.always_configured || r.type == 135 || r.type == 136) << r.type;
  }
  for (int t : {0, 48, 50, 106, 137, 155}) EXPECT_EQ(radio_setup_row(t), nullptr) << t;
  EXPECT_EQ(seen.size(), 150u);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

TEST(CatgenSetup, PrintsTheSetUpCommandsWithTheirPausesAndLines) {
  test::ChildProcess p({test::program_path("tools/catgen"), "IC703", "setup"});
  ASSERT_EQ(p.wait(10000), 0) << p.output();
  const std::string& out = p.output();
  EXPECT_NE(out.find("Radio Setup: IC-703 being initialized]"), std::string::npos) << out;
  EXPECT_NE(out.find("+400 FE FE 68 E0 16 12 01 FD"), std::string::npos) << out;  // 400 ms after opening
  EXPECT_NE(out.find("+200 FE FE 68 E0 16 41 00 FD"), std::string::npos) << out;
  EXPECT_NE(out.find("Radio Setup: IC-703 initialization completed]"), std::string::npos) << out;
}

}  // namespace
}  // namespace vesk
