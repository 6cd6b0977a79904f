// ale_link [CALLS [CHANNEL [SNR...]]]: the linking probability of an individual call against SNR,
// plain and in AQC-ALE.
//
// Two stations (ALFA calls BRAVO) on one channel, through the simulated ether with AWGN and
// the CCIR good and poor fading paths (or only CHANNEL: awgn, good or poor, at the SNRs
// given). Each point runs CALLS calls (default 100) with a fixed seed; a call counts as linked when the caller logs the link within its 30 s slot, after
// which both stations are reset with KILL for the next call. The same is run again with both
// stations' AQC-ALE option on. Prints one row per SNR with both probabilities.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <algorithm>
#include <vector>

#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
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
  vesk::SimOptions base, aqc;
  for (auto [name, own, other] : {std::tuple{"ALFA", "ALFA", "BRAVO"}, std::tuple{"BRAVO", "BRAVO", "ALFA"}}) {
    for (bool with_aqc : {false, true}) {
      const std::filesystem::path dir = root / (with_aqc ? "aqc" : "plain") / name;
      std::filesystem::create_directories(dir);
      std::ofstream(dir / "CONFIG.DAT") << "ADD OWN " << own << "\nADD CHANNEL 7000000\nADD OTHER " << other
                                        << "\nENABLE SCANNING\n";
      if (with_aqc) {
        // The AQC-ALE option has no command: it is stored in the station's "ALE.DAT".
        vesk::Station st(dir);
        vesk::StationScope scope(st);
        vesk::db_open();
        vesk::db_set_aqc_mode(1);
        vesk::db_save();
      }
      (with_aqc ? aqc : base).stations.push_back({name, dir.string()});
    }
  }
  for (int k = 0; k < calls; ++k) {
    const int64_t at = kFirstCallMs + k * kSlotMs;
    base.commands.push_back({at, "ALFA", "CALL BRAVO"});
    base.commands.push_back({at + kSlotMs - 1000, "ALFA", "KILL"});
    base.commands.push_back({at + kSlotMs - 1000, "BRAVO", "KILL"});
  }
  base.duration_ms = kFirstCallMs + calls * kSlotMs;
  base.seed = 1;
  aqc.commands = base.commands;
  aqc.duration_ms = base.duration_ms;
  aqc.seed = base.seed;

  // The caller's monitor lines of each link ("[LINKED  ]" or "[AQC LINKED  ]"; the dated copy
  // is the frame log's).
  auto probability = [calls](vesk::SimOptions o, const std::string& channel, double snr) {
    o.channel = channel;
    o.snr_db = snr;
    int linked = 0;
    vesk::sim_run(o, [&](const std::string& line) {
      if (line.find(" ALFA [") != std::string::npos && line.find("LINKED  ][") != std::string::npos &&
          line.find("/20") == std::string::npos)
        ++linked;
    });
    return static_cast<double>(linked) / calls;
  };
  std::printf("linking probability of an individual call, %d calls a point\n", calls);
  std::printf("%-8s %8s %10s %10s %10s\n", "channel", "SNR dB", "plain", "AQC-ALE", "wall s");
  for (const std::string& channel : channels) {
    for (double snr : snrs) {
      const auto t0 = std::chrono::steady_clock::now();
      const double plain = probability(base, channel, snr);
      const double alternate = probability(aqc, channel, snr);
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("%-8s %8.1f %9.2f %10.2f %10.1f\n", channel.c_str(), snr, plain, alternate, wall);
      std::fflush(stdout);
    }
  }
  std::filesystem::remove_all(root);
  return 0;
}
