#include "ui/station_app.h"

#include <cstdio>
#include <string>

#include "ale/dispatch/engine.h"
#include "ale/link/link_state.h"
#include "ale/frames/voice_id.h"
#include "ale/engine/timer.h"
#include "command/interpreter.h"
#include "command/listings.h"
#include "command/scripts.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/keying.h"
#include "radio/radio_shutdown.h"
#include "ui/station_wiring.h"
#include "ui/status_texts.h"
#include "ui/window_posts.h"

namespace vesk {

StationAppState& station_app() { return station().state<StationAppState>(); }

namespace {

// A pause on the station's clock; in stepped mode the harness's clock is moved instead.
void app_pause_ms(int ms) {
  if (station_app().config.stepped && station().sim_clock() != nullptr)
    station().sim_clock()->advance_ms(ms);
  else
    station().clock().sleep_ms(ms);
}

}  // namespace

void station_app_exit_now() {
  StationAppState& app = station_app();
  if (app.ending.exchange(true)) return;
  ptt_off();
  log_close_document();
  app_pause_ms(1000);
  // No line of a port is left keying a transmitter when the process ends.
  serial_release_ports();
  if (app.config.end_now) app.config.end_now(display_exit_status());
}

int station_app_tools_voice_id() {
  if (db_get_resources() != 1) return 0;
  return ale_send_voice_id();
}

void station_app_post_message(int message) {
  if (message == WM_REFRESH_STATUS) station_app_print_status();
  if (message == WM_REFRESH_AUDIO) ++station_app().audio_refreshes;
  window_posts_message(message);
}

void station_app_repaint() { window_posts_repaint(); }

void station_app_write_banner() {
  const std::string frame(75, '*');
  log_stamped_line("Uncheck MOTD for hardware ALE stations or AQC-ALE interoperability.");
  log_stamped_line("Be sure to use widest IF BW filters and/or set IF SHIFT to 1625hz.");
  log_stamped_line(frame);
  log_stamped_line("VESK-ALE Standard Edition (SE) v2.00 started. Running build: B200A6        ");
  log_stamped_line(frame);
  log_stamped_line(frame);
  log_stamped_line("For a listing of QS/S supported radios in see Radio Help Guide Appendix A. ");
  log_stamped_line(frame);
  log_stamped_line(std::string(kBannerContact) + " WITH AS MUCH INFORMATION AS POSSIBLE FOR AN ANALYSIS.  ");
  log_printf("%s", "");
  log_stamped_line("THIS SOFTWARE TOOL ALTHOUGH IT HAS BEEN THOROUGHLY TESTED, MAY NOT BE ERROR");
  log_stamped_line(frame);
}

void station_app_fill_status_texts() {
  // Modes outside their tables are shown, and stored back, as 0.
  int twx = db_get_twx_mode();
  if (twx < 0 || twx > 2) twx = 0;
  db_set_twx_mode(twx);
  report_set_status_pane(3, pane_twx_mode(twx));
  int link = db_get_data_link_mode();
  if (link < 0 || link > 2) link = 0;
  db_set_data_link_mode(link);
  report_set_status_pane(4, pane_data_link_mode(link));
  // Texts without a row for the value keep what they held.
  pane_set_if(5, pane_carrier_or_empty(db_get_modem_centre_freq()));
  pane_set_if(6, pane_bandwidth_or_empty(db_get_modem_sample_rate()));
  report_set_status_pane(7, "7D1ST1SPNA");
  int32_t p[10];
  db_get_m110_params(p);
  pane_set_if(9, pane_broadcast_rate_or_empty(p[7]));
  panes_from_m110_params(p);
  report_set_status_pane(17, "ARQ" + db_get_data_rate());
  report_post_status_refresh();
}

void station_app_print_status() {
  StationAppState& app = station_app();
  if (!app.config.print) return;
  std::lock_guard<std::mutex> lock(app.print_mutex);
  for (int pane = 0; pane < kStatusPaneTexts; ++pane) {
    const std::string text = report_status_pane(pane);
    std::string& printed = app.printed_panes[static_cast<std::size_t>(pane)];
    if (text == printed) continue;
    printed = text;
    app.config.print("STATUS " + std::to_string(pane) + ": " + text);
  }
}

int station_app_start(const StationAppConfig& config) {
  StationAppState& app = station_app();
  app.config = config;
  station_wire();
  // The main frame's construction: the station database.
  if (!config.database_open) db_open();
  // The engine with every module built so far.
  snd_set_device_specs(config.audio_in, config.audio_out);
  for (const std::string& arg : config.args) ale_command_line_add(arg);
  station_start(config.stepped ? EngineRun::Stepped : EngineRun::Thread);
  radio_channel_up();
  report_refresh_status_bar();
  station_app_write_banner();
  // Listings framed by their end and begin lines, end line first (the monitor shows the
  // newest line on top).
  log_stamped_line("End of current GROUP/Channels listing");
  report_list_channels();
  log_stamped_line("Begin display of current GROUP/Channels listing");
  log_stamped_line("End of current OWN Address Book listing");
  report_list_own_addresses();
  log_stamped_line("Begin display of current OWN Address Book listing");
  station_app_fill_status_texts();
  script_run_file("CONFIG.DAT");
  if (db_get_linked_twx() == 0) {
    db_set_option_int(opt::LINKED_TWX, 1);
    log_stamped_line("OPTIONS: LINKED TWX AUTOMATICALLY ENABLED AT PROGRAM START");
  }
  db_set_resources(1);
  app.started = true;
  return 1;
}

void station_app_step() {
  ale_engine_step();
  snd_step();
  while (mmi_executor_step()) {
  }
}

void station_app_request_stop() { mmi_request_stop(false); }

int station_app_shutdown() {
  StationAppState& app = station_app();
  if (app.ending.exchange(true)) return 0;
  // Work in progress on other threads ends now; the shut-down script itself runs whole.
  mmi_request_stop(true);
  script_run_file("SHUTDOWN.DAT");
  // The radio handed back; its release commands leave before the engine stops, and a radio
  // that never answers holds the shut-down no longer than the bound.
  radio_shutdown();
  for (int waited = 0; waited < kRadioShutdownDrainMs && !radio_queue_drained(); waited += 10) {
    app_pause_ms(10);
    if (app.config.stepped) station_app_step();
  }
  app_pause_ms(100);
  station_stop();
  // Every port closed with RTS and DTR dropped: no line is left keying a transmitter.
  serial_release_ports();
  snd_close();
  timer_tick_stop();
  const bool saved = db_save() == 1;
  // The document's close: both log texts into the daily files.
  log_close_document();
  return saved ? 1 : -1;
}

}  // namespace vesk
