// The scan monitor: with the Listen Calls option on, a station paused on a channel follows a
// call between two other stations (call, response, acknowledgement), keeps listening through
// each phase and records what follows the acknowledgement with the call recorder.
//
// All of it runs under the link lock.
#pragma once

namespace vesk {

enum ScanMonitorState {
  SCAN_MONITOR_IDLE = 0,
  SCAN_MONITOR_CALL_HEARD = 1,
  SCAN_MONITOR_RESPONSE_HEARD = 2,
  SCAN_MONITOR_ACK_HEARD = 3,  // recording
};

inline constexpr int kMonitorCallHeardMs = 10000;
inline constexpr int kMonitorResponseHeardMs = 15000;
inline constexpr int kMonitorVoiceExtendMs = 5000;

// One event of the state machine, the frame events or the operator abort; acts only with
// Listen Calls on and the link state PAUSE SCAN TO LISTEN FOR CALL AFTER WORD SYNC.
void ale_scan_monitor_event(int event);
int ale_scan_monitor_state();
// Stops following a call (every return to scan, a call started meanwhile): a recording still
// open is stopped and the monitor is idle again.
void ale_scan_monitor_end();

// The recorder as the engine drives it: set up from the options at start (monitor idle),
// started with a file "F<seconds>.wav" titled with the date, time and channel, stopped.
void ale_recorder_init();
void ale_recorder_start();
void ale_recorder_stop();

}  // namespace vesk
