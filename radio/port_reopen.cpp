// Port reopening and the emulation port's opening.
#include "radio/port_reopen.h"

#include <cstdio>

#include "db/options.h"
#include "radio/radio_hooks.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

namespace vesk {

namespace {
int reopen(SerialPortRole role, int port_number) {
  SerialPort& port = serial_control(role);
  port.close();
  port.set_port_number(port_number);
  return port.open() == 0 ? 0 : -1;
}
}  // namespace

int radio_port_reopen(int port_number) {
  if (reopen(SERIAL_ROLE_RADIO, port_number) != 0) return -1;
  if (port_number >= 1 && port_number <= 9) db_set_reopened_radio_port(port_number);
  return 0;
}

int alt_ptt_port_reopen(int port_number) {
  if (reopen(SERIAL_ROLE_PTT, port_number) != 0) return -1;
  db_set_alt_ptt_port(port_number);  // keeps 1 to 9 only
  return 0;
}

int emul_port_reopen(int port_number) {
  if (reopen(SERIAL_ROLE_RADIO_EMUL, port_number) != 0) return -1;
  db_set_emulation_port(port_number);
  return 0;
}

void emul_port_open_basic() {
  SerialPort& port = serial_control(SERIAL_ROLE_RADIO_EMUL);
  port.close();
  if (db_get_emulation_enabled() == 0) return;
  port.set_port_number(db_get_emulation_port());
  if (port.open() != 0 || port.set_settings("19200,N,8,1") != 0 ||
      port.set_handshaking(SERIAL_HANDSHAKE_NONE) != 0 || port.set_dtr(false) != 0 || port.set_rts(false) != 0) {
    char text[96];
    std::snprintf(text, sizeof text, "Serial Port %d NOT Available for Radio Emulation", db_get_emulation_port());
    radio_message_box(text);
    return;
  }
  serial_set_reply_terminators(SERIAL_ROLE_RADIO_EMUL, 0xFD, ';');
}

}  // namespace vesk
