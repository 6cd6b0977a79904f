// Scan list and current channel: the scan cursor that walks the current scan group, the
// working channel (`CurrentChannel`, a private copy of the record the radio was last tuned
// to), the channel tests and the once-a-minute sounding schedule.
//
// The current channel is read by every thread that writes a log line; it has a small lock of
// its own, taken after the database lock and never around a call out of this module.
#pragma once

#include <cstdint>
#include <mutex>

#include "db/database.h"

namespace vesk {

struct ScanState {
  std::mutex current_mutex;     // guards `current` and `current_index`
  ChannelRecord current{};      // the working channel's copy
  int current_index = 0;        // its table index, 0 to 256
  int cursor = 0;               // channel 1 to 256 last returned by the walk; 0 at start (db lock)
};
ScanState& scan_state();

// Working channel.
// Copies channel n's record (0 to 256) into the current channel and stores n modulo 256 in its
// number byte. Returns the number stored, or -1 (nothing changes) when n is out of range.
int db_select_channel(int n);
// The working channel's number byte, 0 to 255: the channel stamped on every log line.
int db_current_channel_number();
// A copy of the working channel's record.
ChannelRecord db_current_channel();
int db_get_current_rx_freq();
int db_get_current_tx_freq();
void db_set_current_rx_freq(int hz);
void db_set_current_tx_freq(int hz);
int db_get_current_rx_mode();
int db_get_current_tx_mode();
// 1 when the copy's permission is not receive-only.
int db_current_channel_tx_allowed();
// The working channel's table index, 0 to 256 (the number byte reads 0 for channel 256).
int db_current_channel_index();

// Scan walk over the channels 1 to 256 that are in use and in the current scan group.
// Each returns the channel's index, or -1 when the group has no such channel (the cursor is
// then back where it started).
int db_next_scan_channel();
int db_prev_scan_channel();
// The channel at the cursor (0 before the first step); no test.
int db_current_scan_channel();
// Channels 1 to 256 in use and in the current group.
int db_count_group_channels();

// Channel tests; anything outside 0 to 256 gives 0.
int db_channel_in_use(int n);
int db_channel_in_group(int n);
int db_channel_has_groups(int n);

// Sounding schedule, once a minute after the ageing step: counts every channel's countdown
// down and starts at most one sounding, on the lowest due channel of the group.
void db_run_sounding_schedule();
// After a sounding went out: the working channel's countdown := sounding interval - 1.
void db_restart_sounding_countdown();

}  // namespace vesk
