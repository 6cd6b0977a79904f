// The link state machine's linked states and net handshakes: exchanges inside a link, clears,
// net, group, allcall and anycall calls with their slotted responses, driven by received
// frames and timers on one station.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_linked.h"
#include "ale/engine/timer.h"
#include "db/options.h"
#include "db/tables.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class LinkedStatesTest : public StateMachineFixture {
 protected:
  void SetUp() override {
    StateMachineFixture::SetUp();
    for (const char* name : {"A1", "A2", "A3", "CAL"}) db_add_other_address(name, 0, 0, 0);
    const char* net[] = {"NETA", "ME", "A1", "A2", "A3"};  // this station calls it
    ASSERT_EQ(db_add_net_from_list(net, 5), 1);
    const char* heard[] = {"NETB", "CAL", "ME", "A2"};      // this station answers in slot 1
    ASSERT_EQ(db_add_net_from_list(heard, 4), 1);
  }

  // The three-way handshake as the caller, ending in LINKED IDLE with ABC.
  void link_with_abc() {
    start_scanning();
    ale_call_address("ABC", "");
    run_ms(3000);
    receive_frame("ME", "ABC");
    run_ms(1000);
    ASSERT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
    frames.clear();
    states.clear();
    states.push_back(ale_link_state());
  }

  static void begin_frame() { ale_frame_event_text(EV_RX_FRAME_BEGIN, ""); }
};

TEST_F(LinkedStatesTest, NetCallCollectsSlottedResponsesAndAcknowledges) {
  start_scanning();
  ale_call_address("NETA", "");
  run_ms(3000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_RESPONSE);
  ASSERT_EQ(frames.size(), 1u);
  for (const char* member : {"A1", "A2", "A3"}) receive_frame("ME", member);
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_RESPONSE) << "every slot is heard out";
  EXPECT_TRUE(ale_called_list().empty() || ale_called_list() == std::vector<std::string>{""});
  run_ms(20000);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  ASSERT_EQ(frames.size(), 2u) << "the call and the acknowledgement";
  // The acknowledgement is queued at 40 ms, ahead of its keying at 370 ms: the sound card's
  // two queued blocks keep it off the air until after the keying (the vesk-ale-sim test).
  EXPECT_FALSE(keyed_at_send[1]);
  EXPECT_EQ(ale_linked_count(), 3);
  for (const char* member : {"A1", "A2", "A3"}) EXPECT_TRUE(logged(std::string("[LINKED  ][") + member));
  EXPECT_EQ(states, (std::vector<int>{2, 5, 19, 22, 20, 11}));
}

TEST_F(LinkedStatesTest, CallerHearsTheLastSlotOutBeforeAcknowledging) {
  start_scanning();
  ale_call_address("NETA", "");
  run_ms(3000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_RESPONSE);
  receive_frame("ME", "A1");
  begin_frame();  // A3's answer is still coming in when the wait runs out
  ale_link_event(EV_TWRN_TIMER);
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_RESPONSE);
  ale_frame_event_text(EV_RX_TO, "ME");
  ale_frame_event_text(EV_RX_MESSAGE_SECTION, "");
  ale_frame_event_text(EV_RX_THIS_IS, "A3");
  ale_frame_event_text(EV_RX_FRAME_END, "");
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_COMPLETION_OF_ACK);
  EXPECT_EQ(ale_linked_name_list(), (std::vector<std::string>{"A1", "A3"}));
}

