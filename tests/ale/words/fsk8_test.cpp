#include "modem/fsk8.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/options.h"
#include "platform/station.h"
#include "sim/fsk_link.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

class Fsk8 : public ::testing::Test {
 protected:
  Fsk8() : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    db_set_default_options();
    fsk_build_tone_tables(fsk_state());
    fsk_init(fsk_state());
    ale_word_io_init();
    fsk_state().hooks.symbol = ale_rx_symbol;
  }
  // Feeds 16-bit samples in blocks of at most 210.
  static void feed(const std::vector<int16_t>& x) {
    for (std::size_t i = 0; i < x.size(); i += FSK_RX_BLOCK_SAMPLES)
      fsk_demodulate_block(fsk_state(), &x[i], static_cast<int>(std::min<std::size_t>(FSK_RX_BLOCK_SAMPLES, x.size() - i)));
  }
  static std::vector<int16_t> tone(double hz, int samples, double amplitude = 0.5) {
    std::vector<int16_t> x(static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; ++n)
      x[n] = static_cast<int16_t>(std::lround(amplitude * 32767 * std::cos(2 * M_PI * hz * n / 8000)));
    return x;
  }
  TempDir dir_;
  Station station_;
  StationScope scope_;
};

TEST_F(Fsk8, EachToneDecidesItsSymbol) {
  struct Case {
    double hz;
    int symbol;
  };
  const Case cases[] = {{750, 0}, {1000, 1}, {1500, 2}, {1250, 3},
                        {2500, 4}, {2250, 5}, {1750, 6}, {2000, 7}};
  for (const Case& c : cases) {
    fsk_init(fsk_state());
    feed(tone(c.hz, 640));
    int symbol;
    float energy;
    fsk_get_symbol_at(fsk_state(), 63, &symbol, &energy);
    EXPECT_EQ(symbol, c.symbol) << c.hz << " Hz";
  }
}

TEST_F(Fsk8, ToneAt2750CountsInBandButNeverWins) {
  FskState& s = fsk_state();
  feed(tone(2750, 639));  // ends just before a symbol boundary
  const int phase = (s.sample_phase + 63) % 64;  // of the last sample
  EXPECT_LT(s.best_peak[phase], 0.01f);          // only rounding residue in the tone bins
  EXPECT_NEAR(s.in_band_total[phase], 16.0f, 0.1f);
}

TEST_F(Fsk8, SilenceDecidesNoToneAndLeavesTheChannelQuiet) {
  feed(std::vector<int16_t>(640, 0));
  for (int place : {0, 16, 32, 48, 63}) {
    int symbol;
    float energy;
    fsk_get_symbol_at(fsk_state(), place, &symbol, &energy);
    EXPECT_EQ(symbol, 8);
    EXPECT_EQ(energy, 0.0f);
  }
  EXPECT_EQ(fsk_channel_activity(fsk_state()), 0);
}

TEST(Fsk8Convert, SixteenBitToFloat) {
  EXPECT_EQ(fsk_sample_to_float(-1), 0.0f);
  EXPECT_EQ(fsk_sample_to_float(-32768), -32767 * 3.0518e-05f);
  EXPECT_EQ(fsk_sample_to_float(32767), 32767 * 3.0518e-05f);
  EXPECT_EQ(fsk_sample_to_float(0), 0.0f);
}

TEST_F(Fsk8, ToneTablesJoinWithoutPhaseJumps) {
  for (int v = 0; v < 8; ++v) {
    const int16_t* t = fsk_tone_table(fsk_state(), v);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t[0], 32766) << v;  // starts at the cosine peak (0.999999 of full scale)
  }
  EXPECT_EQ(fsk_tone_table(fsk_state(), FSK_TUNE_SYMBOL)[0], 16383);
  const int16_t* silence = fsk_tone_table(fsk_state(), FSK_SILENCE_SYMBOL);
  for (int n = 0; n < FSK_TX_SYMBOL_SAMPLES; ++n) ASSERT_EQ(silence[n], 0);
  EXPECT_EQ(fsk_tone_table(fsk_state(), 10), nullptr);
}

TEST_F(Fsk8, ActivityJudgesEachWindowOnce) {
  // Tones over a weak broadband floor pass; the next call sees only what came after.
  std::vector<int16_t> x = tone(1250, 2000, 0.5);
  uint32_t r = 1;
  for (auto& v : x) {
    r = r * 1664525u + 1013904223u;
    v = static_cast<int16_t>(v + static_cast<int>((r >> 16) % 201) - 100);
  }
  feed(x);
  EXPECT_EQ(fsk_channel_activity(fsk_state()), 1);
  EXPECT_EQ(fsk_channel_activity(fsk_state()), 0);
}

