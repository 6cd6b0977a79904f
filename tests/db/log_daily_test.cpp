// Daily log files: names by the UTC start date, banner, blocks on clearing and at close.
#include <gtest/gtest.h>

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
