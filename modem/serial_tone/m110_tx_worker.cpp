// Serial-tone transmit worker.
#include "modem/serial_tone/m110_tx_worker.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace vesk {

M110TxWorker::M110TxWorker(M110TxWorkerConfig config) : config_(std::move(config)) {
  config_.block_samples = std::max(1, config_.block_samples);
  config_.max_blocks = std::max(1, config_.max_blocks);
  config_.max_messages = std::max(1, config_.max_messages);
  ring_.assign(static_cast<std::size_t>(config_.block_samples) * config_.max_blocks, 0.0f);
  ring_info_.assign(static_cast<std::size_t>(config_.max_blocks), BlockInfo{});
  filling_.reserve(static_cast<std::size_t>(config_.block_samples));
  tx_.set_mode(mode_.load());
  thread_ = std::thread([this] { run(); });
}

M110TxWorker::~M110TxWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool M110TxWorker::set_tx_mode(int mode) {
  if (!m110_mode_valid(mode)) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (on_air_ || !messages_.empty()) return false;
    mode_.store(mode);
  }
  if (config_.status) config_.status(M110Status::TxEnd, 0);
  return true;
}

bool M110TxWorker::select_tx_mode(const std::string& name) {
  const int mode = m110_mode_from_name(name);
  return mode >= 0 && set_tx_mode(mode);
}

bool M110TxWorker::send(const uint8_t* data, std::size_t length) { return send(data, length, mode_.load()); }

bool M110TxWorker::send(const uint8_t* data, std::size_t length, int mode) {
  if (length == 0 || data == nullptr || length > config_.max_message_bytes || !m110_mode_valid(mode)) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (static_cast<int>(messages_.size()) >= config_.max_messages) return false;
    messages_.emplace_back(mode, std::vector<uint8_t>(data, data + length));
  }
  wake_.notify_all();
  return true;
}

bool M110TxWorker::pop_block(float* dst) { return pop_block(dst, nullptr, false); }

bool M110TxWorker::pop_block(float* dst, BlockInfo* info, bool wait) {
  if (!enabled_.load()) return false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    // A message whose last block has been taken (on the air, waiting only for the ring to
    // empty) has no block to wait for.
    if (wait)
      wake_.wait(lock, [this] { return stop_ || ring_count_ > 0 || (messages_.empty() && !shaping_); });
    if (ring_count_ == 0) return false;
    const std::size_t n = static_cast<std::size_t>(config_.block_samples);
    std::memcpy(dst, &ring_[static_cast<std::size_t>(ring_head_) * n], n * sizeof(float));
    if (info != nullptr) *info = ring_info_[static_cast<std::size_t>(ring_head_)];
    ring_head_ = (ring_head_ + 1) % config_.max_blocks;
    --ring_count_;
  }
  wake_.notify_all();
  return true;
}

bool M110TxWorker::busy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return on_air_ || !messages_.empty();
}

int M110TxWorker::queued_blocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ring_count_;
}

bool M110TxWorker::wait_idle(int timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                        [this] { return !on_air_ && messages_.empty(); });
}

// Waits for a free place in the ring and puts the filled block there. False when stopping.
bool M110TxWorker::push_block(bool last) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    wake_.wait(lock, [this] { return stop_ || ring_count_ < config_.max_blocks; });
    if (stop_) return false;
    const std::size_t n = static_cast<std::size_t>(config_.block_samples);
    const int tail = (ring_head_ + ring_count_) % config_.max_blocks;
    std::memcpy(&ring_[static_cast<std::size_t>(tail) * n], filling_.data(), n * sizeof(float));
    filling_info_.last = last;
    ring_info_[static_cast<std::size_t>(tail)] = filling_info_;
    ++ring_count_;
    if (last) shaping_ = false;
  }
  wake_.notify_all();
  filling_.clear();
  filling_info_.first = false;
  return true;
}

bool M110TxWorker::emit(const float* samples, int count) {
  const std::size_t n = static_cast<std::size_t>(config_.block_samples);
  for (int i = 0; i < count;) {
    // A full block goes out only once more samples follow, so that the message's last block
    // is known to be the last when it is handed over.
    if (filling_.size() == n && !push_block(false)) return false;
    const std::size_t take = std::min(n - filling_.size(), static_cast<std::size_t>(count - i));
    filling_.insert(filling_.end(), samples + i, samples + i + take);
    i += static_cast<int>(take);
  }
  return true;
}

void M110TxWorker::run() {
  for (;;) {
    std::pair<int, std::vector<uint8_t>> message;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || !messages_.empty(); });
      if (stop_) return;
      message = std::move(messages_.front());
      messages_.pop_front();
      on_air_ = true;
      shaping_ = true;
    }
    filling_info_ = BlockInfo{true, false, message.first};
    if (config_.status) config_.status(M110Status::TxStart, 0);
    tx_.set_mode(message.first);
    // The carrier follows the settings chunk by chunk.
    auto sink = [this](const float* s, int n) {
      if (config_.carrier_step) tx_.set_carrier_step(config_.carrier_step());
      return emit(s, n);
    };
    if (config_.carrier_step) tx_.set_carrier_step(config_.carrier_step());
    if (!tx_.send(message.second.data(), message.second.size(), sink)) return;
    // The last, partly filled block goes out with this message, filled up with silence.
    filling_.resize(static_cast<std::size_t>(config_.block_samples), 0.0f);
    if (!push_block(true)) return;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stop_ || ring_count_ == 0; });
      if (stop_) return;
    }
    if (config_.status) config_.status(M110Status::TxEnd, 0);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      on_air_ = false;
    }
    idle_.notify_all();
  }
}

}  // namespace vesk