TEST_F(Fsk8, LateEnergyStepsTheTimingOneSample) {
  FskState& s = fsk_state();
  fsk_set_symbol_phase(s, 0);
  // Energy only in the late half: every symbol boundary votes late.
  for (int i = 32; i < 64; ++i) s.energy[i] = 1.0f;
  feed(std::vector<int16_t>(16 * 64 + 1, 0));  // 17 boundaries, the last on the last sample
  EXPECT_EQ(s.pending_step, 1);
  const int phase = s.sample_phase;
  std::vector<int16_t> block(FSK_RX_BLOCK_SAMPLES, 0);
  fsk_demodulate_block(s, block.data(), FSK_RX_BLOCK_SAMPLES);
  EXPECT_EQ(s.pending_step, 0);
  EXPECT_EQ(s.sample_phase, (phase + 211) % 64);  // the last sample played twice
}

TEST_F(Fsk8, QualityRisesWithTheSignal) {
  std::vector<float> audio;
  uint8_t symbols[ALE_WORD_SYMBOLS * 4];
  for (int i = 0; i < ALE_WORD_SYMBOLS * 4; ++i) symbols[i] = static_cast<uint8_t>((i * 5) % 8);
  sim_fsk_modulate(symbols, ALE_WORD_SYMBOLS * 4, FSK_SAMPLE_RATE, 0.5f, audio);
  SimFskReceiver rx;
  sim_fsk_receive(rx, audio.data(), static_cast<int>(audio.size()));
  const double clean = fsk_average_snr(fsk_state());
  EXPECT_GT(clean, 2.0);
  fsk_init(fsk_state());
  std::vector<float> noise(audio.size());
  uint32_t r = 7;
  for (std::size_t i = 0; i < noise.size(); ++i) {
    r = r * 1664525u + 1013904223u;
    noise[i] = audio[i] * 0.1f + (static_cast<float>(r >> 8) / 16777216.0f - 0.5f) * 0.5f;
  }
  sim_fsk_receive(rx, noise.data(), static_cast<int>(noise.size()));
  EXPECT_LT(fsk_average_snr(fsk_state()), clean);
}

// The quality stored with a received word is the demodulator's recent signal quality. After a
// retune (the scan step resets the demodulator and the word receiver) it must be the new
// channel's alone: whatever the old channel carried, a strong station or silence, may not move
// the figure of the first words heard on the new one.
TEST(Fsk8Retune, FirstWordQualityOnTheNewChannelIgnoresTheOldOne) {
  const std::vector<AleWord> words = {ale_make_word(ALE_TIS, 'B', 'R', 'V'), ale_make_word(ALE_TIS, 'B', 'R', 'V'),
                                      ale_make_word(ALE_TIS, 'B', 'R', 'V')};
  std::vector<float> strong;  // the old channel: a clean, strong station
  sim_fsk_modulate_words(words, FSK_SAMPLE_RATE, 0.5f, strong);
  const std::vector<float> silent(strong.size(), 0.0f);
  // The new channel: the same words, weaker and in noise, after a little noise alone.
  std::vector<float> tones(800, 0.0f);
  sim_fsk_modulate_words(words, FSK_SAMPLE_RATE, 0.3f, tones);
  std::vector<float> weak(tones.size());
  uint32_t r = 11;
  for (std::size_t i = 0; i < weak.size(); ++i) {
    r = r * 1664525u + 1013904223u;
    weak[i] = tones[i] + (static_cast<float>(r >> 8) / 16777216.0f - 0.5f) * 0.3f;
  }
  struct Case {
    const char* old_channel;
    const std::vector<float>* audio;
  };
  const Case cases[] = {{"nothing heard", nullptr}, {"a strong station", &strong}, {"silence", &silent}};
  double reference = -1;
  for (const Case& c : cases) {
    TempDir dir;
    Station station(dir.path(), std::make_unique<SimClock>());
    StationScope scope(station);
    db_set_default_options();
    fsk_build_tone_tables(fsk_state());
    fsk_init(fsk_state());
    ale_word_io_init();
    fsk_state().hooks.symbol = ale_rx_symbol;
    SimFskReceiver rx;
    if (c.audio != nullptr) sim_fsk_receive(rx, c.audio->data(), static_cast<int>(c.audio->size()));
    ale_reset_receiver();  // the scan step's retune
    fsk_reset(fsk_state());
    std::vector<RxWordRecord> heard;
    rx.on_word = [&](const SimRxWord& w) { heard.push_back(w.record); };
    sim_fsk_receive(rx, weak.data(), static_cast<int>(weak.size()));
    ASSERT_FALSE(heard.empty()) << c.old_channel;
    EXPECT_EQ(heard[0].word, words[0]) << c.old_channel;
    if (reference < 0) {
      reference = heard[0].sinad;
      EXPECT_GT(reference, 1.0);
    } else {
      EXPECT_NEAR(heard[0].sinad, reference, reference * 0.05) << c.old_channel;
    }
  }
}

}  // namespace
}  // namespace vesk::test
