// Radio shut-down: hands the radio back in its normal state when the station closes, and
// lets go of every serial port.
//
// `radio_shutdown` releases a transmitter still keyed, queues the configured type's release
// commands (split off, VFO A for receive and transmit, the normal audio level when the station
// mutes by command) with the pauses of its row, then drops the RTS and DTR mute lines; it
// writes no log line of its own. `radio_queue_drained` tells when the radio queue (and the
// Skanti's pacing buffer) has sent everything; the shut-down waits for it a bounded time, so a
// radio that does not answer never holds it longer. After the engine has stopped,
// `serial_release_ports` drops RTS and DTR on every open port and closes it, so no line is left
// keying a transmitter.
//
// A type whose row names no release steps (`RadioTypeRow::shutdown_steps`) sends nothing. JST-245, NRD-545, RX-320, Skanti 8250, the generic
// command file and the plug-in library release through their family's operations.
#pragma once

namespace vesk {

// How long the shut-down waits for the radio queue to send the release commands.
inline constexpr int kRadioShutdownDrainMs = 2000;

void radio_shutdown();
bool radio_queue_drained();
void serial_release_ports();

}  // namespace vesk
