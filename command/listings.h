// Status report and table listings: the station's configuration and tables as log text.
//
// Each piece of a report is one newest-first log line, so a client reading the host port's
// copy of the log receives the pieces in the order written here. The listing mode chooses the
// form: MANUAL (operator tables with headings), UPLOAD and AUTO (bracketed records for a
// client program). The status-bar texts of panes 0 and 1 (channel, link state) are kept here
// for the window, or for the headless program, which prints them when they change.
#pragma once

#include <array>
#include <mutex>
#include <string>

#include "command/interpreter.h"

namespace vesk {

inline constexpr int LISTING_MANUAL = 0;
inline constexpr int LISTING_UPLOAD = 1;
inline constexpr int LISTING_AUTO = 2;

inline constexpr int kStatusPaneTexts = 18;

struct ReportState {
  std::mutex mutex;  // guards the pane texts
  std::array<std::string, kStatusPaneTexts> panes;
  int last_link_state = -1;  // the state at the previous status refresh
};
ReportState& report_state();

// "DD:HH:MM" of an age in minutes; "??:??:??" for the never-heard value.
std::string report_format_age(int minutes);
// "A" to "P" for the set bits 0 to 15 of a scan-group mask, "." for clear ones.
std::string report_group_letters(int mask);
// The status-bar text of an AleLinkState.
const char* report_link_state_text(int state);

void report_status();
void report_list_channels();
void report_list_channels_from(int first);
void report_list_own_addresses();
// The OTHER verb's word list (word 0 is the verb).
void report_list_other_addresses(const MmiLine& line);
void report_list_nets();
void report_net_detail(int net_index);
void report_list_keys();
// The status report, then the channel, other-address, own-address and net tables (ENABLE AUTO).
void report_full_listing();

// Panes 0 and 1 from the working channel and the link state, then WM_REFRESH_STATUS.
void report_refresh_status_bar();
void report_post_status_refresh();
void report_post_audio_update(int a, int b);
// Pane texts (0 to 17) for the window (pane 2, TX or RX, is the log layer's indicator);
// report_set_status_pane is the writer of panes 3 to 17.
std::string report_status_pane(int pane);
void report_set_status_pane(int pane, const std::string& text);

void mmi_cmd_own(MmiLine& line);
void mmi_cmd_other(MmiLine& line);
void mmi_cmd_channels(MmiLine& line);
void mmi_cmd_net(MmiLine& line);
void mmi_cmd_keys(MmiLine& line);
void mmi_cmd_options(MmiLine& line);
void mmi_cmd_status(MmiLine& line);
void mmi_cmd_manual(MmiLine& line);
void mmi_cmd_upload(MmiLine& line);

}  // namespace vesk
