// Payloads framed with a one-byte PID: the sender on the selected data path and the
// dispatcher of received payloads.
//
// PID 0 is a file-transfer frame, 1 a file-transfer report, 2 and 3 are ignored, 4 is text;
// the rest of the payload is its content. The data path (DTM, DBM, or the serial-tone modem)
// is chosen by whoever starts the transfer and is kept until changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vesk {

enum XferPath : int { XFER_PATH_DTM = 0, XFER_PATH_DBM = 1, XFER_PATH_MODEM = 2 };
enum XferPid : int { PID_FILE_FRAME = 0, PID_FILE_REPORT = 1, PID_TEXT = 4 };
inline constexpr int kDataLinkAsync = 0;   // data link mode: start-stop characters on the modem
inline constexpr int kDataLinkFs1052 = 1;  // data link mode: FED-STD-1052 frames

// The senders and receivers behind the paths, set by their owners; an empty one drops what it
// is given.
struct XferSeams {
  std::function<void(const uint8_t* data, std::size_t length)> dtm_text;
  std::function<void(const uint8_t* data, std::size_t length)> dtm_binary;
  std::function<void(const uint8_t* data, std::size_t length)> dbm_text;
  std::function<void(const uint8_t* data, std::size_t length)> dbm_binary;
  // Serial-tone modem: set the transmit mode from the data-rate setting, then send the bytes
  // as start-stop characters; or hand them to the FED-STD-1052 link.
  std::function<void()> modem_set_tx_mode_from_rate;
  std::function<void(const uint8_t* data, std::size_t length)> modem_send_async;
  std::function<void(const uint8_t* data, std::size_t length, int id)> fs1052_send;
  // The file-transfer receiver (the whole payload, PID included).
  std::function<void(const uint8_t* data, std::size_t length)> file_transfer_rx;
  // The data pane. Empty: the log layer's frame text.
  std::function<void(const char* text, std::size_t length)> data_pane;
};

struct XferState {
  int path = XFER_PATH_DTM;
  XferSeams seams;
};

XferState& xfer_state();

void xfer_select_dtm_path();
void xfer_select_dbm_path();
void xfer_select_modem_path();
int xfer_path();
// Sends a PID-framed payload on the selected path. Returns 1 when it was handed to a sender.
int xfer_send_payload(const uint8_t* data, std::size_t length, int id);
// Handles a received PID-framed payload.
void xfer_dispatch_pid(const uint8_t* data, std::size_t length);

}  // namespace vesk
