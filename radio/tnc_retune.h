// The radio's retune for TNC data and its undoing.
//
// Before an external TNC starts PACTOR the radio takes the configured TNC data mode and,
// when a frequency offset is configured, moves the current channel's receive frequency by it;
// when the TNC's link ends the radio goes back to its channel. Which radio types take the
// mode or the shift, and in which command form, is a field of its row; the commands
// themselves are the drivers' builders, reached through the radio's family operations, so a
// type whose driver is not built yet is skipped until it is.
#pragma once

namespace vesk {

// Retune for data: the mode command, then the frequency shift. Runs on the caller's thread
// and sleeps there between the commands of a split sequence (while scanning).
void radio_tnc_retune();
// Puts the channel back when the settings call for it (a data mode other than USB, or an
// offset) or when the last retune sent the radio anything.
void radio_tnc_restore();

// The TNC data mode settings (db_get_tnc_data_mode).
inline constexpr int TNC_DATA_USB = 0;
inline constexpr int TNC_DATA_LSB = 1;
inline constexpr int TNC_DATA_USB_D = 2;
inline constexpr int TNC_DATA_LSB_D = 3;
inline constexpr int TNC_DATA_FSK = 4;
inline constexpr int TNC_DATA_FSK_R = 5;
inline constexpr int TNC_DATA_PKT = 6;
inline constexpr int TNC_DATA_RTTY = 7;

}  // namespace vesk
