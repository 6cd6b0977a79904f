// Shell hand-overs: a batch file runs with sh in the station folder and xdg-open receives the
// target, both without the caller waiting for them.
#include "platform/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// Real processes run here: waits are bounded, never asserted as times.
bool wait_for_file(const fs::path& p, int limit_ms) {
  for (int waited = 0; waited < limit_ms; waited += 10) {
    if (fs::exists(p)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return fs::exists(p);
}

std::string read_file(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

TEST(ShellTest, BatchRunsInTheStationFolderWithoutBeingWaitedFor) {
  test::TempDir dir;
  const fs::path d(dir.path());
  // The script waits for a go file that is made only after the call has returned.
  write_file(d / "linkup.bat",
             "n=0; while [ ! -f go ] && [ $n -lt 500 ]; do sleep 0.01; n=$((n+1)); done\n"
             "pwd > ran.txt\n");
  ASSERT_EQ(shell_run_batch(d, "linkup.bat"), 1);
  EXPECT_FALSE(fs::exists(d / "ran.txt"));
  write_file(d / "go", "");
  ASSERT_TRUE(wait_for_file(d / "ran.txt", 10000));
  // Wait until the line is complete before reading.
  for (int i = 0; i < 100 && read_file(d / "ran.txt").find('\n') == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(fs::canonical(read_file(d / "ran.txt").substr(0, read_file(d / "ran.txt").find('\n'))),
            fs::canonical(d));
}

TEST(ShellTest, MissingBatchFileIsReported) {
  test::TempDir dir;
  EXPECT_EQ(shell_run_batch(dir.path(), "linkup.bat"), 0);
}

TEST(ShellTest, OpenHandsTheTargetToTheOpener) {
  test::TempDir dir;
  const fs::path d(dir.path());
  const fs::path opener = d / "fake-open";
  write_file(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$(dirname \"$0\")/opened.txt\"\n");
  ::chmod(opener.c_str(), 0755);
  ASSERT_EQ(shell_open("manual with blanks.pdf", opener.string()), 1);
  ASSERT_TRUE(wait_for_file(d / "opened.txt", 10000));
  for (int i = 0; i < 100 && read_file(d / "opened.txt").find('\n') == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(read_file(d / "opened.txt"), "manual with blanks.pdf\n");
}

}  // namespace
}  // namespace vesk
