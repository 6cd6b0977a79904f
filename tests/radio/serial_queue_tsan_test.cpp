// Concurrent senders on one paced queue while the worker moves it on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(SerialQueueConcurrency, EveryAcceptedMessageIsWrittenOnceInEachSendersOrder) {
  constexpr int kThreads = 4, kPerThread = 10000;
  test::TempDir dir;
  Station station(dir.path());
  StationScope scope(station);
  auto fake = FakeSerialBackend::install();
  serial_control(SERIAL_ROLE_RADIO).set_port_number(1);
  ASSERT_EQ(serial_control(SERIAL_ROLE_RADIO).open(), 0);

  std::atomic<int> senders_left{kThreads};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      StationScope s(station);
      for (int i = 0; i < kPerThread; ++i) {
        char m[32];
        const int n = std::snprintf(m, sizeof m, "%d:%05d;", t, i);
        // A refused send (queue full) is retried until it is taken.
        while (radio_send(reinterpret_cast<const uint8_t*>(m), n) != 0) std::this_thread::yield();
      }
      --senders_left;
    });
  // The worker: answers move the queue on, and the input poll runs meanwhile.
  std::thread worker([&] {
    StationScope s(station);
    while (senders_left.load() > 0 || serial_queue_count(SQ_RADIO) > 0) {
      if (serial_queue_count(SQ_RADIO) > 0) radio_send_ack();
      else std::this_thread::yield();
      port_poll_input();
    }
  });
  for (auto& th : threads) th.join();
  worker.join();

  std::vector<int> next(kThreads, 0);
  int total = 0;
  for (const auto& [t_ms, bytes] : fake->writes(1)) {
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(bytes.c_str(), "%d:%d;", &t, &i), 2) << bytes;
    ASSERT_TRUE(t >= 0 && t < kThreads) << bytes;
    ASSERT_EQ(i, next[static_cast<std::size_t>(t)]) << "thread " << t << " out of order or repeated";
    ++next[static_cast<std::size_t>(t)];
    ++total;
  }
  EXPECT_EQ(total, kThreads * kPerThread);
}

}  // namespace
}  // namespace vesk
