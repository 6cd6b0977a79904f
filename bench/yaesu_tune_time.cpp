// How long a channel change takes on each Yaesu type against the shortest scan dwell
// (100 ms): the station's own channel setting on simulated time, the radio port a recording
// fake with no radio answering (so each command waits out the 50 ms reply time, the slow
// case), measured from the call to the last command on the wire. "first" is the first
// channel after set-up (the mode goes out), "step" a scan step to another frequency of the
// same mode. "held" is how long the call held its caller (the engine while scanning).
#include "db/options.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "db/database.h"
#include "db/tables.h"
#include "platform/clock.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_setup.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

using namespace vesk;

namespace {

constexpr int kShortestDwellMs = 100;

struct Span {
  int64_t held;  // the caller blocked (the waits between commands)
  int64_t wire;  // to the last command on the wire
};
// Simulated milliseconds of `what`.
Span wire_time_ms(SimClock& clock, FakeSerialBackend& fake, void (*what)()) {
  fake.clear_events();
  const int64_t t0 = fake.now_ms();
  what();
  const int64_t held = fake.now_ms() - t0;
  clock.sleep_ms(500);  // let the queue drain
  int64_t last = t0;
  for (const auto& w : fake.writes(1)) last = w.first;
  return {held, last - t0};
}

ChannelRecord channel(int hz) {
  ChannelRecord ch{};
  ch.in_use = 1, ch.permission = CHANNEL_BX;
  ch.rx_freq_hz = ch.tx_freq_hz = hz;
  ch.rx_mode = ch.tx_mode = MODE_USB;
  return ch;
}

// One fresh station per type: set up, then the first channel and a scan step.
struct Times {
  Span first, step;
};
Times measure(int type, const std::filesystem::path& dir) {
  Station station(dir, std::make_unique<SimClock>());
  StationScope scope(station);
  SimClock& clock = *station.sim_clock();
  clock.set_auto_advance(true);
  std::shared_ptr<FakeSerialBackend> fake = FakeSerialBackend::install();
  std::map<int, int64_t> timers;
  serial_timer_hooks().start = [&](int id, int ms) { timers[id] = clock.mono_ns() + int64_t{ms} * 1000000; };
  serial_timer_hooks().stop = [&](int id) { timers.erase(id); };
  std::unique_ptr<TickSource> tick = clock.make_tick_source();
  tick->start(1000000, [&] {
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (it->second <= clock.mono_ns()) {
        const int id = it->first;
        timers.erase(it);
        serial_queue_route_timer(id);
        break;
      }
    }
    port_poll_input();
  });
  db_set_option_int(opt::EMULATION_ENABLED, 0);
  db_store_channel(1, channel(7102500));
  db_store_channel(2, channel(14109000));
  db_set_radio_type(type);
  wire_time_ms(clock, *fake, [] { radio_setup(); });
  Times t{};
  t.first = wire_time_ms(clock, *fake, [] {
    ChannelRecord ch{};
    db_copy_channel(1, &ch);
    radio_set_channel(1, ch);
  });
  t.step = wire_time_ms(clock, *fake, [] {
    ChannelRecord ch{};
    db_copy_channel(2, &ch);
    radio_set_channel(2, ch);
  });
  tick->stop();
  return t;
}

}  // namespace

int main() {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vesk-bench-yaesu";
  std::filesystem::create_directories(dir);
  std::printf("Yaesu channel change on the wire (simulated ms; shortest scan dwell %d ms)\n", kShortestDwellMs);
  std::printf("%-14s %12s %12s  %s\n", "type", "first", "step", "step within the dwell");
  std::printf("%-14s %12s %12s\n", "", "held/wire", "held/wire");
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.family != DriverFamily::YaesuFiveByte && r.family != DriverFamily::YaesuAscii) continue;
    const Times t = measure(r.number, dir);
    const int64_t step = std::max(t.step.held, t.step.wire);
    std::printf("%-14s %5lld/%-6lld %5lld/%-6lld %s\n", radio_type_options_text(r.number),
                static_cast<long long>(t.first.held), static_cast<long long>(t.first.wire),
                static_cast<long long>(t.step.held), static_cast<long long>(t.step.wire),
                step <= kShortestDwellMs ? "yes" : "NO");
  }
  std::filesystem::remove_all(dir);
  return 0;
}
