// A station on simulated time with the 8-FSK receiver and the word queues started, the
// demodulator's symbols going to the word receiver, and the link state idle (scanning stopped,
// as after start-up).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ale/link/link_state.h"
#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class WordStationTest : public ::testing::Test {
 protected:
  WordStationTest()
      : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    db_set_default_options();
    fsk_build_tone_tables(fsk_state());
    fsk_init(fsk_state());
    ale_word_io_init();
    fsk_state().hooks.symbol = ale_rx_symbol;
    ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
};


}  // namespace vesk::test
