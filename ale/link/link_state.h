// Link state module: what the ALE link state machine keeps between events and what its
// transitions do in common.
//
// Every thread drives the machine through ale_link_event, which holds the process-wide link
// lock for the whole event. The lock is re-entrant: a transition may raise a further event on
// the same thread (a modem reset inside a transition raises EV_RESET_MODEM), and that event
// runs to completion inside the outer one. Transitions set the new state before any action
// that can raise a nested event, so the nested event sees the state it was raised in.
//
// The transition tables of the scanning, calling and linked states are a module of their
// own (state_machine.h), which every event reaches; they use the steps here: return to scan,
// enter and leave the link, the linked-station table, the called lists and the flags. The
// queries and flag accessors take no lock; each reads or writes one value.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ale/words/ale_word.h"
#include "db/ale_chars.h"

namespace vesk {

enum AleLinkState : int {
  ALE_STATE_NULL = 0,
  ALE_STATE_SCANNING_STOPPED = 1,
  ALE_STATE_SCANNING = 2,
  ALE_STATE_PAUSE_SCAN = 3,
  ALE_STATE_PAUSE_SCAN_SYNC = 4,
  ALE_STATE_LISTEN_BEFORE_CALL = 5,
  ALE_STATE_IND_WAIT_COMPLETION_OF_RESPONSE = 6,
  ALE_STATE_IND_WAIT_COMPLETION_OF_CALL = 7,
  ALE_STATE_IND_WAIT_COMPLETION_OF_ACK = 8,
  ALE_STATE_IND_WAIT_ACK = 9,
  ALE_STATE_IND_WAIT_RESPONSE = 10,
  ALE_STATE_LINKED_IDLE = 11,
  ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME = 12,
  ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_ACK = 13,
  ALE_STATE_IND_LINKED_WAIT_COMPLETION_OF_RESPONSE = 14,
  ALE_STATE_IND_LINKED_WAIT_ACK = 15,
  ALE_STATE_IND_LINKED_WAIT_RESPONSE = 16,
  ALE_STATE_LINKED_BRINGING_DOWN_LINK = 17,
  ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE = 18,
  ALE_STATE_NET_WAIT_COMPLETION_OF_CALL = 19,
  ALE_STATE_NET_WAIT_COMPLETION_OF_ACK = 20,
  ALE_STATE_NET_WAIT_ACK = 21,
  ALE_STATE_NET_WAIT_RESPONSE = 22,
  ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME = 23,
  ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_ACK = 24,
  ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_RESPONSE = 25,
  ALE_STATE_NET_LINKED_WAIT_ACK = 26,
  ALE_STATE_NET_LINKED_WAIT_RESPONSE = 27,
  ALE_STATE_LISTEN_BEFORE_TWAS_SOUND = 28,
  ALE_STATE_LISTEN_BEFORE_TIS_SOUND = 29,
  ALE_STATE_TWAS_SOUND_IN_PROGRESS = 30,
  ALE_STATE_TIS_SOUND_IN_PROGRESS = 31,
};
inline constexpr int kAleLinkStateCount = 32;

inline constexpr int ALE_SCAN_MODE_STOPPED = 1;
inline constexpr int ALE_SCAN_MODE_SCANNING = 2;

inline constexpr int ALE_SIGNALLING_NORMAL = 0;
inline constexpr int ALE_SIGNALLING_ALTERNATE = 1;  // AQC-ALE words

// CallType: the kind of call this station is making.
enum AleCallType : int {
  ALE_CALL_INDIVIDUAL = 1,  // also a linked frame and a clear
  ALE_CALL_NET = 2,
  ALE_CALL_GROUP = 3,
  ALE_CALL_ANYCALL = 4,
  ALE_CALL_ALLCALL = 5,
  ALE_CALL_POLL = 7,
  ALE_CALL_INLINK = 9,
};

inline constexpr int kLinkedTableSize = 20;
inline constexpr int kCalledListSize = 20;
inline constexpr int kLinkAddressSize = 16;  // 15 characters and the NUL

inline constexpr const char* kLinkedScript = "LINKED.DAT";
inline constexpr const char* kUnlinkedScript = "UNLINKED.DAT";
inline constexpr const char* kLinkBatchFile = "linkup.bat";

// One entry of the linked-station table: the station's name and its other-address record
// (-1 when the station has no record).
struct LinkedEntry {
  bool used = false;
  int other_index = -1;
  char name[kLinkAddressSize]{};
};

// What the link state tells the command layer above it; the station's wiring binds them.
struct LinkHooks {
  // The status bar's refresh by the reports (report_refresh_status_bar), which also writes
  // the state trace. Empty: the state trace only.
  std::function<void()> refresh_status_bar;
  // Runs a command script ("LINKED.DAT", "UNLINKED.DAT").
  std::function<void(const char* script)> run_script;
  // The data link: a link with `peer` is entered (the data link's addresses are set and it is
  // enabled), left (disabled and reset), or abandoned by the operator.
  std::function<void(const char* peer)> data_link_up;
  std::function<void()> data_link_down;
  std::function<void()> data_link_abort;
  // The data link confirmed or failed a message (the operator's pending report, if any).
  std::function<void()> data_link_message_done;
  // A link cleared or timed out, its line written: the external TNC is reset.
  std::function<void()> link_cleared;
};

struct LinkState {
  // The link lock: one holder at a time, re-entrant on the holding thread.
  std::recursive_mutex lock;

