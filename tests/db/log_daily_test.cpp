// Daily log files: names by the UTC start date, banner, blocks on clearing and at close.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "db/daily_log.h"
#include "db/log.h"
#include "db/options.h"
#include "tests/db/log_fixture.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

const std::string kBanner = "\nSTARTED Dec-08-2026 14:03 Greenich Mean Time\n\n";

std::string read_file(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LogDaily : public test::LogFixture {
 protected:
  fs::path monitor_file() const { return fs::path(dir.path()) / "owlog" / "12082026.ow"; }
  fs::path frame_file() const { return fs::path(dir.path()) / "dalog" / "12082026.da"; }
  void make_folders() {
    fs::create_directory(fs::path(dir.path()) / "owlog");
    fs::create_directory(fs::path(dir.path()) / "dalog");
  }
};

TEST_F(LogDaily, NamesAreTheUtcDate) {
  EXPECT_EQ(log_monitor_file_name(static_cast<std::time_t>(test::kLogTestStartMs / 1000)), "owlog/12082026.ow");
  EXPECT_EQ(log_frame_file_name(static_cast<std::time_t>(test::kLogTestStartMs / 1000)), "dalog/12082026.da");
}

TEST_F(LogDaily, BannerThenClearedBlocksNewestFirst) {
  make_folders();
  log_open_daily_files();
  log_open_daily_files();  // a second open neither reopens nor repeats the banner
  EXPECT_EQ(read_file(monitor_file()), kBanner);
  EXPECT_EQ(read_file(frame_file()), kBanner);
  log_printf("1\n");
  log_printf("2\n");
  log_printf("3\n");
  log_frame_printf("f1\n");
  display_clear_monitor();
  EXPECT_EQ(log_monitor_text(), "");
  EXPECT_EQ(log_frame_text(), "");
  // Each block is on disk at once, before any close.
  EXPECT_EQ(read_file(monitor_file()), kBanner + "3\n2\n1\n");
  EXPECT_EQ(read_file(frame_file()), kBanner + "f1\n");
  log_frame_printf("f2\n");
  log_printf("4\n");
  display_clear_frame_pane();
  EXPECT_EQ(log_monitor_text(), "4\n");
  EXPECT_EQ(read_file(frame_file()), kBanner + "f1\nf2\n");
  log_close_document();
  EXPECT_EQ(read_file(monitor_file()), kBanner + "3\n2\n1\n4\n");
  EXPECT_EQ(read_file(frame_file()), kBanner + "f1\nf2\n");
}

// The texts reach the files as they grow, so a crash loses at most about a minute: once a
// minute (on a line, or on the engine's minute timer), or at once when many lines wait. Each
// block keeps its text's order, and nothing filed is written again at a clearing or the close.
TEST_F(LogDaily, LinesAreFiledAsTheyGrowAndOnlyOnce) {
  make_folders();
  log_printf("before the files\n");  // waits in the text until the files are open
  log_open_daily_files();
  log_printf("a\n");
  log_frame_printf("f1\n");
  EXPECT_EQ(read_file(monitor_file()), kBanner);
  st.sim_clock()->advance_ms(kLogFilePeriodMs);
  log_printf("b\n");
  EXPECT_EQ(read_file(monitor_file()), kBanner + "b\na\nbefore the files\n");
  EXPECT_EQ(read_file(frame_file()), kBanner + "f1\n");
  log_printf("c\n");
  log_file_texts();  // the minute timer
  EXPECT_EQ(read_file(monitor_file()), kBanner + "b\na\nbefore the files\nc\n");
  log_printf("d\n");
  log_close_document();
  EXPECT_EQ(read_file(monitor_file()), kBanner + "b\na\nbefore the files\nc\nd\n");
  EXPECT_EQ(read_file(frame_file()), kBanner + "f1\n");

  // Many lines at once: filed without waiting for the minute.
  for (std::size_t i = 0; i < kLogFileBatchLines; ++i) log_frame_printf("x\n");
  EXPECT_EQ(read_file(frame_file()).size(), kBanner.size() + 3 + 2 * kLogFileBatchLines);
}

// The texts keep their newest lines within the bound, and the files every line.
TEST_F(LogDaily, TextsAreBoundedAndTheFilesHoldEveryLine) {
  make_folders();
  log_open_daily_files();
  const int n = static_cast<int>(3 * kLogTextMaxLines);
  for (int i = 0; i < n; ++i) {
    log_printf("m%d\n", i);
    log_frame_printf("f%d\n", i);
  }
  const std::string monitor = log_monitor_text(), frame = log_frame_text();
  EXPECT_EQ(static_cast<std::size_t>(std::count(monitor.begin(), monitor.end(), '\n')), kLogTextMaxLines);
  EXPECT_EQ(static_cast<std::size_t>(std::count(frame.begin(), frame.end(), '\n')), kLogTextMaxLines);
  EXPECT_EQ(monitor.rfind("m" + std::to_string(n - 1) + "\n", 0), 0u) << "the newest line is kept";
  EXPECT_EQ(frame.substr(frame.size() - 7), "f" + std::to_string(n - 1) + "\n");
  log_close_document();
  const std::string filed = read_file(monitor_file());
  EXPECT_EQ(std::count(filed.begin(), filed.end(), '\n'), n + 3);  // and the banner's three
  EXPECT_NE(filed.find("\nm0\n"), std::string::npos);
  const std::string filed_frame = read_file(frame_file());
  EXPECT_EQ(std::count(filed_frame.begin(), filed_frame.end(), '\n'), n + 3);
}

TEST_F(LogDaily, TwoStartsAppendToTheSameFiles) {
  make_folders();
  log_open_daily_files();
  log_printf("first run\n");
  log_close_document();
  {
    Station second(dir.path(), std::make_unique<SimClock>(test::kLogTestStartMs + 3600 * 1000));
    StationScope s(second);
    log_open_daily_files();
    log_printf("second run\n");
    log_close_document();
  }
  EXPECT_EQ(read_file(monitor_file()),
            kBanner + "first run\n" + "\nSTARTED Dec-08-2026 15:03 Greenich Mean Time\n\n" + "second run\n");
}

TEST_F(LogDaily, LogToDiskOffWritesNothing) {
  make_folders();
  db_set_log_to_disk(0);
  log_open_daily_files();
  log_printf("m\n");
  log_frame_printf("f\n");
  display_clear_monitor();
  log_close_document();
  EXPECT_EQ(read_file(monitor_file()), "");
  EXPECT_EQ(read_file(frame_file()), "");
  // Turned on later, the next blocks are written (the banner only ever at the open).
  db_set_log_to_disk(1);
  log_printf("later\n");
  display_clear_monitor();
  EXPECT_EQ(read_file(monitor_file()), "later\n");
}

TEST_F(LogDaily, MissingFolderMeansNoFile) {
  fs::create_directory(fs::path(dir.path()) / "dalog");
  log_open_daily_files();
  log_printf("m\n");
  log_frame_printf("f\n");
  log_close_document();
  EXPECT_FALSE(fs::exists(fs::path(dir.path()) / "owlog"));
  EXPECT_EQ(read_file(frame_file()), kBanner + "f\n");
}

TEST_F(LogDaily, FilesKeepTheStartDatePastMidnight) {
  make_folders();
  log_open_daily_files();
  st.sim_clock()->advance_ms(12LL * 3600 * 1000);
  log_printf("next day\n");
  log_close_document();
  EXPECT_EQ(read_file(monitor_file()), kBanner + "next day\n");
}

}  // namespace
}  // namespace vesk
