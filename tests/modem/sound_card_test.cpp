// The sound card's transmit feed, end-of-transmission detection and receive path, run on the
// simulated clock with the WAV and null back ends and fakes for the modules it calls.
#include "modem/sound_card.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <thread>
#include <deque>
#include <fstream>

#include "db/log.h"
#include "modem/resample.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

constexpr int kWord = kSndWordBlockSamples;

// Each tone table holds one constant value, so a block in the output file says which
// symbols it was made of.
int16_t table_value(int symbol) { return static_cast<int16_t>(100 * (symbol + 1)); }

struct Fakes {
  std::deque<int> symbols;
  std::deque<std::vector<float>> modem_blocks;
  std::vector<int16_t> tables = std::vector<int16_t>(kSndToneTables * kSndSymbolSamples);
  std::vector<int16_t> burst = std::vector<int16_t>(kSndBurstSamples, 7777);
  int underruns = 0, ptt_offs = 0, link_completes = 0, receiver_resets = 0, display_clears = 0;
  std::vector<int64_t> underrun_ms;
  bool link_ready = false;
  std::vector<int16_t> heard8k, heard9600;
};

class SoundCardTest : public ::testing::Test {
 protected:
  SoundCardTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    for (int s = 0; s < kSndToneTables; ++s)
      std::fill_n(f_.tables.begin() + s * kSndSymbolSamples, kSndSymbolSamples, table_value(s));
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    SoundCardHooks& h = sc.hooks;
    h.fsk_build_tone_tables = [this] { return f_.tables.data(); };
    h.aqc_build_burst_waveform = [this] { return f_.burst.data(); };
    h.ale_tx_symbols_pending = [this] { return f_.symbols.empty() ? ALE_TX_DRAINED : ALE_TX_SYMBOLS_WAITING; };
    h.ale_tx_next_symbol = [this] {
      if (f_.symbols.empty()) return 9;
      const int s = f_.symbols.front();
      f_.symbols.pop_front();
      return s;
    };
    h.ale_post_tx_underrun = [this] {
      ++f_.underruns;
      f_.underrun_ms.push_back(station().clock().mono_ms() - open_ms_);
    };
    h.ptt_off = [this] { ++f_.ptt_offs; };
    h.fs1052_link_tx_complete = [this] { ++f_.link_completes; };
    h.ale_reset_receiver = [this] { ++f_.receiver_resets; };
    h.fsk_clear_display_bins = [this] { ++f_.display_clears; };
    h.ale_link_ready = [this] { return f_.link_ready; };
    h.m110_pop_tx_block = [this](float* dst) {
      if (f_.modem_blocks.empty()) return 0;
      std::copy(f_.modem_blocks.front().begin(), f_.modem_blocks.front().end(), dst);
      f_.modem_blocks.pop_front();
      return 1;
    };
    h.fsk_process_block = [this](const int16_t* s, int n) { f_.heard8k.insert(f_.heard8k.end(), s, s + n); };
    h.m110_rx_samples = [this](const int16_t* s, int n) { f_.heard9600.insert(f_.heard9600.end(), s, s + n); };
  }
  ~SoundCardTest() override { snd_close(); }

  std::string out_path() const { return dir_.path() + "/out.wav"; }

  void open(const std::string& in = "null") {
    ASSERT_EQ(snd_set_device_specs(in, "wav:" + out_path()), 1);
    open_ms_ = station().clock().mono_ms();
    snd_open();
  }

  // Runs the card for `ms` of simulated time, one step per millisecond; notes the states seen.
  void run_ms(int ms) {
    for (int i = 0; i < ms; ++i) {
      st_.sim_clock()->advance_ms(1);
      snd_step();
      states_seen_.push_back(snd_audio_state());
    }
  }

  std::vector<int16_t> output() {
    snd_close();
    std::vector<int16_t> s;
    WavFormat fmt;
    EXPECT_EQ(wav_read_file(out_path(), s, &fmt), 1);
    return s;
  }

  void queue_words(int words, int symbol = 0) {
    for (int i = 0; i < words * kSndSymbolsPerBlock; ++i) f_.symbols.push_back((symbol + i / kSndSymbolsPerBlock) % 8);
  }

  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  Fakes f_;
  int64_t open_ms_ = 0;
  std::vector<int> states_seen_;
};

TEST_F(SoundCardTest, FloatToPcm16) {
  const struct {
    float x;
    int16_t want;
  } cases[] = {{1.0f, 32767}, {-1.0f, -32768}, {0.0f, 0}, {-0.00001f, -1}, {0.5f, 16383}, {-0.5f, -16384},
               {2.0f, 32767}, {-2.0f, -32768}};
  for (const auto& c : cases) EXPECT_EQ(snd_float_to_pcm16(c.x), c.want) << c.x;
}

