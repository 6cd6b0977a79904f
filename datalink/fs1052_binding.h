// The binding of the serial-tone modem and the FED-STD-1052 data link to the station: the
// link's port (transmissions go to the modem as owned buffers, the receiver reset, the modem
// mode, the trace as log lines), the one thread that runs the link, the indication thread that
// reports the link's indications once a second, the routing of received modem bytes by the
// data link mode, and the flat entry points the engine and the commands use.
//
// The modem is reached through Fs1052ModemIo, which the station's wiring installs (the serial-tone
// modem on the sound card, fs1052_serial_tone_modem) and a test may replace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk {

class Fs1052Link;

// What the binding needs of the modem: bytes out, a receiver reset. Received bytes, the start
// of a reception and the end of a transmission come back through fs1052_modem_rx_start,
// fs1052_modem_rx_byte and fs1052_modem_tx_end.
class Fs1052ModemIo {
 public:
  virtual ~Fs1052ModemIo() = default;
  // Queues one transmission of these bytes (owned from now on) in this mode ("600S"); the
  // modem sends its transmissions one after the other and reports each end. False when it
  // cannot take it.
  virtual bool transmit(std::vector<uint8_t> bytes, const std::string& mode) = 0;
  // Ends the reception under way (the modem searches for a new preamble).
  virtual void rx_reset() = 0;
};

// Installs the modem (null: none; transmissions are then refused with a log line).
void fs1052_set_modem_io(Fs1052ModemIo* io);
// The station's serial-tone modem on its sound card, as the link's modem: each transmission
// is queued with its own mode; the reset ends the receiver's reception.
Fs1052ModemIo& fs1052_serial_tone_modem();

// Sound-card open: configures the link from the ten stored values and starts the link's
// thread and the indication thread, once. `stepped`: no threads; fs1052_tick runs the link's
// events and reports one indication a second of ticks.
void fs1052_open(bool stepped);
// Stops and joins both threads.
void fs1052_close();

void fs1052_configure(const int32_t values[10]);
void fs1052_send_message(const uint8_t* data, int length, int priority, int id, int broadcast);
void fs1052_set_own_address(const char* text);
void fs1052_set_remote_address(const char* text);
// Own address: the own-address entry the current channel names; remote: the first called
// address of the current call.
void fs1052_set_link_addresses();
void fs1052_enable();
void fs1052_disable();
void fs1052_disable_on_kill();
void fs1052_reset_link();
// An ALE call failed: messages handed to the link for that call, which wait for a link that
// did not come, are reported failed (they would otherwise go over whatever link came next).
// A link that stands keeps its messages.
void fs1052_call_failed();
// One 10 ms step of the link's protocol timers.
void fs1052_tick();

// Asynchronous send (data link mode ASYNC): frames the bytes and queues them on the modem in
// the stored data-rate mode. A message too long for the framed buffer is refused with a log
// line. Returns 0, or -1 when refused.
int m110_send_async(const uint8_t* data, std::size_t length);
// A payload on the serial-tone modem path, by the data link mode: ASYNC framing, or a
// FED-STD-1052 message (priority 0, this id, broadcast flag). 1 when handed over, 0 when
// refused or when the mode sends nothing.
int xfer_send_modem_payload(const uint8_t* data, std::size_t length, int id, int broadcast);
// The same to a station: a FED-STD-1052 message goes with acknowledgement to `destination`
// (the link's remote address becomes it). The payload sender's modem path.
int xfer_send_modem_payload_to(const char* destination, const uint8_t* data, std::size_t length, int id);

// Text on the serial-tone modem path: PID 4 and the text (at most 10,000 characters).
void xfer_send_modem_text(const std::string& text, int broadcast);

// The modem's receive and transmit side.
void fs1052_modem_rx_start();
void fs1052_modem_rx_byte(uint8_t byte);
// The reception has ended: in ASYNC mode the text received so far goes to the data pane (the
// modem may end at the end-of-message pattern, before eight 0 bits have come).
void fs1052_modem_rx_end();
void fs1052_modem_tx_end();

// Reports the oldest waiting indication; 1 when there was one. The indication thread calls it
// once a second.
int fs1052_indication_step();

// The station's link object, for tests and traces; touch it only through the entry points
// while the link's thread runs.
Fs1052Link& fs1052_station_link();
// Runs the link's queued events now (stepped use).
void fs1052_run_pending();

}  // namespace vesk
