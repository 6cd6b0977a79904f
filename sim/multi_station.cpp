#include "sim/multi_station.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <thread>

#include "ale/engine/timer.h"
#include "command/host_port.h"
#include "ale/messages/file_transfer.h"
#include "command/interpreter.h"
#include "db/options.h"
#include "db/log.h"
#include "db/scan.h"
#include "modem/sound_card.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "sim/ether.h"
#include "ui/config_dialogs.h"
#include "ui/message_dialogs.h"
#include "ui/station_app.h"
#include "ui/station_wiring.h"

namespace vesk {

namespace fs = std::filesystem;

namespace {

void sim_note(const std::string& text) { log_stamped_line("SIM: " + text); }

// The serial-tone dialogs' OK buttons; a line that cannot be read is logged and does nothing.
void run_mil110_line(const std::string& line) {
  std::istringstream in(line);
  std::string verb, a, b, extra;
  in >> verb >> a >> b;
  const bool complete = !a.empty() && !b.empty() && !(in >> extra);
  if (verb == kSimMil110Options) {
    // LINK TWX, optionally followed by CARRIER RATE.
    std::istringstream all(line);
    std::vector<std::string> words;
    for (std::string w; all >> w;) words.push_back(w);
    auto number = [](const std::string& text, long* out) {
      char* end = nullptr;
      *out = std::strtol(text.c_str(), &end, 10);
      return !text.empty() && *end == '\0';
    };
    long link = -1, twx = -1, carrier = 0, rate = 0;
    const bool good = (words.size() == 3 || words.size() == 5) && number(words[1], &link) && number(words[2], &twx) &&
                      link >= 0 && link <= 2 && twx >= 0 && twx <= 2 &&
                      (words.size() == 3 || (number(words[3], &carrier) && number(words[4], &rate) &&
                                             (carrier == 1200 || carrier == 1500 || carrier == 1800) &&
                                             std::find(kMil110Bandwidths.begin(), kMil110Bandwidths.end(), rate) !=
                                                 kMil110Bandwidths.end()));
    if (!good) {
      sim_note("USAGE " + std::string(kSimMil110Options) + " LINK(0-2) TWX(0-2) [CARRIER(1200|1500|1800) RATE(6400|7200|8000|9600)]");
      return;
    }
    if (words.size() == 5) {
      mil110_choose_carrier(carrier == 1800 ? kCarrier1800 : carrier == 1500 ? kCarrier1500 : kCarrier1200);
      mil110_choose_symbol_rate(static_cast<int>(std::find(kMil110Bandwidths.begin(), kMil110Bandwidths.end(), rate) -
                                                 kMil110Bandwidths.begin()));
    }
    mil110_options_ok(static_cast<int>(link), static_cast<int>(twx));
    return;
  }
  if (!complete) {
    sim_note("USAGE " + std::string(kSimMil110) + " ADDRESS FILE");
    return;
  }
  std::ifstream file(b, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  if (!file) {
    sim_note("CANNOT READ " + b);
    return;
  }
  const DialogOutcome out = mil110_ok(text.str(), a, false, false);
  if (!out.box_text.empty()) sim_note(out.box_text);
}

// A command line for a station. "@SENDFILE" is the file dialog's send button: it requests the
// file transfer that DBMFTP prepared ("@SENDFILE MODEM" with the serial-tone modem chosen as
// the dialog's path); "@MIL110..." are the serial-tone dialogs' buttons (the
// operator's dialogs are not part of the simulator).
void run_command(const std::string& line) {
  const std::string first = line.substr(0, line.find(' '));
  if (line == kSimSendFile) {
    xfer_request_send();
  } else if (line == kSimSendFileModem) {
    xfer_use_modem_for_ftp();
    xfer_request_send();
  } else if (first == kSimMil110 || first == kSimMil110Options) {
    run_mil110_line(line);
  } else {
    mmi_run_line(line);
  }
}

}  // namespace

namespace {

// The stations move together in steps of this many simulated milliseconds (the engine
// worker's own pause between passes).
constexpr int64_t kStepMs = 1;

bool parse_number(const std::string& text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text.c_str(), &end);
  return !text.empty() && end != text.c_str() && *end == '\0';
}

struct SimStation {
  std::string name;
  fs::path work;  // the copy of the station folder the station runs in
  std::unique_ptr<Station> st;
  bool ended = false;
};

// Runs `fn` with the station current and its clock moving by itself, so that a command
// that waits (DELAY, QUIT's pause) finishes; the station then simply stays ahead until the
// others catch up.
template <class F>
void with_own_time(SimStation& s, F fn) {
  StationScope scope(*s.st);
  s.st->sim_clock()->set_auto_advance(true);
  fn();
  s.st->sim_clock()->set_auto_advance(false);
}

std::string time_prefix(int64_t ms) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%4lld.%03lld ", static_cast<long long>(ms / 1000),
                static_cast<long long>(ms % 1000));
  return buf;
}

}  // namespace

