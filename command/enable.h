// ENABLE and DISABLE: the station's on/off switches, receiver muting, scanning, the copy of
// the log to the host client, the listing mode, and RESOURCES, which lends the sound card and
// the radio and PTT ports to another program for a while and takes them back.
#pragma once

#include "command/interpreter.h"

namespace vesk {

// What RESOURCES released, so that the next RESOURCES reclaims exactly that, and the link
// time-out it put aside (kept in memory only: "ALE.DAT" keeps the real value).
struct ResourcesState {
  bool sound = false;
  bool radio1 = false;
  bool alt_ptt = false;
  int saved_twa_secs = 0;
  bool twa_saved = false;
};

void mmi_cmd_enable(MmiLine& line);
void mmi_cmd_disable(MmiLine& line);
// RESOURCES: release the hardware when it is claimed, reclaim it when it is released.
void mmi_toggle_resources();

}  // namespace vesk
