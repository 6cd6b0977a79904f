#include "ui/command_line.h"

#include "modem/sound_card.h"

namespace vesk {

void CALECommandLineInfo::ParseParam(const std::string& text, bool flag, bool) {
  if (flag) {
    if (m_nFlagParams >= kCommandLineFlagsKept) return;
    m_astrFlagParams.push_back(text);
    ++m_nFlagParams;
  } else if (m_bPlainParam == 0) {
    m_strPlainParam = text;
    m_bPlainParam = 1;
  }
}

bool CALECommandLineInfo::parse(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool last = i + 1 == argc;
    if (arg == "--dir" && !last) {
      dir = argv[++i];
    } else if ((arg == "--audio-in" || arg == "--audio-out") && !last) {
      const std::string spec = argv[++i];
      if (!snd_device_spec_valid(spec)) {
        error = "not a sound device: " + spec;
        return false;
      }
      (arg == "--audio-in" ? audio_in : audio_out) = spec;
    } else if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg.rfind("--", 0) == 0) {
      error = "unknown option " + arg;
      return false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      ParseParam(arg.substr(1), true, last);
    } else {
      ParseParam(arg, false, last);
    }
  }
  return true;
}

std::vector<std::string> CALECommandLineInfo::station_args() const {
  std::vector<std::string> out;
  for (const std::string& f : m_astrFlagParams) out.push_back("-" + f);
  if (m_bPlainParam != 0) out.push_back(m_strPlainParam);
  return out;
}

}  // namespace vesk
