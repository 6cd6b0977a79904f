// The automatic AMD retry: after a failed AMD handshake in a link, the kept AMD text is sent
// again (up to the AMD RETRIES option's count of times) before HANDSHAKE FAILED is written.
//
// The counter is -1 while no retry is armed; the AMD command and the message dialogs set it
// to 0 when they send an AMD text that may be retried, and a file send sets it back to -1.
#pragma once

#include <mutex>

namespace vesk {

// The engine timer that resends an AMD text after a failed handshake.
inline constexpr int kAmdRetryTimerEvent = 1084;
inline constexpr int kAmdRetryDelayMs = 3000;

struct AmdRetryState {
  std::mutex mutex;
  // -1: no automatic AMD retry armed; otherwise the retries made for the AMD text in hand.
  int counter = -1;
};

AmdRetryState& amd_retry_state();

void ale_set_amd_retry_counter(int value);
int ale_amd_retry_counter();
// A failed AMD handshake: arms a retry (linked, in LINKED IDLE or IND LINKED WAIT RESPONSE,
// retries left) or writes HANDSHAKE FAILED.
void ale_amd_handshake_failed();
// The AMD retry timer expired: resend the kept AMD text to the first linked station.
void ale_amd_auto_retry_send();

}  // namespace vesk
