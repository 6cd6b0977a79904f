// Cutting messages into blocks, the send queues and the sending side of ARQ.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ale/link/link_state.h"
#include "ale/messages/send_queue.h"
#include "tests/ale/messages/message_fixture.h"

namespace vesk::test {
namespace {

TEST(SendQueueSizes, MessagesAreCutToFitTheFrameTime) {
  using Cut = std::vector<int> (*)(int, int);
  struct Case {
    const char* what;
    Cut cut;
    int n, t;
    std::vector<int> blocks;
  };
  const std::vector<Case> cases = {
      {"DTM text 100, t 10", dtm_text_block_lengths, 100, 10, {9, 91}},
      {"DTM text 500, t 30", dtm_text_block_lengths, 500, 30, {228, 180, 92}},
      {"DTM text 93", dtm_text_block_lengths, 93, 10, {93}},
      {"DTM text 0", dtm_text_block_lengths, 0, 10, {0}},
      {"DTM binary 200, t 10", dtm_binary_block_lengths, 200, 10, {63, 63, 74}},
      {"DTM binary 1000, t 30", dtm_binary_block_lengths, 1000, 30, {189, 189, 189, 189, 189, 55}},
      {"DBM text 200", dbm_text_block_lengths, 200, 10, {165, 35}},
      {"DBM text 163", dbm_text_block_lengths, 163, 10, {81, 81, 1}},
      {"DBM binary 1000, t 10", dbm_binary_block_lengths, 1000, 10, {145, 145, 145, 145, 145, 145, 71, 59}},
      {"DBM binary 0", dbm_binary_block_lengths, 0, 10, {0}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.cut(c.n, c.t), c.blocks) << c.what;
}

class SendQueueTest : public MessageStationTest {
 protected:
  SendQueueTest() {
    dtm_dbm_queues_init();
    xfer_set_dest_address("B2");
  }
  // One send step; the blocks it handed to the link (the traffic sections are taken, as the
  // frame composer takes them).
  static std::vector<const MessageBlock*> step() {
    dtm_dbm_send_next();
    std::vector<const MessageBlock*> out;
    LockedQueue* q = frame_sections().queues[SECTIONS_TRAFFIC];
    while (auto* s = static_cast<FrameSection*>(queue_pop(q))) {
      out.push_back(static_cast<const MessageBlock*>(s->block));
      delete s;
    }
    return out;
  }
  static int lines(const std::string& piece) {
    const std::string t = log_monitor_text();
    int n = 0;
    for (std::size_t at = t.find(piece); at != std::string::npos; at = t.find(piece, at + 1)) ++n;
    return n;
  }
  static int queue_text(const std::string& text) {
    return dtm_queue_text(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()));
  }
};

TEST_F(SendQueueTest, UnansweredBlockIsHandedThirtyTimesThenFails) {
  queue_text("HELLO");
  queue_text("AGAIN");
  int handed = 0;
  for (int i = 0; i < 40 && lines("[DTM FAIL]") == 0; ++i) handed += static_cast<int>(step().size());
  EXPECT_EQ(handed, 30);
  EXPECT_EQ(lines("[DTM FAIL]"), 1);
  EXPECT_EQ(send_queue_count(SEND_DTM_TEXT), 0);  // the message after it went too
  EXPECT_TRUE(step().empty());
}

TEST_F(SendQueueTest, OnlyTheMatchingAckReleasesTheBlock) {
  queue_text(std::string(100, 'A'));  // two blocks: KD1 0, then KD1 1
  const auto first = step();
  ASSERT_EQ(first.size(), 1u);
  const int toggles = first[0]->header & kKdToggles;
  dtm_ack_received(toggles);
  const auto second = step();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0]->header & kKd1, toggles & kKd1);
  // A late ACK of the first block, and a NAK of the second, change nothing.
  dtm_ack_received(toggles);
  dtm_ack_received((second[0]->header & kKdToggles) | kKd4);
  EXPECT_EQ(lines("[MSG SENT]"), 0);
  EXPECT_EQ(step().size(), 1u);  // repeated
  dtm_ack_received(second[0]->header & kKdToggles);
  EXPECT_EQ(lines("[MSG SENT][B2             ]"), 1);
  EXPECT_TRUE(step().empty());
}

TEST_F(SendQueueTest, AFullQueueRefusesTheWholeMessage) {
  for (int i = 0; i < 98; ++i) queue_text("X");
  const std::string three_blocks(250, 'Y');
  const int blocks = static_cast<int>(dtm_text_block_lengths(250, db_get_dtm_max_frame_time()).size());
  ASSERT_GT(blocks, 2);
  EXPECT_EQ(queue_text(three_blocks), -1);
  EXPECT_EQ(send_queue_count(SEND_DTM_TEXT), 98);
  EXPECT_EQ(lines("[DATA ERROR: MESSAGE OF " + std::to_string(blocks) + " BLOCKS REFUSED, 2 SEND QUEUE ENTRIES FREE]"), 1);
  // The refused message changed no toggle: the next block follows the 98th.
  EXPECT_EQ(queue_text("Z"), 1);  // one entry left free: nearly full
  EXPECT_EQ(send_queue_state().block_toggle[SEND_DTM_TEXT], 1);
  EXPECT_EQ(send_queue_state().message_toggle[SEND_DTM_TEXT], 1);
}

TEST_F(SendQueueTest, BroadcastBlocksAreReleasedAfterSending) {
  db_set_dbm_broadcast();
  const std::string text(200, 'B');  // 165 + 35
  dbm_queue_text(reinterpret_cast<const uint8_t*>(text.data()), 200);
  EXPECT_EQ(step().size(), 1u);
  EXPECT_EQ(step().size(), 0u);  // released, nothing else sent in the same step
  EXPECT_EQ(step().size(), 1u);
  EXPECT_EQ(lines("[MSG SENT]"), 0);
  EXPECT_EQ(step().size(), 0u);
  EXPECT_EQ(lines("[MSG SENT][B2             ]"), 1);
}

TEST_F(SendQueueTest, ReturnToScanCountsTheDroppedBlocks) {
  queue_text(std::string(100, 'A'));
  queue_text("B");
  (void)step();
  ale_return_to_scan();
  EXPECT_EQ(lines("[DATA: 3 UNSENT MESSAGE BLOCKS DROPPED ON RETURN TO SCAN]"), 1) << log_monitor_text();
  EXPECT_EQ(send_queue_count(SEND_DTM_TEXT), 0);
}

}  // namespace
}  // namespace vesk::test
