// Whole stations on the simulated ether with their address tables and link-quality scores
// stored before the run: the channel a group call tries first, and the caller's wait for the
// station it called.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "db/database.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

using test::SimRun;

struct Other {
  Other(const char* a, int twr = 0, int tt = 0, std::vector<int> b = {})
      : address(a), twr_ms(twr), tt_ms(tt), ber(std::move(b)) {}
  const char* address;
  int twr_ms;
  int tt_ms;
  std::vector<int> ber;  // BER score measured and reported on channel 1, 2, ...; empty: none
};

class LqaSimTest : public ::testing::Test {
 protected:
  // A station folder whose "ALE.DAT" holds the own address, channels, other stations and their
  // scores (a CONFIG.DAT entering them again would start their scores afresh); CONFIG.DAT only
  // starts the scan.
  void station(const char* own, const std::vector<int>& channels_hz, const std::vector<Other>& others) {
    const fs::path dir = fs::path(root_.path()) / own;
    fs::create_directories(dir);
    std::ofstream(dir / "CONFIG.DAT") << "ENABLE SCANNING\n";
    Station st(dir);
    StationScope scope(st);
    db_open();
    ASSERT_GE(db_add_own_address(own), 0);
    for (int hz : channels_hz) {
      ChannelRecord ch{};
      ch.rx_freq_hz = ch.tx_freq_hz = hz;
      ch.rx_mode = ch.tx_mode = 1;
      ch.scan_groups = 1;
      ch.permission = CHANNEL_BX;
      ASSERT_GE(db_add_channel(ch), 1);
    }
    for (const Other& o : others) {
      ASSERT_GE(db_add_other_address(o.address, 0, o.twr_ms, o.tt_ms), 0);
      DbLock lock;
      for (std::size_t i = 0; i < o.ber.size(); ++i) {
        LqaRecord* q = db_get_lqa_record(lock, o.address, static_cast<int>(i) + 1);
        ASSERT_NE(q, nullptr);
        q->measured = lqa_with_ber(q->measured, o.ber[i]);
        q->reported = lqa_with_ber(q->reported, o.ber[i]);
      }
    }
    ASSERT_EQ(db_save(), 1);
    stations_.push_back({own, dir.string()});
  }

  SimRun run(int seconds, const std::vector<SimCommand>& commands) {
    SimOptions o;
    o.stations = stations_;
    o.channel = "awgn";
    o.snr_db = 15;
    o.seed = 1;
    o.duration_ms = seconds * 1000LL;
    o.commands = commands;
    return test::sim_collect(o);
  }

  test::TempDir root_;
  std::vector<SimStationSpec> stations_;
};

const std::vector<int> kLqaChannels = {7000000, 10000000, 14000000};

TEST_F(LqaSimTest, GroupCallGoesOutFirstOnTheBestChannel) {
  // Channel 2 (10 MHz) has the best scores for both stations, channel 3 the worst.
  station("ALFA", kLqaChannels, {{"BRAVO", 0, 0, {15, 30, 5}}, {"CHARLIE", 0, 0, {10, 28, 2}}});
  station("BRAVO", kLqaChannels, {{"ALFA"}, {"CHARLIE"}});
  station("CHARLIE", kLqaChannels, {{"ALFA"}, {"BRAVO"}});
  const SimRun r = run(40, {{10000, "ALFA", "CALL BRAVO CHARLIE"}});
  // One call, on channel 2 (channel order or the old worst-first order would try another).
  EXPECT_GE(r.at("ALFA", "[FRQ 10000000][LINKED  ][BRAVO"), 0) << r.text;
  EXPECT_GE(r.at("ALFA", "[FRQ 10000000][LINKED  ][CHARLIE"), 0);
  EXPECT_EQ(r.count_of("ALFA", "STATUS 1: CALLING"), 1);
}

TEST_F(LqaSimTest, CallerWaitsForTheResponseByTheStationItCalled) {
  // BRAVO answers late (TWR + TT 10 s); QQQ, heard just before the call, answers quickly. BRAVO
  // is not on the air: ALFA's wait for its response is BRAVO's.
  station("ALFA", {7000000}, {{"BRAVO", 6000, 4000}, {"QQQ", 2000, 1500}, {"ZZZ"}});
  station("QQQ", {7000000}, {{"ALFA"}, {"ZZZ"}});
  const SimRun r = run(40, {{3000, "QQQ", "CALL ZZZ"}, {11000, "QQQ", "KILL"}, {15000, "ALFA", "CALL BRAVO"}});
  const double waiting = r.at("ALFA", "STATUS 1: WAIT RESP", 15);
  ASSERT_GE(waiting, 0) << r.text;
  const double next = r.at("ALFA", "STATUS 1:", waiting);
  ASSERT_GE(next, 0) << r.text;
  EXPECT_NEAR(next - waiting, 10.0, 0.1) << r.text;
}

}  // namespace
}  // namespace vesk
