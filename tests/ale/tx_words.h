// Test support: the words waiting in the station's word transmit queue, oldest first (lead-in
// and burst blocks carry no word and are left out).
#pragma once

#include <vector>

#include "ale/words/word_queue.h"
#include "db/locked_queue.h"

namespace vesk::test {

inline std::vector<AleWord> tx_queued_words() {
  std::vector<AleWord> out;
  LockedQueue* q = word_queue_state().tx_queue;
  for (int k = 0;; ++k) {
    const auto* block = static_cast<const SymbolBlock*>(queue_peek_at(q, k));
    if (block == nullptr) return out;
    if (block->word != 0) out.push_back(block->word);
  }
}

}  // namespace vesk::test
