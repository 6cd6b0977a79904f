#include "db/locked_queue.h"

#include <new>

namespace vesk {

LockedQueue* queue_create(int capacity) {
  if (capacity < 1) return nullptr;
  auto* q = new (std::nothrow) LockedQueue;
  if (q == nullptr) return nullptr;
  q->slots = new (std::nothrow) void*[capacity]();
  if (q->slots == nullptr) {
    delete q;
    return nullptr;
  }
  q->last_slot = capacity - 1;
  return q;
}

int queue_destroy(LockedQueue* q) {
  if (q == nullptr) return 0;
  delete[] q->slots;
  delete q;
  return 1;
}

void* queue_push(LockedQueue* q, void* item) {
  if (q == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(q->lock);
  if (q->write_index == q->read_index && q->state == QUEUE_FULL) return nullptr;
  q->slots[q->write_index] = item;
  ++q->write_index;
  ++q->count;
  if (q->write_index > q->last_slot) q->write_index = 0;
  if (q->write_index == q->read_index) q->state = QUEUE_FULL;
  return item;
}

void* queue_pop(LockedQueue* q) {
  if (q == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(q->lock);
  if (q->write_index == q->read_index && q->state == QUEUE_EMPTY) return nullptr;
  void* item = q->slots[q->read_index];
  ++q->read_index;
  --q->count;
  if (q->read_index > q->last_slot) q->read_index = 0;
  if (q->read_index == q->write_index) q->state = QUEUE_EMPTY;
  return item;
}

void* queue_peek(LockedQueue* q) { return queue_peek_at(q, 0); }

void* queue_peek_at(LockedQueue* q, int k) {
  if (q == nullptr) return nullptr;
  std::lock_guard<std::mutex> guard(q->lock);
  // Only held items are read: a k outside the count would read a stale slot.
  if (k < 0 || k >= q->count) return nullptr;
  return q->slots[(q->read_index + k) % (q->last_slot + 1)];
}

int queue_count(LockedQueue* q) {
  if (q == nullptr) return 0;
  std::lock_guard<std::mutex> guard(q->lock);
  return q->count;
}

}  // namespace vesk
