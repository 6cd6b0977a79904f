// Names of the engine's events, and the trace line of each event that the engine writes when
// the operator switches event tracing on. The words' and link states' names and traces are
// theirs (ale/words/word_trace.h, ale/link/link_state.h).
#pragma once

namespace vesk {

// The name of an event number ("EV_DWELL_TIMER"), or "Unknown".
const char* ale_event_name(int number);

// "Event = NAME" when event tracing is on; the frequent scan, poll and scan-command timers
// are never traced.
void ale_trace_event(int number);

}  // namespace vesk
