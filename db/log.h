// Log output layer: every activity line of the station passes through here.
//
// Lines are formatted printf-style (at most 4,095 characters), put in front of the monitor
// text (newest first) or at the end of the frame text (arrival order), and handed to the
// line sink that shows them (a window, or standard output in the headless program).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace vesk {

inline constexpr std::size_t kLogLineMax = 4095;

enum class LogText { Monitor, Frame };

struct LogState {
  std::mutex mutex;
  // Monitor lines newest first; frame lines in arrival order. Kept as lines so that adding
  // one costs the same whatever the size of the text.
  std::deque<std::string> monitor;
  std::deque<std::string> frame;
  // Called (under the layer's lock, in arrival order) for every line written; may be empty.
  std::function<void(LogText, const std::string&)> sink;
};

LogState& log_state();

// Formats a line into front of the monitor text. Returns the length of the formatted text.
int log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int log_vprintf(const char* format, va_list args);
// The same at the end of the monitor text.
int log_printf_append(const char* format, ...) __attribute__((format(printf, 1, 2)));
// At the end of the frame text.
int log_frame_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The monitor text as one string, newest line first; the frame text in arrival order.
std::string log_monitor_text();
std::string log_frame_text();
// Sets the function that shows each line as it is written.
void log_set_sink(std::function<void(LogText, const std::string&)> sink);

// "%H:%M:%S" of the current UTC time on the station's clock.
std::string log_time_stamp();
// "%m/%d/%Y" of the current UTC date.
std::string log_date_stamp();

}  // namespace vesk
