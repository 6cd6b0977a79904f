// File transfer: a whole file sent to another station in one file-transfer frame (its name,
// its bytes and a CRC-16, enciphered when secure transfers are on), carried by the selected
// data path (DBM binary blocks, or one FED-STD-1052 message on the serial-tone modem). The receiving station checks the frame, stores the file in
// its download folder and answers with a report ("OK <path>" or "FAIL <path>") that the sender
// logs.
//
// Frame: byte 0 type (0 file), the file name and a NUL, the file's bytes, the CRC-16 (0x1021
// from 0xFFFF, high byte first) of everything before it. At most 500,000 bytes.
// Report: byte 0 = 1, the text, a NUL.
//
// A received name is refused when it is empty, holds '/', '\', "..", or a control character;
// the file is written under a temporary name inside the download folder and renamed when whole
// (an existing file of that name is replaced). Reports wait 5 s on an engine timer, each with
// its own copy of the address it goes to, and go back on the data path the file came by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace vesk {

struct ApiEvent;

inline constexpr std::size_t kXferFrameMax = 500000;
inline constexpr int kXferReportDelayMs = 5000;
inline constexpr const char* kDownloadFolder = "download";

struct XferReport {
  std::string address;
  bool address_pending = false;  // taken from the ending of the frame that brought the file
  int path = 0;                  // the data path the file came by
  std::vector<uint8_t> frame;
  int64_t due_ms = 0;
};

// What a file send asks of the link above; the station's wiring binds it.
struct XferFileHooks {
  // The file goes to `address`: a call to it is placed unless a link is ready to carry it.
  std::function<void(const char* address)> call_unless_linked;
};

struct XferFileState {
  XferFileHooks hooks;
  std::string file_path;
  int modem_transfer = 0;
  std::deque<XferReport> reports;
};

XferFileState& xfer_file_state();

// What a received file frame holds, when its layout is sound.
struct XferFrame {
  bool ok = false;
  std::string name;
  std::size_t data_at = 0, data_length = 0;
};

// A file frame of `name` and `data` (not enciphered), CRC included.
std::vector<uint8_t> xfer_build_frame(const std::string& name, const uint8_t* data, std::size_t length);
// Reads the layout of a deciphered frame: a name terminated inside the frame, room for the CRC.
XferFrame xfer_parse_frame(const uint8_t* frame, std::size_t length);
// Whether a received name may become a file in the download folder.
bool xfer_name_acceptable(const std::string& name);
// The part of a path after its last '/' or '\' (the whole path when it has neither).
std::string xfer_base_name(const std::string& path);

void xfer_set_file_path(const char* path);
const std::string& xfer_file_path();
void xfer_set_dest_cstring(const char* address);
// Posts the file-send request (API kind 13) for the destination and path, when the destination
// is a known station.
int xfer_request_send();
void xfer_use_dbm_for_ftp();
void xfer_use_modem_for_ftp();

// The handler of the file-send request, on the engine worker.
void xfer_send_file(const ApiEvent& event);
// A received payload of PID 0 (file frame) or 1 (report). `from`: the station that sent it,
// when its carrier knows (the report goes there); null: the caller of the ALE frame it came in.
void xfer_receive(const uint8_t* payload, std::size_t length, const char* from = nullptr);
// The report timer expired: sends the reports that are due.
void xfer_report_timer();
// The frame parser heard a frame end: reports for files that came in it take its caller.
void xfer_frame_ended();

}  // namespace vesk
