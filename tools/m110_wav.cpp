// m110-wav: serial-tone modem transmissions to and from WAV files through the station's own
// modem code.
//
//   m110-wav encode MODE IN OUT.wav   the bytes of IN sent in MODE (75NS 75NL 150S 150L 300S
//                                     300L 600S 600L 1200S 1200L 2400S 2400L 2400V 4800S) as
//                                     48 kHz mono 16-bit samples, at the sound card's drive
//                                     level and the carrier of the station's default settings.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/options.h"
#include "modem/resample.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  Station station(".", std::make_unique<SimClock>());
  StationScope scope(station);
  db_set_default_options();
  const std::string cmd = argv[1];
  if (cmd == "encode" && argc == 5) return encode(argv[2], argv[3], argv[4]);
  return usage();
}
