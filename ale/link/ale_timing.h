// ALE timing periods: how long the link state machine listens before it transmits (TWT),
// waits for a response (TWR, TWRT) or for the responses of a net, group or anycall (TWRN),
// how long a responder waits for its own response slot (SWT) and for the caller's
// acknowledgement (TWAN), and the link activity time-out (TWA). Also the slot-width agreement
// that a caller announces in a tw command word, and the coding of that word's time value.
//
// Every computed time is a count of word times Tw multiplied by the double 130.666666 ms and
// then truncated to whole milliseconds, so that the periods match the protocol's figures to the
// millisecond. The computed SWT, TWAN and TWRN are held until the state machine starts their
// timers through the getters.
#pragma once

#include <atomic>
#include <functional>

#include "ale/words/ale_word.h"
#include "db/ale_chars.h"

namespace vesk {

inline constexpr double kAleTwMs = 130.666666;  // one ALE word time
inline constexpr int kTwtVoiceMs = 2352;         // 18 Tw on a voice (or mixed) channel
inline constexpr int kTwtDataMs = 784;           // 6 Tw on a data channel
inline constexpr int kTwrDefaultMs = 2000;       // no peer record
inline constexpr int kTwrtDefaultMs = 5000;
inline constexpr double kTwrnAqcNetExtra = 2221.333322;

struct TimingState {
  double swt_ms = 0;
  double twan_ms = 0;
  double twrn_ms = 0;
  // Slot-width agreement: width in Tw, time in ms, and whether it is in force.
  int slot_width = 0;
  int slot_time = 0;
  std::atomic<int> slot_flag{0};
  // Drawing of anycall response slots; fixed seed so that simulated runs repeat.
  unsigned random_state = 1;
};

TimingState& timing_state();

// ms of a count of word times, truncated.
int ale_tw_ms(double count_tw);

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

// Slot-width agreement.
void ale_slot_width_set(int a_words, int b_words);
void ale_slot_width_send();
void ale_slot_width_reset();
void ale_slot_width_flag_set(int on);
int ale_slot_width_flag();
int ale_slot_width();
int ale_slot_time();

// tw time coding. Decode stores count as the width and its ms as the time, returns the time;
// encode returns the time character (-1 for a count above 1,239,840 Tw, nothing stored).
int ale_tw_decode(int character);
int ale_tw_encode(int count);
// CMD word "t", "w", encode(count).
AleWord ale_tw_word(int count);

}  // namespace vesk
