// Frequency, mode and level dispatch: the narrower operations beside the full channel
// setting. Each asks the radio's row whether it applies and calls its family's operation;
// a radio without one sends nothing. They share the remembered mode with channel setting and are
// serialised with it (radio_channel_lock()).
#pragma once

#include "db/database.h"

namespace vesk {

// Receiver audio level: stored, and sent unless receiver muting is on.
void radio_set_af_level(int level);
// Current AF level := the normal receiver audio level option; returns it.
int radio_load_af_level();
int radio_af_level();
// Manual tuning from the radio control panel: working channel (by its table index), frequency
// and mode (always).
void radio_tune_channel(int index, const ChannelRecord& channel);
// Frequency and mode of a channel while not scanning (the channel is not made working).
void radio_set_freq_mode(const ChannelRecord& channel);
// Transmit and receive frequencies and modes of the working channel.
void radio_set_split_freq_mode();
// The operator's reset of the radio's channel: while scanning is stopped the channel at the
// scan cursor (frequency and mode), otherwise the working channel's split settings.
void radio_reset_alechan();
// Requests of the radio emulation port.
void radio_set_mode(int mode);
void radio_set_freq(int hz);
// Hooks of the link state machine and of the channel table.
void radio_refresh_hook();
void radio_store_channel_hook(const ChannelRecord& channel);

// The frequency last put on the radio's VFO (channel setting's Kenwood path, the emulation
// port's set-frequency request), and the emulator's current mode.
int radio_vfo_freq();
void radio_set_vfo_freq(int hz);
int radio_emul_mode();

// TK-80 / TK-90: the memory channel when the memory channels switch is on, else the VFO-A
// frequency and the mode step (radio/tk_ops.cpp).
void radio_tk_freq_mode(const ChannelRecord& channel);

}  // namespace vesk
