// The options the sound card and its mixer read and write, one function each, so that the
// card reaches the station database through a single place.
#include "modem/sound_card.h"
#include "platform/station.h"

namespace vesk {

namespace {

// Stand-in for the station database's option fields, with their defaults.
struct SoundOptions {
  int wave_in_device = -1;
  int wave_out_device = -1;
  int twx_mode = 0;
  int tx_audio_level = 10;
  int rx_audio_level = 5;
  int mixer_input = 0;
};

SoundOptions& options() { return station().state<SoundOptions>(); }

}  // namespace

int snd_option_wave_in_device() { return options().wave_in_device; }
void snd_set_option_wave_in_device(int device) { options().wave_in_device = device; }
int snd_option_wave_out_device() { return options().wave_out_device; }
void snd_set_option_wave_out_device(int device) { options().wave_out_device = device; }
int snd_option_twx_mode() { return options().twx_mode; }
void snd_set_option_twx_mode(int mode) { options().twx_mode = mode; }
int snd_option_tx_audio_level() { return options().tx_audio_level; }
int snd_option_rx_audio_level() { return options().rx_audio_level; }
void snd_set_option_tx_audio_level(int level) { options().tx_audio_level = level; }
void snd_set_option_rx_audio_level(int level) { options().rx_audio_level = level; }
int snd_option_mixer_input() { return options().mixer_input; }
void snd_set_option_mixer_input(int source) { options().mixer_input = source; }

}  // namespace vesk
