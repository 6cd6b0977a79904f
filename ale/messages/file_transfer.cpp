#include "ale/messages/file_transfer.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "ale/engine/api_event.h"
#include "ale/engine/timer.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/words/aqc_word.h"
#include "ale/engine/host_reports.h"
#include "ale/messages/send_queue.h"
#include "ale/messages/transfer_cipher.h"
#include "db/crc16.h"
#include "ale/engine/events.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kTypeFile = 0;
constexpr uint8_t kTypeReport = 1;

int32_t frame_crc(const uint8_t* bytes, std::size_t length) {
  int32_t crc;
  crc16_init(&crc);
  for (std::size_t i = 0; i < length; ++i) crc16_update_byte(bytes[i], &crc);
  return crc & 0xFFFF;
}

void log_local(const char* text, const std::string& path = {}) {
  log_printf("[%s][LOCAL]%s%s\n", log_time_stamp().c_str(), text, path.c_str());
}

// A station-relative path becomes a path in the station's folder.
fs::path station_path(const std::string& path) {
  fs::path p(path);
  if (p.is_relative()) p = fs::path(station().dir()) / p;
  return p;
}

// The file a path names: the name as given when such a file exists; otherwise the one file of
// its folder whose name differs from it only in case (a name typed in a command line may have
// been upper-cased on its way).
fs::path find_file(const fs::path& file) {
  std::error_code ec;
  if (fs::exists(file, ec)) return file;
  const auto lower = [](std::string t) {
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
  };
  const std::string wanted = lower(file.filename().string());
  fs::path found;
  int matches = 0;
  for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    if (lower(it->path().filename().string()) != wanted) continue;
    found = it->path();
    ++matches;
  }
  return matches == 1 ? found : file;
}

// `known`: the address is the sender's for sure (the data link's peer), and no later frame
// ending replaces it.
void queue_report(const std::string& address, bool known, const std::string& text) {
  XferFileState& s = xfer_file_state();
  XferReport r;
  r.address = address;
  r.address_pending = !known;
  r.path = xfer_path();
  r.frame.push_back(kTypeReport);
  r.frame.insert(r.frame.end(), text.begin(), text.end());
  r.frame.push_back(0);
  r.due_ms = station().clock().mono_ms() + kXferReportDelayMs;
  s.reports.push_back(std::move(r));
  if (s.reports.size() == 1) timer_start(EV_XFER_REPORT_TIMER, kXferReportDelayMs);
}

void receive_file(std::vector<uint8_t> frame, const char* sender) {
  xfer_decrypt(frame.data() + 1, frame.size() - 1);
  // The report goes back to the station whose frame brought the file, whatever happens after:
  // the data link's peer for a file that came over it; otherwise the caller named by that
  // frame's ending (`xfer_frame_ended`), or the caller heard last when the frame is cut off
  // before its ending.
  const bool known = sender != nullptr && sender[0] != '\0';
  const char* caller = known ? sender : ale_frame_caller();
  const std::string from = caller == nullptr ? std::string() : std::string(caller);
  if (frame.size() < 3 || frame_crc(frame.data(), frame.size()) != 0) {
    log_local("FTP CRC failure");
    queue_report(from, known, "FAIL ");
    return;
  }
  const XferFrame f = xfer_parse_frame(frame.data(), frame.size());
  if (!f.ok) {
    log_local("FTP frame malformed");
    queue_report(from, known, "FAIL ");
    return;
  }
  if (!xfer_name_acceptable(f.name)) {
    log_local("FTP file name refused");
    queue_report(from, known, "FAIL ");
    return;
  }
  const std::string shown = std::string(kDownloadFolder) + "\\" + f.name;
  const fs::path folder = fs::path(station().dir()) / kDownloadFolder;
  const fs::path final_path = folder / f.name;
  const fs::path part = folder / ("." + f.name + ".part");
  bool written = false;
  {
    std::ofstream out(part, std::ios::binary | std::ios::trunc);
    if (out) {
      out.write(reinterpret_cast<const char*>(frame.data() + f.data_at), static_cast<std::streamsize>(f.data_length));
      out.close();
      written = !out.fail();
    }
  }
  std::error_code ec;
  if (written) fs::rename(part, final_path, ec);
  if (!written || ec) {
    fs::remove(part, ec);
    log_local("FTP File open failure");
    queue_report(from, known, "FAIL " + shown);
    return;
  }
  log_printf("[%s][LOCAL][SAVED] %s\n", log_time_stamp().c_str(), shown.c_str());
  queue_report(from, known, "OK " + shown);
  ale_host_report_progress("DBM FTP MESSAGE COMPLETE");
}

}  // namespace

