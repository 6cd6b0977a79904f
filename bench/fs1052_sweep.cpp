// fs1052_sweep [SECONDS [CHANNEL SNR SEED]]: a 150,000-byte file over FED-STD-1052 between two
// whole stations in the simulator, across channels and SNRs, two seeds each.
//
// ALFA and BRAVO take the data-link dialog's OK (FED-STD-1052, modem in the sound path while
// linked) at 1 s, ALFA calls BRAVO at 10 s, prepares the file with DBMFTP at 30 s and sends it
// over the modem at 31 s. A run ends when the file is saved and confirmed, when both stations
// have reported the failure (or ALFA has, and BRAVO, having missed the call's acknowledgement,
// never linked and so never took part), or after SECONDS (6000 by default) of simulated time.
// Printed per run: the outcome (saved byte-exact, failed, or still running at the end), the
// seconds from the send to the save (in brackets: to ALFA's failure report), the seconds the
// two transmitters were keyed in that time, the file's bytes per second of air time, and the
// wall time of the run. With CHANNEL SNR SEED only that run is made (runs can then go in
// parallel).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "db/options.h"
#include "platform/station.h"
#include "sim/multi_station.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kFileBytes = 150000;
constexpr double kSendAt = 31.0;

struct Outcome {
  bool saved = false, exact = false, confirmed = false;
  bool alfa_failed = false, bravo_failed = false;
  bool bravo_linked = false;  // BRAVO missed the call's acknowledgement: it never took part
  double saved_at = -1, failed_at = -1;
  double keyed_s = 0;  // both transmitters, from the send on
};

bool make_station(const fs::path& dir, const char* own, const char* other) {
  fs::create_directories(dir);
  {
    vesk::Station st(dir.string());
    vesk::StationScope scope(st);
    vesk::db_open();
    vesk::db_set_ptt_status_display(1);
    if (vesk::db_save() != 1) return false;
  }
  std::ofstream(dir / "CONFIG.DAT") << "ADD OWN " << own
                                    << "\nADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD CHANNEL 14109000\nADD OTHER "
                                    << other << "\nENABLE SCANNING\n";
  return true;
}

