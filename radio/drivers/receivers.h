// Text command sets of the receivers and transceivers commanded by text (radio/drivers/
// text_command_set.h): the JRC receivers, TCI 8174, Cubic, Racal, R&S EK2000, Collins HF2050,
// AOR, Drake, Watkins-Johnson, the SDR-1000, Codan and XK2100. Each builder formats one command
// in the form that the type's row names (its `text_set`); the families' operations
// (radio/jrc_ops.cpp, radio/text_radio_ops.cpp, radio/channel_radio_ops.cpp) send them.
// A builder that returns false has no command for its argument (nothing is sent).
#pragma once

#include <cstdint>
#include <string>

#include "radio/drivers/cat_contract.h"
#include "radio/drivers/text_command_set.h"

namespace vesk {

// The frequency command of `type`.
bool receiver_freq(int type, uint32_t hz, CatCommand& out);
// The mode command of `type`.
bool receiver_mode(int type, int mode, CatCommand& out);
// A fixed or one-argument command of `type`, in the type's framing: `text` as the radio's own
// text (the prefix, address and terminator are added).
CatCommand receiver_text(int type, const std::string& text);
// The AF level text of `type` (`level` as three digits), unframed; empty when it has none.
std::string receiver_af_level(int type, int level);

// The same for a set: `text` framed by it, and the text of a mode (null: none).
CatCommand text_framed(const TextCommandSet& set, const std::string& text);
const char* text_mode_of(const TextCommandSet& set, int mode);

// Fields with rules of their own.
char tci_filter_char(int bandwidth_hz);   // 0 for 3201 .. 3300 Hz (none)
int cubic_bandwidth_index(int bandwidth_hz);
int hf2050_squelch_step(double level);
std::string racal_bandwidth(int type, int bandwidth_hz);  // "$85I3.3" / "$1I3.30"

}  // namespace vesk
