// A station on simulated time with the 8-FSK receiver and the word queues started.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ale/word_queue.h"
#include "ale/word_rx.h"
#include "modem/fsk8.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class WordStationTest : public ::testing::Test {
 protected:
  WordStationTest()
      : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    fsk_build_tone_tables();
    fsk_init();
    ale_word_io_init();
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
};

// An AleWord of a type and three characters.
constexpr int32_t make_word(int type, char c1, char c2, char c3) {
  return (type << 21) | (c1 << 14) | (c2 << 7) | c3;
}

}  // namespace vesk::test
