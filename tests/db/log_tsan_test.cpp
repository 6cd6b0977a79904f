// Lines written from many threads at once arrive whole, each once, in each writer's order.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/log.h"
#include "tests/db/log_fixture.h"

namespace vesk {
namespace {

using LogConcurrency = test::LogFixture;

TEST_F(LogConcurrency, EightWritersLeaveEveryLineIntact) {
  constexpr int kThreads = 8, kLines = 10000;
  // Every line as the layer took it (its sink runs under the layer's lock, in arrival order).
  std::vector<std::string> arrived;
  log_set_sink([&](LogText, const std::string& line) { arrived.push_back(line); });
  log_enable_tcp_echo();
  std::atomic<bool> done{false};
  std::atomic<long> echoed{0};
  // A host-port consumer drains the echo while the writers write.
  std::thread consumer([&] {
    StationScope s(st);
    log_echo_attach();
    LogEchoItem item;
    while (!done.load()) {
      while (log_echo_pop(item)) echoed.fetch_add(1);
      std::this_thread::yield();
    }
    while (log_echo_pop(item)) echoed.fetch_add(1);
  });
  while (log_echo_pending() == 0 && echoed.load() == 0) {  // wait until the consumer is attached
    log_printf("ping\n");
    std::this_thread::yield();
  }
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      StationScope s(st);
      for (int i = 0; i < kLines; ++i) log_printf("[%s][%s][T%d L%05d payload]\n", log_time_stamp().c_str(),
                                                  log_current_channel_stamp().c_str(), t, i);
    });
  }
  for (auto& w : writers) w.join();
  done = true;
  consumer.join();

  // Every line arrived whole, once, in its writer's order.
  {
    std::vector<int> next(kThreads, 0);
    int count = 0, bad = 0;
    for (const std::string& line : arrived) {
      if (line == "ping\n") continue;
      int t = -1, i = -1;
      const std::size_t at = line.find("][T");
      if (at == std::string::npos || std::sscanf(line.c_str() + at, "][T%d L%d payload]", &t, &i) != 2 || t < 0 ||
          t >= kThreads || i != next[t] || line.back() != '\n') {
        ++bad;
        continue;
      }
      ++next[t];
      ++count;
    }
    EXPECT_EQ(count, kThreads * kLines);
    EXPECT_EQ(bad, 0);
  }
  // The monitor text holds the newest lines up to its bound, each writer's counting down.
  std::istringstream in(log_monitor_text());
  std::string line;
  std::vector<int> next(kThreads, kLines - 1);  // newest first: each writer's lines count down
  int count = 0, bad = 0;
  while (std::getline(in, line)) {
    if (line == "ping") continue;
    int t = -1, i = -1;
    const std::size_t at = line.find("][T");
    if (at == std::string::npos || std::sscanf(line.c_str() + at, "][T%d L%d payload]", &t, &i) != 2 || t < 0 ||
        t >= kThreads || i != next[t]) {
      ++bad;
      continue;
    }
    --next[t];
    ++count;
  }
  EXPECT_EQ(count, static_cast<int>(kLogTextMaxLines));
  EXPECT_EQ(bad, 0);
  EXPECT_GE(echoed.load() + static_cast<long>(log_echo_dropped()), kThreads * kLines);
}

}  // namespace
}  // namespace vesk
