// Link state machine: listening before a call, and the waits of the individual three-way
// handshake up to the link for the caller (states 5, 10) and the responder (9). Sending the
// call, the response and the acknowledgement (6, 7, 8) is in state_machine_completion.cpp.
#include <string>

#include "ale/engine/host_reports.h"
#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/frames/voice_id.h"
#include "ale/words/word_rx.h"
#include "db/log_lines.h"
#include "modem/fsk8.h"
#include "platform/hook.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"

namespace vesk {
namespace {

void go(int state) { ale_set_link_state(state); }

// The responder has the caller's acknowledgement: the link stands.
void responder_linked(const std::string& caller, bool aqc) {
  ale_sm_linked_with(caller, aqc);
  radio_on_linked();
  call_hook(link_state().hooks.data_link_up, caller.c_str());
  ale_return_to_linked();
  ale_host_report_linked_to(caller);
}

// The caller has the response: acknowledge it.
void caller_answered(const std::string& responder, bool aqc, int extra_ms) {
  ale_called_remove(responder.c_str());
  ale_sm_linked_with(responder, aqc);
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
      responder_linked(ale_frame_context().aqc.caller, true);
      return;
    case EV_TWR_TIMER:
      if (fsk_channel_activity(fsk_state(), ale_rx_sync_seen) != 0) timer_start(EV_TWR_TIMER, ale_twr_period_ms());
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
      caller_answered(ale_frame_context().aqc.caller, true, kKeyDownExtraMs);
      return;
    case EV_FRAME_FOR_ME_CLEAR:
      ale_link_cleared(ale_frame_caller());
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
