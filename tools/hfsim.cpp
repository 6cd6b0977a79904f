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
#include <algorithm>
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

constexpr int64_t kBlockFrames = 65536;

// The signal power as channel_measure_power gives it for the whole recording (the mean power
// of the 10 ms blocks within 20 dB of the loudest), fed a piece at a time. Keeps one figure
// per 10 ms block.
class PowerMeter {
 public:
  explicit PowerMeter(int rate) : block_(std::max(1, rate / 100)) {}
  void add(const int16_t* x, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      const float v = x[i] / 32768.0f;
      sum_ += static_cast<double>(v) * v;
      if (++filled_ == block_) {
        powers_.push_back(sum_ / block_);
        sum_ = 0;
        filled_ = 0;
      }
    }
  }
  double power() const {
    if (powers_.empty()) return 0;
    const double peak = *std::max_element(powers_.begin(), powers_.end());
    double sum = 0;
    int n = 0;
    for (double p : powers_)
      if (p >= peak / 100) sum += p, ++n;
    return n > 0 ? sum / n : 0;
  }

 private:
  int block_;
  int filled_ = 0;
  double sum_ = 0;
  std::vector<double> powers_;
};

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

  // The file is streamed twice, a block at a time: once to measure the signal, once through
  // the channel, so a file of any length needs no more memory than a block.
  WavReader reader;
  if (!reader.open(files[0])) {
    std::fprintf(stderr, "hfsim: cannot read %s as a WAV file: %s\n", files[0].c_str(), reader.error().c_str());
    return 1;
  }
  const WavFormat fmt = reader.format();
  if (fmt.channels != 1 || fmt.sample_rate < 8000) {
    std::fprintf(stderr, "hfsim: %s must be mono at 8000 Hz or more\n", files[0].c_str());
    return 1;
  }
  std::vector<int16_t> block(kBlockFrames);
  cfg.sample_rate = fmt.sample_rate;
  {
    PowerMeter meter(fmt.sample_rate);
    for (int64_t n; (n = reader.read(block.data(), kBlockFrames)) > 0;) meter.add(block.data(), n);
    cfg.signal_power = meter.power();
  }
  ChannelSim sim;
  if (!channel_sim_init(sim, cfg)) {
    std::fprintf(stderr, "hfsim: channel settings out of range\n");
    return 2;
  }
  if (!reader.open(files[0])) {
    std::fprintf(stderr, "hfsim: cannot read %s again: %s\n", files[0].c_str(), reader.error().c_str());
    return 1;
  }
  WavWriter writer;
  bool written = writer.open(files[1], fmt.sample_rate, 1) == 1;
  std::vector<int16_t> out;
  for (int64_t n; written && (n = reader.read(block.data(), kBlockFrames)) > 0;) {
    out.clear();
    channel_sim_process16(sim, block.data(), static_cast<int>(n), out);
    written = writer.write(out.data(), static_cast<int64_t>(out.size())) == 1;
  }
  if (!written || writer.close() != 1) {
    std::fprintf(stderr, "hfsim: cannot write %s\n", files[1].c_str());
    return 1;
  }
  return 0;
}
