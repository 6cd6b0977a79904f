// Handing files to the desktop and to the shell without waiting for them: the shell's "open"
// verb (xdg-open) and the station's batch files (run with sh from the station folder).
//
// Both start a short-lived /bin/sh that puts the program in the background and exits at
// once; the station reaps that shell and never waits for the program itself, which the
// system adopts, so no zombie is left behind.
#pragma once

#include <filesystem>
#include <string>

namespace vesk {

// Opens a file or address with the desktop's handler. `opener` names the program (default
// xdg-open). 1 when the hand-over was started.
int shell_open(const std::string& target, const std::string& opener = "xdg-open");

// Runs `file` (relative to `dir`) with sh in `dir`, its output discarded. 0 when the file is
// missing or the shell could not be started, 1 when it was started.
int shell_run_batch(const std::filesystem::path& dir, const std::string& file);

}  // namespace vesk
