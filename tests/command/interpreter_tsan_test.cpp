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
