#include "db/scan.h"

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
  return copy.number;
}

namespace {

template <class F>
auto with_current(F f) {
  ScanState& s = scan_state();
  std::lock_guard<std::mutex> g(s.current_mutex);
  return f(s.current);
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

}  // namespace vesk
