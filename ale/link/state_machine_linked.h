// The link state machine's linked states and net handshakes (states 11 to 27): LINKED IDLE
// and the exchanges inside a link, the link's own clear, and the net, group, anycall and
// allcall calls with their slotted responses.
//
// The handler plugs into the state machine's dispatch as its `linked_states` step and runs
// under the link lock after the common steps of every event. An event that a state does not
// list does nothing there. Each transition sets the new state before any action that may
// raise a nested event.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vesk {

// Re-sent initiates while a frame is being received: 5000 ms plus 100 ms times 0 to 15.
inline constexpr int kInitiateRetryMs = 5000;
inline constexpr int kInitiateRetryStepMs = 100;
inline constexpr int kInitiateRetrySteps = 16;
inline constexpr int kDataFrameDelayMs = 20;   // a traffic section waits this long
inline constexpr int kSendPollMs = 100;        // the DTM/DBM send queue's polling period
// After a frame that got no answer, the next send step waits 0 to 4 slots more, drawn per
// station: two stations whose frames collided do not repeat them at the same moment again. A
// slot outlasts the time a station takes to key and to have its first word heard, so that
// repeats in different slots never collide: the later one finds the earlier frame under way.
inline constexpr int kRepeatSpreadStepMs = 1800;
inline constexpr int kRepeatSpreadSteps = 5;
// A station whose own frame ended an exchange lets the peer that heard it take the next turn:
// its own next send step waits until the peer's frame, begun at once, would have been heard
// (the peer hears the end, keys, sends its first word, and that word is decoded here).
inline constexpr int kPeerTurnMs = 3000;

// What the in-link AQC-ALE word asks of the station.
enum InlinkAnswer : int {
  INLINK_NO_ANSWER = 0,
  INLINK_ANSWER_RESPONSE = 1,  // an individual response
  INLINK_ANSWER_SLOTTED = 2,   // a slotted (net) response
};

// A slotted responder's last wait for the caller's acknowledgement: one word time, its
// detection and one word time of margin, for an acknowledgement that begins as the computed
// wait runs out (the caller keys it only once the last answer is over, and its first word is
// decoded only a word time after it begins).
inline constexpr int kAckGraceMs = 1176;

struct LinkedStatesState {
  // The spread of re-sent initiates and repeated frames; mixed with the own address at first
  // use, so that two stations draw different spreads.
  unsigned random_state = 0x2545F491u;
  bool random_seeded = false;
  // Until then (monotonic ms) the peer has the turn: this station's initiates wait.
  int64_t peer_turn_until_ms = 0;
  int ack_grace_used = 0;
};

LinkedStatesState& linked_states();

// The state's own handling of one event in states 11 to 27.
void ale_linked_states_handle(int event);

// Per-state handlers.
void ale_sm_linked_idle(int event);                      // 11
void ale_sm_linked_wait_completion_of_initial(int event);  // 12
void ale_sm_linked_wait_ack(int event);                  // 15
void ale_sm_linked_wait_response(int event);             // 16
void ale_sm_net_wait_ack(int event);                     // 21
void ale_sm_net_wait_response(int event);                // 22
void ale_sm_net_linked_wait_ack(int event);              // 26
void ale_sm_net_linked_wait_response(int event);         // 27

// Steps shared by the linked and net states.
// Back to LINKED IDLE after this station's own frame closed an exchange: the peer has the
// first turn.
void ale_sm_linked_after_own_frame();
// The AQC-ALE events from the call probe to the TIS sounding probe, the in-link word among them.
bool ale_sm_is_aqc_event(int event);

}  // namespace vesk
