// The SGC-2000 and the Kachina 505DSP through the station's radio control on the recording
// serial fake and simulated time: the break chains, the memory writes paced by timers, the
// memories question, and the Kachina's keep-alive.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {
namespace {

class SgcStationTest : public test::CatRadioFixture {
 protected:
  static constexpr int kSetUpMs = 1000;  // until the set-up's commands have left
  static ChannelRecord channel(int number, int hz) {
    ChannelRecord ch{};
    ch.number = static_cast<uint8_t>(number);
    ch.in_use = 1, ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = hz;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    return ch;
  }
};

// Set-up and a channel change: the break on at +10 ms, off at +20 ms, the frame 100 ms later.
TEST_F(SgcStationTest, BreakChainsOfSetUpAndChannelLoad) {
  db_set_radio_type(DB_SGC2000);
  const std::string setup = trace_of([] { radio_setup(); }, 300);
  EXPECT_NE(setup.find("10 ms COM1 break on\n20 ms COM1 break off\n"), std::string::npos) << setup;
  EXPECT_TRUE(log_has("[Radio Setup: SGC-2000 has been initialized]"));

  const ChannelRecord ch = channel(7, 7102500);
  db_store_channel(7, ch);
  EXPECT_EQ(trace_of([&] { radio_set_channel(7, ch); }, 300),
            "10 ms COM1 break on\n20 ms COM1 break off\n120 ms COM1 write 08 85 25 10 07 25 10 07 41 3E\n");
  // With the memory channels on, the channel's memory number.
  db_enable_memory_channels();
  EXPECT_EQ(trace_of([&] { radio_set_channel(7, ch); }, 300),
            "10 ms COM1 break on\n20 ms COM1 break off\n120 ms COM1 write 03 81 07 00 88\n");
}

// The memories question (5 s after set-up, memory channels on) is answered headless by
// writing them: one channel per 500 ms timer step, each after its break, all whole however
// many channels are in use, the radio queue never filling.
TEST_F(SgcStationTest, MemoriesQuestionAndPacedWrites) {
  db_enable_memory_channels();
  for (int n = 1; n <= 200; ++n) db_store_channel(n, channel(n % 100, 2000000 + n * 1000));
  set_up(DB_SGC2000, kSetUpMs);
  fake().clear_events();
  const int64_t t0 = fake().now_ms();
  int most_waiting = 0;
  for (int t = 0; t < 4000 + 200 * 500 + 1000; t += 100) {
    run_ms(100);
    most_waiting = std::max(most_waiting, serial_queue_count(SQ_RADIO));
  }
  EXPECT_TRUE(log_has("[RADIO: Update SSC2000 Memories: Update radio memories to match current Scan Group - no "
                      "operator to answer: writing the memories (the memory channels are on)]"));
  const auto writes = fake().writes(1);
  ASSERT_EQ(writes.size(), 200u);
  EXPECT_NEAR(static_cast<double>(writes[0].first - t0), 4000.0 + 110.0, 20.0);  // 5 s after set-up
  for (std::size_t i = 1; i < writes.size(); ++i) EXPECT_GE(writes[i].first - writes[i - 1].first, 500);
  EXPECT_EQ(FakeSerialBackend::hex(writes[0].second).substr(0, 8), "0A 84 01");
  EXPECT_LE(most_waiting, 2);
}

// The Kachina's keep-alive: at set-up, then every 15 s on timer 1028.
TEST_F(SgcStationTest, KachinaKeepAlive) {
  set_up(DB_K505DSP, kSetUpMs);
  fake().clear_events();
  run_ms(31000);
  int polls = 0;
  for (const auto& w : fake().writes(1)) polls += FakeSerialBackend::hex(w.second) == "02 64 00 03";
  EXPECT_EQ(polls, 2);
}

}  // namespace
}  // namespace vesk
