#include "datalink/fs1052_runner.h"

#include <chrono>
#include <utility>
#include <vector>

namespace vesk {

void Fs1052Runner::post(Op op) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(op));
  }
  cv_.notify_one();
}

void Fs1052Runner::post_bytes(const uint8_t* bytes, std::size_t count) {
  std::vector<uint8_t> copy(bytes, bytes + count);
  post([copy = std::move(copy)](Fs1052Link& link) {
    for (uint8_t b : copy) link.rx_byte(b);
  });
}

void Fs1052Runner::post_tick() {
  post([](Fs1052Link& link) { link.timer_tick(); });
}

void Fs1052Runner::post_tx_complete() {
  post([](Fs1052Link& link) { link.tx_complete(); });
}

int Fs1052Runner::run_pending() {
  int ran = 0;
  for (;;) {
    Op op;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (queue_.empty()) return ran;
      op = std::move(queue_.front());
      queue_.pop_front();
    }
    op(link_);
    ++ran;
  }
}

std::size_t Fs1052Runner::pending() {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}

void Fs1052Runner::start(Station& s) {
  thread_.start(s, "fs1052-link", [this] {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return !queue_.empty(); });
    }
    run_pending();
  });
}

void Fs1052Runner::stop() {
  if (!thread_.running()) return;
  thread_.request_stop();
  cv_.notify_all();
  thread_.stop();
}

}  // namespace vesk
