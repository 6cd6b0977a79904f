// AudioDevice: one direction of the sound card (capture or playback) at 48 kHz, mono,
// signed 16 bit, in the shape of a buffer-passing wave device.
//
// The owner hands the device buffers (to play, or to fill) and gets each one back through a
// completion function, in order, once it has been played or filled. Back ends:
//   - ALSA: a card, driven by an I/O thread of the device; an output buffer counts as done
//     when it has left the card (frames written minus the card's delay);
//   - null: silence in, nothing out;
//   - WAV: capture from a file (silence after its end), playback into a file;
//   - loopback: playback into, and capture from, an AudioLoopback that a harness places
//     between two stations (through the channel simulator).
// The null, WAV and loopback back ends have no thread: they run on the station's clock and
// deliver what has fallen due whenever poll() is called, so simulated runs are repeatable.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vesk {

class Clock;

inline constexpr int kAudioRate = 48000;

// A buffer lent to a device. The owner keeps the memory; the device keeps the pointer from
// write()/add_buffer() until it hands it back through the completion function.
struct AudioBuffer {
  int16_t* samples = nullptr;
  int capacity = 0;   // frames the data area holds
  int frames = 0;     // output: frames to play; input: frames filled
  intptr_t user = 0;  // the owner's word
};

enum class AudioDirection { Input, Output };

// Open results; the numbers are those of the sound card's error table.
enum AudioResult : int {
  AUDIO_OK = 0,
  AUDIO_ERR_BADDEVICEID = 2,
  AUDIO_ERR_ALLOCATED = 4,
  AUDIO_ERR_NODRIVER = 6,
  AUDIO_ERR_NOMEM = 7,
  AUDIO_ERR_INVALPARAM = 11,
  AUDIO_ERR_BADFORMAT = 32,
  AUDIO_ERR_SYNC = 35,  // the device plays only synchronously
};

struct AudioCallbacks {
  // A finished buffer: played (output) or filled (input). Runs on the device's I/O thread or
  // inside poll(); it must only hand the buffer on.
  std::function<void(AudioBuffer*)> done;
  // A line for the station's log (overruns, underruns, device errors); may be empty.
  std::function<void(const std::string&)> log;
};

class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Opens the device; an AudioResult.
  virtual int open(AudioCallbacks callbacks) = 0;
  // Output: queue a buffer for playing. Input: queue a buffer for filling. 1 on success.
  virtual int submit(AudioBuffer* buffer) = 0;
  // Starts the stream (input; output starts with its first buffer).
  virtual int start() = 0;
  // Stops and closes; once it returns no completion runs and no buffer is referenced.
  virtual void close() = 0;
  // Clock-driven back ends deliver what has fallen due by now; threaded ones do nothing.
  virtual void poll() {}
  // What the device is, for log lines ("alsa:default", "null", "wav:in.wav").
  virtual std::string name() const = 0;
};

// In-process audio path from one station's output to another's input, indexed by the
// sample time of the shared clock: what is played at sample n is heard at sample n. A
// channel function (noise, fading) may process the samples on their way, in order.
class AudioLoopback {
 public:
  void set_channel(std::function<void(int16_t* samples, int count)> channel);
  // Adds samples played from sample time `index` on.
  void write(int64_t index, const int16_t* samples, int count);
  // The samples heard from `index` on (silence where nothing was played); everything
  // before `index + count` is then forgotten.
  void read(int64_t index, int16_t* samples, int count);

 private:
  static constexpr std::size_t kMaxBacklog = 60 * kAudioRate;
  std::mutex mutex_;
  std::function<void(int16_t*, int)> channel_;
  std::deque<int32_t> pending_;  // sums of what was played from base_ on
  int64_t base_ = 0;
};

// A device from its description: "null", "wav:PATH" (input reads, output writes PATH),
// "alsa:NAME" (an ALSA PCM name, e.g. "alsa:default" or "alsa:hw:1,0"). Null for a
// description that names no back end. Clock-driven back ends run on `clock`.
std::unique_ptr<AudioDevice> audio_device_create(const std::string& spec, AudioDirection dir, Clock& clock);
std::unique_ptr<AudioDevice> audio_null_device(AudioDirection dir, Clock& clock);
std::unique_ptr<AudioDevice> audio_wav_device(const std::string& path, AudioDirection dir, Clock& clock);
std::unique_ptr<AudioDevice> audio_loopback_device(std::shared_ptr<AudioLoopback> path, AudioDirection dir,
                                                   Clock& clock);
std::unique_ptr<AudioDevice> audio_alsa_device(const std::string& pcm_name, AudioDirection dir);

// A clock-driven device whose samples go to `play` and come from `capture`, each given the
// sample time (48 kHz count on `clock`) of its first sample: the pacing of the null, WAV and
// loopback back ends for another medium, such as a simulated ether.
struct PacedSamples {
  std::string name;
  std::function<void(int64_t index, const int16_t* samples, int count)> play;
  std::function<void(int64_t index, int16_t* samples, int count)> capture;
};
std::unique_ptr<AudioDevice> audio_paced_device(PacedSamples samples, AudioDirection dir, Clock& clock);

// The ALSA PCM names that can capture (Input) or play (Output), in ALSA's order; device
// number N of the options is entry N.
std::vector<std::string> audio_alsa_pcm_names(AudioDirection dir);
// The name to open for device number `number`: "default" for -1, otherwise the Nth listed
// name in its plug form (so mono 16 bit works on any card); empty when there is no such
// device.
std::string audio_alsa_device_name(int number, AudioDirection dir);
// Whether the PCM opens for the direction at 48 kHz, mono, 16 bit (as the sound card opens it).
bool audio_alsa_pcm_opens(const std::string& pcm_name, AudioDirection dir);

}  // namespace vesk
