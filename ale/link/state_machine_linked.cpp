// Link state machine: LINKED IDLE, the individual exchanges inside a link (states 12 to 16)
// and the link's own clear (17); the dispatch of states 11 to 27.
#include "ale/link/state_machine_linked.h"

#include <string>
#include <vector>

#include "ale/link/ale_timing.h"
#include "db/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/link/voice_id.h"
#include "db/locked_queue.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/hook.h"
#include "platform/station.h"

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

int retry_spread() {
  unsigned& r = linked_states().random_state;
  r = r * 1103515245u + 12345u;
  return static_cast<int>((r >> 16) % kInitiateRetrySteps);
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
      // A frame that carried a DTM or DBM message and left nothing to send is not answered.
      if (db_get_linked_twx() != 0 && (ale_sections_pending() != 0 || ale_data_message() == 0)) answer_in_link();
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

void inlink_word_in_idle(int event) {
  switch (ale_sm_inlink_reply(event)) {
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

// A poll's LQA answer waits on the poll section queue; the clear that ends the poll carries
// the traffic and link message sections, so the answer goes with them.
void carry_poll_answer() {
  LockedQueue* poll = frame_sections().queues[SECTIONS_POLL];
  if (poll == nullptr) return;
  while (void* item = queue_pop(poll)) {
    auto* section = static_cast<FrameSection*>(item);
    if (ale_section_push_link_message(section) == 0) delete section;
  }
}

}  // namespace

// ---- shared steps ----

void ale_sm_amd_sent_report() { call_hook(linked_states().seams.host_amd_sent); }

bool ale_sm_is_aqc_event(int event) { return event >= EV_AQC_CALL_PROBE && event <= EV_AQC_TWS_SOUND_PROBE; }

int ale_sm_inlink_reply(int event) {
  const auto& reply = linked_states().seams.aqc_rx_inlink_reply;
  return reply ? reply(event) : INLINK_NO_ANSWER;
}

std::string ale_sm_aqc_caller(int event) {
  const auto& probe = frame_event_state().seams.aqc_probe;
  return probe ? probe(event).caller : std::string();
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
      ale_sm_linked_wait_completion_of_ack(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE:
      ale_sm_linked_wait_completion_of_response(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_ACK:
      ale_sm_linked_wait_ack(event);
      break;
    case ALE_STATE_IND_LINKED_WAIT_RESPONSE:
      ale_sm_linked_wait_response(event);
      break;
    case ALE_STATE_LINKED_BRINGING_DOWN_LINK:
      ale_sm_bringing_down_link(event);
      break;
    case ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE:
      ale_sm_net_wait_completion_of_response(event);
      break;
    case ALE_STATE_NET_WAIT_COMPLETION_OF_CALL:
      ale_sm_net_wait_completion_of_call(event);
      break;
    case ALE_STATE_NET_WAIT_COMPLETION_OF_ACK:
      ale_sm_net_wait_completion_of_ack(event);
      break;
    case ALE_STATE_NET_WAIT_ACK:
      ale_sm_net_wait_ack(event);
      break;
    case ALE_STATE_NET_WAIT_RESPONSE:
      ale_sm_net_wait_response(event);
      break;
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME:
      ale_sm_net_linked_wait_completion_of_initial(event);
      break;
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_ACK:
      ale_sm_net_linked_wait_completion_of_ack(event);
      break;
    case ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE:
      ale_sm_net_linked_wait_completion_of_response(event);
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

void ale_linked_states_connect() {
  StateMachineSeams& sm = state_machine().seams;
  if (!sm.linked_states) sm.linked_states = ale_linked_states_handle;
  // The slot timing of a received net, group, anycall or AQC-ALE call: when this station's
  // slot starts (SWT) and how long it waits for the acknowledgement (TWAN).
  FrameEventSeams& frame = frame_event_state().seams;
  if (!frame.net_slot_timing)
    frame.net_slot_timing = [](int net, const char* caller) {
      ale_swt_net(net, caller);
      ale_twan_net(net, caller);
    };
  if (!frame.group_slot_timing)
    frame.group_slot_timing = [](const std::vector<std::string>& list, const char* caller) {
      std::vector<const char*> names;
      for (const std::string& n : list) names.push_back(n.c_str());
      const int count = static_cast<int>(names.size());
      ale_swt_group(names.data(), count, caller);
      ale_twan_group(names.data(), count, caller);
    };
  if (!frame.anycall_slot_timing)
    frame.anycall_slot_timing = [] {
      ale_swt_random();
      ale_twan_anycall();
    };
  if (!frame.aqc_slot_timing)
    frame.aqc_slot_timing = [](int slot) {
      ale_swt_aqc_slot(slot);
      ale_twan_aqc_slot(slot);
    };
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
      log_cleared(peer.c_str());
      if (ale_linked_count() == 0) ale_leave_link();
      return;
    }
    case EV_FRAME_GLOBAL_CLEAR: {
      const std::string peer = ale_frame_caller();
      ale_linked_remove(peer.c_str());
      log_cleared(peer.c_str());
      ale_leave_link();
      return;
    }
    case EV_SM_POLL_TIMER:
      if (ale_traffic_pending() != 0) {
        timer_start(EV_INITIATE_DATA_FRAME, kDataFrameDelayMs);
      } else {
        call_hook(linked_states().seams.dtm_dbm_send_next);
        timer_start(EV_SM_POLL_TIMER, kSendPollMs);
      }
      return;
    case EV_TWACK_TIMER:
      call_hook(linked_states().seams.aqc_send_nak);
      return;
    case EV_TWACK_RESP_TIMER:
      log_amd_handshake_failed();
      return;
    case EV_AQC_INLINK:
      inlink_word_in_idle(event);
      return;
    default:
      return;
  }
}

void ale_sm_linked_wait_completion_of_initial(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_voice_id_check();
    ale_tx_linked_call();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    if (ale_signalling_mode() == ALE_SIGNALLING_ALTERNATE) {
      ale_channel_meet();
      if (ale_no_reply() != 0) {
        ale_channel_return_cancel();
        ale_enter_linked();
        ale_sm_amd_sent_report();
        return;
      }
      go(ALE_STATE_IND_LINKED_WAIT_RESPONSE);
      timer_start(EV_TWR_TIMER, ale_twr_period_ms());
      if (ale_end_link() != 0) {
        ale_return_to_scan();
        ale_sm_amd_sent_report();
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
    ale_sm_amd_sent_report();
  }
}

void ale_sm_linked_wait_completion_of_ack(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_tx_linked_ack();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    call_hook(state_machine().seams.radio_on_linked);
    ale_sm_amd_sent_report();
    ale_return_to_linked();
  }
}

void ale_sm_linked_wait_completion_of_response(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_tx_linked_response();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    if (ale_ack_in_frame() != 0) {
      // The response carried a message acknowledgement: nothing more to wait for.
      ale_return_to_linked();
    } else {
      go(ALE_STATE_IND_LINKED_WAIT_ACK);
      timer_start(EV_TWR_TIMER, ale_twr_period_ms());
    }
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
      ale_return_to_linked();
      return;
    }
    case EV_TWR_TIMER:
      ale_return_to_linked();
      return;
    default:
      if (ale_sm_is_aqc_event(event)) {
        if (event == EV_AQC_INLINK) ale_sm_inlink_reply(event);
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
      if (ale_ack_in_frame() != 0 || ale_data_message() != 0) {
        ale_sm_amd_sent_report();
        ale_return_to_linked();
      } else {
        go(ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_ACK);
        ale_sm_key();
      }
      return;
    case EV_RX_FRAME_END:
    case EV_FRAME_NOT_FOR_ME:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_RESET_MODEM:
      log_amd_handshake_failed();
      ale_return_to_linked();
      return;
    case EV_TWR_TIMER:
      ale_channel_return();
      log_amd_handshake_failed();
      ale_return_to_linked();
      return;
    default:
      if (ale_sm_is_aqc_event(event)) {
        if (event == EV_AQC_INLINK) ale_sm_inlink_reply(event);
        ale_return_to_linked();
      }
      return;
  }
}

void ale_sm_bringing_down_link(int event) {
  if (event == EV_KEYDOWN_TIMER) {
    ale_voice_id_hook();
    if (ale_call_type() == ALE_CALL_POLL) carry_poll_answer();
    ale_tx_clear();
    // The clear ends with TWAS; the calls that follow end with TIS again, as they did before
    // the link or the poll, or none of them would ever be answered.
    ale_end_calls_with_tis();
  } else if (event == EV_TRANSMISSION_COMPLETE) {
    ale_sm_transmission_complete();
  } else if (event == EV_KEYUP_TIMER) {
    if (ale_linked_count() == 0) {
      log_cleared(ale_called_list_text().c_str());
      ale_leave_link();
    } else {
      ale_return_to_linked();
    }
  }
}

}  // namespace vesk
