// Test support for the tests that prepare a station folder: the working channel they tune.
#pragma once

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"

namespace vesk::test {

// Stores channel `number` as a USB channel of `hz` for receive and transmit, that may transmit
// and is in the current scan group, and makes it the working channel. True when stored.
inline bool store_working_usb_channel(int number, int hz) {
  ChannelRecord ch{};
  ch.permission = CHANNEL_BX;
  ch.scan_groups = 1 << db_get_scan_group();
  ch.rx_freq_hz = ch.tx_freq_hz = hz;
  ch.rx_mode = ch.tx_mode = MODE_USB;
  if (db_store_channel(number, ch) != 1) return false;
  db_select_channel(number);
  return true;
}

}  // namespace vesk::test
