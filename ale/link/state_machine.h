// The ALE link state machine's transitions for scanning, pausing on activity, listening
// before a call or sounding, sending a call, the individual three-way handshake up to the
// link, and the soundings (states 0 to 10 and 28 to 31). The linked, net, group and anycall
// states (11 to 27) plug in as `linked_states`.
//
// The handler runs as the link state module's state handler, under the link lock, after the
// common steps of every event. An event that a state does not list does nothing there.
// Each transition sets the new state before any action that may raise a nested event.
//
// A station that keys for a frame and then goes back to scanning before the frame has gone
// out (a link time-out, an abort, a kill between keying and key-down) stops the pending
// keying and releases the transmitter: it never stays keyed for a frame that will not be sent.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace vesk {

// Timer 1085: its expiry keys the transmitter.
inline constexpr int kKeyTransmitterTimer = 1085;
inline constexpr int kKeyDownExtraMs = 400;
// The transmitter is keyed this long after every keying. A frame queued at key-down starts
// on the air only after the two blocks (a word each) the sound card has queued ahead of it,
// so even the caller's acknowledgement, queued at PTT delay plus 40 ms, starts after keying.
inline constexpr int kKeyTransmitterMs = 370;
inline constexpr int kKeyDownAnswerExtraMs = 40;  // the caller answering a response
inline constexpr int kKeyUpMs = 10;
inline constexpr int kPauseDwellMs = 1000;        // a pause on activity
inline constexpr int kAfterTisSoundDwellMs = 2000;

struct StateMachineState {
  // Set when this station keys for a frame; cleared when the frame's transmission completes.
  std::atomic<int> keyed_for_frame{0};
};

StateMachineState& state_machine();

// The state's own handling of one event (the link state module runs it under the link lock).
void ale_state_machine_handle(int event);

// Steps shared with the linked states.
// Key: the tuner's step, then key-down at the PTT delay plus `extra_ms` and keying at 370 ms.
void ale_sm_key(int extra_ms = kKeyDownExtraMs);
// A station joins the link: into the linked table and the LINKED (or AQC LINKED) line.
void ale_sm_linked_with(const std::string& address, bool aqc);
// The end of this station's transmission: key-up in 10 ms.
void ale_sm_transmission_complete();
// After a frame was built: when linking protection sent none of it (no key for the channel),
// the audio path has nothing to play and never ends the transmission, so the transmitter is
// released here and the state goes on as after the frame.
void ale_sm_end_refused_frame();
// Start a call for an initiate event: call type, linked table cleared, TWT, state 5.
void ale_sm_start_call(int event);
// The frame's own address and its caller become the own address and the called address of
// the next frame, which ends with TIS.
void ale_sm_set_addresses_from_frame();
void ale_sm_set_addresses_from_probe();
void ale_sm_frame_begins();
// Releases a transmitter keyed for a frame that will not be sent, when the machine is back
// in a scanning state.
void ale_sm_release_unsent();
// The timer-1085 expiry: keys the transmitter.
void ale_sm_key_transmitter();

}  // namespace vesk
