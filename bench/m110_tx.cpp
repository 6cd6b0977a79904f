// Serial-tone transmitter: CPU time per second of transmitted audio, per mode, for a 2,000-byte
// message (coding, interleaving, symbol formation, shaping and carrier). Prints its figures;
// asserts nothing.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "modem/serial_tone/m110_tx.h"

namespace {

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

}  // namespace

int main() {
  using namespace vesk;
  std::vector<uint8_t> msg(2000);
  for (std::size_t i = 0; i < msg.size(); ++i) msg[i] = static_cast<uint8_t>(i * 37 + 11);
  std::printf("%-7s %10s %12s %16s\n", "mode", "audio s", "CPU ms", "real-time factor");
  for (int mode = 0; mode < kM110ModeCount; ++mode) {
    // The slow modes take a shorter message so that every row costs about the same.
    const std::size_t bytes = std::min<std::size_t>(msg.size(), m110_mode_info(mode).bits_per_second / 4);
    M110Transmitter tx;
    tx.set_mode(mode);
    std::size_t samples = 0;
    const double t0 = cpu_seconds();
    int runs = 0;
    do {
      tx.send(msg.data(), bytes, [&samples](const float*, int n) {
        samples += static_cast<std::size_t>(n);
        return true;
      });
      ++runs;
    } while (cpu_seconds() - t0 < 0.3);
    const double cpu = cpu_seconds() - t0;
    const double audio = static_cast<double>(samples) / kM110SampleRate;
    std::printf("%-7s %10.1f %12.2f %16.5f\n", m110_mode_info(mode).short_name, audio, 1000 * cpu, cpu / audio);
  }
  return 0;
}
