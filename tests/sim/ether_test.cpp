// The simulated ether: who hears whom, sums of simultaneous transmissions, noise at the SNR
// of each frequency, and repeatable runs.
#include "sim/ether.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ale/engine/events.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/scan.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "tests/support/child_process.h"
#include "ui/station_wiring.h"

namespace vesk {
namespace {

struct Radios {
  std::vector<int> rx{7000000, 7000000, 9000000};
  std::vector<int> tx{7000000, 7000000, 9000000};
  void join(SimEther& ether) {
    for (std::size_t i = 0; i < rx.size(); ++i)
      ether.add_station([this, i] { return rx[i]; }, [this, i] { return tx[i]; });
  }
};

std::vector<int16_t> block(int16_t value, int n = 480) { return std::vector<int16_t>(static_cast<std::size_t>(n), value); }

std::vector<int16_t> hear(SimEther& ether, int who, int64_t at, int n = 480) {
  std::vector<int16_t> out(static_cast<std::size_t>(n));
  ether.capture(who, at, out.data(), n);
  return out;
}

TEST(SimEther, HeardOnTheSameFrequencyOnlyAndSummed) {
  Radios r;
  SimEther ether({});
  r.join(ether);
  ether.play(0, 0, block(1000).data(), 480);
  EXPECT_EQ(hear(ether, 1, 0), block(1000));   // same frequency
  EXPECT_EQ(hear(ether, 2, 0), block(0));      // another frequency
  EXPECT_EQ(hear(ether, 0, 0), block(0));      // never itself
  // Two at once on 7 MHz are summed at the third station, which has tuned there now.
  r.rx[2] = 7000000;
  ether.play(0, 480, block(1000).data(), 480);
  ether.play(1, 480, block(-300).data(), 480);
  EXPECT_EQ(hear(ether, 2, 480), block(700));
  // The transmitter's frequency counts at the moment it is heard.
  ether.play(0, 960, block(1000).data(), 480);
  r.tx[0] = 9000000;
  EXPECT_EQ(hear(ether, 1, 960), block(0));
}

double noise_power_db(SimEther& ether, int who) {
  const int n = 48000;
  const std::vector<int16_t> x = hear(ether, who, 0, n);
  double p = 0;
  for (int16_t v : x) p += static_cast<double>(v) * v;
  return 10 * std::log10(p / n / (0.5 * 32768.0 * 32768.0));  // against a full-scale tone
}

TEST(SimEther, NoiseAtTheSnrOfTheReceiveFrequency) {
  Radios r;
  SimEtherConfig cfg;
  cfg.noise = true;
  cfg.snr_db = 10;
  cfg.snr_at_hz[9000000] = 25;
  SimEther ether(cfg);
  r.join(ether);
  EXPECT_NEAR(noise_power_db(ether, 0), -10, 0.5);
  EXPECT_NEAR(noise_power_db(ether, 2), -25, 0.5);
}

TEST(SimEther, FadingRunsRepeat) {
  auto run = [] {
    Radios r;
    SimEtherConfig cfg;
    cfg.noise = true;
    cfg.fading = FadingPreset::Poor;
    cfg.seed = 3;
    SimEther ether(cfg);
    r.join(ether);
    std::vector<int16_t> tone(4800);
    for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(10000 * std::sin(0.2 * i));
    ether.play(0, 0, tone.data(), 4800);
    return hear(ether, 1, 0, 4800);
  };
  const std::vector<int16_t> a = run();
  EXPECT_EQ(a, run());
  double p = 0;
  for (int16_t v : a) p += static_cast<double>(v) * v;
  EXPECT_GT(p, 0);
}

// Three stations' sound cards on the ether: words sent by one are decoded by the station tuned
// to its frequency, through noise, and not by the station tuned elsewhere.
TEST(SimEther, WordsReachOnlyTheStationOnTheFrequency) {
  struct Side {
    explicit Side(const std::string& dir) : st(dir, std::make_unique<SimClock>()) {}
    Station st;
    std::vector<AleWord> heard;
  };
  test::TempDir d0, d1, d2;
  Side sides[3] = {Side(d0.path()), Side(d1.path()), Side(d2.path())};
  SimEtherConfig cfg;
  cfg.noise = true;
  cfg.snr_db = 15;
  SimEther ether(cfg);
  const int freqs[3] = {7102000, 7102000, 10145000};
  for (int i = 0; i < 3; ++i) {
    Station* st = &sides[i].st;
    auto freq = [st] {
      StationScope scope(*st);
      return db_get_current_rx_freq();
    };
    ether.add_station(freq, freq);
    StationScope scope(*st);
    db_open();
    db_set_current_rx_freq(freqs[i]);
    db_set_current_tx_freq(freqs[i]);
    ale_word_io_init();
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    station_wire();
    sc.device_hooks.make_device = [&ether, i](AudioDirection dir) { return ether.device(i, dir, station().clock()); };
    snd_open();
  }
  auto run = [&](int ms) {
    for (int t = 0; t < ms; ++t)
      for (Side& s : sides) {
        StationScope scope(s.st);
        s.st.sim_clock()->advance_ms(1);
        snd_step();
        EngineEvent e;
        while (ale_engine_event_pop(&e))
          if (e.event == EV_ALE_WORD && !e.record.bad) s.heard.push_back(e.record.word & kAleWordBits);
      }
  };
  run(300);
  const std::vector<AleWord> words = {ale_make_word(ALE_TO, 'A', 'B', 'C'), ale_make_word(ALE_TO, 'A', 'B', 'C'),
                                      ale_make_word(ALE_TIS, 'X', 'Y', 'Z')};
  {
    StationScope scope(sides[0].st);
    for (AleWord w : words) ASSERT_EQ(ale_tx_word(w), 1);
  }
  run(2500);
  EXPECT_EQ(sides[1].heard, words);
  EXPECT_TRUE(sides[2].heard.empty());
  for (Side& s : sides) {
    StationScope scope(s.st);
    snd_close();
  }
}

}  // namespace
}  // namespace vesk
