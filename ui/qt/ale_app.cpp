#include "ui/qt/ale_app.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <utility>

#include "db/log.h"
#include "platform/station.h"
#include "platform/stop_signals.h"
#include "ui/command_line.h"
#include "ui/document.h"
#include "ui/qt/main_frame.h"
#include "ui/station_app.h"

namespace vesk {

namespace {

// While the window runs: the station's shut-down for an end by exit() from inside the window
// system's library (it ends the process so when the X display goes away), which returns to no
// caller. Empty outside that time.
std::function<void()> g_end_on_exit;

void end_station_at_exit() {
  const std::function<void()> end = std::exchange(g_end_on_exit, nullptr);
  if (!end) return;
  end();
  std::fflush(stdout);
  std::fflush(stderr);
  // The station's threads still run: the process ends here, with the status the library asked
  // for, before static objects they may use are destroyed.
  _exit(1);
}

void usage() {
  std::fprintf(stderr,
               "usage: vesk-ale [--dir DIR] [--audio-in DEVICE] [--audio-out DEVICE] [-P<host port>] [-FLAG]... "
               "[DOCUMENT]\n"
               "  DEVICE: alsa:NAME, null or wav:PATH (default: the options' ALSA devices)\n");
}

}  // namespace

int CALEApp::run(int argc, char** argv) {
  CALECommandLineInfo info;
  if (!info.parse(argc, argv)) {
    std::fprintf(stderr, "vesk-ale: %s\n", info.error.c_str());
    usage();
    return 2;
  }
  if (info.help) {
    usage();
    return 0;
  }
  namespace fs = std::filesystem;
  const fs::path dir = fs::absolute(info.dir.empty() ? fs::current_path() : fs::path(info.dir));
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) {
    std::fprintf(stderr, "vesk-ale: cannot use station folder %s\n", dir.c_str());
    return 1;
  }
  // The document named on the command line, relative to the station folder.
  std::string document;
  fs::path document_path;
  if (info.m_bPlainParam != 0) {
    document_path = fs::path(info.m_strPlainParam).is_absolute() ? fs::path(info.m_strPlainParam)
                                                                  : dir / info.m_strPlainParam;
    if (!doc_load(document_path, document)) {
      std::fprintf(stderr, "vesk-ale: cannot open document %s\n", document_path.c_str());
      return 1;
    }
  }

  // The stop signals are taken by the window thread only: every thread started later blocks them.
  // SIGHUP (the session that started the window ended) ends the station like the others.
  const sigset_t stop_signals = stop_signals_block();
  const int signal_fd = signalfd(-1, &stop_signals, SFD_CLOEXEC | SFD_NONBLOCK);

  QApplication app(argc, argv);
  QApplication::setApplicationName("VESK-ALE");
  Station st(dir);
  StationScope scope(st);
  if (!document.empty()) log_open_document(document);

  int status = 0;
  {
    CMainFrame frame(true);
    frame.document_path = document_path;
    frame.shutdown_hook = station_app_shutdown;
    QSocketNotifier stop_notifier(signal_fd, QSocketNotifier::Read);
    QObject::connect(&stop_notifier, &QSocketNotifier::activated, &frame, [&frame, signal_fd] {
      signalfd_siginfo si;
      while (read(signal_fd, &si, sizeof si) == static_cast<ssize_t>(sizeof si)) {
      }
      frame.close();
    });
    frame.show();
    // The X display going away ends the process through exit(): the station is shut down
    // there, once, as the window's close does, without the window.
    static const bool registered = std::atexit(end_station_at_exit) == 0;
    if (registered) g_end_on_exit = [&frame] { frame.end_without_window(); };

    StationAppConfig config;
    config.audio_in = info.audio_in;
    config.audio_out = info.audio_out;
    config.args = info.station_args();
    config.database_open = true;
    config.end_now = [](int status) {
      std::fflush(stdout);
      _exit(status);
    };
    // Start-up steps 6 to 15 once the window shows.
    QTimer::singleShot(0, &frame, [&frame, config] {
      station_app_start(config);
      frame.station_started();
    });
    app.exec();
    g_end_on_exit = nullptr;
    status = frame.shutdown_result() < 0 ? 1 : 0;
  }
  if (signal_fd >= 0) close(signal_fd);
  if (status != 0) std::fprintf(stderr, "vesk-ale: ALE.DAT could not be saved\n");
  return status;
}

}  // namespace vesk
