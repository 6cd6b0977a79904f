// Two stations in one process joined by loopback audio on simulated time: words queued at one
// go out through its sound card and come back as received words at the other, clean and
// through the channel simulator with noise and frequency and clock offsets.
#include <gtest/gtest.h>

#include "ale/words/word_events.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "modem/fsk8.h"
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

struct PathCase {
  const char* name;
  bool channel;
  double snr_db;
  double clock_offset_ppm;
  double freq_offset_hz;
  unsigned seed;
};

class SoundCardLoopback : public ::testing::TestWithParam<PathCase> {};

TEST_P(SoundCardLoopback, WordsCrossFromOneStationToTheOther) {
  const PathCase& c = GetParam();
  test::TempDir da, db;
  Side a(da.path()), b(db.path());
  auto a_to_b = std::make_shared<AudioLoopback>();
  auto b_to_a = std::make_shared<AudioLoopback>();
  ChannelSim air;
  if (c.channel) {
    ChannelSimConfig cfg;
    cfg.sample_rate = 48000;
    cfg.snr_db = c.snr_db;
    cfg.signal_power = 0.5;  // the card's full-scale tones
    cfg.clock_offset_ppm = c.clock_offset_ppm;
    cfg.freq_offset_hz = c.freq_offset_hz;
    cfg.seed = c.seed;
    ASSERT_EQ(channel_sim_init(air, cfg), 1);
    a_to_b->set_channel([&air](int16_t* s, int n) { channel_sim_process16_inplace(air, s, n); });
  }
  for (Side* s : {&a, &b}) {
    StationScope scope(s->st);
    ale_word_io_init();
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    // The card's hooks into the word queue and receiver, and the demodulator's symbols into
    // the word receiver, as the station binds them.
    sc.ale_hooks.tx_symbols_pending = [] { return ale_tx_symbols_waiting() ? ALE_TX_SYMBOLS_WAITING : ALE_TX_DRAINED; };
    sc.ale_hooks.tx_next_symbol = [] { return ale_tx_next_symbol(); };
    sc.ale_hooks.post_tx_underrun = [] { ale_post_tx_underrun(); };
    sc.ale_hooks.reset_receiver = [] { ale_reset_receiver(); };
    fsk_state().hooks.symbol = ale_rx_symbol;
    const bool is_a = s == &a;
    sc.device_hooks.make_device = [&, is_a](AudioDirection dir) {
      const bool out = dir == AudioDirection::Output;
      auto path = (is_a == out) ? a_to_b : b_to_a;
      return audio_loopback_device(path, dir, station().clock());
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
  run(100);
  {
    StationScope scope(a.st);
    for (AleWord w : words) ASSERT_EQ(ale_tx_word(w), 1);
  }
  run(2600);  // behind the two blocks queued at open: four words of 392 ms

  std::vector<AleWord> heard;
  for (const EngineEvent& e : b.events)
    if (e.event == EV_ALE_WORD && !e.record.bad) heard.push_back(e.record.word & kAleWordBits);
  EXPECT_EQ(heard, words);
  int underruns = 0;
  for (const EngineEvent& e : a.events) underruns += e.event == EV_ALE_TX_UNDERUN;
  EXPECT_EQ(underruns, 1);
  for (Side* s : {&a, &b}) {
    StationScope scope(s->st);
    snd_close();
  }
}

INSTANTIATE_TEST_SUITE_P(Air, SoundCardLoopback,
                         ::testing::Values(PathCase{"Clean", false, 0, 0, 0, 0},
                                           PathCase{"Noise10dBClockOffset", true, 10, 50, 0, 7},
                                           PathCase{"Noise10dBFrequencyAndClockOffset", true, 10, 40, 7, 11}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vesk
