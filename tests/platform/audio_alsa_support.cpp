// ALSA configuration for the tests: the system's configuration with the default device
// pointed at ALSA's "null" device, so the ALSA back end runs without any sound hardware.
#include "tests/platform/audio_alsa_support.h"

#include <cstdlib>
#include <fstream>

namespace vesk::test {

void use_alsa_config(const std::string& dir, bool with_default) {
  const std::string path = dir + "/asound.conf";
  std::ofstream f(path);
  f << "</usr/share/alsa/alsa.conf>\n";
  if (with_default) {
    f << "pcm.!default { type plug slave.pcm \"null\" }\n";
  } else {
    f << "pcm.!default { type hw card 99 }\n";
  }
  f.close();
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
}

}  // namespace vesk::test