TEST_F(LinkedStatesTest, UnansweredCallsRetryOrGiveUp) {
  struct Case {
    const char* name;
    const char* address;
    std::vector<int> states;  // up to the first state after the response wait
  } cases[] = {
      {"a net call tries the next channel", "NETA", {2, 5, 19, 22, 5}},
      {"an anycall gives up at once", "@@?", {2, 5, 19, 22, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start_scanning();
    ale_call_address(c.address, "");
    for (int t = 0; t < 600 && states.size() < c.states.size(); ++t) run_ms(100);
    EXPECT_EQ(states, c.states);
    if (c.states.back() == ALE_STATE_SCANNING) {
      EXPECT_TRUE(logged("[FAILED  ]"));
      EXPECT_EQ(frames.size(), 1u) << "no channel retry";
    }
    ale_abort();
    run_ms(100);
    frames.clear();
  }
}

TEST_F(LinkedStatesTest, AllcallLinksWithoutResponses) {
  for (const char* address : {"@?@", "@A@"}) {
    SCOPED_TRACE(address);
    start_scanning();
    ale_call_address(address, "");
    run_ms(3000);
    EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(states, (std::vector<int>{2, 5, 19, 11}));
    ale_abort();
    frames.clear();
  }
}

TEST_F(LinkedStatesTest, NetResponderAnswersInItsSlotAndLinksOnTheAcknowledgement) {
  start_scanning();
  receive_frame("NETB", "CAL");
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
  EXPECT_STREQ(ale_own_address_text(), "ME") << "the answer is from the member, not the net";
  EXPECT_TRUE(frames.empty()) << "slot 0 is the caller's";
  run_ms(5000);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(keyed_at_send[0]);
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_ACK);
  receive_frame("ME", "CAL");
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(ale_linked_name_list(), std::vector<std::string>{"CAL"});
  EXPECT_EQ(states, (std::vector<int>{2, 4, 18, 21, 11}));
}

TEST_F(LinkedStatesTest, SlottedResponderTimesOut) {
  // The acknowledgement wait runs out during a received frame: the frame is heard out first.
  start_scanning();
  receive_frame("NETB", "CAL");
  run_ms(5000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_ACK);
  begin_frame();
  ale_link_event(EV_TWAN_TIMER);
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_ACK);
  ale_frame_event_text(EV_RX_FRAME_END, "");
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(ale_ack_wait(), 0);

  // Out of a frame it waits one word time more for an acknowledgement just beginning.
  receive_frame("NETB", "CAL");
  run_ms(5000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_ACK);
  ale_link_event(EV_TWAN_TIMER);
  EXPECT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_ACK);
  run_ms(kAckGraceMs + 10);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);

  // Before its slot, with scanning stopped: it still goes back to SCANNING.
  ale_link_event(EV_STOP_SCAN);
  ASSERT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
  receive_frame("NETB", "CAL");
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
  ale_link_event(EV_TWAN_TIMER);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  run_ms(3000);
  EXPECT_TRUE(frames.size() == 2u) << "the pending slot sends nothing";
}

TEST_F(LinkedStatesTest, ExchangeInsideTheLinkWithLinkedTwx) {
  db_set_option_int(opt::LINKED_TWX, 1);
  link_with_abc();
  // The caller's side: 11 -> 12 -> 16 -> 13 -> 11.
  ale_send_amd_address("ABC", "HELLO");
  run_ms(1000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_LINKED_WAIT_RESPONSE);
  receive_frame("ME", "ABC");
  run_ms(1500);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(frames.size(), 2u);
  EXPECT_EQ(states, (std::vector<int>{11, 12, 16, 13, 11}));

  // The called side: 11 -> 14 -> 15 -> 11.
  states = {11};
  receive_frame("ME", "ABC");
  run_ms(1500);
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_LINKED_WAIT_ACK);
  EXPECT_EQ(frames.size(), 3u);
  receive_frame("ME", "ABC");
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(states, (std::vector<int>{11, 14, 15, 11}));

  // A frame that carried a message and left nothing to send is not answered.
  ale_frame_event_text(EV_RX_FRAME_BEGIN, "");
  ale_frame_event_text(EV_RX_TO, "ME");
  ale_frame_event_text(EV_RX_MESSAGE_SECTION, "");
  ale_data_message_set();  // as the command-word decoder does for a DTM or DBM message
  ale_frame_event_text(EV_RX_THIS_IS, "ABC");
  ale_frame_event_text(EV_RX_FRAME_END, "");
  run_ms(1500);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(frames.size(), 3u);
}

TEST_F(LinkedStatesTest, InLinkFrameWithoutLinkedTwxIsNotAnswered) {
  db_set_option_int(opt::LINKED_TWX, 0);
  link_with_abc();
  ale_send_amd_address("ABC", "HELLO");
  run_ms(3000);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(frames.size(), 1u);
  receive_frame("ME", "ABC");
  run_ms(1500);
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(states, (std::vector<int>{11, 12, 11}));
}

TEST_F(LinkedStatesTest, InitiateDuringAReceivedFrameIsRetriedLater) {
  link_with_abc();
  begin_frame();
  ale_send_amd_address("ABC", "HELLO");
  run_ms(4900);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_TRUE(frames.empty());
  ale_frame_event_text(EV_RX_FRAME_END, "");
  run_ms(1700);  // at most 6.5 s after the first try, plus the 100 ms initiate delay
  EXPECT_NE(ale_link_state(), ALE_STATE_LINKED_IDLE);
  run_ms(3000);
  EXPECT_EQ(frames.size(), 1u);
}

