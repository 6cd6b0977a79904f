// LockedQueue: the bounded FIFO of record pointers by which the station's threads hand
// records to each other. The queue stores pointers only; the producer allocates a record,
// the consumer frees it, and a record that could not be pushed stays the producer's.
#pragma once

#include <cstdint>
#include <mutex>

namespace vesk {

struct LockedQueue {
  std::mutex lock;
  int32_t count = 0;
  int32_t last_slot = 0;  // capacity - 1
  void** slots = nullptr;
  int32_t write_index = 0;
  int32_t read_index = 0;
  // Meaningful only while write_index == read_index: tells a full ring from an empty one.
  int32_t state = 3;
};

inline constexpr int32_t QUEUE_FULL = 2;
inline constexpr int32_t QUEUE_EMPTY = 3;

// A new empty queue of `capacity` slots, or null for a capacity below 1.
LockedQueue* queue_create(int capacity);
int queue_destroy(LockedQueue* q);
// The item on success; null when the queue is full (nothing is overwritten).
void* queue_push(LockedQueue* q, void* item);
void* queue_pop(LockedQueue* q);
void* queue_peek(LockedQueue* q);
// The item k places behind the oldest; null when k is outside 0 .. count - 1.
void* queue_peek_at(LockedQueue* q, int k);
int queue_count(LockedQueue* q);

}  // namespace vesk
