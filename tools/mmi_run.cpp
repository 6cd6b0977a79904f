// mmi-run: runs the lines of standard input through the command interpreter on a station in
// a folder (default: a fresh temporary one) and prints the log, oldest line first.
//
//   mmi-run [--dir DIR] [--audio DEVICE] [--api] [--dump FILE] < lines
//
// --audio opens the sound card on DEVICE ("null", "wav:PATH") for both directions first, so
// that commands which close and reopen it (ENABLE RESOURCES) can be seen at work. Requests
// that lines post to the engine are run through the engine's dispatch after each line, or
// with --api printed instead (one line each, in posting order). --dump writes the frequency
// file of the tables at the end, once every request has been run.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "ale/dispatch/api_dispatch.h"
#include "ale/engine/api_event.h"
#include "command/interpreter.h"
#include "command/scripts.h"
#include "db/database.h"
#include "db/log.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "ui/station_wiring.h"

namespace {

void print_event(const vesk::ApiEvent& e) {
  std::printf("API kind=%d param=%d addresses=", e.kind, e.param);
  for (int i = 0; i < e.address_count; ++i) std::printf("%s%s", i ? "," : "", e.addresses[i]);
  std::printf(" text=\"%.*s\"\n", e.payload_length, e.payload());
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir, audio, dump;
  bool print_api = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (arg == "--audio" && i + 1 < argc && vesk::snd_device_spec_valid(argv[i + 1])) {
      audio = argv[++i];
    } else if (arg == "--dump" && i + 1 < argc) {
      dump = argv[++i];
    } else if (arg == "--api") {
      print_api = true;
    } else {
      std::fprintf(stderr, "usage: mmi-run [--dir DIR] [--audio DEVICE] [--api] [--dump FILE] < lines\n");
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
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int status = 0;
  {
    vesk::Station st(std::filesystem::absolute(dir));
    vesk::StationScope scope(st);
    vesk::log_set_sink([](vesk::LogText, const std::string& line) {
      std::fwrite(line.data(), 1, line.size(), stdout);
      if (line.empty() || line.back() != '\n') std::fputc('\n', stdout);
    });
    vesk::station_wire();
    // QUIT and EXIT end the run after their line.
    bool ended = false;
    vesk::log_hooks().request_exit = [&] { ended = true; };
    vesk::db_open();
    if (!audio.empty()) {
      vesk::snd_set_device_specs(audio, audio);
      vesk::snd_open();
    }
    vesk::api_queue_create();
    std::string line;
    while (!ended && std::getline(std::cin, line)) {
      vesk::mmi_run_line(line + "\n");
      while (vesk::ApiEvent* e = vesk::api_pop()) {
        if (print_api) {
          print_event(*e);
          vesk::api_free(e);
        } else {
          vesk::api_dispatch(e);
        }
      }
    }
    if (!dump.empty() && vesk::script_dump_database(dump) != 1) status = 1;
    vesk::snd_close();
    std::fflush(stdout);
  }
  if (temporary) {
    std::filesystem::remove_all(dir, ec);
  }
  return status;
}
