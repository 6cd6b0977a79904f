// The headless program as a user runs it: start in a station folder, stop with a signal.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

using test::ChildProcess;

TEST(Headless, StopsCleanlyOnSignal) {
  for (int sig : {SIGTERM, SIGINT}) {
    test::TempDir dir;
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
    ASSERT_TRUE(p.started());
    ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
    p.signal(sig);
    EXPECT_EQ(p.wait(20000), 0) << p.output();
  }
}

// The final save fails (a directory holds the temporary file's name): the failure is logged
// and the program ends with a failure status for its service manager.
TEST(Headless, FailedFinalSaveEndsWithFailure) {
  test::TempDir dir;
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.started());
  ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
  ASSERT_TRUE(std::filesystem::create_directory(std::filesystem::path(dir.path()) / "ALE.DAT.tmp"));
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(20000), 1) << p.output();
  EXPECT_NE(p.output().find("FILE ERROR: CANNOT CREATE ALE.DAT.tmp"), std::string::npos) << p.output();
  EXPECT_NE(p.output().find("ALE.DAT could not be saved"), std::string::npos) << p.output();
}

TEST(Headless, RefusesUnknownArguments) {
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--bogus"});
  EXPECT_EQ(p.wait(10000), 2);
}

}  // namespace
}  // namespace vesk
