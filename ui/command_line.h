// CALECommandLineInfo: the windowed program's command line. The program's own options
// ("--dir DIR", "--audio-in DEVICE", "--audio-out DEVICE") come first in meaning; the
// station's parameters are flags beginning with "-" (a "/" begins a path, not a flag) and one
// plain parameter, the document whose text becomes the monitor text.
#pragma once

#include <string>
#include <vector>

namespace vesk {

inline constexpr int kCommandLineFlagsKept = 20;

struct CALECommandLineInfo {
  std::vector<std::string> m_astrFlagParams;  // without the leading "-", at most 20
  std::string m_strPlainParam;
  int m_bPlainParam = 0;
  int m_nFlagParams = 0;

  std::string dir;  // empty: the working folder
  std::string audio_in, audio_out;
  bool help = false;
  std::string error;  // a malformed program option

  // One parameter as the parser found it.
  void ParseParam(const std::string& text, bool flag, bool last);
  // Reads the whole command line; false (with `error`) on a malformed program option.
  bool parse(int argc, char** argv);
  // The station's parameters for the engine start, flags first ("-P23"), then the document.
  std::vector<std::string> station_args() const;
};

}  // namespace vesk