bool sim_parse_utc(const std::string& text, int64_t* out_ms) {
  double seconds = 0;
  if (parse_number(text, &seconds) && seconds >= 0) {
    *out_ms = static_cast<int64_t>(seconds) * 1000;
    return true;
  }
  std::tm tm{};
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                  &tm.tm_min, &tm.tm_sec, &consumed) != 6)
    return false;
  const std::string rest = text.substr(static_cast<std::size_t>(consumed));
  if (!rest.empty() && rest != "Z") return false;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  const time_t t = timegm(&tm);
  if (t < 0) return false;
  *out_ms = static_cast<int64_t>(t) * 1000;
  return true;
}

std::string sim_parse_args(const std::vector<std::string>& args, SimOptions* out) {
  SimOptions o;
  std::map<std::string, int64_t> clock_offsets;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--host-ports") {
      o.host_ports = true;
      continue;
    }
    if (a == "--spectrum") {
      o.spectrum = true;
      continue;
    }
    if (a == "--keep") {
      o.keep_folders = true;
      continue;
    }
    if (i + 1 >= args.size()) return "missing value after " + a;
    const std::string& v = args[++i];
    double x = 0;
    if (a == "--station") {
      const std::size_t colon = v.find(':');
      if (colon == 0 || colon == std::string::npos || colon + 1 == v.size()) return "--station wants NAME:DIR";
      o.stations.push_back({v.substr(0, colon), v.substr(colon + 1)});
    } else if (a == "--channel") {
      FadingPreset p;
      if (v != "clean" && v != "awgn" && !(fading_preset_from_text(v, &p) && p != FadingPreset::None))
        return "--channel wants clean, awgn, good, moderate, poor or flutter";
      o.channel = v;
    } else if (a == "--snr" && parse_number(v, &x)) {
      o.snr_db = x;
    } else if (a == "--snr-at") {
      const std::size_t colon = v.find(':');
      double hz = 0;
      if (colon == std::string::npos || !parse_number(v.substr(0, colon), &hz) ||
          !parse_number(v.substr(colon + 1), &x) || hz < 0 || hz > 2147483647.0)
        return "--snr-at wants FREQ_HZ:DB";
      o.snr_at_hz[static_cast<int>(hz)] = x;
    } else if (a == "--snr-from") {
      const std::size_t colon = v.find(':');
      double seconds = 0;
      if (colon == std::string::npos || !parse_number(v.substr(0, colon), &seconds) ||
          !parse_number(v.substr(colon + 1), &x) || seconds < 0 || seconds > 86400.0 * 366)
        return "--snr-from wants SECONDS:DB";
      o.snr_from_ms[static_cast<int64_t>(seconds * 1000)] = x;
    } else if (a == "--seed" && parse_number(v, &x) && x >= 0) {
      o.seed = static_cast<uint64_t>(x);
    } else if (a == "--start") {
      if (!sim_parse_utc(v, &o.start_utc_ms)) return "--start wants YYYY-MM-DDTHH:MM:SS or seconds since 1970";
    } else if (a == "--seconds" && parse_number(v, &x) && x >= 0 && x <= 86400.0 * 366) {
      o.duration_ms = static_cast<int64_t>(x * 1000);
    } else if (a == "--clock") {
      const std::size_t colon = v.find(':');
      if (colon == 0 || colon == std::string::npos || !parse_number(v.substr(colon + 1), &x) || x < -86400 ||
          x > 86400)
        return "--clock wants NAME:SECONDS";
      clock_offsets[v.substr(0, colon)] = static_cast<int64_t>(x * 1000);
    } else if (a == "--at") {
      const std::size_t c1 = v.find(':');
      const std::size_t c2 = c1 == std::string::npos ? c1 : v.find(':', c1 + 1);
      if (c2 == std::string::npos || !parse_number(v.substr(0, c1), &x) || x < 0 || c2 == c1 + 1)
        return "--at wants SECONDS:NAME:COMMAND LINE";
      o.commands.push_back({static_cast<int64_t>(x * 1000), v.substr(c1 + 1, c2 - c1 - 1), v.substr(c2 + 1)});
    } else {
      return "bad argument " + a + " " + v;
    }
  }
  if (o.stations.empty()) return "no --station given";
  for (const auto& [name, offset] : clock_offsets) {
    bool known = false;
    for (SimStationSpec& s : o.stations)
      if (s.name == name) {
        s.clock_offset_ms = offset;
        known = true;
      }
    if (!known) return "--clock names no station " + name;
  }
  for (const SimCommand& c : o.commands) {
    bool known = false;
    for (const SimStationSpec& s : o.stations) known = known || s.name == c.station;
    if (!known) return "--at names no station " + c.station;
  }
  *out = std::move(o);
  return {};
}

