// Link state machine: the waits of the net, group, anycall and allcall handshakes with their
// slotted responses (states 21, 22) and of the net exchanges inside a link (26, 27). Sending
// their frames (18 to 20, 23 to 25) is in state_machine_completion.cpp.
#include <string>

#include "ale/link/amd_retry.h"
#include "ale/engine/host_reports.h"
#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_linked.h"
#include "ale/engine/timer.h"
#include "db/log_lines.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"

namespace vesk {
namespace {

void go(int state) { ale_set_link_state(state); }

// A slotted responder has the caller's acknowledgement: the link stands.
void responder_linked(const std::string& caller, bool aqc) {
  ale_sm_linked_with(caller, aqc);
  radio_on_linked();
  ale_stop_link_timers();
  ale_ack_wait_set(0);
  ale_return_to_linked();
  ale_host_report_linked_to(caller);
}

// The caller collects one slotted response.
void response_heard(const std::string& responder, bool aqc) {
  ale_called_remove(responder.c_str());
  ale_sm_linked_with(responder, aqc);
  ale_host_report_linked(responder);
}

// The responses' time is over: acknowledge those who answered, or try the next channel.
void responses_over() {
  if (ale_linked_count() > 0) {
    ale_called_from_linked();
    go(ALE_STATE_NET_WAIT_COMPLETION_OF_ACK);
    // Keyed at once, as the acknowledgement of an individual call: the members wait for its
    // first word only a little longer than the last slot lasts.
    ale_sm_key(kKeyDownAnswerExtraMs);
    return;
  }
  if (ale_call_type() == ALE_CALL_ANYCALL) {
    // Nobody answered the anycall: it is not repeated on another channel.
    ale_call_failed();
    ale_return_to_scan();
    return;
  }
  if (ale_scan_mode() == ALE_SCAN_MODE_SCANNING && ale_next_call_channel() == 0) {
    go(ALE_STATE_LISTEN_BEFORE_CALL);
    timer_start(EV_TWT_TIMER, ale_twt_period_ms());
    return;
  }
  log_call_failed(ale_called_list_text().c_str());
  ale_return_to_scan();
}

// A slotted wait whose time ran out during a received frame waits for the frame's end.
bool wait_for_frame_end() {
  if (ale_in_frame() == 0) return false;
  ale_ack_wait_set(1);
  return true;
}

bool ack_wait_taken() {
  if (ale_ack_wait() == 0) return false;
  ale_ack_wait_set(0);
  return true;
}

// An AQC-ALE word ends a net exchange inside the link.
bool aqc_back_to_linked(int event) {
  if (event != EV_AQC_FRAME_BEGIN && !ale_sm_is_aqc_event(event)) return false;
  ale_return_to_linked();
  return true;
}

}  // namespace




void ale_sm_net_wait_ack(int event) {
  switch (event) {
    case EV_FRAME_FOR_ME:
      responder_linked(ale_frame_caller(), false);
      return;
    case EV_AQC_CALL_HANDSHAKE:
    case EV_AQC_INLINK:
      responder_linked(ale_frame_context().aqc.caller, true);
      return;
    case EV_TWAN_TIMER:
      if (wait_for_frame_end()) return;
      if (linked_states().ack_grace_used == 0) {
        // The caller hears the last slot out before it acknowledges: give its
        // acknowledgement the time to be heard beginning.
        linked_states().ack_grace_used = 1;
        timer_start(EV_TWAN_TIMER, kAckGraceMs);
        return;
      }
      ale_return_to_scan();
      return;
    case EV_RX_FRAME_END:
    case EV_RESET_MODEM:
      if (ack_wait_taken()) ale_return_to_scan();
      return;
    default:
      return;
  }
}

void ale_sm_net_wait_response(int event) {
  switch (event) {
    case EV_FRAME_FOR_ME:
      response_heard(ale_frame_caller(), false);
      if (ack_wait_taken()) responses_over();
      return;
    case EV_AQC_CALL_HANDSHAKE:
      response_heard(ale_frame_context().aqc.caller, true);
      if (ack_wait_taken()) responses_over();
      return;
    case EV_TWRN_TIMER:
      // The last slot's answer is still coming in (its end is known one word after its last
      // word): hear it out instead of keying over it.
      if (wait_for_frame_end()) return;
      responses_over();
      return;
    case EV_RESET_MODEM:
      responses_over();
      return;
    case EV_RX_FRAME_END:
    case EV_AQC_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_FRAME_FOR_ME_CLEAR:
    case EV_FRAME_GLOBAL_CLEAR:
      if (ack_wait_taken()) responses_over();
      return;
    default:
      return;
  }
}




void ale_sm_net_linked_wait_ack(int event) {
  switch (event) {
    case EV_FRAME_FOR_ME:
      ale_stop_link_timers();
      ale_ack_wait_set(0);
      ale_return_to_linked();
      return;
    case EV_TWAN_TIMER:
      if (wait_for_frame_end()) return;
      ale_amd_handshake_failed();
      ale_return_to_linked();
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_RESET_MODEM:
      if (!ack_wait_taken()) return;
      ale_amd_handshake_failed();
      ale_return_to_linked();
      return;
    default:
      aqc_back_to_linked(event);
      return;
  }
}

void ale_sm_net_linked_wait_response(int event) {
  switch (event) {
    case EV_FRAME_FOR_ME:
      log_respond(ale_frame_caller());
      return;
    case EV_TWRN_TIMER:
      go(ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_ACK);
      ale_sm_key();
      return;
    case EV_RESET_MODEM:
      ale_return_to_linked();
      return;
    default:
      aqc_back_to_linked(event);
      return;
  }
}

}  // namespace vesk