XferFileState& xfer_file_state() { return station().state<XferFileState>(); }

std::vector<uint8_t> xfer_build_frame(const std::string& name, const uint8_t* data, std::size_t length) {
  std::vector<uint8_t> frame;
  frame.reserve(name.size() + length + 4);
  frame.push_back(kTypeFile);
  frame.insert(frame.end(), name.begin(), name.end());
  frame.push_back(0);
  if (length > 0) frame.insert(frame.end(), data, data + length);
  const int32_t crc = frame_crc(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  frame.push_back(static_cast<uint8_t>(crc));
  return frame;
}

XferFrame xfer_parse_frame(const uint8_t* frame, std::size_t length) {
  XferFrame f;
  if (frame == nullptr || length < 4 || frame[0] != kTypeFile) return f;
  // The name's NUL must come before the two CRC bytes.
  const uint8_t* end = frame + length - 2;
  const auto* nul = static_cast<const uint8_t*>(std::memchr(frame + 1, 0, static_cast<std::size_t>(end - (frame + 1))));
  if (nul == nullptr) return f;
  f.name.assign(reinterpret_cast<const char*>(frame + 1), static_cast<std::size_t>(nul - (frame + 1)));
  f.data_at = static_cast<std::size_t>(nul - frame) + 1;
  f.data_length = length - 2 - f.data_at;
  f.ok = true;
  return f;
}

bool xfer_name_acceptable(const std::string& name) {
  if (name.empty() || name == "." || name.find("..") != std::string::npos) return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

std::string xfer_base_name(const std::string& path) {
  const auto at = path.find_last_of("/\\");
  return at == std::string::npos ? path : path.substr(at + 1);
}

void xfer_set_file_path(const char* path) { xfer_file_state().file_path = path == nullptr ? "" : path; }
const std::string& xfer_file_path() { return xfer_file_state().file_path; }
void xfer_set_dest_cstring(const char* address) { xfer_set_dest_address(address); }

int xfer_request_send() {
  const std::string dest = xfer_dest_address();
  if (dest.empty() || db_find_other_address_index(dest.c_str()) < 0) return 0;
  // The AQC-ALE address words of the transfer's frames ask for an acknowledgement.
  aqc_set_first_word_flag(1);
  aqc_set_second_word_flag(1);
  const std::string& path = xfer_file_path();
  ApiEvent* e = api_alloc(static_cast<int>(path.size()));
  if (e == nullptr) return 0;
  e->kind = API_FILE_SEND;
  std::strncpy(e->addresses[0], dest.c_str(), kApiAddressSize - 1);
  e->address_count = 1;
  std::memcpy(e->payload(), path.data(), path.size());
  return api_post(e);
}

void xfer_use_dbm_for_ftp() {
  if (db_get_linked_twx() == 0) {
    db_set_linked_twx(1);
    log_printf("[%s][%s][OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DBM FTP]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str());
  }
  xfer_file_state().modem_transfer = 0;
  xfer_select_dbm_path();
}

void xfer_use_modem_for_ftp() {
  xfer_file_state().modem_transfer = 1;
  xfer_select_modem_path();
}

void xfer_send_file(const ApiEvent& event) {
  // The request's own address and path: a later request never redirects this one.
  char dest[kApiAddressSize];
  std::memcpy(dest, event.addresses[0], kApiAddressSize);
  dest[kApiAddressSize - 1] = '\0';
  const std::string path(event.payload(), static_cast<std::size_t>(std::max(event.payload_length, 0)));
  if (xfer_base_name(path).empty()) {
    log_local("Unable to open File", path);
    return;
  }
  const fs::path file = find_file(station_path(path));
  // The name sent is the file's own, case kept.
  const std::string name = file.filename().string();
  std::error_code ec;
  const auto size = fs::file_size(file, ec);
  if (ec || !fs::is_regular_file(file, ec)) {
    log_local("Unable to open File", path);
    return;
  }
  // Sized before it is read: a file that cannot fit a frame is never read.
  const std::size_t frame_length = 1 + name.size() + 1 + static_cast<std::size_t>(size) + 2;
  if (frame_length > kXferFrameMax) {
    log_printf("[%s][LOCAL][ERROR] FTP File too large > %ju Transfer failed\n", log_time_stamp().c_str(),
               static_cast<uintmax_t>(size));
    return;
  }
  std::vector<uint8_t> data(static_cast<std::size_t>(size));
  {
    std::ifstream in(file, std::ios::binary);
    if (in) in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!in || static_cast<std::size_t>(in.gcount()) != data.size()) {
      log_local("Unable to open File", path);
      return;
    }
  }
  ale_end_calls_with_tis();
  db_set_dbm_arq();
  std::vector<uint8_t> frame = xfer_build_frame(name, data.data(), data.size());
  // A file that the send queue cannot take whole is refused before anything is sent.
  if (xfer_path() == XFER_PATH_DBM && dbm_binary_ended_fits(static_cast<int>(frame.size())) == 0) return;
  if (xfer_file_state().hooks.call_unless_linked) xfer_file_state().hooks.call_unless_linked(dest);
  xfer_encrypt(frame.data() + 1, frame.size() - 1);
  if (xfer_send_payload_to(dest, frame.data(), frame.size(), 0) == 0) {
    log_printf("[%s][LOCAL][ERROR] FTP file not sent: no file transfer on this data path %s\n",
               log_time_stamp().c_str(), path.c_str());
    return;
  }
  log_printf("[%s][LOCAL][SENDING] %s\n", log_time_stamp().c_str(), path.c_str());
}

void xfer_receive(const uint8_t* payload, std::size_t length, const char* from) {
  if (payload == nullptr || length == 0) return;
  if (payload[0] == kTypeFile) {
    receive_file(std::vector<uint8_t>(payload, payload + length), from);
  } else if (payload[0] == kTypeReport) {
    const auto* text = reinterpret_cast<const char*>(payload + 1);
    const std::size_t n = strnlen(text, length - 1);
    log_printf("[%s][REMOTE][TRANSFER] %.*s\n", log_time_stamp().c_str(), static_cast<int>(n), text);
  }
}

void xfer_frame_ended() {
  const char* caller = ale_frame_caller();
  for (XferReport& r : xfer_file_state().reports) {
    if (!r.address_pending) continue;
    if (caller != nullptr && caller[0] != '\0') r.address = caller;
    r.address_pending = false;
  }
}

void xfer_report_timer() {
  XferFileState& s = xfer_file_state();
  const int64_t now = station().clock().mono_ms();
  while (!s.reports.empty() && s.reports.front().due_ms <= now) {
    const XferReport r = std::move(s.reports.front());
    s.reports.pop_front();
    aqc_set_first_word_flag(1);
    aqc_set_second_word_flag(1);
    xfer_send_payload_on(r.path, r.address.c_str(), r.frame.data(), r.frame.size(), 0);
  }
  if (!s.reports.empty())
    timer_start(EV_XFER_REPORT_TIMER, static_cast<int>(std::max<int64_t>(s.reports.front().due_ms - now, 10)));
}

}  // namespace vesk
