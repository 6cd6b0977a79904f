// Link state machine: the states that wait for the completion of their own frame. Each has
// keyed for a frame: key-down sends it, the end of the transmission starts the key-up, and
// key-up moves on to the state that waits for what follows (or ends the exchange). One row
// per state says what differs; one handler runs them all.
#include <string>

#include "ale/engine/timer.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/transmitters.h"
#include "ale/link/ale_timing.h"
#include "ale/engine/host_reports.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "ale/link/state_machine_linked.h"
#include "ale/link/state_machine_states.h"
#include "ale/frames/voice_id.h"
#include "ale/engine/events.h"
#include "db/locked_queue.h"
#include "db/log_lines.h"
#include "db/scan.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"

namespace vesk {
namespace {

void go(int state) { ale_set_link_state(state); }

struct CompletionRow {
  int state;
  // At key-down: the frame, and whatever goes out with it.
  void (*send)();
  // First at key-up: true when it has ended the exchange itself and no move follows.
  bool (*key_up)() = nullptr;
  // Otherwise key-up moves to `next` and starts its wait `timer` (0: none) for `timer_ms`.
  int next = ALE_STATE_NULL;
  int timer = 0;
  int (*timer_ms)() = nullptr;
  // The state's events other than key-down, transmission complete and key-up.
  void (*other)(int event) = nullptr;
};

// Scanning: the scanning call, long enough to find a scanning station; else the
// single-channel form.
void send_call() {
  if (ale_scan_mode() == ALE_SCAN_MODE_SCANNING) ale_tx_call_scanning();
  else ale_tx_call_sclc();
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

// The acknowledgement of a net call or of a net exchange inside the link is out.
bool net_ack_sent() {
  radio_on_linked();
  ale_return_to_linked();
  return true;
}

// A slotted response: this station keys when its slot starts.
void slot_starts(int event) {
  if (event == EV_SWT_TIMER) ale_sm_key();
}

const CompletionRow kRows[] = {
    // The individual handshake: the responder's response, the caller's call and acknowledgement.
    {.state = ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE,
     .send = ale_tx_response,
     .next = ALE_STATE_IND_WAIT_ACK,
     .timer = EV_TWR_TIMER,
     .timer_ms = ale_twrt_period_ms},
    {.state = ALE_STATE_IND_WAIT_COMPLETION_OF_CALL,
     .send =
         [] {
           ale_voice_id_hook();
           send_call();
         },
     .key_up =
         [] {
           if (ale_call_ending() != ALE_ENDING_TWAS) return false;
           ale_return_to_scan();
           return true;
         },
     .next = ALE_STATE_IND_WAIT_RESPONSE,
     .timer = EV_TWRT_TIMER,
     .timer_ms = ale_twrt_period_ms},
    {.state = ALE_STATE_IND_WAIT_COMPLETION_OF_ACK,
     .send = ale_tx_ack,
     .key_up =
         [] {
           radio_on_linked();
           ale_enter_linked();
           ale_host_report_linked("");
           return true;
         }},

    // The individual exchanges inside the link, and its clear.
    {.state = ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_ACK,
     .send = ale_tx_linked_ack,
     .key_up =
         [] {
           radio_on_linked();
           ale_sm_linked_after_own_frame();
           return true;
         }},
    {.state = ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE,
     .send = ale_tx_linked_response,
     .key_up =
         [] {
           // The response carried a message acknowledgement: nothing more to wait for.
           if (ale_ack_in_frame() == 0) return false;
           ale_sm_linked_after_own_frame();
           return true;
         },
     .next = ALE_STATE_IND_LINKED_WAIT_ACK,
     .timer = EV_TWR_TIMER,
     .timer_ms = ale_twr_period_ms},
    {.state = ALE_STATE_LINKED_BRINGING_DOWN_LINK,
     .send =
         [] {
           ale_voice_id_hook();
           if (ale_call_type() == ALE_CALL_POLL) carry_poll_answer();
           ale_tx_clear();
           // The clear ends with TWAS; the calls that follow end with TIS again, as they did
           // before the link or the poll, or none of them would ever be answered.
           ale_end_calls_with_tis();
         },
     .key_up =
         [] {
           if (ale_end_link() != 0) {
             // The station ended its own link: every peer was told, so none stays linked.
             ale_end_link_set(0);
             for (const std::string& peer : ale_linked_name_list()) ale_link_cleared(peer.c_str());
             ale_linked_clear();
             ale_leave_link();
           } else if (ale_linked_count() == 0) {
             ale_link_cleared(ale_called_list_text().c_str());
             ale_leave_link();
           } else {
             ale_return_to_linked();
           }
           return true;
         }},

    // The net, group, anycall and allcall handshakes.
    {.state = ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE,
     .send = ale_tx_response,
     .key_up =
         [] {
           linked_states().ack_grace_used = 0;
           return false;
         },
     .next = ALE_STATE_NET_WAIT_ACK,  // the TWAN timer already runs
     .other =
         [](int event) {
           slot_starts(event);
           if (event == EV_TWAN_TIMER) {
             ale_return_to_scan();
             go(ALE_STATE_SCANNING);
           }
         }},
    {.state = ALE_STATE_NET_WAIT_COMPLETION_OF_CALL,
     .send =
         [] {
           ale_voice_id_hook();
           ale_slot_width_send();
           send_call();
         },
     .key_up =
         [] {
           if (ale_call_ending() == ALE_ENDING_TWAS) {
             ale_return_to_scan();
             return true;
           }
           const int type = ale_call_type();
           if (type == ALE_CALL_ALLCALL) {
             // An allcall asks no responses: the caller is linked once the call is out.
             const std::string called = ale_first_called_address();
             log_linked(called.c_str());
             radio_on_linked();
             ale_return_to_linked();
             ale_host_report_linked("*");
             return true;
           }
           return type != ALE_CALL_NET && type != ALE_CALL_GROUP && type != ALE_CALL_ANYCALL;
         },
     .next = ALE_STATE_NET_WAIT_RESPONSE,
     .timer = EV_TWRN_TIMER,
     .timer_ms = ale_twrn_period_ms},
    {.state = ALE_STATE_NET_WAIT_COMPLETION_OF_ACK, .send = ale_tx_ack, .key_up = net_ack_sent},

    // The net exchanges inside the link.
    {.state = ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME,
     .send = ale_tx_linked_call,
     .next = ALE_STATE_NET_LINKED_WAIT_RESPONSE,
     .timer = EV_TWRN_TIMER,
     .timer_ms = ale_twrn_period_ms},
    {.state = ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_ACK, .send = ale_tx_linked_ack, .key_up = net_ack_sent},
    {.state = ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE,
     .send = ale_tx_linked_response,
     .next = ALE_STATE_NET_LINKED_WAIT_ACK,
     .other = slot_starts},

    // The soundings.
    {.state = ALE_STATE_TWAS_SOUND_IN_PROGRESS,
     .send =
         [] {
           ale_voice_id_hook();
           ale_tx_twas_sounding();
         },
     .key_up =
         [] {
           db_restart_sounding_countdown();
           ale_return_to_scan();
           return true;
         }},
    // After a THIS IS sounding the station stays on the channel to hear answers.
    {.state = ALE_STATE_TIS_SOUND_IN_PROGRESS,
     .send =
         [] {
           ale_voice_id_hook();
           ale_tx_tis_sounding();
         },
     .key_up =
         [] {
           db_restart_sounding_countdown();
           return false;
         },
     .next = ALE_STATE_PAUSE_SCAN,
     .timer = EV_DWELL_TIMER,
     .timer_ms = [] { return kAfterTisSoundDwellMs; }},
};

const CompletionRow* row_of(int state) {
  for (const CompletionRow& row : kRows)
    if (row.state == state) return &row;
  return nullptr;
}

}  // namespace

void ale_sm_wait_completion(int event) {
  const CompletionRow* row = row_of(ale_link_state());
  if (row == nullptr) return;
  switch (event) {
    case EV_KEYDOWN_TIMER:
      row->send();
      ale_sm_end_refused_frame();
      return;
    case EV_TRANSMISSION_COMPLETE:
      ale_sm_transmission_complete();
      return;
    case EV_KEYUP_TIMER:
      if (row->key_up != nullptr && row->key_up()) return;
      go(row->next);
      // The wait's length is taken in the new state: a caller's waits follow the station called.
      if (row->timer != 0) timer_start(row->timer, row->timer_ms());
      return;
    default:
      if (row->other != nullptr) row->other(event);
      return;
  }
}

}  // namespace vesk
