// Queued data transfers: messages waiting for delivery over the FED-STD-1052 data link to
// stations that are not linked yet. The head's destination is called over ALE; once the link
// stands its messages go over the data link one after the other; then the link is cleared and
// the next destination called. Every message ends sent (confirmed) or reported failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

struct ApiEvent;

inline constexpr int kXferSlots = 100;

enum XferQueueState : int { XFER_IDLE = 0, XFER_CALLING = 1, XFER_LINKED = 2, XFER_CLEARING = 3 };
enum XferEvent : int {
  XFER_EV_LINK_UP = 0,
  XFER_EV_LINK_DOWN = 1,
  XFER_EV_CALL_FAILED = 2,
  XFER_EV_QUEUED = 3,
  XFER_EV_CONFIRMED = 4,
  XFER_EV_FAILED = 5,
};

// Engine start: all slots free, state idle.
void xfer_queue_init();
// Kind 12: the event's first address, param (priority) and payload as one queued message.
void xfer_queue_add(const ApiEvent& event);
// The same from its parts; false when all 100 slots are taken (logged).
bool xfer_queue_add_message(const char* destination, const uint8_t* data, int length, int priority);
void xfer_queue_event(int event);

int xfer_queue_state();
int xfer_queue_count();

}  // namespace vesk
