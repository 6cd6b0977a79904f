// Link state machine: the dispatch by state, the steps shared by the transitions, and the
// binding into the link state module and the engine.
#include "ale/link/state_machine.h"

#include "ale/engine/api_event.h"

#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/link/vad.h"
#include "ale/words/linking_protection.h"
#include "ale/words/word_queue.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "ale/link/state_machine_linked.h"
#include "radio/keying.h"
#include "radio/serial_queue.h"

namespace vesk {

StateMachineState& state_machine() { return station().state<StateMachineState>(); }

namespace {

int call_type_of(int event) {
  switch (event) {
    case EV_INITIATE_NET_CALL:
      return ALE_CALL_NET;
    case EV_INITIATE_GROUP_CALL:
      return ALE_CALL_GROUP;
    case EV_INITIATE_ANYCALL:
      return ALE_CALL_ANYCALL;
    case EV_INITIATE_ALLCALL:
      return ALE_CALL_ALLCALL;
    case EV_INITIATE_POLL:
      return ALE_CALL_POLL;
    default:
      return ALE_CALL_INDIVIDUAL;
  }
}

bool scanning_state(int state) { return state >= ALE_STATE_SCANNING_STOPPED && state <= ALE_STATE_PAUSE_SCAN_SYNC; }

}  // namespace

void ale_state_machine_handle(int event) {
  switch (ale_link_state()) {
    case ALE_STATE_NULL:
      ale_sm_null_state(event);
      break;
    case ALE_STATE_SCANNING_STOPPED:
      ale_sm_scanning_stopped(event);
      break;
    case ALE_STATE_SCANNING:
      ale_sm_scanning(event);
      break;
    case ALE_STATE_PAUSE_SCAN:
      ale_sm_pause_scan(event);
      break;
    case ALE_STATE_PAUSE_SCAN_SYNC:
      ale_sm_pause_scan_sync(event);
      break;
    case ALE_STATE_LISTEN_BEFORE_CALL:
      ale_sm_listen_before_call(event);
      break;
    case ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE:
    case ALE_STATE_IND_WAIT_COMPLETION_OF_CALL:
    case ALE_STATE_IND_WAIT_COMPLETION_OF_ACK:
    case ALE_STATE_TWAS_SOUND_IN_PROGRESS:
    case ALE_STATE_TIS_SOUND_IN_PROGRESS:
      ale_sm_wait_completion(event);
      break;
    case ALE_STATE_IND_WAIT_ACK:
      ale_sm_wait_ack(event);
      break;
    case ALE_STATE_IND_WAIT_RESPONSE:
      ale_sm_wait_response(event);
      break;
    case ALE_STATE_LISTEN_BEFORE_TWAS_SOUND:
    case ALE_STATE_LISTEN_BEFORE_TIS_SOUND:
      ale_sm_listen_before_sound(event);
      break;
    default:
      ale_linked_states_handle(event);
      break;
  }
  ale_sm_release_unsent();
}

// ---- shared steps ----

void ale_sm_key(int extra_ms) {
  // The tuner's step also puts the transmit frequency on the radio where the state needs it.
  atu_tune_before_tx();
  state_machine().keyed_for_frame = 1;
  timer_start(EV_KEYDOWN_TIMER, db_get_ptt_delay() + extra_ms);
  timer_start(kKeyTransmitterTimer, kKeyTransmitterMs);
}

void ale_sm_linked_with(const std::string& address, bool aqc) {
  ale_linked_add(address.c_str());
  if (aqc) log_aqc_linked(address.c_str());
  else log_linked(address.c_str());
}

void ale_sm_transmission_complete() {
  // The audio path has released the transmitter at the end of the frame.
  state_machine().keyed_for_frame = 0;
  timer_start(EV_KEYUP_TIMER, kKeyUpMs);
}

void ale_sm_end_refused_frame() {
  if (!lp_tx_frame_refused() || ale_tx_symbols_waiting()) return;
  timer_stop(kKeyTransmitterTimer);
  if (radio_flags().ptt_active_flag.load() != 0) ptt_off();
  ale_sm_transmission_complete();
}

void ale_sm_key_transmitter() {
  // A keying that outlived its frame (the machine went back to scanning) keys nothing.
  if (state_machine().keyed_for_frame.load() == 0) return;
  ptt_on();
}

void ale_sm_release_unsent() {
  StateMachineState& m = state_machine();
  if (m.keyed_for_frame.load() == 0 || !scanning_state(ale_link_state())) return;
  m.keyed_for_frame = 0;
  timer_stop(kKeyTransmitterTimer);
  timer_stop(EV_KEYDOWN_TIMER);
  ale_tx_flush();
  if (radio_flags().ptt_active_flag.load() != 0) ptt_off();
}

void ale_sm_start_call(int event) {
  ale_set_call_type(call_type_of(event));
  ale_linked_clear();
  ale_set_link_state(ALE_STATE_LISTEN_BEFORE_CALL);
  timer_start(EV_TWT_TIMER, ale_twt_period_ms());
}

void ale_sm_set_addresses_from_frame() {
  const FrameContext& c = ale_frame_context();
  if (c.addressed_own[0] != '\0') ale_set_own_address(c.addressed_own.data());
  else ale_load_own_address();
  ale_set_called(c.caller.data());
  ale_end_calls_with_tis();
}

void ale_sm_set_addresses_from_probe() {
  ale_load_own_address();
  ale_set_called(ale_frame_context().aqc.caller.c_str());
  ale_end_calls_with_tis();
}

void ale_sm_frame_begins() {
  ale_set_signalling_mode(ale_frame_context().aqc.first_word ? ALE_SIGNALLING_ALTERNATE : ALE_SIGNALLING_NORMAL);
}

bool ale_sm_is_initiate(int event) {
  switch (event) {
    case EV_INITIATE_FRAME:
    case EV_INITIATE_DATA_FRAME:
    case EV_INITIATE_INDIVIDUAL_CALL:
    case EV_INITIATE_NET_CALL:
    case EV_INITIATE_GROUP_CALL:
    case EV_INITIATE_ALLCALL:
    case EV_INITIATE_ANYCALL:
      return true;
    default:
      return false;
  }
}

bool ale_sm_is_frame_begin(int event) { return event == EV_RX_FRAME_BEGIN || event == EV_AQC_FRAME_BEGIN; }

void ale_sm_scan_active(bool on) {
  if (on) {
    db_set_scan_active();
    ale_set_scan_mode(ALE_SCAN_MODE_SCANNING);
  } else {
    db_clear_scan_active();
    ale_set_scan_mode(ALE_SCAN_MODE_STOPPED);
  }
}

int ale_sm_listen_time_ms() { return db_get_listen_time_ms(); }

void ale_sm_next_channel_or_fail(bool from_response_wait) {
  if (ale_scan_mode() == ALE_SCAN_MODE_SCANNING && ale_next_call_channel() == 0) {
    ale_set_link_state(ALE_STATE_LISTEN_BEFORE_CALL);
    timer_start(EV_TWT_TIMER, ale_twt_period_ms());
    ale_vad_reset();
    return;
  }
  if (from_response_wait) {
    ale_call_failed();
    ale_return_to_scan();
    return;
  }
  // A call given up while the channel was busy has failed too: the transfer queue waits for it.
  api_post_call_failed();
  log_call_failed(ale_called_list_text().c_str());
  ale_return_to_scan();
}

}  // namespace vesk
