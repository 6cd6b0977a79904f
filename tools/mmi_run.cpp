// mmi-run: runs the lines of standard input through the command interpreter on a station in
// a folder (default: a fresh temporary one) and prints the log, oldest line first.
//
//   mmi-run [--dir DIR] [--audio DEVICE] < lines
//
// --audio opens the sound card on DEVICE ("null", "wav:PATH") for both directions first, so
// that commands which close and reopen it (ENABLE RESOURCES) can be seen at work.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "modem/sound_card.h"
#include "platform/station.h"

int main(int argc, char** argv) {
  std::string dir;
  std::string audio;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "--audio" && i + 1 < argc && vesk::snd_device_spec_valid(argv[i + 1])) {
      audio = argv[++i];
    } else {
      std::fprintf(stderr, "usage: mmi-run [--dir DIR] [--audio DEVICE] < lines\n");
      return 2;
    }
  }
  bool temporary = false;
  if (dir.empty()) {
    char tmpl[] = "/tmp/mmi-run-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
      std::perror("mmi-run");
      return 1;
    }
    dir = tmpl;
    temporary = true;
  }
  int status = 0;
  {
    vesk::Station st(std::filesystem::absolute(dir));
    vesk::StationScope scope(st);
    vesk::log_set_sink([](vesk::LogText, const std::string& line) {
      std::fwrite(line.data(), 1, line.size(), stdout);
      if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
    });
    vesk::db_open();
    if (!audio.empty()) {
      vesk::snd_set_device_specs(audio, audio);
      vesk::snd_bind_station_modules();
      vesk::snd_open();
    }
    // QUIT and EXIT end the run after their line.
    bool ended = false;
    vesk::log_set_hooks([&](vesk::LogHooks& h) { h.request_exit = [&] { ended = true; }; });
    std::string line;
    while (!ended && std::getline(std::cin, line)) vesk::mmi_run_line(line + "\n");
    vesk::snd_close();
    std::fflush(stdout);
  }
  if (temporary) {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  return status;
}
