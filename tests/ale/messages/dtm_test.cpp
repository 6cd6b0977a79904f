// DTM data messages: the words a block is sent as, and the receive half through the parser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ale/messages/message_fixture.h"

namespace vesk::test {
namespace {

constexpr int kDtmTextArq = kKd4 | kKd3;

struct TxCase {
  int header;
  std::string data;
  int dc;
  int words;
};

TEST_F(MessageStationTest, DtmBlockWords) {
  const std::vector<TxCase> cases = {
      {kDtmTextArq, "ABCD", 546, 4},
      {kDtmTextArq, std::string(93, 'Q'), 1023, 33},
      {kDtmTextArq, std::string(96, 'Q'), 32, 34},  // extended: 32 full words
      {kKd4, std::string(1, '\xA5'), 577, 3},
      {kKd4, std::string(84, 'x'), 32, 34},      // extended binary: 32 words of 21 bits
      {kDtmTextArq, "", 0, 1},
  };
  for (const TxCase& c : cases) {
    const std::vector<AleWord> w = dtm_words(block(c.header, c.data));
    ASSERT_EQ(static_cast<int>(w.size()), c.words) << c.data.size();
    EXPECT_EQ(static_cast<int>(w[0] & kDcMask), c.dc) << c.data.size();
    EXPECT_EQ(w[0] & ~static_cast<AleWord>(kDcMask), kDtmHeaderWord | static_cast<AleWord>(c.header));
    if (c.words > 1) {
      EXPECT_TRUE(ale_is_check_word(w.back()));
    }
  }
  const std::vector<AleWord> abcd = dtm_words(block(kDtmTextArq, "ABCD"));
  EXPECT_EQ(abcd[1], ale_make_word(ALE_DATA, 'A', 'B', 'C'));
  EXPECT_EQ(abcd[2], ale_make_word(ALE_REP, 'D', 127, 127));
  // One byte: its 8 bits, then 13 one bits.
  const std::vector<AleWord> byte = dtm_words(block(kKd4, std::string(1, '\xA5')));
  EXPECT_EQ(byte[1], static_cast<AleWord>(0xA5u << 13 | 0x1FFFu));
}

TEST_F(MessageStationTest, DtmReceiveDeliversAcknowledgesAndDropsRepeats) {
  const std::vector<AleWord> first = dtm_words(block(kDtmTextArq, "ABCD"));
  frame(records(first));
  EXPECT_EQ(delivered(), "ABCD");
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{0}));
  // The same block again (its ACK was lost): acknowledged again, not delivered again.
  frame(records(first));
  EXPECT_EQ(delivered(), "");
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{0}));
  // The next block (block toggle flipped) is new.
  frame(records(dtm_words(block(kDtmTextArq | kKd1, "EFG"))));
  EXPECT_EQ(delivered(), "EFG");
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{kKd1}));
  // Binary data goes to the received data buffer.
  frame(records(dtm_words(block(kKd4, "\x01\x02\x03"))));
  EXPECT_EQ(rx_parser_state().data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{0}));
}

// The block and message toggles of binary blocks: blocks of one message gather in the received
// data buffer, a repeat adds nothing, a new message or a null block hands the last one on.
TEST_F(MessageStationTest, DtmBinaryMessagesFollowTheBlockAndMessageToggles) {
  struct Step {
    int header;
    std::string data;
    std::vector<uint8_t> buffered;  // the received data buffer afterwards
  };
  const std::vector<Step> steps = {
      {kKd4, "\x01", {1}},
      {kKd4 | kKd1, "\x02", {1, 2}},          // the next block of the message
      {kKd4 | kKd1, "\x02", {1, 2}},          // its repeat
      {kKd4 | kKd2, "\x03", {3}},             // a new message: the last one was handed on
      {kKd4 | kKd2 | kKd1, "", {}},            // a null block ends the message
      {kKd4, "\x04", {4}},                    // after it, both toggles turned
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    frame(records(dtm_words(block(steps[i].header, steps[i].data))));
    answers(SECTION_DTM_CONTROL);
    EXPECT_EQ(rx_parser_state().data, steps[i].buffered) << "step " << i;
  }
}

TEST_F(MessageStationTest, DtmBasicHeaderWithoutDataWordsDeliversNothing) {
  for (int dc : {384, 416, 992}) {
    frame(records({kDtmHeaderWord | kDtmTextArq | static_cast<AleWord>(dc), word(ALE_CMD, "x\0\0")}));
    EXPECT_EQ(delivered(), "") << dc;
    EXPECT_TRUE(answers(SECTION_DTM_CONTROL).empty()) << dc;
  }
}

// A copy of the block's words with word `at` damaged (wrong bits, a poor vote).
std::vector<RxWordRecord> damaged(const std::vector<AleWord>& words, int at) {
  std::vector<RxWordRecord> out;
  for (std::size_t i = 0; i < words.size(); ++i) {
    RxWordRecord r;
    r.word = words[i];
    r.sinad = 10;
    if (static_cast<int>(i) == at) {
      r.word ^= 0x4081;
      r.vote_disagreements = 20;
    }
    out.push_back(r);
  }
  return out;
}

TEST_F(MessageStationTest, DtmDamagedCopiesMergeIntoTheBlock) {
  const std::vector<AleWord> w = dtm_words(block(kDtmTextArq, "HELLO THERE"));
  frame(damaged(w, 1));
  EXPECT_EQ(delivered(), "");
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{kKd4}));  // NAK
  frame(damaged(w, 3));
  EXPECT_EQ(delivered(), "HELLO THERE");
  EXPECT_EQ(answers(SECTION_DTM_CONTROL), (std::vector<int>{0}));
}

TEST_F(MessageStationTest, DtmMergeTakesOnlyWordsOfTheFrame) {
  const std::vector<AleWord> w = dtm_words(block(kDtmTextArq, "ABCDEFGHI"));  // header, 3 words, check
  frame(damaged(w, 3));
  (void)answers(SECTION_DTM_CONTROL);
  // A copy that lost its third data word: what it did not store must not enter the best copy
  // (its check word would sit in the third word's place).
  std::vector<RxWordRecord> short_copy = records(w);
  short_copy.erase(short_copy.begin() + 3);
  frame(short_copy);
  EXPECT_EQ(delivered(), "");
  (void)answers(SECTION_DTM_CONTROL);
  frame(damaged(w, 1));
  EXPECT_EQ(delivered(), "ABCDEFGHI");
}

TEST_F(MessageStationTest, DtmAcknowledgementWords) {
  std::array<AleWord, 2> out{};
  ASSERT_EQ(dtm_build_ack(kKd4 | kKd1, out), 1);
  EXPECT_EQ(out[0] & kAleWordBits, kDtmHeaderWord | static_cast<AleWord>(kKd4 | kKd1 | kDtmAckDc));
}

}  // namespace
}  // namespace vesk::test
