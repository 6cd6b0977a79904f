// The call recorder: writes what the receiver hears to a WAV file (8000 Hz, mono, 16 bit) with
// the title as a LIST/INFO chunk. The scan monitor starts and stops recordings; the
// demodulator's block hook appends every received 210-sample block while one runs, and a
// recording stops by itself once it has passed its maximum length.
//
// Start and stop run on the engine, the appending on the audio thread, the settings on any
// thread: the state is guarded by one lock, and a file is finished outside it.
#pragma once

#include <cstdint>
#include <string>

namespace vesk {

inline constexpr int kRecorderSampleRate = 8000;
// The folder, inside the station folder, of a station whose recorder path option is empty.
inline constexpr const char* kRecorderDefaultPath = "recordings/";
// The software-identification text of every recording's LIST chunk (52 characters).
inline constexpr const char* kRecorderSoftwareText = "VESK-ALE HF radio station controller - call recorder";

void rec_enable();
void rec_disable();
int rec_is_enabled();
// The prefix of every file name, relative to the station folder; the name follows it directly
// (no separator is added). Empty gives kRecorderDefaultPath.
void rec_set_path(const std::string& path);
void rec_set_max_seconds(int seconds);
// When enabled: finishes a recording still open, then creates the file (and its folder) and
// starts recording. 1 when a recording now runs; 0 when disabled or the file cannot be made
// (logged).
int rec_start(const std::string& file_name, const std::string& title);
// Appends `count` samples while recording and enabled; stops the recording once it holds more
// than the maximum. A failed write is logged and ends the recording, keeping what was written.
void rec_write(const int16_t* samples, int count);
void rec_stop();
int rec_is_recording();
// The file of the running (or last) recording, as opened.
std::string rec_file_path();

}  // namespace vesk
