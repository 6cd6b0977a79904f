// The link state machine: scanning, calls, the handshake, soundings, and the transmitter's
// keying around them.
#include <gtest/gtest.h>

#include <algorithm>

#include "ale/engine/api_event.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/engine/timer.h"
#include "db/lqa.h"
#include "db/options.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class StateMachineTest : public StateMachineFixture {};

TEST_F(StateMachineTest, CallerLinksThroughTheThreeWayHandshake) {
  start_scanning();
  ASSERT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  ale_call_address("ABC", "");
  run_ms(3000);  // initiate, TWT, keying, the call, its end
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_RESPONSE);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(keyed_at_send[0]) << "keyed before the call's words went out ";
  receive_frame("ME", "ABC");
  EXPECT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_COMPLETION_OF_ACK);
  EXPECT_TRUE(logged("[LINKED  ][ABC            ]"));
  run_ms(1000);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  ASSERT_EQ(frames.size(), 2u);
  // The acknowledgement is queued at 40 ms, ahead of its keying at 370 ms: the sound card's
  // two queued blocks keep it off the air until after the keying (the vesk-ale-sim test).
  EXPECT_FALSE(keyed_at_send[1]);
  EXPECT_EQ(ale_linked_name_list(), std::vector<std::string>{"ABC"});
  EXPECT_EQ(states, (std::vector<int>{2, 5, 7, 10, 8, 11}));
}

TEST_F(StateMachineTest, ResponderLinksOnTheAcknowledgement) {
  start_scanning();
  receive_frame("ME", "ABC");
  EXPECT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE);
  run_ms(1500);
  ASSERT_EQ(frames.size(), 1u) << "the response";
  EXPECT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_ACK);
  receive_frame("ME", "ABC");
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_TRUE(logged("[LINKED  ][ABC            ]"));
  EXPECT_EQ(states, (std::vector<int>{2, 4, 6, 9, 11}));
}

TEST_F(StateMachineTest, KeyingTimes) {
  db_set_ptt_delay(100);
  start_scanning();
  ale_call_address("ABC", "");
  run_ms(100 + 780);  // the initiate and TWT: now keying starts
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_COMPLETION_OF_CALL);
  run_ms(360);
  EXPECT_FALSE(keyed());
  run_ms(10);
  EXPECT_TRUE(keyed()) << "keyed 370 ms after the listen";
  run_ms(120);
  EXPECT_TRUE(frames.empty());
  run_ms(10);
  ASSERT_EQ(frames.size(), 1u) << "key-down at the PTT delay plus 400 ms";
}

TEST_F(StateMachineTest, TwasCallReturnsToScanning) {
  start_scanning();
  ale_end_calls_with_twas();
  ale_call_address("ABC", "");
  run_ms(3000);
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(states, (std::vector<int>{2, 5, 7, 2}));
}

TEST_F(StateMachineTest, UnansweredCallTriesEveryChannelForEachAttemptThenFails) {
  db_set_option_int(opt::SOUNDING_ATTEMPTS, 2);
  start_scanning();
  ale_call_address("ABC", "");
  run_ms(60000);
  EXPECT_EQ(frames.size(), 6u);
  ASSERT_EQ(frame_channels.size(), 6u);
  std::vector<int> first(frame_channels.begin(), frame_channels.begin() + 3);
  EXPECT_EQ(std::vector<int>(frame_channels.begin() + 3, frame_channels.end()), first) << "the same round again";
  std::sort(first.begin(), first.end());
  EXPECT_EQ(first, (std::vector<int>{1, 2, 3})) << "each channel once in each attempt";
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_TRUE(logged("[FAILED  ][ABC "));
  EXPECT_EQ(ale_linked_count(), 0);
}

TEST_F(StateMachineTest, VoiceMovesTheCallToTheNextChannel) {
  start_scanning();
  ale_call_address("ABC", "");
  run_ms(200);
  ASSERT_EQ(ale_link_state(), ALE_STATE_LISTEN_BEFORE_CALL);
  const int listened_on = db_current_channel_index();
  ale_link_event(EV_VOICE_DETECTED);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LISTEN_BEFORE_CALL);
  EXPECT_NE(db_current_channel_index(), listened_on);
  EXPECT_TRUE(frames.empty());
}

TEST_F(StateMachineTest, ACallGivenUpOnBusyChannelsIsReportedAsFailed) {
  // The transfer queue learns of every failed call, also one that never went on the air.
  std::vector<int> transfer_events;
  api_state().hooks.transfer_event = [&](int ev) { transfer_events.push_back(ev); };
  start_scanning();
  ale_call_address("ABC", "");
  run_ms(200);
  int voices = 0;
  for (; voices < 50 && ale_link_state() == ALE_STATE_LISTEN_BEFORE_CALL; ++voices) {
    ale_link_event(EV_VOICE_DETECTED);
    run_ms(10);
  }
  run_ms(200);
  EXPECT_LT(voices, 50) << ale_link_state();
  EXPECT_TRUE(frames.empty());
  EXPECT_TRUE(logged("[FAILED  ][ABC "));
  EXPECT_EQ(transfer_events, std::vector<int>{2});
  api_state().hooks.transfer_event = nullptr;
}

