// DBM data messages: the body as sent (checked against a CRC written here bit by bit), and the
// receive half through the parser, with lost groups and abandoned collections.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ale/words/golay.h"
#include "tests/ale/messages/message_fixture.h"

namespace vesk::test {
namespace {

constexpr int kTextArq = kKd4 | kKd3;

// The queued transmission of one DBM block: its header word and its groups of 147 bits.
struct Sent {
  AleWord header = 0;
  std::vector<std::vector<uint8_t>> groups;
};

Sent sent_by_transmit(const MessageBlock& b) {
  ale_word_io_init();
  dbm_transmit(b);
  Sent out;
  LockedQueue* q = word_queue_state().tx_queue;
  for (int k = 0;; ++k) {
    const auto* block = static_cast<const SymbolBlock*>(queue_peek_at(q, k));
    if (block == nullptr) break;
    if (k == 0) {
      out.header = block->word & kAleWordBits;
      continue;
    }
    std::vector<uint8_t> bits;
    for (uint8_t s : block->symbols)
      for (int i = 2; i >= 0; --i) bits.push_back(static_cast<uint8_t>((s >> i) & 1));
    out.groups.push_back(bits);
  }
  return out;
}

// The code words of a message from its groups, undoing the interleave by its definition.
std::vector<uint32_t> code_words(const Sent& s) {
  const int n = static_cast<int>(s.groups.size()) / 8 * 49;
  std::vector<uint32_t> words(static_cast<std::size_t>(n), 0);
  int k = 0;
  for (const auto& g : s.groups)
    for (uint8_t bit : g) {
      words[static_cast<std::size_t>(k % n)] |= static_cast<uint32_t>(bit) << (23 - k / n);
      ++k;
    }
  return words;
}

// CRC-16 (0x1021, from 0xFFFF), one bit at a time.
uint16_t bit_crc(const std::vector<int>& bits) {
  uint16_t crc = 0xFFFF;
  for (int b : bits) {
    const bool top = ((crc >> 15) & 1) != (b & 1);
    crc = static_cast<uint16_t>(crc << 1);
    if (top) crc ^= 0x1021;
  }
  return crc;
}

TEST_F(MessageStationTest, DbmBodyOfHi) {
  const Sent s = sent_by_transmit(block(kTextArq, "HI"));
  EXPECT_EQ(static_cast<int>(s.header & kDcMask), 462);
  EXPECT_EQ(s.header & ~static_cast<AleWord>(kDcMask), kDbmHeaderWord | static_cast<AleWord>(kTextArq));
  ASSERT_EQ(s.groups.size(), 8u);
  std::vector<int> body;
  for (uint32_t w : code_words(s)) {
    const int value = static_cast<int>(w >> 12);
    EXPECT_EQ(static_cast<int>(w & 0xFFF), ale_golay_encode(value));
    for (int i = 11; i >= 0; --i) body.push_back((value >> i) & 1);
  }
  ASSERT_EQ(body.size(), 588u);
  std::vector<int> expect;
  for (char c : std::string("HI"))
    for (int i = 6; i >= 0; --i) expect.push_back((c >> i) & 1);
  expect.resize(572, 1);
  EXPECT_EQ(std::vector<int>(body.begin(), body.begin() + 572), expect);
  int carried = 0;
  for (int i = 572; i < 588; ++i) carried = carried << 1 | body[static_cast<std::size_t>(i)];
  EXPECT_EQ(carried, static_cast<uint16_t>(~bit_crc(expect)));
}

TEST_F(MessageStationTest, DbmSizes) {
  struct Case {
    int header;
    int length;
    int dc;
    std::size_t groups;
  };
  for (const Case& c : std::vector<Case>{{kTextArq, 165, 2, 16}, {kTextArq, 81, 1015, 8}, {kKd4, 145, 2, 16},
                                         {kKd4, 71, 1016, 8}, {kTextArq, 0, 0, 0}}) {
    const Sent s = sent_by_transmit(block(c.header, std::string(static_cast<std::size_t>(c.length), 'A')));
    EXPECT_EQ(static_cast<int>(s.header & kDcMask), c.dc) << c.length;
    EXPECT_EQ(s.groups.size(), c.groups) << c.length;
  }
}

std::vector<RxWordRecord> dbm_records(const Sent& s, int lost) {
  RxWordRecord header;
  header.word = s.header;
  header.sinad = 10;
  std::vector<RxWordRecord> out{header};
  for (std::size_t g = 0; g < s.groups.size(); ++g) {
    RxWordRecord r;
    r.sinad = 10;
    r.vote_disagreements = 30;
    for (std::size_t i = 0; i < s.groups[g].size(); ++i)
      r.raw_bits[i] = static_cast<int>(g) == lost ? static_cast<uint8_t>(1 - s.groups[g][i]) : s.groups[g][i];
    out.push_back(r);
  }
  return out;
}

TEST_F(MessageStationTest, DbmReceiveRecoversALostGroupPerCopy) {
  const std::string text(165, 'M');
  const Sent s = sent_by_transmit(block(kTextArq, text));
  // Every bit of one group inverted: three bits of each code word (two data blocks: fewer).
  frame(dbm_records(s, 5));
  EXPECT_EQ(delivered(), text);
  EXPECT_EQ(answers(SECTION_DBM_ACK), (std::vector<int>{0}));
  EXPECT_EQ(ale_rx_dbm_mode(), 0);
  // A repeat is acknowledged and not delivered again.
  frame(dbm_records(s, 11));
  EXPECT_EQ(delivered(), "");
  EXPECT_EQ(answers(SECTION_DBM_ACK), (std::vector<int>{0}));
  // Binary: into the received data buffer.
  const Sent bin = sent_by_transmit(block(kKd4 | kKd1, "\x04hello"));
  frame(dbm_records(bin, 0));
  EXPECT_EQ(std::string(rx_parser_state().data.begin(), rx_parser_state().data.end()), "\x04hello");
}

TEST_F(MessageStationTest, DbmBadCopyIsAnsweredWithNak) {
  Sent s = sent_by_transmit(block(kTextArq, "HI"));
  std::vector<RxWordRecord> r = dbm_records(s, 2);
  for (int g : {3, 4}) r[static_cast<std::size_t>(g + 1)] = dbm_records(s, g)[static_cast<std::size_t>(g + 1)];
  frame(r);
  EXPECT_EQ(delivered(), "");
  EXPECT_EQ(answers(SECTION_DBM_ACK), (std::vector<int>{kKd4}));
}

TEST_F(MessageStationTest, DbmCollectionWithoutSignalIsAbandoned) {
  begin();
  feed({word(ALE_TO, "ABC"), kDbmHeaderWord | kTextArq | 445u});
  ASSERT_EQ(ale_rx_dbm_mode(), 1);
  RxWordRecord noise;
  noise.sinad = 1.3;
  for (int i = 0; i < kDbmQuietGroupsMax; ++i) ale_rx_word(noise);
  EXPECT_EQ(ale_rx_dbm_mode(), 0);
  EXPECT_NE(log_monitor_text().find("[DBM ERROR: NO SIGNAL AFTER 7 OF 3560 GROUPS, MESSAGE ABANDONED]"),
            std::string::npos)
      << log_monitor_text();
  // A collection cut off by a new frame says so.
  begin();
  feed({word(ALE_TO, "ABC"), kDbmHeaderWord | kTextArq | 2u});
  ASSERT_EQ(ale_rx_dbm_mode(), 1);
  ale_frame_event(EV_RX_FRAME_BEGIN);
  EXPECT_EQ(ale_rx_dbm_mode(), 0);
  EXPECT_NE(log_monitor_text().find("[DBM ERROR: MESSAGE CUT OFF AFTER 0 OF 16 GROUPS]"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
