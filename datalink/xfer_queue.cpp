#include "datalink/xfer_queue.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

#include "ale/engine/api_event.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "datalink/fs1052_binding.h"
#include "db/log.h"
#include "platform/station.h"

namespace vesk {

namespace {

struct XferSlot {
  bool in_use = false;
  std::string destination;
  int priority = 0;
  std::vector<uint8_t> data;
};

struct XferQueue {
  std::recursive_mutex mutex;
  XferSlot slots[kXferSlots];
  std::deque<int> queue;  // slot numbers, oldest first
  int state = XFER_IDLE;
  bool linked = false;
  std::string peer;  // the station linked with
  int handed = -1;   // the slot handed to the data link, whose answer is awaited
};

XferQueue& xq() { return station().state<XferQueue>(); }

void release(XferQueue& q, int slot) {
  q.slots[slot] = XferSlot{};
  q.queue.erase(std::remove(q.queue.begin(), q.queue.end(), slot), q.queue.end());
}

// Drops every message for this destination, each reported.
void fail_destination(XferQueue& q, const std::string dest) {
  for (int slot : std::deque<int>(q.queue)) {
    if (q.slots[slot].destination != dest) continue;
    log_printf("[%s][%s][TRANSFER FAILED: MESSAGE %d FOR %s DROPPED]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), slot, dest.c_str());
    release(q, slot);
  }
}

void call_next(XferQueue& q) {
  if (q.queue.empty()) {
    q.state = XFER_IDLE;
    return;
  }
  // While another link stands the call waits for its end.
  if (q.linked) {
    q.state = XFER_LINKED;
    return;
  }
  ale_end_calls_with_tis();
  ale_call_address(q.slots[q.queue.front()].destination.c_str(), "");
  q.state = XFER_CALLING;
}

// Hands the next message for the linked station to the data link; true while one is out.
bool send_next(XferQueue& q) {
  if (q.handed >= 0) return true;
  for (int slot : q.queue) {
    if (q.slots[slot].destination != q.peer) continue;
    const XferSlot& s = q.slots[slot];
    q.handed = slot;
    fs1052_set_remote_address(s.destination.c_str());
    fs1052_send_message(s.data.data(), static_cast<int>(s.data.size()), 0, slot, 0);
    return true;
  }
  return false;
}

// After a message's answer: the next one for the same station, or the link is cleared (when
// it stands) or the next destination called (when it does not).
void after_message(XferQueue& q) {
  if (q.linked) {
    if (send_next(q)) {
      q.state = XFER_LINKED;
      return;
    }
    if (q.state == XFER_LINKED) {
      ale_terminate_address(q.peer.c_str(), "");
      q.state = XFER_CLEARING;
    }
    return;
  }
  call_next(q);
}

void step(XferQueue& q, int event) {
  switch (event) {
    case XFER_EV_QUEUED:
      if (q.state == XFER_IDLE) {
        if (q.linked) {
          q.state = XFER_LINKED;
          send_next(q);
        } else {
          call_next(q);
        }
      }
      break;
    case XFER_EV_LINK_UP:
      q.linked = true;
      q.peer = q.state == XFER_CALLING && !q.queue.empty() ? q.slots[q.queue.front()].destination
                                                          : std::string(ale_first_called_address());
      q.state = XFER_LINKED;
      send_next(q);
      break;
    case XFER_EV_LINK_DOWN:
      q.linked = false;
      // A message out on the data link is answered (failed) by the link's end; the next call
      // waits for that answer.
      if (q.handed >= 0)
        q.state = XFER_IDLE;
      else
        call_next(q);
      break;
    case XFER_EV_CALL_FAILED:
      if (q.state != XFER_CALLING || q.queue.empty()) break;
      fail_destination(q, q.slots[q.queue.front()].destination);
      call_next(q);
      break;
    case XFER_EV_CONFIRMED:
    case XFER_EV_FAILED: {
      if (q.handed < 0) break;
      const int slot = q.handed;
      q.handed = -1;
      if (event == XFER_EV_CONFIRMED)
        release(q, slot);
      else
        fail_destination(q, q.slots[slot].destination);
      after_message(q);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void xfer_queue_init() {
  XferQueue& q = xq();
  std::lock_guard<std::recursive_mutex> hold(q.mutex);
  for (auto& s : q.slots) s = XferSlot{};
  q.queue.clear();
  q.state = XFER_IDLE;
  q.linked = false;
  q.handed = -1;
}

bool xfer_queue_add_message(const char* destination, const uint8_t* data, int length, int priority) {
  // The link lock first, as every path into the transfer queue takes them.
  std::lock_guard<std::recursive_mutex> link_hold(link_state().lock);
  XferQueue& q = xq();
  std::lock_guard<std::recursive_mutex> hold(q.mutex);
  for (int i = 0; i < kXferSlots; ++i) {
    XferSlot& s = q.slots[i];
    if (s.in_use) continue;
    s.in_use = true;
    s.destination = destination ? std::string(destination).substr(0, 15) : std::string();
    s.priority = priority;
    s.data.assign(data, data + std::max(length, 0));
    q.queue.push_back(i);
    if (q.queue.size() == 1) step(q, XFER_EV_QUEUED);
    return true;
  }
  log_printf("[%s][%s][TRANSFER FAILED: QUEUE FULL, MESSAGE FOR %s NOT QUEUED]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), destination ? destination : "");
  return false;
}

void xfer_queue_add(const ApiEvent& e) {
  xfer_queue_add_message(e.addresses[0], reinterpret_cast<const uint8_t*>(e.payload()), e.payload_length, e.param);
}

void xfer_queue_event(int event) {
  std::lock_guard<std::recursive_mutex> link_hold(link_state().lock);
  XferQueue& q = xq();
  std::lock_guard<std::recursive_mutex> hold(q.mutex);
  step(q, event);
}

int xfer_queue_state() {
  XferQueue& q = xq();
  std::lock_guard<std::recursive_mutex> hold(q.mutex);
  return q.state;
}

int xfer_queue_count() {
  XferQueue& q = xq();
  std::lock_guard<std::recursive_mutex> hold(q.mutex);
  return static_cast<int>(q.queue.size());
}

}  // namespace vesk