TEST_F(StateMachineTest, VoiceStartsASoundingAtOnce) {
  start_scanning();
  ale_start_tis_sounding(2);
  run_ms(100);
  ASSERT_EQ(ale_link_state(), ALE_STATE_LISTEN_BEFORE_TIS_SOUND);
  ale_link_event(EV_VOICE_DETECTED);
  EXPECT_EQ(ale_link_state(), ALE_STATE_TIS_SOUND_IN_PROGRESS);
  run_ms(1000);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(ale_link_state(), ALE_STATE_PAUSE_SCAN) << "stays to hear answers";
  run_ms(2100);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(states, (std::vector<int>{2, 29, 31, 3, 2}));
}

TEST_F(StateMachineTest, TwasSoundingReturnsToScanning) {
  start_scanning();
  ale_start_twas_sounding(3);
  run_ms(3000);
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(states, (std::vector<int>{2, 28, 30, 2}));
}

TEST_F(StateMachineTest, StopInAPauseKeepsTheReturnState) {
  start_scanning();
  ale_start_tis_sounding(2);
  run_ms(2500);
  ASSERT_EQ(ale_link_state(), ALE_STATE_PAUSE_SCAN);
  ale_link_event(EV_STOP_SCAN);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
  EXPECT_EQ(ale_return_state(), ALE_STATE_SCANNING);
}

TEST_F(StateMachineTest, PolledStationsAnswerBringsTheLinkDown) {
  start_scanning();
  ale_start_poll("ABC", 2);
  run_ms(3000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_RESPONSE);
  receive_frame("ME", "ABC");
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_BRINGING_DOWN_LINK);
  EXPECT_TRUE(logged("[POLLED  ][ABC "));
}

TEST_F(StateMachineTest, CallWhileStoppedIsTheSingleChannelForm) {
  db_set_sclc(0);  // the single-channel call then has no scanning part
  ale_end_calls_with_twas();
  db_select_channel(2);
  ale_call_address("ABC", "");
  run_ms(3000);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frame_channels[0], 2) << "no channel change while not scanning";
  start_scanning();
  ale_call_address("ABC", "");
  run_ms(3000);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_GT(frames[1].size(), frames[0].size()) << "the scanning call is longer";
}

// A return to scanning between keying and key-down leaves no transmitter keyed.
TEST_F(StateMachineTest, ReturnToScanReleasesAKeyingWhoseFrameIsNotSent) {
  struct Case {
    const char* name;
    int after_listen_ms;  // time from the end of the listen to the return
    void (*back_to_scan)();
  } cases[] = {
      {"abort before the keying", 200, [] { ale_abort(); }},
      {"abort between keying and key-down", 380, [] { ale_abort(); }},
      {"link time-out between keying and key-down", 380, [] { ale_link_event(EV_TWA_TIMER); }},
  };
  start_scanning();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int keys = key_count();
    ale_call_address("ABC", "");
    run_ms(100 + 784);
    ASSERT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_COMPLETION_OF_CALL);
    run_ms(c.after_listen_ms);
    c.back_to_scan();
    EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
    EXPECT_FALSE(keyed());
    run_ms(2000);
    EXPECT_FALSE(keyed()) << "the pending keying was stopped";
    EXPECT_EQ(key_count() - keys, c.after_listen_ms >= 370 ? 1 : 0);
    EXPECT_TRUE(frames.empty());
  }
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

// A THIS IS sounding heard while scanning: the pause on it ends in scanning again, and the
// sounding station's link quality on the channel is recorded.
TEST_F(StateMachineTest, HeardSoundingIsRecordedAndScanningGoesOn) {
  start_scanning();
  const int channel = db_current_channel_number();
  LqaRecord before{};
  ASSERT_EQ(db_copy_lqa_record("ABC", channel, &before), 0);
  ASSERT_EQ(before.measured_age, kAgeNever);
  ale_frame_event_text(EV_RX_FRAME_BEGIN, "");
  EXPECT_EQ(ale_link_state(), ALE_STATE_PAUSE_SCAN_SYNC);
  for (int i = 0; i < 3; ++i) ale_frame_event_text(EV_RX_THIS_IS, "ABC");
  ale_frame_event_text(EV_RX_FRAME_END, "");
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  LqaRecord after{};
  ASSERT_EQ(db_copy_lqa_record("ABC", channel, &after), 0);
  EXPECT_EQ(after.measured_age, 0);
  EXPECT_EQ(states, (std::vector<int>{2, 4, 2}));
}

}  // namespace
}  // namespace vesk::test
