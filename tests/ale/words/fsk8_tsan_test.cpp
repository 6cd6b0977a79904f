// The demodulator runs on the audio thread while engine threads read its activity figures and
// ask for resets; ThreadSanitizer checks that they never touch the same data unguarded.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "modem/fsk8.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

TEST(Fsk8Threads, EngineCallsWhileTheAudioThreadDemodulates) {
  TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  FskState& fsk = fsk_state();
  fsk_init(fsk);
  ale_word_io_init();
  fsk.hooks.symbol = ale_rx_symbol;
  std::atomic<bool> done{false};
  std::thread audio([&] {
    StationScope s(st);
    std::vector<int16_t> block(FSK_RX_BLOCK_SAMPLES);
    uint32_t r = 3;
    for (int b = 0; b < 400; ++b) {
      for (int n = 0; n < FSK_RX_BLOCK_SAMPLES; ++n) {
        r = r * 1664525u + 1013904223u;
        block[n] = static_cast<int16_t>(8000 * std::cos(2 * M_PI * 1250 * n / 8000.0) + ((r >> 20) & 255) - 128);
      }
      fsk_process_block(fsk, block.data(), FSK_RX_BLOCK_SAMPLES);
    }
    done = true;
  });
  std::thread engine([&] {
    StationScope s(st);
    float bins[FSK_BINS], energy[FSK_SYMBOL_SAMPLES];
    int calls = 0;
    while (!done) {
      const int a = fsk_channel_activity(fsk, ale_rx_sync_seen);
      EXPECT_GE(a, 0);
      EXPECT_LE(a, 3);
      fsk_get_display_bins(fsk, bins);
      fsk_get_timing_energy(fsk, energy);
      if (++calls % 50 == 0) {
        fsk_reset(fsk);
        ale_reset_receiver();
        fsk_clear_display_bins(fsk);
      }
      std::this_thread::yield();
    }
  });
  audio.join();
  engine.join();
}

}  // namespace
}  // namespace vesk::test
