// The operator's direct radio and tuner commands: RADCMD (a text to the radio), HEXRADCMD (bytes
// to the radio), ATU (a tuning cycle on the configured tuner) and LDG (one AT-200PC command).
#pragma once

#include "command/interpreter.h"

namespace vesk {

void mmi_cmd_radcmd(MmiLine& line);
void mmi_cmd_hexradcmd(MmiLine& line);
void mmi_cmd_atu(MmiLine& line);
void mmi_cmd_ldg(MmiLine& line);

}  // namespace vesk
