#include "db/locked_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace vesk {
namespace {

void* item(intptr_t n) { return reinterpret_cast<void*>(n); }

TEST(LockedQueue, CapacityOne) {
  LockedQueue* q = queue_create(1);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(queue_push(q, item(1)), item(1));
  EXPECT_EQ(queue_push(q, item(2)), nullptr);
  EXPECT_EQ(queue_pop(q), item(1));
  EXPECT_EQ(queue_pop(q), nullptr);
  EXPECT_EQ(queue_count(q), 0);
  queue_destroy(q);
}

TEST(LockedQueue, FullQueueRefusesAndKeepsOrder) {
  for (int n : {2, 5, 20}) {
    LockedQueue* q = queue_create(n);
    for (int i = 1; i <= n; ++i) ASSERT_EQ(queue_push(q, item(i)), item(i));
    EXPECT_EQ(queue_push(q, item(99)), nullptr) << n;
    EXPECT_EQ(queue_count(q), n);
    for (int i = 1; i <= n; ++i) EXPECT_EQ(queue_pop(q), item(i)) << n;
    EXPECT_EQ(queue_pop(q), nullptr);
    // Back at the start, empty, and usable again.
    EXPECT_EQ(q->write_index, 0);
    EXPECT_EQ(q->read_index, 0);
    EXPECT_EQ(q->state, QUEUE_EMPTY);
    EXPECT_EQ(queue_push(q, item(7)), item(7));
    EXPECT_EQ(queue_peek(q), item(7));
    queue_destroy(q);
  }
}

TEST(LockedQueue, PeekAtAcrossTheWrap) {
  LockedQueue* q = queue_create(4);
  for (int i = 1; i <= 3; ++i) queue_push(q, item(i));
  queue_pop(q);
  queue_pop(q);
  for (int i = 4; i <= 6; ++i) queue_push(q, item(i));  // 3 4 | 5 6 wrap to slots 0, 1
  ASSERT_EQ(queue_count(q), 4);
  EXPECT_EQ(queue_peek_at(q, 0), queue_peek(q));
  for (int k = 0; k < 4; ++k) EXPECT_EQ(queue_peek_at(q, k), item(3 + k));
  // Outside the held items: null, never a stale slot.
  EXPECT_EQ(queue_peek_at(q, 4), nullptr);
  EXPECT_EQ(queue_peek_at(q, -1), nullptr);
  queue_pop(q);
  EXPECT_EQ(queue_peek_at(q, 3), nullptr);
  EXPECT_EQ(queue_count(q), 3);
  queue_destroy(q);
}

TEST(LockedQueue, NullQueueAndZeroCapacity) {
  EXPECT_EQ(queue_create(0), nullptr);
  EXPECT_EQ(queue_create(-3), nullptr);
  EXPECT_EQ(queue_push(nullptr, item(1)), nullptr);
  EXPECT_EQ(queue_pop(nullptr), nullptr);
  EXPECT_EQ(queue_peek(nullptr), nullptr);
  EXPECT_EQ(queue_peek_at(nullptr, 0), nullptr);
  EXPECT_EQ(queue_count(nullptr), 0);
  EXPECT_EQ(queue_destroy(nullptr), 0);
}

}  // namespace
}  // namespace vesk
