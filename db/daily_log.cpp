#include "db/daily_log.h"

#include <ctime>

#include "db/options.h"
#include "platform/station.h"

namespace vesk {

DailyLogState& daily_log_state() { return station().state<DailyLogState>(); }

namespace {

// The log-to-disk option.
int opt_log_to_disk() { return db_get_log_to_disk(); }

std::string utc_format(std::time_t t, const char* format) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[64];
  std::strftime(buf, sizeof buf, format, &tm);
  return buf;
}

void write_block(std::FILE* f, const std::string& text) {
  if (f == nullptr || text.empty()) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fflush(f);  // a crash loses no block already filed
}

}  // namespace

std::string log_monitor_file_name(std::time_t t) { return "owlog/" + utc_format(t, "%m%d%Y") + ".ow"; }
std::string log_frame_file_name(std::time_t t) { return "dalog/" + utc_format(t, "%m%d%Y") + ".da"; }

void log_open_daily_files() {
  DailyLogState& s = daily_log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.opened) return;
  s.opened = true;
  const std::time_t now = station().clock().utc_seconds();
  s.monitor.reset(std::fopen(station().path(log_monitor_file_name(now)).c_str(), "a"));
  s.frame.reset(std::fopen(station().path(log_frame_file_name(now)).c_str(), "a"));
  if (opt_log_to_disk() != 1) return;
  const std::string banner = "\nSTARTED " + utc_format(now, "%b-%d-%Y %H:%M") + " Greenich Mean Time\n\n";
  write_block(s.monitor.get(), banner);
  write_block(s.frame.get(), banner);
}

// The option is read before the files' lock: the database's lock is never awaited under it.
void log_write_monitor_file(const std::string& text) { log_write_daily_files(text, std::string(), opt_log_to_disk() == 1); }

void log_write_frame_file(const std::string& text) { log_write_daily_files(std::string(), text, opt_log_to_disk() == 1); }

void log_write_daily_files(const std::string& monitor, const std::string& frame, bool to_disk) {
  if (!to_disk) return;
  DailyLogState& s = daily_log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  write_block(s.monitor.get(), monitor);
  write_block(s.frame.get(), frame);
}

bool log_daily_files_open() {
  DailyLogState& s = daily_log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.opened;
}

}  // namespace vesk
