// Request to answer latency on the radio emulation port: a program on a pseudo-terminal asks
// "FA;" (a text query) and FE FE 66 E0 03 FD (a CI-V query) over and over; the station's
// worker loop (sleep 1 ms, due pacing timer, input poll) frames each request and answers it.
// Prints the median, 99th percentile and worst time from writing a request to reading its
// whole answer.
// Before pty.h, whose termios macros (ECHO) would clash with option names.
#include "db/options.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "platform/thread.h"
#include "radio/emulation.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

using namespace vesk;

namespace {

using SteadyClock = std::chrono::steady_clock;

std::vector<double> run(int master, const std::string& request, std::size_t answer_bytes, int count) {
  std::vector<double> ms;
  for (int i = 0; i < count; ++i) {
    const auto t0 = SteadyClock::now();
    if (::write(master, request.data(), request.size()) != static_cast<ssize_t>(request.size())) break;
    std::size_t got = 0;
    while (got < answer_bytes) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) return ms;
      char buf[256];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) return ms;
      got += static_cast<std::size_t>(n);
    }
    ms.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - t0).count());
  }
  return ms;
}

void print(const char* what, std::vector<double> ms) {
  if (ms.empty()) {
    std::printf("%-22s no answers\n", what);
    return;
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-22s n=%zu median %.2f ms, p99 %.2f ms, worst %.2f ms\n", what, ms.size(), ms[ms.size() / 2],
              ms[ms.size() * 99 / 100], ms.back());
}

}  // namespace

int main() {
  char dir_template[] = "/tmp/vesk-bench-emul-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) return 1;
  int master = -1, slave = -1;
  char name[128];
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
  termios t{};
  tcgetattr(master, &t);
  cfmakeraw(&t);
  tcsetattr(master, TCSANOW, &t);
  std::ofstream(std::filesystem::path(dir_template) / "PORTS.MAP") << "12 " << name << "\n";

  Station station(dir_template);
  StationScope scope(station);
  ChannelRecord ch{};
  ch.permission = CHANNEL_BX;
  ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
  db_store_channel(1, ch);
  db_select_channel(1);
  std::mutex timers_mutex;
  std::map<int, int64_t> due_ns;
  serial_timer_hooks().start = [&](int id, int ms) {
    std::lock_guard<std::mutex> lock(timers_mutex);
    due_ns[id] = station.clock().mono_ns() + int64_t{ms} * 1000000;
  };
  serial_timer_hooks().stop = [&](int id) {
    std::lock_guard<std::mutex> lock(timers_mutex);
    due_ns.erase(id);
  };
  serial_poll_hooks().emul_frame = emul_handle_frame;
  SerialPort& emul = serial_control(SERIAL_ROLE_RADIO_EMUL);
  emul.set_port_number(12);
  if (emul.open() != 0 || emul.set_settings("19200,N,8,1") != 0) {
    std::fprintf(stderr, "cannot open %s\n", name);
    return 1;
  }
  serial_set_reply_terminators(SERIAL_ROLE_RADIO_EMUL, 0xFD, ';');

  StationThread worker;
  worker.start(station, "serial-poll", [&] {
    station.clock().sleep_ms(1);
    int due = -1;
    {
      std::lock_guard<std::mutex> lock(timers_mutex);
      const int64_t now = station.clock().mono_ns();
      for (auto it = due_ns.begin(); it != due_ns.end(); ++it)
        if (it->second <= now) {
          due = it->first;
          due_ns.erase(it);
          break;
        }
    }
    if (due >= 0) serial_queue_route_timer(due);
    port_poll_input();
  });

  std::printf("Radio emulation port: request to whole answer (pseudo-terminal, real time)\n");
  print("text FA; (14 bytes)", run(master, "FA;", 14, 500));
  const std::string civ = {'\xFE', '\xFE', '\x66', '\xE0', '\x03', '\xFD'};
  print("CI-V 03 (2 x 11 bytes)", run(master, civ, 22, 500));
  worker.stop();
  emul.close();
  close(master);
  close(slave);
  std::filesystem::remove_all(dir_template);
  return 0;
}
