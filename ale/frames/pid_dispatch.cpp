// PID-framed payloads: sending by data path and dispatch of received ones.
#include "ale/frames/pid_dispatch.h"

#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

template <typename F, typename... A>
bool call(const F& f, A&&... args) {
  if (!f) return false;
  f(std::forward<A>(args)...);
  return true;
}

}  // namespace

XferState& xfer_state() { return station().state<XferState>(); }

void xfer_select_dtm_path() { xfer_state().path = XFER_PATH_DTM; }
void xfer_select_dbm_path() { xfer_state().path = XFER_PATH_DBM; }
void xfer_select_modem_path() { xfer_state().path = XFER_PATH_MODEM; }
int xfer_path() { return xfer_state().path; }

int xfer_send_payload(const uint8_t* data, std::size_t length, int id) {
  if (data == nullptr || length == 0) return 0;
  const XferState& x = xfer_state();
  const XferSeams& s = x.seams;
  const int pid = data[0];
  const uint8_t* content = data + 1;
  const std::size_t content_length = length - 1;
  switch (x.path) {
    case XFER_PATH_DTM:
      return pid == PID_TEXT && call(s.dtm_text, content, content_length) ? 1 : 0;
    case XFER_PATH_DBM:
      // File-transfer frames go as DBM binary, reports as DTM binary; each message is closed
      // by a second call of length 0.
      if (pid == PID_FILE_FRAME || pid == PID_FILE_REPORT) {
        const auto& binary = pid == PID_FILE_FRAME ? s.dbm_binary : s.dtm_binary;
        if (!binary) return 0;
        binary(data, length);
        binary(data, 0);
        return 1;
      }
      return pid == PID_TEXT && call(s.dbm_text, content, content_length) ? 1 : 0;
    case XFER_PATH_MODEM:
      if (db_get_data_link_mode() == kDataLinkAsync) {
        if (!s.modem_send_async) return 0;
        call(s.modem_set_tx_mode_from_rate);
        s.modem_send_async(data, length);
        return 1;
      }
      if (db_get_data_link_mode() == kDataLinkFs1052) return call(s.fs1052_send, data, length, id) ? 1 : 0;
      return 0;
    default:
      return 0;
  }
}

void xfer_dispatch_pid(const uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return;
  const XferSeams& s = xfer_state().seams;
  switch (data[0]) {
    case PID_FILE_FRAME:
    case PID_FILE_REPORT:
      call(s.file_transfer_rx, data, length);
      break;
    case 2:
    case 3:
      break;
    case PID_TEXT: {
      const char* text = reinterpret_cast<const char*>(data + 1);
      if (s.data_pane) {
        s.data_pane(text, length - 1);
      } else {
        log_frame_write(text, length - 1);
      }
      break;
    }
    default:
      log_printf("Unknown PID received %.2X\n", data[0]);
      break;
  }
}

}  // namespace vesk
