// The radio emulation port's requests: another program drives the station as if it were an
// Icom CI-V radio (address 66, controller E0) or a radio with Kenwood-style text commands.
// `emul_handle_frame` takes each frame the input poll cuts at FD or ';'.
#pragma once

#include <cstdint>

namespace vesk {

void emul_handle_frame(const uint8_t* frame, int length);

// The frequency and CI-V mode byte last requested (shown by the queries while the RMS block
// or the radio server mode is on).
int emul_requested_freq();
int emul_requested_civ_mode();

}  // namespace vesk
