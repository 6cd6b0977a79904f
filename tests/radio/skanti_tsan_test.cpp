// The Skanti 8250's pacing buffer filled from two threads (channel settings and muting) while
// a third drains it as the engine's timer does: every command arrives whole and in order,
// none torn by another.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "db/options.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/radio_events.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(SkantiThreads, CommandsFromTwoThreadsArriveWhole) {
  test::TempDir dir;
  Station st(dir.path());
  StationScope scope(st);
  serial_timer_hooks().start = [](int, int) {};
  serial_timer_hooks().stop = [](int) {};
  db_set_radio_type(DB_SKANTI_8250);
  std::mutex sent_lock;
  std::string sent;
  cat_tap().on_send = [&](const uint8_t* b, int n) {
    std::lock_guard<std::mutex> g(sent_lock);
    sent.append(reinterpret_cast<const char*>(b), static_cast<std::size_t>(n));
  };
  const RadioTypeRow& row = configured_radio();
  const FamilyOps& ops = radio_ops(row);
  constexpr int kRounds = 40;
  std::atomic<int> writers{2};
  auto on_station = [&](auto body) {
    return std::thread([&st, body] {
      StationScope s(st);
      body();
    });
  };
  std::vector<std::thread> threads;
  threads.push_back(on_station([&] {
    ChannelRecord ch{};
    ch.rx_freq_hz = 7123450;
    for (int i = 0; i < kRounds; ++i) ops.channel_freq_mode(row, ch);
    --writers;
  }));
  threads.push_back(on_station([&] {
    for (int i = 0; i < kRounds; ++i) ops.mute(row, i % 2 == 0, 0);
    --writers;
  }));
  threads.push_back(on_station([&] {
    // The engine's timer 1026, as fast as it may come.
    for (int idle = 0; idle < 1000;) {
      ops.on_timer(EV_SKANTI_TIMER);
      if (writers.load() == 0) ++idle;
      std::this_thread::yield();
    }
  }));
  for (std::thread& t : threads) t.join();
  // Every frequency command whole; the muting bytes between commands only.
  std::string rest = sent;
  int frequencies = 0;
  for (std::size_t at; (at = rest.find(':')) != std::string::npos;) {
    EXPECT_EQ(rest.substr(at, 8), ":071234\r");
    rest.erase(at, 8);
    ++frequencies;
  }
  EXPECT_EQ(frequencies, kRounds);
  EXPECT_EQ(rest.size(), static_cast<std::size_t>(kRounds));
  EXPECT_EQ(rest.find_first_not_of("lk"), std::string::npos) << rest;
}

}  // namespace
}  // namespace vesk
