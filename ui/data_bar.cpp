#include "ui/data_bar.h"

#include <cctype>
#include <cstring>
#include <mutex>

#include "ale/link/amd_retry.h"
#include "ale/link/ale_timing.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "db/ale_chars.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "datalink/fs1052_binding.h"
#include "platform/station.h"
#include "radio/muting.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"

namespace vesk {

DataBarState& data_bar_state() { return station().state<DataBarState>(); }

namespace {

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string first_line(const std::string& s, std::size_t max) {
  std::string out = s.substr(0, s.find_first_of("\r\n"));
  if (out.size() > max) out.resize(max);
  return out;
}

bool all_in_64set(const std::string& s) {
  for (char c : s)
    if (!ale_char_in_64set(static_cast<unsigned char>(c))) return false;
  return true;
}

bool valid_address(const std::string& s) {
  if (s.empty() || s.size() > kDataBarAddressMax) return false;
  for (char c : s)
    if (!ale_char_in_38set(static_cast<unsigned char>(c)) && c != '@' && c != '?') return false;
  return true;
}

// Why ENTER refuses the fields, or empty when it does not.
std::string refusal(const DataBarFields& f) {
  const std::string address = first_line(f.address, kDataBarAddressMax + 1);
  if (!valid_address(upper(address))) return "DATA BAR: ADDRESS " + address + " IS NO ALE ADDRESS";
  if (db_get_aqc_mode() == 1 && address.size() > kDataBarAqcAddressMax)
    return "DATA BAR: ADDRESS " + address + " LONGER THAN 6 CHARACTERS FOR AQC-ALE";
  switch (f.mode) {
    case DataBarMode::Amd:
      if (!all_in_64set(upper(first_line(f.text, kDataBarAmdMax)))) return "DATA BAR: AMD TEXT OUTSIDE THE ALE 64 CHARACTER SET";
      break;
    case DataBarMode::Dtm:
    case DataBarMode::Dbm:
    case DataBarMode::Fs1052:
      if (f.text.size() > kDataBarTransferMax) return "DATA BAR: TEXT OVER 10000 CHARACTERS NOT SENT";
      break;
    default: break;
  }
  return {};
}

// The text ENTER takes for the mode (the field's first line, up to the mode's limit).
std::string mode_text(const DataBarFields& f) {
  if (f.mode == DataBarMode::Amd) return first_line(f.text, kDataBarAmdMax);
  if (f.mode == DataBarMode::Tnc) return first_line(f.text, kDataBarLastLineMax);
  return f.text.substr(0, f.text.find_first_of("\r\n"));
}

void set_linked_twx(int on, const char* line) {
  if (db_get_linked_twx() == on) return;
  db_set_linked_twx(on);
  log_stamped_line(line);
}

void immediate_call(const std::string& address, const char* line) {
  if (ale_is_idle() == 0) return;
  log_stamped_line(line);
  ale_end_calls_with_tis();
  ale_call_address(address.c_str(), "");
}

}  // namespace

DataBarCheck data_bar_check(const DataBarFields& f) {
  DataBarCheck c;
  if (f.command) return {true, true};
  if (first_line(f.address, kDataBarAddressMax + 1).empty()) return c;
  if (f.mode == DataBarMode::None) return {true, false};
  if (mode_text(f).empty()) return c;
  c.acts = true;
  c.clears_text = refusal(f).empty() &&
                  !(f.mode == DataBarMode::Tnc && !serial_control(SERIAL_ROLE_TNC).is_open());
  return c;
}

void data_bar_remember(const std::string& text) { data_bar_state().last_line = first_line(text, kDataBarLastLineMax); }
std::string data_bar_last_line() { return data_bar_state().last_line; }

void data_bar_enter(const DataBarFields& f) {
  if (f.command) {
    mmi_run_line(upper(first_line(f.text, kDataBarCommandMax)));
    return;
  }
  const std::string address = upper(first_line(f.address, kDataBarAddressMax + 1));
  ale_end_calls_with_tis();
  if (address.empty()) return;
  if (f.mode == DataBarMode::None) {
    log_stamped_line("DATA BAR: NO SEND MODE CHOSEN");
    return;
  }
  std::string text = mode_text(f);
  if (text.empty()) return;
  if (const std::string why = refusal(f); !why.empty()) {
    log_stamped_line(why);
    return;
  }
  switch (f.mode) {
    case DataBarMode::Amd:
      text = upper(text);
      set_linked_twx(1, "OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR AMD TWX");
      ale_set_amd_retry_counter(0);
      ale_send_amd_linked(address.c_str(), text.c_str());
      text += "\n";
      break;
    case DataBarMode::Dtm:
    case DataBarMode::Dbm: {
      const bool dtm = f.mode == DataBarMode::Dtm;
      xfer_set_dest_address(address.c_str());
      if (f.broadcast) {
        dtm ? db_set_dtm_broadcast() : db_set_dbm_broadcast();
        set_linked_twx(0, dtm ? "OPTIONS: LINKED TWX AUTOMATICALLY DISABLED FOR DTM BRD"
                              : "OPTIONS: LINKED TWX AUTOMATICALLY DISABLED FOR DBM BRD");
      } else {
        dtm ? db_set_dtm_arq() : db_set_dbm_arq();
        set_linked_twx(1, dtm ? "OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DTM ARQ"
                              : "OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR DBM ARQ");
      }
      immediate_call(address, dtm ? "DTM IMMEDIATE MODE INDIVIDUAL CALL LINK" : "DBM IMMEDIATE MODE INDIVIDUAL CALL LINK");
      dtm ? xfer_select_dtm_path() : xfer_select_dbm_path();
      text += "\n";
      ale_set_amd_retry_counter(-1);
      ui_transfer_send(text, 0);
      break;
    }
    case DataBarMode::Fs1052:
      xfer_set_dest_address(address.c_str());
      fs1052_set_remote_address(address.c_str());
      immediate_call(address, "FS-1052 IMMEDIATE MODE INDIVIDUAL CALL LINK");
      xfer_select_modem_path();
      text += "\n";
      ui_transfer_send(text, f.broadcast ? 1 : 0);
      break;
    case DataBarMode::Tnc: {
      text += "\n";
      if (!serial_control(SERIAL_ROLE_TNC).is_open()) {
        log_stamped_line("DATA BAR: TNC PORT CLOSED, TEXT NOT SENT");
        return;
      }
      const uint8_t start[] = {0x03, 'T'}, cr[] = {0x0D}, end[] = {0x03, 'E'};
      tnc_send(start, 2);
      for (std::size_t at = 0; at < text.size(); at += kTncPieceMax) {
        const std::size_t n = std::min(kTncPieceMax, text.size() - at);
        tnc_send(reinterpret_cast<const uint8_t*>(text.data() + at), static_cast<int>(n));
      }
      tnc_send(cr, 1);
      tnc_send(end, 2);
      timer_start_twa();
      break;
    }
    case DataBarMode::None: break;
  }
  data_bar_state().terminate_when_done = 0;
  log_frame_printf("[%s]>>[%s] %s\n", log_time_stamp().c_str(), address.c_str(), text.c_str());
}

bool ui_transfer_send(const std::string& text, int broadcast) {
  if (xfer_path() == XFER_PATH_MODEM) {
    xfer_send_modem_text(text, broadcast);
    return true;
  }
  return xfer_send_text(text.c_str(), 0) == 1;
}

bool data_bar_mils_brd_allowed() { return ale_link_state() == ALE_STATE_SCANNING_STOPPED; }

std::string data_bar_mils_brd() {
  std::string own;
  {
    DbLock lock;
    if (OwnAddressRecord* r = db_get_own_address(lock, 0); r != nullptr)
      own.assign(r->address, strnlen(r->address, sizeof r->address));
  }
  mmi_post_task([] {
    if (ale_link_state() != ALE_STATE_SCANNING_STOPPED) return;
    if (db_get_listen_mode() == 0) mmi_run_line(std::string("ENABLE LISTEN"));
    radio_on_linked();
    ale_enter_linked();
  });
  return own;
}

void ui_set_terminate_when_done(int flag) { data_bar_state().terminate_when_done = flag; }

void ui_message_sent(const char* address) {
  log_msg_sent(address);
  if (data_bar_state().terminate_when_done.load() == 1)
    ale_terminate_link(AddressList{address != nullptr ? std::string(address) : std::string()}, "");
}

}  // namespace vesk
