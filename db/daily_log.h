// Daily log files: the monitor text and the frame text kept on disk.
//
// At engine start the files "owlog/MMDDYYYY.ow" (monitor text) and "dalog/MMDDYYYY.da" (frame
// text) in the station folder are opened for appending, named by the UTC date of the start
// and kept for the whole run, and each gets a start banner. The folders are not created: a
// missing folder means no file. The log layer appends the lines as they are written, in
// blocks (at least once a minute), and what is left when a pane is cleared and when the
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
// Appends a block to each file; `to_disk` is the log-to-disk option, read by the caller
// before any lock of the log is held.
void log_write_daily_files(const std::string& monitor, const std::string& frame, bool to_disk);
// Whether the files have been opened (lines written before then wait in the texts).
bool log_daily_files_open();

// The file names for the UTC time `t`, relative to the station folder.
std::string log_monitor_file_name(std::time_t t);
std::string log_frame_file_name(std::time_t t);

}  // namespace vesk
