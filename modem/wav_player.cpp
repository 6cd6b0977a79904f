#include "modem/wav_player.h"

#include <algorithm>
#include <exception>

#include "modem/resample.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "platform/wav.h"

namespace vesk {

WavPlayerState& wav_player() { return station().state<WavPlayerState>(); }

namespace {

constexpr int kPollMs = 5;
// Beyond the sound's own length: the card's queue of blocks ahead and its delay.
constexpr int64_t kPlayMarginMs = 5000;

int load(const std::string& file, std::vector<int16_t>& out, std::string& error) {
  std::filesystem::path path(file);
  if (path.is_relative()) path = station().dir() / path;
  std::vector<int16_t> raw;
  WavFormat format;
  WavReader reader;
  if (!reader.open(path.string())) {
    error = reader.error();
    return 0;
  }
  format = reader.format();
  // A file that claims more than memory holds fails here rather than in a thread's unwinding.
  try {
    raw.resize(static_cast<std::size_t>(format.frames * format.channels));
    const int64_t got = reader.read(raw.data(), format.frames);
    if (!snd_convert_to_48k_mono(raw.data(), got, format.channels, format.sample_rate, out)) {
      error = "unusable format";
      return 0;
    }
  } catch (const std::exception& e) {
    out.clear();
    error = std::string("cannot load the sound: ") + e.what();
    return 0;
  }
  return 1;
}

bool finished(WavPlayerState& p) {
  std::lock_guard<std::mutex> hold(p.mutex);
  return p.position >= p.samples.size() && p.blocks_played >= p.blocks_submitted;
}

}  // namespace

bool wav_player_busy() { return wav_player().playing.load(); }

std::string wav_player_last_error() {
  WavPlayerState& p = wav_player();
  std::lock_guard<std::mutex> hold(p.mutex);
  return p.last_error;
}

int wav_play_file(const std::string& file, std::function<void()> on_handed) {
  WavPlayerState& p = wav_player();
  if (p.playing.exchange(true)) return WAV_PLAY_BUSY;
  std::vector<int16_t> sound;
  std::string error;
  if (!load(file, sound, error)) {
    std::lock_guard<std::mutex> hold(p.mutex);
    p.last_error = error;
    p.playing = false;
    return WAV_PLAY_NO_FILE;
  }
  SoundCardState& sc = sound_card();
  if (!sc.output_open.load()) {
    std::lock_guard<std::mutex> hold(p.mutex);
    p.last_error = "no audio output";
    p.playing = false;
    return WAV_PLAY_NO_OUTPUT;
  }
  const int64_t length_ms = static_cast<int64_t>(sound.size()) * 1000 / kAudioRate;
  {
    std::lock_guard<std::mutex> hold(p.mutex);
    p.samples = std::move(sound);
    p.on_handed = std::move(on_handed);
    p.position = 0;
    p.blocks_submitted = 0;
    p.blocks_played = 0;
    p.last_error.clear();
  }
  Clock& clock = station().clock();
  const int64_t deadline = clock.mono_ms() + length_ms + kPlayMarginMs;
  int result = WAV_PLAY_DONE;
  while (!finished(p)) {
    if (clock.mono_ms() > deadline) {
      result = WAV_PLAY_TIMEOUT;
      break;
    }
    // A harness without audio threads steps the card itself; so does the player while it
    // waits, or the sound would never leave.
    if (!sc.threaded) snd_step();
    clock.sleep_ms(kPollMs);
  }
  {
    std::lock_guard<std::mutex> hold(p.mutex);
    if (result != WAV_PLAY_DONE) p.last_error = "the sound card stopped playing";
    p.samples.clear();
    p.position = 0;
    p.on_handed = nullptr;
  }
  p.playing = false;
  return result;
}

int wav_player_next_block(int16_t* dst, int max) {
  WavPlayerState& p = wav_player();
  if (!p.playing.load()) return 0;
  std::function<void()> handed;
  std::size_t n = 0;
  {
    std::lock_guard<std::mutex> hold(p.mutex);
    if (p.position >= p.samples.size()) return 0;
    n = std::min(static_cast<std::size_t>(max), p.samples.size() - p.position);
    std::copy_n(p.samples.begin() + static_cast<std::ptrdiff_t>(p.position), n, dst);
    p.position += n;
    p.blocks_submitted++;
    if (p.position >= p.samples.size()) handed = std::move(p.on_handed);
  }
  if (handed) handed();
  return static_cast<int>(n);
}

void wav_player_block_played() {
  WavPlayerState& p = wav_player();
  std::lock_guard<std::mutex> hold(p.mutex);
  p.blocks_played++;
}

}  // namespace vesk
