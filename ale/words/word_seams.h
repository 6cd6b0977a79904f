// Links from the word layer to modules that are built later: the word transmit queue, the
// link state and the host port's AMD-sent notice.
//
// Each hook, when empty, gives the default written beside it; the owning module sets it at
// engine start (or replaces the small reader in ale_word.cpp or frame_build.cpp by its own
// call once it exists). Tests set the hooks and read what went into them.
#pragma once

#include <functional>
#include <vector>

#include "ale/words/ale_word.h"

namespace vesk {

struct WordSeams {
  // The word transmit queue (`ale_tx_word`). Empty: the words are collected in `sent`.
  std::function<void(AleWord)> tx_word;
  std::vector<AleWord> sent;

  // Link state: the signalling mode (0 NORMAL, 1 ALTERNATE) and the idle test (states 1-4).
  // Empty: NORMAL, idle.
  std::function<int()> signalling_mode;
  std::function<bool()> engine_idle;

  // Host port: sets the AMD-sent flag. Empty: counted in `amd_sent_notices`.
  std::function<void()> amd_sent_pending;
  int amd_sent_notices = 0;
};

WordSeams& word_seams();

}  // namespace vesk
