// The headless program starts the engine with its command-line flags and stops it on SIGTERM.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

TEST(EngineHeadless, FlagsReachTheEngineAndTheStopIsClean) {
  test::TempDir dir;
  test::ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path(), "-P70000", "-X", "plain"});
  ASSERT_TRUE(p.started());
  ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(20000), 0) << p.output();  // a worker or tick thread left running would abort the exit
  const std::string& out = p.output();
  EXPECT_NE(out.find("Host port 70000 ignored: not a number from 1 to 65535"), std::string::npos) << out;
  EXPECT_NE(out.find("X\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("plain\r\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace vesk
