#include "ale/engine/api_event.h"

#include <cstdlib>
#include <mutex>
#include <new>

#include "db/log.h"
#include "platform/station.h"

namespace vesk {

namespace {

void post_empty(int kind) {
  ApiEvent* e = api_alloc(0);
  if (e == nullptr) return;
  e->kind = kind;
  api_post(e);
}

}  // namespace

ApiState::~ApiState() {
  if (queue == nullptr) return;
  while (void* e = queue_pop(queue)) api_free(static_cast<ApiEvent*>(e));
  queue_destroy(queue);
}

ApiState& api_state() { return station().state<ApiState>(); }

ApiEvent* api_alloc(int payload_length) {
  if (payload_length < 0) return nullptr;
  // The head, the payload and one byte that stays 0, all cleared.
  void* block = std::calloc(1, sizeof(ApiEvent) + static_cast<std::size_t>(payload_length) + 1);
  if (block == nullptr) return nullptr;
  auto* e = new (block) ApiEvent{};
  e->payload_length = payload_length;
  e->payload_capacity = payload_length;
  return e;
}

void api_free(ApiEvent* event) { std::free(event); }

int api_queue_create() {
  ApiState& s = api_state();
  if (s.queue == nullptr) s.queue = queue_create(kApiQueueSize);
  return s.queue != nullptr ? 1 : 0;
}

int api_post(ApiEvent* event) {
  if (event == nullptr) return 0;
  if (queue_push(api_state().queue, event) == nullptr) {
    api_free(event);
    log_printf("ERROR API Queue Overflowed\n");
    return 0;
  }
  return 1;
}

ApiEvent* api_pop() { return static_cast<ApiEvent*>(queue_pop(api_state().queue)); }

int api_queue_count() { return queue_count(api_state().queue); }

void api_cancel_timer_events(int event_number) {
  LockedQueue* q = api_state().queue;
  if (q == nullptr) return;
  // Only events still in the queue are touched, and only under its lock: once the worker
  // has popped an event it is the worker's alone (the timer generation covers that case).
  std::lock_guard<std::mutex> guard(q->lock);
  for (int k = 0; k < q->count; ++k) {
    auto* e = static_cast<ApiEvent*>(q->slots[(q->read_index + k) % (q->last_slot + 1)]);
    if (e != nullptr && e->kind == API_TIMER_EXPIRY && e->param == event_number) e->kind = API_CANCELLED;
  }
}

void api_post_link_up() { post_empty(API_LINK_UP); }
void api_post_link_down() { post_empty(API_LINK_DOWN); }
void api_post_call_failed() { post_empty(API_CALL_FAILED); }

}  // namespace vesk