TEST_F(LinkedStatesTest, LinkEnds) {
  struct Case {
    const char* name;
    void (*end)(LinkedStatesTest&);
    std::size_t frames;
  } cases[] = {
      {"own clear", [](LinkedStatesTest&) { ale_terminate_address("ABC", ""); }, 1},
      {"received clear", [](LinkedStatesTest&) { receive_frame("ME", "ABC", false); }, 0},
      {"link time-out", [](LinkedStatesTest&) { ale_link_event(EV_TWA_TIMER); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link_with_abc();
    c.end(*this);
    run_ms(3000);
    EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
    EXPECT_EQ(ale_linked_count(), 0);
    EXPECT_EQ(frames.size(), c.frames);
    EXPECT_FALSE(keyed());
  }
  EXPECT_TRUE(logged("[CLEARED ][ABC"));
}

TEST_F(LinkedStatesTest, ClearLeavesTheLinkUpWhileStationsRemain) {
  link_with_abc();
  ale_linked_add("A1");
  ale_terminate_address("ABC", "");
  run_ms(3000);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(ale_linked_name_list(), std::vector<std::string>{"A1"});
  receive_frame("ME", "A1", false);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
}

TEST_F(LinkedStatesTest, PollAnswerGoesOutWithTheClear) {
  start_scanning();
  ale_start_poll("ABC", 2);
  run_ms(3000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_IND_WAIT_RESPONSE);
  frames.clear();
  receive_frame("ME", "ABC");
  ASSERT_EQ(ale_link_state(), ALE_STATE_LINKED_BRINGING_DOWN_LINK);
  ASSERT_EQ(ale_section_count(SECTIONS_POLL), 1);
  run_ms(1000);
  ASSERT_EQ(frames.size(), 1u);
  bool lqa = false;
  for (AleWord w : frames[0]) lqa = lqa || ale_word_type(w) == ALE_CMD;
  EXPECT_TRUE(lqa) << "the clear carries the LQA command word";
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
}

TEST_F(LinkedStatesTest, NetExchangeInsideTheLink) {
  link_with_abc();
  // The caller: 11 -> 23 -> 27 -> 24 -> 11, hearing the responders.
  ale_send_amd_address("NETA", "HELLO");
  run_ms(3000);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_LINKED_WAIT_RESPONSE);
  receive_frame("ME", "A2");
  EXPECT_TRUE(logged("[RESPOND ][A2"));
  run_ms(20000);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(frames.size(), 2u);
  EXPECT_EQ(states, (std::vector<int>{11, 23, 27, 24, 11}));

  // The member: 11 -> 25 -> 26 -> 11.
  states = {11};
  receive_frame("NETB", "CAL");
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE);
  run_ms(5000);
  EXPECT_EQ(frames.size(), 3u);
  ASSERT_EQ(ale_link_state(), ALE_STATE_NET_LINKED_WAIT_ACK);
  receive_frame("ME", "CAL");
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_EQ(states, (std::vector<int>{11, 25, 26, 11}));
}

TEST_F(LinkedStatesTest, SendQueueIsPolledWhileLinked) {
  link_with_abc();
  run_ms(1000);
  EXPECT_EQ(timer_is_running(EV_SM_POLL_TIMER), 1) << "the poll goes on while the link stands";
  ASSERT_EQ(ale_queue_traffic_text("DATA"), 1);
  run_ms(3000);
  EXPECT_EQ(frames.size(), 1u) << "a traffic section starts a data frame";
  EXPECT_EQ(states.at(1), ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME);
}

TEST_F(LinkedStatesTest, InLinkWordAnswers) {
  struct Case {
    int answer;
    int state;
  } cases[] = {
      {INLINK_ANSWER_RESPONSE, ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE},
      {INLINK_ANSWER_SLOTTED, ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE},
      {INLINK_NO_ANSWER, ALE_STATE_LINKED_IDLE},
  };
  // What the in-link word asks of the station, as the AQC-ALE receiver leaves it in the frame.
  int& answer = frame_event_state().ctx.aqc.inlink_answer;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    link_with_abc();
    answer = c.answer;
    ale_link_event(EV_AQC_INLINK);
    EXPECT_EQ(ale_link_state(), c.state);
    ale_abort();
    run_ms(100);
  }
  // No answer and nobody left in the link: the link ends.
  link_with_abc();
  ale_linked_clear();
  answer = INLINK_NO_ANSWER;
  ale_link_event(EV_AQC_INLINK);
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
}

}  // namespace
}  // namespace vesk::test
