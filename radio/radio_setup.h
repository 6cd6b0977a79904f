// Radio set-up: brings the station's serial hardware into its working state for the
// configured radio type.
//
// `radio_setup` closes the radio, PTT-line, tuner and antenna-switch ports; opens the radio
// port with the type's settings (radio/setup_table.h) or the operator's; sets the radio's
// reply terminators; runs the type's start steps and set-up commands with their "Radio
// Setup" lines; releases the transmitter and mutes the receiver as for an unlinked station;
// opens the emulation port; then the PTT-line, tuner, antenna-switch and TNC ports. A port
// that cannot be opened is reported (radio_hooks.h `message_box`) and ends the set-up.
//
// It runs on its caller's thread and pauses that thread between commands; two set-ups never
// run at once. Types whose driver is not built yet write one line and open no radio port;
// the steps after the radio block still run.
#pragma once

#include <string>

namespace vesk {

struct SetupScript;

void radio_setup();

// The settings text the radio block of `type` opens the port with, from the type's row and
// the configured values; empty for a type without a block.
std::string radio_setup_settings_text(int type);

// True when the set-up, channel setting, keying and muting of `type` are built (every make
// with command builders, and NONE); the generic command file and the plug-in library types
// come with their own.
bool radio_type_driver_built(int type);

// One "[time][channel][Radio Setup: <text>]" line, and the text of the line that says the
// preconfiguration switch is on; the families' set-up commands write them.
void radio_setup_line(const std::string& text);
inline constexpr const char* kPreconfigDisabledLine = "Radio Setup Preconfiguration is Disabled";
// Runs a model's set-up script (radio/drivers/setup_script.h); `preconfig_off` leaves its
// preconfiguration out.
void radio_setup_run_script(const SetupScript& script, bool preconfig_off);

}  // namespace vesk
