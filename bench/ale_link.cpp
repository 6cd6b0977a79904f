// ale_link [CALLS [CHANNEL [SNR...]]]: the linking probability of an individual call against SNR.
//
// Two stations (ALFA calls BRAVO) on one channel, through the simulated ether with AWGN and
// the CCIR good and poor fading paths (or only CHANNEL: awgn, good or poor, at the SNRs
// given). Each point runs CALLS calls (default 100) with a fixed seed; a call counts as linked when the caller logs the link within its 30 s slot, after
// which both stations are reset with KILL for the next call. Prints one row per SNR.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <algorithm>
#include <vector>

#include "sim/multi_station.h"

namespace {

constexpr int64_t kSlotMs = 30000;
constexpr int64_t kFirstCallMs = 5000;

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  std::vector<std::string> channels = {"awgn", "good", "poor"};
  std::vector<double> snrs = {-10.0, -6.0, -3.0, 0.0, 3.0, 6.0, 10.0, 20.0};
  if (argc > 2) channels = {argv[2]};
  if (argc > 3) snrs.assign(1, std::atof(argv[3]));
  for (int i = 4; i < argc; ++i) snrs.push_back(std::atof(argv[i]));
  char tmpl[] = "/tmp/ale-link-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const std::filesystem::path root = tmpl;
  vesk::SimOptions base;
  for (auto [name, own, other] : {std::tuple{"ALFA", "ALFA", "BRAVO"}, std::tuple{"BRAVO", "BRAVO", "ALFA"}}) {
    const std::filesystem::path dir = root / name;
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "CONFIG.DAT") << "ADD OWN " << own << "\nADD CHANNEL 7000000\nADD OTHER " << other
                                      << "\nENABLE SCANNING\n";
    base.stations.push_back({name, dir.string()});
  }
  for (int k = 0; k < calls; ++k) {
    const int64_t at = kFirstCallMs + k * kSlotMs;
    base.commands.push_back({at, "ALFA", "CALL BRAVO"});
    base.commands.push_back({at + kSlotMs - 1000, "ALFA", "KILL"});
    base.commands.push_back({at + kSlotMs - 1000, "BRAVO", "KILL"});
  }
  base.duration_ms = kFirstCallMs + calls * kSlotMs;
  base.seed = 1;

  std::printf("linking probability of an individual call, %d calls a point\n", calls);
  std::printf("%-8s %8s %10s %10s\n", "channel", "SNR dB", "linked", "wall s");
  for (const std::string& channel : channels) {
    for (double snr : snrs) {
      vesk::SimOptions o = base;
      o.channel = channel;
      o.snr_db = snr;
      int linked = 0;
      const auto t0 = std::chrono::steady_clock::now();
      vesk::sim_run(o, [&](const std::string& line) {
        // The caller's monitor line of each link (the dated copy is the frame log's).
        if (line.find(" ALFA [") != std::string::npos && line.find("][LINKED  ][") != std::string::npos &&
            line.find("/20") == std::string::npos)
          ++linked;
      });
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("%-8s %8.1f %9.2f %10.1f\n", channel.c_str(), snr, static_cast<double>(linked) / calls, wall);
      std::fflush(stdout);
    }
  }
  std::filesystem::remove_all(root);
  return 0;
}
