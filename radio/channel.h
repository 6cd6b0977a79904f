// Channel setting: the one routine every channel change goes through.
//
// `radio_set_channel` makes the channel the working channel, sets the transmit audio level,
// switches the receiver attenuator, selects the antenna port through the configured antenna
// switch, bypasses or tunes the tuner (or asks for a tune before the next transmission) and
// sends the channel's receive frequency and mode in the radio type's command set. It sleeps
// between commands on the caller's thread. Channel settings are serialised by
// `radio_channel_lock()` (radio/radio_hooks.h), the inner lock under the link lock.
#pragma once

#include <string>

#include "db/database.h"

namespace vesk {

// `index` is the channel's table index (0 to 256), `channel` its record.
void radio_set_channel(int index, const ChannelRecord& channel);
// What the operator's choice of an antenna port came to.
enum class AntennaSwitchResult {
  Switched,      // the switch (or the radio) took the port
  NoSuchPort,    // the port is beyond the switch's; `*limit` says how many it has
  NotSupported,  // antenna switch RADIO CAT, and the radio selects no antenna from outside
  Silent,        // nothing to do and nothing to say (no switch, or a model without ports)
};
// Switches the configured antenna switch to `port` (1 or more), as SET ANT and the radio panel
// ask; it sleeps between the switch's steps on the caller's thread.
AntennaSwitchResult radio_switch_antenna(int port, std::string* limit);
// Next channel of the current scan group while scanning is active, then timer 1016 for 20 ms.
void radio_scan_next_channel();
void radio_channel_up();
void radio_channel_down();

// The tune request: set by a channel setting while scanning for a channel that wants the
// tuner; taken (read and cleared) before the next transmission.
int radio_tune_request();
int radio_take_tune_request();

// The mode step shared with the dispatchers: true when the mode must go to the radio for
// `channel` (no mode sent yet in this run, another receive mode remembered, or the mode
// re-send request set). `radio_mode_remember` records the channel's receive mode as sent.
// The memory holds the mode itself, so a temporary record may be passed.
bool radio_mode_due(const ChannelRecord& channel);
void radio_mode_remember(const ChannelRecord& channel);
// True before any mode was sent in this run.
bool radio_mode_first();
// The engine's scan mode as the channel setting in progress read it (families whose channel
// step depends on it read it here, under the channel-setting lock).
bool radio_channel_scanning();

}  // namespace vesk
