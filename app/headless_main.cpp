// vesk-ale-headless: the whole station without a window. Log lines and the status texts go to
// standard output; SIGINT and SIGTERM run the orderly shut-down (exit status 1 when "ALE.DAT"
// could not be saved); EXIT and QUIT end at once (EXIT, too, with 1 when its save failed).
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "db/log.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "ui/station_app.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: vesk-ale-headless [--dir DIR] [--audio-in DEVICE] [--audio-out DEVICE] [-P<host port>]\n"
               "  DEVICE: alsa:NAME, null or wav:PATH (default: the options' ALSA devices)\n");
}

void print_line(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = std::filesystem::current_path();
  vesk::StationAppConfig config;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if ((arg == "--audio-in" || arg == "--audio-out") && i + 1 < argc &&
               vesk::snd_device_spec_valid(argv[i + 1])) {
      (arg == "--audio-in" ? config.audio_in : config.audio_out) = argv[++i];
    } else if (arg == "--help" || arg == "-h") {
      usage();
      return 0;
    } else if (arg.rfind("--", 0) != 0) {
      config.args.push_back(arg);  // the station's own parameters ("-P23", a document)
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
  vesk::log_set_sink([](vesk::LogText, const std::string& line) { print_line(line); });
  config.print = print_line;
  // EXIT and QUIT end the process from the thread that ran the command; the station's
  // threads are not waited for (the shut-down sequence does not run).
  config.end_now = [](int status) {
    std::fflush(stdout);
    if (status != 0) std::fprintf(stderr, "vesk-ale-headless: ALE.DAT could not be saved\n");
    _exit(status);
  };
  vesk::station_app_start(config);
  vesk::log_printf("VESK-ALE headless station started in %s\n", st.dir().c_str());

  int sig = 0;
  sigwait(&stop_signals, &sig);

  const int ended = vesk::station_app_shutdown();
  if (ended == 0)
    for (;;) pause();  // EXIT or QUIT is ending the process
  std::printf("VESK-ALE headless station stopped (%s)\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
  std::fflush(stdout);
  // A station whose database was not saved ends with a failure, so a service manager notices.
  if (ended < 0) {
    std::fprintf(stderr, "vesk-ale-headless: ALE.DAT could not be saved\n");
    return 1;
  }
  return 0;
}
