#include "ale/messages/send_queue.h"

#include <algorithm>
#include <cstring>

#include "ale/engine/timer.h"
#include "ale/frames/frame_sections.h"
#include "ale/words/aqc_word.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/engine/events.h"
#include "db/locked_queue.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr int kDtmTextMax = 1053;
constexpr int kDbmTextMax = 37293;
constexpr int kSendPollStartMs = 100;

int round_up3(int v) { return (v + 2) / 3 * 3; }

void free_queue(LockedQueue* q) {
  if (q == nullptr) return;
  while (auto* b = static_cast<MessageBlock*>(queue_pop(q))) delete b;
}

struct QueueKind {
  int index;
  int section;      // the frame-section kind
  AleWord first;    // header word
  bool text;
  int mode;         // 1 ARQ, 2 broadcast
};

// Whether `blocks` more blocks fit queue `index`; a message that does not is refused aloud.
bool room_for(int index, int blocks) {
  LockedQueue* q = send_queue_state().queues[static_cast<std::size_t>(index)];
  if (q == nullptr) return false;
  const int free_entries = kSendQueueSize - queue_count(q);
  if (blocks <= free_entries) return true;
  log_printf("[%s][%s][DATA ERROR: MESSAGE OF %d BLOCKS REFUSED, %d SEND QUEUE ENTRIES FREE]\n",
             log_time_stamp().c_str(), log_current_channel_stamp().c_str(), blocks, free_entries);
  return false;
}

// Queues the blocks of one message, all or none.
int queue_message(const QueueKind& k, const uint8_t* data, const char* destination,
                  const std::vector<int>& lengths) {
  SendQueueState& s = send_queue_state();
  LockedQueue* q = s.queues[static_cast<std::size_t>(k.index)];
  if (!room_for(k.index, static_cast<int>(lengths.size()))) return -1;
  aqc_set_second_word_code(AQC_CODE_TEXT);  // text follows
  int at = 0;
  int& block_toggle = s.block_toggle[static_cast<std::size_t>(k.index)];
  int& message_toggle = s.message_toggle[static_cast<std::size_t>(k.index)];
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    const int len = lengths[i];
    auto* b = new MessageBlock;
    b->kind = k.section;
    if (len > 0) b->data.assign(data + at, data + at + len);
    b->header = static_cast<int>(k.first) | (k.text ? kKd3 : 0) | (block_toggle ? kKd1 : 0) |
                (message_toggle ? kKd2 : 0) | (k.mode == 1 ? kKd4 : 0);
    const char* dest = destination != nullptr ? destination : xfer_dest_address();
    std::strncpy(b->destination, dest == nullptr ? "" : dest, sizeof b->destination - 1);
    b->more_follow = i + 1 < lengths.size() ? 1 : 0;
    if (queue_push(q, b) == nullptr) {  // cannot happen: the room was counted
      delete b;
      log_printf("[%s][%s][DATA ERROR: SEND QUEUE FULL]\n", log_time_stamp().c_str(),
                 log_current_channel_stamp().c_str());
      return -1;
    }
    block_toggle ^= 1;
    at += len;
  }
  message_toggle ^= 1;
  if (s.waiting_dtm == nullptr && s.waiting_dbm == nullptr) timer_start(EV_SM_POLL_TIMER, kSendPollStartMs);
  return kSendQueueSize - queue_count(q) < kSendQueueLowWater ? 1 : 0;
}

void hand_to_link(MessageBlock* b) {
  auto* section = new FrameSection;
  section->kind = b->kind;
  section->block = b;
  if (ale_section_push_traffic(section) == 0) {
    delete section;
    return;  // the next send step tries again
  }
  const SendQueueHooks& hooks = send_queue_state().hooks;
  if (hooks.send_traffic) hooks.send_traffic(b->destination);
}

void release(MessageBlock*& b) {
  ale_section_drop_block(b);
  delete b;
  b = nullptr;
}

MessageBlock* take(int first, int second) {
  SendQueueState& s = send_queue_state();
  for (int i : {first, second}) {
    LockedQueue* q = s.queues[static_cast<std::size_t>(i)];
    if (q == nullptr) continue;
    if (auto* b = static_cast<MessageBlock*>(queue_pop(q))) return b;
  }
  return nullptr;
}

