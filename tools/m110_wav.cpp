// m110-wav: serial-tone modem transmissions to and from WAV files through the station's own
// modem code.
//
//   m110-wav encode MODE IN OUT.wav   the bytes of IN sent in MODE (75NS 75NL 150S 150L 300S
//                                     300L 600S 600L 1200S 1200L 2400S 2400L 2400V 4800S) as
//                                     48 kHz mono 16-bit samples, at the sound card's drive
//                                     level and the carrier of the station's default settings.
//   m110-wav decode IN.wav OUT         finds the mode from the preamble (48 kHz or 9,600 Hz
//                                     mono) and writes every decoded byte up to the message's
//                                     end-of-message pattern. The
//                                     mode, the frequency offset and the byte count go to
//                                     standard error.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/options.h"
#include "modem/resample.h"
#include "modem/serial_tone/m110_rx.h"
#include "modem/serial_tone/m110_tx.h"
#include "modem/sound_card.h"
#include "platform/clock.h"
#include "platform/station.h"
#include "platform/wav.h"

using namespace vesk;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: m110-wav encode MODE IN OUT.wav\n"
               "       m110-wav decode IN.wav OUT\n"
               "MODE: 75NS 75NL 150S 150L 300S 300L 600S 600L 1200S 1200L 2400S 2400L 2400V 4800S\n");
  return 2;
}

int encode(const std::string& mode_name, const std::string& in_path, const std::string& out_path) {
  const int mode = m110_mode_from_name(mode_name);
  if (mode < 0) {
    std::fprintf(stderr, "m110-wav: unknown mode \"%s\"\n", mode_name.c_str());
    return usage();
  }
  std::ifstream in(in_path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "m110-wav: cannot read %s\n", in_path.c_str());
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) {
    std::fprintf(stderr, "m110-wav: %s is empty; an empty message sends nothing\n", in_path.c_str());
    return 1;
  }
  M110Transmitter tx;
  tx.set_carrier_step(m110_carrier_step_from_settings());
  tx.set_mode(mode);
  const std::vector<float> x = tx.send(bytes.data(), bytes.size());
  std::vector<float> up(x.size() * 5);
  InterpolatorState st;
  snd_interpolate_by5(st, x.data(), up.data(), static_cast<int>(x.size()));
  std::vector<int16_t> pcm(up.size());
  for (std::size_t i = 0; i < up.size(); ++i) pcm[i] = snd_float_to_pcm16(up[i]);
  if (!wav_write_file(out_path, pcm.data(), static_cast<int64_t>(pcm.size()), 48000, 1)) {
    std::fprintf(stderr, "m110-wav: cannot write %s\n", out_path.c_str());
    return 1;
  }
  return 0;
}

int decode(const std::string& in_path, const std::string& out_path) {
  WavReader reader;
  if (!reader.open(in_path)) {
    std::fprintf(stderr, "m110-wav: cannot read %s as a WAV file: %s\n", in_path.c_str(), reader.error().c_str());
    return 1;
  }
  const WavFormat fmt = reader.format();
  if (fmt.channels != 1 || (fmt.sample_rate != 48000 && fmt.sample_rate != kM110SampleRate)) {
    std::fprintf(stderr, "m110-wav: %s is %d Hz with %d channels; need 48000 or 9600 Hz mono\n", in_path.c_str(),
                 fmt.sample_rate, fmt.channels);
    return 1;
  }
  std::vector<uint8_t> bytes;
  float offset = 0;
  bool ended = false;
  M110RxConfig cfg;
  cfg.carrier_step = [] { return m110_carrier_step_from_settings(); };
  cfg.on_byte = [&bytes](int b) { bytes.push_back(static_cast<uint8_t>(b)); };
  cfg.status = [&](M110Status s, float hz) {
    if (s == M110Status::FreqOffset) offset = hz;
    // A reception given up (a preamble cut off in a fade) may be followed by another: only
    // the end of the last one counts.
    if (s == M110Status::RxMode) ended = false;
    if (s == M110Status::RxEnd) ended = true;
  };
  M110Receiver receiver(cfg);
  // The file is streamed in pieces of whole decimator blocks, so memory stays small and no
  // count of the file's samples has to fit an int.
  constexpr int kDecimatorFrames = 1260;
  std::vector<int16_t> piece(kDecimatorFrames * 64);
  DecimatorState dec;
  int16_t out9600[kDecimatorFrames / 5 + 8];
  for (int64_t got; (got = reader.read(piece.data(), static_cast<int64_t>(piece.size()))) > 0;) {
    if (fmt.sample_rate != 48000) {
      receiver.rx_samples16(piece.data(), static_cast<int>(got));
      continue;
    }
    for (int64_t i = 0; i < got; i += kDecimatorFrames) {
      const int n = static_cast<int>(std::min<int64_t>(kDecimatorFrames, got - i));
      int count8k = 0, count9600 = 0;
      snd_decimate(dec, &piece[static_cast<std::size_t>(i)], n, nullptr, &count8k, out9600, &count9600);
      receiver.rx_samples16(out9600, count9600);
    }
  }
  // After the file: silence while the receiver decodes the blocks it still holds (at most one
  // long interleaver block and one 200 ms block).
  const std::vector<int16_t> quiet(M110Receiver::kBlock, 0);
  for (int i = 0; i < 26 && !ended && receiver.state() == M110Receiver::State::Data; ++i)
    receiver.rx_samples16(quiet.data(), static_cast<int>(quiet.size()));
  const int mode = receiver.stats().receptions > 0 ? receiver.rx_mode() : -1;
  if (mode < 0) {
    std::fprintf(stderr, "m110-wav: no transmission found in %s\n", in_path.c_str());
    return 1;
  }
  std::ofstream out(out_path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "m110-wav: cannot write %s\n", out_path.c_str());
    return 1;
  }
  std::fprintf(stderr, "mode %s, frequency offset %+.1f Hz, %zu bytes\n", m110_mode_info(mode).short_name, offset,
               bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  Station station(".", std::make_unique<SimClock>());
  StationScope scope(station);
  db_set_default_options();
  const std::string cmd = argv[1];
  if (cmd == "encode" && argc == 5) return encode(argv[2], argv[3], argv[4]);
  if (cmd == "decode" && argc == 4) return decode(argv[2], argv[3]);
  return usage();
}
