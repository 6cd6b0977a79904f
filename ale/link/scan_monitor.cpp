#include "ale/link/scan_monitor.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "ale/link/link_state.h"
#include "ale/link/vad.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/call_recorder.h"
#include "platform/station.h"

namespace vesk {

namespace {

struct ScanMonitor {
  std::atomic<int> state{SCAN_MONITOR_IDLE};
};

ScanMonitor& monitor() { return station().state<ScanMonitor>(); }

void log_monitor(const char* text) {
  log_printf("[%s][%s][MONITOR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

int listen_time_ms() { return db_get_listen_time_ms(); }

void resume_scan(ScanMonitor& m) {
  m.state = SCAN_MONITOR_IDLE;
  ale_return_to_scan();
}

bool ends_phase(int event) { return event == EV_RX_THIS_WAS || event == EV_RX_FRAME_END || event == EV_DWELL_TIMER; }

}  // namespace

void ale_scan_monitor_event(int event) {
  std::lock_guard<std::recursive_mutex> hold(link_state().lock);
  if (db_get_listen_calls() == 0 || ale_link_state() != ALE_STATE_PAUSE_SCAN_SYNC) return;
  ScanMonitor& m = monitor();
  switch (m.state.load()) {
    case SCAN_MONITOR_IDLE:
      if (ends_phase(event)) {
        ale_return_to_scan();
      } else if (event == EV_FRAME_NOT_FOR_ME) {
        timer_start(EV_DWELL_TIMER, kMonitorCallHeardMs);
        log_monitor("MONITOR IDLE - FRAME NOT FOR ME 10000");
        m.state = SCAN_MONITOR_CALL_HEARD;
      } else {
        log_monitor("MONITOR IDLE - DEFAULT - Tell TOLVA/BRESKIN");
        timer_start(EV_DWELL_TIMER, listen_time_ms());
      }
      break;
    case SCAN_MONITOR_CALL_HEARD:
      if (ends_phase(event)) {
        resume_scan(m);
      } else if (event == EV_FRAME_NOT_FOR_ME) {
        timer_start(EV_DWELL_TIMER, kMonitorResponseHeardMs);
        log_monitor("MONITOR CALL HEARD - FRAME NOT FOR ME 15000");
        m.state = SCAN_MONITOR_RESPONSE_HEARD;
      } else {
        log_monitor("MONITOR CALL HEARD - DEFAULT - FORCED RESUME SCAN - Tell TOLVA/BRESKIN");
        resume_scan(m);
      }
      break;
    case SCAN_MONITOR_RESPONSE_HEARD:
      if (ends_phase(event)) {
        resume_scan(m);
      } else if (event == EV_FRAME_NOT_FOR_ME) {
        timer_start(EV_DWELL_TIMER, rec_is_enabled() ? db_get_recorder_max_secs() * 1000 : listen_time_ms());
        ale_recorder_start();
        m.state = SCAN_MONITOR_ACK_HEARD;
      } else {
        log_monitor("MONITOR RESP HEARD - DEFAULT - Tell TOLVA/BRESKIN");
        resume_scan(m);
      }
      break;
    case SCAN_MONITOR_ACK_HEARD:
      if (event == EV_VOICE_DETECTED) {
        log_monitor("MONITOR ACK HEARD - Voice Detect");
        timer_extend(EV_DWELL_TIMER, kMonitorVoiceExtendMs);
        ale_vad_reset();
      } else if (event == EV_FRAME_NOT_FOR_ME_CLEAR || event == EV_INITIATE_KILL || event == EV_DWELL_TIMER) {
        ale_recorder_stop();
        resume_scan(m);
      } else {
        timer_start(EV_DWELL_TIMER, listen_time_ms());
      }
      break;
    default:
      log_monitor("DEFAULT - Tell TOLVA/BRESKIN ");
      resume_scan(m);
      break;
  }
}

int ale_scan_monitor_state() { return monitor().state.load(); }

void ale_scan_monitor_end() {
  ScanMonitor& m = monitor();
  if (m.state.exchange(SCAN_MONITOR_IDLE) == SCAN_MONITOR_ACK_HEARD) ale_recorder_stop();
}

void ale_recorder_init() {
  monitor().state = SCAN_MONITOR_IDLE;
  if (db_get_recorder() != 0) {
    rec_enable();
  } else {
    rec_disable();
  }
  rec_set_path(db_get_recorder_path());
  rec_set_max_seconds(db_get_recorder_max_secs());
  display_post_recorder_status("");
}

void ale_recorder_start() {
  Clock& clock = station().clock();
  const std::time_t now = clock.utc_seconds();
  std::tm tm = clock.utc_tm();
  char when[40];
  std::strftime(when, sizeof when, "%m-%d-%y %H:%M", &tm);
  char name[40];
  std::snprintf(name, sizeof name, "F%lld.wav", static_cast<long long>(now));
  const std::string title = std::string(when) + "." + log_current_channel_stamp() + ".";
  // The status shows a recording only when the file was made.
  if (rec_start(name, title) != 0) display_post_recorder_status("RECORDING");
}

void ale_recorder_stop() {
  display_post_recorder_status("");
  rec_stop();
}

}  // namespace vesk
