// The serial-tone modem's public interface, for whoever binds it (the data link, the sound card,
// the status display, the tools):
//
// Modes: 0-13, by number or short name (m110_mode_from_name: "75NS" ... "4800S"),
// m110_mode_info for the figures of each (m110_tables.h).
//
// Transmit, bytes -> samples (9,600 Hz floats, full scale 1.0):
// - M110Transmitter (m110_tx.h): pure signal processing. set_mode(mode), then
//   send(bytes, length) gives the whole transmission, or streams it 200 ms at a time to a sink.
// - M110TxWorker (m110_tx_worker.h): the station's transmit side. set_tx_mode / select_tx_mode
//   (refused while a message waits or is on the air), send(bytes, length) queues an owned
//   copy, pop_block(dst) hands the sound card one 4,000-sample block at a time from a bounded
//   queue; status TxStart / TxEnd.
//
// Receive, samples -> bytes:
// - M110Receiver (m110_rx.h): rx_samples (float) or rx_samples16 (16-bit) at 9,600 Hz; every
//   decoded byte goes to on_byte, the mode found and the ends of receptions to status (RxMode,
//   RxEnd, FreqOffset). reset() ends a reception (the data link calls it when its frame parser
//   resets); set_end_on_eom(true) ends receptions on the end-of-message pattern (asynchronous
//   framing). The receiver finds the mode by itself from the preamble.
#pragma once

#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_status.h"
#include "modem/serial_tone/m110_tables.h"
#include "modem/serial_tone/m110_tx.h"
#include "modem/serial_tone/m110_tx_worker.h"
