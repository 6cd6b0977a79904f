// Engine events come from the audio thread (words) and the transmit thread (end of a
// transmission) while the worker takes them: every event arrives whole.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ale/words/word_events.h"
#include "ale/words/word_queue.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

TEST(EngineEventThreads, EveryPoppedEventIsWhole) {
  TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  ale_word_io_init();
  constexpr int kEach = 3000;
  std::atomic<int> posted{0};
  auto producer = [&](int kind) {
    StationScope s(st);
    for (int i = 0; i < kEach; ++i) {
      int ok;
      if (kind == 0) {
        RxWordRecord r;
        r.word = static_cast<AleWord>(i);
        r.raw_bits.fill(static_cast<uint8_t>(i));
        r.golay_errors = i % 5;
        ok = ale_rx_post_word(r);
      } else {
        ok = ale_post_tx_underrun();
      }
      posted += ok;
      if (!ok) std::this_thread::yield();
    }
  };
  std::atomic<bool> producing{true};
  int popped = 0;
  std::thread consumer([&] {
    StationScope s(st);
    EngineEvent e;
    while (producing || ale_engine_event_count() > 0) {
      if (!ale_engine_event_pop(&e)) continue;
      ++popped;
      if (e.event == EV_ALE_WORD) {
        for (uint8_t b : e.record.raw_bits) ASSERT_EQ(b, static_cast<uint8_t>(e.record.word));
        ASSERT_EQ(e.record.golay_errors, static_cast<int>(e.record.word % 5));
      }
    }
  });
  std::thread words(producer, 0), underruns(producer, 1);
  words.join();
  underruns.join();
  producing = false;
  consumer.join();
  EXPECT_EQ(popped, posted.load());
}

}  // namespace
}  // namespace vesk::test
