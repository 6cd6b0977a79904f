// The manual radio control panel, Goto Channel and the channel save, without the window. The
// panel's state (entry text, frequency, step, working record) and each button's effect are
// Qt-free; what talks to the radio runs on the command executor, so the window never waits.
// The per-type rules (slider, mode buttons) are fields of the radio type description.
#pragma once

#include <string>

#include "db/database.h"

namespace vesk {

inline constexpr int kPanelFreqMin = 10000;
inline constexpr int kPanelFreqMax = 88000000;

enum class PanelMode { Lsb, Usb, Cw, Fm, AmSam, CwR, PktU, DigU, DigL, AmN, CwN, FmNW, FPsk, Isb };

struct RadioPanel {
  std::string mode_text;
  std::string entry;
  bool entry_active = false;
  ChannelRecord record{};  // the working record, number 0
  int freq = 0;
  int step = 1000;
  int tunings = 0;  // sends handed to the executor (for the window's tests and displays)
};

// A fresh working record: the SAVE CHANNEL values (receive-only, group 0, no key).
ChannelRecord panel_blank_record();
// The panel's start: texts from the current channel, step 1 kHz.
void panel_start(RadioPanel& p);
// The status refresh's channel; left alone while digits are being keyed.
void panel_show_channel(RadioPanel& p, const ChannelRecord* channel);

// Keypad: "0"-"9" and "." ('*'), CLR, DEL.
void panel_key(RadioPanel& p, char c);
void panel_clear(RadioPanel& p);
void panel_delete(RadioPanel& p);
// ENT (1), Khz (1000), Mhz (1000000): the entry read exactly in hertz (cut below 1 Hz),
// clamped, stored as channel 0 and tuned. Nothing when the entry holds no number.
void panel_enter(RadioPanel& p, int multiplier);
// The entry text in hertz: false when it holds no number. Exact decimal arithmetic.
bool panel_entry_hz(const std::string& entry, int multiplier, long long* hz);
// UP and DOWN by the step; at a limit the clamped value is shown and tuned.
void panel_up(RadioPanel& p);
void panel_down(RadioPanel& p);
void panel_mode(RadioPanel& p, PanelMode button);

// The receiver level slider by radio type: its maximum, or 0 when it is hidden.
int panel_slider_max(int radio_type, int kenwood_model);
// A slider position (the top the loudest): sets the level when it differs from the configured one.
void panel_slider(int radio_type, int kenwood_model, int position);

// SAVE CHANNEL after "Are you sure !": the working record into the first free channel.
// Returns the line for a full table, or empty.
std::string panel_save_channel(RadioPanel& p);
// START, STOP and PAUSE, channel up and down, MUTE.
void panel_start_scan(RadioPanel& p);
void panel_stop_scan();
void panel_channel_step(bool up);
void panel_mute();

// Goto Channel: only an in-use channel 1 to 256; false (with the focus kept) for anything else,
// true for an empty text (which only closes) and a good channel (stop, pause, tune, stop on
// the command executor).
bool goto_channel_ok(const std::string& text, bool* closes);

}  // namespace vesk
