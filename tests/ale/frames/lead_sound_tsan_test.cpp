// The lead-in tune on the real WAV player and sound card (WAV output, simulated time): the
// sound plays on a thread of its own while the transmitter's caller holds the link lock, and
// the frame's words follow the sound's last sample with nothing between.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "ale/frames/frame_sections.h"
#include "ale/link/transmitters.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "modem/sound_card.h"
#include "modem/wav_player.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

class LeadSoundTest : public ::testing::Test {
 protected:
  LeadSoundTest() : station_(dir_.path(), clock()), scope_(station_) {
    db_open();
    db_set_own_address_at("ABC", 0);
    ale_word_io_init();
    ale_section_queues_init();
    sound_card().threaded = false;
    // The sound card's upward hooks into the word queue, as the station binds them.
    SoundCardAleHooks& ale = sound_card().ale_hooks;
    ale.tx_symbols_pending = [] { return ale_tx_symbols_waiting() ? ALE_TX_SYMBOLS_WAITING : ALE_TX_DRAINED; };
    ale.tx_next_symbol = [] { return ale_tx_next_symbol(); };
    ale.post_tx_underrun = [this] { ++underruns_; };
  }
  ~LeadSoundTest() override {
    ale_lead_sound_wait();
    snd_close();
  }
  static std::unique_ptr<Clock> clock() {
    auto c = std::make_unique<SimClock>();
    c->set_auto_advance(true);
    return c;
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
  int underruns_ = 0;
};

TEST_F(LeadSoundTest, TuneSoundAndFrameGoOutWithNothingBetween) {
  std::vector<int16_t> tune(static_cast<std::size_t>(2 * kSndWordBlockSamples + 500));
  for (std::size_t i = 0; i < tune.size(); ++i) tune[i] = static_cast<int16_t>(1000 + i % 5000);
  ASSERT_EQ(wav_write_file(dir_.path() + "/atu_tune.wav", tune.data(), static_cast<int64_t>(tune.size())), 1);
  ASSERT_EQ(snd_set_device_specs("null", "wav:" + dir_.path() + "/out.wav"), 1);
  snd_open();

  ale_set_scan_mode(ALE_SCAN_MODE_SCANNING);
  db_set_atu_tone_tune(1);
  ale_set_own_address("ABC");
  ale_set_called("KILO");
  {
    // As the state machine runs it: under the link lock, which the sound never needs. The
    // frame's words wait until the sound has gone to the feed.
    std::lock_guard<std::recursive_mutex> hold(link_state().lock);
    ale_tx_call_scanning();
    ale_lead_sound_wait();
  }
  // Play on until the frame's end has been noticed (the WAV output plays on the station clock).
  for (int i = 0; i < 400 && sound_card().tx_ends == 0; ++i) {
    snd_step();
    station_.clock().sleep_ms(10);
  }
  snd_close();

  std::vector<int16_t> out;
  WavFormat fmt;
  ASSERT_EQ(wav_read_file(dir_.path() + "/out.wav", out, &fmt), 1);
  const auto start = std::search(out.begin(), out.end(), tune.begin(), tune.begin() + 64);
  ASSERT_NE(start, out.end());
  ASSERT_GE(out.end() - start, static_cast<std::ptrdiff_t>(tune.size() + 2000));
  EXPECT_TRUE(std::equal(tune.begin(), tune.end(), start));
  // Right behind the sound's last sample the frame's tones begin: no block of silence.
  const auto after = start + static_cast<std::ptrdiff_t>(tune.size());
  EXPECT_GT(std::count_if(after, after + 2000, [](int16_t v) { return v != 0; }), 1500);
  EXPECT_EQ(underruns_, 1);  // the frame's end, not the sound's
}

}  // namespace
}  // namespace vesk::test
