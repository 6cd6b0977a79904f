// The menu commands: one table gives each command's id, menu place, tool-bar place, keys, guard
// and update rule. The window builds its menus, tool bar and keys from it and looks up each
// command's handler by id; a command without a handler is greyed. Whether a command is enabled
// is a function of the station's state, evaluated when a menu opens, on a short timer for the
// tool bar, and before a key's command runs.
#pragma once

#include <span>
#include <string>

namespace vesk {

enum class CommandRule {
  Default,      // enabled when it has a handler
  Greyed,       // always greyed
  Idle,         // the link state is one of the idle states
  Linked,       // LINKED IDLE
  LinkedAqc,    // linked with AQC-ALE signalling
  Scanning,     // the scan-active switch is set
  NotScanning,  // the scan-active switch is 0
  StartScan,    // while claimed: not scanning; otherwise the default
  CallGroup,    // while claimed: greyed with the AQC-ALE switch on, else idle; otherwise the default
  TwxNotOff,    // the TWX mode is not OFF
  LinkReady,    // LINKED IDLE and no frame being received
};

struct CommandRow {
  int id;
  // Menu place: captions separated by "|" ("&Edit|&Copy"); null when no menu item carries it.
  const char* menu;
  bool separator_before;  // a separator above the item in its menu
  // Tool-bar place: group * 10 + position (a separator between groups); 0 when not there.
  int tool;
  const char* tool_tip;
  // Keys in Qt's portable text, separated by ";" ("Ctrl+C;Ctrl+Insert"); null for none.
  const char* keys;
  bool claimed;  // does nothing while the resources are not claimed
  CommandRule rule;
};

// The table in menu order; commands that only the tool bar, a key or nothing carries follow.
std::span<const CommandRow> command_table();
const CommandRow* command_find(int id);

// The station's state as the update rules read it.
struct CommandContext {
  bool claimed = false;
  bool idle = false;
  bool linked = false;
  bool aqc_signalling = false;  // the link's signalling mode is AQC-ALE
  bool scanning = false;        // the scan-active switch
  bool aqc_switch = false;      // the AQC-ALE option switch
  bool twx_off = true;
  bool link_ready = false;
};
CommandContext command_context_now();

bool command_enabled(const CommandRow& row, const CommandContext& ctx, bool has_handler);
// Enabled and, for a guarded command, the resources claimed.
bool command_may_run(const CommandRow& row, const CommandContext& ctx, bool has_handler);

// Menu captions and item texts without their "&" marks.
std::string command_plain_text(const std::string& caption);

}  // namespace vesk
