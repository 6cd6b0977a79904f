// Serial-tone receiver: CPU time per second of received audio and the worst time of one 200 ms
// block, per mode (a message at 20 dB SNR with half a second of noise on each side), the
// search alone on noise, and how far a +-100 ppm sample-clock offset holds over a long message.
// Prints its figures; asserts nothing.
//
//   m110_rx [SECONDS]   audio per mode (default 30)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_tx.h"
#include "sim/channel.h"

namespace {

using namespace vesk;

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

std::vector<uint8_t> random_bytes(std::size_t n, unsigned seed) {
  std::vector<uint8_t> m(n);
  for (auto& b : m) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  return m;
}

std::vector<float> through_channel(const std::vector<float>& signal, double lead_s, double snr, double ppm, uint64_t seed) {
  std::vector<float> air(static_cast<std::size_t>(lead_s * kM110SampleRate), 0.0f);
  air.insert(air.end(), signal.begin(), signal.end());
  air.insert(air.end(), static_cast<std::size_t>(lead_s * kM110SampleRate), 0.0f);
  ChannelSim sim;
  ChannelSimConfig cfg;
  cfg.sample_rate = kM110SampleRate;
  cfg.snr_db = snr;
  cfg.clock_offset_ppm = ppm;
  cfg.seed = seed;
  cfg.signal_power = signal.empty() ? 0.25 : channel_measure_power(signal.data(), static_cast<int>(signal.size()), kM110SampleRate);
  channel_sim_init(sim, cfg);
  std::vector<float> out;
  channel_sim_process(sim, air.data(), static_cast<int>(air.size()), out);
  return out;
}

struct Timing {
  double total = 0, worst = 0;
  int64_t bytes = 0;
  std::vector<uint8_t> got;
};

Timing receive(const std::vector<float>& air) {
  Timing t;
  M110RxConfig cfg;
  cfg.on_byte = [&t](int b) { t.got.push_back(static_cast<uint8_t>(b)); };
  M110Receiver rx(cfg);
  for (std::size_t i = 0; i + M110Receiver::kBlock <= air.size(); i += M110Receiver::kBlock) {
    const double t0 = cpu_seconds();
    rx.rx_samples(&air[i], M110Receiver::kBlock);
    const double dt = cpu_seconds() - t0;
    t.total += dt;
    t.worst = std::max(t.worst, dt);
  }
  t.bytes = rx.stats().bytes;
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
  std::printf("Receiver CPU per mode (%.0f s of data at 20 dB, 0.5 s of noise each side)\n", seconds);
  std::printf("%-7s %10s %14s %18s %18s\n", "mode", "audio s", "CPU ms", "real-time factor", "worst block ms");
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    const M110ModeInfo& m = m110_mode_info(mode);
    const auto msg = random_bytes(static_cast<std::size_t>(m.bits_per_second * seconds / 8), 7);
    M110Transmitter tx;
    tx.set_mode(mode);
    const auto air = through_channel(tx.send(msg.data(), msg.size()), 0.5, 20, 0, 3);
    const Timing t = receive(air);
    const double audio = static_cast<double>(air.size()) / kM110SampleRate;
    std::printf("%-7s %10.1f %14.1f %18.5f %18.3f\n", m.short_name, audio, 1000 * t.total, t.total / audio, 1000 * t.worst);
  }
  {
    const auto air = through_channel({}, 30, 0, 0, 5);
    const Timing t = receive(air);
    const double audio = static_cast<double>(air.size()) / kM110SampleRate;
    std::printf("%-7s %10.1f %14.1f %18.5f %18.3f\n", "noise", audio, 1000 * t.total, t.total / audio, 1000 * t.worst);
  }
  std::printf("\nSample-clock offset, 2400S at 25 dB: how far the message decodes exactly\n");
  for (double ppm : {100.0, -100.0, 200.0, -200.0}) {
    const auto msg = random_bytes(static_cast<std::size_t>(2400 * 300 / 8), 9);  // 5 minutes
    M110Transmitter tx;
    tx.set_mode(10);
    const auto air = through_channel(tx.send(msg.data(), msg.size()), 0.5, 25, ppm, 11);
    const Timing t = receive(air);
    std::size_t good = 0;
    while (good < msg.size() && good < t.got.size() && t.got[good] == msg[good]) ++good;
    std::printf("%+5.0f ppm: %zu of %zu bytes (%.1f of %.1f s)%s\n", ppm, good, msg.size(), good * 8.0 / 2400,
                msg.size() * 8.0 / 2400, good == msg.size() ? ", all" : "");
  }
  return 0;
}