TEST_F(SoundCardTest, IdlePlaysSilenceAndStaysReceiving) {
  open();
  run_ms(2000);
  EXPECT_EQ(f_.underruns, 0);
  EXPECT_EQ(f_.ptt_offs, 0);
  for (int s : states_seen_) ASSERT_EQ(s, AUDIO_RX);
  const std::vector<int16_t> out = output();
  // Two blocks were queued at open and each finished one was replaced: 2 s of play plus two
  // blocks ahead, all silence, in whole blocks.
  EXPECT_EQ(out.size() % kWord, 0u);
  EXPECT_GE(out.size(), static_cast<std::size_t>(2 * 48000));
  for (int16_t v : out) ASSERT_EQ(v, 0);
}

// A transmission of each kind, queued once the card runs: what goes out, and exactly one end
// of transmission (event, release, link event) once its last block has left.
struct FeedCase {
  const char* name;
  int words;
  bool burst;
  int modem_blocks;
  int twx_mode;
  int want_ends;
  int want_carried_samples;
};

class SoundCardFeed : public SoundCardTest, public ::testing::WithParamInterface<FeedCase> {};

TEST_P(SoundCardFeed, OneEndPerTransmission) {
  const FeedCase& c = GetParam();
  snd_set_option_twx_mode(c.twx_mode);
  open();
  run_ms(100);
  if (c.burst) {
    f_.symbols.push_back(ALE_TX_BURST_MARKER);
    for (int i = 1; i < kSndSymbolsPerBlock; ++i) f_.symbols.push_back(9);
  }
  queue_words(c.words);
  for (int i = 0; i < c.modem_blocks; ++i) f_.modem_blocks.emplace_back(kModemBlockSamples, 0.5f);
  run_ms(4000);
  EXPECT_EQ(f_.underruns, c.want_ends);
  EXPECT_EQ(f_.ptt_offs, c.want_ends);
  EXPECT_EQ(f_.link_completes, c.want_ends);
  EXPECT_EQ(f_.receiver_resets, c.want_ends);
  EXPECT_EQ(f_.display_clears, c.want_ends);
  EXPECT_EQ(snd_audio_state(), AUDIO_RX);
  const bool saw_tx = std::find(states_seen_.begin(), states_seen_.end(), AUDIO_TX) != states_seen_.end();
  EXPECT_EQ(saw_tx, c.want_ends > 0);

  const std::vector<int16_t> out = output();
  // The carried samples are one run between silence.
  std::size_t first = out.size(), last = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] != 0) {
      first = std::min(first, i);
      last = i;
    }
  }
  if (c.want_carried_samples == 0) {
    EXPECT_EQ(first, out.size());
    return;
  }
  ASSERT_LT(first, out.size());
  EXPECT_EQ(first % kWord, 0u) << "a transmission starts on a block boundary";
  // The interpolator's output ends in the filter's tail: allow it a few samples.
  EXPECT_NEAR(static_cast<double>(last + 1 - first), c.want_carried_samples, c.modem_blocks ? 40 : 0);
  if (c.words > 0) {
    const std::size_t words_at = first + (c.burst ? kSndBurstSamples : 0);
    for (int w = 0; w < c.words; ++w)
      for (int s = 0; s < kSndSymbolsPerBlock; ++s)
        ASSERT_EQ(out[words_at + w * kWord + s * kSndSymbolSamples], table_value(w % 8)) << w << " " << s;
  }
  // The end is noticed when the last block has been played, not before, and promptly.
  ASSERT_EQ(f_.underrun_ms.size(), 1u);
  const double played_ms = (last + 1) * 1000.0 / 48000.0;
  const double end_ms = c.modem_blocks ? played_ms + kWord * 1000.0 / 48000.0 : played_ms;
  EXPECT_GE(f_.underrun_ms[0], end_ms - (c.modem_blocks ? 2.0 : 0.0));
  EXPECT_LE(f_.underrun_ms[0], end_ms + 3.0);
}

