// The serial-tone transmit worker: its thread, its bounded block queue and the audio thread's
// pops (also run under the thread sanitizer).
#include "modem/serial_tone/m110_tx_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace vesk {
namespace {

struct WorkerFixture : ::testing::Test {
  std::atomic<int> starts{0}, ends{0};
  M110TxWorkerConfig config() {
    M110TxWorkerConfig c;
    c.max_blocks = 3;
    c.status = [this](M110Status s, float) {
      if (s == M110Status::TxStart) ++starts;
      if (s == M110Status::TxEnd) ++ends;
    };
    return c;
  }
};

// The worker never holds more than its bounded number of blocks, hands out every sample of
// every message in order (the last block filled up with silence), keeps the mode while a
// message is on the air and reports start and end once per message.
TEST_F(WorkerFixture, BoundedQueueDeliversWholeMessagesInOrder) {
  M110TxWorker worker(config());
  ASSERT_TRUE(worker.set_tx_mode(6));
  const std::vector<uint8_t> one(200, 0x5A), two(3, 0x11);
  ASSERT_TRUE(worker.send(one.data(), one.size()));
  EXPECT_FALSE(worker.set_tx_mode(10));  // refused while a message is queued or on the air
  ASSERT_TRUE(worker.send(two.data(), two.size()));
  EXPECT_FALSE(worker.send(nullptr, 0));

  M110Transmitter reference;
  reference.set_mode(6);
  std::vector<float> want = reference.send(one.data(), one.size());
  want.resize((want.size() + 3999) / 4000 * 4000, 0.0f);
  std::vector<float> second = reference.send(two.data(), two.size());
  second.resize((second.size() + 3999) / 4000 * 4000, 0.0f);
  want.insert(want.end(), second.begin(), second.end());

  std::vector<float> got, block(4000);
  for (int spins = 0; got.size() < want.size() && spins < 200000; ++spins) {
    if (worker.pop_block(block.data())) got.insert(got.end(), block.begin(), block.end());
    else std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ASSERT_TRUE(worker.wait_idle(5000));
  EXPECT_EQ(got, want);
  EXPECT_FALSE(worker.pop_block(block.data()));
  EXPECT_EQ(starts.load(), 2);
  EXPECT_EQ(ends.load(), 2 + 1);  // and one for the mode set
  EXPECT_TRUE(worker.select_tx_mode("2400S"));
  EXPECT_EQ(worker.tx_mode(), 10);
  EXPECT_FALSE(worker.select_tx_mode("2400s"));
  EXPECT_EQ(worker.tx_mode(), 10);
}

TEST_F(WorkerFixture, ALongMessageWaitsForTheSoundCard) {
  M110TxWorker worker(config());
  worker.set_tx_mode(0);  // 75 bit/s: a long message is hours of samples
  const std::vector<uint8_t> big(20000, 0xFF);
  ASSERT_TRUE(worker.send(big.data(), big.size()));
  for (int i = 0; i < 5000 && worker.queued_blocks() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(worker.queued_blocks(), 3);  // and no more: the worker waits for the card
  std::vector<float> block(4000);
  EXPECT_TRUE(worker.pop_block(block.data()));
  for (int i = 0; i < 5000 && worker.queued_blocks() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(worker.queued_blocks(), 3);
  EXPECT_TRUE(worker.busy());
  // The object ends the thread without making the rest.
}

// Messages queued each in a mode of its own (behind one on the air) keep it; waiting pops hand
// out every block of every message without a gap, each marked first and last of its message,
// and return at once when nothing is queued.
TEST_F(WorkerFixture, EachMessageKeepsItsOwnModeAndItsBlocksAreMarked) {
  M110TxWorker worker(config());
  const std::vector<uint8_t> one(40, 0x33), two(40, 0x44);
  const struct {
    const std::vector<uint8_t>* bytes;
    int mode;
  } sent[] = {{&one, 6}, {&two, 10}, {&one, 2}};
  for (const auto& m : sent) ASSERT_TRUE(worker.send(m.bytes->data(), m.bytes->size(), m.mode));
  EXPECT_FALSE(worker.send(one.data(), one.size(), 14));
  std::vector<float> block(4000);
  M110TxWorker::BlockInfo info;
  M110Transmitter reference;  // one, as in the worker: the carrier runs on from message to message
  for (const auto& m : sent) {
    reference.set_mode(m.mode);
    std::vector<float> want = reference.send(m.bytes->data(), m.bytes->size());
    want.resize((want.size() + 3999) / 4000 * 4000, 0.0f);
    std::vector<float> got;
    for (std::size_t b = 0; b < want.size() / 4000; ++b) {
      ASSERT_TRUE(worker.pop_block(block.data(), &info, true)) << m.mode << " block " << b;
      EXPECT_EQ(info.mode, m.mode);
      EXPECT_EQ(info.first, b == 0);
      EXPECT_EQ(info.last, b + 1 == want.size() / 4000);
      got.insert(got.end(), block.begin(), block.end());
    }
    EXPECT_EQ(got, want) << m.mode;
  }
  EXPECT_FALSE(worker.pop_block(block.data(), &info, true));
  ASSERT_TRUE(worker.wait_idle(5000));
  EXPECT_EQ(ends.load(), 3);
}

}  // namespace
}  // namespace vesk
