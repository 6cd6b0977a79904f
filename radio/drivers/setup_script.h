// A model's set-up after its radio port opens, as data: its opening lines, the
// preconfiguration (left out when the operator turned preconfiguration off), and its closing
// lines. A radio type's row names its script (`RadioTypeRow::setup_script`);
// `radio_setup_run_script` (radio/radio_setup.h) runs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vesk {

enum class SetupScriptKind : uint8_t {
  Line,   // a set-up line with `text`
  Bytes,  // `length` bytes of `text`, through the radio queue
  Pause,  // the sequence pause (200 ms)
};

struct SetupScriptStep {
  SetupScriptKind kind = SetupScriptKind::Pause;
  const char* text = nullptr;
  uint8_t length = 0;
};

struct SetupScript {
  std::span<const SetupScriptStep> open;
  std::span<const SetupScriptStep> preconfig;  // skipped when preconfiguration is off
  std::span<const SetupScriptStep> close;
  bool disabled_line = true;  // preconfiguration off writes the "disabled" line in its place
};

namespace setup_script {
constexpr SetupScriptStep line(const char* text) { return SetupScriptStep{SetupScriptKind::Line, text}; }
template <std::size_t N>
constexpr SetupScriptStep bytes(const char (&b)[N]) {
  return SetupScriptStep{SetupScriptKind::Bytes, b, static_cast<uint8_t>(N - 1)};
}
inline constexpr SetupScriptStep kPause{SetupScriptKind::Pause};
}  // namespace setup_script

// The scripts (setup_scripts.cpp), named after the models that run them.
extern const SetupScript kSetupFt890;
extern const SetupScript kSetupFt990;
extern const SetupScript kSetupFt920;
extern const SetupScript kSetupFt920Data;
extern const SetupScript kSetupFt1000mp;
extern const SetupScript kSetupFt1000mpQss;
extern const SetupScript kSetupFt980;
extern const SetupScript kSetupFt767;
extern const SetupScript kSetupFt650;
extern const SetupScript kSetupFt847;
extern const SetupScript kSetupFt817;
extern const SetupScript kSetupFt817Dig;
extern const SetupScript kSetupFt757;
extern const SetupScript kSetupFt600;
extern const SetupScript kSetupVx1700;
extern const SetupScript kSetupVx1700J2b;
extern const SetupScript kSetupFrg100;
extern const SetupScript kSetupFrg8800;
extern const SetupScript kSetupVr5000;

}  // namespace vesk
