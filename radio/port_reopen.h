// Moving a port to another port number while the station runs, and the basic opening of the
// radio emulation port.
//
// A reopen closes its port, sets the new number and opens the port with the settings it
// already holds; it touches nothing else (queue, terminators, radio type) and writes no line.
#pragma once

namespace vesk {

// 0, or -1 when the port could not be opened (it is then left closed and nothing is
// recorded). The radio and alternate-PTT numbers are recorded only when 1 to 9.
int radio_port_reopen(int port_number);
int alt_ptt_port_reopen(int port_number);
int emul_port_reopen(int port_number);

// Closes the emulation port and, when emulation is enabled, opens it at the configured
// number with "19200,N,8,1", no handshaking, DTR and RTS low and the terminators 0xFD and
// ';'. A failure is reported and ends nothing else.
void emul_port_open_basic();

}  // namespace vesk
