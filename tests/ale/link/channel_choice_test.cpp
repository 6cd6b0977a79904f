// Channel choice: the order a call tries the channels in, and the allcall channel.
#include <gtest/gtest.h>

#include <vector>

#include "ale/link/channel_choice.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "tests/db/db_fixture.h"

namespace vesk {
namespace {


class ChannelChoiceTest : public test::DbTest {
 protected:
  void SetUp() override {
    open();
    db_clear_channels();
    group_ = db_get_scan_group();
  }
  // A channel of the current scan group (or of another group) with its receive frequency.
  void channel(int n, int rx_hz, int permission = CHANNEL_BX, bool in_group = true) {
    ChannelRecord rec{};
    rec.in_use = 1;
    rec.permission = permission;
    rec.scan_groups = in_group ? (1 << (group_ & 31)) : (1 << ((group_ + 1) & 31));
    rec.rx_freq_hz = rx_hz;
    rec.tx_freq_hz = rx_hz;
    rec.rx_mode = rec.tx_mode = 1;
    ASSERT_EQ(db_store_channel(n, rec), n);
  }
  static void station(const char* address) { ASSERT_GE(db_add_other_address(address, 0, 0, 0), 0); }
  // Scores of a station on a channel: measured and reported words (BER bits 0-5, SINAD 6-11).
  static void scores(const char* address, int ch, int sinad, int ber, int reported_ber = kLqaNoValue) {
    DbLock lock;
    LqaRecord* q = db_get_lqa_record(lock, address, ch);
    ASSERT_NE(q, nullptr);
    q->measured = lqa_with_ber(lqa_with_sinad(q->measured, sinad), ber);
    q->reported = lqa_with_ber(q->reported, reported_ber);
  }
  static std::vector<int> rank(const AddressList& addresses, int* result = nullptr) {
    int channels[kCallChannelsMax];
    int size = -1;
    int r = lqa_rank_channels(addresses, channels, &size);
    if (result) *result = r;
    if (r != 0) return {-1};
    return std::vector<int>(channels, channels + size);
  }
  int group_ = 0;
};

TEST_F(ChannelChoiceTest, CandidatesAreTransmittableChannelsOfTheScanGroup) {
  channel(7, 7000000);
  channel(2, 3000000);
  channel(4, 5000000, CHANNEL_RX);                 // receive only: never tried
  channel(5, 9000000, CHANNEL_BX, false);          // another scan group
  channel(0, 10000000);                            // channel 0 is never a candidate
  channel(9, 4000000, CHANNEL_TX);
  EXPECT_EQ(lqa_candidate_channels(), (std::vector<int>{2, 7, 9}));
  station("ABC");
  EXPECT_EQ(rank({"ABC"}), (std::vector<int>{7, 9, 2}));
  station("XYZ");
  EXPECT_EQ(rank({"ABC", "XYZ"}), (std::vector<int>{2, 7, 9}));
}

TEST_F(ChannelChoiceTest, SingleStationRanking) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> sinad;  // channel, measured SINAD score
    std::vector<int> order;
  };
  // Channels 1-4 at 4, 7, 5 and 3 MHz.
  const Case cases[] = {
      {"no scores: receive frequency, highest first", {}, {2, 3, 1, 4}},
      {"scored channels first, best SINAD first", {{4, 20}, {1, 25}}, {1, 4, 2, 3}},
      {"a SINAD score of 0 still beats no value", {{3, 0}}, {3, 2, 1, 4}},
      {"equal scores keep channel order", {{4, 10}, {2, 10}, {1, 10}, {3, 12}}, {3, 1, 2, 4}},
  };
  channel(1, 4000000);
  channel(2, 7000000);
  channel(3, 5000000);
  channel(4, 3000000);
  station("ABC");
  for (const Case& c : cases) {
    db_reset_all_lqa();
    for (auto [ch, s] : c.sinad) scores("ABC", ch, s, 0);
    EXPECT_EQ(rank({"ABC"}), c.order) << c.name;
  }
}