void message_sent(const char* destination) {
  const SendQueueHooks& hooks = send_queue_state().hooks;
  if (hooks.message_sent)
    hooks.message_sent(destination);
  else
    log_msg_sent(destination);
}

// The step for one type: true when it handed a block to the link.
enum class Step { Nothing, Released, Handed, Failed };

Step step(MessageBlock*& waiting, int& retries, int retries_option, void (*fail_line)(), int text_q, int binary_q) {
  if (waiting != nullptr) {
    if (!message_header_arq(waiting->header)) {
      if (waiting->more_follow == 0) message_sent(waiting->destination);
      release(waiting);
      return Step::Released;
    }
    if (++retries >= retries_option) {
      fail_line();
      dtm_dbm_flush();
      return Step::Failed;
    }
    hand_to_link(waiting);
    return Step::Handed;
  }
  waiting = take(text_q, binary_q);
  if (waiting == nullptr) return Step::Nothing;
  retries = 0;
  hand_to_link(waiting);
  return Step::Handed;
}

void ack_match(MessageBlock*& waiting, int& retries, int header) {
  if (waiting == nullptr || (header & kKd4) != 0) return;
  if ((header & kKdToggles) != (waiting->header & kKdToggles)) return;
  if (waiting->more_follow == 0) message_sent(waiting->destination);
  release(waiting);
  retries = 0;
}

}  // namespace

SendQueueState::~SendQueueState() {
  for (LockedQueue*& q : queues) {
    free_queue(q);
    queue_destroy(q);
    q = nullptr;
  }
  delete waiting_dtm;
  delete waiting_dbm;
}

SendQueueState& send_queue_state() {
  // The section queues outlive this state: its flush reads them.
  (void)frame_sections();
  return station().state<SendQueueState>();
}

std::vector<int> dtm_text_block_lengths(int n, int t) {
  std::vector<int> out;
  if (n <= 0) return {0};
  const int limit = (t * 1000 / 392) * 21 / 7;
  while (n > 0) {
    int len = n;
    if (n > kDtmBasicTextMax) len = std::min({round_up3(n - kDtmBasicTextMax), round_up3(limit), kDtmTextMax});
    len = std::max(len, std::min(3, n));
    out.push_back(len);
    n -= len;
  }
  return out;
}

std::vector<int> dtm_binary_block_lengths(int n, int t) {
  std::vector<int> out;
  if (n <= 0) return {0};
  const int limit = (t * 1000 / 392) * 21;
  while (n > 0) {
    int len = n;
    if (n > kDtmBasicBinaryMax) {
      len = kDtmBasicBinaryMax;
      for (int m = 43; m >= 1; --m)
        if (21 * m <= n && 168 * m <= limit) {
          len = 21 * m;
          break;
        }
    }
    out.push_back(len);
    n -= len;
  }
  return out;
}

std::vector<int> dbm_text_block_lengths(int n, int t) {
  std::vector<int> out;
  if (n <= 0) return {0};
  const int limit = (t * 1000 / 3136) * 588 / 7;
  while (n > 0) {
    int len = n;
    if (n > kDbmBasicTextMax) {
      len = kDbmTextMax;
      int previous = kDbmBasicTextMax;
      for (int l = kDbmBasicTextMax; l <= kDbmTextMax; l += 84) {
        if (l > n) {
          len = previous;
          break;
        }
        if (n - l <= kDbmBasicTextMax || l >= limit) {
          len = l;
          break;
        }
        previous = l;
      }
    }
    out.push_back(len);
    n -= len;
  }
  return out;
}

std::vector<int> dbm_binary_block_lengths(int n, int t) {
  std::vector<int> out;
  if (n <= 0) return {0};
  const int limit = (t * 1000 / 3136) * 588;
  while (n > 0) {
    int len = n;
    if (n > kDbmBasicBinaryMax) {
      len = kDbmBasicBinaryMax;
      for (int blocks = 444; blocks >= 2; blocks -= 2) {
        const int bits = 588 * blocks - 16;
        if (bits <= 8 * n && bits <= limit) {
          len = bits / 8;
          break;
        }
      }
    }
    out.push_back(len);
    n -= len;
  }
  return out;
}

int dtm_queue_text(const uint8_t* text, int n, const char* destination) {
  n = std::max(n, 0);
  return queue_message({SEND_DTM_TEXT, SECTION_DTM_BLOCK, kDtmHeaderWord, true, db_get_dtm_mode()}, text, destination,
                       dtm_text_block_lengths(n, db_get_dtm_max_frame_time()));
}

