// The application's menu commands that open no dialog: scanning, stepping, Kill, Clear Screen,
// muting, keying, Voice ID, Reset AMD and the QRG files. The guard ("claimed") and the update
// rule are the command table's (ui/commands.h); what may wait on the engine, the radio or the
// interpreter runs on the command executor.
#pragma once

#include <string>

namespace vesk {

void app_start_scan();   // the three option steps in order, the mode resend, the start event
void app_toggle_scan();
void app_stop_scan();    // not guarded: works while the resources are released
void app_step(bool forward);
void app_kill();
void app_clear_screen();
void app_mute_toggle();
void app_mute(bool on);
void app_push_to_talk();
void app_voice_id();
// Reset AMD answered: Yes empties the store with its line; No does nothing.
void app_reset_amd(bool yes);
inline constexpr const char* kResetAmdText = "Are you sure you want to delete all AMD messages received?";
inline constexpr const char* kResetAmdCaption = "RESET AMD DATABASE";
// Load QRG File: the file runs as a command script (on the executor).
void app_load_qrg(const std::string& path);
// Dump QRG File: written to a temporary file beside it, then renamed over it; a failure logs a
// line and leaves the old file whole. Runs on the executor.
void app_dump_qrg(const std::string& path);
// The same, at once (for the executor task and tests): true when the file was replaced.
bool app_dump_qrg_now(const std::string& path);

}  // namespace vesk
