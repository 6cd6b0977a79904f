// The RF-350 ALK through the station's radio control on the recording serial fake and
// simulated time: the keep-alive, the delayed frequency load, the memory update paced by
// timer steps, and the channel number with memory channels on.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"

namespace vesk {
namespace {

class HarrisStationTest : public test::RadioFixture {
 protected:
  HarrisStationTest() { db_set_option_int(opt::EMULATION_ENABLED, 0); }
  static ChannelRecord channel(int number, int hz, int groups) {
    ChannelRecord ch{};
    ch.number = static_cast<uint8_t>(number);
    ch.in_use = 1, ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = hz;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    ch.scan_groups = groups;
    return ch;
  }
  // The writes of the radio port as text, each with its time since `t0`.
  std::vector<std::pair<int64_t, std::string>> writes_since(int64_t t0) {
    std::vector<std::pair<int64_t, std::string>> out;
    for (const auto& [t, bytes] : fake().writes(1)) out.emplace_back(t - t0, bytes);
    return out;
  }
};

// "U" every 3 s: 20 polls in 60 s; the working frequency as register A4 8 s after the set-up
// block (which follows the three start steps, 300 ms).
TEST_F(HarrisStationTest, KeepAliveAndDelayedFrequencyLoad) {
  db_store_channel(1, channel(1, 7102500, 1));
  db_select_channel(1);
  db_set_radio_type(DB_RF350ALK);
  const int64_t t0 = fake().now_ms();
  radio_setup();
  run_ms(1000);
  const int64_t from = fake().now_ms();
  run_ms(60000);
  int polls = 0, loads = 0;
  for (const auto& [t, text] : writes_since(t0)) {
    if (t >= from - t0 && t < from - t0 + 60000 && text == "U") ++polls;
    if (text == "A4\nF0710250\n") {
      ++loads;
      EXPECT_NEAR(static_cast<double>(t), 8300.0, 60.0);  // 8 s after the block's three start steps
    }
  }
  EXPECT_EQ(polls, 20);
  EXPECT_EQ(loads, 1);
}

// With memory channels on: the question 12 s after set-up (headless: written), then one
// channel of the scan group per 1.8 s; channels of other groups and channels not in use (62 to
// 256) are passed over without a pause; the radio queue never fills.
TEST_F(HarrisStationTest, MemoryUpdateOnTimerSteps) {
  db_enable_memory_channels();
  for (int n = 1; n <= 60; ++n) db_store_channel(n, channel(n, 2000000 + n * 10000, n % 3 == 0 ? 2 : 1));
  db_set_radio_type(DB_RF350ALK);
  const int64_t t0 = fake().now_ms();
  radio_setup();
  int most_waiting = 0;
  for (int t = 0; t < 12000 + 41 * 1800; t += 100) {
    run_ms(100);
    most_waiting = std::max(most_waiting, serial_queue_count(SQ_RADIO));
  }
  EXPECT_TRUE(log_has("[RADIO: Update Harris Memories: Update radio memories to match current Scan Group - no "
                      "operator to answer: writing the memories (the memory channels are on)]"));
  std::vector<int64_t> at;
  for (const auto& [t, text] : writes_since(t0))
    if (text.rfind("UP", 0) == 0) at.push_back(t);
  ASSERT_EQ(at.size(), 40u);  // the 40 channels of group 0 in use
  EXPECT_NEAR(static_cast<double>(at.front()), 12350.0, 60.0);  // 12 s after the block, then the queue
  for (std::size_t i = 1; i < at.size(); ++i) EXPECT_NEAR(static_cast<double>(at[i] - at[i - 1]), 1800.0, 60.0);
  EXPECT_LE(most_waiting, 3);

  // A channel change sends the channel number ("C01" for channel 0).
  fake().clear_events();
  ChannelRecord zero = channel(0, 7000000, 1);
  radio_set_channel(0, zero);
  run_ms(100);
  const auto w = fake().writes(1);
  ASSERT_FALSE(w.empty());
  EXPECT_EQ(w.front().second, "C01\n");
}

}  // namespace
}  // namespace vesk
