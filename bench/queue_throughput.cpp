// Push/pop throughput of one LockedQueue between one producer and one consumer thread.
#include <chrono>
#include <cstdio>
#include <thread>

#include "db/locked_queue.h"

int main() {
  using namespace vesk;
  constexpr int kItems = 2000000;
  for (int capacity : {20, 256, 2000}) {
    LockedQueue* q = queue_create(capacity);
    const auto t0 = std::chrono::steady_clock::now();
    std::thread producer([&] {
      for (intptr_t i = 1; i <= kItems; ++i)
        while (queue_push(q, reinterpret_cast<void*>(i)) == nullptr) std::this_thread::yield();
    });
    long long sum = 0;
    for (int got = 0; got < kItems;) {
      void* p = queue_pop(q);
      if (p == nullptr) {
        std::this_thread::yield();
        continue;
      }
      sum += reinterpret_cast<intptr_t>(p);
      ++got;
    }
    producer.join();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("capacity %5d: %d items in %.3f s = %.2f M items/s (checksum %lld)\n", capacity, kItems, s,
                kItems / s / 1e6, sum);
    queue_destroy(q);
  }
  return 0;
}
