#include "ui/frame_actions.h"

#include <string>

#include "command/enable.h"
#include "command/host_port.h"
#include "command/interpreter.h"
#include "command/scripts.h"
#include "db/log.h"
#include "db/options.h"

namespace vesk {

namespace {

struct SwitchRow {
  FrameSwitch which;
  int (*get)();
  void (*set)(int on);
  const char* name;
};

const SwitchRow kSwitchRows[] = {
    {FrameSwitch::AqcAle, db_get_aqc_mode, db_set_aqc_mode, "AQC MODE"},
    {FrameSwitch::Sounding, db_get_sounding,
     [](int on) {
       if (on)
         db_enable_sounding();
       else
         db_disable_sounding();
     },
     "SOUNDING MODE"},
    {FrameSwitch::AqcBurst, db_get_aqc_burst, db_set_aqc_burst, "AQC BURST MODE"},
    {FrameSwitch::LinkedTwx, db_get_linked_twx, db_set_linked_twx, "LINKED TWX"},
};

}  // namespace

std::string frame_minimised_title(const std::string& text0, const std::string& text1, const std::string& text2) {
  const std::string field = text0.size() > 4 ? text0.substr(4) : std::string();
  return field + " " + text1 + " " + text2;
}

void frame_toggle(FrameSwitch which) {
  for (const SwitchRow& row : kSwitchRows) {
    if (row.which != which) continue;
    const int now = row.get();
    if (now != 0 && now != 1) return;  // an unknown value is left alone
    row.set(now == 1 ? 0 : 1);
    log_stamped_line(std::string("OPTIONS: ") + row.name + (now == 1 ? " DISABLED" : " ENABLED"));
    return;
  }
}

void frame_choose_twa(int index) {
  if (index < 0 || index >= static_cast<int>(kFrameTwaSecs.size())) {
    db_set_twa_secs(180);
    log_stamped_line("OPTIONS: ERROR. TWA SET TO 180 BY DEFAULT.");
    return;
  }
  const int secs = kFrameTwaSecs[static_cast<std::size_t>(index)];
  db_set_twa_secs(secs);
  log_stamped_line(secs == 0 ? "OPTIONS: TWA SET TO 0. TIMEOUT DISABLED" : "OPTIONS: TWA SET TO " + std::to_string(secs) + ".");
}

void frame_choose_sclc(int index) {
  if (index < 0 || index >= static_cast<int>(kFrameSclc.size())) {
    db_set_sclc(4);
    log_stamped_line("OPTIONS: ERROR. SCLC SET TO 4 BY DEFAULT.");
    return;
  }
  const int value = kFrameSclc[static_cast<std::size_t>(index)];
  db_set_sclc(value);
  log_stamped_line(value == 0 ? "OPTIONS: SCLC SET TO 0. AUTOMATIC MODE" : "OPTIONS: SCLC SET TO " + std::to_string(value) + ".");
}

void frame_run_macro(int index) {
  if (index < 0 || index >= kFrameMacros) return;
  const int n = index + 1;
  mmi_post_task([n] {
    script_run_file("MACRO" + std::to_string(n) + ".MAC");
    log_stamped_line("MMI CHANGE: MMI MACRO " + std::to_string(n) + " REQUEST EXECUTED");
  });
}

void frame_do_cmd(const std::string& text) {
  mmi_post_task([text] { host_handle_line(text.data(), text.size()); });
}

void frame_resources() { mmi_post_task(mmi_toggle_resources); }

}  // namespace vesk
