// hfsim: a WAV file through the HF channel simulator.
//
//   hfsim [options] IN.wav OUT.wav
//     --snr DB            SNR in the 3 kHz band (default 10); the signal power is measured
//                         over the active part of the input
//     --no-noise          no noise at all
//     --fading PRESET     none, good, moderate, poor or flutter (CCIR; default none)
//     --freq-offset HZ    frequency offset (default 0)
//     --clock-ppm PPM     sample-clock offset of the receiving card (default 0)
//     --seed N            random seed (default 1)
// Mono 16-bit input at 8 kHz or more; the output has the input's rate.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/wav.h"
#include "sim/channel.h"

using namespace vesk;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: hfsim [--snr DB] [--no-noise] [--fading none|good|moderate|poor|flutter]\n"
               "             [--freq-offset HZ] [--clock-ppm PPM] [--seed N] IN.wav OUT.wav\n");
  return 2;
}

bool parse_double(const char* text, double* out) {
  char* end = nullptr;
  *out = std::strtod(text, &end);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  ChannelSimConfig cfg;
  cfg.snr_db = 10;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    double v = 0;
    if (a == "--no-noise") {
      cfg.noise = false;
    } else if (a == "--snr" && has_value && parse_double(argv[i + 1], &v)) {
      cfg.snr_db = v;
      ++i;
    } else if (a == "--freq-offset" && has_value && parse_double(argv[i + 1], &v)) {
      cfg.freq_offset_hz = v;
      ++i;
    } else if (a == "--clock-ppm" && has_value && parse_double(argv[i + 1], &v)) {
      cfg.clock_offset_ppm = v;
      ++i;
    } else if (a == "--seed" && has_value && parse_double(argv[i + 1], &v) && v >= 0) {
      cfg.seed = static_cast<uint64_t>(v);
      ++i;
    } else if (a == "--fading" && has_value) {
      if (!fading_preset_from_text(argv[i + 1], &cfg.fading)) return usage();
      ++i;
    } else if (!a.empty() && a[0] == '-') {
      return usage();
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) return usage();

  std::vector<int16_t> in;
  WavFormat fmt;
  if (!wav_read_file(files[0], in, &fmt)) {
    std::fprintf(stderr, "hfsim: cannot read %s as a WAV file\n", files[0].c_str());
    return 1;
  }
  if (fmt.channels != 1 || fmt.sample_rate < 8000) {
    std::fprintf(stderr, "hfsim: %s must be mono at 8000 Hz or more\n", files[0].c_str());
    return 1;
  }
  std::vector<float> x(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) x[i] = in[i] / 32768.0f;
  cfg.sample_rate = fmt.sample_rate;
  cfg.signal_power = channel_measure_power(x.data(), static_cast<int>(x.size()), cfg.sample_rate);
  ChannelSim sim;
  if (!channel_sim_init(sim, cfg)) {
    std::fprintf(stderr, "hfsim: channel settings out of range\n");
    return 2;
  }
  std::vector<int16_t> out;
  channel_sim_process16(sim, in.data(), static_cast<int>(in.size()), out);
  if (!wav_write_file(files[1], out.data(), static_cast<int64_t>(out.size()), fmt.sample_rate, 1)) {
    std::fprintf(stderr, "hfsim: cannot write %s\n", files[1].c_str());
    return 1;
  }
  return 0;
}
