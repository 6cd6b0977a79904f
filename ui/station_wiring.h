// The station's one composition root. Every layer calls only the layers below it; where a
// lower layer must tell an upper one something (a symbol to send, a transmission ended, the
// link state for radio control, a script to run), it calls a hook, and this is the one place
// that binds those hooks. It also brings the station's modules up in their fixed order and
// takes them down again.
#pragma once

#include "ale/dispatch/engine.h"

namespace vesk {

// Binds every upward hook of the current station.
void station_wire();

// Runs each module's start-up in the station's order and then starts the engine worker (with
// EngineRun::Stepped nothing runs a thread of its own: the harness steps the engine, the sound
// card and the command executor). Returns the worker, or null when stepped. Runs once.
StationThread* station_start(EngineRun run = EngineRun::Thread);
// Ends the engine worker (waiting at most kEngineStopLimitMs) and the command executor.
// Returns 1 when no worker is left running.
int station_stop();

}  // namespace vesk