Outcome run_one(const fs::path& root, const std::string& sent, const std::string& channel, double snr, uint64_t seed,
                double seconds) {
  vesk::SimOptions o;
  o.stations = {{"ALFA", (root / "ALFA").string()}, {"BRAVO", (root / "BRAVO").string()}};
  o.channel = channel;
  o.snr_db = snr;
  o.seed = seed;
  o.duration_ms = static_cast<int64_t>(seconds * 1000);
  o.commands = {{1000, "ALFA", "@MIL110OPTIONS 1 1"},
                {1000, "BRAVO", "@MIL110OPTIONS 1 1"},
                {10000, "ALFA", "CALL BRAVO"},
                {30000, "ALFA", "DBMFTP BRAVO FILE.BIN"},
                {31000, "ALFA", "@SENDFILE MODEM"}};
  Outcome out;
  std::map<std::string, double> keyed_since;
  auto on = [](const std::string& l, const char* who, const char* piece) {
    return l.find(std::string(" ") + who + " ") != std::string::npos && l.find(piece) != std::string::npos;
  };
  double now = 0;
  vesk::sim_run(
      o,
      [&](const std::string& l) {
        now = std::atof(l.c_str());
        if (on(l, "BRAVO", "[LOCAL][SAVED] download\\FILE.BIN")) {
          out.saved = true;
          out.saved_at = now;
        }
        if (on(l, "ALFA", "[FS-1052 Message Confirm ID")) out.confirmed = true;
        if (on(l, "BRAVO", "[LINKED  ][ALFA")) out.bravo_linked = true;
        if (on(l, "ALFA", "[FS-1052 Message ID") && l.find(" failed ") != std::string::npos) {
          out.alfa_failed = true;
          if (out.failed_at < 0) out.failed_at = now;
        }
        if (on(l, "BRAVO", "[FS-1052 Message ID") && l.find(" failed ") != std::string::npos) out.bravo_failed = true;
        for (const char* who : {"ALFA", "BRAVO"}) {
          if (on(l, who, "PTT now ACTIVE")) keyed_since[who] = now;
          if (on(l, who, "PTT now RELEASED") && keyed_since.count(who)) {
            const double from = std::max(keyed_since[who], kSendAt);
            if (now > from && (!out.saved || now <= out.saved_at)) out.keyed_s += now - from;
            keyed_since.erase(who);
          }
        }
      },
      [&](const std::string& who) {
        if (who != "BRAVO") return;
        std::ifstream in(vesk::station().dir() / "download" / "FILE.BIN", std::ios::binary);
        const std::string got{std::istreambuf_iterator<char>(in), {}};
        out.exact = in.good() || in.eof() ? got == sent : false;
      },
      {}, [&] { return (out.saved && out.confirmed) || (out.alfa_failed && (out.bravo_failed || !out.bravo_linked)); });
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 6000.0;
  struct Point {
    std::string channel;
    double snr;
    uint64_t seed;
  };
  std::vector<Point> points;
  if (argc > 4) {
    points.push_back({argv[2], std::atof(argv[3]), std::strtoull(argv[4], nullptr, 10)});
  } else {
    for (double snr : {8.0, 12.0, 15.0, 17.0, 19.0, 20.0, 21.0, 25.0, 30.0})
      for (uint64_t seed : {1, 2}) points.push_back({"awgn", snr, seed});
    for (double snr : {15.0, 20.0, 25.0})
      for (uint64_t seed : {1, 2}) points.push_back({"poor", snr, seed});
  }
  char tmpl[] = "/tmp/fs1052-sweep-XXXXXX";
  if (mkdtemp(tmpl) == nullptr) return 1;
  const fs::path root = tmpl;
  if (!make_station(root / "ALFA", "ALFA", "BRAVO") || !make_station(root / "BRAVO", "BRAVO", "ALFA")) return 1;
  fs::create_directories(root / "BRAVO" / "download");
  std::mt19937 rng(150000);
  std::string sent(kFileBytes, '\0');
  for (char& c : sent) c = static_cast<char>(rng());
  std::ofstream(root / "ALFA" / "FILE.BIN", std::ios::binary) << sent;

  std::printf("%-8s %6s %4s  %-26s %10s %8s %14s %7s\n", "channel", "SNR dB", "seed", "outcome", "transfer s",
              "keyed s", "bytes/s of air", "wall s");
  for (const Point& p : points) {
    const auto t0 = std::chrono::steady_clock::now();
    const Outcome r = run_one(root, sent, p.channel, p.snr, p.seed, seconds);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const char* outcome = r.saved ? (r.exact ? "saved exact" : "saved CORRUPT")
                          : r.alfa_failed && r.bravo_failed ? "failed (both)"
                          : r.alfa_failed && !r.bravo_linked ? "failed, BRAVO never linked"
                          : r.alfa_failed                   ? "failed (ALFA)"
                                                            : "STILL RUNNING";
    char transfer[16] = "-", keyed[16] = "-", rate[16] = "-";
    if (r.saved) {
      std::snprintf(transfer, sizeof transfer, "%.0f", r.saved_at - kSendAt);
      std::snprintf(keyed, sizeof keyed, "%.0f", r.keyed_s);
      std::snprintf(rate, sizeof rate, "%.1f", kFileBytes / (r.saved_at - kSendAt));
    } else if (r.failed_at >= 0) {
      std::snprintf(transfer, sizeof transfer, "(%.0f)", r.failed_at - kSendAt);
    }
    std::printf("%-8s %6.0f %4llu  %-26s %10s %8s %14s %7.0f\n", p.channel.c_str(), p.snr,
                static_cast<unsigned long long>(p.seed), outcome, transfer, keyed, rate, wall);
    std::fflush(stdout);
  }
  fs::remove_all(root);
  return 0;
}
