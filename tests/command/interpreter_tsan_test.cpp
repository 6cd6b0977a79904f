// Lines run on several threads at once report their own errors, never each other's.
#include <gtest/gtest.h>

#include <thread>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(InterpreterConcurrency, ErrorsBelongToTheirLine) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  constexpr int kLines = 500;
  auto worker = [&](const char* line) {
    StationScope s(st);
    for (int i = 0; i < kLines; ++i) mmi_run_line(std::string(line));
  };
  std::thread a(worker, "LISTEN"), b(worker, "STA"), c(worker, "MACRO");
  a.join();
  b.join();
  c.join();
  int no_command = 0, ambiguous = 0, not_enough = 0, other = 0;
  for (const auto& l : log_state().monitor) {
    if (l.find("NO MMI COMMAND => LISTEN") != std::string::npos) ++no_command;
    else if (l.find("AMBIGUOUS COMMAND") != std::string::npos) ++ambiguous;
    else if (l.find("NOT ENOUGH PARAMETERS") != std::string::npos) ++not_enough;
    else ++other;
  }
  EXPECT_EQ(no_command, kLines);
  EXPECT_EQ(ambiguous, kLines);
  EXPECT_EQ(not_enough, kLines);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// The executor thread runs posted lines in order and stops at once, also on simulated time.
TEST(InterpreterConcurrency, ExecutorThreadRunsPostedLines) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  mmi_executor_start();
  for (int i = 0; i < 50; ++i) mmi_post_line("LISTEN");
  for (int spins = 0; spins < 5000; ++spins) {
    {
      std::lock_guard<std::mutex> lock(command_state().executor_mutex);
      if (command_state().executor_queue.empty()) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  mmi_executor_stop();
  int seen = 0;
  for (const auto& l : log_state().monitor) seen += l.find("=> LISTEN") != std::string::npos;
  EXPECT_EQ(seen, 50);
}

}  // namespace
}  // namespace vesk
