// The scan monitor on a scanning station that hears a call between two other stations (ALFA
// and BRAVO): each phase keeps it on the channel, the acknowledgement starts a recording, and
// every way back to scanning ends it. The channel-quality data element and its update.
#include "ale/link/scan_monitor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "ale/engine/timer.h"
#include "ale/link/channel_quality.h"
#include "db/log.h"
#include "modem/call_recorder.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class ScanMonitorTest : public StateMachineFixture {
 protected:
  void SetUp() override {
    StateMachineFixture::SetUp();
    db_enable_recorder();
    db_set_recorder_max_secs(10);
    ale_recorder_init();
    start_scanning();
  }
  // Call, response and acknowledgement of ALFA and BRAVO, 2 s apart.
  void hear_handshake() {
    receive_frame("BRAVO", "ALFA");
    run_ms(2000);
    receive_frame("ALFA", "BRAVO");
    run_ms(2000);
    receive_frame("BRAVO", "ALFA");
  }
  bool paused() const { return ale_link_state() == ALE_STATE_PAUSE_SCAN_SYNC; }
};

TEST_F(ScanMonitorTest, TheAcknowledgementStartsARecordingThatTheDwellEnds) {
  receive_frame("BRAVO", "ALFA");
  EXPECT_TRUE(paused());
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_CALL_HEARD);
  EXPECT_TRUE(logged("[MONITOR: MONITOR IDLE - FRAME NOT FOR ME 10000]"));
  run_ms(2000);
  receive_frame("ALFA", "BRAVO");
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_RESPONSE_HEARD);
  EXPECT_TRUE(logged("[MONITOR: MONITOR CALL HEARD - FRAME NOT FOR ME 15000]"));
  EXPECT_EQ(rec_is_recording(), 0);
  run_ms(2000);
  receive_frame("BRAVO", "ALFA");
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_ACK_HEARD);
  EXPECT_EQ(rec_is_recording(), 1) << "the third frame starts the recording";
  EXPECT_EQ(display_status_texts().recorder, "RECORDING");
  const std::string file = rec_file_path();
  EXPECT_NE(file.find("recordings/F"), std::string::npos);
  // The timer runs for the recorder's maximum of 10 s.
  run_ms(9900);
  EXPECT_TRUE(paused());
  run_ms(200);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_IDLE);
  EXPECT_EQ(rec_is_recording(), 0);
  EXPECT_EQ(display_status_texts().recorder, "");
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(ScanMonitorTest, VoiceExtendsARecordingByFiveSecondsEachTime) {
  hear_handshake();
  run_ms(8000);
  ale_link_event(EV_VOICE_DETECTED);
  EXPECT_TRUE(logged("[MONITOR: MONITOR ACK HEARD - Voice Detect]"));
  run_ms(4000);
  ale_link_event(EV_VOICE_DETECTED);
  run_ms(7900);  // 19.9 s after the acknowledgement: 10 s and twice 5 s
  EXPECT_TRUE(paused());
  EXPECT_EQ(rec_is_recording(), 1);
  run_ms(200);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(rec_is_recording(), 0);
}

TEST_F(ScanMonitorTest, EveryWayBackToScanningEndsTheRecording) {
  struct Case {
    const char* name;
    void (*end)();
  } cases[] = {
      {"the link cleared", [] { receive_frame("BRAVO", "ALFA", false); }},
      {"operator abort", [] { ale_abort(); }},
      {"modem reset", [] { ale_link_event(EV_RESET_MODEM); }},
      {"a sounding heard", [] { ale_link_event(EV_RX_THIS_IS_SOUND); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    hear_handshake();
    ASSERT_EQ(rec_is_recording(), 1);
    run_ms(1000);
    c.end();
    EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
    EXPECT_EQ(rec_is_recording(), 0);
    EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_IDLE);
    EXPECT_EQ(display_status_texts().recorder, "");
    run_ms(3000);
  }
}

TEST_F(ScanMonitorTest, AFollowedCallLeftForScanningStartsAgainFromTheCall) {
  receive_frame("BRAVO", "ALFA");
  ASSERT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_CALL_HEARD);
  ale_link_event(EV_RESET_MODEM);
  ASSERT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  // The next two heard frames are a new call and its response: no recording yet.
  receive_frame("DELTA", "ECHO");
  receive_frame("ECHO", "DELTA");
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_RESPONSE_HEARD);
  EXPECT_EQ(rec_is_recording(), 0);
}

