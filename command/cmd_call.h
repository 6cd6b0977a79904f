// Call and message commands: CALL, CLEAR, GLOBAL, SELECTIVE, AMD (posted to the engine as
// API events), DBMARQ, DTMARQ, 1052ARQ and DBMFTP (handed to the data-transfer layer), and
// KILL, START and STOP (to the engine directly).
#pragma once

#include <functional>
#include <string>

#include "command/interpreter.h"

namespace vesk {

// Where the data-message commands hand their text and settings: the data-transfer layer
// and the engine's entry points, filled in by those modules when they start.
struct CommandHandOver {
  std::function<void(const std::string& address)> xfer_set_dest_address;
  std::function<void()> xfer_select_dbm_path;
  std::function<void()> xfer_select_dtm_path;
  std::function<void()> xfer_select_modem_path;
  std::function<void(const std::string& text, int end_of_message)> xfer_send_text;
  std::function<void(const std::string& path)> xfer_set_file_path;
  // Modem transfer off and data path DBM for file transfers.
  std::function<void()> xfer_use_dbm_for_ftp;
  // KILL: abandon the call or link in progress (the state machine's abort).
  std::function<void()> ale_abort;
  // RESET ALECHAN: the radio takes the scan cursor's channel (scanning stopped) or the
  // working channel's split settings.
  std::function<void()> radio_reset_alechan;
};

CommandHandOver& command_hand_over();

inline constexpr int kMmiTextMax = 90;  // characters of an AMD or allcall text

void mmi_cmd_call(MmiLine& line);
void mmi_cmd_clear(MmiLine& line);
void mmi_cmd_global(MmiLine& line);
void mmi_cmd_selective(MmiLine& line);
void mmi_cmd_amd(MmiLine& line);
void mmi_cmd_dbmarq(MmiLine& line);
void mmi_cmd_dtmarq(MmiLine& line);
void mmi_cmd_1052arq(MmiLine& line);
void process_msgdbmftp_command(MmiLine& line);
void mmi_cmd_kill(MmiLine& line);
void mmi_cmd_stop(MmiLine& line);
void mmi_cmd_start(MmiLine& line);

}  // namespace vesk
