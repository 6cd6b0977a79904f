// catgen: prints the bytes that a radio type sends for one operation, and the pauses between
// them, as the station's own drivers build them on simulated time.
//
//   catgen --list                       the radio types, one a line
//   catgen TYPE freq HZ                 set the frequency
//   catgen TYPE mode MODE               set the mode (keyword such as USB-D, or its number)
//   catgen TYPE tune HZ MODE            frequency, then mode
//   catgen TYPE tune-channel HZ MODE    the radio control panel's tuning of such a channel
//   catgen TYPE ptt-on [MODE]           key (MODE: the transmit mode, default USB)
//   catgen TYPE ptt-off                 unkey
//   catgen TYPE identify REPLY          a Kenwood identity reply such as "ID019;"
//   catgen TYPE setup                   the radio set-up (ports on a recording fake, no radio
//                                       answering; its log lines as "# " lines)
//
// TYPE is a number 0 to 154 or an options keyword (IC7000, KENWOOD, TK90 ...). Each command
// is one line: "+MS" (milliseconds since the previous command, or since the start), the
// bytes in hexadecimal, and the bytes as text with '.' for what is not printable.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "platform/clock.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/driver_steps.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace {

using namespace vesk;

// How long the station runs on after the operation, for what its timers send.
constexpr int kSettleMs = 3000;

int usage() {
  std::fprintf(stderr,
               "usage: catgen --list\n"
               "       catgen TYPE freq HZ | mode MODE | tune HZ MODE | tune-channel HZ MODE | ptt-on [MODE] | ptt-off |\n"
               "                   identify REPLY | setup\n");
  return 2;
}

bool parse_number(const char* s, long long& out) {
  if (s == nullptr || *s == '\0') return false;
  char* end = nullptr;
  out = std::strtoll(s, &end, 10);
  return *end == '\0';
}

int parse_type(const char* s) {
  long long n = 0;
  if (parse_number(s, n)) return radio_type_valid(static_cast<int>(n)) ? static_cast<int>(n) : -1;
  const int t = radio_type_from_options_keyword(s);
  return t > 0 ? t : -1;
}

int parse_mode(const char* s) {
  long long n = 0;
  if (parse_number(s, n)) return static_cast<int>(n);
  const int m = mode_code_from_keyword(s);
  return m == MODE_UNKNOWN_KEYWORD ? -1 : m;
}

bool parse_hz(const char* s, uint32_t& hz) {
  long long n = 0;
  if (!parse_number(s, n) || n < 0 || n > 0xFFFFFFFFLL) return false;
  hz = static_cast<uint32_t>(n);
  return true;
}

void list_types() {
  for (const RadioTypeRow& r : kRadioTypeTable) {
    std::printf("%3d  %-14s %-14s %-24s %s\n", r.number, radio_type_options_text(r.number),
                r.command_keyword != nullptr ? r.command_keyword : "-",
                r.report_name != nullptr ? r.report_name : "-", r.make_model);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    list_types();
    return 0;
  }
  if (argc < 3) return usage();
  const int type = parse_type(argv[1]);
  if (type < 0) {
    std::fprintf(stderr, "catgen: unknown radio type %s\n", argv[1]);
    return 2;
  }
  const std::string op = argv[2];

  auto clock = std::make_unique<SimClock>();
  SimClock* sim = clock.get();
  sim->set_auto_advance(true);
  Station st(std::filesystem::temp_directory_path(), std::move(clock));
  StationScope scope(st);
  db_set_radio_type(type);

  // The engine's timers on simulated time: the radio queue's pacing and the models' own timers
  // (keys sent one by one, watchdogs) run while the operation's pauses and the wait at the end
  // pass.
  std::map<int, int64_t> timers;
  serial_timer_hooks().start = [&](int id, int ms) { timers[id] = sim->mono_ns() + int64_t{ms} * 1000000; };
  serial_timer_hooks().stop = [&](int id) { timers.erase(id); };
  std::unique_ptr<TickSource> tick = sim->make_tick_source();
  tick->start(1000000, [&] {
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (it->second <= sim->mono_ns()) {
        const int id = it->first;
        timers.erase(it);
        if (!serial_queue_route_timer(id)) radio_timer_step(id);
        break;
      }
    }
  });

  int64_t last_ms = sim->mono_ms();
  cat_tap().on_send = [&](const uint8_t* bytes, int length) {
    const int64_t now = sim->mono_ms();
    std::printf("+%lld", static_cast<long long>(now - last_ms));
    last_ms = now;
    for (int i = 0; i < length; ++i) std::printf(" %02X", bytes[i]);
    std::printf("  ");
    for (int i = 0; i < length; ++i) std::putchar(bytes[i] >= 0x20 && bytes[i] < 0x7F ? bytes[i] : '.');
    std::printf("\n");
  };

  uint32_t hz = 0;
  int sent = 0;
  if (op == "freq" && argc == 4 && parse_hz(argv[3], hz)) {
    sent = driver_step_set_freq(hz);
  } else if (op == "mode" && argc == 4 && parse_mode(argv[3]) >= 0) {
    sent = driver_step_set_mode(parse_mode(argv[3]));
  } else if (op == "tune" && argc == 5 && parse_hz(argv[3], hz) && parse_mode(argv[4]) >= 0) {
    sent = driver_step_tune(hz, parse_mode(argv[4]));
  } else if (op == "tune-channel" && argc == 5 && parse_hz(argv[3], hz) && parse_mode(argv[4]) >= 0) {
    sent = driver_step_tune_channel(hz, parse_mode(argv[4]));
  } else if (op == "ptt-on" && (argc == 3 || (argc == 4 && parse_mode(argv[3]) >= 0))) {
    sent = driver_step_ptt_on(argc == 4 ? parse_mode(argv[3]) : MODE_USB);
  } else if (op == "ptt-off" && argc == 3) {
    sent = driver_step_ptt_off();
  } else if (op == "identify" && argc == 4) {
    if (kenwood_group_of(type) == KenwoodGroup::None) {
      std::fprintf(stderr, "catgen: %s is no Kenwood type\n", argv[1]);
      return 2;
    }
    log_set_sink([](LogText, const std::string& line) { std::printf("# %s", line.c_str()); });
    const std::string reply = argv[3];
    kenwood_handle_reply(reinterpret_cast<const uint8_t*>(reply.c_str()), static_cast<int>(reply.size()));
    sent = 1;
  } else if (op == "setup" && argc == 3) {
    FakeSerialBackend::install();
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    log_set_sink([](LogText, const std::string& line) { std::printf("# %s", line.c_str()); });
    radio_setup();
    sent = 1;
  } else {
    return usage();
  }
  sim->sleep_ms(kSettleMs);
  tick->stop();
  if (sent == 0) std::printf("# %s sends nothing for %s\n", radio_type_options_text(type), op.c_str());
  return 0;
}
