// The SET command: one setting of the station from a command line (an option, a channel
// field, the scan group, the station address, the antenna port, tuner delays, the TNC model,
// the sound levels, the transmitter key).
#pragma once

#include "command/interpreter.h"

namespace vesk {

void mmi_cmd_set(MmiLine& line);

}  // namespace vesk
