// Status report and table listings on a small fixture database, as the log shows them.
#include "command/listings.h"

#include <gtest/gtest.h>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class ListingsTest : public ::testing::Test {
 protected:
  ListingsTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_open();
    log_set_sink([this](LogText, const std::string& line) { lines_.push_back(line); });
  }
  // The pieces written by one command line, oldest first.
  std::vector<std::string> run(const std::string& line) {
    lines_.clear();
    mmi_run_line(line);
    return lines_;
  }
  std::string joined(const std::string& line) {
    std::string all;
    for (const std::string& s : run(line)) all += s;
    return all;
  }
  static ChannelRecord channel(int rx_hz, int groups) {
    ChannelRecord ch{};
    ch.rx_freq_hz = rx_hz;
    ch.tx_freq_hz = rx_hz + 500;
    ch.rx_mode = 1;
    ch.tx_mode = 22;
    ch.permission = CHANNEL_BX;
    ch.scan_groups = groups;
    ch.own_index = 3;
    ch.antenna_port = 2;
    ch.tx_level = 40;
    ch.usage = 2;
    ch.lp_key = 1;
    ch.sound_countdown_min = 7;
    return ch;
  }
  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  std::vector<std::string> lines_;
};

TEST_F(ListingsTest, AgeAndGroupTexts) {
  EXPECT_EQ(report_format_age(1500), "01:01:00");
  EXPECT_EQ(report_format_age(0), "00:00:00");
  EXPECT_EQ(report_format_age(kAgeNever), "??:??:??");
  EXPECT_EQ(report_group_letters(0x8005), "A.C............P");
  EXPECT_STREQ(report_link_state_text(8), "ACKING    ");
  EXPECT_STREQ(report_link_state_text(20), "ACKING     ");
  EXPECT_STREQ(report_link_state_text(25), "HANDSHAKING ");
  EXPECT_STREQ(report_link_state_text(40), "ERROR       ");
}

TEST_F(ListingsTest, OwnTableOfFourLinesWithOneEntry) {
  ASSERT_EQ(db_set_own_address_at("K1ABC", 3), 3);
  const std::vector<std::string> out = run("OWN");
  ASSERT_EQ(out.size(), 1u + 20u + 5u);
  EXPECT_EQ(out[0], "\n");
  EXPECT_EQ(out[1], "00 ............... ");
  EXPECT_EQ(out[4], "03 K1ABC           ");
  EXPECT_EQ(out[5], "\n");
  mmi_run_line(std::string("UPLOAD"));
  EXPECT_EQ(run("OWN"), (std::vector<std::string>{"\n", "[ S 03 K1ABC ]\n"}));
}

TEST_F(ListingsTest, ChannelLinesInEveryMode) {
  ASSERT_EQ(db_set_own_address_at("K1ABC", 3), 3);
  ASSERT_EQ(db_store_channel(5, channel(7102000, 1)), 5);
  ASSERT_EQ(db_store_channel(6, channel(10145000, 2)), 6);  // another scan group
  const std::string line = "05 7102000  Hz USB 7102500  Hz USB-D BX  0001 007 K1ABC           002 040  D  001\n";
  std::vector<std::string> out = run("CHANNELS");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].substr(0, 3), "ID ");
  EXPECT_EQ(out[2], line);
  out = run("CHANNELS 6");
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[2].substr(0, 3), "06 ");
  EXPECT_EQ(out[3], "\n");
  mmi_run_line(std::string("UPLOAD"));
  EXPECT_EQ(run("CHANNELS"), (std::vector<std::string>{line}));  // no heading
  mmi_run_line(std::string("ENABLE AUTO"));
  EXPECT_EQ(run("CHANNELS"), (std::vector<std::string>{"[ C 05 "}));
}

TEST_F(ListingsTest, ChannelsFromARange) {
  for (int n = 240; n <= 256; ++n) ASSERT_EQ(db_store_channel(n, channel(3000000 + n, 1)), n);
  EXPECT_TRUE(run("CHANNELS 300").empty());
  std::vector<std::string> out = run("CHANNELS 250");
  EXPECT_EQ(out.size(), 2u + 7u + 1u);  // heading, 250 to 256, blank line
  out = run("CHANNELS 1");
  EXPECT_EQ(out.size(), 2u + 16u + 1u);  // the first 16 in use
  EXPECT_EQ(out[2].substr(0, 4), "240 ");
  EXPECT_EQ(run("CHANNELS -5").size(), 19u);  // numbers below 0 start at channel 0
}

// A damaged scan group in "ALE.DAT" lists the channels of the group the scanner takes from
// it (the value's low five bits), through mmi-run on that folder, without undefined behaviour.
TEST_F(ListingsTest, DamagedScanGroupFromTheFile) {
  struct Case {
    int32_t stored_group;
    uint32_t scanned_bit;
  } cases[] = {{40, 1u << 8}, {-1, 1u << 31}, {0x7FFFFFFF, 1u << 31}};
  for (const Case& c : cases) {
    ASSERT_EQ(db_store_channel(5, channel(7102000, static_cast<int>(c.scanned_bit))), 5);
    ASSERT_EQ(db_store_channel(6, channel(10145000, 1)), 6);
    {
      DbLock lock;
      lock.options().set_i32(opt::SCAN_GROUP, c.stored_group);
    }
    ASSERT_EQ(db_save(), 1);
    test::ChildProcess p({test::program_path("tools/mmi-run"), "--dir", dir_.path()}, "CHANNELS\n");
    ASSERT_EQ(p.wait(20000), 0) << c.stored_group << "\n" << p.output();
    const std::string out = p.output();
    EXPECT_NE(out.find("\n05 7102000  Hz"), std::string::npos) << c.stored_group << "\n" << out;
    EXPECT_EQ(out.find("\n06 "), std::string::npos) << c.stored_group << "\n" << out;
  }
}

