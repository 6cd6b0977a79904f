// The TNC command through the interpreter: what reaches the TNC port (COM5) and the radio port
// (COM1) of the recording serial fake, and the lines written.
#include "command/cmd_tnc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "command/interpreter.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_hooks.h"
#include "radio/tnc_retune.h"
#include "tests/command/radio_command_fixture.h"

namespace vesk {
namespace {

class TncCommand : public test::RadioCommandFixture {
 protected:
  TncCommand() {
    db_set_radio_type(DB_NONE);
    open(SERIAL_ROLE_RADIO, 1);
    open(SERIAL_ROLE_TNC, 5);
    radio_hooks().scanning = [this] { return scanning; };
    scan_channel(14100000, MODE_USB);
  }
  // Channel 1, the working channel and the one at the scan cursor.
  void scan_channel(int hz, int mode) {
    ChannelRecord ch{};
    ch.number = 1;
    ch.in_use = 1;
    ch.scan_groups = 1 << db_get_scan_group();
    ch.rx_freq_hz = ch.tx_freq_hz = hz;
    ch.rx_mode = ch.tx_mode = mode;
    ASSERT_GE(db_store_channel(1, ch), 0);
    if (db_current_scan_channel() != 1) { ASSERT_EQ(db_next_scan_channel(), 1); }
    ASSERT_EQ(db_select_channel(1), 1);
  }
  // The writes of one port in order, without their times; a write of printable characters
  // only is shown as its text.
  static std::string writes(const std::string& trace, const std::string& port) {
    std::string out;
    for (std::size_t at = 0; at < trace.size();) {
      const std::size_t end = trace.find('\n', at);
      const std::string one = trace.substr(at, end - at);
      const std::size_t p = one.find(port + " write ");
      if (p != std::string::npos) {
        const std::string hex = one.substr(p + port.size() + 7);
        std::string text;
        for (std::size_t i = 0; i < hex.size(); i += 3) {
          const char c = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
          text += c >= 0x20 && c < 0x7F ? c : '\0';
        }
        out += (text.find('\0') == std::string::npos ? text : hex) + "\n";
      }
      at = end == std::string::npos ? trace.size() : end + 1;
    }
    return out;
  }
  bool scanning = false;
};

TEST_F(TncCommand, SubKeywordsOnEachTncType) {
  struct Case {
    int tnc;
    std::string line;
    const char* trace;
    const char* text;
  };
  const Case cases[] = {
      {TNC_KAME, "TNC PACTOR BRAVO7", "0 ms COM5 write 50 41 43 54 4F 52 20 42 52 41 56 4F 37 0D\n",
       "[MMI CHANGE: PACTOR call to BRAVO7]\n"},
      {TNC_SCSPTCII, "TNC PACTOR BRAVO7", "0 ms COM5 write 43 20 42 52 41 56 4F 37 0D\n",
       "[MMI CHANGE: PACTOR call to BRAVO7]\n"},
      // Two queued messages, 500 ms apart.
      {TNC_MFJ1278B, "TNC PACTOR BRAVO7", "0 ms COM5 write 50 41 43 54 4F 52 0D\n500 ms COM5 write 43 20 42 52 41 56 4F 37 0D\n",
       "[MMI CHANGE: PACTOR call to BRAVO7]\n"},
      {TNC_PK900, "TNC PACTOR BRAVO7", "0 ms COM5 write 50 54 43 20 42 52 41 56 4F 37 0D\n",
       "[MMI CHANGE: PACTOR call to BRAVO7]\n"},
      {TNC_SCSPTCI, "TNC PACTOR", "0 ms COM5 write 50 54 0D\n", "[MMI CHANGE: Set TNC to PACTOR STANDBY]\n"},
      {TNC_DXP38, "TNC PACTOR BRAVO7", "0 ms COM5 write 80 19 42 52 41 56 4F 37 80 80\n",
       "[MMI CHANGE: Pmode call to BRAVO7]\n"},
      {TNC_DSP4100, "TNC PACTOR", "0 ms COM5 write 80 83\n", "[MMI CHANGE: Set Modem to Pmode STANDBY]\n"},
      {TNC_GENERIC, "TNC PACTOR BRAVO7", "", ""},
      {TNC_KAM98, "TNC MARK 5000", "0 ms COM5 write 4D 41 52 4B 20 35 30 30 30 0D\n", "[MMI CHANGE: Set MARK to 5000]\n"},
      {TNC_KAM98, "TNC MARK 5001", "", "[MMI CHANGE: MARK frequency out of range at 5]\n"},
      {TNC_SCSPTCII, "TNC SPACE 49", "", "[MMI CHANGE: SPACE frequency out of range at 4]\n"},
      {TNC_KAMXL, "TNC MARK", "0 ms COM5 write 4D 41 52 4B 0D\n", "[MMI CHANGE: Request MARK frequency display]\n"},
      {TNC_PK232, "TNC MARK 5000", "", ""},
      {TNC_KAME, "TNC NOSUCH", "", ""},
      {TNC_KAME, "TNC P", "", ""},  // PACTOR, PLISTEN or P/
      {TNC_KAME, "TNC A/", "0 ms COM5 write 01 0D\n", ""},
      {TNC_KAME, "TNC Z/", "0 ms COM5 write 1A 0D\n", ""},
      {TNC_KAME, "TNC /A", "0 ms COM5 write 03 41 0D\n", ""},
      {TNC_KAME, "TNC ECHO", "0 ms COM5 write 03 45 0D\n", ""},
      {TNC_GENERIC, "TNC ESC", "0 ms COM5 write 1B 0D\n", ""},
      {TNC_GENERIC, "TNC HELP", "0 ms COM5 write 48 45 4C 50 0D\n", "[MMI CHANGE: Set TNC HELP Listing Request]\n"},
      {TNC_GENERIC, "TNC CMD MYCALL N0CALL X Y", "0 ms COM5 write 4D 59 43 41 4C 4C 20 4E 30 43 41 4C 4C 20 58 0D\n",
       "[MMI CHANGE: TNC sent command MYCALL N0CALL X]\n"},
      {TNC_GENERIC, "TNC CMD \"mon\"", "0 ms COM5 write 6D 6F 6E 0D\n", "[MMI CHANGE: TNC sent command mon]\n"},
      {TNC_KAME, "TNC HALPMODE BRAVO7", "", "[MMI CHANGE: No action as the command requires a HAL modem]\n"},
      {99, "TNC HALPMODE BRAVO7", "", "[MMI CHANGE: No action as TNC/Modem type is unknown]\n"},
      {TNC_DSP4100, "TNC HALCLOVER", "0 ms COM5 write 80 80\n", "[MMI CHANGE: Set Modem to CLOVER STANDBY]\n"},
      {TNC_DSP4100, "TNC HAL8KCMD", "0 ms COM5 write 41 54 24 5A 0D\n", ""},
      {TNC_HK232, "TNC HOSTEXIT", "0 ms COM5 write 03 03 03\n", "[MMI CHANGE: EXIT HK232 HOST MODE]\n"},
      {TNC_KAMPLUS, "TNC KISSEXIT", "0 ms COM5 write C0 46 46 C0 0D\n", "[MMI CHANGE: EXIT KAM KISS MODE]\n"},
      {TNC_DSP232, "TNC KISSEXIT", "0 ms COM5 write 4B 49 00\n", "[MMI CHANGE: EXIT DSP232 KISS MODE]\n"},
      {TNC_MFJ1276, "TNC KISSEXIT", "", "[MMI CHANGE: MFJ-1276 has no  ? KISS MODE]\n"},
      {TNC_MFJ1278B, "TNC EXIT", "0 ms COM5 write 45 58 49 54 0D\n", "[MMI CHANGE: EXIT MFJ-1278B to Command Mode]\n"},
      {TNC_PK232, "TNC GTOR W1AW", "", "[MMI CHANGE: NOTE - GTOR is KAM TNC specific]\n"},
      {TNC_KAME, "TNC GTOR W1AW", "0 ms COM5 write 47 54 4F 52 20 57 31 41 57 0D\n", "[MMI CHANGE: GTOR call to W1AW]\n"},
      {TNC_SCSPTCI, "TNC PLISTEN", "0 ms COM5 write 4C 69 73 74 65 6E 0D\n", "[MMI CHANGE: Set TNC to Listen]\n"},
      {TNC_MFJ1276, "TNC DISCONN", "0 ms COM5 write 44 0D\n", "[MMI CHANGE: PACTOR link DISCONNECTED]\n"},
      {TNC_PK232, "TNC FORCE", "0 ms COM5 write 52 0D\n", "[MMI CHANGE: FORCE PACTOR link DISCONNECT]\n"},
      {TNC_KAME, "TNC TRACE", "0 ms COM5 write 03 14 0D\n", "[MMI CHANGE: Set TNC to toggle TRACE]\n"},
      // A message: each part its own queued message; the text is the last word.
      {TNC_KAME, "TNC MSG X HELLO",
       "0 ms COM5 write 03 54\n500 ms COM5 write 48 45 4C 4C 4F\n1000 ms COM5 write 0D\n1500 ms COM5 write 03 45\n", ""},
      {TNC_DXP38, "TNC HALMSG HI",
       "0 ms COM5 write 80 31\n500 ms COM5 write 48 49\n1000 ms COM5 write 0D\n1500 ms COM5 write 80 30\n", ""},
      // Refused: nothing is sent.
      {TNC_KAME, "TNC", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {TNC_KAME, "TNC MSG", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {TNC_GENERIC, "TNC CMD", "", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]\n"},
      {TNC_KAME, "TNC PACTOR " + std::string(248, 'K'), "", "[MMI ERROR: TNC command not sent. Longer than 255 bytes.]\n"},
      {TNC_GENERIC, "TNC HELP " + std::string(251, 'K'), "", "[MMI ERROR: TNC command not sent. Longer than 255 bytes.]\n"},
  };
  for (const Case& c : cases) {
    db_set_tnc_type(c.tnc);
    const auto [trace, text] = run(c.line, 2100);
    EXPECT_EQ(trace, c.trace) << c.tnc << " " << c.line;
    EXPECT_EQ(text, c.text) << c.tnc << " " << c.line;
  }
}

// The longest texts that fit one message go out; a longer MSG text goes out whole, in
// pieces of one message each.
TEST_F(TncCommand, LongTextsFitOrArePieced) {
  db_set_tnc_type(TNC_KAME);
  std::string hex;
  for (const char c : "PACTOR " + std::string(247, 'K') + "\r") {
    char byte[4];
    std::snprintf(byte, sizeof byte, "%02X ", static_cast<unsigned char>(c));
    hex += byte;
  }
  hex.back() = '\n';
  EXPECT_EQ(writes(run("TNC PACTOR " + std::string(247, 'K')).first, "COM5"), hex);
  const std::string q = std::string(255, 'Q') + "\n";
  EXPECT_EQ(writes(run("TNC MSG \"" + std::string(600, 'Q') + "\"", 3200).first, "COM5"),
            "03 54\n" + q + q + std::string(90, 'Q') + "\n0D\n03 45\n");
}

TEST_F(TncCommand, ClosedPortSaysSoForEverySubKeyword) {
  serial_control(SERIAL_ROLE_TNC).close();
  for (const char* line : {"TNC", "TNC PACTOR BRAVO7", "TNC MSG HI"}) {
    db_set_radio_type(DB_KENWOOD);
    db_set_tnc_data_mode(TNC_DATA_LSB);
    EXPECT_EQ(run(line), std::make_pair(std::string(), std::string("[MMI CHANGE ERROR: TNC port has not been defined]\n")))
        << line;
  }
}

// The radio's retune before PACTOR and its undoing at DISCONN and FORCE: the radio port's
// writes for the radio type and the TNC data settings (the TNC itself is GENERIC, so only the
// radio is written). The scan channel is 14.1 MHz USB unless a case says otherwise.
TEST_F(TncCommand, RadioRetuneForData) {
  db_set_tnc_type(TNC_GENERIC);
  struct Case {
    const char* what;
    int radio;
    int data_mode;
    double offset_khz;
    int add;
    bool scanning;
    int channel_mode;
    const char* line;
    const char* radio_writes;
  };
  const Case cases[] = {
      {"already USB, no offset", DB_KENWOOD, TNC_DATA_USB, 0, 1, false, MODE_USB, "TNC PACTOR", ""},
      {"PKT is not the IC-7000's; the offset is", DB_IC7000, TNC_DATA_PKT, 0.25, 1, false, MODE_USB, "TNC PACTOR",
       "FE FE 70 E0 05 50 02 10 14 00 FD\n"},
      {"offset subtracted", DB_IC7000, TNC_DATA_USB, 0.25, 0, false, MODE_USB, "TNC PACTOR",
       "FE FE 70 E0 05 50 97 09 14 00 FD\n"},
      {"FT-817 USB-D is its data mode", DB_FT817, TNC_DATA_USB_D, 0, 1, false, MODE_USB, "TNC PACTOR",
       "0A 00 00 00 07\n"},
      {"TK-90 FSK, scanning stopped", DB_TK90, TNC_DATA_FSK, 0, 1, false, MODE_USB, "TNC PACTOR", "4D 44 34 0D\n"},
      {"TK-90 FSK, scanning", DB_TK90, TNC_DATA_FSK, 0, 1, true, MODE_USB, "TNC PACTOR", "4D 44 34 0D\n"},
      {"Kenwood USB while scanning: both VFOs", DB_KENWOOD, TNC_DATA_USB, 0, 1, true, MODE_LSB, "TNC PACTOR",
       "MD2;\nFR1;\nFT0;\nMD2;\nFR0;\nFT1;\n"},
      {"Kenwood shift while scanning", DB_KENWOOD, TNC_DATA_USB, 0.5, 1, true, MODE_USB, "TNC PACTOR",
       "FA00014100500;\nFB00014100500;\nFR0;\nFT1;\n"},
      {"IC-746 shift while scanning ends on VFO A", DB_IC746, TNC_DATA_USB, 0.5, 1, true, MODE_USB, "TNC PACTOR",
       "FE FE 56 E0 05 00 05 10 14 00 FD\nFE FE 56 E0 07 A0 FD\n"},
      {"FT-990 shift while scanning", DB_FT990, TNC_DATA_USB, 0.5, 1, true, MODE_USB, "TNC PACTOR",
       "50 00 41 01 0A\n00 00 00 00 85\n"},
      {"FT-600 shift: VFO A, then VFO B", DB_FT600, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR",
       "50 00 41 01 0A\n50 00 41 01 8A\n"},
      {"no radio", DB_NONE, TNC_DATA_RTTY, 0.5, 1, false, MODE_USB, "TNC PACTOR", ""},
      {"DISCONN without data mode or offset", DB_KENWOOD, TNC_DATA_USB, 0, 1, false, MODE_USB, "TNC DISCONN", ""},
      {"DISCONN with an offset puts the channel back", DB_KENWOOD, TNC_DATA_USB, 0.05, 1, false, MODE_USB,
       "TNC DISCONN", "FA00014100000;\nMD2;\n"},
      {"FORCE with a data mode puts the channel back", DB_IC7000, TNC_DATA_RTTY, 0, 1, false, MODE_USB, "TNC FORCE",
       "FE FE 70 E0 05 00 00 10 14 00 FD\nFE FE 70 E0 06 01 FD\n"},
      // The other makes' mode and frequency commands.
      {"DX77T RTTY and shift", DB_DX77T, TNC_DATA_RTTY, 0.5, 1, false, MODE_USB, "TNC PACTOR", "41 4C 32 47 30 0D\n41 4C 31 41 31 0D\n41 4C 30 41 31 34 31 30 30 35 30 30 0D\n41 4C 30 42 31 34 31 30 30 35 30 30 0D\n"},
      {"ICM710 FSK, receive then transmit", DB_ICM710, TNC_DATA_FSK, 0.5, 1, false, MODE_USB, "TNC PACTOR", "24 50 49 43 4F 41 2C 39 30 2C 30 31 2C 4D 4F 44 45 2C 46 53 4B 0D 0A\n24 50 49 43 4F 41 2C 39 30 2C 30 31 2C 52 58 46 2C 30 31 34 2E 31 30 30 35 30 30 0D 0A\n24 50 49 43 4F 41 2C 39 30 2C 30 31 2C 54 58 46 2C 30 31 34 2E 31 30 30 35 30 30 0D 0A\n"},
      {"ICM802 shift, receive then transmit", DB_ICM802, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "24 50 49 43 4F 41 2C 39 30 2C 30 38 2C 52 58 46 2C 30 31 34 2E 31 30 30 35 30 30 0D 0A\n24 50 49 43 4F 41 2C 39 30 2C 30 38 2C 54 58 46 2C 30 31 34 2E 31 30 30 35 30 30 0D 0A\n"},
      {"K505DSP shift, receive then transmit", DB_K505DSP, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "02 52 4B E1 4C 0C 03\n02 54 4B E1 4C 0C 03\n"},
      {"SGC2000 shift tunes the shifted channel", DB_SGC2000, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR",
       "08 85 05 10 14 05 10 14 41 18\n"},
      {"RF350ALK RTTY and shift", DB_RF350ALK, TNC_DATA_RTTY, 0.5, 1, false, MODE_USB, "TNC PACTOR", "4D 32 0A\n46 31 34 31 30 30 35 30 0A\n"},
      {"RF350KWT shift", DB_RF350KWT, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "24 31 46 31 34 2E 31 30 30 35 30 30 0D\n"},
      {"RF5022 RTTY, receive then transmit", DB_RF5022, TNC_DATA_RTTY, 0.5, 1, false, MODE_USB, "TNC PACTOR", "4D 4F 44 45 20 4C 53 0D\n52 58 46 20 31 34 31 30 30 35 30 0D\n54 58 46 20 31 34 31 30 30 35 30 0D\n"},
      {"RF5800 shift, receive then transmit", DB_RF5800, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "52 58 46 52 45 51 20 31 34 2E 31 30 30 35 30 0D\n54 58 46 52 45 51 20 31 34 2E 31 30 30 35 30 0D\n"},
      {"JST245 RTTY and shift", DB_JST245, TNC_DATA_RTTY, 0.5, 1, false, MODE_USB, "TNC PACTOR", "44 30 0D\n46 30 30 31 34 31 30 30 35 30 30 41 0D\n"},
      {"TT516 shift", DB_TT516, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "2A 41 00 D7 28 14 0D\n"},
      {"TT538 shift on VFO A", DB_TT538, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "2A 41 00 D7 28 14 0D\n"},
      {"TT550 shift", DB_TT550, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "4E 5C 57 01 11 67 71 0D\n4D 32 32 0D\n57 0C 0D\n"},
      {"TT585 shift", DB_TT585, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "1\n4\nW\n1\n0\n0\n5\n0\n@\n"},
      {"TT588RAD shift on VFO A", DB_TT588RAD, TNC_DATA_USB, 0.5, 1, false, MODE_USB, "TNC PACTOR", "2A 41 00 D7 28 14 0D\n"},
  };
  for (const Case& c : cases) {
    db_set_radio_type(c.radio);
    db_set_tnc_data_mode(c.data_mode);
    db_set_freq_offset_khz(c.offset_khz);
    db_set_freq_offset_add(c.add);
    scanning = c.scanning;
    scan_channel(14100000, c.channel_mode);
    const auto [trace, text] = run(c.line, 2000);
    EXPECT_EQ(writes(trace, "COM1"), c.radio_writes) << c.what;
    EXPECT_EQ(writes(trace, "COM5"), "") << c.what;
    radio_tnc_restore();  // the next case starts from a radio that is not retuned
    run_ms(1000);
  }
}

// An offset that takes the frequency below zero has no frequency to send (it would wrap to
// one near 4.3 GHz).
TEST_F(TncCommand, ShiftBelowZeroIsNotSent) {
  db_set_tnc_type(TNC_GENERIC);
  db_set_radio_type(DB_IC7000);
  db_set_freq_offset_khz(0.5);
  db_set_freq_offset_add(0);
  scan_channel(100, MODE_USB);
  EXPECT_EQ(writes(run("TNC PACTOR").first, "COM1"), "");
}

// A retune that changed the radio is undone at DISCONN even with data mode USB and no offset:
// here the scan channel is LSB, so PACTOR put the radio in USB.
TEST_F(TncCommand, DisconnectRestoresWhatTheRetuneChanged) {
  db_set_tnc_type(TNC_MFJ1278B);
  db_set_radio_type(DB_KENWOOD);
  db_set_tnc_data_mode(TNC_DATA_USB);
  scan_channel(7100000, MODE_LSB);
  EXPECT_EQ(writes(run("TNC PACTOR BRAVO7", 1000).first, "COM1"), "MD2;\n");
  const std::string trace = run("TNC DISCONN").first;
  EXPECT_EQ(writes(trace, "COM1"), "FA00007100000;\nMD1;\n");
  EXPECT_EQ(writes(trace, "COM5"), "44 0D\n");
  // Once put back, a further DISCONN leaves the radio alone.
  EXPECT_EQ(writes(run("TNC DISCONN").first, "COM1"), "");
}

}  // namespace
}  // namespace vesk
