// The sound card's transmit feed, end-of-transmission detection and receive path, run on the
// simulated clock with the WAV and null back ends: the real tone tables, burst and 8-FSK
// demodulator, and fakes for the word layer and the transmitter above the card.
#include "modem/sound_card.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "modem/aqc_burst.h"
#include "modem/fsk8.h"
#include "modem/resample.h"
#include "modem/serial_tone/m110_modem.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

constexpr int kWord = kSndWordBlockSamples;

// What the card tells the layers above it, and what the demodulator hands up.
struct Fakes {
  std::deque<int> symbols;
  int underruns = 0, ptt_offs = 0, receiver_resets = 0;
  std::vector<int64_t> underrun_ms;
  std::vector<uint8_t> heard_symbols;  // the demodulator's newest decision at each symbol boundary
};

class SoundCardTest : public ::testing::Test {
 protected:
  SoundCardTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    SoundCardAleHooks& ale = sc.ale_hooks;
    ale.tx_symbols_pending = [this] { return f_.symbols.empty() ? ALE_TX_DRAINED : ALE_TX_SYMBOLS_WAITING; };
    ale.tx_next_symbol = [this] {
      if (f_.symbols.empty()) return 9;
      const int s = f_.symbols.front();
      f_.symbols.pop_front();
      return s;
    };
    ale.post_tx_underrun = [this] {
      ++f_.underruns;
      f_.underrun_ms.push_back(station().clock().mono_ms() - open_ms_);
    };
    ale.reset_receiver = [this] { ++f_.receiver_resets; };
    sc.radio_hooks.ptt_off = [this] { ++f_.ptt_offs; };
    fsk_state().hooks.symbol = [this](const FskSymbol& s) { f_.heard_symbols.push_back(s.decision[63]); };
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

