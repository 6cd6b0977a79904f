// End to end: the headless station prints its log lines and files them in the daily logs.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "db/daily_log.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::string read_log_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(LogHeadless, FilesTheTextsAtShutDown) {
  test::TempDir dir;
  fs::create_directory(fs::path(dir.path()) / "owlog");
  fs::create_directory(fs::path(dir.path()) / "dalog");
  const std::time_t before = std::time(nullptr);
  test::ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.started());
  ASSERT_TRUE(p.wait_for_output("started", 10000)) << p.output();
  p.signal(SIGTERM);
  ASSERT_EQ(p.wait(20000), 0) << p.output();
  const std::time_t after = std::time(nullptr);

  // The files carry the UTC date of the start (either side of a midnight passed meanwhile).
  fs::path monitor = fs::path(dir.path()) / log_monitor_file_name(before);
  fs::path frame = fs::path(dir.path()) / log_frame_file_name(before);
  if (!fs::exists(monitor)) {
    monitor = fs::path(dir.path()) / log_monitor_file_name(after);
    frame = fs::path(dir.path()) / log_frame_file_name(after);
  }
  ASSERT_TRUE(fs::exists(monitor)) << monitor;
  ASSERT_TRUE(fs::exists(frame)) << frame;
  const std::string text = read_log_file(monitor);
  EXPECT_EQ(text.rfind("\nSTARTED ", 0), 0u) << text;
  EXPECT_NE(text.find(" Greenich Mean Time\n\n"), std::string::npos) << text;
  // The line printed on standard output was also filed.
  EXPECT_NE(text.find("VESK-ALE headless station started in"), std::string::npos) << text;
  EXPECT_EQ(read_log_file(frame).rfind("\nSTARTED ", 0), 0u);
}

}  // namespace
}  // namespace vesk
