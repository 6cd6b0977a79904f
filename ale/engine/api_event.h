// API events: the one ordered stream of requests and timer expiries into the engine.
//
// Any thread that wants the engine to act (window, command interpreter, host port, the 10 ms
// tick, the voice detector, the transfer queue) allocates an ApiEvent, fills it and posts it
// on the API queue; the engine's worker takes one per pass and runs it by kind, then frees it
// (ale/dispatch/api_dispatch.h).
#pragma once

#include <cstdint>
#include <functional>

#include "db/locked_queue.h"

namespace vesk {

inline constexpr int kApiQueueSize = 256;
inline constexpr int kApiMaxAddresses = 20;
inline constexpr int kApiAddressSize = 16;

enum ApiEventKind : int {
  API_CANCELLED = 1,
  API_TIMER_EXPIRY = 2,
  API_CALL = 3,
  API_CLEAR = 4,
  API_GLOBAL_ALLCALL = 5,
  API_SELECTIVE_ALLCALL = 6,
  API_GLOBAL_ANYCALL = 7,
  API_SELECTIVE_ANYCALL = 8,
  API_DBM_DATA = 9,
  API_DTM_DATA = 10,
  API_AMD = 11,
  API_QUEUED_TRANSFER = 12,
  API_FILE_SEND = 13,
  API_CHANNEL = 14,
  API_OWN_ADDRESS = 15,
  API_OTHER_ADDRESS = 16,
  API_NET = 17,
  API_START_SCANNING = 20,
  API_STOP_SCANNING = 21,
  API_TOGGLE_SCANNING = 22,
  API_LINK_DOWN = 23,
  API_LINK_UP = 24,
  API_CALL_FAILED = 25,
  API_VOICE_DETECTED = 26,
};

// sub_op of kinds 9 and 10, and of kinds 14 to 17.
inline constexpr int API_DATA_TEXT = 0;
inline constexpr int API_DATA_BINARY = 1;
// Binary data followed by a null block of its own, both queued or neither.
inline constexpr int API_DATA_BINARY_ENDED = 2;
inline constexpr int API_RECORD_ADD = 3;
inline constexpr int API_RECORD_DELETE = 4;

// The head of an event; payload_length bytes of payload follow it in the same block, and one
// more byte that is always 0, so a text payload is terminated inside the record.
struct ApiEvent {
  int kind;
  int source;
  int form;
  char addresses[kApiMaxAddresses][kApiAddressSize];
  int address_count;
  int param;
  int sub_op;
  int payload_length;
  // Timer expiries only: the generation of the timer that posted it (0: not from a timer
  // slot). An expiry whose timer was stopped or restarted since is stale and ignored.
  uint64_t generation;
  // The payload room that api_alloc gave; payload_length is bounded by it at dispatch.
  int payload_capacity;

  char* payload() { return reinterpret_cast<char*>(this + 1); }
  const char* payload() const { return reinterpret_cast<const char*>(this + 1); }
};

// What the dispatcher hands to the queued-transfer layer above the engine.
struct ApiHooks {
  // Kind 12: a message to queue for delivery over the data link.
  std::function<void(const ApiEvent& event)> queued_transfer;
  // Kinds 24, 23 and 25 as the transfer queue's events 0 link up, 1 link down, 2 call failed.
  std::function<void(int event)> transfer_event;
};

struct ApiState {
  ApiHooks hooks;
  LockedQueue* queue = nullptr;
  ~ApiState();
};

ApiState& api_state();

// A cleared event with room for payload_length bytes of payload; null when the length is
// negative or the memory is not there (the producer then posts nothing).
ApiEvent* api_alloc(int payload_length);
void api_free(ApiEvent* event);
// Creates the 256-entry API queue (once; a second call keeps the queue).
int api_queue_create();
// Queues the event; a full queue frees it and logs the overflow. The producer never touches
// a posted event again. Returns 1 when queued.
int api_post(ApiEvent* event);
// The oldest queued event, or null. The caller runs it with api_dispatch (ale/dispatch/).
ApiEvent* api_pop();
int api_queue_count();
// Turns every queued timer expiry of this number into a cancelled event.
void api_cancel_timer_events(int event_number);
void api_post_link_up();
void api_post_link_down();
void api_post_call_failed();

}  // namespace vesk
