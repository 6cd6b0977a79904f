// The status-bar texts of the modem and link options (panes 3 to 17): one table, used by the
// start-up and by the options dialogs, so one stored value shows one text; the broadcast
// transmissions alone differ: the start-up shows the stored count plus one, the FS-1052
// dialog the number as typed.
#pragma once

#include <string>

namespace vesk {

// Each returns the pane's text for the value; the "or_empty" forms return "" for a value
// without a text (the pane then keeps what it held).
std::string pane_twx_mode(int mode);          // 3
std::string pane_data_link_mode(int mode);    // 4
std::string pane_carrier_or_empty(int hz);    // 5
std::string pane_bandwidth_or_empty(int value);  // 6
std::string pane_broadcast_transmissions(int stored);  // 8 at start-up: the stored count plus one
std::string pane_broadcast_transmissions_typed(int typed);  // 8 after the FS-1052 dialog
std::string pane_broadcast_rate_or_empty(int index);   // 9
std::string pane_arq_mode_or_empty(int mode);          // 12
std::string pane_interleave_or_empty(int interleave);  // 13
// Sets the pane when the text is not empty.
void pane_set_if(int pane, const std::string& text);
// Panes 8 and 10 to 16 from the ten FED-STD-1052 values.
void panes_from_m110_params(const int* p);

// The broadcast rates by index 0 to 13 ("75S" ... "4800S").
inline constexpr const char* kBroadcastRates[14] = {"75S",   "75L",   "150S",  "150L",  "300S",  "300L",  "600S",
                                                    "600L",  "1200S", "1200L", "2400S", "2400L", "2400V", "4800S"};

}  // namespace vesk
