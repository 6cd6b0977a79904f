// sim_two_stations [SECONDS]: the multi-station simulator's speed.
//
// Runs two stations (fresh folders, each with a small CONFIG.DAT) for a simulated minute (or
// SECONDS) over each channel kind and prints the simulated-to-wall time ratio and the log
// lines written.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/multi_station.h"

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
  char tmpl[] = "/tmp/sim-bench-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const std::filesystem::path root = tmpl;
  vesk::SimOptions base;
  for (const char* name : {"ALFA", "BRAVO"}) {
    const std::filesystem::path dir = root / name;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "CONFIG.DAT") << "ENABLE SOUNDING\nENABLE LQA\n";
    base.stations.push_back({name, dir.string()});
  }
  base.duration_ms = static_cast<int64_t>(seconds * 1000);
  std::printf("%-10s %10s %10s %10s %8s\n", "channel", "sim s", "wall s", "ratio", "lines");
  for (const char* channel : {"clean", "awgn", "good", "poor", "flutter"}) {
    vesk::SimOptions o = base;
    o.channel = channel;
    o.snr_db = 10;
    long lines = 0;
    const auto t0 = std::chrono::steady_clock::now();
    vesk::sim_run(o, [&](const std::string&) { ++lines; });
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%-10s %10.1f %10.3f %10.1f %8ld\n", channel, seconds, wall, seconds / wall, lines);
  }
  std::filesystem::remove_all(root);
  return 0;
}
