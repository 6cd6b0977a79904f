// The station's data link under threads: operations from several threads, ticks, received
// bytes and transmission ends reach the link only through its own thread, and the indication
// thread reports meanwhile.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "datalink/fs1052_binding.h"
#include "datalink/fs1052_link.h"
#include "db/database.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct LoopModem : Fs1052ModemIo {
  std::atomic<int> sent{0};
  bool transmit(std::vector<uint8_t>, const std::string&) override {
    ++sent;
    return true;
  }
  void rx_reset() override {}
};

TEST(Fs1052BindingThreads, OperationsFromManyThreadsGoThroughTheLinksThread) {
  test::TempDir dir;
  Station st(dir.path());
  StationScope scope(st);
  db_open();
  LoopModem modem;
  fs1052_set_modem_io(&modem);
  fs1052_open(false);
  fs1052_set_own_address("ALFA");
  fs1052_set_remote_address("BRAVO");
  fs1052_enable();
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  threads.emplace_back([&] {
    StationScope s(st);
    while (!stop) {
      fs1052_tick();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  threads.emplace_back([&] {
    StationScope s(st);
    for (int i = 0; i < 200 && !stop; ++i) {
      fs1052_modem_rx_start();
      for (uint8_t b : {0x5C, 0x5C, 0x5C, 0x03, 0x41}) fs1052_modem_rx_byte(b);
      fs1052_modem_tx_end();
    }
  });
  threads.emplace_back([&] {
    StationScope s(st);
    const uint8_t msg[] = {4, 'X'};
    for (int i = 0; i < 30; ++i) fs1052_send_message(msg, 2, 0, i, 0);
  });
  // The threads run for at least 1.5 s, and until the link has sent something (which a loaded
  // machine may delay), for at most a minute.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int i = 0; i < 60000 && modem.sent.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stop = true;
  for (auto& t : threads) t.join();
  fs1052_close();
  EXPECT_GT(modem.sent.load(), 0);
  fs1052_set_modem_io(nullptr);
}

}  // namespace
}  // namespace vesk
