// Radio control from several threads at once, as on a running station: channel settings
// from the window and the worker, the audio thread's unkey, the operator's muting, while the
// worker polls the ports. Channel settings are serialised; nothing is lost or torn.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(RadioControlThreads, ChannelSettingsKeyingAndMutingAtOnce) {
  test::TempDir dir;
  Station st(dir.path());
  StationScope scope(st);
  auto fake = FakeSerialBackend::install();
  serial_timer_hooks().start = [](int, int) {};
  serial_timer_hooks().stop = [](int) {};
  db_set_radio_type(DB_IC7000);
  db_set_cat_mute(1);
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  radio.set_port_number(1);
  ASSERT_EQ(radio.open(), 0);
  for (int n = 1; n <= 4; ++n) {
    ChannelRecord ch{};
    ch.in_use = 1;
    ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = 7000000 + n * 100000;
    ch.rx_mode = ch.tx_mode = n % 2 == 0 ? MODE_USB : MODE_LSB;
    ch.attenuator = n % 2;
    db_store_channel(n, ch);
  }
  constexpr int kRounds = 200;
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  auto on_station = [&](auto body) {
    return std::thread([&st, body] {
      StationScope s(st);
      body();
    });
  };
  for (int t = 0; t < 2; ++t)
    threads.push_back(on_station([t] {
      for (int i = 0; i < kRounds; ++i) {
        ChannelRecord ch{};
        const int n = 1 + (i + t) % 4;
        db_copy_channel(n, &ch);
        radio_set_channel(n, ch);
      }
    }));
  threads.push_back(on_station([] {
    for (int i = 0; i < kRounds; ++i) ptt_on(), ptt_off();
  }));
  threads.push_back(on_station([] {
    for (int i = 0; i < kRounds; ++i) radio_mute_toggle();
  }));
  std::thread worker([&] {
    StationScope s(st);
    while (!stop) {
      serial_queue_ack(SQ_RADIO);  // a radio that answers everything at once
      port_poll_input();
    }
  });
  for (auto& t : threads) t.join();
  stop = true;
  worker.join();
  EXPECT_EQ(ptt_is_active(), 0);
  EXPECT_FALSE(fake->written(1).empty());
}

}  // namespace
}  // namespace vesk
