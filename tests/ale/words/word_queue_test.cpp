#include "ale/words/word_queue.h"

#include <gtest/gtest.h>

#include <vector>

#include "ale/words/word_events.h"
#include "tests/ale/word_fixture.h"

namespace vesk::test {
namespace {

std::vector<int> encode(AleWord word) {
  uint8_t s[ALE_WORD_SYMBOLS];
  ale_encode_word_symbols(word, s);
  return std::vector<int>(s, s + ALE_WORD_SYMBOLS);
}

TEST(WordEncode, KnownVectors) {
  // Word 0: the inverted check bits of the second code word are all ones.
  EXPECT_EQ(encode(0), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 2, 5, 2, 5, 2, 5, 2, 5,
                                         0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 5, 2, 5, 2, 5, 2, 4,
                                         0, 0, 0, 0, 0, 0, 0, 0, 5, 2, 5, 2, 5, 2, 5, 2}));
  EXPECT_EQ(encode(ale_make_word(2, 'A', 'B', 'C')),
            (std::vector<int>{1, 0, 6, 1, 0, 0, 5, 5, 6, 3, 3, 4, 7, 1, 7, 6, 0, 4, 3, 0, 4, 0, 2, 6, 7,
                              1, 5, 6, 3, 4, 7, 7, 0, 2, 1, 4, 2, 0, 1, 3, 3, 4, 6, 7, 1, 6, 3, 7, 4}));
}

using WordTxQueue = WordStationTest;

TEST_F(WordTxQueue, ReaderPlaysBlocksInOrderThenGoesIdle) {
  EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_IDLE);
  EXPECT_EQ(ale_tx_next_symbol(), ALE_TX_IDLE);
  ASSERT_EQ(ale_tx_word(0), 1);
  ASSERT_EQ(ale_tx_word(ale_make_word(2, 'A', 'B', 'C')), 1);
  EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_SENDING);
  std::vector<int> played;
  for (int i = 0; i < 2 * ALE_WORD_SYMBOLS; ++i) {
    played.push_back(ale_tx_next_symbol());
    if (i == ALE_WORD_SYMBOLS - 1) {
      EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_SENDING);  // the second block waits
    }
  }
  std::vector<int> expected = encode(0);
  std::vector<int> abc = encode(ale_make_word(2, 'A', 'B', 'C'));
  expected.insert(expected.end(), abc.begin(), abc.end());
  EXPECT_EQ(played, expected);
  // The last symbol is out: nothing waits, though the block is only freed by the next call.
  EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_IDLE);
  EXPECT_EQ(ale_tx_next_symbol(), ALE_TX_IDLE);
  EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_IDLE);
}

TEST_F(WordTxQueue, QueuedTimeCountsWhatIsLeft) {
  EXPECT_EQ(ale_tx_queued_ms(), 0);
  ale_tx_word(0);
  EXPECT_EQ(ale_tx_queued_ms(), 392);
  ale_tx_word(0);
  EXPECT_EQ(ale_tx_queued_ms(), 784);
  for (int i = 0; i < 10; ++i) ale_tx_next_symbol();
  // 39 symbols of the first block and the whole second one.
  EXPECT_EQ(ale_tx_queued_ms(), 39 * 8 + 392);
}

TEST_F(WordTxQueue, FlushKeepsTheBlockBeingPlayed) {
  for (int i = 0; i < 5; ++i) ale_tx_word(ale_make_word(2, 'A', 'B', 'C'));
  const std::vector<int> abc = encode(ale_make_word(2, 'A', 'B', 'C'));
  for (int i = 0; i < 20; ++i) ale_tx_next_symbol();
  ale_tx_flush();
  EXPECT_EQ(queue_count(word_queue_state().tx_queue), 1);
  for (int i = 20; i < ALE_WORD_SYMBOLS; ++i) EXPECT_EQ(ale_tx_next_symbol(), abc[i]);
  EXPECT_EQ(ale_tx_next_symbol(), ALE_TX_IDLE);
  // Flushing an idle queue empties it.
  ale_tx_word(0);
  ale_tx_flush();
  EXPECT_EQ(ale_tx_symbols_pending(), ALE_TX_IDLE);
}

TEST_F(WordTxQueue, FullQueueDropsTheNewWord) {
  ale_word_io_init(ALE_EVENT_QUEUE_SIZE, 3);
  EXPECT_EQ(ale_tx_word(0), 1);
  EXPECT_EQ(ale_tx_word(0), 1);
  EXPECT_EQ(ale_tx_word(0), 1);
  EXPECT_EQ(ale_tx_word(0), 0);
  EXPECT_EQ(ale_tx_queued_ms(), 3 * 392);
}

TEST_F(WordTxQueue, SpecialBlocks) {
  db_set_atu_tune_words(2);
  EXPECT_EQ(ale_tx_lead_blocks(), 2);
  EXPECT_EQ(ale_tx_burst_marker(), 1);
  std::vector<uint8_t> bits(ALE_WORD_BITS);
  for (int i = 0; i < ALE_WORD_BITS; ++i) bits[i] = (i % 3 == 0) ? 1 : 0;  // 100 per symbol
  EXPECT_EQ(ale_tx_raw_bits(bits.data()), 1);
  for (int i = 0; i < 2 * ALE_WORD_SYMBOLS; ++i) EXPECT_EQ(ale_tx_next_symbol(), ALE_TUNE_SYMBOL);
  for (int i = 0; i < ALE_WORD_SYMBOLS; ++i) EXPECT_EQ(ale_tx_next_symbol(), ALE_BURST_SYMBOL);
  for (int i = 0; i < ALE_WORD_SYMBOLS; ++i) EXPECT_EQ(ale_tx_next_symbol(), 4);
}

using EngineEvents = WordStationTest;

TEST_F(EngineEvents, QueuedByValueAndBounded) {
  RxWordRecord r;
  for (int i = 0; i < ALE_EVENT_QUEUE_SIZE; ++i) {
    r.word = i;
    r.raw_bits[0] = static_cast<uint8_t>(i);
    EXPECT_EQ(ale_rx_post_word(r), 1);
  }
  EXPECT_EQ(ale_post_tx_underrun(), 0);  // full: dropped, nothing overwritten
  EngineEvent first;
  ASSERT_TRUE(ale_engine_event_pop(&first));
  // The worker's copy stays intact while producers refill the freed place.
  r.word = 99;
  EXPECT_EQ(ale_rx_post_word(r), 1);
  EXPECT_EQ(first.event, EV_ALE_WORD);
  EXPECT_EQ(first.record.word, 0);
  for (int i = 1; i < ALE_EVENT_QUEUE_SIZE; ++i) {
    EngineEvent e;
    ASSERT_TRUE(ale_engine_event_pop(&e));
    EXPECT_EQ(e.record.word, i);
    EXPECT_EQ(e.record.raw_bits[0], i);
  }
  EngineEvent last;
  ASSERT_TRUE(ale_engine_event_pop(&last));
  EXPECT_EQ(last.record.word, 99);
  EXPECT_FALSE(ale_engine_event_pop(&last));
  EXPECT_EQ(ale_post_tx_underrun(), 1);
  ASSERT_TRUE(ale_engine_event_pop(&last));
  EXPECT_EQ(last.event, EV_ALE_TX_UNDERUN);
}

}  // namespace
}  // namespace vesk::test