  std::atomic<int> state{ALE_STATE_NULL};  // until ale_link_init
  std::atomic<int> return_state{ALE_STATE_SCANNING_STOPPED};
  std::atomic<int> scan_mode{ALE_SCAN_MODE_STOPPED};
  int last_state_shown = -1;
  std::atomic<int> call_type{ALE_CALL_INDIVIDUAL};
  std::atomic<int> call_class{0};
  std::atomic<int> frame_kind{0};
  std::atomic<int> signalling_mode{ALE_SIGNALLING_NORMAL};

  // Flags that other layers set for the machine.
  std::atomic<int> in_frame{0};
  std::atomic<int> ack_wait{0};

  // Tables, changed under the link lock or from the worker.
  std::mutex tables_mutex;  // the two tables below, read from any thread
  std::array<LinkedEntry, kLinkedTableSize> linked{};
  std::array<std::array<char, kLinkAddressSize>, kCalledListSize> called{};

  // Channel-return request: 0 none, 1 armed, 2 moved.
  std::atomic<int> channel_return_request{0};
  std::atomic<int> channel_return_saved{0};

  LinkHooks hooks;
};

LinkState& link_state();

// Entry point and start.
void ale_link_event(int event);
// The handler of one event, run under the link lock: the common steps around the state's own
// handling.
void ale_link_handle_event(int event);
void ale_link_init();

// Queries.
int ale_link_state();
// The name of a link state 0-31 ("SCANNING STOPPED"), or "UNKNOWN STATE".
const char* ale_link_state_name(int state);
// "State = NAME" of the current link state when state tracing is on.
void ale_trace_state();
// Sets the state; the transitions call it before any action that can raise an event.
void ale_set_link_state(int state);
int ale_return_state();
void ale_set_return_state(int state);
int ale_scan_mode();
void ale_set_scan_mode(int mode);
int ale_is_linked();
int ale_link_ready();
int ale_is_idle();
int ale_signalling_mode();
void ale_set_signalling_mode(int mode);
int ale_call_type();
void ale_set_call_type(int type);
int ale_call_class();
void ale_set_call_class(int cls);
int ale_frame_kind();
void ale_set_frame_kind(int kind);
void ale_refresh_status_bar();
// Forgets the last state shown, so the next event refreshes the status bar.
void ale_forget_state_shown();

// Flags.
int ale_in_frame();
int ale_ack_wait();
void ale_ack_wait_set(int value);
void ale_track_in_frame(int event);

// Linked-station table.
void ale_linked_add(const char* address);
int ale_linked_absent(const char* address);
int ale_linked_has(const char* address);
void ale_linked_remove(const char* address);
void ale_linked_clear();
int ale_linked_count();
// Names of the stations in table order, at most `max` of them; returns how many.
int ale_linked_names(char (*out)[kLinkAddressSize], int max);
AddressList ale_linked_name_list();
// The LINKED command's text; also written to the log.
std::string ale_print_linked();

// Called list.
void ale_called_clear();
void ale_called_add(const char* address);
void ale_called_add_all(const AddressList& addresses);
void ale_called_remove(const char* address);
AddressList ale_called_list();
void ale_called_from_linked();

// Channel-return request.
void ale_channel_return_arm();
void ale_channel_meet();
void ale_channel_return();
void ale_channel_return_cancel();
int ale_channel_return_request();

// Composite steps.
void ale_return_to_scan();
void ale_stop_link_timers();
// Tunes the radio to channel n of the table.
void ale_tune_channel(int n);
void ale_enter_linked();
void ale_return_to_linked();
void ale_leave_link();
// "LINKED.DAT" or "UNLINKED.DAT", then "linkup.bat" when `batch` is on.
void ale_run_link_scripts(const char* script, int batch);
// A link with `address` cleared, or the link timed out: writes CLEARED or TIME OUT, then runs
// the link_cleared hook.
void ale_link_cleared(const char* address);
void ale_link_timed_out();

}  // namespace vesk
