// The Alinco DX-77T ("AL" text commands ended by CR) and the Skanti 8250 (one-byte and short
// commands that reach the radio one byte at a time from a pacing buffer). The builders only
// format; the family's operations (radio/alinco_skanti_ops.cpp) send what they build.
#pragma once

#include <cstdint>
#include <string>

#include "radio/drivers/cat_contract.h"

namespace vesk {

CatCommand dx77t_text(const std::string& body);  // body, CR
// "AL0A" or "AL0B" and eight digits of hertz.
CatCommand dx77t_freq(char vfo, uint32_t hz);
// The "AL2G" mode digit, or 0 for a mode the radio has no digit for (the data modes go as
// their sidebands).
char dx77t_mode_digit(int mode);

// The Skanti frequency field: six digits of hertz modulo 100 MHz, tens of MHz down to hundreds
// of Hz, then CR.
std::string skanti_freq_field(uint32_t hz);

}  // namespace vesk