int dtm_queue_binary(const uint8_t* data, int n, const char* destination) {
  n = std::max(n, 0);
  return queue_message({SEND_DTM_BINARY, SECTION_DTM_BLOCK, kDtmHeaderWord, false, db_get_dtm_mode()}, data, destination,
                       dtm_binary_block_lengths(n, db_get_dtm_max_frame_time()));
}

int dbm_queue_text(const uint8_t* text, int n, const char* destination) {
  n = std::max(n, 0);
  return queue_message({SEND_DBM_TEXT, SECTION_DBM_BLOCK, kDbmHeaderWord, true, db_get_dbm_mode()}, text, destination,
                       dbm_text_block_lengths(n, db_get_dbm_max_frame_time()));
}

int dbm_queue_binary(const uint8_t* data, int n, const char* destination) {
  n = std::max(n, 0);
  return queue_message({SEND_DBM_BINARY, SECTION_DBM_BLOCK, kDbmHeaderWord, false, db_get_dbm_mode()}, data, destination,
                       dbm_binary_block_lengths(n, db_get_dbm_max_frame_time()));
}

int dtm_queue_binary_ended(const uint8_t* data, int n, const char* destination) {
  n = std::max(n, 0);
  const int blocks = static_cast<int>(dtm_binary_block_lengths(n, db_get_dtm_max_frame_time()).size()) + 1;
  if (!room_for(SEND_DTM_BINARY, blocks)) return -1;
  if (dtm_queue_binary(data, n, destination) < 0) return -1;
  return dtm_queue_binary(nullptr, 0, destination);
}

int dbm_queue_binary_ended(const uint8_t* data, int n, const char* destination) {
  if (dbm_binary_ended_fits(n) == 0) return -1;
  if (dbm_queue_binary(data, n, destination) < 0) return -1;
  return dbm_queue_binary(nullptr, 0, destination);
}

int dbm_binary_ended_fits(int n) {
  const int blocks = static_cast<int>(dbm_binary_block_lengths(std::max(n, 0), db_get_dbm_max_frame_time()).size()) + 1;
  return room_for(SEND_DBM_BINARY, blocks) ? 1 : 0;
}

void dtm_dbm_send_next() {
  SendQueueState& s = send_queue_state();
  const Step dtm = step(s.waiting_dtm, s.dtm_retries, db_get_dtm_retries(), log_dtm_fail, SEND_DTM_TEXT, SEND_DTM_BINARY);
  // A DTM block taken from its queue goes alone; a repeat, a release or a failure lets the DBM
  // step run too.
  if (dtm == Step::Handed && s.dtm_retries == 0) return;
  if (dtm == Step::Failed) return;
  (void)step(s.waiting_dbm, s.dbm_retries, db_get_dbm_retries(), log_dbm_fail, SEND_DBM_TEXT, SEND_DBM_BINARY);
}

void dtm_ack_received(int header) {
  SendQueueState& s = send_queue_state();
  ack_match(s.waiting_dtm, s.dtm_retries, header);
}

void dbm_ack_received(int header) {
  SendQueueState& s = send_queue_state();
  ack_match(s.waiting_dbm, s.dbm_retries, header);
}

void dtm_dbm_queues_init() {
  SendQueueState& s = send_queue_state();
  dtm_dbm_flush();
  for (LockedQueue*& q : s.queues)
    if (q == nullptr) q = queue_create(kSendQueueSize);
  s.block_toggle = {};
  s.message_toggle = {};
}

int dtm_dbm_flush() {
  SendQueueState& s = send_queue_state();
  int dropped = 0;
  for (MessageBlock** w : {&s.waiting_dtm, &s.waiting_dbm}) {
    if (*w == nullptr) continue;
    release(*w);
    ++dropped;
  }
  for (LockedQueue* q : s.queues) {
    if (q == nullptr) continue;
    dropped += queue_count(q);
    free_queue(q);
  }
  s.dtm_retries = 0;
  s.dbm_retries = 0;
  return dropped;
}

int send_queue_count(int queue) {
  if (queue < 0 || queue > 3) return 0;
  LockedQueue* q = send_queue_state().queues[static_cast<std::size_t>(queue)];
  return q == nullptr ? 0 : queue_count(q);
}

}  // namespace vesk
