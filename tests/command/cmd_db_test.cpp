#include "command/cmd_db.h"

#include "command/scripts.h"
#include "db/options.h"
#include "db/tables.h"
#include "tests/command/command_fixture.h"

namespace vesk {
namespace {

using DbCommands = test::CommandFixture;

int channels_in_use() {
  int n = 0;
  for (int i = 0; i < kChannelCount; ++i) {
    ChannelRecord ch{};
    if (db_copy_channel(i, &ch) == 0 && ch.in_use == 1) ++n;
  }
  return n;
}

TEST_F(DbCommands, AddChannelDefaultsAndRefusals) {
  EXPECT_EQ(run("ADD OWN ALPHA"), "");
  EXPECT_EQ(run("ADD CHANNEL 7000000"), "");
  ChannelRecord ch{};
  ASSERT_EQ(db_copy_channel(1, &ch), 0);
  EXPECT_EQ(ch.in_use, 1);
  EXPECT_EQ(ch.rx_freq_hz, 7000000);
  EXPECT_EQ(ch.tx_freq_hz, 7000000);
  EXPECT_EQ(ch.rx_mode, 1);
  EXPECT_EQ(ch.tx_mode, 1);
  EXPECT_EQ(ch.scan_groups, 1);
  EXPECT_EQ(ch.permission, CHANNEL_BX);
  EXPECT_EQ(ch.own_index, 0);

  const int before = channels_in_use();
  struct Case {
    const char* line;
    const char* error;
  } refused[] = {
      {"ADD CHANNEL 7000000 CW 7000000 CWR", "NO MMI COMMAND => CWR]"},
      {"ADD CHANNEL 7000000 USB 0", "NO MMI COMMAND => 0]"},
      {"ADD CHANNEL 7000000 usb", "NO MMI COMMAND => USB]"},  // upper-cased, so still a mode
      {"ADD CHANNEL 7000000 \"usb\"", "NO MMI COMMAND => usb]"},
      {"ADD CHANNEL", "NOT ENOUGH PARAMETERS"},
  };
  for (const Case& c : refused) {
    const std::string out = run(c.line);
    if (std::string(c.line) == "ADD CHANNEL 7000000 usb") {
      EXPECT_EQ(out, "");  // the plain word is upper-cased: USB
      continue;
    }
    EXPECT_NE(out.find(c.error), std::string::npos) << c.line << ": " << out;
  }
  EXPECT_EQ(channels_in_use(), before + 1);
}

TEST_F(DbCommands, AddressesAndNets) {
  struct Case {
    const char* line;
    const char* out;  // a piece of what is written, "" for nothing
  } cases[] = {
      {"ADD OWN ABCDEFGHIJKLMNOP", "NOT ENOUGH PARAMETERS"},  // 16 characters
      {"ADD OWN ALPHA", ""},
      {"ADD OTHER K1-ABC", ""},  // invalid: nothing at all
      {"ADD OTHER K1ABC 2500", "NOT ENOUGH PARAMETERS"},
      {"ADD OTHER K1ABC 2500 3500", ""},
      {"ADD NET NETA", "NOT ENOUGH PARAMETERS"},
      {"ADD NET NETA ALPHA K1ABC", ""},
      {"ADD RADIO X", "AMBIGUOUS COMMAND"},
      {"ADD FOO X", "NO MMI COMMAND => FOO]"},
      {"RESET RADIO", "AMBIGUOUS COMMAND"},
      {"RESET", "NOT ENOUGH PARAMETERS"},
      {"DELETE OWN", "NOT ENOUGH PARAMETERS"},
      {"DELETE OWN ALPHA", "OWN ADDRESS IN USE => ALPHA]"},  // the net uses it
      {"DELETE OTHER K1ABC", "OTHER ADDRESS IN USE => K1ABC]"},
      {"DELETE OTHER NOBODY", ""},
      {"SAVE", "NOT ENOUGH PARAMETERS"},
      {"SAVE FOO", "NO MMI COMMAND => FOO]"},
  };
  for (const Case& c : cases) {
    const std::string out = run(c.line);
    if (c.out[0] == '\0')
      EXPECT_EQ(out, "") << c.line;
    else
      EXPECT_NE(out.find(c.out), std::string::npos) << c.line << ": " << out;
  }
  EXPECT_GE(db_find_own_address_index("ALPHA"), 0);
  EXPECT_GE(db_find_other_address_index("K1ABC"), 0);
  EXPECT_GE(db_find_net_index("NETA"), 0);
  EXPECT_EQ(run("DELETE NET NETA"), "");
  EXPECT_EQ(run("DELETE OWN ALPHA"), "");
  EXPECT_EQ(run("DELETE OTHER K1ABC"), "");
  EXPECT_LT(db_find_own_address_index("ALPHA"), 0);
  EXPECT_LT(db_find_other_address_index("K1ABC"), 0);
}

TEST_F(DbCommands, ScanGroupLabels) {
  const std::string before = db_get_scan_group_label(0);
  for (const char* line : {"SCANGROUP 0 LABEL x", "SCANGROUP 17 LABEL x", "SCANGROUP 1 LABEL",
                           "SCANGROUP 1 LABEL 1234567890123456789012345678901234567890"})
    EXPECT_EQ(run(line), "") << line;
  EXPECT_EQ(db_get_scan_group_label(0), before);
  run("SCANGROUP 3 ANYTHING \"Net Three\"");
  EXPECT_EQ(db_get_scan_group_label(2), "Net Three");
}

TEST_F(DbCommands, LoadDatabaseKeepsTheLiveImageOnABadOrMissingFile) {
  run("ADD OWN ALPHA");
  std::filesystem::remove(st_->path("ALE.DAT"));
  EXPECT_NE(run("LOAD DATABASE").find("[FILE NOT FOUND ERROR: ALE.DAT]"), std::string::npos);
  EXPECT_GE(db_find_own_address_index("ALPHA"), 0);
  write_file("ALE.DAT", std::string(1000, 'x'));
  EXPECT_NE(run("LOAD DATABASE").find("REJECTED"), std::string::npos);
  EXPECT_GE(db_find_own_address_index("ALPHA"), 0);
  // A good file replaces the live tables.
  std::filesystem::remove(st_->path("ALE.DAT"));
  ASSERT_EQ(db_save(), 1);
  run("RESET OWN");
  EXPECT_LT(db_find_own_address_index("ALPHA"), 0);
  run("LOAD DATABASE");
  EXPECT_GE(db_find_own_address_index("ALPHA"), 0);
}

// A frequency file with an own address, entered and learned stations, nets, 256 channels and
// labels, loaded into a fresh station and dumped again, gives the same file.
TEST_F(DbCommands, FrequencyFileRoundTrip) {
  std::string script = "ADD OWN ALPHA\nADD OWN BRAVO\nADD OTHER K1ABC 2500 3500\nADD OTHER W2XYZ\n"
                       "ADD NET NETA K1ABC BRAVO W2XYZ\nSCANGROUP 2 LABEL \"Second Group\"\n";
  for (int i = 1; i <= 256; ++i)
    script += "ADD CHANNEL " + std::to_string(3000000 + i * 1000) + " USB-D " + std::to_string(3000000 + i * 1000) +
              " LSB 3 3 BRAVO 1 20 2 0 1 0\n";
  write_file("in.qrg", script);
  ASSERT_EQ(script_run_file("in.qrg"), 1);
  EXPECT_TRUE(lines().empty());
  EXPECT_EQ(channels_in_use(), 256);  // channels 1 to 256, none lost
  ASSERT_EQ(script_dump_database("first.qrg"), 1);

  test::TempDir other_dir;
  Station other(other_dir.path(), std::make_unique<SimClock>());
  std::string second;
  {
    StationScope s(other);
    db_open();
    std::filesystem::copy_file(st_->path("first.qrg"), other.path("first.qrg"));
    ASSERT_EQ(script_run_file("first.qrg"), 1);
    ASSERT_EQ(script_dump_database("second.qrg"), 1);
    std::ifstream in(other.path("second.qrg"));
    second.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  const std::string first = read_file("first.qrg");
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find("ADD CHANNEL 3256000 USB-D 3256000 LSB 3 3 BRAVO 1 20 2 0 1 0\n"), std::string::npos);
}

}  // namespace
}  // namespace vesk
