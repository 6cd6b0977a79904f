// The sound card with its own threads: the audio thread and the input pump on the station's
// clock, and the ALSA device's I/O threads; open and close repeat, and close joins them all
// before the buffers go.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

#include "db/options.h"
#include "modem/fsk8.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

// A word queue fake that the audio thread reads while the test thread fills it, and a count
// of the symbols the demodulator hands up from the captured blocks.
struct FakeWords {
  std::mutex lock;
  std::deque<int> symbols;
  std::atomic<int> ends{0}, releases{0}, symbols_heard{0};
};

// Symbols the demodulator decides from `blocks` captured blocks.
int symbols_in(int blocks) { return blocks * kRxAudioBlockSamples / FSK_SYMBOL_SAMPLES; }

void install(FakeWords& w) {
  SoundCardAleHooks& ale = sound_card().ale_hooks;
  ale.tx_symbols_pending = [&w] {
    std::lock_guard<std::mutex> g(w.lock);
    return w.symbols.empty() ? ALE_TX_DRAINED : ALE_TX_SYMBOLS_WAITING;
  };
  ale.tx_next_symbol = [&w] {
    std::lock_guard<std::mutex> g(w.lock);
    if (w.symbols.empty()) return 9;
    const int s = w.symbols.front();
    w.symbols.pop_front();
    return s;
  };
  ale.post_tx_underrun = [&w] { ++w.ends; };
  sound_card().radio_hooks.ptt_off = [&w] { ++w.releases; };
  fsk_state().hooks.symbol = [&w](const FskSymbol&) { ++w.symbols_heard; };
}

void queue_words(FakeWords& w, int n) {
  std::lock_guard<std::mutex> g(w.lock);
  for (int i = 0; i < n * kSndSymbolsPerBlock; ++i) w.symbols.push_back(i % 8);
}

template <class Pred>
bool wait_for(Pred done, int limit_ms) {
  for (int i = 0; i < limit_ms && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

TEST(SoundCardThreads, TransmitOnAnAutoAdvancingClock) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  st.sim_clock()->set_auto_advance(true);
  FakeWords w;
  install(w);
  snd_set_device_specs("null", "wav:" + dir.path() + "/out.wav");
  for (int round = 1; round <= 3; ++round) {
    snd_open();
    queue_words(w, 3);
    EXPECT_TRUE(wait_for([&] { return w.ends.load() == round; }, 60000));
    EXPECT_TRUE(wait_for([&] { return w.symbols_heard.load() > symbols_in(10 * round); }, 60000));
    snd_close();
  }
  EXPECT_EQ(w.ends.load(), 3);
  EXPECT_EQ(w.releases.load(), 3);
}

// Serial-tone messages queued from another thread (as the data link's thread does) while the
// card's threads play them: each is keyed, released and reported ended once.
TEST(SoundCardThreads, ModemMessagesFromAnotherThread) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  st.sim_clock()->set_auto_advance(true);
  FakeWords w;
  install(w);
  db_set_twx_mode(2);
  std::atomic<int> keyings{0}, tx_ends{0};
  sound_card().radio_hooks.ptt_on = [&] { ++keyings; };
  sound_card().data_link_hooks.tx_end = [&] { ++tx_ends; };
  snd_set_device_specs("null", "wav:" + dir.path() + "/out.wav");
  snd_open();
  std::thread link([&st] {
    StationScope s(st);
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (const char* mode : {"1200S", "2400S", "600S"}) EXPECT_TRUE(m110_transmit(bytes, sizeof bytes, mode));
    m110_rx_reset();
  });
  link.join();
  EXPECT_TRUE(wait_for([&] { return tx_ends.load() == 3; }, 60000));
  snd_close();
  EXPECT_EQ(keyings.load(), 3);
  EXPECT_EQ(w.releases.load(), 3);
  EXPECT_EQ(tx_ends.load(), 3);
}

TEST(SoundCardThreads, AlsaNullDeviceOpensAndCloses) {
  test::TempDir dir;
  const std::string conf = dir.path() + "/asound.conf";
  std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\npcm.!default { type plug slave.pcm \"null\" }\n";
  setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  Station st(dir.path());
  StationScope scope(st);
  FakeWords w;
  install(w);
  for (int round = 0; round < 2; ++round) {
    snd_open();
    EXPECT_EQ(sound_card().input_name, "alsa:default");
    EXPECT_EQ(sound_card().output_name, "alsa:default");
    EXPECT_TRUE(wait_for([&] { return w.symbols_heard.load() > symbols_in(2); }, 60000));
    snd_close();
    w.symbols_heard = 0;
  }
  unsetenv("ALSA_CONFIG_PATH");
}

}  // namespace
}  // namespace vesk
