// Channel commands of the radios tuned by whole channels (ChannelSet in radio_types.h): the
// R&S EK890/EK896, the SEA 235, the HF90M and the XK2100. Each formats one channel; the
// family's operations (radio/channel_radio_ops.cpp) send them. A builder that returns false
// has no command for the channel (nothing is sent).
#pragma once

#include "db/database.h"
#include "radio/drivers/cat_contract.h"

namespace vesk {

bool ek890_tune(const ChannelRecord& ch, CatCommand& out);       // LF "A00F<hz>,<mode>" CR
bool xk2100_tune(const ChannelRecord& ch, CatCommand& out);      // LF "<mode>,F<hz>" CR
bool sea235_tune(const ChannelRecord& ch, CatCommand& out);      // "$PSEAS,15,,..." with checksum
bool hf90m_select(const ChannelRecord& ch, CatCommand& out);     // "C" + hex (channel + 1), in use
// One Intel HEX record of the HF90M's channel memory (':' + 26 hex digits + CR LF).
CatCommand hf90m_memory_record(const ChannelRecord& ch);

}  // namespace vesk
