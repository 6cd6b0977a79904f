// Receive path CPU time per second of audio: the 48 kHz capture blocks through rate
// conversion and the 8-FSK demodulator (and the serial-tone branch of the decimator), as
// the audio thread runs them; also the whole sound card step on simulated time and the
// transmit interpolator. Prints its figures; asserts nothing.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "modem/fsk8.h"
#include "modem/resample.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "ui/station_wiring.h"

namespace {

double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

void report(const char* what, double cpu_s, double audio_s) {
  std::printf("%-44s %8.3f ms CPU per s of audio  (real-time factor %.5f)\n", what, 1000.0 * cpu_s / audio_s,
              cpu_s / audio_s);
}

}  // namespace

int main() {
  using namespace vesk;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vesk_bench_rx_path";
  std::filesystem::create_directories(dir);
  Station st(dir, std::make_unique<SimClock>());
  StationScope scope(st);

  constexpr int kSeconds = 120;
  constexpr int kBlocks = kSeconds * 48000 / kSndRxBlockSamples;
  // Noise with a tone in it, at a level a receiver sees.
  std::mt19937 rng(1);
  std::normal_distribution<double> noise(0.0, 3000.0);
  std::vector<int16_t> input(static_cast<std::size_t>(kBlocks) * kSndRxBlockSamples);
  for (std::size_t i = 0; i < input.size(); ++i)
    input[i] = static_cast<int16_t>(std::clamp(noise(rng) + 6000 * std::sin(2 * M_PI * 1500 * i / 48000.0), -32768.0, 32767.0));

  int16_t d8[kRxAudioBlockSamples + 8], d96[kRx9600BlockSamples + 8];
  int n8 = 0, n96 = 0;

  // Decimation alone.
  DecimatorState dec;
  double t0 = cpu_seconds();
  for (int b = 0; b < kBlocks; ++b)
    snd_decimate(dec, input.data() + static_cast<std::size_t>(b) * kSndRxBlockSamples, kSndRxBlockSamples, d8, &n8, d96, &n96);
  report("decimation (48 kHz -> 8 kHz and 9,600 Hz)", cpu_seconds() - t0, kSeconds);

  // Decimation and the 8-FSK demodulator with the word receiver.
  ale_word_io_init();
  fsk_init(fsk_state());
  fsk_state().hooks.symbol = ale_rx_symbol;
  DecimatorState dec2;
  t0 = cpu_seconds();
  for (int b = 0; b < kBlocks; ++b) {
    snd_decimate(dec2, input.data() + static_cast<std::size_t>(b) * kSndRxBlockSamples, kSndRxBlockSamples, d8, &n8, d96, &n96);
    fsk_process_block(fsk_state(), d8, n8);
    EngineEvent e;
    while (ale_engine_event_pop(&e)) {
    }
  }
  report("receive path (decimation + 8-FSK + words)", cpu_seconds() - t0, kSeconds);

  // The sound card's own steps on simulated time (null devices, idle transmit feed).
  SoundCardState& sc = sound_card();
  sc.threaded = false;
  station_wire();
  snd_set_device_specs("null", "null");
  snd_open();
  t0 = cpu_seconds();
  for (int ms = 0; ms < kSeconds * 1000; ++ms) {
    st.sim_clock()->advance_ms(1);
    snd_step();
  }
  report("sound card step, idle (1 ms passes)", cpu_seconds() - t0, kSeconds);
  snd_close();

  // Transmit: one serial-tone block of 4,000 samples at 9,600 Hz is 416.7 ms of audio.
  InterpolatorState interp;
  std::vector<float> in(kModemBlockSamples), out(kSndModemOutSamples);
  for (int i = 0; i < kModemBlockSamples; ++i) in[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * 1800 * i / 9600.0));
  const int modem_blocks = kSeconds * 9600 / kModemBlockSamples;
  t0 = cpu_seconds();
  for (int b = 0; b < modem_blocks; ++b) snd_interpolate_by5(interp, in.data(), out.data(), kModemBlockSamples);
  report("interpolation x5 (9,600 Hz -> 48 kHz)", cpu_seconds() - t0, modem_blocks * kModemBlockSamples / 9600.0);
  std::filesystem::remove_all(dir);
  return 0;
}
