// Icom's marine transceivers (proprietary NMEA 0183 sentences "$PICOA,90,0<id>,...") and the
// PCR receivers (short text commands ended by LF). The builders only format; the family's
// operations (radio/icom_marine_ops.cpp) queue what they build.
#pragma once

#include <cstdint>
#include <string>

#include "radio/drivers/cat_contract.h"

namespace vesk {

// The id digit of a marine radio type ('1' for the IC-M710 and any type not listed).
char icmarine_id(int type);
// "$PICOA,90,0", the id, ",", `body`, with "*" and the checksum of the text between "$" and
// "*" when `checksum`, then CR LF.
CatCommand icmarine_sentence(char id, const std::string& body, bool checksum = false);
// The frequency argument: megahertz as three digits, ".", six decimals ("007.100000").
std::string icmarine_freq(uint32_t hz);
// The mode argument, or null for a mode the radios have none for (the data modes go as
// their sidebands).
const char* icmarine_mode(int mode);

// PCR: "K0", ten digits of hertz, mode and filter digits, "00", LF.
CatCommand pcr_freq_mode(uint32_t hz, int mode);
// `head` and the low byte of `value` as two upper-case hexadecimal digits, LF ("J40" 12 gives
// "J400C": the receiver's level fields take two digits).
CatCommand pcr_hex(const char* head, int value);
CatCommand pcr_text(const char* text);

}  // namespace vesk
