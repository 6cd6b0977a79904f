// Word transmit queue and engine event queue: see word_queue.h.
#include "ale/words/word_queue.h"

#include <algorithm>
#include <vector>

#include "ale/words/golay.h"
#include "ale/words/linking_protection.h"
#include "ale/words/word_events.h"
#include "ale/words/word_rx.h"
#include "ale/words/word_trace.h"
#include "db/options.h"
#include "platform/hook.h"
#include "platform/station.h"

namespace vesk {

namespace {

int push_block(WordQueueState& q, SymbolBlock* block) {
  std::lock_guard<std::mutex> g(q.tx_lock);
  if (queue_push(q.tx_queue, block) == nullptr) {
    delete block;
    return 0;
  }
  return 1;
}

int push_event(int event, const RxWordRecord* record) {
  WordQueueState& q = word_queue_state();
  std::lock_guard<std::mutex> g(q.event_lock);
  if (q.event_count >= q.event_capacity) return 0;
  EngineEvent& e = q.events[(q.event_head + q.event_count) % q.event_capacity];
  e.event = event;
  e.record = record ? *record : RxWordRecord{};
  ++q.event_count;
  return 1;
}

}  // namespace

WordQueueState::~WordQueueState() {
  if (tx_queue == nullptr) return;
  while (void* p = queue_pop(tx_queue)) delete static_cast<SymbolBlock*>(p);
  queue_destroy(tx_queue);
}

WordQueueState& word_queue_state() { return station().state<WordQueueState>(); }

void ale_word_io_init(int event_queue_size, int tx_queue_size) {
  WordQueueState& q = word_queue_state();
  {
    std::lock_guard<std::mutex> g(q.tx_lock);
    if (q.tx_queue != nullptr) {
      while (void* p = queue_pop(q.tx_queue)) delete static_cast<SymbolBlock*>(p);
      queue_destroy(q.tx_queue);
    }
    q.tx_queue = queue_create(std::clamp(tx_queue_size, 1, ALE_TX_QUEUE_SIZE));
    q.tx_block = nullptr;
    q.tx_index = ALE_WORD_SYMBOLS;
    q.tx_state = ALE_TX_IDLE;
  }
  {
    std::lock_guard<std::mutex> g(q.event_lock);
    q.event_capacity = std::clamp(event_queue_size, 1, ALE_EVENT_QUEUE_SIZE);
    q.event_head = 0;
    q.event_count = 0;
  }
  ale_rx_init();
}

void ale_encode_word_symbols(AleWord word, uint8_t* symbols) {
  const int32_t high = static_cast<int32_t>((word >> 12) & 0xFFF);
  const int32_t low = static_cast<int32_t>(word & 0xFFF);
  const int32_t a = (high << 12) | ale_golay_encode(high);
  // The second code word goes with its check bits inverted.
  const int32_t b = (low << 12) | (ale_golay_encode(low) ^ 0xFFF);
  std::array<uint8_t, ALE_WORD_BITS> bits{};
  for (int i = 0; i < 24; ++i) {
    bits[2 * i] = static_cast<uint8_t>((a >> (23 - i)) & 1);
    bits[2 * i + 1] = static_cast<uint8_t>((b >> (23 - i)) & 1);
  }
  bits[48] = 0;  // stuff bit
  for (int i = 0; i < 49; ++i) bits[49 + i] = bits[98 + i] = bits[i];
  ale_tx_pack_raw_bits(bits.data(), symbols);
}

void ale_tx_pack_raw_bits(const uint8_t* bits, uint8_t* symbols) {
  for (int k = 0; k < ALE_WORD_SYMBOLS; ++k)
    symbols[k] = static_cast<uint8_t>(4 * (bits[3 * k] & 1) + 2 * (bits[3 * k + 1] & 1) +
                                      (bits[3 * k + 2] & 1));
}

int ale_tx_word(AleWord word) {
  ale_trace_tx_word(word);
  call_hook(word_queue_state().hooks.tx_word, word);
  const int queued = ale_tx_encode_word(word);
  // The AQC-ALE burst follows a FROM word of an AQC-ALE transmission.
  if (ale_word_type(word) == ALE_FROM && db_get_aqc_burst() != 0 && ale_aqc_transmission() != 0) ale_tx_burst_marker();
  return queued;
}

int ale_tx_encode_word(AleWord word) {
  bool ok = true;
  const AleWord sent = lp_tx_word(word, &ok);
  if (!ok) return 0;  // no key for this channel: nothing goes out
  auto* block = new SymbolBlock;
  ale_encode_word_symbols(sent, block->symbols.data());
  block->word = word;
  return push_block(word_queue_state(), block);
}

int ale_tx_burst_marker() {
  auto* block = new SymbolBlock;
  block->symbols.fill(ALE_BURST_SYMBOL);
  return push_block(word_queue_state(), block);
}

int ale_tx_lead_block() {
  auto* block = new SymbolBlock;
  block->symbols.fill(ALE_TUNE_SYMBOL);
  return push_block(word_queue_state(), block);
}

int ale_tx_lead_blocks() {
  const int n = std::clamp(db_get_atu_tune_words(), 0, ALE_TX_TUNE_WORDS_MAX);
  int queued = 0;
  for (int i = 0; i < n; ++i) queued += ale_tx_lead_block();
  return queued;
}

int ale_tx_raw_bits(const uint8_t* bits) {
  // Linking protection counts the group as one word (a placeholder of tag 4); the data bits go
  // in clear.
  bool ok = true;
  (void)lp_tx_word(ale_word_with_tag(0, 4), &ok);
  if (!ok) return 0;
  auto* block = new SymbolBlock;
  ale_tx_pack_raw_bits(bits, block->symbols.data());
  return push_block(word_queue_state(), block);
}

int ale_tx_next_symbol() {
  WordQueueState& q = word_queue_state();
  const int index = q.tx_index.load(std::memory_order_relaxed);
  if (q.tx_state.load(std::memory_order_relaxed) == ALE_TX_SENDING && q.tx_block != nullptr &&
      index < ALE_WORD_SYMBOLS) {
    q.tx_index.store(index + 1, std::memory_order_relaxed);
    return q.tx_block->symbols[index];
  }
  std::lock_guard<std::mutex> g(q.tx_lock);
  if (q.tx_block != nullptr) {
    // The block in progress is always the head of the queue.
    delete static_cast<SymbolBlock*>(queue_pop(q.tx_queue));
    q.tx_block = nullptr;
  }
  auto* next = static_cast<SymbolBlock*>(queue_peek(q.tx_queue));
  if (next == nullptr) {
    q.tx_index.store(ALE_WORD_SYMBOLS, std::memory_order_relaxed);
    q.tx_state.store(ALE_TX_IDLE, std::memory_order_relaxed);
    return ALE_TX_IDLE;
  }
  q.tx_block = next;
  q.tx_state.store(ALE_TX_SENDING, std::memory_order_relaxed);
  q.tx_index.store(1, std::memory_order_relaxed);
  return next->symbols[0];
}

int ale_tx_symbols_pending() {
  WordQueueState& q = word_queue_state();
  // The block in progress stays at the head of the queue until the reader asks past its last
  // symbol; once its symbols are all taken it no longer counts as waiting, so the transmit
  // feed sees the end of a frame as the last word goes out.
  const bool holding = q.tx_state.load(std::memory_order_relaxed) == ALE_TX_SENDING;
  if (holding && q.tx_index.load(std::memory_order_relaxed) < ALE_WORD_SYMBOLS) return ALE_TX_SENDING;
  return queue_count(q.tx_queue) > (holding ? 1 : 0) ? ALE_TX_SENDING : ALE_TX_IDLE;
}

bool ale_tx_symbols_waiting() {
  // The queue keeps a block at its head until the reader asks past its last symbol; a block
  // whose 49 symbols have all been taken is not waiting, so the last word of a frame is tagged
  // as the last block.
  WordQueueState& q = word_queue_state();
  if (q.tx_queue == nullptr) return false;
  const bool exhausted = q.tx_index.load(std::memory_order_relaxed) >= ALE_WORD_SYMBOLS;
  return !exhausted || queue_count(q.tx_queue) > (q.tx_block != nullptr ? 1 : 0);
}

int ale_tx_queued_ms() {
  WordQueueState& q = word_queue_state();
  const int queued = queue_count(q.tx_queue);
  const bool sending = q.tx_state.load(std::memory_order_relaxed) == ALE_TX_SENDING;
  const int index = q.tx_index.load(std::memory_order_relaxed);
  // The block in progress stays at the head of the queue until its last symbol is taken:
  // count only what is left of it, not the whole block again.
  if (sending && queued > 0) return (queued - 1) * ALE_WORD_MS + (ALE_WORD_SYMBOLS - index) * ALE_SYMBOL_MS;
  return queued * ALE_WORD_MS;
}

void ale_tx_flush() {
  WordQueueState& q = word_queue_state();
  std::lock_guard<std::mutex> g(q.tx_lock);
  std::vector<void*> held;
  while (void* p = queue_pop(q.tx_queue)) held.push_back(p);
  std::size_t first = 0;
  if (q.tx_block != nullptr && !held.empty()) {
    queue_push(q.tx_queue, held[0]);  // the block being played goes on to its end
    first = 1;
  }
  for (std::size_t i = first; i < held.size(); ++i) delete static_cast<SymbolBlock*>(held[i]);
}

int ale_rx_post_word(const RxWordRecord& record) { return push_event(EV_ALE_WORD, &record); }

int ale_post_tx_underrun() { return push_event(EV_ALE_TX_UNDERUN, nullptr); }

int ale_post_frame_begin(int event) { return push_event(event, nullptr); }
int ale_post_parser_end() { return push_event(EV_RX_FRAME_END, nullptr); }

bool ale_engine_event_pop(EngineEvent* out) {
  WordQueueState& q = word_queue_state();
  std::lock_guard<std::mutex> g(q.event_lock);
  if (q.event_count == 0) return false;
  *out = q.events[q.event_head];
  q.event_head = (q.event_head + 1) % q.event_capacity;
  --q.event_count;
  return true;
}

int ale_engine_event_count() {
  WordQueueState& q = word_queue_state();
  std::lock_guard<std::mutex> g(q.event_lock);
  return q.event_count;
}

}  // namespace vesk
