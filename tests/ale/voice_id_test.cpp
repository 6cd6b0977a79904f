// Voice identification on simulated time: keyed, the sound at the audio output, released;
// the due flag ten minutes after the tune sound's timer start.
#include "ale/link/voice_id.h"

#include <gtest/gtest.h>

#include "ale/engine/api_event.h"
#include "db/events.h"
#include "ale/engine/timer.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "modem/wav_player.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class VoiceIdTest : public ::testing::Test {
 protected:
  VoiceIdTest() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_set_default_options();
    api_queue_create();
    SoundCardState& sc = sound_card();
    sc.threaded = false;
    sc.hooks.player_next_block = [](int16_t* dst, int max) { return wav_player_next_block(dst, max); };
    sc.hooks.player_block_played = [this] {
      wav_player_block_played();
      if (again_) again_result_ = ale_send_voice_id();
    };
    sc.hooks.ptt_off = [this] { events_.push_back("automatic release"); };
    VoiceIdSeams& v = voice_id_state().seams;
    v.ptt_on_manual = [this] {
      events_.push_back("keyed");
      return 1;
    };
    v.ptt_off_manual = [this] {
      events_.push_back(wav_player_busy() ? "released while playing" : "released");
      return 1;
    };
  }
  ~VoiceIdTest() override { snd_close(); }

  SimClock& clock() { return *st_.sim_clock(); }

  test::TempDir dir_;
  Station st_;
  StationScope scope_;
  std::vector<std::string> events_;
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
  again_ = true;  // a second demand while playing does nothing
  EXPECT_EQ(ale_send_voice_id(), 1);
  EXPECT_EQ(again_result_, 0);
  EXPECT_EQ(events_, (std::vector<std::string>{"keyed", "released"}));
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
  EXPECT_EQ(ale_send_voice_id(), 0);
  EXPECT_TRUE(events_.empty());
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
