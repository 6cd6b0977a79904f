// The main frame's own controls, without the window: titles, the option switches, the TWA,
// SCLC and macro lists, DO CMD and RESOURCES. What can wait on the engine or the interpreter
// (scripts, command lines, opening and closing devices) is handed to the command executor, in
// order, so the window never waits.
#pragma once

#include <array>
#include <string>

namespace vesk {

inline constexpr const char* kFrameStartTitle =
    "VESK-ALE Standard Edition MIL-STD-188-141A & MIL-STD-188-110 Controller";
inline constexpr const char* kFrameRestoredTitle = "MIL-STD 188-141A & MIL-STD 188-110 Controller";
inline constexpr const char* kFrameDoCmdText = "CMD ";
inline constexpr int kFrameMacros = 30;

// The title while minimised: status text 0 without its four-character prefix ("CHN ",
// "FRQ "; a shorter text gives an empty field), text 1 and text 2.
std::string frame_minimised_title(const std::string& text0, const std::string& text1, const std::string& text2);

// The four switch buttons of the status bar.
enum class FrameSwitch { AqcAle, Sounding, AqcBurst, LinkedTwx };
void frame_toggle(FrameSwitch which);

// TWA and SCLC lists (double click): the selected index, -1 when none is selected.
inline constexpr std::array<int, 6> kFrameTwaSecs = {0, 60, 120, 180, 240, 300};
inline constexpr std::array<int, 6> kFrameSclc = {0, 4, 8, 12, 16, 20};
void frame_choose_twa(int index);
void frame_choose_sclc(int index);

// Macro n (0..29): "MACRO<n+1>.MAC" runs on the command executor, then its line is written.
void frame_run_macro(int index);
// DO CMD: the command field's text runs on the command executor as a host-port line (any of
// the port's verbs; its reply goes to a connected client).
void frame_do_cmd(const std::string& text);
// RESOURCES: release or reclaim the sound card and ports, on the command executor.
void frame_resources();

}  // namespace vesk
