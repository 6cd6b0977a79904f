// Link state machine: listening before a call, sending it, and the individual three-way
// handshake up to the link for the caller (states 5, 7, 10, 8) and the responder (6, 9).
#include <string>

#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "db/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/link/voice_id.h"
#include "db/log_lines.h"
#include "modem/fsk8.h"
#include "platform/hook.h"

namespace vesk {
namespace {

StateMachineSeams& seams() { return state_machine().seams; }

void go(int state) { ale_set_link_state(state); }

std::string aqc_caller(int event) {
  const auto& probe = frame_event_state().seams.aqc_probe;
  return probe ? probe(event).caller : std::string();
}

// The responder has the caller's acknowledgement: the link stands.
void responder_linked(const std::string& caller, bool aqc) {
  ale_linked_add(caller.c_str());
  if (aqc) log_aqc_linked(caller.c_str());
  else log_linked(caller.c_str());
  call_hook(seams().radio_on_linked);
  ale_return_to_linked();
  call_hook(seams().host_linked, caller);
}

// The caller has the response: acknowledge it.
void caller_answered(const std::string& responder, bool aqc, int extra_ms) {
  ale_called_remove(responder.c_str());
  ale_linked_add(responder.c_str());
  if (aqc) log_aqc_linked(responder.c_str());
  else log_linked(responder.c_str());
  go(ALE_STATE_IND_WAIT_COMPLETION_OF_ACK);
  ale_sm_key(extra_ms);
}

}  // namespace

void ale_sm_listen_before_call(int event) {
  if (event == EV_RX_FRAME_BEGIN || event == EV_VOICE_DETECTED) {
    // The channel is busy.
    timer_stop(EV_TWT_TIMER);
    ale_sm_next_channel_or_fail(false);
  } else if (event == EV_TWT_TIMER) {
    const int type = ale_call_type();
    if (type == ALE_CALL_INDIVIDUAL || type == ALE_CALL_POLL) {
      go(ALE_STATE_IND_WAIT_COMPLETION_OF_CALL);
      ale_sm_key();
    } else if (type >= ALE_CALL_NET && type <= ALE_CALL_ALLCALL) {
      go(ALE_STATE_NET_WAIT_COMPLETION_OF_CALL);
      ale_sm_key();
    }
  }
}

void ale_sm_wait_completion_of_response(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_tx_response();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    go(ALE_STATE_IND_WAIT_ACK);
    timer_start(EV_TWR_TIMER, ale_twrt_period_ms());
  }
}

void ale_sm_wait_completion_of_call(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_voice_id_hook();
    // Scanning: the scanning call, long enough to find a scanning station; else the
    // single-channel form.
    if (ale_scan_mode() == ALE_SCAN_MODE_SCANNING) ale_tx_call_scanning();
    else ale_tx_call_sclc();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    if (ale_call_ending() == ALE_ENDING_TWAS) {
      ale_return_to_scan();
    } else {
      go(ALE_STATE_IND_WAIT_RESPONSE);
      timer_start(EV_TWRT_TIMER, ale_twrt_period_ms());
    }
  }
}

void ale_sm_wait_completion_of_ack(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_tx_ack();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    call_hook(seams().radio_on_linked);
    ale_enter_linked();
    call_hook(seams().host_linked, std::string(ale_first_called_address()));
  }
}

void ale_sm_wait_ack(int event) {
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      timer_stop(EV_TWR_TIMER);
      return;
    case EV_FRAME_FOR_ME:
      responder_linked(ale_frame_caller(), false);
      return;
    case EV_AQC_CALL_HANDSHAKE:
    case EV_AQC_INLINK:
      responder_linked(aqc_caller(event), true);
      return;
    case EV_TWR_TIMER:
      if (fsk_channel_activity() != 0) timer_start(EV_TWR_TIMER, ale_twr_period_ms());
      else ale_return_to_scan();
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_AQC_NOT_FOR_ME:
    case EV_RESET_MODEM:
      ale_return_to_scan();
      return;
    default:
      return;
  }
}

void ale_sm_wait_response(int event) {
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      timer_stop(EV_TWRT_TIMER);
      return;
    case EV_FRAME_FOR_ME:
      if (ale_call_type() == ALE_CALL_POLL) {
        // A polled station's answer ends the exchange: the LQA answer and a clear.
        ale_poll_answer();
        ale_end_calls_with_twas();
        log_polled(ale_frame_caller());
        go(ALE_STATE_LINKED_BRINGING_DOWN_LINK);
        ale_sm_key();
      } else {
        caller_answered(ale_frame_caller(), false, kKeyDownAnswerExtraMs);
      }
      return;
    case EV_AQC_CALL_HANDSHAKE:
      caller_answered(aqc_caller(event), true, kKeyDownExtraMs);
      return;
    case EV_FRAME_FOR_ME_CLEAR:
      log_cleared(ale_frame_caller());
      ale_return_to_scan();
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_TWRT_TIMER:
    case EV_AQC_FRAME_END:
    case EV_AQC_NOT_FOR_ME:
    case EV_RESET_MODEM:
      ale_sm_next_channel_or_fail(true);
      return;
    default:
      return;
  }
}

}  // namespace vesk
