// fs1052_sim_arq [SECONDS] [SEED]: 1052ARQ between two whole stations in the simulator, the
// data link running on the stations' own serial-tone modem over the simulated channel.
//
// ALFA calls BRAVO at 10 s and sends a short 1052ARQ message at 40 s; each run lasts 300
// simulated seconds (or SECONDS). Printed per channel and SNR: whether the ALE link came up,
// the seconds from the command to the confirmation (- when none came), the failures logged,
// the serial-tone transmissions keyed by both stations, and the wall time of the run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "db/options.h"
#include "platform/station.h"
#include "sim/multi_station.h"

namespace {

double seconds_of(const std::string& line) { return std::atof(line.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 300.0;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  char tmpl[] = "/tmp/fs1052-sim-bench-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const std::filesystem::path root = tmpl;
  vesk::SimOptions base;
  const char* names[2] = {"ALFA", "BRAVO"};
  for (int i = 0; i < 2; ++i) {
    const std::filesystem::path dir = root / names[i];
    std::filesystem::create_directories(dir);
    {
      vesk::Station st(dir.string());
      vesk::StationScope scope(st);
      vesk::db_open();
      vesk::db_set_data_link_mode(1);  // FED-STD-1052
      vesk::db_set_twx_mode(1);        // the serial-tone modem in the sound path while linked
      vesk::db_set_ptt_status_display(1);
      if (vesk::db_save() != 1) return 1;
    }
    std::ofstream(dir / "CONFIG.DAT") << "ADD OWN " << names[i] << "\nADD CHANNEL 7000000\nADD CHANNEL 10000000\nADD OTHER "
                                      << names[1 - i] << "\nENABLE SCANNING\n";
    base.stations.push_back({names[i], dir.string()});
  }
  base.duration_ms = static_cast<int64_t>(seconds * 1000);
  base.seed = seed;
  base.commands = {{10000, "ALFA", "CALL BRAVO"}, {40000, "ALFA", "1052ARQ BRAVO HELLO OVER THE DATA LINK"}};
  std::printf("%-9s %6s %7s %12s %7s %8s %7s\n", "channel", "SNR dB", "linked", "confirm s", "failed", "keyings", "wall s");
  for (const char* channel : {"awgn", "moderate", "poor"}) {
    for (double snr : {15.0, 12.0, 9.0, 6.0, 3.0}) {
      vesk::SimOptions o = base;
      o.channel = channel;
      o.snr_db = snr;
      bool linked = false;
      double confirmed = -1;
      int failed = 0, keyings = 0;
      const auto t0 = std::chrono::steady_clock::now();
      vesk::sim_run(o, [&](const std::string& l) {
        if (l.find(" ALFA ") != std::string::npos && l.find("[LINKED  ][BRAVO") != std::string::npos) linked = true;
        if (confirmed < 0 && l.find("[FS-1052 Message Confirm ID 0 BRAVO]") != std::string::npos)
          confirmed = seconds_of(l) - 40.0;
        if (l.find("FS-1052 Message ID") != std::string::npos) ++failed;
        if (seconds_of(l) > 40.0 && l.find("PTT now ACTIVE") != std::string::npos) ++keyings;
      });
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      char when[16] = "-";
      if (confirmed >= 0) std::snprintf(when, sizeof when, "%.1f", confirmed);
      std::printf("%-9s %6.0f %7s %12s %7d %8d %7.1f\n", channel, snr, linked ? "yes" : "no", when, failed, keyings, wall);
      std::fflush(stdout);
    }
  }
  std::filesystem::remove_all(root);
  return 0;
}
