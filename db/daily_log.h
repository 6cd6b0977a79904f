// Daily log files: the monitor text and the frame text kept on disk.
//
// At engine start the files "owlog/MMDDYYYY.ow" (monitor text) and "dalog/MMDDYYYY.da" (frame
// text) in the station folder are opened for appending, named by the UTC date of the start
// and kept for the whole run, and each gets a start banner. The folders are not created: a
// missing folder means no file. Whole texts are appended when a pane is cleared and when the
// station shuts down; each block is flushed at once.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace vesk {

struct DailyLogState {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::mutex mutex;
  bool opened = false;
  std::unique_ptr<std::FILE, Closer> monitor;
  std::unique_ptr<std::FILE, Closer> frame;
};

DailyLogState& daily_log_state();

// Opens both files and writes the banner (when log to disk is on). Later calls do nothing.
void log_open_daily_files();
// Appends a text unchanged to the monitor or frame file (when log to disk is on).
void log_write_monitor_file(const std::string& text);
void log_write_frame_file(const std::string& text);

// The file names for the UTC time `t`, relative to the station folder.
std::string log_monitor_file_name(std::time_t t);
std::string log_frame_file_name(std::time_t t);

}  // namespace vesk