int sim_run(const SimOptions& options, const std::function<void(const std::string&)>& print,
            const std::function<void(const std::string& station)>& at_end, const SimStep& on_step,
            const std::function<bool()>& until) {
  SimEtherConfig ether_config;
  ether_config.noise = options.channel != "clean";
  ether_config.snr_db = options.snr_db;
  ether_config.snr_at_hz = options.snr_at_hz;
  ether_config.snr_from_ms = options.snr_from_ms;
  ether_config.seed = options.seed;
  if (options.channel != "clean" && options.channel != "awgn")
    fading_preset_from_text(options.channel, &ether_config.fading);
  SimEther ether(ether_config);

  // Scratch copies of the station folders.
  char tmpl[] = "/tmp/vesk-ale-sim-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) {
    print("vesk-ale-sim: cannot make a scratch folder");
    return 1;
  }
  const fs::path scratch = tmpl;
  std::vector<std::unique_ptr<SimStation>> stations;
  int rc = 0;
  for (const SimStationSpec& spec : options.stations) {
    auto s = std::make_unique<SimStation>();
    s->name = spec.name;
    s->work = scratch / std::to_string(stations.size());
    std::error_code ec;
    fs::create_directories(s->work, ec);
    if (fs::is_directory(spec.dir)) fs::copy(spec.dir, s->work, fs::copy_options::recursive, ec);
    if (ec || !fs::exists(spec.dir)) {
      print("vesk-ale-sim: cannot use station folder " + spec.dir);
      rc = 1;
      break;
    }
    s->st = std::make_unique<Station>(s->work, std::make_unique<SimClock>(options.start_utc_ms + spec.clock_offset_ms));
    stations.push_back(std::move(s));
  }
  // --spectrum: each station's transmissions, as they end, in its own output.
  struct Reporter {
    Station* st;
    std::string name;
  };
  std::vector<Reporter> reporters;
  if (options.spectrum) {
    ether.set_transmission_report([&reporters, &print](int index, int64_t from, int64_t to, double centre_hz) {
      const Reporter& r = reporters[static_cast<std::size_t>(index)];
      char text[120];
      std::snprintf(text, sizeof text, "SIM: TRANSMISSION %.1f S, SPECTRUM CENTRE %.0f HZ",
                    static_cast<double>(to - from + 1) / kAudioRate, centre_hz);
      print(time_prefix(r.st->clock().mono_ms()) + r.name + " " + text);
    });
  }
  if (rc == 0) {
    for (auto& sp : stations) {
      SimStation& s = *sp;
      Station* st = s.st.get();
      const int index = ether.add_station(
          [st] {
            StationScope scope(*st);
            return db_get_current_rx_freq();
          },
          [st] {
            StationScope scope(*st);
            return db_get_current_tx_freq();
          });
      StationScope scope(*st);
      FakeSerialBackend::install();
      const std::string name = s.name;
      if (options.spectrum) reporters.push_back({st, name});
      log_set_sink([st, name, &print](LogText, const std::string& line) {
        std::string text = line;
        if (!text.empty() && text.back() == '\n') text.pop_back();
        print(time_prefix(st->clock().mono_ms()) + name + " " + text);
      });
      sound_card().device_hooks.make_device = [&ether, index](AudioDirection dir) {
        return ether.device(index, dir, station().clock());
      };
      StationAppConfig config;
      config.stepped = true;
      config.print = [st, name, &print](const std::string& text) {
        print(time_prefix(st->clock().mono_ms()) + name + " " + text);
      };
      SimStation* self = &s;
      config.end_now = [self](int) { self->ended = true; };
      with_own_time(s, [&] {
        station_app_start(config);
        if (options.host_ports) {
          db_set_host_ip(htonl(INADDR_LOOPBACK));
          db_set_tcp_port(0);
          host_start();
        }
      });
    }
    const auto wall_start = std::chrono::steady_clock::now();
    // The stations move together, one step at a time, in the order given.
    std::vector<SimCommand> commands = options.commands;
    std::size_t next_command = 0;
    std::stable_sort(commands.begin(), commands.end(),
                     [](const SimCommand& a, const SimCommand& b) { return a.at_ms < b.at_ms; });
    for (int64_t now = kStepMs; now <= options.duration_ms; now += kStepMs) {
      if (until && now % 1000 == 0 && until()) break;
      if (options.host_ports && now % 10 == 0)
        std::this_thread::sleep_until(wall_start + std::chrono::milliseconds(now));
      for (auto& sp : stations) {
        SimStation& s = *sp;
        if (s.ended) continue;
        StationScope scope(*s.st);
        SimClock* clock = s.st->sim_clock();
        if (clock->mono_ns() < now * 1000000) clock->advance_to_ns(now * 1000000);
        // A step that waits on the station's clock (a radio's pauses between commands on the
        // engine's thread) moves that station ahead; the others catch up.
        clock->set_auto_advance(true);
        station_app_step();
        clock->set_auto_advance(false);
        if (on_step) on_step(now, s.name);
      }
      while (next_command < commands.size() && commands[next_command].at_ms <= now) {
        const SimCommand& c = commands[next_command++];
        for (auto& sp : stations)
          if (sp->name == c.station && !sp->ended)
            with_own_time(*sp, [&] { run_command(c.line); });
      }
    }
    for (auto& sp : stations) {
      if (!sp->ended) {
        with_own_time(*sp, [&] {
          if (at_end) at_end(sp->name);
          station_app_shutdown();
        });
      } else {
        // A station that ended by EXIT or QUIT left the program at once; here its sound card,
        // tick and worker are taken down as the end of the process would.
        with_own_time(*sp, [&] {
          station_stop();
          snd_close();
          timer_tick_stop();
        });
      }
    }
  }
  // Stations go before their folders.
  for (auto& sp : stations) {
    StationScope scope(*sp->st);
    sp->st.reset();
  }
  if (options.keep_folders) {
    for (std::size_t i = 0; i < options.stations.size(); ++i)
      print("vesk-ale-sim: " + options.stations[i].name + "'s folder is kept in " + (scratch / std::to_string(i)).string());
    return rc;
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  return rc;
}

}  // namespace vesk
