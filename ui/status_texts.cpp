#include "ui/status_texts.h"

#include "command/listings.h"

namespace vesk {

std::string pane_twx_mode(int mode) { return mode == 1 ? " LINKED   " : mode == 2 ? " ALWAYS   " : " OFF      "; }
std::string pane_data_link_mode(int mode) { return mode == 1 ? " FS1052   " : mode == 2 ? " 5066     " : " ASYNC    "; }

std::string pane_carrier_or_empty(int hz) {
  return hz == 1200 || hz == 1500 || hz == 1800 ? std::to_string(hz) + "hz" : std::string();
}

std::string pane_bandwidth_or_empty(int value) {
  switch (value) {
    case 6400: return "2.0Khz ";
    case 7200: return "2.25Khz";
    case 8000: return "2.5Khz ";
    case 9600: return "3.0Khz ";
    default: return {};
  }
}

std::string pane_broadcast_transmissions(int stored) { return "BRDT=" + std::to_string(static_cast<long>(stored) + 1); }
std::string pane_broadcast_transmissions_typed(int typed) { return "BRDT=" + std::to_string(typed); }

std::string pane_broadcast_rate_or_empty(int index) {
  return index >= 0 && index <= 13 ? std::string(" BRD") + kBroadcastRates[index] + " " : std::string();
}

std::string pane_arq_mode_or_empty(int mode) { return mode == 0 ? "V" : mode == 2 ? "C" : mode == 3 ? "F" : ""; }
std::string pane_interleave_or_empty(int interleave) { return interleave == 6 ? "S" : interleave == 7 ? "L" : ""; }

void pane_set_if(int pane, const std::string& text) {
  if (!text.empty()) report_set_status_pane(pane, text);
}

void panes_from_m110_params(const int* p) {
  report_set_status_pane(8, pane_broadcast_transmissions(p[8]));
  report_set_status_pane(10, p[0] == 1 ? "I" : " ");
  report_set_status_pane(11, p[1] == 1 ? "N" : " ");
  pane_set_if(12, pane_arq_mode_or_empty(p[2]));
  pane_set_if(13, pane_interleave_or_empty(p[3]));
  report_set_status_pane(14, "MIN=" + std::to_string(p[9]));
  report_set_status_pane(15, "FS=" + std::to_string(p[4]));
  report_set_status_pane(16, "RC=" + std::to_string(p[5]));
}

}  // namespace vesk
