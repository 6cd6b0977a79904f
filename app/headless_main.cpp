// vesk-ale-headless: the whole station without a window. Log lines and the status texts go to
// standard output; SIGINT, SIGTERM and SIGHUP run the orderly shut-down (exit status 1 when
// "ALE.DAT" could not be saved), also while the start-up script runs; EXIT and QUIT end at once
// (EXIT, too, with 1 when its save failed).
#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "command/host_port.h"
#include "command/mail_port.h"
#include "db/log.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "platform/stop_signals.h"
#include "ui/station_app.h"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: vesk-ale-headless [--dir DIR] [--audio-in DEVICE] [--audio-out DEVICE] [-P<host port>]\n"
               "                         [--smtp-port N] [--pop3-port N] [--idle-timeout S]\n"
               "  DEVICE: alsa:NAME, null or wav:PATH (default: the options' ALSA devices)\n"
               "  --smtp-port, --pop3-port: start the mail gateway on these ports (defaults 25 and 110)\n"
               "  --idle-timeout: seconds after which a network client that sends nothing is dropped\n"
               "                  (the host port's only while another client waits; default 300)\n");
}

void print_line(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
  std::fflush(stdout);
}

// A number 0 to 65535 (a port, 0: any free one; or seconds); -1 for anything else.
int number_0_65535(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
  const int port = std::stoi(text);
  return port <= 65535 ? port : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = std::filesystem::current_path();
  vesk::StationAppConfig config;
  int smtp_port = -1, pop3_port = -1;
  int idle_timeout_s = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if ((arg == "--audio-in" || arg == "--audio-out") && i + 1 < argc &&
               vesk::snd_device_spec_valid(argv[i + 1])) {
      (arg == "--audio-in" ? config.audio_in : config.audio_out) = argv[++i];
    } else if ((arg == "--smtp-port" || arg == "--pop3-port") && i + 1 < argc && number_0_65535(argv[i + 1]) >= 0) {
      (arg == "--smtp-port" ? smtp_port : pop3_port) = number_0_65535(argv[++i]);
    } else if (arg == "--idle-timeout" && i + 1 < argc && number_0_65535(argv[i + 1]) > 0) {
      idle_timeout_s = number_0_65535(argv[++i]);
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
  const sigset_t stop_signals = vesk::stop_signals_block();
  // A file that reaches the file-size limit fails its write (and the station reports it)
  // instead of ending the process.
  signal(SIGXFSZ, SIG_IGN);

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
  if (smtp_port >= 0 || pop3_port >= 0) vesk::mail_set_ports(smtp_port, pop3_port);
  if (idle_timeout_s > 0) {
    vesk::host_set_idle_timeout_ms(idle_timeout_s * 1000);
    vesk::mail_set_idle_timeout_ms(idle_timeout_s * 1000);
  }

  // The stop signals are taken by a thread of their own, so one that comes while the start-up
  // script runs stops it at its next line instead of waiting for its end.
  std::mutex signal_mutex;
  std::condition_variable signal_cv;
  int sig = 0;
  std::thread signal_waiter([&] {
    int got = 0;
    sigwait(&stop_signals, &got);
    vesk::StationScope waiter_scope(st);
    vesk::station_app_request_stop();
    std::lock_guard<std::mutex> lock(signal_mutex);
    sig = got;
    signal_cv.notify_all();
  });

  vesk::station_app_start(config);
  vesk::log_printf("VESK-ALE headless station started in %s\n", st.dir().c_str());
  {
    std::unique_lock<std::mutex> lock(signal_mutex);
    signal_cv.wait(lock, [&] { return sig != 0; });
  }
  signal_waiter.join();

  const int ended = vesk::station_app_shutdown();
  if (ended == 0)
    for (;;) pause();  // EXIT or QUIT is ending the process
  std::printf("VESK-ALE headless station stopped (%s)\n",
              sig == SIGINT ? "SIGINT" : sig == SIGHUP ? "SIGHUP" : "SIGTERM");
  std::fflush(stdout);
  // A station whose database was not saved ends with a failure, so a service manager notices.
  if (ended < 0) {
    std::fprintf(stderr, "vesk-ale-headless: ALE.DAT could not be saved\n");
    return 1;
  }
  return 0;
}