TEST_F(ChannelChoiceTest, MultiStationRankingBestBerScoresFirst) {
  struct Score {
    const char* address;
    int ch, ber, reported_ber;
  };
  struct Case {
    const char* name;
    std::vector<Score> scores;
    std::vector<int> order;
  };
  const Case cases[] = {
      {"no scores: ascending channel order", {}, {1, 2, 3, 4}},
      {"highest sum first, ties in channel order",
       {{"ABC", 1, 30, 30}, {"ABC", 2, 5, 5}, {"ABC", 3, 5, 5}, {"XYZ", 1, 0, 0}, {"XYZ", 2, 25, 25}, {"XYZ", 3, 10, 10},
        {"XYZ", 4, 1, 0}},
       {1, 2, 3, 4}},
      {"best first", {{"ABC", 2, 10, 10}, {"XYZ", 3, 30, 30}, {"ABC", 4, 25, kLqaNoValue}}, {3, 4, 2, 1}},
      {"a score of 0 still beats no value; unscored in channel order", {{"XYZ", 4, 0, 0}}, {4, 1, 2, 3}},
      {"a marked channel comes last, even with scores",
       {{"ABC", 1, kLqaMarked, 30}, {"XYZ", 1, 30, 30}, {"ABC", 3, 2, 2}},
       {3, 2, 4, 1}},
  };
  for (int ch = 1; ch <= 4; ++ch) channel(ch, 3000000 + ch * 1000000);
  station("ABC");
  station("XYZ");
  for (const Case& c : cases) {
    db_reset_all_lqa();
    for (const Score& q : c.scores) scores(q.address, q.ch, 10, q.ber, q.reported_ber);
    EXPECT_EQ(rank({"ABC", "XYZ"}), c.order) << c.name;
  }
}

TEST_F(ChannelChoiceTest, FailuresAndTheSingleCandidate) {
  int r = 0;
  station("ABC");
  EXPECT_EQ(rank({"ABC"}, &r), std::vector<int>{-1}) << "no candidate";
  EXPECT_EQ(r, 1);
  channel(3, 5000000);
  EXPECT_EQ(rank({"NOBODY"}), std::vector<int>{3}) << "one candidate: no score is read";
  EXPECT_EQ(rank({"ABC", "NOBODY"}), std::vector<int>{3});
  channel(5, 6000000);
  EXPECT_EQ(rank({"NOBODY"}, &r), std::vector<int>{-1});
  EXPECT_EQ(r, 1);
  EXPECT_EQ(rank({"ABC", "NOBODY"}, &r), std::vector<int>{-1}) << "an unknown member fails the group";
  EXPECT_EQ(r, 1);
}

TEST_F(ChannelChoiceTest, AllcallChannel) {
  EXPECT_EQ(ale_allcall_channel(), 1) << "no candidate";
  channel(4, 5000000);
  channel(6, 6000000);
  channel(8, 7000000, CHANNEL_RX);
  EXPECT_EQ(ale_allcall_channel(), 4) << "no station: lowest channel";
  station("ABC");
  station("XYZ");
  EXPECT_EQ(ale_allcall_channel(), 4) << "no scores: a tie";
  scores("ABC", 8, 0, 30, 30);  // receive-only: out of the choice
  scores("XYZ", 6, 0, 0, 0);
  EXPECT_EQ(ale_allcall_channel(), 6) << "the only scored channel";
  scores("ABC", 4, 0, 20, 20);
  EXPECT_EQ(ale_allcall_channel(), 4) << "the best sum";
  scores("XYZ", 6, 0, 20, 20);
  EXPECT_EQ(ale_allcall_channel(), 4) << "a tie: channel order";
  db_lqa_mark_channel("XYZ", 4);
  EXPECT_EQ(ale_allcall_channel(), 6) << "a marked channel comes last";
}

}  // namespace
}  // namespace vesk
