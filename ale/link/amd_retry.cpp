#include "ale/link/amd_retry.h"

#include "ale/engine/timer.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

AmdRetryState& amd_retry_state() { return station().state<AmdRetryState>(); }

void ale_set_amd_retry_counter(int value) {
  AmdRetryState& s = amd_retry_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.counter = value;
}

int ale_amd_retry_counter() {
  AmdRetryState& s = amd_retry_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.counter;
}

void ale_amd_handshake_failed() {
  const int linked = ale_linked_count();
  const int state = ale_link_state();
  const int retries = db_get_amd_retries();
  bool arm = false;
  {
    AmdRetryState& s = amd_retry_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.counter >= 0 && linked > 0 &&
        (state == ALE_STATE_LINKED_IDLE || state == ALE_STATE_IND_LINKED_WAIT_RESPONSE) && retries > 0) {
      ++s.counter;
      arm = retries >= s.counter;
      if (!arm) s.counter = 0;
    }
  }
  if (!arm) {
    log_handshake_failed();
    return;
  }
  log_amd_auto_retry_armed();
  timer_start(kAmdRetryTimerEvent, kAmdRetryDelayMs);
}

void ale_amd_auto_retry_send() {
  log_amd_auto_retry_sending();
  ale_resend_amd_linked();
}

}  // namespace vesk
