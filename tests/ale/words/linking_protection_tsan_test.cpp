// Linking protection across threads: the message receivers (worker) announce clear words while
// the word receiver (audio thread) runs the receive step, and two threads encode words at once;
// each side keeps to its own state.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ale/words/linking_protection.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

TEST(LinkingProtectionThreads, WorkerAnnouncesWhileTheAudioThreadReads) {
  TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  ChannelRecord ch{};
  ch.in_use = 1;
  ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
  db_store_channel(1, ch);
  db_select_channel(1);
  const int32_t halves[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};
  db_set_lp_key(0, halves, 1 << 2);
  db_enable_lp();
  ale_word_io_init();
  lp_init();
  std::atomic<bool> running{true};
  std::thread audio([&] {
    StationScope s(st);
    uint32_t w = 0x50A941;
    while (running.load()) {
      w = lp_rx_word(w * 2654435761u & 0xFFFFFF);
      uint32_t out = 0;
      (void)lp_rx_trial(w, &out);
    }
  });
  std::thread encoder([&] {
    StationScope s(st);
    bool ok = false;
    for (int i = 0; i < 2000; ++i) (void)lp_tx_word(ale_word_with_tag(0x50A941, 1 + i % 5), &ok);
  });
  bool ok = false;
  for (int i = 0; i < 2000; ++i) {
    lp_rx_expect_words(i % 7);
    lp_rx_expect_groups(i % 9);
    lp_rx_expect_text();
    (void)lp_tx_word(ale_word_with_tag(0x15A7C0, 1 + i % 5), &ok);
    (void)lp_display_level();
  }
  encoder.join();
  running.store(false);
  audio.join();
  EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace vesk::test
