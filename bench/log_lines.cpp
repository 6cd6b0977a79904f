// Log layer: the cost of a monitor line as the text grows, and what a writer pays while a
// slow host-port client drains the echo (it must not grow with the client's slowness).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "db/log.h"
#include "platform/station.h"

namespace {

using WallClock = std::chrono::steady_clock;

double seconds_since(WallClock::time_point t0) { return std::chrono::duration<double>(WallClock::now() - t0).count(); }

}  // namespace

int main() {
  using namespace vesk;
  const auto dir = std::filesystem::temp_directory_path();

  {
    Station st(dir);
    StationScope scope(st);
    constexpr int kLines = 100000;
    // Time each block of 10,000 lines: the last block must cost what the first did.
    std::printf("monitor lines (stamped, newest first):\n");
    const auto t0 = WallClock::now();
    for (int block = 0; block < kLines / 10000; ++block) {
      const auto tb = WallClock::now();
      for (int i = 0; i < 10000; ++i)
        log_printf("[%s][%s][BENCH LINE %d]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
                   block * 10000 + i);
      std::printf("  lines %6d-%6d: %.2f us/line\n", block * 10000, block * 10000 + 9999, seconds_since(tb) * 1e6 / 10000);
    }
    std::printf("  %d lines in %.3f s\n", kLines, seconds_since(t0));
  }

  std::printf("writer wait with an echo consumer attached (10,000 lines):\n");
  for (int consumer_delay_us : {0, 100, 1000, 10000}) {
    Station st(dir);
    StationScope scope(st);
    log_enable_tcp_echo();
    std::atomic<bool> attached{false}, done{false};
    std::atomic<long> sent{0};
    std::thread consumer([&] {
      StationScope s(st);
      log_echo_attach();
      attached = true;
      LogEchoItem item;
      while (!done.load()) {
        if (log_echo_pop(item)) {
          sent.fetch_add(1);
          // A slow client: each send takes this long.
          if (consumer_delay_us > 0) std::this_thread::sleep_for(std::chrono::microseconds(consumer_delay_us));
        } else {
          std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
      }
    });
    while (!attached.load()) std::this_thread::yield();
    std::vector<double> waits;
    waits.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
      const auto t = WallClock::now();
      log_printf("[%s][ECHO LINE %d]\n", log_time_stamp().c_str(), i);
      waits.push_back(seconds_since(t) * 1e6);
    }
    done = true;
    consumer.join();
    std::sort(waits.begin(), waits.end());
    std::printf("  client %5d us/line: writer median %.2f us, p99 %.2f us, max %.1f us; sent %ld, dropped %llu\n",
                consumer_delay_us, waits[waits.size() / 2], waits[waits.size() * 99 / 100], waits.back(),
                sent.load(), static_cast<unsigned long long>(log_echo_dropped()));
    log_echo_detach();
  }
  return 0;
}
