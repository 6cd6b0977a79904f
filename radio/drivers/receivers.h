// Text command sets of the receivers and channel-driven transceivers: JRC (JST-245, NRD),
// TCI 8174, Cubic (R3030, R2411U), Racal (RA6790GM, RA6830JD), R&S (EK2000, EK890/896),
// Collins HF2050, AOR (AR8600, AR5000, AR-ONE), Drake R8, Watkins-Johnson (WJ8711, HF1000),
// the SDR-1000, Codan, XK2100, SEA235 and HF90M. Each builder formats one command for the
// radio type it is given; the families' operations (radio/receivers_ops.cpp) send them.
// A builder that returns false has no command for its argument (nothing is sent).
#pragma once

#include <cstdint>
#include <string>

#include "db/database.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

// The frequency command of `type` (JRC, TCI, Cubic, Racal, R&S EK2000, HF2050, AOR, Drake,
// WJ, SDR-1000, Codan, XK2100).
bool receiver_freq(int type, uint32_t hz, CatCommand& out);
// The mode command of `type`.
bool receiver_mode(int type, int mode, CatCommand& out);
// A fixed or one-argument command of `type`, in the type's framing: `text` as the radio's own
// text (the prefix, address and terminator are added).
CatCommand receiver_text(int type, const std::string& text);

// Whole-channel commands.
bool ek890_tune(const ChannelRecord& ch, CatCommand& out);       // LF "A00F<hz>,<mode>" CR
bool xk2100_tune(const ChannelRecord& ch, CatCommand& out);      // LF "<mode>,F<hz>" CR
bool sea235_tune(const ChannelRecord& ch, CatCommand& out);      // "$PSEAS,15,,..." with checksum
bool hf90m_select(const ChannelRecord& ch, CatCommand& out);     // "C" + hex (channel + 1), in use
// One Intel HEX record of the HF90M's channel memory (':' + 26 hex digits + CR LF).
CatCommand hf90m_memory_record(const ChannelRecord& ch);

// Fields with rules of their own.
char tci_filter_char(int bandwidth_hz);   // 0 for 3201 .. 3300 Hz (none)
int cubic_bandwidth_index(int bandwidth_hz);
int hf2050_squelch_step(double level);
std::string racal_bandwidth(int type, int bandwidth_hz);  // "$85I3.3" / "$1I3.30"

}  // namespace vesk
