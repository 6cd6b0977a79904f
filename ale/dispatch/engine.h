// The ALE engine's runtime: the worker that consumes the engine event queue and the API queue
// and polls the serial ports, and its stop. The station's start-up, which brings every module
// up in its fixed order before the worker starts, is the station's wiring (ui/station_wiring.h).
//
// The worker's work is one step function. In real time a StationThread runs it once a
// millisecond; a simulation harness starts the engine without the thread and calls
// ale_engine_step itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/thread.h"

namespace vesk {

struct EngineEvent;

inline constexpr int kCommandLineMaxFlags = 20;
// How long the stop waits for the worker's current pass to end.
inline constexpr int64_t kEngineStopLimitMs = 5000;

enum class EngineRun { Thread, Stepped };

struct EngineState {
  bool started = false;
  bool stepped = false;  // started without a worker thread
  // The command-line parameters kept for ale_apply_command_line: the flags (the text after
  // '-') in the order given, and one plain parameter.
  std::vector<std::string> command_line_flags;
  std::string command_line_plain;
  bool command_line_plain_kept = false;
};

// The worker thread, in a state of its own that is created after every module the start-up
// initialises, so that a station taken down without a stop joins the worker first.
struct EngineWorker {
  StationThread thread;
};

EngineState& engine();

// Starts the worker thread with EngineRun::Thread; with EngineRun::Stepped nothing runs on its
// own (the harness steps the worker). Returns the worker (null when stepped). Runs once; a
// second call returns what the first started.
StationThread* ale_engine_start_worker(EngineRun run = EngineRun::Thread);
// One pass of the worker: at most one engine event, at most one API event, one serial poll.
void ale_engine_step();
// The worker thread's loop body: the 1 ms pause, then a step.
void ale_engine_pass();
// Handles one engine event on the worker thread.
void ale_engine_dispatch_event(const EngineEvent& event);
// Ends the worker, waiting at most kEngineStopLimitMs for its current pass. Returns 1 when no
// worker is left running.
int ale_engine_stop();

// Adds one command-line parameter as the program's parser found it: "-X..." is a flag, the
// first other parameter is kept as the plain one. Returns 1 when the parameter was taken.
int ale_command_line_add(const std::string& arg);
// Applies the collected parameters: -P<n> sets the TCP host port and its autostart; other
// flags and the plain parameter are written to the log.
void ale_apply_command_line();

}  // namespace vesk