INSTANTIATE_TEST_SUITE_P(
    Feed, SoundCardFeed,
    ::testing::Values(FeedCase{"ThreeWords", 3, false, 0, 0, 1, 3 * kWord},
                      FeedCase{"OneWord", 1, false, 0, 0, 1, kWord},
                      FeedCase{"Burst", 0, true, 0, 0, 1, kSndBurstSamples},
                      FeedCase{"BurstThenWord", 1, true, 0, 0, 1, kSndBurstSamples + kWord},
                      FeedCase{"ModemBlocksTwxAlways", 0, false, 2, 2, 1, 2 * kSndModemOutSamples},
                      FeedCase{"ModemBlocksTwxOff", 0, false, 2, 0, 0, 0},
                      FeedCase{"ModemBlocksTwxLinkedNotReady", 0, false, 2, 1, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SoundCardTest, BurstConsumesTheWholeSymbolBlock) {
  open();
  run_ms(50);
  f_.symbols.push_back(ALE_TX_BURST_MARKER);
  for (int i = 1; i < kSndSymbolsPerBlock; ++i) f_.symbols.push_back(3);
  for (int i = 0; i < kSndSymbolsPerBlock; ++i) f_.symbols.push_back(5);  // then a word
  run_ms(1200);
  EXPECT_TRUE(f_.symbols.empty());
  const std::vector<int16_t> out = output();
  std::size_t first = 0;
  while (first < out.size() && out[first] == 0) ++first;
  ASSERT_LT(first + kSndBurstSamples, out.size());
  EXPECT_EQ(out[first], 7777);
  EXPECT_EQ(out[first + kSndBurstSamples - 1], 7777);
  EXPECT_EQ(out[first + kSndBurstSamples], table_value(5));
}

TEST_F(SoundCardTest, ReceivePathSplitsBlocksAndDropsThemWhileTransmitting) {
  // Input: a 1 kHz tone from a file.
  std::vector<int16_t> tone(48000 * 3);
  for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000 * i / 48000.0));
  const std::string in = dir_.path() + "/in.wav";
  ASSERT_EQ(wav_write_file(in, tone.data(), static_cast<int64_t>(tone.size())), 1);
  snd_set_option_twx_mode(2);
  open("wav:" + in);
  run_ms(1000);
  const int64_t blocks = sound_card().rx_blocks_processed;
  EXPECT_NEAR(static_cast<double>(blocks), 1000 / 26.25, 1.5);
  EXPECT_EQ(f_.heard8k.size(), static_cast<std::size_t>(blocks * kRxAudioBlockSamples));
  EXPECT_EQ(f_.heard9600.size(), static_cast<std::size_t>(blocks * kRx9600BlockSamples));
  int peak = 0;
  for (std::size_t i = 400; i < f_.heard8k.size(); ++i) peak = std::max(peak, std::abs(int{f_.heard8k[i]}));
  EXPECT_NEAR(peak, 8000, 200);

  // While the card transmits, captured blocks go nowhere.
  queue_words(3);
  run_ms(300);
  const std::size_t heard_before = f_.heard8k.size();
  ASSERT_EQ(snd_audio_state(), AUDIO_TX);
  run_ms(600);
  EXPECT_EQ(f_.heard8k.size(), heard_before);
}

TEST_F(SoundCardTest, ModemInTheSoundPathFollowsTheTwxMode) {
  const struct {
    int twx;
    bool ready;
    int want;
  } cases[] = {{0, false, 0}, {0, true, 0}, {1, false, 0}, {1, true, 1}, {2, false, 1}, {2, true, 1}, {3, true, 0}};
  for (const auto& c : cases) {
    snd_set_option_twx_mode(c.twx);
    f_.link_ready = c.ready;
    EXPECT_EQ(m110_is_active(), c.want) << c.twx << " " << c.ready;
  }
}

TEST_F(SoundCardTest, CloseAndReopen) {
  for (int i = 0; i < 3; ++i) {
    open();
    run_ms(500);
    EXPECT_EQ(snd_audio_state(), AUDIO_RX);
    snd_close();
    EXPECT_EQ(snd_audio_state(), AUDIO_CLOSING);
  }
}

TEST_F(SoundCardTest, DeviceSpecsAreChecked) {
  const struct {
    const char* spec;
    bool ok;
  } cases[] = {{"null", true}, {"wav:x.wav", true}, {"alsa:default", true}, {"alsa:hw:1,0", true},
               {"wav:", false}, {"alsa:", false}, {"pulse", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(snd_device_spec_valid(c.spec), c.ok) << c.spec;
}

TEST_F(SoundCardTest, MissingInputFileIsReportedAndLeavesTheInputClosed) {
  std::vector<std::string> boxes;
  sound_card().hooks.message_box = [&](const std::string& t) { boxes.push_back(t); };
  open("wav:" + dir_.path() + "/missing.wav");
  EXPECT_EQ(sound_card().input_open.load(), 0);
  EXPECT_EQ(sound_card().output_open.load(), 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Unable to Open Soundcard Input BADDEVICEID");
  run_ms(100);
}

}  // namespace
}  // namespace vesk
