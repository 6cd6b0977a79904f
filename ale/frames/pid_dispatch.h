// Payloads framed with a one-byte PID: the selected data path and the dispatcher of received
// payloads.
//
// PID 0 is a file-transfer frame, 1 a file-transfer report, 2 and 3 are ignored, 4 is text;
// the rest of the payload is its content. The data path (DTM, DBM, or the serial-tone modem)
// is chosen by whoever starts the transfer and is kept until changed. The serial-tone modem
// path belongs to the data link above this layer, reached through XferHooks::modem_payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vesk {

enum XferPath : int { XFER_PATH_DTM = 0, XFER_PATH_DBM = 1, XFER_PATH_MODEM = 2 };
enum XferPid : int { PID_FILE_FRAME = 0, PID_FILE_REPORT = 1, PID_TEXT = 4 };
inline constexpr int kDataLinkAsync = 0;   // data link mode: start-stop characters on the modem
inline constexpr int kDataLinkFs1052 = 1;  // data link mode: FED-STD-1052 frames

struct XferHooks {
  // A payload for the serial-tone modem (FED-STD-1052 message to the destination, or
  // asynchronous characters, by the data link mode); 1 when handed over.
  std::function<int(const char* destination, const uint8_t* data, std::size_t length, int id)> modem_payload;
  // A received file frame (PID 0) or file report (PID 1), PID byte included, for the file
  // transfers; `from` as given to xfer_dispatch_pid.
  std::function<void(const uint8_t* payload, std::size_t length, const char* from)> file_payload;
};

struct XferState {
  XferHooks hooks;
  int path = XFER_PATH_DTM;
};

XferState& xfer_state();

void xfer_select_dtm_path();
void xfer_select_dbm_path();
void xfer_select_modem_path();
int xfer_path();
inline constexpr int kXferTextMax = 10000;  // characters of one text payload

// Sends a PID-framed payload on the selected data path to the transfer destination: on the DTM
// and DBM paths the message is handed to the engine worker (an API event carrying the
// destination), which cuts it into blocks; on the modem path it goes to the data link with
// this id. Returns 1 when handed over.
int xfer_send_payload(const uint8_t* data, std::size_t length, int id);
// The same to a given destination.
int xfer_send_payload_to(const char* destination, const uint8_t* data, std::size_t length, int id);
// The same on a given data path.
int xfer_send_payload_on(int path, const char* destination, const uint8_t* data, std::size_t length, int id);
// PID 4 and the text (at most 10,000 characters).
int xfer_send_text(const char* text, int end_flag);
// Handles a received PID-framed payload. `from`: the station whose transmission brought it,
// when the carrier knows it (the data link's remote station); otherwise the caller of the ALE
// frame it came in.
void xfer_dispatch_pid(const uint8_t* data, std::size_t length, const char* from = nullptr);

}  // namespace vesk
