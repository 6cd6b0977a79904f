// AudioMixer: the sound card's own volume controls and its capture source selector.
//
// The ALSA back end uses the simple-mixer interface of a card; the no-op mixer stands in
// where there is no card (null, WAV and loopback devices): every control is there, with a
// range of 0 to 100, and setting it changes nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vesk {

enum class MixerControl { WaveOut, LineIn, MicIn };

class AudioMixer {
 public:
  virtual ~AudioMixer() = default;
  // The control's range of values; 0 when the card has no such control.
  virtual int control_range(MixerControl control, long* min, long* max) = 0;
  // Sets the control (all its channels) to `value`; 1 on success.
  virtual int set_control(MixerControl control, long value) = 0;
  // The item names of the capture source selector, in order; empty without a selector.
  virtual std::vector<std::string> input_sources() = 0;
  // Makes `item` the one capture source; 1 on success.
  virtual int select_input_source(int item) = 0;
  virtual std::string name() const = 0;
};

// The simple mixer of an ALSA control device ("default", "hw:1"); null when it cannot be
// opened, with the reason in `error`.
std::unique_ptr<AudioMixer> mixer_open_alsa(const std::string& ctl_name, std::string* error);
std::unique_ptr<AudioMixer> mixer_open_none();
// The control device of the card behind an ALSA PCM name: "hw:1" for "plughw:1,0" or
// "hw:CARD=X,DEV=0", "default" for names that name no card.
std::string mixer_ctl_name_for_pcm(const std::string& pcm_name);

}  // namespace vesk
