// Names of the engine's events, link states and words, and the trace lines that the engine
// writes when the operator switches a trace family on (events, states, received words,
// transmitted words).
#pragma once

#include <cstdint>
#include <string>

#include "ale/words/ale_word.h"

namespace vesk {

// The name of an event number ("EV_DWELL_TIMER"), or "Unknown".
const char* ale_event_name(int number);
// The name of a link state 0-31 ("SCANNING STOPPED"), or "UNKNOWN STATE".
const char* ale_link_state_name(int state);

// "Event = NAME" when event tracing is on; the frequent scan, poll and scan-command timers
// are never traced.
void ale_trace_event(int number);
// "State = NAME" of the current link state when state tracing is on.
void ale_trace_state();

// A word as its trace shows it, by preamble: "[TO  ABC]", "[CMD 61 20 05]".
std::string ale_word_trace_text(AleWord word);
void ale_trace_rx_word(AleWord word);
void ale_trace_tx_start();
void ale_trace_tx_end();
void ale_trace_tx_word(AleWord word);
// "[RX][CH nn][START OF NORMAL FRAME]" (or ALTERNATE for an AQC-ALE first word) when receive
// tracing is on.
void ale_trace_frame_start(bool aqc);

// Texts of the AQC-ALE data elements of an in-link word and of the word after it.
std::string aqc_inlink_de_text(int value);
std::string aqc_second_de_text(int value);
// The receive trace of one AQC-ALE word, decoded by the AQC-ALE receiver.
void aqc_trace_rx_word(int preamble, uint32_t value, const char* address, int de1, int de2);

}  // namespace vesk
