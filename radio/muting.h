// Receiver muting, and the radio-side hooks of link start, link end and scanning.
//
// Muting is a CAT command of the radio (its audio gain at the muted or normal level, or a
// mute command) when the CAT muting switch is on, else the RTS and/or DTR line of the line
// port (radio/keying.h `radio_line_port`). Unmuting drives only that port; no line is raised
// on the radio port unless it is the line port.
#pragma once

namespace vesk {

void radio_mute_on();
void radio_mute_off();
void radio_mute_toggle();
int radio_muting_get();
void radio_on_linked();
void radio_on_unlinked();
void radio_scan_start();
void radio_scan_stop();
void radio_mute_lines_on();
void radio_mute_lines_off();

}  // namespace vesk
