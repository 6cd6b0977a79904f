// Two stations joined by loopback audio through the channel simulator, on simulated time:
// words queued at one station cross a noisy, offset channel and come out at the other.
#include <gtest/gtest.h>

#include <memory>

#include "ale/events.h"
#include "ale/word_queue.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "sim/channel.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct Side {
  explicit Side(const std::string& dir) : st(dir, std::make_unique<SimClock>()) {}
  Station st;
  std::vector<EngineEvent> events;
};

TEST(ChannelLoopback, WordsCrossANoisyOffsetChannel) {
  test::TempDir da, db;
  Side a(da.path()), b(db.path());
  auto a_to_b = std::make_shared<AudioLoopback>();
  auto b_to_a = std::make_shared<AudioLoopback>();
  ChannelSimConfig cfg;
  cfg.sample_rate = 48000;
  cfg.snr_db = 10;
  cfg.signal_power = 0.5;  // the card's full-scale tones
  cfg.freq_offset_hz = 7;
  cfg.clock_offset_ppm = 40;
  cfg.seed = 11;
  auto channel = std::make_shared<ChannelSim>();
  ASSERT_EQ(channel_sim_init(*channel, cfg), 1);
  a_to_b->set_channel([channel](int16_t* s, int n) { channel_sim_process16_inplace(*channel, s, n); });

  for (Side* s : {&a, &b}) {
    StationScope scope(s->st);
    db_set_default_options();
    ale_word_io_init();
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    snd_bind_station_modules();
    const bool is_a = s == &a;
    sc.hooks.make_device = [&, is_a](AudioDirection dir) {
      const bool out = dir == AudioDirection::Output;
      return audio_loopback_device((is_a == out) ? a_to_b : b_to_a, dir, station().clock());
    };
    snd_open();
  }
  const std::vector<AleWord> words = {ale_make_word(ALE_TO, 'A', 'B', 'C'), ale_make_word(ALE_TO, 'A', 'B', 'C'),
                                      ale_make_word(ALE_DATA, 'D', 'E', 'F'), ale_make_word(ALE_TIS, 'X', 'Y', 'Z')};
  auto run = [&](int ms) {
    for (int i = 0; i < ms; ++i) {
      for (Side* s : {&a, &b}) {
        StationScope scope(s->st);
        s->st.sim_clock()->advance_ms(1);
        snd_step();
        EngineEvent e;
        while (ale_engine_event_pop(&e)) s->events.push_back(e);
      }
    }
  };
  run(700);
  {
    StationScope scope(a.st);
    for (AleWord w : words) ASSERT_EQ(ale_tx_word(w), 1);
  }
  run(2600);

  std::vector<AleWord> heard;
  for (const EngineEvent& e : b.events) {
    if (e.event != EV_ALE_WORD) continue;
    if (e.record.bad) break;  // the frame ends
    heard.push_back(e.record.word & kAleWordBits);
  }
  EXPECT_EQ(heard, words);
  for (Side* s : {&a, &b}) {
    StationScope scope(s->st);
    snd_close();
  }
}

}  // namespace
}  // namespace vesk
