#include "radio/serial_queue.h"

#include <cstdio>
#include <cstring>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"
#include "radio/radio_events.h"

namespace vesk {

const SerialQueueSpec kSerialQueueSpecs[SQ_COUNT] = {
    {SERIAL_ROLE_RADIO, "RADIO", 150, 50, EV_RADIO_TIMEOUT, 50},
    {SERIAL_ROLE_RADIO_EMUL, "RADIO EMULATION", 150, 50, EV_RADIO_EMULATION_TIMEOUT, 50},
    {SERIAL_ROLE_ATU, "ATU", 110, 100, EV_ATU_TIMEOUT, 50},
    {SERIAL_ROLE_ANT_SWITCH, "ANT SWITCH", 110, 100, EV_ANT_TIMEOUT, 50},
    {SERIAL_ROLE_TNC, "TNC", 110, 300, EV_TNC_TIMEOUT, 500},
};

namespace {

// The largest message a slot holds: its payload, and no more than the length byte counts.
int slot_capacity(const CatCommandRing& r) { return r.slot_bytes - 1 < 255 ? r.slot_bytes - 1 : 255; }

uint8_t* slot_at(CatCommandRing& r, int index) { return r.block.data() + index * r.slot_bytes; }

int slot_index(CatCommandRing& r, const uint8_t* slot) {
  return static_cast<int>((slot - r.block.data()) / r.slot_bytes);
}

void ring_init(CatCommandRing& r, int slots, int slot_bytes) {
  r.slots = slots;
  r.slot_bytes = slot_bytes;
  r.block.assign(static_cast<std::size_t>((slots + 1) * slot_bytes), 0);
  r.position = 0;
  r.queued.assign(static_cast<std::size_t>(slots), 0);
  r.is_long.assign(static_cast<std::size_t>(slots), 0);
  r.long_messages.assign(static_cast<std::size_t>(slots), std::string());
  r.hold_ms.assign(static_cast<std::size_t>(slots), 0);
}

// Hands out the next slot in turn, passing over slots whose messages still wait; -1 when
// every slot waits.
int ring_take(CatCommandRing& r) {
  for (int tries = 0; tries < r.slots; ++tries) {
    if (r.position >= r.slots * r.slot_bytes) r.position = 0;
    const int index = r.position / r.slot_bytes;
    r.position += r.slot_bytes;
    if (!r.queued[static_cast<std::size_t>(index)]) return index;
  }
  return -1;
}

void write_slot(SerialOutputQueue& q, const uint8_t* slot) {
  SerialPort& port = serial_control(q.spec->role);
  if (!port.is_open()) return;
  const int index = slot_index(q.ring, slot);
  if (index < q.ring.slots && q.ring.is_long[static_cast<std::size_t>(index)]) {
    const std::string& m = q.ring.long_messages[static_cast<std::size_t>(index)];
    port.output(reinterpret_cast<const uint8_t*>(m.data()), static_cast<int>(m.size()));
  } else {
    port.output(slot + 1, slot[0]);
  }
}

int64_t now_ns() { return station().clock().mono_ns(); }

// Starts the engine timer for `ms`; ms is rounded up to whole ticks, so that the tick's
// truncation never makes the wait shorter than asked by more than one tick.
void arm_timer(SerialOutputQueue& q, int64_t ms) {
  if (ms < kSerialTimerTickMs) ms = kSerialTimerTickMs;
  ms = (ms + kSerialTimerTickMs - 1) / kSerialTimerTickMs * kSerialTimerTickMs;
  q.timer_running = true;
  auto& hooks = serial_queues().timers;
  if (hooks.start) hooks.start(q.spec->timer_id, static_cast<int>(ms));
}

void start_timer(SerialOutputQueue& q, int64_t ms) {
  q.timer_due_ns = now_ns() + ms * 1000000;
  q.timer_running = true;
  auto& hooks = serial_queues().timers;
  if (hooks.start) hooks.start(q.spec->timer_id, static_cast<int>(ms));
}

void stop_timer(SerialOutputQueue& q) {
  q.timer_running = false;
  auto& hooks = serial_queues().timers;
  if (hooks.stop) hooks.stop(q.spec->timer_id);
}

void drop_head(SerialOutputQueue& q) {
  auto* slot = static_cast<uint8_t*>(queue_pop(q.queue));
  if (slot == nullptr) return;
  const auto index = static_cast<std::size_t>(slot_index(q.ring, slot));
  q.ring.queued[index] = 0;
  // A pause kept after this message runs from the moment it was written.
  if (q.in_flight && q.ring.hold_ms[index] > 0) {
    const int64_t until = q.last_write_ns + int64_t{q.ring.hold_ms[index]} * 1000000;
    if (until > q.hold_until_ns) q.hold_until_ns = until;
  }
  q.ring.hold_ms[index] = 0;
  q.in_flight = false;
  if (q.ring.is_long[index]) {
    q.ring.is_long[index] = 0;
    q.ring.long_messages[index].clear();
    q.ring.long_messages[index].shrink_to_fit();
  }
}

// Writes the head, unless a kept pause still runs: then the timer waits out the pause first.
void send_next_locked(SerialOutputQueue& q) {
  auto* head = static_cast<uint8_t*>(queue_peek(q.queue));
  if (head == nullptr || q.in_flight) return;
  const int64_t now = now_ns();
  if (now < q.hold_until_ns) {
    q.timer_due_ns = q.hold_until_ns;
    arm_timer(q, (q.hold_until_ns - now + 999999) / 1000000);
    return;
  }
  write_slot(q, head);
  q.in_flight = true;
  q.last_write_ns = now;
  start_timer(q, q.spec->period_ms);
}

// Counts a refusal; returns the line to log now (empty while rate-limited to one a second).
std::string note_refusal(SerialOutputQueue& q, const char* why) {
  ++q.refused_unreported;
  const int64_t now = station().clock().mono_ms();
  if (now - q.last_refusal_log_ms < 1000) return {};
  char line[160];
  std::snprintf(line, sizeof line, "%s PORT %s: %d message(s) dropped", q.spec->name, why, q.refused_unreported);
  q.refused_unreported = 0;
  q.last_refusal_log_ms = now;
  return line;
}

void log_refusal(const std::string& text) {
  if (text.empty()) return;
  log_printf("[%s][%s][%s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text.c_str());
}

}  // namespace

SerialPort& serial_control(SerialPortRole role) { return station().state<SerialControlsState>().ports[role]; }

SerialQueuesState::SerialQueuesState() {
  for (int i = 0; i < SQ_COUNT; ++i) {
    SerialOutputQueue& q = queues[i];
    q.spec = &kSerialQueueSpecs[i];
    q.queue = queue_create(q.spec->slots);
    ring_init(q.ring, q.spec->slots, q.spec->slot_bytes);
  }
}

SerialQueuesState::~SerialQueuesState() {
  for (SerialOutputQueue& q : queues) queue_destroy(q.queue);
}

SerialQueuesState& serial_queues() { return station().state<SerialQueuesState>(); }

SerialTimerHooks& serial_timer_hooks() { return serial_queues().timers; }

void serial_queue_reset(SerialQueueId id) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  stop_timer(q);
  while (queue_peek(q.queue) != nullptr) drop_head(q);
  ring_init(q.ring, q.spec->slots, q.spec->slot_bytes);
  q.in_flight = false;
  q.hold_until_ns = 0;
}

uint8_t* serial_queue_slot_next(SerialQueueId id) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  int index = ring_take(q.ring);
  if (index < 0) index = q.ring.slots;  // the spare scratch slot
  return slot_at(q.ring, index) + 1;
}

