// The driver steps that the basic radio operations take for the configured radio type:
// set the frequency, set the mode, tune (frequency then mode), key and unkey. Each asks the
// type's row whether it has the step and calls its family's operation; a type without the
// step sends nothing.
// Radio control's operations and the catgen tool call these.
#pragma once

#include <cstdint>

namespace vesk {

// Each returns 1 when the type has the step (commands were queued), 0 when it sends nothing.
int driver_step_set_freq(uint32_t hz);
int driver_step_set_mode(int mode);
int driver_step_tune(uint32_t hz, int mode);
// The radio control panel's tuning of a channel with this receive and transmit frequency and
// mode (the family's tune builder, with its gaps and its remembered channel).
int driver_step_tune_channel(uint32_t hz, int mode);
// `tx_mode` chooses the keying command where a model needs it (Kenwood TS-480 and TS-590).
int driver_step_ptt_on(int tx_mode);
int driver_step_ptt_off();

}  // namespace vesk
