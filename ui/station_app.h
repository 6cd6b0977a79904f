// The application's start-up and shut-down without windows: what the application object and
// the main frame do around the engine, in their order. vesk-ale-headless runs one station with
// it; vesk-ale-sim runs several, stepped on simulated time.
//
// The station ends exactly once, by whichever comes first: the orderly shut-down (a stop
// signal, the end of a simulation) or the EXIT and QUIT commands, which end at once.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vesk {

struct StationAppConfig {
  // Sound devices ("null", "wav:PATH", "alsa:NAME"; empty: the options' ALSA devices).
  std::string audio_in;
  std::string audio_out;
  // The station's own command-line parameters ("-P23", a plain document name).
  std::vector<std::string> args;
  // No threads: the harness calls station_app_step on simulated time.
  bool stepped = false;
  // The database was opened already (the windowed program opens it with its main frame).
  bool database_open = false;
  // Prints one line of the program's own output (the status texts), without a line end.
  std::function<void(const std::string&)> print;
  // Ends the program after EXIT or QUIT (the transmitter released and the logs filed) with
  // the exit status asked for (1 when EXIT could not save "ALE.DAT").
  std::function<void(int)> end_now;
};

struct StationAppState {
  StationAppConfig config;
  // Set by the first of shut-down, EXIT and QUIT; the others then do nothing.
  std::atomic<bool> ending{false};
  bool started = false;
  // The status texts as last printed (any thread may post a refresh).
  std::mutex print_mutex;
  std::array<std::string, 18> printed_panes;
  // Tuning-display refreshes posted (this program draws no tuning display).
  std::atomic<long> audio_refreshes{0};
};
StationAppState& station_app();

// The neutral contact address of the start banner.
inline constexpr const char* kBannerContact = "OPERATOR@EXAMPLE.ORG";

// Brings the current station up: database, engine, first channel, banner and listings,
// status texts, "CONFIG.DAT", LINKED TWX, resources claimed. Returns 1.
int station_app_start(const StationAppConfig& config);
// The orderly shut-down: "SHUTDOWN.DAT", radio release (its commands sent, at most
// kRadioShutdownDrainMs waited for), engine stop, every serial port closed with its lines
// dropped, sound card, tick, "ALE.DAT", both log texts filed. Returns 1; -1 when "ALE.DAT" could not be saved (the
// failure is logged); 0 (and does nothing) when EXIT or QUIT is already ending the station.
int station_app_shutdown();
// A stop signal has come (from any thread): start-up and link scripts, DELAYs and the host
// client's lines stop at their next step, so the shut-down that follows is not held.
void station_app_request_stop();
// One pass of every station thread's step (stepped mode), after the clock has moved.
void station_app_step();

// EXIT and QUIT: "Goodbye......" is written, the transmitter released, the logs filed, and
// the program ends after a second (EXIT has saved "ALE.DAT" before).
void station_app_exit_now();
// Tools > Voice ID: keys, plays "voice_id.wav", releases (ale_send_voice_id); nothing until the
// station's resources are claimed at the end of its start-up. 1 when the sound was sent.
int station_app_tools_voice_id();
// A message posted to the main window (WM_REFRESH_STATUS prints the status texts;
// WM_REFRESH_AUDIO is counted); with a window attached it is handed to the window too.
void station_app_post_message(int message);
// A log text changed: a window attached is asked to show it.
void station_app_repaint();

// Start-up pieces, for tests.
void station_app_write_banner();
void station_app_fill_status_texts();
// Prints the status texts that changed since they were last printed.
void station_app_print_status();

}  // namespace vesk
