// The options the sound card and its mixer read and write, one function each, so that the
// card reaches the station database through a single place.
#include "db/options.h"
#include "modem/sound_card.h"

namespace vesk {

int snd_option_wave_in_device() { return db_get_wave_in_device(); }
void snd_set_option_wave_in_device(int device) { db_set_wave_in_device(device); }
int snd_option_wave_out_device() { return db_get_wave_out_device(); }
void snd_set_option_wave_out_device(int device) { db_set_wave_out_device(device); }
int snd_option_twx_mode() { return db_get_twx_mode(); }
void snd_set_option_twx_mode(int mode) { db_set_twx_mode(mode); }
int snd_option_tx_audio_level() { return db_get_tx_audio_level(); }
int snd_option_rx_audio_level() { return db_get_rx_audio_level(); }
void snd_set_option_tx_audio_level(int level) { db_set_tx_audio_level(level); }
void snd_set_option_rx_audio_level(int level) { db_set_rx_audio_level(level); }
int snd_option_mixer_input() { return db_get_mixer_input(); }
void snd_set_option_mixer_input(int source) { db_set_mixer_input(source); }

}  // namespace vesk
