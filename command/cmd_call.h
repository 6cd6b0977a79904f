// Call and message commands: CALL, CLEAR, GLOBAL, SELECTIVE, AMD (posted to the engine as
// API events), the settings that DBMARQ, DTMARQ and DBMFTP make, and KILL, START and STOP (to
// the engine directly).
#pragma once

#include "command/interpreter.h"

namespace vesk {

inline constexpr int kMmiTextMax = 90;  // characters of an AMD or allcall text

void mmi_cmd_call(MmiLine& line);
void mmi_cmd_clear(MmiLine& line);
void mmi_cmd_global(MmiLine& line);
void mmi_cmd_selective(MmiLine& line);
void mmi_cmd_amd(MmiLine& line);
void mmi_cmd_dbmarq(MmiLine& line);
void mmi_cmd_dtmarq(MmiLine& line);
void process_msgdbmftp_command(MmiLine& line);
void mmi_cmd_kill(MmiLine& line);
void mmi_cmd_stop(MmiLine& line);
void mmi_cmd_start(MmiLine& line);

}  // namespace vesk
