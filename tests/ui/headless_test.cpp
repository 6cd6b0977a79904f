// The headless program as a user runs it: start in a station folder, stop with a signal.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

using test::ChildProcess;

// Each stop signal, a hang-up too (the terminal that started the station closed), saves
// "ALE.DAT" and ends the program cleanly.
TEST(Headless, StopsCleanlyOnSignal) {
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    test::TempDir dir;
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
    ASSERT_TRUE(p.started());
    ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
    p.signal(sig);
    EXPECT_EQ(p.wait(20000), 0) << p.output();
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir.path()) / "ALE.DAT")) << sig;
    EXPECT_NE(p.output().find(std::string("stopped (SIG") + sigabbrev_np(sig)), std::string::npos) << p.output();
  }
}

// The final save fails (a directory holds the temporary file's name): the failure is logged
// and the program ends with a failure status for its service manager, whether a stop signal
// or the EXIT command ends it.
TEST(Headless, FailedFinalSaveEndsWithFailure) {
  for (const bool by_exit : {false, true}) {
    SCOPED_TRACE(by_exit ? "EXIT" : "SIGTERM");
    test::TempDir dir;
    const std::filesystem::path d(dir.path());
    if (by_exit) {
      std::FILE* f = std::fopen((d / "CONFIG.DAT").c_str(), "w");
      ASSERT_NE(f, nullptr);
      std::fputs("EXIT\n", f);
      std::fclose(f);
      ASSERT_TRUE(std::filesystem::create_directory(d / "ALE.DAT.tmp"));
    }
    ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
    ASSERT_TRUE(p.started());
    if (!by_exit) {
      ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
      ASSERT_TRUE(std::filesystem::create_directory(d / "ALE.DAT.tmp"));
      p.signal(SIGTERM);
    }
    EXPECT_EQ(p.wait(20000), 1) << p.output();
    EXPECT_NE(p.output().find("FILE ERROR: CANNOT CREATE ALE.DAT.tmp"), std::string::npos) << p.output();
    EXPECT_NE(p.output().find("ALE.DAT could not be saved"), std::string::npos) << p.output();
  }
}

TEST(Headless, RefusesUnknownArguments) {
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--bogus"});
  EXPECT_EQ(p.wait(10000), 2);
}

}  // namespace
}  // namespace vesk