int serial_queue_send(SerialQueueId id, const uint8_t* bytes, int count) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::string refusal;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    if (count < 0 || (count > 0 && bytes == nullptr)) return -1;
    if (count > kSerialMaxMessageBytes) {
      refusal = note_refusal(q, "MESSAGE TOO LONG");
    } else {
      const int index = queue_count(q.queue) < q.spec->slots ? ring_take(q.ring) : -1;
      if (index < 0) {
        refusal = note_refusal(q, "OUTPUT QUEUE FULL");
      } else {
        uint8_t* slot = slot_at(q.ring, index);
        const auto i = static_cast<std::size_t>(index);
        if (count <= slot_capacity(q.ring)) {
          // The message may lie in a scratch slot of this ring, even in this one.
          std::memmove(slot + 1, bytes, static_cast<std::size_t>(count));
          slot[0] = static_cast<uint8_t>(count);
          q.ring.is_long[i] = 0;
        } else {
          q.ring.long_messages[i].assign(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
          q.ring.is_long[i] = 1;
          slot[0] = 0;
        }
        q.ring.queued[i] = 1;
        q.ring.hold_ms[i] = 0;
        const bool idle = queue_peek(q.queue) == nullptr;
        queue_push(q.queue, slot);
        if (idle) send_next_locked(q);
        return 0;
      }
    }
  }
  log_refusal(refusal);
  return -1;
}

