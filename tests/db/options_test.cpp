// Station options: setter rules, the message of the day, the minute-counter classes, the scan
// dwell and the sounding interval.
#include "db/options.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "tests/db/db_fixture.h"

namespace vesk {
namespace {

using test::DbTest;

struct SetterCase {
  const char* name;
  std::function<void(int)> set;
  std::function<int()> get;
  int value;
  int expected;
};

TEST_F(DbTest, SetterRules) {
  const SetterCase cases[] = {
      {"SVOTES 49 ignored", db_set_sync_votes, db_get_sync_votes, 49, 10},
      {"SVOTES 48 stored", db_set_sync_votes, db_get_sync_votes, 48, 48},
      {"FVOTES 49 ignored", db_set_frame_votes, db_get_frame_votes, 49, 30},
      {"SERRORS 4 ignored", db_set_sync_errors, db_get_sync_errors, 4, 0},
      {"SERRORS 3 stored", db_set_sync_errors, db_get_sync_errors, 3, 3},
      {"FERRORS 4 ignored", db_set_frame_errors, db_get_frame_errors, 4, 3},
      {"SCLC -5 clamps to 0", db_set_sclc, db_get_sclc, -5, 0},
      {"SCLC 300 clamps to 256", db_set_sclc, db_get_sclc, 300, 256},
      {"DBM retries 0 stores 7", db_set_dbm_retries, db_get_dbm_retries, 0, 7},
      {"DTM retries 0 stores 7", db_set_dtm_retries, db_get_dtm_retries, 0, 7},
      {"DTM retries 3 stored", db_set_dtm_retries, db_get_dtm_retries, 3, 3},
      {"LQA timeout 0 stores 180", db_set_lqa_timeout, db_get_lqa_timeout, 0, 180},
      {"resound 0 stores 4", db_set_resound_period, db_get_resound_period, 0, 4},
      {"TXAL 150 caps at 100", db_set_tx_audio_level, db_get_tx_audio_level, 150, 100},
      {"RXAL 101 caps at 100", db_set_rx_audio_level, db_get_rx_audio_level, 101, 100},
      {"MXAL 40 caps at 31", db_set_mxal_level, db_get_mxal_level, 40, 31},
      {"tuner DTR pulse 5 clamps to 10", db_set_atu_dtr_delay, db_get_atu_dtr_delay, 5, 10},
      {"tuner RTS pulse 5000 clamps to 1000", db_set_atu_rts_delay, db_get_atu_rts_delay, 5000, 1000},
      {"radio port 3 ignored", db_set_radio_port, db_get_radio_port, 3, 1},
      {"radio port 2 stored", db_set_radio_port, db_get_radio_port, 2, 2},
      {"TNC port 10 ignored", db_set_tnc_port, db_get_tnc_port, 10, 0},
      {"tuner port 0 ignored", db_set_atu_port, db_get_atu_port, 0, 0},
      {"alternate PTT port 9 stored", db_set_alt_ptt_port, db_get_alt_ptt_port, 9, 9},
      {"antenna switch port -1 ignored", db_set_ant_switch_port, db_get_ant_switch_port, -1, 0},
      {"scan group 16 refused", [](int g) { db_set_scan_group(g); }, db_get_scan_group, 16, 0},
      {"scan group -1 refused", [](int g) { db_set_scan_group(g); }, db_get_scan_group, -1, 0},
      {"scan group 15 stored", [](int g) { db_set_scan_group(g); }, db_get_scan_group, 15, 15},
      {"PTT delay stored as given", db_set_ptt_delay, db_get_ptt_delay, 12345, 12345},
      {"listen time 12 s in ms", db_set_listen_time, db_get_listen_time_ms, 12, 12000},
      {"listen time past an int in ms saturates", db_set_listen_time, db_get_listen_time_ms, 3000000, INT32_MAX},
  };
  for (const auto& c : cases) {
    open();  // fresh defaults for each case
    c.set(c.value);
    EXPECT_EQ(c.get(), c.expected) << c.name;
  }
}

TEST_F(DbTest, OptionTableRulesApplyThroughTheGenericSetter) {
  open();
  db_set_option_int(opt::SYNC_VOTES, 60);
  EXPECT_EQ(db_get_sync_votes(), 10);
  db_set_option_int(opt::RADIO_TYPE, 42);
  EXPECT_EQ(db_get_radio_type(), 42);
  // Fields without a row are stored as given, and out-of-section offsets are refused.
  db_set_option_int(11592, -3);
  EXPECT_EQ(db_option_int(11592), -3);
  db_set_option_int(kOptionsSize - 2, 1);
  EXPECT_EQ(db_option_int(kOptionsSize - 2), 0);
}

TEST_F(DbTest, MessageOfTheDay) {
  open();
  EXPECT_EQ(db_set_motd("hello~world {x}"), 15);
  EXPECT_EQ(db_get_motd(), "HELLO?WORLD ?X?");
  // 95 characters: the field is filled, without a terminator, and reads back bounded.
  const std::string long_text(95, 'a');
  EXPECT_EQ(db_set_motd(long_text.c_str()), 95);
  EXPECT_EQ(db_get_motd(), std::string(90, 'A'));
  EXPECT_EQ(db_option_byte(opt::MOTD_TEXT + 90), 0);
  EXPECT_EQ(db_option_byte(opt::MOTD_TEXT + 91), 0);
  EXPECT_EQ(db_option_int(opt::PTT_DELAY), 30) << "the next field is untouched";
  db_set_motd("ok");
  EXPECT_EQ(db_get_motd(), "OK");
}

TEST_F(DbTest, MinuteCounterClasses) {
  open();
  const int counts[][2] = {{0, 0}, {1, 1}, {20, 1}, {21, 2}, {100, 2}, {101, 3}, {500, 3}, {501, 4},
                           {2000, 4}, {2001, 5}, {10000, 5}, {10001, 6}, {60000, 6}, {60001, 7}};
  for (const auto& c : counts) {
    db_set_minute_counter(c[0]);
    EXPECT_EQ(db_minute_counter_class(), c[1]) << c[0];
  }
  db_set_minute_counter_class(4);
  EXPECT_EQ(db_get_minute_counter(), 501);
  db_set_minute_counter_class(8);
  EXPECT_EQ(db_get_minute_counter(), 501);
  db_step_minute_counter();
  EXPECT_EQ(db_get_minute_counter(), 502);
}

TEST_F(DbTest, ScanDwell) {
  open();
  // rate, AQC off, AQC on
  const int table[][3] = {{0, 1000, 500}, {1, 500, 500}, {2, 200, 200}, {3, 100, 100}, {7, 500, 200}};
  for (const auto& row : table) {
    db_set_scan_rate(row[0]);
    db_set_aqc_mode(0);
    EXPECT_EQ(db_get_scan_dwell_ms(), row[1]) << "rate " << row[0];
    db_set_aqc_mode(1);
    EXPECT_EQ(db_get_scan_dwell_ms(), row[2]) << "rate " << row[0] << " with AQC";
  }
}

TEST_F(DbTest, SoundingIntervalLowersLargerCountdowns) {
  open();
  {
    DbLock lock;
    lock.db().channels[0].sound_countdown_min = 50;
    lock.db().channels[1].sound_countdown_min = 50;
    lock.db().channels[2].sound_countdown_min = 9;
    lock.db().channels[256].sound_countdown_min = 10;
  }
  db_set_sounding_interval(10);
  EXPECT_EQ(db_get_sounding_interval(), 10);
  DbLock lock;
  EXPECT_EQ(lock.db().channels[0].sound_countdown_min, 50) << "channel 0 is left alone";
  EXPECT_EQ(lock.db().channels[1].sound_countdown_min, 9);
  EXPECT_EQ(lock.db().channels[2].sound_countdown_min, 9);
  EXPECT_EQ(lock.db().channels[256].sound_countdown_min, 9);
}

TEST_F(DbTest, HostAddressAndPortStayInNetworkOrder) {
  open();
  const uint32_t ip = db_get_host_ip();
  const auto* b = reinterpret_cast<const uint8_t*>(&ip);
  EXPECT_EQ(b[0], 192);
  EXPECT_EQ(b[3], 2);
  const uint16_t port = db_get_tcp_port();
  const auto* p = reinterpret_cast<const uint8_t*>(&port);
  EXPECT_EQ(p[0], 0x00);
  EXPECT_EQ(p[1], 0x17);
}

TEST_F(DbTest, BoundedTexts) {
  open();
  uint8_t keys[24];
  std::memset(keys, 0xAA, sizeof keys);
  db_set_transfer_keys(keys);
  const std::string long_path(2000, 'p');
  db_set_recorder_path(long_path.c_str());
  EXPECT_EQ(db_get_recorder_path(), std::string(1023, 'p'));
  EXPECT_EQ(db_option_byte(opt::TRANSFER_KEYS), 0xAA) << "the keys after the path are untouched";
  db_set_data_rate("1200L-TOO-LONG");
  EXPECT_EQ(db_get_data_rate(), "1200L-TOO");
  EXPECT_EQ(db_get_data_rate().size(), 9u);
}

}  // namespace
}  // namespace vesk
