// Radio port pacing on a pseudo-terminal with a fake radio that answers every command:
// the time from the radio's answer to the next command on the wire (the poll's pass plus the
// reply dispatch and the queue's move-on), and the CPU share of the idle input poll.
//
// The worker loop is the engine's: sleep 1 ms, handle a due pacing timer, poll the ports.
// Before pty.h, whose termios macros (ECHO) would clash with option names.
#include "db/options.h"

#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/station.h"
#include "platform/thread.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"

using namespace vesk;

namespace {

using SteadyClock = std::chrono::steady_clock;

double cpu_seconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Engine-like one-shot timers for the pacing: started and stopped by the queues, expired by
// the worker loop.
struct BenchTimers {
  std::mutex mutex;
  std::map<int, int64_t> due_ns;
};

}  // namespace

int main() {
  char dir_template[] = "/tmp/vesk-bench-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) return 1;
  int master = -1, slave = -1;
  char name[128];
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;
  std::ofstream(std::filesystem::path(dir_template) / "PORTS.MAP") << "1 " << name << "\n";

  Station station(dir_template);
  StationScope scope(station);
  db_set_radio_type(133);  // NONE: every answer acknowledges
  serial_set_reply_terminators(SERIAL_ROLE_RADIO, ';', ';');
  BenchTimers timers;
  serial_timer_hooks().start = [&](int id, int ms) {
    std::lock_guard<std::mutex> lock(timers.mutex);
    timers.due_ns[id] = station.clock().mono_ns() + int64_t{ms} * 1000000;
  };
  serial_timer_hooks().stop = [&](int id) {
    std::lock_guard<std::mutex> lock(timers.mutex);
    timers.due_ns.erase(id);
  };
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  radio.set_port_number(1);
  if (radio.set_settings("38400,N,8,1") != 0 || radio.open() != 0) {
    std::fprintf(stderr, "cannot open %s: %s\n", name, radio.last_error().c_str());
    return 1;
  }

  StationThread worker;
  worker.start(station, "serial-poll", [&] {
    station.clock().sleep_ms(1);
    int due = -1;
    {
      std::lock_guard<std::mutex> lock(timers.mutex);
      const int64_t now = station.clock().mono_ns();
      for (auto it = timers.due_ns.begin(); it != timers.due_ns.end(); ++it)
        if (it->second <= now) {
          due = it->first;
          timers.due_ns.erase(it);
          break;
        }
    }
    if (due >= 0) serial_queue_route_timer(due);
    port_poll_input();
  });

  // Idle: the worker polls an open port with nothing to read.
  const double idle_seconds = 2.0;
  const double cpu0 = cpu_seconds();
  std::this_thread::sleep_for(std::chrono::duration<double>(idle_seconds));
  const double idle_cpu = cpu_seconds() - cpu0;

  // Answered commands: the fake radio answers each command as it arrives and notes how long
  // the next command took to follow its answer.
  constexpr int kCommands = 3000;
  std::vector<double> latency_ms;
  std::atomic<bool> radio_done{false};
  std::thread fake_radio([&] {
    std::string pending;
    int received = 0;
    SteadyClock::time_point answered{};
    bool awaiting_next = false;
    while (received < kCommands) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 2000) <= 0) break;
      char buf[512];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      const auto now = SteadyClock::now();
      for (ssize_t i = 0; i < n; ++i) {
        pending += buf[i];
        if (buf[i] != ';') continue;
        ++received;
        pending.clear();
        if (awaiting_next) latency_ms.push_back(std::chrono::duration<double, std::milli>(now - answered).count());
        answered = SteadyClock::now();
        awaiting_next = true;
        if (::write(master, "OK;", 3) != 3) return;
      }
    }
    radio_done = true;
  });
  const auto t0 = SteadyClock::now();
  for (int i = 0; i < kCommands; ++i) {
    char cmd[32];
    const int n = std::snprintf(cmd, sizeof cmd, "FA%011d;", 7000000 + i);
    while (radio_send(reinterpret_cast<const uint8_t*>(cmd), n) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  fake_radio.join();
  const double total_s = std::chrono::duration<double>(SteadyClock::now() - t0).count();
  worker.stop();

  std::sort(latency_ms.begin(), latency_ms.end());
  auto pct = [&](double q) {
    return latency_ms.empty() ? 0.0 : latency_ms[static_cast<std::size_t>(q * static_cast<double>(latency_ms.size() - 1))];
  };
  std::printf("answer-to-next-write latency over %zu answers (pseudo-terminal, 1 ms poll):\n", latency_ms.size());
  std::printf("  median %.3f ms, p90 %.3f ms, p99 %.3f ms, max %.3f ms\n", pct(0.5), pct(0.9), pct(0.99),
              latency_ms.empty() ? 0.0 : latency_ms.back());
  std::printf("  %d answered commands in %.2f s = %.0f commands/s\n", kCommands, total_s, kCommands / total_s);
  std::printf("idle poll: %.2f%% of one core (%.1f ms CPU in %.1f s)\n", 100.0 * idle_cpu / idle_seconds,
              idle_cpu * 1000.0, idle_seconds);
  std::printf("radio answered all commands: %s\n", radio_done ? "yes" : "no");

  radio.close();
  close(master);
  close(slave);
  std::filesystem::remove_all(dir_template);
  return radio_done ? 0 : 1;
}