int serial_queue_send_now(SerialQueueId id, const uint8_t* bytes, int count) {
  if (count < 0 || (count > 0 && bytes == nullptr)) return -1;
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  SerialPort& port = serial_control(q.spec->role);
  if (!port.is_open()) return 0;
  return port.output(bytes, count) == 0 ? 0 : -1;
}

void serial_queue_ack(SerialQueueId id) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  // An answer moves on only the message written to the port, never one that waits out a pause.
  if (!q.in_flight) return;
  drop_head(q);
  stop_timer(q);
  send_next_locked(q);
}

void serial_queue_timer(SerialQueueId id, int timer_id) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  if (timer_id != q.spec->timer_id || !q.timer_running) return;
  // Before the deadline (an expiry of an earlier start, or ticks replayed in a burst after
  // the tick fell behind): wait out the rest; the timer stays the one running.
  const int64_t left_ns = q.timer_due_ns - now_ns();
  if (left_ns > int64_t{kSerialTimerTickMs} * 1000000) {
    arm_timer(q, (left_ns + 999999) / 1000000);
    return;
  }
  q.timer_running = false;
  if (q.in_flight)
    drop_head(q);
  else
    q.hold_until_ns = 0;  // the pause the timer waited out is over
  send_next_locked(q);
}

void serial_queue_send_next(SerialQueueId id) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  send_next_locked(q);
}

void serial_queue_hold(SerialQueueId id, int ms) {
  if (ms <= 0) return;
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  const int waiting = queue_count(q.queue);
  if (waiting > 0) {
    auto* tail = static_cast<uint8_t*>(queue_peek_at(q.queue, waiting - 1));
    int& hold = q.ring.hold_ms[static_cast<std::size_t>(slot_index(q.ring, tail))];
    if (ms > hold) hold = ms;
    return;
  }
  if (q.last_write_ns == 0) return;
  const int64_t until = q.last_write_ns + int64_t{ms} * 1000000;
  if (until > q.hold_until_ns) q.hold_until_ns = until;
}

void serial_queue_write_slot(SerialQueueId id, const uint8_t* slot) {
  SerialOutputQueue& q = serial_queues().queues[id];
  std::lock_guard<std::mutex> lock(q.mutex);
  const uint8_t* block = q.ring.block.data();
  if (slot < block || slot >= block + q.ring.block.size()) return;  // not a slot of this ring
  write_slot(q, slot);
}

int serial_queue_count(SerialQueueId id) { return queue_count(serial_queues().queues[id].queue); }

RadioControlFlags& radio_flags() { return station().state<RadioControlFlags>(); }

int serial_opt_radio_type() { return db_get_radio_type(); }
int serial_opt_emulation_enabled() { return db_get_emulation_enabled(); }
int serial_opt_current_tx_freq() { return db_get_current_tx_freq(); }

}  // namespace vesk
