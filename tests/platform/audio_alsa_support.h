#pragma once

#include <string>

namespace vesk::test {

// Points ALSA at a configuration file written into `dir`: the system's configuration, with
// "default" on the null device, or (with_default false) on a card that does not exist.
void use_alsa_config(const std::string& dir, bool with_default = true);

}  // namespace vesk::test
