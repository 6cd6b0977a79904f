// channel_choice [SECONDS]: channel choice by link quality, end to end on the simulator.
//
// Three stations, ALF, BRV and CHL, scan the same three channels; each channel has its own
// signal-to-noise ratio on the ether. The stations sound for ten simulated minutes (or
// SECONDS), then ALF calls BRV. Run twice:
//   same start  every station switches sounding on in its CONFIG.DAT, so all are due at the
//               same minutes and sound together unless one is paused on a channel then;
//   own starts  BRV sounds from the start, CHL switches sounding on at 3 minutes and ALF at 7
//               (each operator's own start), so their soundings seldom meet.
// Prints the soundings ALF heard from BRV on each channel, the channel the call went out on,
// whether that is the channel of the best ratio, and the wall time of each run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "sim/multi_station.h"

namespace {

namespace fs = std::filesystem;

struct Band {
  int hz;
  double snr_db;
};
// The best channel is neither the first nor the highest, so neither the table order nor the
// order used for channels with no measurement picks it by chance.
constexpr Band kBands[] = {{7000000, 8}, {10000000, 30}, {14000000, 16}};
constexpr const char* kNames[] = {"ALF", "BRV", "CHL"};

// The frequency field "[FRQ nnnnnnnn]" of a log line, or 0.
int frq_of(const std::string& line) {
  const auto at = line.find("[FRQ ");
  return at == std::string::npos ? 0 : std::atoi(line.c_str() + at + 5);
}

void run(const fs::path& root, const char* title, bool own_starts, int64_t duration_ms) {
  vesk::SimOptions o;
  for (const char* own : kNames) {
    const fs::path dir = root / title / own;
    fs::create_directories(dir);
    std::ofstream config(dir / "CONFIG.DAT");
    config << "ADD OWN " << own << "\n";
    for (const Band& b : kBands) config << "ADD CHANNEL " << b.hz << "\n";
    for (const char* other : kNames)
      if (std::string(other) != own) config << "ADD OTHER " << other << "\n";
    if (!own_starts || std::string(own) == "BRV") config << "ENABLE SOUNDING\n";
    config << "ENABLE SCANNING\n";
    o.stations.push_back({own, dir.string()});
  }
  o.channel = "awgn";
  o.snr_db = 15;
  for (const Band& b : kBands) o.snr_at_hz[b.hz] = b.snr_db;
  o.seed = 1;
  o.duration_ms = duration_ms + 30000;
  if (own_starts) {
    o.commands.push_back({185000, "CHL", "ENABLE SOUNDING"});
    o.commands.push_back({425000, "ALF", "ENABLE SOUNDING"});
  }
  o.commands.push_back({duration_ms, "ALF", "CALL BRV"});

  std::map<int, std::string> heard;  // what ALF logged of BRV's soundings, per frequency
  int soundings = 0, tuned_hz = 0, call_hz = 0, linked_hz = 0;
  const auto t0 = std::chrono::steady_clock::now();
  vesk::sim_run(o, [&](const std::string& l) {
    double t = 0;
    char who[32] = {};
    if (std::sscanf(l.c_str(), "%lf %31s", &t, who) != 2) return;
    if (l.find("STATUS 1: SOUNDING") != std::string::npos) ++soundings;
    if (std::string(who) != "ALF") return;
    if (l.find("STATUS 0: FRQ ") != std::string::npos) tuned_hz = std::atoi(l.c_str() + l.find("FRQ ") + 4);
    if (l.find("STATUS 1: CALLING") != std::string::npos && call_hz == 0) call_hz = tuned_hz;
    if (l.find("[SND]") != std::string::npos && l.find("[BRV ") != std::string::npos)
      heard[frq_of(l)] += " SN" + l.substr(l.rfind(' ') + 1);
    if (l.find("[LINKED  ][BRV ") != std::string::npos && linked_hz == 0) linked_hz = frq_of(l);
  });
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  int best_hz = kBands[0].hz;
  double best_snr = kBands[0].snr_db;
  for (const Band& b : kBands)
    if (b.snr_db > best_snr) best_hz = b.hz, best_snr = b.snr_db;
  std::printf("%s: %d soundings by the three stations, wall time %.1f s\n", title, soundings, wall);
  for (const Band& b : kBands)
    std::printf("  %8d Hz  SNR %4.1f dB  ALF heard BRV:%s\n", b.hz, b.snr_db,
                heard.count(b.hz) ? heard[b.hz].c_str() : " nothing");
  std::printf("  call on %d Hz, linked on %d Hz: %s\n", call_hz, linked_hz,
              call_hz == best_hz ? "the best channel" : "NOT the best channel");
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
  char tmpl[] = "/tmp/channel-choice-bench-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const fs::path root = tmpl;
  const auto ms = static_cast<int64_t>(seconds * 1000);
  run(root, "same start", false, ms);
  run(root, "own starts", true, ms);
  fs::remove_all(root);
  return 0;
}
