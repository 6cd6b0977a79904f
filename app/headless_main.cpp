// vesk-ale-headless: the whole station without a window. Log lines go to standard output;
// SIGINT and SIGTERM run the orderly shut-down.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ale/engine.h"
#include "ale/timer.h"
#include "db/daily_log.h"
#include "db/database.h"
#include "db/log.h"
#include "modem/sound_card.h"
#include "platform/station.h"

namespace {

void usage() {
  std::fprintf(stderr, "usage: vesk-ale-headless [--dir DIR] [--audio-in DEVICE] [--audio-out DEVICE] [-P<host port>]\n"
                       "  DEVICE: alsa:NAME, null or wav:PATH (default: the options' ALSA devices)\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = std::filesystem::current_path();
  std::string audio_in, audio_out;
  std::vector<std::string> station_args;  // "-P23" and the like: the station's own parameters
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if ((arg == "--audio-in" || arg == "--audio-out") && i + 1 < argc &&
               vesk::snd_device_spec_valid(argv[i + 1])) {
      (arg == "--audio-in" ? audio_in : audio_out) = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (arg.rfind("--", 0) != 0) {
      station_args.push_back(arg);
    } else {
      usage();
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (!std::filesystem::is_directory(dir)) {
    std::fprintf(stderr, "vesk-ale-headless: cannot use station folder %s\n", dir.c_str());
    return 1;
  }

  // Block the stop signals on every thread the station starts; the main thread waits for them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  vesk::Station st(std::filesystem::absolute(dir));
  vesk::StationScope scope(st);
  // Every log line goes to standard output as it is written (oldest first), one line each.
  vesk::log_set_sink([](vesk::LogText, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    if (line.back() != '\n') std::fputc('\n', stdout);
    std::fflush(stdout);
  });
  // QUIT and EXIT end the station through the same orderly shut-down as a stop signal.
  vesk::log_set_hooks([](vesk::LogHooks& h) { h.request_exit = [] { kill(getpid(), SIGTERM); }; });
  // The station database exists before anything else reads it.
  vesk::db_open();
  vesk::snd_set_device_specs(audio_in, audio_out);
  for (const std::string& arg : station_args) vesk::ale_command_line_add(arg);
  vesk::ale_engine_start();  // opens the daily log files, the sound card and the rest, in order
  vesk::log_printf("VESK-ALE headless station started in %s\n", st.dir().c_str());

  int sig = 0;
  sigwait(&stop_signals, &sig);

  // The engine's worker ends before the sound card is closed, the tick stopped and the
  // database saved.
  vesk::ale_engine_stop();
  vesk::snd_close();
  vesk::timer_tick_stop();
  vesk::db_save();
  // The document's close: file both log texts in the daily files.
  vesk::log_close_document();
  std::printf("VESK-ALE headless station stopped (%s)\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
  std::fflush(stdout);
  return 0;
}
