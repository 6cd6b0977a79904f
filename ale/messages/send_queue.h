// Sending data messages: cutting a message into DTM or DBM blocks that fit the configured
// maximum frame time, four send queues (DTM text, DTM binary, DBM text, DBM binary), and the
// sending side of ARQ: one block of each type waits for its acknowledgement, is handed to the
// link again until acknowledged or until the retries are used up, and is released by the
// matching acknowledgement. The link state machine drives the sending while linked.
//
// A message enters its queue whole or not at all: one that does not fit is refused with a log
// line and changes no toggle. All functions run on the engine worker thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "ale/frames/message_block.h"

namespace vesk {

struct LockedQueue;

inline constexpr int kSendQueueSize = 100;
inline constexpr int kSendQueueLowWater = 5;  // fewer free entries than this: "nearly full"

enum SendQueueIndex : int { SEND_DTM_TEXT = 0, SEND_DTM_BINARY = 1, SEND_DBM_TEXT = 2, SEND_DBM_BINARY = 3 };

// What the send queues tell the station; the station's wiring binds it.
struct SendQueueHooks {
  // A message to `address` has been sent (its last block acknowledged, or sent as a broadcast).
  // Empty: the message-sent line only.
  std::function<void(const char* address)> message_sent;
  // A block has been queued as traffic for `address`: the link sends it in a linked AMD frame.
  std::function<void(const char* address)> send_traffic;
};

struct SendQueueState {
  SendQueueState() = default;
  ~SendQueueState();
  SendQueueState(const SendQueueState&) = delete;
  SendQueueState& operator=(const SendQueueState&) = delete;

  std::array<LockedQueue*, 4> queues{};
  MessageBlock* waiting_dtm = nullptr;
  MessageBlock* waiting_dbm = nullptr;
  int dtm_retries = 0;
  int dbm_retries = 0;
  std::array<int, 4> block_toggle{};
  std::array<int, 4> message_toggle{};
  SendQueueHooks hooks;
};

SendQueueState& send_queue_state();

// The block lengths a message of `n` bytes is cut into, with maximum frame time `t` seconds.
std::vector<int> dtm_text_block_lengths(int n, int t);
std::vector<int> dtm_binary_block_lengths(int n, int t);
std::vector<int> dbm_text_block_lengths(int n, int t);
std::vector<int> dbm_binary_block_lengths(int n, int t);

// Cut `n` bytes into blocks and queue them (n = 0 queues one null block). 1 when fewer than 5
// of the queue's entries are free afterwards, 0 otherwise, -1 when the message was refused
// (it does not fit the free entries; nothing was queued). The blocks go to `destination`, or
// when it is null to the transfer destination (xfer_dest_address).
int dtm_queue_text(const uint8_t* text, int n, const char* destination = nullptr);
int dtm_queue_binary(const uint8_t* data, int n, const char* destination = nullptr);
int dbm_queue_text(const uint8_t* text, int n, const char* destination = nullptr);
int dbm_queue_binary(const uint8_t* data, int n, const char* destination = nullptr);
// The same for a binary message followed by a null block of its own (the receiver hands the
// message on at once), both or neither.
int dtm_queue_binary_ended(const uint8_t* data, int n, const char* destination = nullptr);
int dbm_queue_binary_ended(const uint8_t* data, int n, const char* destination = nullptr);
// 1 when a binary DBM message of `n` bytes and its null block fit the free entries of their
// queue now; otherwise the refusal is logged and the result is 0.
int dbm_binary_ended_fits(int n);

// One send step (LINKED IDLE, on the send poll timer with no traffic pending).
void dtm_dbm_send_next();
// Acknowledgement matches (from the receivers).
void dtm_ack_received(int header);
void dbm_ack_received(int header);
void dtm_dbm_queues_init();
// Frees the waiting blocks and everything queued; returns the number of blocks dropped.
int dtm_dbm_flush();
int send_queue_count(int queue);

}  // namespace vesk
