// The trace lines of received and transmitted words that the engine writes when the operator
// switches receive or transmit word tracing on.
#pragma once

#include <cstdint>
#include <string>

#include "ale/words/ale_word.h"

namespace vesk {

// A word as its trace shows it, by preamble: "[TO  ABC]", "[CMD 61 20 05]".
std::string ale_word_trace_text(AleWord word);
// The received and transmitted words' traces; the command monitor (ale/frames/cmd_words.h)
// follows each word apart.
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
