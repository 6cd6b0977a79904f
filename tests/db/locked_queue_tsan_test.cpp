// Several producers and consumers on one queue: every item is taken exactly once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "db/locked_queue.h"

namespace vesk {
namespace {

TEST(LockedQueueConcurrency, EveryItemTakenExactlyOnce) {
  constexpr int kProducers = 4, kConsumers = 4, kPerProducer = 20000;
  constexpr int kTotal = kProducers * kPerProducer;
  LockedQueue* q = queue_create(64);
  std::vector<std::atomic<int>> taken(kTotal);
  std::atomic<int> consumed{0};
  std::vector<std::thread> threads;
  for (int p = 0; p < kProducers; ++p) {
    threads.emplace_back([&, p] {
      for (int i = 0; i < kPerProducer; ++i) {
        auto* rec = new int(p * kPerProducer + i);
        while (queue_push(q, rec) == nullptr) std::this_thread::yield();
      }
    });
  }
  for (int c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&] {
      while (consumed.load() < kTotal) {
        auto* rec = static_cast<int*>(queue_pop(q));
        if (rec == nullptr) {
          std::this_thread::yield();
          continue;
        }
        taken[*rec].fetch_add(1);
        delete rec;
        consumed.fetch_add(1);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(queue_count(q), 0);
  int wrong = 0;
  for (auto& t : taken) wrong += t.load() != 1;
  EXPECT_EQ(wrong, 0);
  queue_destroy(q);
}

}  // namespace
}  // namespace vesk
