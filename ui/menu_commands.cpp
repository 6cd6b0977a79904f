#include "ui/menu_commands.h"

#include <cstdio>
#include <filesystem>

#include "ale/engine/api_event.h"
#include "ale/link/call_setup.h"
#include "command/interpreter.h"
#include "command/listings.h"
#include "command/scripts.h"
#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "ui/station_app.h"

namespace vesk {

namespace {

// The station's file functions take names in the station folder (a leading "/" is dropped
// there): a chosen absolute path is handed over relative to the folder.
std::string station_relative(const std::string& path) {
  const std::filesystem::path p(path);
  if (!p.is_absolute()) return path;
  return p.lexically_relative(station().dir()).string();
}

void post_api(int kind) {
  if (ApiEvent* e = api_alloc(0)) {
    e->kind = kind;
    api_post(e);
  }
}

// Steps 2 and 3 of a scan start.
void listen_and_twa() {
  if (db_get_listen_mode() == 1) {
    db_set_listen_mode(0);
    log_stamped_line("OPTIONS: LISTEN MODE DISABLED AT SCANNING START");
  }
  if (db_get_twa_secs() == 0) {
    db_set_twa_secs(300);
    log_stamped_line("OPTIONS: TWA RESET TO 300 FROM 0 AT SCANNING START");
  }
}

}  // namespace

void app_start_scan() {
  if (db_get_linked_twx() == 0) {
    db_set_linked_twx(1);
    log_stamped_line("OPTIONS: LINKED TWX AUTOMATICALLY ENABLED AT SCANNING START");
  }
  listen_and_twa();
  db_set_mode_resend();
  post_api(API_START_SCANNING);
}

void app_toggle_scan() {
  listen_and_twa();
  post_api(API_TOGGLE_SCANNING);
}

void app_stop_scan() {
  post_api(API_STOP_SCANNING);
  mmi_post_task(radio_scan_stop);
}

void app_step(bool forward) {
  mmi_post_task([forward] {
    db_set_mode_resend();
    forward ? radio_channel_up() : radio_channel_down();
    report_refresh_status_bar();
  });
}

void app_kill() { mmi_post_task(ale_abort); }
void app_clear_screen() { display_clear_monitor(); }
void app_mute_toggle() { mmi_post_task(radio_mute_toggle); }
void app_mute(bool on) { mmi_post_task(on ? radio_mute_on : radio_mute_off); }
void app_push_to_talk() { mmi_post_task(ptt_toggle); }
// The identification keys, plays and unkeys: it returns when done, so never on the window.
void app_voice_id() { mmi_post_task([] { station_app_tools_voice_id(); }); }

void app_reset_amd(bool yes) {
  if (!yes) return;
  db_clear_amd_store();
  log_stamped_line("OPSEC: All stored AMD messages have been deleted by the user");
}

void app_load_qrg(const std::string& path) { mmi_post_script(station_relative(path)); }

bool app_dump_qrg_now(const std::string& path) {
  const std::string name = station_relative(path);
  const std::filesystem::path target = station().path(name);
  std::filesystem::path temp = target;
  temp += ".tmp";
  std::error_code ec;
  if (script_dump_database(name + ".tmp") == 1) {
    std::filesystem::rename(temp, target, ec);
    if (!ec) return true;
  }
  std::filesystem::remove(temp, ec);
  log_stamped_line("FILE ERROR: QRG FILE " + path + " NOT WRITTEN, THE OLD FILE IS KEPT");
  return false;
}

void app_dump_qrg(const std::string& path) { mmi_post_task([path] { app_dump_qrg_now(path); }); }

}  // namespace vesk
