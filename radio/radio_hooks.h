// What radio control's set-up, channel setting, keying and muting call outside radio
// control, as hooks the owners fill at start-up. An empty hook does what an idle station
// would: the engine's link state seam, not scanning, warnings through the log layer's message box, no emulation port.
#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "db/database.h"

namespace vesk {

struct RadioHooks {
  // The link state machine's state (`AleLinkState`, 0 to 31); empty: the engine's
  // `seam_link_state`.
  std::function<int()> link_state;
  // The engine's scan mode: true while scanning.
  std::function<bool()> scanning;
  // A port failure for the operator. Never blocks: the window posts a box; headless the
  // text goes to the log layer's message box (the default).
  std::function<void(const std::string&)> message_box;
  // Opens the radio emulation port; empty: the basic opening of radio/port_reopen.h.
  std::function<void()> emul_port_open;
  // Hands the link's addresses to the FED-STD-1052 data link when a link is made.
  std::function<void()> fs1052_set_link_addresses;
};
void radio_set_hooks(RadioHooks hooks);
RadioHooks& radio_hooks();

// Hook calls with their defaults.
int radio_link_state();
bool radio_scanning();
void radio_message_box(const std::string& text);

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
