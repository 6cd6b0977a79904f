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

TEST_F(ChannelChoiceTest, MultiStationRankingSumsBerScores) {
  channel(1, 4000000);
  channel(2, 7000000);
  channel(3, 5000000);
  station("ABC");
  station("XYZ");
  // With no scores every channel sums the same: ascending channel order.
  EXPECT_EQ(rank({"ABC", "XYZ"}), (std::vector<int>{1, 2, 3}));
  scores("ABC", 1, 10, 30, 30);  // 60
  scores("ABC", 2, 10, 5, 5);    // 10
  scores("ABC", 3, 10, 5, 5);    // 10
  scores("XYZ", 1, 10, 0, 0);    // 0
  scores("XYZ", 2, 10, 25, 25);  // 50: channel 2 ties with channel 1
  scores("XYZ", 3, 10, 10, 10);  // 20
  EXPECT_EQ(rank({"ABC", "XYZ"}), (std::vector<int>{3, 1, 2}));
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
  EXPECT_EQ(ale_allcall_channel(), 4) << "no station: all sums 0, lowest channel";
  station("ABC");
  station("XYZ");
  EXPECT_EQ(ale_allcall_channel(), 4) << "no scores: a tie";
  scores("ABC", 4, 0, 20, 20);
  scores("XYZ", 6, 0, 0, 0);
  scores("ABC", 8, 0, 0, 0);  // receive-only: out of the choice
  EXPECT_EQ(ale_allcall_channel(), 6);
}

}  // namespace
}  // namespace vesk
