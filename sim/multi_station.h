// The multi-station simulator: several whole stations in one process, stepped together on
// simulated time and joined by the simulated ether. Each runs its start-up in a copy of its
// station folder (so the folders stay as they were and runs repeat byte for byte), has fake
// serial ports that open, and runs command lines at given times. Every log line is printed,
// oldest first, after the simulated time and the station's name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/channel.h"

namespace vesk {

struct SimStationSpec {
  std::string name;
  std::string dir;
  int64_t clock_offset_ms = 0;  // the station's UTC clock runs this far ahead of the others
};

// A command line that requests the file transfer DBMFTP prepared, as the file dialog does.
inline constexpr const char* kSimSendFile = "@SENDFILE";
// "@MIL110OPTIONS LINK TWX [CARRIER RATE]": the serial-tone modem options dialog's OK (data-link
// mode 0 ASYNC, 1 FS1052, 2 5066; TWX mode 0 OFF, 1 LINKED, 2 ALWAYS), with the dialog's carrier
// (1200, 1500 or 1800 Hz) and sample-rate setting (6400, 7200, 8000 or 9600) chosen first.
inline constexpr const char* kSimMil110Options = "@MIL110OPTIONS";
// "@MIL110 ADDRESS FILE": the MIL-STD 188-110 message dialog's OK with the text of FILE (read
// when the line runs, so a message may be longer than a command line's 999 characters): while
// the station is idle the message is queued and the station calls ADDRESS by itself, while
// linked it goes over the data link at once.
inline constexpr const char* kSimMil110 = "@MIL110";
// The same with the dialog's serial-tone modem path (FED-STD-1052 or asynchronous, by the data
// link mode) chosen.
inline constexpr const char* kSimSendFileModem = "@SENDFILE MODEM";

struct SimCommand {
  int64_t at_ms;
  std::string station;
  std::string line;
};

struct SimOptions {
  std::vector<SimStationSpec> stations;
  std::string channel = "clean";  // clean, awgn, good, moderate, poor, flutter
  double snr_db = 30;
  std::map<int, double> snr_at_hz;
  std::map<int64_t, double> snr_from_ms;  // the SNR from a simulated time on (--snr-from)
  uint64_t seed = 1;
  int64_t start_utc_ms = 1767225600000LL;  // 2026-01-01 00:00:00 UTC
  int64_t duration_ms = 60000;
  std::vector<SimCommand> commands;
  // Each station's TCP host port listens on a free local port (its log names it), and the run
  // keeps pace with real time, so that a client program can talk to the stations.
  bool host_ports = false;
  // The scratch copies of the station folders are left at the end, their paths printed, so
  // that what the stations wrote (received files, logs) can be looked at.
  bool keep_folders = false;
  // Each station's transmissions are reported as they end, with their length and the centre
  // of their spectrum ("SIM: TRANSMISSION 3.2 S, SPECTRUM CENTRE 1800 HZ").
  bool spectrum = false;
};

// Parses the command line of vesk-ale-sim into `out`; an error text, empty when it is good.
std::string sim_parse_args(const std::vector<std::string>& args, SimOptions* out);
// "YYYY-MM-DDTHH:MM:SS" (a trailing Z allowed) or whole seconds since 1970, as UTC ms.
bool sim_parse_utc(const std::string& text, int64_t* out_ms);

// Runs the simulation, handing every output line (without its line end) to `print`.
// `at_end`, when given, is called at the end of the run for each station still running, with
// that station current, before its shut-down (a test reads the station's state there).
// Returns 0, or 1 when a station folder cannot be used.
// `on_step`, when given, is called after each station's step with that station current (a
// test drives a window, or presses a dialog's button, there).
// `until`, when given, ends the run early at the first whole simulated second at which it
// returns true (a sweep stops each run once its outcome is known).
using SimStep = std::function<void(int64_t now_ms, const std::string& station)>;
int sim_run(const SimOptions& options, const std::function<void(const std::string&)>& print,
            const std::function<void(const std::string& station)>& at_end = {}, const SimStep& on_step = {},
            const std::function<bool()>& until = {});

}  // namespace vesk
