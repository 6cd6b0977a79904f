// Serial-tone modem bit-error rate against SNR (signal power over the noise power in 3 kHz) for
// 4800S on AWGN and 2400L, 1200L, 600L, 300L, 150L and 75NL on AWGN and on the CCIR poor channel (two paths 2 ms
// apart, 1 Hz Doppler spread), through the station's transmitter, the channel simulator and the
// receiver; the SNR at BER 1e-3 and 1e-5 beside MIL-STD-188-110A's minimum performance
// figures; and the false preamble detections on ten minutes of noise. Prints its figures;
// asserts nothing.
//
//   m110_ber [SECONDS] [NOISE_MINUTES]   data per SNR point (default 60 s), noise run (10 min)
//   m110_ber SECONDS 0 MODE CHANNEL SNR...  one mode (short name) on one channel (awgn, good,
//                                           moderate, poor) at the SNRs given; with
//                                           M110_BER_CHANNELS=N in the environment, the errors
//                                           summed over N channels (seeds 1000, 1001, ...)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_tx.h"
#include "sim/channel.h"

namespace {

using namespace vesk;

std::vector<uint8_t> random_bytes(std::size_t n, unsigned seed) {
  std::vector<uint8_t> m(n);
  for (auto& b : m) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  return m;
}

constexpr int64_t kBitsFor1e5 = 300000;

struct Point {
  double snr;
  int64_t errors, bits;
  double ber() const { return static_cast<double>(errors) / static_cast<double>(bits); }
};

Point run(int mode, FadingPreset fading, double snr, double seconds, uint64_t seed) {
  const M110ModeInfo& m = m110_mode_info(mode);
  const auto msg = random_bytes(static_cast<std::size_t>(std::max(16.0, m.bits_per_second * seconds / 8)),
                                static_cast<unsigned>(seed));
  M110Transmitter tx;
  tx.set_mode(mode);
  const std::vector<float> signal = tx.send(msg.data(), msg.size());
  std::vector<float> air(4800, 0.0f);
  air.insert(air.end(), signal.begin(), signal.end());
  air.insert(air.end(), 4800, 0.0f);
  ChannelSim sim;
  ChannelSimConfig cfg;
  cfg.sample_rate = kM110SampleRate;
  cfg.snr_db = snr;
  cfg.fading = fading;
  cfg.seed = seed;
  cfg.signal_power = channel_measure_power(signal.data(), static_cast<int>(signal.size()), kM110SampleRate);
  channel_sim_init(sim, cfg);
  std::vector<float> out;
  channel_sim_process(sim, air.data(), static_cast<int>(air.size()), out);
  std::vector<uint8_t> got;
  M110RxConfig rc;
  rc.on_byte = [&got](int b) { got.push_back(static_cast<uint8_t>(b)); };
  M110Receiver rx(rc);
  rx.rx_samples(out.data(), static_cast<int>(out.size()));
  Point p{snr, 0, static_cast<int64_t>(msg.size()) * 8};
  for (std::size_t i = 0; i < msg.size(); ++i)
    p.errors += i < got.size() ? __builtin_popcount(static_cast<unsigned>(msg[i] ^ got[i])) : 8;
  return p;
}

// The SNR where the BER falls through `target`, interpolated on log10(BER); when the curve
// jumps from above the target to no errors at all, the crossing is at most that SNR ("<=").
std::string crossing(const std::vector<Point>& pts, double target) {
  for (std::size_t i = 1; i < pts.size(); ++i) {
    const Point &a = pts[i - 1], &b = pts[i];
    if (a.ber() < target) continue;
    if (b.ber() >= target) continue;
    if (b.errors == 0) {
      // No errors in b.bits bits: the BER there is below 1 / bits, which is only proof when
      // that bound is itself below the target.
      if (1.0 / static_cast<double>(b.bits) > target) return "  n/a (too few bits)";
      char buf[40];
      std::snprintf(buf, sizeof buf, "<= %5.1f dB (0 in %.0e)", b.snr, static_cast<double>(b.bits));
      return buf;
    }
    const double la = std::log10(a.ber()), lb = std::log10(b.ber()), lt = std::log10(target);
    char buf[40];
    std::snprintf(buf, sizeof buf, "   %5.1f dB", a.snr + (b.snr - a.snr) * (la - lt) / (la - lb));
    return buf;
  }
  return pts.empty() || pts.front().ber() < target ? "below the range" : "above the range";
}

struct Row {
  int mode;
  double awgn_from, poor_from;
  // MIL-STD-188-110A minimum coded performance as remembered (SNR in 3 kHz for the BER shown;
  // the fading figures are for two paths of the delay and spread given). "-": none known;
  // no fading figure: the channel is not run.
  const char* standard_awgn;
  const char* standard_poor;
};

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
  const double noise_minutes = argc > 2 ? std::atof(argv[2]) : 10;
  if (argc > 4) {
    const int mode = m110_mode_from_name(argv[3]);
    const std::string ch = argv[4];
    const FadingPreset fading = ch == "good"       ? FadingPreset::Good
                                : ch == "moderate" ? FadingPreset::Moderate
                                : ch == "poor"     ? FadingPreset::Poor
                                                   : FadingPreset::None;
    if (mode < 0) return 2;
    const char* channels_text = std::getenv("M110_BER_CHANNELS");
    const int channels = channels_text != nullptr ? std::max(1, std::atoi(channels_text)) : 1;
    for (int i = 5; i < argc; ++i) {
      const double snr = std::atof(argv[i]);
      Point p = run(mode, fading, snr, seconds, 1000);
      for (int c = 1; c < channels; ++c) {
        const Point q = run(mode, fading, snr, seconds, static_cast<uint64_t>(1000 + c));
        p.errors += q.errors;
        p.bits += q.bits;
      }
      std::printf("%s %s %g dB: %.2e (%lld of %lld)\n", argv[3], ch.c_str(), snr, p.ber(),
                  static_cast<long long>(p.errors), static_cast<long long>(p.bits));
      std::fflush(stdout);
    }
    return 0;
  }
  const Row rows[] = {
      {13, 12, 0, "17 dB for 1e-3", nullptr},
      {11, 4, 10, "10 dB for 1e-5", "18 dB for 1e-5 (2 ms, 1 Hz)"},
      {9, 0, 6, "-", "11 dB for 1e-5 (2 ms, 1 Hz)"},
      {7, -3, 2, "-", "7 dB for 1e-5 (2 ms, 1 Hz)"},
      {5, -6, -1, "-", "7 dB for 1e-5 (5 ms, 5 Hz)"},
      {3, -9, -4, "-", "5 dB for 1e-5 (5 ms, 5 Hz)"},
      {1, -12, -7, "-", "2 dB for 1e-5 (5 ms, 5 Hz)"},
  };
  std::printf("BER against SNR (3 kHz), %.0f s of data per point\n\n", seconds);
  std::vector<std::string> summary;
  for (const Row& row : rows) {
    for (int ch = 0; ch < 2; ++ch) {
      if (ch == 1 && row.standard_poor == nullptr) continue;
      const FadingPreset fading = ch == 0 ? FadingPreset::None : FadingPreset::Poor;
      const char* name = ch == 0 ? "AWGN" : "CCIR poor";
      std::printf("%s %s:", m110_mode_info(row.mode).short_name, name);
      std::vector<Point> pts;
      for (double snr = ch == 0 ? row.awgn_from : row.poor_from; snr <= 40; snr += 1) {
        // The same message, fading and noise at every SNR (only the noise's level changes), so
        // that the curve shows the receiver, not the luck of each point's channel.
        Point p = run(row.mode, fading, snr, seconds, 1000);
        // No errors: more messages at this SNR until there are enough bits to show a BER
        // under 1e-5, or an error turns up.
        for (int more = 1; p.errors == 0 && p.bits < kBitsFor1e5; ++more) {
          const Point q = run(row.mode, fading, snr, seconds, static_cast<uint64_t>(1000 + 100000 * more));
          p.errors += q.errors;
          p.bits += q.bits;
        }
        pts.push_back(p);
        std::printf(" %g dB %.1e%s", snr, p.ber(), p.errors == 0 ? "(0)" : "");
        std::fflush(stdout);
        if (p.errors == 0) break;
      }
      std::printf("\n");
      char line[200];
      std::snprintf(line, sizeof line, "%-6s %-10s %-24s %-24s %s", m110_mode_info(row.mode).short_name, name,
                    crossing(pts, 1e-3).c_str(), crossing(pts, 1e-5).c_str(),
                    ch == 0 ? row.standard_awgn : row.standard_poor);
      summary.push_back(line);
    }
  }
  std::printf("\n%-6s %-10s %-24s %-24s %s\n", "mode", "channel", "SNR at BER 1e-3", "SNR at BER 1e-5",
              "MIL-STD-188-110A minimum (as remembered)");
  for (const auto& s : summary) std::printf("%s\n", s.c_str());

  // False preambles: receptions started on noise alone.
  const int samples = static_cast<int>(noise_minutes * 60 * kM110SampleRate);
  std::vector<float> zeros(static_cast<std::size_t>(samples), 0.0f), noise;
  ChannelSim sim;
  ChannelSimConfig cfg;
  cfg.sample_rate = kM110SampleRate;
  cfg.snr_db = 0;
  cfg.signal_power = 0.25;
  cfg.seed = 77;
  channel_sim_init(sim, cfg);
  channel_sim_process(sim, zeros.data(), samples, noise);
  M110RxConfig rc;
  M110Receiver rx(rc);
  rx.rx_samples(noise.data(), static_cast<int>(noise.size()));
  std::printf("\nNoise alone, %.0f minutes: %d preambles accepted, %d reached the data\n", noise_minutes,
              rx.stats().receptions, rx.stats().data_starts);
  return 0;
}
