// tick_jitter [SECONDS]: the 10 ms tick on the real clock while the engine runs idle.
//
// Prints the error of each tick's period against 10 ms (p50, p99, worst), the drift of the
// tick over the run (default one minute) against the monotonic clock, the engine tick's own
// count against the expected one, and the CPU share of the idle worker thread and of the
// whole process.
#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "ale/dispatch/engine.h"
#include "ale/engine/timer.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "ui/station_wiring.h"

namespace {

// User plus system CPU seconds of the process's thread with this name, or -1.
double thread_cpu_seconds(const std::string& name) {
  DIR* d = opendir("/proc/self/task");
  if (d == nullptr) return -1;
  double secs = -1;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    const std::string base = std::string("/proc/self/task/") + e->d_name;
    std::ifstream comm(base + "/comm");
    std::string c;
    std::getline(comm, c);
    if (c != name) continue;
    std::ifstream stat(base + "/stat");
    std::string line;
    std::getline(stat, line);
    // Fields after the parenthesised name: state is field 3; utime and stime are 14 and 15.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
      if (i == 14) utime = std::stoull(field);
      if (i == 15) stime = std::stoull(field);
    }
    secs = static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
  }
  closedir(d);
  return secs;
}

double process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const auto k = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1));
  return v[k];
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vesk_tick_jitter";
  std::filesystem::create_directories(dir);
  vesk::Station st(dir);
  vesk::StationScope scope(st);
  vesk::Clock& clock = st.clock();

  vesk::snd_set_device_specs("null", "null");
  vesk::station_wire();
  vesk::station_start();  // the worker idles; the engine's tick counts its timers
  clock.sleep_ms(200);    // let the worker start and take its name

  // A second tick of the same kind that records when it runs.
  std::vector<int64_t> at;
  at.reserve(static_cast<std::size_t>(seconds) * 110);
  std::mutex at_mutex;
  auto probe = clock.make_tick_source();
  const int64_t engine_ticks_start = vesk::timers().tick_count.load();
  const double worker_cpu_start = thread_cpu_seconds("ale-engine");
  const double process_cpu_start = process_cpu_seconds();
  const int64_t t0 = clock.mono_ns();
  probe->start(int64_t{vesk::kTickMs} * 1000000, [&] {
    const int64_t now = clock.mono_ns();
    std::lock_guard<std::mutex> lock(at_mutex);
    at.push_back(now);
  });
  clock.sleep_ms(int64_t{seconds} * 1000);
  probe->stop();
  const int64_t t1 = clock.mono_ns();
  const int64_t engine_ticks = vesk::timers().tick_count.load() - engine_ticks_start;
  const double worker_cpu = thread_cpu_seconds("ale-engine") - worker_cpu_start;
  const double process_cpu = process_cpu_seconds() - process_cpu_start;
  vesk::station_stop();
  vesk::snd_close();
  vesk::timer_tick_stop();

  std::vector<double> error_us;
  for (std::size_t i = 1; i < at.size(); ++i)
    error_us.push_back(std::fabs(static_cast<double>(at[i] - at[i - 1]) / 1000.0 - vesk::kTickMs * 1000.0));
  const double wall = static_cast<double>(t1 - t0) / 1e9;
  // Drift: where the last tick fell against where a perfect 10 ms tick from the start would be.
  const double drift_us =
      at.empty() ? 0 : (static_cast<double>(at.back() - t0) - static_cast<double>(at.size()) * vesk::kTickMs * 1e6) / 1000.0;

  std::printf("tick_jitter: %d s on the real clock, %zu ticks\n", seconds, at.size());
  std::printf("  period error   p50 %.1f us   p99 %.1f us   worst %.1f us\n", percentile(error_us, 0.5),
              percentile(error_us, 0.99), error_us.empty() ? 0.0 : *std::max_element(error_us.begin(), error_us.end()));
  std::printf("  drift          %.1f us over %.1f s\n", drift_us, wall);
  std::printf("  engine tick    %lld ticks, expected %lld\n", static_cast<long long>(engine_ticks),
              static_cast<long long>(wall * 100.0));
  std::printf("  idle worker    %.2f %% of one core\n", worker_cpu >= 0 ? 100.0 * worker_cpu / wall : -1.0);
  std::printf("  whole process  %.2f %% of one core\n", 100.0 * process_cpu / wall);
  return 0;
}
