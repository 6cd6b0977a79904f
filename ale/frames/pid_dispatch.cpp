// PID-framed payloads: the data path and the dispatch of received ones.
#include "ale/frames/pid_dispatch.h"

#include <cstring>
#include <string>

#include "ale/engine/api_event.h"
#include "ale/frames/frame_sections.h"
#include "db/log.h"
#include "platform/station.h"

namespace vesk {

XferState& xfer_state() { return station().state<XferState>(); }

void xfer_select_dtm_path() { xfer_state().path = XFER_PATH_DTM; }
void xfer_select_dbm_path() { xfer_state().path = XFER_PATH_DBM; }
void xfer_select_modem_path() { xfer_state().path = XFER_PATH_MODEM; }
int xfer_path() { return xfer_state().path; }

namespace {

int post_data(const char* destination, int kind, int sub_op, const uint8_t* data, std::size_t length) {
  ApiEvent* e = api_alloc(static_cast<int>(length));
  if (e == nullptr) return 0;
  e->kind = kind;
  e->sub_op = sub_op;
  std::strncpy(e->addresses[0], destination, kApiAddressSize - 1);
  e->address_count = 1;
  if (length > 0) std::memcpy(e->payload(), data, length);
  return api_post(e);
}

}  // namespace

int xfer_send_payload(const uint8_t* data, std::size_t length, int id) {
  return xfer_send_payload_to(xfer_dest_address(), data, length, id);
}

int xfer_send_payload_to(const char* destination, const uint8_t* data, std::size_t length, int id) {
  return xfer_send_payload_on(xfer_path(), destination, data, length, id);
}

int xfer_send_payload_on(int path, const char* destination, const uint8_t* data, std::size_t length, int id) {
  if (data == nullptr || length == 0 || destination == nullptr) return 0;
  const int pid = data[0];
  switch (path) {
    case XFER_PATH_DTM:
      return pid == PID_TEXT ? post_data(destination, API_DTM_DATA, API_DATA_TEXT, data + 1, length - 1) : 0;
    case XFER_PATH_DBM:
      switch (pid) {
        // The null block after the message makes the receiver hand it on at once; the two are
        // queued together or not at all.
        case PID_FILE_FRAME: return post_data(destination, API_DBM_DATA, API_DATA_BINARY_ENDED, data, length);
        case PID_FILE_REPORT: return post_data(destination, API_DTM_DATA, API_DATA_BINARY_ENDED, data, length);
        case PID_TEXT: return post_data(destination, API_DBM_DATA, API_DATA_TEXT, data + 1, length - 1);
        default: return 0;
      }
    case XFER_PATH_MODEM: {
      const XferHooks& h = xfer_state().hooks;
      return h.modem_payload ? h.modem_payload(destination, data, length, id) : 0;
    }
    default: return 0;
  }
}

int xfer_send_text(const char* text, int end_flag) {
  if (text == nullptr) return 0;
  std::string payload(1, static_cast<char>(PID_TEXT));
  payload.append(text, strnlen(text, kXferTextMax));
  return xfer_send_payload(reinterpret_cast<const uint8_t*>(payload.data()), payload.size(), end_flag);
}

void xfer_dispatch_pid(const uint8_t* data, std::size_t length, const char* from) {
  if (data == nullptr || length == 0) return;
  switch (data[0]) {
    case PID_FILE_FRAME:
    case PID_FILE_REPORT:
      if (xfer_state().hooks.file_payload) xfer_state().hooks.file_payload(data, length, from);
      break;
    case 2:
    case 3:
      break;
    case PID_TEXT:
      log_frame_write(reinterpret_cast<const char*>(data + 1), length - 1);
      break;
    default:
      log_printf("Unknown PID received %.2X\n", data[0]);
      break;
  }
}

}  // namespace vesk
