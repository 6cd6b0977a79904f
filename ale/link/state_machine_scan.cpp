// Link state machine: scanning stopped, scanning, the two pauses on activity, and listening
// before a sounding (states 0 to 4, 28 and 29; sending it, 30 and 31, is in
// state_machine_completion.cpp).
#include "ale/link/aqc_slots.h"
#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "ale/link/channel_quality.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/scan_monitor.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_states.h"
#include "ale/engine/timer.h"
#include "ale/link/vad.h"
#include "ale/words/word_rx.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "modem/fsk8.h"
#include "db/scan.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"

namespace vesk {
namespace {

void go(int state) { ale_set_link_state(state); }

int sound_state_for(int event) {
  return event == EV_INITIATE_THIS_WAS_SOUND ? ALE_STATE_LISTEN_BEFORE_TWAS_SOUND : ALE_STATE_LISTEN_BEFORE_TIS_SOUND;
}

bool is_sound_initiate(int event) {
  return event == EV_INITIATE_THIS_WAS_SOUND || event == EV_INITIATE_THIS_IS_SOUND;
}

// The events after which a pause on activity has nothing more to hear.
bool ends_pause(int event) {
  switch (event) {
    case EV_RX_THIS_WAS:
    case EV_RX_FRAME_END:
    case EV_RADIO_SCAN_COMMAND_SENT:
    case EV_AQC_FRAME_END:
    case EV_AQC_CALL_HANDSHAKE:
    case EV_AQC_INLINK:
    case EV_AQC_NOT_FOR_ME:
    case EV_AQC_TIS_SOUND_PROBE:
    case EV_AQC_TWS_SOUND_PROBE:
    case EV_RESET_MODEM:
      return true;
    default:
      return false;
  }
}

// The frames heard in a pause that this station does not act on.
bool ends_listen(int event) {
  switch (event) {
    case EV_RX_THIS_IS_SOUND:
    case EV_RX_THIS_WAS_SOUND:
    case EV_FRAME_FOR_ME_CLEAR:
    case EV_FRAME_NOT_FOR_ME_CLEAR:
    case EV_RADIO_SCAN_COMMAND_SENT:
    case EV_AQC_CALL_HANDSHAKE:
    case EV_AQC_INLINK:
    case EV_AQC_NOT_FOR_ME:
    case EV_AQC_TIS_SOUND_PROBE:
    case EV_AQC_TWS_SOUND_PROBE:
      return true;
    default:
      return false;
  }
}

// A call or sounding on the working channel, started while scanning: the radio is tuned
// again to it and listens.
void retune_and_listen() {
  ale_tune_channel(db_current_channel_index());
  radio_refresh_hook();
}

// Stop and start with the return state kept, shared by the two pauses.
bool pause_scan_control(int event) {
  if (event == EV_STOP_SCAN || event == EV_TOGGLE_SCANNING) {
    go(ALE_STATE_SCANNING_STOPPED);
    ale_sm_scan_active(false);
    return true;
  }
  if (event == EV_START_SCAN) {
    ale_sm_scan_active(true);
    ale_return_to_scan();
    return true;
  }
  return false;
}

// An individual, net, group or anycall frame for this station: stop the link timers first.
void accept_call(int kind) {
  ale_sm_set_addresses_from_frame();
  ale_stop_link_timers();
  switch (kind) {
    case FRAME_KIND_INDIVIDUAL:
      go(ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE);
      ale_queue_motd();
      ale_sm_key();
      break;
    case FRAME_KIND_NET:
    case FRAME_KIND_GROUP:
      go(ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
      timer_start(EV_SWT_TIMER, ale_swt_period_ms());
      timer_start(EV_TWAN_TIMER, ale_twan_restart());
      break;
    case FRAME_KIND_ANYCALL:
      go(ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
      timer_start(EV_SWT_TIMER, ale_swt_period_ms());
      timer_start(EV_TWAN_TIMER, ale_twan_period_ms());
      break;
    case FRAME_KIND_ALLCALL: {
      const std::string caller = ale_frame_caller();
      ale_linked_add(caller.c_str());
      log_linked(caller.c_str());
      radio_on_linked();
      ale_enter_linked();
      break;
    }
    case FRAME_KIND_INLINK:
      ale_return_to_scan();
      break;
    default:
      break;
  }
}

void accept_probe(int event) {
  const AqcProbeInfo& info = ale_frame_context().aqc;
  switch (event) {
    case EV_AQC_CALL_PROBE:
      ale_sm_set_addresses_from_probe();
      if (info.net_call) {
        ale_set_frame_kind(FRAME_KIND_NET);
        go(ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
        timer_start(EV_SWT_TIMER, ale_swt_period_ms());
        timer_start(EV_TWAN_TIMER, ale_twan_restart());
      } else {
        ale_set_frame_kind(FRAME_KIND_INDIVIDUAL);
        go(ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE);
        ale_queue_motd();
        ale_sm_key();
      }
      break;
    case EV_AQC_ALLCALL_PROBE:
      ale_set_frame_kind(FRAME_KIND_ALLCALL);
      ale_sm_set_addresses_from_probe();
      ale_linked_add(info.caller.c_str());
      log_aqc_linked(info.caller.c_str());
      radio_on_linked();
      ale_enter_linked();
      break;
    case EV_AQC_ANYCALL_PROBE:
      ale_set_frame_kind(FRAME_KIND_ANYCALL);
      ale_sm_set_addresses_from_probe();
      go(ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE);
      timer_start(EV_SWT_TIMER, ale_swt_period_ms());
      timer_start(EV_TWAN_TIMER, ale_twan_period_ms());
      break;
    default:
      break;
  }
}

}  // namespace

void ale_sm_null_state(int event) {
  if (event == EV_STOP_SCAN) {
    go(ALE_STATE_SCANNING_STOPPED);
    ale_sm_scan_active(false);
    ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
  } else if (event == EV_START_SCAN) {
    ale_set_return_state(ALE_STATE_SCANNING);
    ale_sm_scan_active(true);
    ale_return_to_scan();
  }
}

void ale_sm_scanning_stopped(int event) {
  if (ale_sm_is_frame_begin(event)) {
    ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
    go(ALE_STATE_PAUSE_SCAN_SYNC);
    ale_sm_frame_begins();
    radio_refresh_hook();
    aqc_slots_reset();
  } else if (ale_sm_is_initiate(event)) {
    ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
    ale_sm_start_call(event);
    ale_vad_reset();
  } else if (event == EV_STOP_SCAN) {
    ale_sm_scan_active(false);
    ale_forget_state_shown();
  } else if (event == EV_START_SCAN || event == EV_TOGGLE_SCANNING) {
    ale_sm_scan_active(true);
    ale_return_to_scan();
    ale_set_return_state(ALE_STATE_SCANNING);
    go(ALE_STATE_SCANNING);
  }
}

void ale_sm_scanning(int event) {
  if (event == EV_SCAN_TIMER) {
    aqc_channel_quality_update(db_current_channel_index());
    // The end of the channel's dwell: stay when a call may be coming in.
    if (fsk_is_word_synced(fsk_state())) {
      go(ALE_STATE_PAUSE_SCAN_SYNC);
      timer_start(EV_DWELL_TIMER, kPauseDwellMs);
    } else if (fsk_channel_activity(fsk_state(), ale_rx_sync_seen) != 0 || ale_rx_sync_seen()) {
      ale_set_return_state(ALE_STATE_SCANNING);
      go(ALE_STATE_PAUSE_SCAN);
      ale_dwell_stop();
      timer_start(EV_DWELL_TIMER, kPauseDwellMs);
    } else {
      radio_scan_next_channel();
      ale_dwell_start();
      ale_parser_reset();
      ale_reset_receiver();
      fsk_reset(fsk_state());
      ale_set_scan_mode(ALE_SCAN_MODE_SCANNING);
      ale_refresh_status_bar();
    }
  } else if (ale_sm_is_frame_begin(event)) {
    go(ALE_STATE_PAUSE_SCAN_SYNC);
    ale_sm_frame_begins();
    aqc_slots_reset();
    ale_set_return_state(ALE_STATE_SCANNING);
    ale_dwell_stop();
    timer_start(EV_DWELL_TIMER, ale_sm_listen_time_ms());
    radio_refresh_hook();
  } else if (event == EV_RX_FRAME_END || event == EV_AQC_FRAME_END || event == EV_RESET_MODEM) {
    ale_return_to_scan();
  } else if (ale_sm_is_initiate(event)) {
    ale_dwell_stop();
    ale_set_return_state(ALE_STATE_SCANNING);
    ale_sm_start_call(event);
    ale_vad_reset();
  } else if (event == EV_INITIATE_POLL) {
    ale_dwell_stop();
    ale_vad_reset();
    retune_and_listen();
    ale_set_return_state(ALE_STATE_SCANNING);
    ale_sm_start_call(event);
    ale_vad_reset();
  } else if (is_sound_initiate(event)) {
    ale_dwell_stop();
    ale_vad_reset();
    go(sound_state_for(event));
    retune_and_listen();
    ale_set_return_state(ALE_STATE_SCANNING);
    timer_start(EV_TWT_TIMER, ale_twt_period_ms());
  } else if (event == EV_STOP_SCAN || event == EV_TOGGLE_SCANNING) {
    ale_dwell_stop();
    go(ALE_STATE_SCANNING_STOPPED);
    ale_sm_scan_active(false);
    ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
  } else if (event == EV_START_SCAN) {
    ale_sm_scan_active(true);
    ale_set_return_state(ALE_STATE_SCANNING);
    ale_return_to_scan();
  }
}

void ale_sm_pause_scan(int event) {
  if (pause_scan_control(event)) return;
  if (ale_sm_is_frame_begin(event)) {
    go(ALE_STATE_PAUSE_SCAN_SYNC);
    ale_sm_frame_begins();
    timer_start(EV_DWELL_TIMER, ale_sm_listen_time_ms());
    radio_refresh_hook();
  } else if (event == EV_DWELL_TIMER) {
    if (fsk_is_word_synced(fsk_state())) {
      go(ALE_STATE_PAUSE_SCAN_SYNC);
      radio_refresh_hook();
      timer_start(EV_DWELL_TIMER, ale_sm_listen_time_ms());
    } else {
      ale_return_to_scan();
    }
  } else if (ends_pause(event)) {
    ale_return_to_scan();
  } else if (ale_sm_is_initiate(event) || event == EV_INITIATE_POLL) {
    ale_sm_start_call(event);
  } else if (is_sound_initiate(event)) {
    go(sound_state_for(event));
    timer_start(EV_TWT_TIMER, ale_twt_period_ms());
  }
}

void ale_sm_pause_scan_sync(int event) {
  if (pause_scan_control(event)) return;
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      ale_sm_frame_begins();
      aqc_slots_reset();
      timer_stop(EV_DWELL_TIMER);
      radio_refresh_hook();
      return;
    case EV_FRAME_NOT_FOR_ME:
      // With Listen Calls on the station keeps listening: the frame event handler hands the
      // end of the heard call to the scan monitor, which follows it.
      if (db_get_listen_calls() == 0) ale_return_to_scan();
      return;
    case EV_RX_THIS_WAS:
    case EV_DWELL_TIMER:
      if (db_get_listen_calls() != 0) {
        ale_scan_monitor_event(event);
      } else {
        ale_return_to_scan();
      }
      return;
    case EV_RX_FRAME_END:
    case EV_AQC_FRAME_END:
    case EV_RESET_MODEM:
      ale_return_to_scan();
      return;
    case EV_VOICE_DETECTED:
      ale_scan_monitor_event(event);
      return;
    case EV_FRAME_FOR_ME:
      accept_call(ale_frame_context().kind);
      return;
    case EV_AQC_CALL_PROBE:
    case EV_AQC_ALLCALL_PROBE:
    case EV_AQC_ANYCALL_PROBE:
      accept_probe(event);
      return;
    default:
      if ((ale_sm_is_initiate(event) || event == EV_INITIATE_POLL) &&
          ale_scan_monitor_state() != SCAN_MONITOR_IDLE) {
        // A call placed while the monitor follows a heard call (which may take minutes) ends
        // the following and goes out, listening first as from a pause.
        ale_scan_monitor_end();
        ale_sm_start_call(event);
        return;
      }
      if (ends_listen(event)) ale_return_to_scan();
      return;
  }
}

void ale_sm_listen_before_sound(int event) {
  const bool twas = ale_link_state() == ALE_STATE_LISTEN_BEFORE_TWAS_SOUND;
  if (event == EV_TWT_TIMER || event == EV_VOICE_DETECTED) {
    go(twas ? ALE_STATE_TWAS_SOUND_IN_PROGRESS : ALE_STATE_TIS_SOUND_IN_PROGRESS);
    ale_sm_key();
  } else if (ale_sm_is_frame_begin(event)) {
    ale_return_to_scan();
  }
}


}  // namespace vesk