TEST_F(ScanMonitorTest, ACallPlacedWhileFollowingAHeardCallGoesOut) {
  struct Case {
    const char* name;
    int frames_heard;
  } cases[] = {{"after the call", 1}, {"while recording", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* const kHeard[][2] = {{"BRAVO", "ALFA"}, {"ALFA", "BRAVO"}, {"BRAVO", "ALFA"}};
    for (int i = 0; i < c.frames_heard; ++i) receive_frame(kHeard[i][0], kHeard[i][1]);
    ASSERT_TRUE(paused());
    const std::size_t sent = frames.size();
    ale_call_address("ABC", "");
    run_ms(3000);
    EXPECT_EQ(frames.size(), sent + 1) << "the call went out";
    EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_IDLE);
    EXPECT_EQ(rec_is_recording(), 0);
    ale_abort();
    run_ms(1000);
  }
}

TEST_F(ScanMonitorTest, WithListenCallsOffAHeardCallEndsThePause) {
  db_set_option_int(opt::LISTEN_CALLS, 0);
  hear_handshake();
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_IDLE);
  EXPECT_EQ(rec_is_recording(), 0);
  EXPECT_FALSE(logged("[MONITOR: "));
}

TEST_F(ScanMonitorTest, WithTheRecorderOffTheAcknowledgementListensForTheListenTime) {
  db_disable_recorder();
  ale_recorder_init();
  hear_handshake();
  EXPECT_EQ(ale_scan_monitor_state(), SCAN_MONITOR_ACK_HEARD);
  EXPECT_EQ(rec_is_recording(), 0);
  EXPECT_EQ(display_status_texts().recorder, "");
  run_ms(db_get_listen_time_ms() - 100);
  EXPECT_TRUE(paused());
  run_ms(200);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
}

// ---- channel quality ----

ChannelQualityPair pair_db(double average, double peak_over_average_db) {
  return {static_cast<float>(average), static_cast<float>(average * std::pow(10.0, peak_over_average_db / 20))};
}

TEST_F(ScanMonitorTest, ChannelQualityRatesTheAverageOverTheQuietestAndThePeak) {
  struct Case {
    const char* name;
    double over_quietest_db, peak_db;
    int quality;
  } cases[] = {
      {"the quietest, small peak", 0, 5, 0},  {"50 dB over, 7 dB peak", 50, 7, 10},
      {"10 dB over, 13 dB peak", 10, 13, 5},  {"20 dB over, flat", 20, 0, 6},
      {"70 dB over, 13 dB peak", 70, 13, 12}, {"110 dB over", 110, 0, 14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    aqc_channel_quality_set_pair(1, pair_db(1.0, 3));
    aqc_channel_quality_set_pair(2, pair_db(std::pow(10.0, c.over_quietest_db / 20), c.peak_db));
    aqc_channel_quality_set_pair(3, pair_db(1.0, 0));
    EXPECT_EQ(aqc_channel_quality(2), c.quality);
  }
  // Zero averages (a channel never sampled) rate 0, without dividing by zero.
  aqc_channel_quality_set_pair(2, {0, 0});
  EXPECT_EQ(aqc_channel_quality(2), 0);
  aqc_channel_quality_set_pair(2, pair_db(100.0, 7));
  aqc_channel_quality_set_pair(1, {0, 0});
  EXPECT_EQ(aqc_channel_quality(2), 0) << "the quietest average is 0";
  EXPECT_EQ(aqc_channel_quality(-1), 0);
  EXPECT_EQ(aqc_channel_quality(257), 0);
}

TEST_F(ScanMonitorTest, TheUpdateFoldsTheMeanIntoTheAverageAndThePeak) {
  aqc_channel_quality_set_pair(2, {1.0f, 4.0f});
  aqc_snr_add(2.0f);
  aqc_snr_add(4.0f);
  aqc_channel_quality_update(2);  // mean 3, below the peak
  ChannelQualityPair p = aqc_channel_quality_pair(2);
  EXPECT_FLOAT_EQ(p.peak, 4.0f * 0.9999f);
  EXPECT_FLOAT_EQ(p.average, 1.0f * 0.9999f + 3.0f * 0.0001f);
  aqc_snr_add(9.0f);
  aqc_channel_quality_update(2);
  EXPECT_FLOAT_EQ(aqc_channel_quality_pair(2).peak, 9.0f);
  // Nothing added since: the pair stays (no mean of nothing); a negative channel only empties.
  p = aqc_channel_quality_pair(2);
  aqc_channel_quality_update(2);
  EXPECT_EQ(aqc_channel_quality_pair(2).average, p.average);
  EXPECT_FALSE(std::isnan(aqc_channel_quality_pair(2).average));
  aqc_snr_add(1000.0f);
  aqc_channel_quality_update(-1);
  aqc_channel_quality_update(2);
  EXPECT_EQ(aqc_channel_quality_pair(2).peak, p.peak);
}

}  // namespace
}  // namespace vesk::test
