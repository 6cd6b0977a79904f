// The sound card's mixer: output level, recording level and input source from the options.
//
// Set up when the card opens with both devices, and again whenever the operator or a command
// changes a level. Levels are percentages spread over each control's own range. Failures go
// to the network trace and never stop the set-up.
#pragma once

#include <memory>
#include <string>

#include "platform/mixer.h"

namespace vesk {

struct MixerState {
  std::unique_ptr<AudioMixer> input;   // the mixer of the capture device's card
  std::unique_ptr<AudioMixer> output;  // the mixer of the playback device's card
  int mic_item = -1;                   // capture source items starting "Mic" and "Lin"
  int line_item = -1;
};

MixerState& mixer_state();

// Opens the mixers behind the two devices ("alsa:NAME"; any other device has the no-op mixer),
// finds their controls and applies the three options.
void mixer_setup(const std::string& input_device, const std::string& output_device);
// The same with the two mixers given (null: it could not be opened).
void mixer_setup_with(std::unique_ptr<AudioMixer> input, std::unique_ptr<AudioMixer> output);
// 0..100 percent (values outside are clamped).
void mixer_set_wave_out_level(int percent);
void mixer_set_input_level(int percent);
void mixer_select_line_input();
void mixer_select_mic_input();
// Selects by the stored option (1 microphone, 0 line, anything else nothing); returns it.
int mixer_apply_input_selection();
// Selects as above and stores `choice` in the option.
void mixer_select_input(int choice);
void mixer_close();

}  // namespace vesk
