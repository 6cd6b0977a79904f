#include "db/log.h"

#include <cstdio>
#include <ctime>

#include "platform/station.h"

namespace vesk {

LogState& log_state() { return station().state<LogState>(); }

namespace {

std::string format_line(const char* format, va_list args) {
  char buf[kLogLineMax + 1];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  if (n < 0) return std::string();
  return std::string(buf, static_cast<std::size_t>(n) < kLogLineMax ? static_cast<std::size_t>(n) : kLogLineMax);
}

enum class Where { MonitorFront, MonitorBack, FrameBack };

int put(Where where, const std::string& line) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!line.empty()) {
    switch (where) {
      case Where::MonitorFront: s.monitor.push_front(line); break;
      case Where::MonitorBack: s.monitor.push_back(line); break;
      case Where::FrameBack: s.frame.push_back(line); break;
    }
    if (s.sink) s.sink(where == Where::FrameBack ? LogText::Frame : LogText::Monitor, line);
  }
  return static_cast<int>(line.size());
}

}  // namespace

int log_vprintf(const char* format, va_list args) { return put(Where::MonitorFront, format_line(format, args)); }

int log_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return put(Where::MonitorFront, line);
}

int log_printf_append(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return put(Where::MonitorBack, line);
}

int log_frame_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return put(Where::FrameBack, line);
}

std::string log_monitor_text() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string out;
  for (const auto& l : s.monitor) out += l;
  return out;
}

std::string log_frame_text() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string out;
  for (const auto& l : s.frame) out += l;
  return out;
}

void log_set_sink(std::function<void(LogText, const std::string&)> sink) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sink = std::move(sink);
}

std::string log_time_stamp() {
  std::tm tm = station().clock().utc_tm();
  char buf[32];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

std::string log_date_stamp() {
  std::tm tm = station().clock().utc_tm();
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%Y", &tm);
  return buf;
}

}  // namespace vesk
