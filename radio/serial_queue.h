// Paced serial output queues: the mechanics shared by the five ports that send bytes.
//
// Each `SerialOutputQueue` lets one message at a time leave its port. A message handed to an
// idle port is written at once on the sender's thread; otherwise it waits, and the next one
// leaves when the head is acknowledged (radio and emulation ports) or when the port's pacing
// timer runs out. Messages live in the slots of the port's `CatCommandRing`; the queue holds
// pointers to them.
//
// Soundness rules kept here:
// - one lock per port around every send and every move-on (never held while waiting: port
//   writes do not block), so concurrent senders never share a slot or put two messages in
//   flight;
// - a slot whose message still waits is never handed out again; a send that finds no free
//   slot or a full queue is refused with a failure result and a rate-limited log line;
// - a message longer than a slot is kept whole beside its slot and written in one call;
// - a pacing-timer expiry that comes before the timer's deadline (an expiry of an earlier
//   start, already on its way when an answer moved the queue on, or one that a late tick
//   replayed in a burst) arms the timer again for what is left: the queue always moves on,
//   and never sooner than the timer's period;
// - a pause that a command sequence keeps after a message (`serial_queue_hold`) holds the
//   next message back until the pause has run from the moment that message was written, so
//   the pause is kept on the wire whichever thread sleeps it.
//
// The engine's timers are reached through `SerialTimerHooks` (installed by the engine, or by a
// test harness); the engine routes expiries to the `*_queue_timer` handlers of
// radio/serial_output.h (see `serial_queue_route_timer`).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "db/locked_queue.h"
#include "platform/serial_port.h"

namespace vesk {

// The six serial ports of the station.
enum SerialPortRole : int {
  SERIAL_ROLE_RADIO = 0,       // radio CAT
  SERIAL_ROLE_PTT = 1,         // PTT lines only (RTS, DTR): no queue
  SERIAL_ROLE_ATU = 2,         // antenna tuner
  SERIAL_ROLE_ANT_SWITCH = 3,  // antenna switch
  SERIAL_ROLE_TNC = 4,
  SERIAL_ROLE_RADIO_EMUL = 5,  // radio emulation port
  SERIAL_ROLE_COUNT = 6,
};

// The serial control of each port: created with the station, opened and closed by the set-up
// and reopen operations.
struct SerialControlsState {
  SerialPort ports[SERIAL_ROLE_COUNT];
};
SerialPort& serial_control(SerialPortRole role);

// The five output queues.
enum SerialQueueId : int { SQ_RADIO = 0, SQ_EMUL, SQ_ATU, SQ_ANT, SQ_TNC, SQ_COUNT };

struct SerialQueueSpec {
  SerialPortRole role;
  const char* name;  // in log lines
  int slots;         // also the queue's capacity
  int slot_bytes;    // length byte + message
  int timer_id;
  int period_ms;
};

// radio 150 x 50, emulation 150 x 50, tuner and antenna switch 110 x 100, TNC 110 x 300.
extern const SerialQueueSpec kSerialQueueSpecs[SQ_COUNT];

// The longest message any port accepts (the TNC message dialog sends up to 64,000 bytes).
inline constexpr int kSerialMaxMessageBytes = 65536;
// Engine timers run in 10 ms ticks: an expiry may come up to one tick early.
inline constexpr int kSerialTimerTickMs = 10;

struct CatCommandRing {
  int slots = 0;
  int slot_bytes = 0;
  // slots + 1 slots: the last one is a spare scratch slot, handed out by `*_slot_next` when
  // every slot of the ring waits; it is never queued.
  std::vector<uint8_t> block;
  int position = 0;                   // byte offset of the next slot to hand out
  std::vector<uint8_t> queued;        // per slot: 1 from push to drop
  std::vector<std::string> long_messages;  // per slot: a message too long for the slot
  std::vector<uint8_t> is_long;
  std::vector<int> hold_ms;           // per slot: the pause kept after the message (ms)
};

struct SerialOutputQueue {
  std::mutex mutex;
  const SerialQueueSpec* spec = nullptr;
  LockedQueue* queue = nullptr;
  CatCommandRing ring;
  bool timer_running = false;
  int64_t timer_due_ns = 0;    // when the running timer's period ends
  bool in_flight = false;      // the head has been written and waits for its answer or expiry
  int64_t last_write_ns = 0;   // when the last queued message was written (0: never)
  int64_t hold_until_ns = 0;   // no message is written before this (a kept pause)
  // Refusals not yet reported and when the last report was written.
  int refused_unreported = 0;
  int64_t last_refusal_log_ms = -1000000;
};

// The engine's one-shot timers: start (id, ms) replaces a running one of the id; stop (id).
struct SerialTimerHooks {
  std::function<void(int, int)> start;
  std::function<void(int)> stop;
};

struct SerialQueuesState {
  SerialQueuesState();
  ~SerialQueuesState();
  SerialOutputQueue queues[SQ_COUNT];
  SerialTimerHooks timers;
};
SerialQueuesState& serial_queues();
SerialTimerHooks& serial_timer_hooks();  // `serial_queues().timers`

// The mechanics, per queue.
// Empties the queue and its ring and stops its timer.
void serial_queue_reset(SerialQueueId id);
// The next free slot's message area (one byte past its length byte).
uint8_t* serial_queue_slot_next(SerialQueueId id);
// Queues a copy of the message, writing it at once when the port is idle. 0, or -1 when
// refused (queue full, no free slot, longer than kSerialMaxMessageBytes, negative count).
int serial_queue_send(SerialQueueId id, const uint8_t* bytes, int count);
// Writes a copy at once, outside the queue and its timer.
int serial_queue_send_now(SerialQueueId id, const uint8_t* bytes, int count);
// Drops the head, stops the timer, writes the next waiting message.
void serial_queue_ack(SerialQueueId id);
// An expiry of the queue's own timer: drops the head and writes the next (a stale expiry
// does nothing).
void serial_queue_timer(SerialQueueId id, int timer_id);
// Writes the head when one waits and starts the timer.
void serial_queue_send_next(SerialQueueId id);
// Keeps a pause of `ms` after the message queued last (or, with none waiting, after the
// message written last): the next message is not written before the pause has run from the
// moment that message was written.
void serial_queue_hold(SerialQueueId id, int ms);
// Writes the message of one slot of the queue's ring (its length byte first) to the port
// when the port is open; nothing when it is closed.
void serial_queue_write_slot(SerialQueueId id, const uint8_t* slot);
// Messages waiting, the one in flight included.
int serial_queue_count(SerialQueueId id);
// Routes a timer expiry to the queue handlers (1015, 1025 to 1027, 1042 to 1047, 1088,
// 1089). False for an id that is not theirs.
bool serial_queue_route_timer(int timer_id);

// Radio control flags read across threads (also by the keying and link code).
struct RadioControlFlags {
  std::atomic<int> ptt_active_flag{0};
  std::atomic<int> radio_linked_flag{0};
  std::atomic<int> radio_last_tx_freq{0};
};
RadioControlFlags& radio_flags();

// Options that the serial layer reads from the station database.
int serial_opt_radio_type();
int serial_opt_emulation_enabled();
int serial_opt_current_tx_freq();

}  // namespace vesk
