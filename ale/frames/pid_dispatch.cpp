// PID-framed payloads: the data path and the dispatch of received ones.
#include "ale/frames/pid_dispatch.h"

#include "db/log.h"
#include "platform/station.h"

namespace vesk {

XferState& xfer_state() { return station().state<XferState>(); }

void xfer_select_dtm_path() { xfer_state().path = XFER_PATH_DTM; }
void xfer_select_dbm_path() { xfer_state().path = XFER_PATH_DBM; }
void xfer_select_modem_path() { xfer_state().path = XFER_PATH_MODEM; }
int xfer_path() { return xfer_state().path; }

void xfer_dispatch_pid(const uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return;
  switch (data[0]) {
    // File-transfer frames and reports, and PIDs 2 and 3: for receivers this station does not
    // have.
    case PID_FILE_FRAME:
    case PID_FILE_REPORT:
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
