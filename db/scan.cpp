#include "db/scan.h"

#include "db/db_internal.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

ScanState& scan_state() { return station().state<ScanState>(); }

int db_select_channel(int n) {
  if (n < 0 || n >= kChannelCount) return -1;
  ChannelRecord copy;
  {
    DbLock lock;
    copy = lock.db().channels[n];
  }
  copy.number = static_cast<uint8_t>(n % 256);
  ScanState& s = scan_state();
  std::lock_guard<std::mutex> g(s.current_mutex);
  s.current = copy;
  s.current_index = n;
  return copy.number;
}

namespace {

template <class F>
auto with_current(F f) {
  ScanState& s = scan_state();
  std::lock_guard<std::mutex> g(s.current_mutex);
  return f(s.current);
}

bool walkable(const StationDatabase& db, int n) {
  const ChannelRecord& ch = db.channels[n];
  return ch.in_use != 0 && dbi::in_current_group(db, ch);
}

// One walk of at most 257 steps in the direction `step` (+1 or -1).
int walk(int step) {
  DbLock lock;
  ScanState& s = scan_state();
  const int start = s.cursor;
  int cursor = start;
  for (int i = 0; i < kChannelCount; ++i) {
    cursor += step;
    if (cursor > 256) cursor = 1;
    if (cursor < 1) cursor = 256;  // also any cursor below 1 when stepping back
    if (walkable(lock.db(), cursor)) {
      s.cursor = cursor;
      return cursor;
    }
  }
  s.cursor = start;
  return -1;
}

}  // namespace

int db_current_channel_number() { return with_current([](ChannelRecord& c) { return static_cast<int>(c.number); }); }
ChannelRecord db_current_channel() { return with_current([](ChannelRecord& c) { return c; }); }
int db_get_current_rx_freq() { return with_current([](ChannelRecord& c) { return c.rx_freq_hz; }); }
int db_get_current_tx_freq() { return with_current([](ChannelRecord& c) { return c.tx_freq_hz; }); }
void db_set_current_rx_freq(int hz) {
  with_current([hz](ChannelRecord& c) { return c.rx_freq_hz = hz; });
}
void db_set_current_tx_freq(int hz) {
  with_current([hz](ChannelRecord& c) { return c.tx_freq_hz = hz; });
}
int db_get_current_rx_mode() { return with_current([](ChannelRecord& c) { return c.rx_mode; }); }
int db_get_current_tx_mode() { return with_current([](ChannelRecord& c) { return c.tx_mode; }); }
int db_current_channel_tx_allowed() {
  return with_current([](ChannelRecord& c) { return c.permission != CHANNEL_RX ? 1 : 0; });
}
int db_current_channel_index() {
  ScanState& s = scan_state();
  std::lock_guard<std::mutex> g(s.current_mutex);
  return s.current_index;
}

int db_next_scan_channel() { return walk(+1); }
int db_prev_scan_channel() { return walk(-1); }

int db_current_scan_channel() {
  DbLock lock;
  const int c = scan_state().cursor;
  return (c >= 0 && c < kChannelCount) ? c : 0;
}

int db_count_group_channels() {
  DbLock lock;
  int count = 0;
  for (int n = 1; n < kChannelCount; ++n) {
    const ChannelRecord& ch = lock.db().channels[n];
    if (ch.in_use == 1 && dbi::in_current_group(lock.db(), ch)) ++count;
  }
  return count;
}

int db_channel_in_use(int n) {
  if (n < 0 || n >= kChannelCount) return 0;
  DbLock lock;
  return lock.db().channels[n].in_use == 1 ? 1 : 0;
}

int db_channel_in_group(int n) {
  if (n < 0 || n >= kChannelCount) return 0;
  DbLock lock;
  const ChannelRecord& ch = lock.db().channels[n];
  return (ch.in_use == 1 && dbi::in_current_group(lock.db(), ch)) ? 1 : 0;
}

int db_channel_has_groups(int n) {
  if (n < 0 || n >= kChannelCount) return 0;
  DbLock lock;
  const ChannelRecord& ch = lock.db().channels[n];
  return (ch.in_use == 1 && ch.scan_groups != 0) ? 1 : 0;
}

void db_run_sounding_schedule() {
  int due = -1;
  bool tis = true;
  {
    DbLock lock;
    StationDatabase& db = lock.db();
    for (int n = 1; n < kChannelCount; ++n)
      if (db.channels[n].sound_countdown_min > 0) --db.channels[n].sound_countdown_min;
    if (db.options.i32(opt::SOUNDING) == 1) {
      for (int n = 1; n < kChannelCount && due < 0; ++n) {
        const ChannelRecord& ch = db.channels[n];
        if (ch.in_use == 1 && dbi::in_current_group(db, ch) && ch.sound_countdown_min == 0 &&
            ch.permission != CHANNEL_RX)
          due = n;
      }
      tis = db.options.i32(opt::TIS) == 1;
    }
  }
  if (due < 0) return;
  const DbHooks& h = db_hooks();
  if (tis && h.start_tis_sounding) h.start_tis_sounding(due);
  if (!tis && h.start_twas_sounding) h.start_twas_sounding(due);
}

void db_restart_sounding_countdown() {
  // The working channel is picked by its table index, so channel 256 is never taken for 0.
  const int n = db_current_channel_index();
  DbLock lock;
  lock.db().channels[n].sound_countdown_min = lock.options().i32(opt::SOUNDING_INTERVAL) - 1;
}

}  // namespace vesk
