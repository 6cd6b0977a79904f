// The station's start through its wiring: the start order applies the command-line
// parameters, runs once, and leaves a stepped station with no threads of its own.
#include "ui/station_wiring.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "ale/engine/events.h"
#include "db/locked_queue.h"
#include "db/log.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/sound_card.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/keying.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class StationStart : public ::testing::Test {
 protected:
  StationStart() {
    // The radio set-up opens its ports on a recording fake, never a real device, and its pauses
    // run on the simulated clock.
    FakeSerialBackend::install();
    station_.sim_clock()->set_auto_advance(true);
    station_wire();
    snd_set_device_specs("null", "null");
  }
  ~StationStart() override {
    station_stop();
    snd_close();
    timer_tick_stop();
  }
  test::TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

// Runs the start with the clock moving on its own (the set-up's pauses), then holds it.
StationThread* start_stepped(Station& st) {
  StationThread* worker = station_start(EngineRun::Stepped);
  st.sim_clock()->set_auto_advance(false);
  return worker;
}

TEST_F(StationStart, AppliesTheCommandLineParameters) {
  ale_command_line_add("-P2000");
  ale_command_line_add("station.qrg");
  start_stepped(station_);
  EXPECT_EQ(db_get_tcp_port(), ((2000 & 0xFF) << 8) | (2000 >> 8));
  EXPECT_EQ(db_get_tcp_autostart(), 1);
  EXPECT_NE(log_monitor_text().find("station.qrg\r\n"), std::string::npos);
}

TEST_F(StationStart, RunsOnceAndASteppedStationHasNoWorker) {
  EXPECT_EQ(start_stepped(station_), nullptr);
  EXPECT_FALSE(sound_card().threaded);
  const int held = timer_slots_in_use();
  EXPECT_GT(held, 0) << "the LQA ageing timer runs";
  station_start(EngineRun::Stepped);  // a second start does nothing
  EXPECT_EQ(timer_slots_in_use(), held);
  // The worker's queues are up: an API event reaches it.
  ApiEvent* e = api_alloc(0);
  e->kind = 27;
  api_post(e);
  ale_engine_step();
  EXPECT_NE(log_monitor_text().find("Unknown API event 27\n"), std::string::npos);
}

TEST_F(StationStart, TheLinkQualityAgesEveryMinute) {
  start_stepped(station_);
  EXPECT_EQ(timer_is_running(EV_LQA_AGE_TIMER), 1);
  auto ageing_expiries = [] {
    int n = 0;
    for (int k = 0;; ++k) {
      auto* e = static_cast<ApiEvent*>(queue_peek_at(api_state().queue, k));
      if (e == nullptr) return n;
      if (e->kind == API_TIMER_EXPIRY && e->param == EV_LQA_AGE_TIMER) ++n;
    }
  };
  SimClock& clock = *station_.sim_clock();
  clock.advance_ms(59990);
  EXPECT_EQ(ageing_expiries(), 0);
  clock.advance_ms(10);
  EXPECT_EQ(ageing_expiries(), 1);
  clock.advance_ms(60000);
  EXPECT_EQ(ageing_expiries(), 2);
}

TEST_F(StationStart, KeyingRestartsTheLinkActivityTimeOut) {
  station_start(EngineRun::Stepped);
  ChannelRecord ch{};
  ch.permission = CHANNEL_TX;
  ch.rx_freq_hz = ch.tx_freq_hz = 7000000;
  db_select_channel(db_add_channel(ch));
  timer_stop(EV_TWA_TIMER);
  ptt_on();
  EXPECT_EQ(timer_is_running(EV_TWA_TIMER), 1);
  ptt_off();
}

TEST_F(StationStart, MixerFailuresReachTheNetworkTrace) {
  // ALSA's default device on the null device: it opens, its card has no mixer.
  const std::string conf = dir_.path() + "/asound.conf";
  std::ofstream(conf) << "</usr/share/alsa/alsa.conf>\npcm.!default { type plug slave.pcm \"null\" }\n";
  setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  snd_set_device_specs("alsa:default", "alsa:default");
  log_set_socket_trace(1);
  station_start(EngineRun::Stepped);
  unsetenv("ALSA_CONFIG_PATH");
  const std::string text = log_monitor_text();
  EXPECT_NE(text.find("Error Opening Input Mixer ID\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Error Opening Output Mixer ID\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace vesk
