// WAV player: plays a sound file through the station's own audio output, the way the radio
// hears every other transmission (voice identification, the tune sound).
//
// The file (any PCM WAV the reader takes) is converted to 48 kHz mono 16 bit and handed to
// the sound card's transmit feed block by block when the feed has nothing of the modems to
// send. Player blocks belong to no ALE or modem transmission: their end posts no
// end-of-transmission event and releases no transmitter; the caller keys and unkeys. Playing
// is synchronous: wav_play_file returns once the last block has left the card.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int WAV_PLAY_DONE = 1;
inline constexpr int WAV_PLAY_BUSY = 0;       // already playing: nothing done
inline constexpr int WAV_PLAY_NO_FILE = -1;   // missing or not a WAV the reader takes
inline constexpr int WAV_PLAY_NO_OUTPUT = -2; // the sound card has no output open
inline constexpr int WAV_PLAY_TIMEOUT = -3;   // the card stopped taking blocks

struct WavPlayerState {
  std::atomic<bool> playing{false};
  std::mutex mutex;               // guards the fields below (player thread and audio thread)
  std::vector<int16_t> samples;   // the sound at 48 kHz mono
  std::size_t position = 0;       // next sample to hand to the feed
  int64_t blocks_submitted = 0;
  int64_t blocks_played = 0;
  std::string last_error;
  std::function<void()> on_handed;  // run once the last sample has gone to the feed
};

WavPlayerState& wav_player();

// Plays a file (a path, or a name relative to the station folder) and returns when it has
// been played (WAV_PLAY_DONE), at once with WAV_PLAY_BUSY while another sound plays, or with
// one of the failures above (the reason in wav_player().last_error). `on_handed`, when given,
// runs on the audio thread as soon as the sound's last sample has gone to the transmit feed, so
// that what follows the sound can be queued to go out right behind it; it does not run when the
// sound does not play.
int wav_play_file(const std::string& file, std::function<void()> on_handed = {});
bool wav_player_busy();
// Why the last play failed.
std::string wav_player_last_error();

// The sound card's side, on its audio thread.
int wav_player_next_block(int16_t* dst, int max);
void wav_player_block_played();

}  // namespace vesk
