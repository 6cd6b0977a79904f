// Radio control's own engine timers: the keep-alive poll (1028), the SGC-2000's break chains
// and memories prompt (1075 to 1083) and the RF-350 ALK's delayed steps (1086, 1087). The engine's timer dispatch calls
// `radio_timer_step` for them on its worker thread.
#pragma once

namespace vesk {

// Runs the step of timer `id`; false for an id that is not radio control's.
bool radio_timer_step(int id);

// Timer 1028: the configured radio's poll, which restarts the timer with its period.
void radio_keepalive();
// Timers 1075 to 1083 (SGC-2000).
void radio_sgc_timer(int id);
// The Skanti 8250's pacing buffer (its timer 1026) has sent every byte given to it.
bool skanti_buffer_empty();
// Timers 1086 (RF-350 ALK frequency load) and 1087 (its memory update: the question, then one
// channel per 1.8 s step).
void radio_harris_timer(int id);
// Writes every channel of the current scan group that is in use into the RF-350 ALK's
// memories, one per 1.8 s timer step, each only while the radio queue has room.
void rf350alk_write_all_channels();

// Writes every channel in use into the SGC-2000's memories: one channel per 500 ms timer step,
// each after a break, and only while the radio queue has room.
void sgc_write_all_channels();

// The SGC-2000's clock read: the date request, then (on its answer) the time request. The
// result is kept for whoever asks; nothing starts the read in normal operation.
struct SgcClock {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  bool complete = false;
};
void sgc_clock_read_start();
SgcClock sgc_clock_read_result();

}  // namespace vesk
