// Log layer: the process's memory while a station writes 100,000 channel listings (its daily
// files on). The texts are bounded and filed as they grow, so the figure stays flat.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "command/listings.h"
#include "db/daily_log.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"

namespace {

long resident_kib() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

int main() {
  using namespace vesk;
  const auto dir = std::filesystem::temp_directory_path() / "vesk-log-memory";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "owlog");
  std::filesystem::create_directories(dir / "dalog");
  {
    Station st(dir);
    StationScope scope(st);
    db_open();
    log_open_daily_files();
    constexpr int kListings = 100000;
    std::printf("channel listings   resident KiB   monitor text KiB\n");
    for (int i = 0; i <= kListings; ++i) {
      if (i % 10000 == 0)
        std::printf("%16d   %12ld   %16zu\n", i, resident_kib(), log_monitor_text().size() / 1024);
      if (i < kListings) report_list_channels();
    }
    log_close_document();
  }
  std::printf("daily file: %ju KiB\n",
              static_cast<std::uintmax_t>(std::filesystem::file_size(*std::filesystem::directory_iterator(dir / "owlog")) / 1024));
  std::filesystem::remove_all(dir);
  return 0;
}
