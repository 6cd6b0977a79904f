// Link state machine: LINKED IDLE and the individual exchanges inside a link (states 11, 12,
// 15, 16); the dispatch of states 11 to 27. The states that send a frame and wait for its
// completion (13, 14, the link's own clear 17, and 18 to 20, 23 to 25) are in
// state_machine_completion.cpp.
#include "ale/link/amd_retry.h"
#include "ale/engine/host_reports.h"
#include "ale/link/state_machine_linked.h"

#include <string>
#include <vector>

#include "ale/link/ale_timing.h"
#include "ale/link/aqc.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/transmitters.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/frames/voice_id.h"
#include "ale/messages/send_queue.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"

namespace vesk {

LinkedStatesState& linked_states() { return station().state<LinkedStatesState>(); }

namespace {

void go(int state) { ale_set_link_state(state); }

// The initiate events of the scanning states, and those that only a link knows.
bool is_initiate(int event) {
  return ale_sm_is_initiate(event) || event == EV_INITIATE_INLINKCALL || event == EV_INITIATE_CLEAR;
}

int inlink_call_type(int event) {
  switch (event) {
    case EV_INITIATE_NET_CALL:
      return ALE_CALL_NET;
    case EV_INITIATE_GROUP_CALL:
      return ALE_CALL_GROUP;
    case EV_INITIATE_ALLCALL:
      return ALE_CALL_ALLCALL;
    case EV_INITIATE_ANYCALL:
      return ALE_CALL_ANYCALL;
    case EV_INITIATE_INLINKCALL:
      return ALE_CALL_INLINK;
    default:
      return ALE_CALL_INDIVIDUAL;
  }
}

int random_below(int n) {
  LinkedStatesState& st = linked_states();
  unsigned& r = st.random_state;
  if (!st.random_seeded) {
    st.random_seeded = true;
    for (const char* c = ale_own_address_text(); *c != '\0'; ++c) r = r * 31u + static_cast<unsigned char>(*c);
  }
  r = r * 1103515245u + 12345u;
  return static_cast<int>((r >> 16) % static_cast<unsigned>(n));
}

int retry_spread() { return random_below(kInitiateRetrySteps); }

// An acknowledgement of a received data block waits to be sent.
bool ack_pending() { return ale_section_count(SECTIONS_ACK) > 0; }

// The frame went unanswered: back to LINKED, and the next send step (which repeats a block
// still unacknowledged) follows. A station that heard a frame end after its own (the peer's
// frame crossed it) repeats at once; one that heard nothing lets the peer, whose frame may
// have ended later or at the same moment, have the first turn, and then waits a random number
// of slots more, so that two stations that both heard nothing repeat in turns too.
void return_unanswered(bool crossed) {
  ale_return_to_linked();
  const int wait = crossed ? 0 : kPeerTurnMs + kRepeatSpreadStepMs * random_below(kRepeatSpreadSteps);
  timer_start(EV_SM_POLL_TIMER, kSendPollMs + wait);
}

// A frame for this station begins an exchange that it answers in its slot.
void start_slotted_answer() {
  go(ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE);
  timer_start(EV_SWT_TIMER, ale_swt_period_ms());
  timer_start(EV_TWAN_TIMER, ale_twan_restart());
}

void answer_in_link() {
  go(ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE);
  ale_sm_key();
}

void frame_for_me_in_link() {
  timer_start_twa();
  ale_sm_set_addresses_from_frame();
  switch (ale_frame_context().kind) {
    case FRAME_KIND_INDIVIDUAL:
      // A frame that carried a DTM or DBM message and left nothing to send is not answered;
      // a data block received whole is always acknowledged.
      if (ack_pending() || (db_get_linked_twx() != 0 && (ale_sections_pending() != 0 || ale_data_message() == 0)))
        answer_in_link();
      break;
    case FRAME_KIND_NET:
    case FRAME_KIND_GROUP:
      start_slotted_answer();
      break;
    default:
      break;
  }
}

void initiate_in_link(int event) {
  const int64_t now = station().clock().mono_ms();
  const int64_t peer_turn = linked_states().peer_turn_until_ms;
  if (ale_in_frame() == 0 && now < peer_turn) {
    timer_start(event, static_cast<int>(peer_turn - now) + kDataFrameDelayMs);
    return;
  }
  if (ale_in_frame() != 0) {
    // Never transmit over a frame being received: try again 5.0 to 6.5 s later.
    if (event == EV_INITIATE_DATA_FRAME) ale_data_message_set();
    if (event != EV_INITIATE_FRAME && event != EV_INITIATE_DATA_FRAME) timer_start_twa();
    timer_start(event, kInitiateRetryMs + kInitiateRetryStepMs * retry_spread());
    return;
  }
  if (event == EV_INITIATE_CLEAR) {
    timer_start_twa();
    ale_set_call_type(ALE_CALL_INDIVIDUAL);
    go(ALE_STATE_LINKED_BRINGING_DOWN_LINK);
    ale_sm_key();
    return;
  }
  if (event == EV_INITIATE_DATA_FRAME) ale_data_message_set();
  if (event != EV_INITIATE_FRAME && event != EV_INITIATE_DATA_FRAME) timer_start_twa();
  const int type = inlink_call_type(event);
  ale_set_call_type(type);
  ale_ack_in_frame_clear();
  ale_end_calls_with_tis();
  const bool slotted = type == ALE_CALL_NET || type == ALE_CALL_GROUP || type == ALE_CALL_ANYCALL;
  go(slotted ? ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME
             : ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME);
  ale_sm_key();
}

void inlink_word_in_idle() {
  switch (ale_frame_context().aqc.inlink_answer) {
    case INLINK_ANSWER_RESPONSE:
      answer_in_link();
      break;
    case INLINK_ANSWER_SLOTTED:
      start_slotted_answer();
      break;
    default:
      if (ale_linked_count() == 0) ale_leave_link();
      break;
  }
}

}  // namespace

// ---- shared steps ----

bool ale_sm_is_aqc_event(int event) { return event >= EV_AQC_CALL_PROBE && event <= EV_AQC_TWS_SOUND_PROBE; }

void ale_sm_linked_after_own_frame() {
  ale_return_to_linked();
  linked_states().peer_turn_until_ms = station().clock().mono_ms() + kPeerTurnMs;
  timer_start(EV_SM_POLL_TIMER, kPeerTurnMs);
}


// ---- dispatch ----

void ale_linked_states_handle(int event) {
  switch (ale_link_state()) {
    case ALE_STATE_LINKED_IDLE:
      ale_sm_linked_idle(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME:
      ale_sm_linked_wait_completion_of_initial(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_ACK:
    case ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE:
    case ALE_STATE_LINKED_BRINGING_DOWN_LINK:
    case ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE:
    case ALE_STATE_NET_WAIT_COMPLETION_OF_CALL:
    case ALE_STATE_NET_WAIT_COMPLETION_OF_ACK:
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME:
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_ACK:
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE:
      ale_sm_wait_completion(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_ACK:
      ale_sm_linked_wait_ack(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_RESPONSE:
      ale_sm_linked_wait_response(event);
      break;
    case ALE_STATE_NET_WAIT_ACK:
      ale_sm_net_wait_ack(event);
      break;
    case ALE_STATE_NET_WAIT_RESPONSE:
      ale_sm_net_wait_response(event);
      break;
    case ALE_STATE_NET_LINKED_WAIT_ACK:
      ale_sm_net_linked_wait_ack(event);
      break;
    case ALE_STATE_NET_LINKED_WAIT_RESPONSE:
      ale_sm_net_linked_wait_response(event);
      break;
    default:
      break;
  }
}

// ---- states ----

void ale_sm_linked_idle(int event) {
  if (is_initiate(event)) {
    initiate_in_link(event);
    return;
  }
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      ale_ack_in_frame_clear();
      return;
    case EV_RX_FRAME_END:
      ale_ack_sections_flush();
      return;
    case EV_FRAME_FOR_ME:
      frame_for_me_in_link();
      return;
    case EV_FRAME_FOR_ME_CLEAR: {
      const std::string peer = ale_frame_caller();
      ale_linked_remove(peer.c_str());
      ale_link_cleared(peer.c_str());
      if (ale_linked_count() == 0) ale_leave_link();
      return;
    }
    case EV_FRAME_GLOBAL_CLEAR: {
      const std::string peer = ale_frame_caller();
      ale_linked_remove(peer.c_str());
      ale_link_cleared(peer.c_str());
      ale_leave_link();
      return;
    }
    case EV_SM_POLL_TIMER:
      if (ale_traffic_pending() != 0) {
        timer_start(EV_INITIATE_DATA_FRAME, kDataFrameDelayMs);
      } else {
        dtm_dbm_send_next();
        timer_start(EV_SM_POLL_TIMER, kSendPollMs);
      }
      return;
    case EV_TWACK_TIMER:  // the operator did not answer the request in time
      aqc_send_nak();
      return;
    case EV_TWACK_RESP_TIMER:
      ale_amd_handshake_failed();
      return;
    case EV_AQC_INLINK:
      inlink_word_in_idle();
      return;
    default:
      return;
  }
}

void ale_sm_linked_wait_completion_of_initial(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_voice_id_check();
    ale_tx_linked_call();
    ale_sm_end_refused_frame();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    if (ale_signalling_mode() == ALE_SIGNALLING_ALTERNATE) {
      ale_channel_meet();
      if (ale_no_reply() != 0) {
        ale_channel_return_cancel();
        ale_enter_linked();
        return;
      }
      go(ALE_STATE_IND_LINKED_WAIT_RESPONSE);
      timer_start(EV_TWR_TIMER, ale_twr_period_ms());
      if (ale_end_link() != 0) {
        ale_end_link_set(0);  // one frame's switch
        ale_return_to_scan();
      }
      return;
    }
    if (ale_call_type() == ALE_CALL_INDIVIDUAL && db_get_linked_twx() != 0) {
      go(ALE_STATE_IND_LINKED_WAIT_RESPONSE);
      timer_start(EV_TWR_TIMER, ale_twr_period_ms());
      return;
    }
    // No answer asked (an allcall, an in-link call, or a frame without Linked TWX).
    ale_enter_linked();
    if (ale_call_type() == ALE_CALL_INDIVIDUAL) ale_host_report_amd_sent();
  }
}



void ale_sm_linked_wait_ack(int event) {
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      timer_stop(EV_TWR_TIMER);
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_RESET_MODEM:
      timer_start(EV_TWR_TIMER, ale_twr_period_ms());
      return;
    case EV_FRAME_FOR_ME: {
      const std::string peer = ale_frame_caller();
      if (ale_linked_absent(peer.c_str()) != 0) {
        ale_linked_add(peer.c_str());
        log_linked(peer.c_str());
      }
      // The frame brought a data block of the peer's own: it gets its acknowledgement.
      if (ack_pending()) {
        timer_start_twa();
        ale_sm_set_addresses_from_frame();
        answer_in_link();
        return;
      }
      ale_return_to_linked();
      return;
    }
    case EV_TWR_TIMER:
      ale_return_to_linked();
      return;
    default:
      if (ale_sm_is_aqc_event(event)) {
        ale_return_to_linked();
      }
      return;
  }
}

void ale_sm_linked_wait_response(int event) {
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      timer_stop(EV_TWR_TIMER);
      return;
    case EV_FRAME_FOR_ME:
      if (ack_pending()) {
        // The peer sent a data block of its own (its frame crossed this one): whatever this
        // station waited for, the block is acknowledged; a block of this station still
        // unacknowledged is repeated by a later send step.
        timer_start_twa();
        ale_sm_set_addresses_from_frame();
        answer_in_link();
      } else if (ale_ack_in_frame() != 0 || ale_data_message() != 0) {
        ale_return_to_linked();
      } else {
        go(ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_ACK);
        ale_sm_key();
      }
      ale_host_report_amd_sent();
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_RESET_MODEM:
      ale_amd_handshake_failed();
      return_unanswered(true);
      return;
    case EV_TWR_TIMER:
      ale_channel_return();
      ale_amd_handshake_failed();
      return_unanswered(false);
      return;
    default:
      if (ale_sm_is_aqc_event(event)) {
        ale_return_to_linked();
      }
      return;
  }
}


}  // namespace vesk
