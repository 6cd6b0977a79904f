// Voice identification on simulated time: keyed, the sound at the audio output, released;
// the due flag ten minutes after the tune sound's timer start.
#include "ale/frames/voice_id.h"

#include <gtest/gtest.h>

#include "ale/dispatch/api_dispatch.h"
#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/sound_card.h"
#include "modem/wav_player.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/radio_setup.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class VoiceIdTest : public ::testing::Test {
 protected:
  VoiceIdTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_set_default_options();
    api_queue_create();
    // A working channel that may transmit.
    ChannelRecord ch{};
    ch.in_use = 1;
    ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = 7000000;
    db_store_channel(1, ch);
    db_select_channel(1);
    // The radio: type NONE on a recording serial port, keyed by its RTS line.
    serial_ = FakeSerialBackend::install();
    db_set_rts_ptt(1);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    // The set-up pauses between its port steps: let the clock run through them.
    clock().set_auto_advance(true);
    radio_setup();
    clock().set_auto_advance(false);
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    // The card asks the word queue for symbols at every block it writes; a second demand for
    // the identification is made at the first of them, while the sound plays.
    sc.ale_hooks.tx_symbols_pending = [this] {
      if (again_ && again_result_ == 99) again_result_ = ale_send_voice_id();
      return ALE_TX_DRAINED;
    };
    sc.radio_hooks.ptt_off = [this] { ++automatic_releases_; };
  }
  // The transmitter's keyings (+) and releases (-) by its RTS line, with their times.
  std::vector<std::pair<char, int64_t>> keying() const {
    std::vector<std::pair<char, int64_t>> out;
    for (const FakeSerialBackend::Event& e : serial_->events())
      if (e.kind == FakeSerialBackend::Kind::Rts) out.emplace_back(e.value ? '+' : '-', e.t_ms);
    return out;
  }
  ~VoiceIdTest() override { snd_close(); }

  SimClock& clock() { return *st_.sim_clock(); }

  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  std::shared_ptr<FakeSerialBackend> serial_;
  int automatic_releases_ = 0;
  bool again_ = false;
  int again_result_ = 99;
};

TEST_F(VoiceIdTest, KeysPlaysTheFileThroughTheOutputAndReleases) {
  std::vector<int16_t> sound(8000 * 2);  // two seconds at 8 kHz
  for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<int16_t>(1000 + i % 3000);
  ASSERT_EQ(wav_write_file(dir_.path() + "/voice_id.wav", sound.data(), static_cast<int64_t>(sound.size()), 8000), 1);
  ASSERT_EQ(snd_set_device_specs("null", "wav:" + dir_.path() + "/out.wav"), 1);
  snd_open();
  clock().set_auto_advance(true);
  const std::size_t keyed_before = keying().size();  // the set-up's release
  again_ = true;  // a second demand while playing does nothing
  EXPECT_EQ(ale_send_voice_id(), 1);
  EXPECT_EQ(again_result_, 0);
  const auto k = keying();
  ASSERT_EQ(k.size(), keyed_before + 2);
  EXPECT_EQ(k[keyed_before].first, '+');
  EXPECT_EQ(k[keyed_before + 1].first, '-');
  EXPECT_GE(k[keyed_before + 1].second - k[keyed_before].second, 2000) << "released once the two seconds are played";
  EXPECT_EQ(automatic_releases_, 0) << "the sound ends no transmission of its own";
  snd_close();

  std::vector<int16_t> out;
  WavFormat format;
  ASSERT_EQ(wav_read_file(dir_.path() + "/out.wav", out, &format), 1);
  std::size_t first = 0;
  while (first < out.size() && out[first] == 0) ++first;
  std::size_t last = out.size();
  while (last > first && out[last - 1] == 0) --last;
  EXPECT_EQ(last - first, 48000u * 2);  // the whole sound, at 48 kHz
  EXPECT_EQ(out[first], 1000);
}

TEST_F(VoiceIdTest, MissingFileIsLoggedAndNothingKeyed) {
  const std::size_t before = keying().size();
  EXPECT_EQ(ale_send_voice_id(), 0);
  EXPECT_EQ(keying().size(), before);
  EXPECT_NE(log_monitor_text().find("[FILE NOT FOUND ERROR: voice_id.wav]"), std::string::npos);
}

TEST_F(VoiceIdTest, DueTenMinutesAfterTheTimerStarts) {
  timer_tick_start();
  ale_voice_id_due();
  ale_voice_id_timer_restart();  // a tune sound: the flag is cleared
  auto run_ms = [&](int ms) {
    clock().advance_ms(ms);
    while (ApiEvent* e = api_pop()) api_dispatch(e);
  };
  run_ms(kVoiceIdPeriodMs - 10);
  EXPECT_EQ(ale_voice_id_is_due(), 0);
  run_ms(10);
  EXPECT_EQ(ale_voice_id_is_due(), 1);
  run_ms(kVoiceIdPeriodMs);  // stays due until the next tune sound
  EXPECT_EQ(ale_voice_id_is_due(), 1);
  ale_voice_id_check();      // the hook does nothing and leaves the flag
  EXPECT_EQ(ale_voice_id_is_due(), 1);
  timer_tick_stop();
}

}  // namespace
}  // namespace vesk
