// The serial-tone modem's transmit worker: one thread for the life of the object, a queue of
// messages (each an owned copy of its bytes and the mode it was sent in), and a bounded queue
// of finished sample blocks that the sound card's audio thread empties.
//
// The worker shapes a message's samples ahead of time and waits whenever the block queue is
// full, so a long message never holds more than `max_blocks` blocks. It reports the start of a
// message before its first block and its end once the audio thread has taken the last block
// (the final block is filled up with zero samples so that nothing of the message waits for the
// next one).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "modem/serial_tone/m110_status.h"
#include "modem/serial_tone/m110_tx.h"

namespace vesk {

struct M110TxWorkerConfig {
  int block_samples = 4000;   // samples per block handed to the sound card
  int max_blocks = 8;         // finished blocks held at most (3.3 s of 4,000-sample blocks)
  int max_messages = 16;      // messages waiting at most
  std::size_t max_message_bytes = 1 << 20;
  // Carrier step read before every 200 ms chunk; none: 1,800 Hz.
  std::function<float()> carrier_step;
  M110StatusFn status;        // TxStart, TxEnd; called on the worker thread
};

class M110TxWorker {
 public:
  explicit M110TxWorker(M110TxWorkerConfig config);
  ~M110TxWorker();  // ends the thread; queued messages are dropped
  M110TxWorker(const M110TxWorker&) = delete;
  M110TxWorker& operator=(const M110TxWorker&) = delete;

  // The mode of the next message. Refused (false, nothing changes) while a message waits or
  // is on the air, so a running transmission keeps its mode; reports TxEnd when taken.
  bool set_tx_mode(int mode);
  // The same by short name ("600S"); an exact match only.
  bool select_tx_mode(const std::string& name);
  int tx_mode() const { return mode_.load(); }

  // Queues a copy of the message in the current mode. False when the message is empty, longer
  // than max_message_bytes, or max_messages already wait.
  bool send(const uint8_t* data, std::size_t length);
  // The same in a mode of its own (0-13), whatever waits or is on the air: each message keeps
  // the mode it was queued in. False also for a mode outside 0-13.
  bool send(const uint8_t* data, std::size_t length, int mode);

  // Audio thread: copies the oldest finished block (block_samples floats) into `dst` and
  // frees its place. False when no block is ready or transmitting is disabled.
  bool pop_block(float* dst);
  // Where a block stands in its message.
  struct BlockInfo {
    bool first = false;  // the message's first block
    bool last = false;   // its last block (nothing of the message follows)
    int mode = 0;        // the message's mode
  };
  // The same, with the block's place in its message; with `wait`, while a message waits or is
  // being shaped and no block is ready, waits for its next block (a harness on simulated time
  // gets the same blocks whatever the worker thread's pace).
  bool pop_block(float* dst, BlockInfo* info, bool wait);
  void set_enabled(bool on) { enabled_.store(on); }
  // True from send() until the last block of the last message has been taken.
  bool busy() const;
  // Waits until no message waits or is on the air; false on timeout.
  bool wait_idle(int timeout_ms);
  int block_samples() const { return config_.block_samples; }
  int queued_blocks() const;

 private:
  void run();
  bool emit(const float* samples, int count);  // false when stopping
  bool push_block(bool last);

  M110TxWorkerConfig config_;
  M110Transmitter tx_;
  std::atomic<int> mode_{0};
  std::atomic<bool> enabled_{true};

  mutable std::mutex mutex_;
  std::condition_variable wake_;      // worker: a message arrived, or a block was taken, or stop
  std::condition_variable idle_;      // waiters of wait_idle
  std::deque<std::pair<int, std::vector<uint8_t>>> messages_;
  bool on_air_ = false;
  bool shaping_ = false;  // a message is taken and its last block not yet handed over
  bool stop_ = false;
  // Block ring: max_blocks blocks of block_samples floats, allocated once.
  std::vector<float> ring_;
  std::vector<BlockInfo> ring_info_;
  int ring_head_ = 0, ring_count_ = 0;
  std::vector<float> filling_;  // worker only
  BlockInfo filling_info_;      // worker only: the place of the block being filled
  std::thread thread_;
};

}  // namespace vesk
