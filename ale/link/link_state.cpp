#include "ale/link/link_state.h"

#include <cstring>

#include "ale/link/ale_timing.h"
#include "ale/engine/api_event.h"
#include "ale/link/aqc_slots.h"
#include "ale/link/call_setup.h"
#include "ale/link/channel_quality.h"
#include "ale/link/scan_monitor.h"
#include "ale/engine/host_reports.h"
#include "ale/link/state_machine.h"
#include "ale/engine/event_names.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/messages/send_queue.h"
#include "ale/engine/timer.h"
#include "ale/words/word_rx.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/fsk8.h"
#include "radio/channel.h"
#include "radio/muting.h"
#include "platform/hook.h"
#include "platform/shell.h"
#include "platform/station.h"

namespace vesk {

LinkState& link_state() { return station().state<LinkState>(); }

namespace {

// Address texts are compared as the tables keep them: at most 15 characters.
bool same_name(const char* a, const char* b) { return std::strncmp(a, b, kLinkAddressSize - 1) == 0; }

void copy_name(char* dst, const char* src) {
  std::strncpy(dst, src, kLinkAddressSize - 1);
  dst[kLinkAddressSize - 1] = '\0';
}

bool is_linked_state(int state) {
  return (state >= ALE_STATE_LINKED_IDLE && state <= ALE_STATE_LINKED_BRINGING_DOWN_LINK) ||
         (state >= ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME &&
          state <= ALE_STATE_NET_LINKED_WAIT_RESPONSE);
}

}  // namespace

// ---- entry point ----

void ale_link_event(int event) {
  LinkState& s = link_state();
  std::lock_guard<std::recursive_mutex> hold(s.lock);
  ale_link_handle_event(event);
}

void ale_link_handle_event(int event) {
  LinkState& s = link_state();
  if (event == EV_INITIALISE) ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
  ale_track_in_frame(event);
  ale_trace_event(event);
  if (event == EV_TWA_TIMER) {
    // A manual transmission restarts the activity time-out while scanning; when it runs out
    // with no link and no call under way there is nothing to leave.
    const int state = ale_link_state();
    if (state > ALE_STATE_PAUSE_SCAN_SYNC || is_linked_state(state) || ale_linked_count() > 0) {
      ale_link_timed_out();
      ale_leave_link();
    }
  }
  ale_state_machine_handle(event);
  ale_release_held_amd();
  if (ale_link_state() != s.last_state_shown) ale_refresh_status_bar();
}

void ale_link_init() {
  LinkState& s = link_state();
  {
    std::lock_guard<std::recursive_mutex> hold(s.lock);
    ale_set_link_state(ALE_STATE_SCANNING_STOPPED);
    s.return_state = ALE_STATE_SCANNING_STOPPED;
    s.scan_mode = ALE_SCAN_MODE_STOPPED;
    ale_linked_clear();
    ale_called_clear();
    aqc_slots_reset();
    ale_slot_width_flag_set(0);
  }
  ale_link_event(EV_INITIALISE);
}

// ---- queries ----

namespace {

// The word tests below the link are told what they must know of the exchange.
void tell_words() {
  const int s = ale_link_state();
  const bool alternate = ale_signalling_mode() == ALE_SIGNALLING_ALTERNATE;
  const bool aqc_exchange = alternate && ((s >= 0 && s <= ALE_STATE_IND_WAIT_RESPONSE) ||
                                          (s >= ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE && s <= ALE_STATE_NET_WAIT_RESPONSE));
  const bool sounding = !alternate && (s == ALE_STATE_TWAS_SOUND_IN_PROGRESS || s == ALE_STATE_TIS_SOUND_IN_PROGRESS);
  ale_word_set_exchange(ale_is_idle() == 0 && !alternate, aqc_exchange, sounding, alternate);
}

}  // namespace

int ale_link_state() { return link_state().state.load(); }
void ale_set_link_state(int state) {
  link_state().state = state;
  tell_words();
}
int ale_return_state() { return link_state().return_state.load(); }
void ale_set_return_state(int state) { link_state().return_state = state; }
int ale_scan_mode() { return link_state().scan_mode.load(); }
void ale_set_scan_mode(int mode) { link_state().scan_mode = mode; }
int ale_is_linked() { return ale_link_state() == ALE_STATE_LINKED_IDLE ? 1 : 0; }
int ale_link_ready() { return ale_is_linked() && !ale_in_frame() ? 1 : 0; }

int ale_is_idle() {
  const int s = ale_link_state();
  return s >= ALE_STATE_SCANNING_STOPPED && s <= ALE_STATE_PAUSE_SCAN_SYNC ? 1 : 0;
}

int ale_signalling_mode() { return link_state().signalling_mode.load(); }

void ale_set_signalling_mode(int mode) {
  const int m = mode ? ALE_SIGNALLING_ALTERNATE : ALE_SIGNALLING_NORMAL;
  link_state().signalling_mode = m;
  tell_words();
  display_post_ale_mode(m == ALE_SIGNALLING_ALTERNATE ? "ALTERNATE" : "NORMAL");
}

int ale_call_type() { return link_state().call_type.load(); }
void ale_set_call_type(int type) { link_state().call_type = type; }
int ale_call_class() { return link_state().call_class.load(); }
void ale_set_call_class(int cls) { link_state().call_class = cls; }
int ale_frame_kind() { return link_state().frame_kind.load(); }
void ale_set_frame_kind(int kind) { link_state().frame_kind = kind; }

void ale_refresh_status_bar() {
  LinkState& s = link_state();
  s.last_state_shown = ale_link_state();
  if (s.hooks.refresh_status_bar)
    s.hooks.refresh_status_bar();
  else
    ale_trace_state();
}

void ale_forget_state_shown() { link_state().last_state_shown = -1; }

// ---- flags ----

int ale_in_frame() { return link_state().in_frame.load(); }
int ale_ack_wait() { return link_state().ack_wait.load(); }
void ale_ack_wait_set(int value) { link_state().ack_wait = value; }

void ale_track_in_frame(int event) {
  switch (event) {
    case EV_RX_FRAME_BEGIN:
    case EV_AQC_FRAME_BEGIN:
      link_state().in_frame = 1;
      break;
    case EV_RX_FRAME_END:
    case EV_AQC_FRAME_END:
    case EV_FRAME_FOR_ME:
    case EV_FRAME_FOR_ME_CLEAR:
    case EV_FRAME_NOT_FOR_ME:
    case EV_RESET_MODEM:
      link_state().in_frame = 0;
      break;
    default:
      break;
  }
}

// ---- linked-station table ----

void ale_linked_add(const char* address) {
  if (address == nullptr || address[0] == '\0') return;
  const int index = db_find_other_address_index(address);
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (const LinkedEntry& e : s.linked)
    if (e.used && same_name(e.name, address)) return;
  for (LinkedEntry& e : s.linked) {
    if (e.used) continue;
    e.used = true;
    e.other_index = index;
    copy_name(e.name, address);
    return;
  }
}

int ale_linked_has(const char* address) {
  if (address == nullptr) return 0;
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (const LinkedEntry& e : s.linked)
    if (e.used && same_name(e.name, address)) return 1;
  return 0;
}

int ale_linked_absent(const char* address) { return ale_linked_has(address) ? 0 : 1; }

void ale_linked_remove(const char* address) {
  if (address == nullptr) return;
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (LinkedEntry& e : s.linked)
    if (e.used && same_name(e.name, address)) e = LinkedEntry{};
}

void ale_linked_clear() {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  s.linked.fill(LinkedEntry{});
}

int ale_linked_count() {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  int n = 0;
  for (const LinkedEntry& e : s.linked) n += e.used ? 1 : 0;
  return n;
}

int ale_linked_names(char (*out)[kLinkAddressSize], int max) {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  int n = 0;
  for (const LinkedEntry& e : s.linked) {
    if (!e.used || n >= max) continue;
    copy_name(out[n++], e.name);
  }
  return n;
}

AddressList ale_linked_name_list() {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  AddressList names;
  for (const LinkedEntry& e : s.linked)
    if (e.used) names.emplace_back(e.name);
  return names;
}

std::string ale_print_linked() {
  const AddressList names = ale_linked_name_list();
  std::string text;
  if (names.empty()) {
    text = "* SORRY NOT LINKED\n";
  } else {
    text = "* CURRENTLY LINKED WITH\n";
    char line[32];
    for (const std::string& n : names) {
      std::snprintf(line, sizeof line, "[%-15s]\n", n.c_str());
      text += line;
    }
  }
  log_printf("%s", text.c_str());
  return text;
}

// ---- called list ----

void ale_called_clear() {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (auto& e : s.called) e.fill('\0');
}

void ale_called_add(const char* address) {
  if (address == nullptr || address[0] == '\0') return;
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (auto& e : s.called) {
    if (e[0] != '\0') continue;
    copy_name(e.data(), address);
    return;
  }
}

void ale_called_add_all(const AddressList& addresses) {
  for (const std::string& a : addresses) ale_called_add(a.c_str());
}

void ale_called_remove(const char* address) {
  if (address == nullptr) return;
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  for (auto& e : s.called)
    if (e[0] != '\0' && same_name(e.data(), address)) e.fill('\0');
}

AddressList ale_called_list() {
  LinkState& s = link_state();
  std::lock_guard<std::mutex> hold(s.tables_mutex);
  AddressList names;
  for (const auto& e : s.called)
    if (e[0] != '\0') names.emplace_back(e.data());
  return names;
}

void ale_called_from_linked() {
  const AddressList names = ale_linked_name_list();
  if (!names.empty()) ale_set_called_list(names);
}

// ---- channel-return request ----

void ale_channel_return_arm() {
  LinkState& s = link_state();
  s.channel_return_saved = db_current_channel_index();
  s.channel_return_request = 1;
}

void ale_channel_meet() {
  LinkState& s = link_state();
  if (s.channel_return_request != 1) return;
  s.channel_return_request = 2;
  ale_tune_channel(0);
}

void ale_channel_return() {
  LinkState& s = link_state();
  const bool moved = s.channel_return_request == 2;
  s.channel_return_request = 0;
  if (moved) ale_tune_channel(s.channel_return_saved.load());
}

void ale_channel_return_cancel() { link_state().channel_return_request = 0; }
int ale_channel_return_request() { return link_state().channel_return_request; }

// ---- composite steps ----

void ale_tune_channel(int n) {
  ChannelRecord rec{};
  if (db_copy_channel(n, &rec) == 0) radio_set_channel(n, rec);
}

void ale_stop_link_timers() {
  for (int id : {EV_TWT_TIMER, EV_KEYDOWN_TIMER, EV_KEYUP_TIMER, EV_SWT_TIMER, EV_TWAN_TIMER, EV_TWRN_TIMER,
                 EV_TWR_TIMER, EV_TWA_TIMER, EV_TWRT_TIMER, EV_DWELL_TIMER})
    timer_stop(id);
}

void ale_return_to_scan() {
  LinkState& s = link_state();
  std::lock_guard<std::recursive_mutex> hold(s.lock);
  fsk_reset(fsk_state());
  (void)fsk_channel_activity(fsk_state(), ale_rx_sync_seen);
  fsk_scan_resume_hook();

  ale_parser_reset();
  (void)ale_rx_sync_seen();
  ale_reset_receiver();
  ale_stop_link_timers();
  if (db_get_trace_rx_words()) log_printf("[RESUME SCAN]\n");
  s.in_frame = 0;
  fsk_init_dft(fsk_state());

  // This step reads the state as it was before the return (a pause on activity, state 3,
  // sends no resumed-scanning report), so the state changes only after it.
  if (s.scan_mode.load() == ALE_SCAN_MODE_SCANNING) {
    radio_scan_start();
    radio_scan_next_channel();
    ale_dwell_start();
    if (s.state.load() != ALE_STATE_PAUSE_SCAN) ale_host_report_resumed_scanning();
  }
  ale_set_link_state(s.return_state.load());

  ale_sections_flush();
  aqc_channel_quality_update(-1);
  ale_slot_width_flag_set(0);
  dtm_rx_reset();
  dbm_rx_reset();
  const int dropped = dtm_dbm_flush();
  if (dropped > 0)
    log_printf("[%s][%s][DATA: %d UNSENT MESSAGE BLOCKS DROPPED ON RETURN TO SCAN]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), dropped);
  ale_scan_monitor_end();
}

void ale_run_link_scripts(const char* script, int batch) {
  call_hook(link_state().hooks.run_script, script);
  if (!batch) return;
  if (!shell_run_batch(station().dir(), kLinkBatchFile)) log_file_not_found(kLinkBatchFile);
}

void ale_link_cleared(const char* address) {
  log_cleared(address);
  call_hook(link_state().hooks.link_cleared);
}

void ale_link_timed_out() {
  log_time_out("");
  call_hook(link_state().hooks.link_cleared);
}

void ale_enter_linked() {
  LinkState& s = link_state();
  std::lock_guard<std::recursive_mutex> hold(s.lock);
  ale_set_link_state(ALE_STATE_LINKED_IDLE);
  call_hook(s.hooks.data_link_up, ale_first_called_address());
  api_post_link_up();
  timer_start_twa();
  timer_start(EV_SM_POLL_TIMER, 100);
  ale_channel_return_cancel();
  ale_refresh_status_bar();
  ale_run_link_scripts(kLinkedScript, db_get_linked_batch());
  ale_reset_modem();
}

void ale_return_to_linked() {
  LinkState& s = link_state();
  std::lock_guard<std::recursive_mutex> hold(s.lock);
  ale_set_link_state(ALE_STATE_LINKED_IDLE);
  timer_start_twa();
  timer_start(EV_SM_POLL_TIMER, 20);
  ale_refresh_status_bar();
  ale_reset_modem();
}

void ale_leave_link() {
  LinkState& s = link_state();
  std::lock_guard<std::recursive_mutex> hold(s.lock);
  // The state the return to scan will restore is set first, so that events raised by the
  // steps below (scripts, reports) no longer see a link.
  ale_set_link_state(s.return_state.load());
  call_hook(s.hooks.data_link_down);
  api_post_link_down();
  ale_linked_clear();
  radio_on_unlinked();
  ale_run_link_scripts(kUnlinkedScript, db_get_unlinked_batch());
  ale_return_to_scan();
}

}  // namespace vesk
