// The station options dialog ("MIL-STD-188-141A Options") without the window: it works on a
// copy of the options; OK checks every field, then writes them under one database lock (the
// worker never sees half of them), applies the audio levels, saves, reruns the radio set-up
// when a device or port changed and sets the radio port's DTR line, on the command executor.
#pragma once

#include <string>
#include <vector>

#include "ui/config_dialogs.h"

namespace vesk {

struct OptionCheck {
  const char* text;
  std::size_t offset;
  bool stored;   // false: shown only (Linked TWX, Display Bad Data)
  bool enabled;  // false: a disabled control
};
struct OptionNumber {
  const char* text;
  std::size_t offset;
  long min, max;
  bool device;   // a port whose change reruns the radio set-up
};
const std::vector<OptionCheck>& option_checks();
const std::vector<OptionNumber>& option_numbers();

// The combo lists.
std::vector<std::string> option_radio_types();  // the "R1" entries (the typeable texts are not listed)
const std::vector<std::string>& option_atu_types();
const std::vector<std::string>& option_ant_switch_types();
const std::vector<std::string>& option_tnc_types();
const std::vector<std::string>& option_tnc_bauds();
const std::vector<std::string>& option_tnc_handshakes();
const std::vector<std::string>& option_tnc_modes();
std::vector<std::string> option_freq_offsets();

struct OptionsView {
  std::vector<bool> checks;         // as option_checks()
  int scan_rate = 0;                // 0 to 3: 1, 2, 5, 10
  std::vector<std::string> numbers; // as option_numbers()
  std::string motd, radio, atu, ant_switch, tnc_type, tnc_baud, tnc_handshake, tnc_mode, freq_offset;
};
// Fields that take the focus after a refusal: a number's index, or these.
inline constexpr int kFieldMotd = 1000, kFieldRadio = 1001, kFieldTncBaud = 1002, kFieldFreqOffset = 1003;

OptionsView options_open();
std::string option_radio_text(int type);
// The radio type of a typed text, or -1 when it matches nothing.
int option_radio_number(const std::string& text);
ConfigOutcome options_ok(const OptionsView& view);

}  // namespace vesk
