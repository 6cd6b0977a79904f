// ALE timing periods: how long the link state machine listens before it transmits (TWT),
// waits for a response (TWR, TWRT) or for the responses of a net, group or anycall (TWRN),
// how long a responder waits for its own response slot (SWT) and for the caller's
// acknowledgement (TWAN), and the link activity time-out (TWA). The slot-width agreement
// that a caller announces in a tw command word is in ale/frames/slot_width.h.
//
// Every computed time is a count of word times Tw multiplied by the double 130.666666 ms and
// then truncated to whole milliseconds, so that the periods match the protocol's figures to the
// millisecond. The computed SWT, TWAN and TWRN are held until the state machine starts their
// timers through the getters.
#pragma once

#include <atomic>
#include <functional>

#include "ale/frames/slot_width.h"
#include "ale/words/ale_word.h"
#include "db/ale_chars.h"

namespace vesk {

inline constexpr int kTwtVoiceMs = 2352;         // 18 Tw on a voice (or mixed) channel
inline constexpr int kTwtDataMs = 784;           // 6 Tw on a data channel
inline constexpr int kTwrDefaultMs = 2000;       // no peer record
inline constexpr int kTwrtDefaultMs = 5000;
inline constexpr double kTwrnAqcNetExtra = 2221.333322;

struct TimingState {
  double swt_ms = 0;
  double twan_ms = 0;
  double twrn_ms = 0;
  // Drawing of anycall response slots; fixed seed so that simulated runs repeat.
  unsigned random_state = 1;
};

TimingState& timing_state();

// Periods, in whole ms. Each writes its trace line with Trace Timers on.
int ale_twa_period_ms();
void timer_start_twa();
int ale_twt_period_ms();
int ale_twr_period_ms();
int ale_twrt_period_ms();
// The computed SWT less the PTT delay, at least one tick: a responder always answers.
int ale_swt_period_ms();
int ale_twan_period_ms();
// Clears the acknowledgement-wait flag and returns TWAN.
int ale_twan_restart();
int ale_twrn_period_ms();

// Computations: each sets the held SWT, TWAN or TWRN. `net` is a net index (0-19);
// `list`/`count` a call's address list; `caller` the calling station, `own` this station's
// address in the call.
void ale_swt_random();
void ale_swt_net(int net, const char* caller);
void ale_swt_group(const AddressList& list, const char* caller);
void ale_swt_aqc_slot(int n);
void ale_twan_anycall();
void ale_twan_net(int net, const char* caller);
void ale_twan_group(const AddressList& list, const char* caller);
void ale_twan_aqc_slot(int n);
void ale_twrn_anycall();
void ale_twrn_net(int net, int lqa);
void ale_twrn_group(const AddressList& list, const char* own, int lqa);

}  // namespace vesk