TEST_F(ListingsTest, OtherStationDetail) {
  ASSERT_EQ(db_store_channel(5, channel(7102000, 1)), 5);
  ASSERT_GE(db_add_other_address("W2XYZ", 0, 2500, 3500), 0);
  {
    DbLock lock;
    OtherAddressRecord* r = db_find_other_address(lock, "W2XYZ");
    r->minutes_heard = 1500;
    r->last_channel = 5;
    LqaRecord& q = r->lqa[5];
    q.measured = lqa_with_multipath(lqa_with_sinad(lqa_with_ber(0, 12), 20), 3);
    q.measured_age = 61;
    q.reported = lqa_with_multipath(lqa_with_sinad(lqa_with_ber(0, kLqaNoValue), kLqaNoValue), kLqaNoMultipath);
    q.reported_age = kAgeNever;
  }
  const std::vector<std::string> out = run("OTHER W2XYZ 5");
  ASSERT_GE(out.size(), 10u);
  EXPECT_EQ(out[2] + out[3] + out[4] + out[5] + out[6] + out[7] + out[8],
            "00 W2XYZ             S  2500    3500    01:01:00  05\n");
  EXPECT_EQ(out[out.size() - 3], "\n        BER    SINAD    MP    AGE\n");
  EXPECT_EQ(out[out.size() - 2], "OWN      -       -      -     ??:??:??\n");
  EXPECT_EQ(out[out.size() - 1], "OTHER   12       20     3     00:01:01\n");

  EXPECT_TRUE(run("OTHER W2XYZ 999").empty());
  EXPECT_EQ(joined("OTHER NOBODY 5"), "UNKNOWN OTHER ADDRESS -NOBODY-\n");
  EXPECT_NE(joined("OTHER W2XYZ 9").find("REQUESTD CHANNEL NOT IN USE"), std::string::npos);
  EXPECT_TRUE(run("OTHER W2XYZ").empty());
  EXPECT_TRUE(run("OTHER A B C").empty());
  EXPECT_EQ(run("OTHER").size(), 100u + 25u + 1u);
}

TEST_F(ListingsTest, NetsAndKeys) {
  ASSERT_GE(db_add_own_address("SELF"), 0);
  const char* net[] = {"NETA", "K1ABC", "SELF", "W2XYZ"};
  ASSERT_EQ(db_add_net_from_list(net, 4), 1);
  const std::string detail = joined("NET NETA");
  EXPECT_EQ(detail,
            "NET  [00] : NETA            \nSlot [00] : \nSlot [01] : K1ABC          \nSlot [02] : SELF           \n"
            "Slot [03] : W2XYZ          \nSelf [02] : SELF           \n");
  EXPECT_NE(joined("NET NOPE").find("UNKNOWN NET ADDRESS => NOPE"), std::string::npos);
  mmi_run_line(std::string("ENABLE AUTO"));
  const std::string compact = joined("NET");
  EXPECT_EQ(compact.substr(0, 30), "[ N 00 NETA K1ABC SELF W2XYZ !");

  const int32_t halves[2] = {0x123456, static_cast<int32_t>(0x89ABCDEF)};
  ASSERT_GE(db_set_lp_key(1, halves, 0x5), 0);
  const std::string keys = joined("KEYS");
  EXPECT_NE(keys.find("\n01   12345689ABCDEF AL0   AL2   \n"), std::string::npos) << keys;
}

TEST_F(ListingsTest, StatusReportForms) {
  db_set_twa_secs(300);
  const std::string manual = joined("OPTIONS");
  EXPECT_EQ(manual.find("VESK-ALE SE v1.02 B102A8h1\nCURRENT GROUP 0 \nINACT (TWA)   5 m    "), 0u);
  EXPECT_NE(manual.find("RADIO TYPE > YAESU FT100\n"), std::string::npos);
  db_set_radio_type(0);
  EXPECT_NE(joined("OPTIONS").find("\nUNKNOWN RADIO\n"), std::string::npos);
  mmi_run_line(std::string("UPLOAD"));
  const std::string upload = joined("OPT");
  EXPECT_EQ(upload.substr(0, 13), "[ P 00 0 0 5 ");
  EXPECT_EQ(upload.substr(upload.size() - 11), "UNKNOWN  ]\n");
}

TEST_F(ListingsTest, StatusPanes) {
  std::vector<int> posted;
  log_hooks().post_message = [&](int m) { posted.push_back(m); };
  mmi_run_line(std::string("STATUS"));
  EXPECT_EQ(report_status_pane(1), "STOPPED    ");
  EXPECT_EQ(report_status_pane(0).substr(0, 4), "FRQ ");
  EXPECT_EQ(posted, std::vector<int>{WM_REFRESH_STATUS});
}

}  // namespace
}  // namespace vesk
