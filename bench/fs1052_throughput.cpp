// FED-STD-1052 link throughput against SNR: two links back to back on simulated time, the
// sender keeping two 10,000-byte messages queued, for 30 simulated minutes per point.
//
// The air is a model of the serial-tone modem's errors (a coded bit error rate that falls by
// 1.2 decades per dB past the SNR where the mode reaches 1e-5 on AWGN: 0 dB at 75 bps, +2 dB
// per doubling up to 2400 bps at 11 dB; 4800 bps at 17 dB, 0.5 decades per dB), so the link
// protocol runs for simulated hours; on CCIR poor every frame sees the SNR scaled by a Rayleigh fade,
// averaged over 2 draws with the short interleaver and 8 with the long one. Printed per channel and SNR: bytes per second of
// simulated time, messages confirmed, the rate the sender ended on and the rate most of its
// series went at.
//
// Usage: fs1052_throughput [simulated seconds per point (1800)] [seed (1)]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "datalink/fs1052_link.h"
#include "sim/fs1052_air.h"

namespace {

double model_ber(const std::string& mode, double snr_db) {
  struct ModeModel {
    double threshold_db;
    double decades_per_db;
  };
  static const std::map<std::string, ModeModel> table = {
      {"75NS", {0, 1.2}},   {"75NL", {0, 1.2}},   {"150S", {2, 1.2}},   {"150L", {2, 1.2}},  {"300S", {4, 1.2}},
      {"300L", {4, 1.2}},   {"600S", {6, 1.2}},   {"600L", {6, 1.2}},   {"1200S", {8, 1.2}}, {"1200L", {8, 1.2}},
      {"2400S", {11, 1.2}}, {"2400L", {11, 1.2}}, {"2400V", {11, 1.2}}, {"4800S", {17, 0.5}},
  };
  auto it = table.find(mode);
  const ModeModel m = it == table.end() ? ModeModel{6, 1.2} : it->second;
  return std::pow(10.0, std::min(std::log10(0.5), -5.0 + (m.threshold_db - snr_db) * m.decades_per_db));
}

}  // namespace


int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 1800;
  const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
  std::printf("channel   SNR dB  bytes/s  confirmed  failed  final rate  most series at  (wall ms)\n");
  for (bool fading : {false, true}) {
    for (int snr = 0; snr <= 24; snr += 3) {
      std::mt19937_64 rng(seed * 1000 + static_cast<uint64_t>(snr) + (fading ? 500 : 0));
      vesk::Fs1052Air air;
      air.seed = seed + static_cast<uint64_t>(snr);
      struct Model : vesk::Fs1052Air::FrameErrorModel {
        std::mt19937_64* rng;
        bool fading;
        int snr;
        double loss(const std::string& mode, std::size_t bytes) override {
          const bool long_interleaver = mode.back() == 'L';
          double eff = snr;
          if (fading) {
            const int draws = long_interleaver ? 8 : 2;
            double g = 0;
            std::exponential_distribution<double> fade(1.0);
            for (int i = 0; i < draws; ++i) g += fade(*rng);
            eff = snr + 10.0 * std::log10(g / draws);
          }
          const double ber = model_ber(mode, eff);
          return 1.0 - std::pow(1.0 - ber, static_cast<double>(bytes) * 8.0);
        }
      } model;
      model.rng = &rng;
      model.fading = fading;
      model.snr = snr;
      air.frame_error = &model;
      vesk::Fs1052Config cfg;
      cfg.lowest_bps = 75;
      vesk::Fs1052AirPair pair(cfg, air);
      std::map<std::string, int> series_modes;
      std::vector<uint8_t> msg(10000);
      for (std::size_t i = 0; i < msg.size(); ++i) msg[i] = static_cast<uint8_t>(rng());
      int queued = 0, id = 0;
      const auto wall0 = std::chrono::steady_clock::now();
      const int64_t end_ms = static_cast<int64_t>(seconds * 1000);
      std::size_t last_tx = 0;
      while (pair.now_ms < end_ms) {
        const int settled = pair.count(0, vesk::FS_IND_MESSAGE_CONFIRM) + pair.count(0, vesk::FS_IND_MESSAGE_FAILED);
        while (queued - settled < 2) {
          pair.link[0].send_message(msg.data(), static_cast<int>(msg.size()), 0, id++, 0);
          ++queued;
        }
        pair.step();
        if (static_cast<std::size_t>(pair.port[0].transmissions) != last_tx) {
          last_tx = static_cast<std::size_t>(pair.port[0].transmissions);
          if (pair.link[0].dsm_state() == vesk::Fs1052DataState::AwaitingAck) ++series_modes[pair.port[0].mode];
        }
      }
      const double wall_ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall0).count();
      std::size_t delivered = 0;
      for (const auto& ind : pair.indications[1])
        if (ind.type == vesk::FS_IND_RX_DATA) delivered += ind.data.size();
      std::string most = "-";
      int most_n = 0;
      for (const auto& [mode, n] : series_modes)
        if (n > most_n) most = mode, most_n = n;
      std::printf("%-9s %6d %8.1f %10d %7d  %-10s  %-14s  (%.0f)\n", fading ? "CCIR poor" : "AWGN", snr,
                  static_cast<double>(delivered) / seconds, pair.count(0, vesk::FS_IND_MESSAGE_CONFIRM),
                  pair.count(0, vesk::FS_IND_MESSAGE_FAILED), pair.link[0].rate(vesk::FS_RATE_TX).mode, most.c_str(),
                  wall_ms);
    }
  }
  return 0;
}
