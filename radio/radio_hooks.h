// What radio control asks of the link state above it, as hooks that the station's wiring
// binds. Unbound, they answer as a station whose link state has not started would: state 0,
// not scanning.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "db/database.h"

namespace vesk {

struct RadioHooks {
  // The link state machine's state (`AleLinkState`, 0 to 31).
  std::function<int()> link_state;
  // The engine's scan mode: true while scanning.
  std::function<bool()> scanning;
};
RadioHooks& radio_hooks();

// Hook calls with their defaults.
int radio_link_state();
bool radio_scanning();
// A port failure for the operator, through the log layer's message box: a window shows it
// without blocking; headless it is a log line.
void radio_message_box(const std::string& text);

// A question for the operator that must not hold the thread that asks it (a timer step, the
// set-up). The answer comes later through `answer`; headless nobody answers, so the default
// is taken at once and the question and its answer are logged.
struct RadioQuestion {
  const char* caption;
  const char* text;
  bool default_answer;
  const char* default_text;  // what the default answer means, for the log line
};
void radio_ask(const RadioQuestion& question, const std::function<void(bool)>& answer);

// The link states that radio control tests.
inline constexpr int LINK_SCANNING_STOPPED = 1;
inline constexpr int LINK_SCANNING = 2;
inline constexpr int LINK_TWS_IN_PROGRESS = 30;
inline constexpr int LINK_TIS_IN_PROGRESS = 31;

// One channel setting (or narrower dispatch) at a time. A caller that holds the link state
// machine's lock takes it first: this lock is always the inner one.
std::recursive_mutex& radio_channel_lock();

// Writes "[time][channel][text]\n" with the usual stamps.
void radio_log_line(const char* text);

}  // namespace vesk
