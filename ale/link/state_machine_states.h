// The per-state handlers of the link state machine, shared between its source files.
#pragma once

namespace vesk {

// Scanning and listening before a sounding (state_machine_scan.cpp).
void ale_sm_null_state(int event);
void ale_sm_scanning_stopped(int event);
void ale_sm_scanning(int event);
void ale_sm_pause_scan(int event);       // state 3
void ale_sm_pause_scan_sync(int event);  // state 4
void ale_sm_listen_before_sound(int event);

// Calls (state_machine_call.cpp).
void ale_sm_listen_before_call(int event);  // state 5
void ale_sm_wait_ack(int event);            // 9
void ale_sm_wait_response(int event);       // 10

// The states that wait for the completion of their own frame (state_machine_completion.cpp):
// 6, 7, 8, 13, 14, 17 to 20, 23 to 25, 30 and 31.
void ale_sm_wait_completion(int event);

// Shared helpers.
bool ale_sm_is_initiate(int event);  // the seven initiate events that start a call
bool ale_sm_is_frame_begin(int event);
void ale_sm_scan_active(bool on);
void ale_sm_next_channel_or_fail(bool from_response_wait);
int ale_sm_listen_time_ms();

}  // namespace vesk