  // The tuning display as the demodulator would leave it after a strong signal (this thread
  // is the audio thread: the card has no threads of its own here). Call it once the card has
  // processed a block since it opened, or the demodulator's start clears it again.
  void fill_display() {
    FskState& s = fsk_state();
    s.smoothed.fill(1.0f);
    std::lock_guard<std::mutex> g(s.display_lock);
    s.display_bins.fill(1.0f);
  }
  bool display_clear() {
    std::array<float, FSK_BINS> bins{};
    fsk_get_display_bins(fsk_state(), bins.data());
    return std::all_of(bins.begin(), bins.end(), [](float b) { return b == 0.0f; });
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
  run_ms(100);  // the demodulator's start (asked for at open) is done
  fill_display();
  run_ms(2000);
  EXPECT_EQ(f_.underruns, 0);
  EXPECT_EQ(f_.ptt_offs, 0);
  EXPECT_EQ(f_.receiver_resets, 0);
  EXPECT_FALSE(display_clear()) << "the tuning display is cleared only when a transmission starts";
  for (int s : states_seen_) ASSERT_EQ(s, AUDIO_RX);
  const std::vector<int16_t> out = output();
  // Two blocks were queued at open and each finished one was replaced: 2 s of play plus two
  // blocks ahead, all silence, in whole blocks.
  EXPECT_EQ(out.size() % kWord, 0u);
  EXPECT_GE(out.size(), static_cast<std::size_t>(2 * 48000));
  for (int16_t v : out) ASSERT_EQ(v, 0);
}

// A transmission of each kind, queued once the card runs: what goes out (the burst waveform
// and the 8-FSK tone tables, sample for sample, between silence), and exactly one end of
// transmission (event, release, receiver reset, display clear) once its last block has left.
struct FeedCase {
  const char* name;
  int words;
  bool burst;
};

class SoundCardFeed : public SoundCardTest, public ::testing::WithParamInterface<FeedCase> {};

TEST_P(SoundCardFeed, OneEndPerTransmission) {
  const FeedCase& c = GetParam();
  open();
  run_ms(100);
  fill_display();
  std::vector<int16_t> want;  // the transmission's samples
  if (c.burst) {
    f_.symbols.push_back(ALE_TX_BURST_MARKER);
    for (int i = 1; i < kSndSymbolsPerBlock; ++i) f_.symbols.push_back(9);
    const AqcBurstState& b = aqc_burst_state();
    want.insert(want.end(), b.samples.begin(), b.samples.end());
  }
  queue_words(c.words);
  for (int w = 0; w < c.words; ++w)
    for (int s = 0; s < kSndSymbolsPerBlock; ++s) {
      const int16_t* t = fsk_tone_table(fsk_state(), w % 8);
      want.insert(want.end(), t, t + kSndSymbolSamples);
    }
  run_ms(4000);
  EXPECT_EQ(f_.underruns, 1);
  EXPECT_EQ(f_.ptt_offs, 1);
  EXPECT_EQ(f_.receiver_resets, 1);
  EXPECT_TRUE(display_clear());
  EXPECT_EQ(snd_audio_state(), AUDIO_RX);
  EXPECT_NE(std::find(states_seen_.begin(), states_seen_.end(), AUDIO_TX), states_seen_.end());

  const std::vector<int16_t> out = output();
  // Idle blocks are whole word blocks of silence, so the transmission starts on the block
  // boundary before its first sound.
  const auto sound = std::find_if(out.begin(), out.end(), [](int16_t v) { return v != 0; });
  ASSERT_NE(sound, out.end());
  const std::size_t first = static_cast<std::size_t>(sound - out.begin()) / kWord * kWord;
  ASSERT_LE(first + want.size(), out.size());
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(out[first + i], want[i]) << i;
  for (std::size_t i = first + want.size(); i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
  // The end is noticed when the last block has been played, not before, and promptly.
  ASSERT_EQ(f_.underrun_ms.size(), 1u);
  const double played_ms = static_cast<double>(first + want.size()) * 1000.0 / 48000.0;
  EXPECT_GE(f_.underrun_ms[0], played_ms);
  EXPECT_LE(f_.underrun_ms[0], played_ms + 3.0);
}

INSTANTIATE_TEST_SUITE_P(Feed, SoundCardFeed,
                         ::testing::Values(FeedCase{"ThreeWords", 3, false}, FeedCase{"OneWord", 1, false},
                                           FeedCase{"Burst", 0, true}, FeedCase{"BurstThenWord", 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The serial-tone modem on the card. Transmit: messages queued on the modem are played, each as
// a transmission of its own in its own mode (keyed at its start, released and reported at its
// end), when the TwxMode option lets the modem into the sound path; otherwise silence goes out
// and each message's end is still reported. The output is checked by the modem's own receiver.
struct ModemFeedCase {
  const char* name;
  int twx_mode;
  int link_ready;
  bool played;
};

class SoundCardModemFeed : public SoundCardTest, public ::testing::WithParamInterface<ModemFeedCase> {};

// Decodes 48 kHz card samples with the serial-tone receiver: (mode, bytes) per reception.
std::vector<std::pair<std::string, std::vector<uint8_t>>> decode_card_output(const std::vector<int16_t>& out) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> got;
  M110RxConfig config;
  M110Receiver* self = nullptr;
  config.on_byte = [&](int b) { got.back().second.push_back(static_cast<uint8_t>(b)); };
  config.status = [&](M110Status st, float) {
    if (st == M110Status::RxMode) got.push_back({m110_mode_info(self->rx_mode()).short_name, {}});
  };
  auto rx = std::make_unique<M110Receiver>(config);
  self = rx.get();
  DecimatorState dec;
  std::vector<int16_t> d9600(kRx9600BlockSamples + 8);
  for (std::size_t i = 0; i + kSndRxBlockSamples <= out.size(); i += kSndRxBlockSamples) {
    int n8 = 0, n96 = 0;
    snd_decimate(dec, out.data() + i, kSndRxBlockSamples, nullptr, &n8, d9600.data(), &n96);
    rx->rx_samples16(d9600.data(), n96);
  }
  std::vector<int16_t> tail(48000 * 3, 0);  // the receiver ends the last reception on silence
  for (std::size_t i = 0; i + kSndRxBlockSamples <= tail.size(); i += kSndRxBlockSamples) {
    int n8 = 0, n96 = 0;
    snd_decimate(dec, tail.data() + i, kSndRxBlockSamples, nullptr, &n8, d9600.data(), &n96);
    rx->rx_samples16(d9600.data(), n96);
  }
  return got;
}

TEST_P(SoundCardModemFeed, EachMessageIsATransmissionOfItsOwn) {
  const ModemFeedCase& c = GetParam();
  db_set_twx_mode(c.twx_mode);
  int ptt_ons = 0, tx_ends = 0;
  SoundCardAleHooks& ale = sound_card().ale_hooks;
  SoundCardRadioHooks& radio = sound_card().radio_hooks;
  SoundCardDataLinkHooks& data_link = sound_card().data_link_hooks;
  ale.link_ready = [&] { return c.link_ready; };
  radio.ptt_on = [&] { ++ptt_ons; };
  data_link.tx_end = [&] { ++tx_ends; };
  int not_sent = 0;
  log_set_sink([&](LogText, const std::string& line) {
    not_sent += line.find("[MODEM ERROR: SERIAL-TONE MODEM NOT IN THE SOUND PATH (TWX MODE), TRANSMISSION NOT SENT]") !=
                std::string::npos;
  });
  open();
  run_ms(100);
  const std::string one = "FIRST MESSAGE IN 600S";
  const std::string two = "SECOND MESSAGE, 2400S";
  ASSERT_TRUE(m110_transmit(reinterpret_cast<const uint8_t*>(one.data()), one.size(), "600S"));
  ASSERT_TRUE(m110_transmit(reinterpret_cast<const uint8_t*>(two.data()), two.size(), "2400S"));
  EXPECT_FALSE(m110_transmit(reinterpret_cast<const uint8_t*>(two.data()), two.size(), "600X"));
  std::vector<std::string> tx_texts;  // the status bar's transmit text as it changes
  for (int ms = 0; ms < 12000; ++ms) {
    run_ms(1);
    const std::string t = display_status_texts().modem_tx;
    if (tx_texts.empty() || tx_texts.back() != t) tx_texts.push_back(t);
  }
  EXPECT_EQ(tx_ends, 2) << "each message's end reaches the data link once";
  EXPECT_FALSE(sound_card().m110_tx->busy());
  const std::vector<int16_t> out = output();
  log_set_sink({});
  EXPECT_EQ(not_sent, c.played ? 0 : 2) << "each message not sent is logged once";
  if (!c.played) {
    EXPECT_EQ(ptt_ons, 0);
    EXPECT_EQ(f_.ptt_offs, 0);
    for (int16_t v : out) ASSERT_EQ(v, 0);
    return;
  }
  EXPECT_EQ(ptt_ons, 2);
  EXPECT_EQ(f_.ptt_offs, 2);
  EXPECT_EQ(tx_texts, (std::vector<std::string>{"", "TX 600 BPS SHORT", "", "TX 2400 BPS SHORT", ""}));
  const auto got = decode_card_output(out);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].first, "600S");
  EXPECT_EQ(got[1].first, "2400S");
  ASSERT_GE(got[0].second.size(), one.size());
  ASSERT_GE(got[1].second.size(), two.size());
  EXPECT_EQ(std::string(got[0].second.begin(), got[0].second.begin() + static_cast<std::ptrdiff_t>(one.size())), one);
  EXPECT_EQ(std::string(got[1].second.begin(), got[1].second.begin() + static_cast<std::ptrdiff_t>(two.size())), two);
}

INSTANTIATE_TEST_SUITE_P(Modem, SoundCardModemFeed,
                         ::testing::Values(ModemFeedCase{"Always", 2, 0, true}, ModemFeedCase{"LinkedAndReady", 1, 1, true},
                                           ModemFeedCase{"LinkedNotReady", 1, 0, false}, ModemFeedCase{"Off", 0, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Receive: a serial-tone transmission captured at 48 kHz reaches the modem's receiver at
// 9,600 Hz and its bytes the layer above, with the receive text and the start and end of the
// reception; with the modem out of the sound path nothing is heard.
TEST_F(SoundCardTest, ModemReceptionFromTheCardInput) {
  const std::string text = "HEARD THROUGH THE CARD";
  M110Transmitter tx;
  tx.set_mode(m110_mode_from_name("1200S"));
  std::vector<float> air = tx.send(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  air.insert(air.begin(), 9600, 0.0f);
  air.resize(air.size() + 9600 * 3, 0.0f);
  std::vector<float> wide(air.size() * 5);
  InterpolatorState interp;
  snd_interpolate_by5(interp, air.data(), wide.data(), static_cast<int>(air.size()));
  std::vector<int16_t> pcm(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) pcm[i] = snd_float_to_pcm16(wide[i]);
  const std::string in = dir_.path() + "/modem.wav";
  ASSERT_EQ(wav_write_file(in, pcm.data(), static_cast<int64_t>(pcm.size())), 1);
  const int run = static_cast<int>(pcm.size() / 48);
  for (int twx : {2, 0}) {
    SCOPED_TRACE(twx);
    db_set_twx_mode(twx);
    std::string bytes;
    int starts = 0, ends = 0;
    std::vector<std::string> rx_texts;
    SoundCardDataLinkHooks& data_link = sound_card().data_link_hooks;
    data_link.rx_byte = [&](int b) { bytes.push_back(static_cast<char>(b)); };
    data_link.rx_start = [&] { ++starts; };
    data_link.rx_end = [&] { ++ends; };
    open("wav:" + in);
    for (int ms = 0; ms < run; ++ms) {
      run_ms(1);
      const std::string t = display_status_texts().modem_rx;
      if (rx_texts.empty() || rx_texts.back() != t) rx_texts.push_back(t);
    }
    snd_close();
    if (twx == 0) {
      EXPECT_EQ(starts, 0);
      EXPECT_TRUE(bytes.empty());
      continue;
    }
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(rx_texts, (std::vector<std::string>{"", "RX 1200 BPS SHORT", ""}));
    EXPECT_EQ(bytes.substr(0, text.size()), text);
  }
}

TEST_F(SoundCardTest, ToneTablesAreBuiltAtOpen) {
  open();
  const FskState& fsk = fsk_state();
  ASSERT_EQ(sound_card().tone_tables, fsk.tone_tables.data());
  // Each tone table is its symbol's tone (cosine from phase 0); the silence table is silent.
  for (int s = 0; s < 8; ++s) {
    const int16_t* t = fsk_tone_table(fsk, s);
    int rising = 0;
    for (int n = 1; n < kSndSymbolSamples; ++n) rising += t[n - 1] < 0 && t[n] >= 0;
    EXPECT_GT(t[0], 32000) << s;
    EXPECT_NEAR(rising, kFskToneHz[s] * kSndSymbolSamples / 48000, 1) << s;
  }
  const int16_t* silence = fsk_tone_table(fsk, FSK_SILENCE_SYMBOL);
  EXPECT_TRUE(std::all_of(silence, silence + kSndSymbolSamples, [](int16_t v) { return v == 0; }));
}

TEST_F(SoundCardTest, ReceivePathFeedsTheDemodulatorAndDropsBlocksWhileTransmitting) {
  // Input: symbol 1's tone (1 kHz) from a file.
  std::vector<int16_t> tone(48000 * 3);
  for (std::size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 1000 * i / 48000.0));
  const std::string in = dir_.path() + "/in.wav";
  ASSERT_EQ(wav_write_file(in, tone.data(), static_cast<int64_t>(tone.size())), 1);
  open("wav:" + in);
  run_ms(1000);
  const int64_t blocks = sound_card().rx_blocks_processed;
  EXPECT_NEAR(static_cast<double>(blocks), 1000 / 26.25, 1.5);
  // Every 8 kHz sample of each block reached the demodulator: one symbol per 64 samples.
  EXPECT_NEAR(static_cast<double>(f_.heard_symbols.size()),
              static_cast<double>(blocks * kRxAudioBlockSamples) / FSK_SYMBOL_SAMPLES, 1.0);
  ASSERT_GT(f_.heard_symbols.size(), 10u);
  for (std::size_t i = 2; i < f_.heard_symbols.size(); ++i) ASSERT_EQ(f_.heard_symbols[i], 1) << i;

  // While the card transmits, captured blocks go nowhere.
  queue_words(3);
  run_ms(300);
  const std::size_t heard_before = f_.heard_symbols.size();
  const int64_t processed_before = sound_card().rx_blocks_processed;
  ASSERT_EQ(snd_audio_state(), AUDIO_TX);
  run_ms(600);
  EXPECT_EQ(f_.heard_symbols.size(), heard_before);
  EXPECT_EQ(sound_card().rx_blocks_processed, processed_before);
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
  open("wav:" + dir_.path() + "/missing.wav");
  EXPECT_EQ(sound_card().input_open.load(), 0);
  EXPECT_EQ(sound_card().output_open.load(), 1);
  const std::string text = log_monitor_text();
  const std::string warning = "Unable to Open Soundcard Input BADDEVICEID\n";
  const std::size_t at = text.find(warning);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_EQ(text.find(warning, at + 1), std::string::npos) << "warned once";
  EXPECT_EQ(text.find("Unable to Open Soundcard Output"), std::string::npos);
  run_ms(100);
}


// A device that plays or records only synchronously: it works, and says SYNC when opened.
class SyncOnlyDevice : public AudioDevice {
 public:
  SyncOnlyDevice(AudioDirection dir, Clock& clock) : inner_(audio_null_device(dir, clock)) {}
  int open(AudioCallbacks callbacks) override {
    inner_->open(std::move(callbacks));
    return AUDIO_ERR_SYNC;
  }
  int submit(AudioBuffer* buffer) override { return inner_->submit(buffer); }
  int start() override { return inner_->start(); }
  void close() override { inner_->close(); }
  void poll() override { inner_->poll(); }
  std::string name() const override { return "sync"; }

 private:
  std::unique_ptr<AudioDevice> inner_;
};

TEST_F(SoundCardTest, ASynchronousOnlyOutputIsRefusedAndASynchronousOnlyInputUsed) {
  sound_card().device_hooks.make_device = [](AudioDirection dir) {
    return std::make_unique<SyncOnlyDevice>(dir, station().clock());
  };
  snd_open();
  EXPECT_EQ(sound_card().input_open.load(), 1);
  EXPECT_EQ(sound_card().output_open.load(), 0);
  const std::string text = log_monitor_text();
  EXPECT_NE(text.find("Unable to Open Soundcard Output SYNC\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Unable to Open Soundcard Input"), std::string::npos) << text;
}

}  // namespace
}  // namespace vesk
