// The ALSA back end of AudioDevice: one PCM per direction, driven by an I/O thread of the
// device so that neither a long output block nor a slow card ever blocks the audio thread.
#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <exception>
#include <condition_variable>
#include <thread>

#include "platform/audio.h"
#include "platform/thread.h"

namespace vesk {

namespace {

constexpr unsigned kBufferTimeUs = 120000;  // what the card holds ahead
constexpr unsigned kPeriodTimeUs = 20000;
constexpr int kWaitMs = 20;                 // longest wait, so close is noticed quickly

// ALSA reports configuration trouble on standard error; the device reports its own faults.
void quiet_alsa_errors(const char*, int, const char*, int, const char*, ...) {}

int open_result(int err) {
  switch (-err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EINVAL:
      return AUDIO_ERR_BADDEVICEID;
    case EBUSY:
    case EAGAIN:
      return AUDIO_ERR_ALLOCATED;
    case ENOMEM:
      return AUDIO_ERR_NOMEM;
    default:
      return AUDIO_ERR_NODRIVER;
  }
}

class AlsaDevice : public AudioDevice {
 public:
  AlsaDevice(std::string pcm_name, AudioDirection dir) : name_(std::move(pcm_name)), dir_(dir) {}
  ~AlsaDevice() override { close(); }

  std::string name() const override { return "alsa:" + name_; }

  int open(AudioCallbacks callbacks) override {
    if (pcm_ != nullptr) return AUDIO_OK;
    snd_lib_error_set_handler(quiet_alsa_errors);
    const snd_pcm_stream_t stream = dir_ == AudioDirection::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    int err = snd_pcm_open(&pcm_, name_.c_str(), stream, SND_PCM_NONBLOCK);
    if (err < 0) {
      pcm_ = nullptr;
      return open_result(err);
    }
    const int rc = set_params();
    if (rc != AUDIO_OK) {
      snd_pcm_close(pcm_);
      pcm_ = nullptr;
      return rc;
    }
    callbacks_ = std::move(callbacks);
    stop_ = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open_ = true;
    }
    thread_ = std::thread([this] {
      set_thread_name(dir_ == AudioDirection::Output ? "alsa-out" : "alsa-in");
      try {
        if (dir_ == AudioDirection::Output) {
          run_output();
        } else {
          run_input();
        }
      } catch (const std::exception& e) {
        thread_report_fault(dir_ == AudioDirection::Output ? "alsa-out" : "alsa-in", e.what());
      }
    });
    return AUDIO_OK;
  }

  int submit(AudioBuffer* b) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || b == nullptr) return 0;
    if (dir_ == AudioDirection::Input) b->frames = 0;
    fifo_.push_back(b);
    cv_.notify_all();
    return 1;
  }

  int start() override {
    started_ = true;
    cv_.notify_all();
    return 1;
  }

  void close() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!open_) return;
      open_ = false;
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    fifo_.clear();
  }

 private:
  int set_params() {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm_, hw) < 0) return AUDIO_ERR_NODRIVER;
    if (snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return AUDIO_ERR_BADFORMAT;
    if (snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16) < 0) return AUDIO_ERR_BADFORMAT;
    if (snd_pcm_hw_params_set_channels(pcm_, hw, 1) < 0) return AUDIO_ERR_BADFORMAT;
    snd_pcm_hw_params_set_rate_resample(pcm_, hw, 1);
    if (snd_pcm_hw_params_set_rate(pcm_, hw, kAudioRate, 0) < 0) return AUDIO_ERR_BADFORMAT;
    unsigned buffer_us = kBufferTimeUs, period_us = kPeriodTimeUs;
    snd_pcm_hw_params_set_buffer_time_near(pcm_, hw, &buffer_us, nullptr);
    snd_pcm_hw_params_set_period_time_near(pcm_, hw, &period_us, nullptr);
    if (snd_pcm_hw_params(pcm_, hw) < 0) return AUDIO_ERR_INVALPARAM;
    snd_pcm_uframes_t period = 0, buffer = 0;
    snd_pcm_hw_params_get_period_size(hw, &period, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw, &buffer);
    period_ = std::max<snd_pcm_uframes_t>(period, 64);
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_sw_params_current(pcm_, sw);
    snd_pcm_sw_params_set_avail_min(pcm_, sw, period_);
    // Playback starts as soon as one period is in, not when the whole buffer is.
    if (dir_ == AudioDirection::Output) snd_pcm_sw_params_set_start_threshold(pcm_, sw, period_);
    if (snd_pcm_sw_params(pcm_, sw) < 0) return AUDIO_ERR_INVALPARAM;
    if (snd_pcm_prepare(pcm_) < 0) return AUDIO_ERR_NODRIVER;
    return AUDIO_OK;
  }

  void log(const std::string& line) {
    if (callbacks_.log) callbacks_.log(line);
  }

  // Recovers from an overrun, an underrun or a suspend; false when the PCM is gone.
  bool recover(int err, const char* what) {
    if (err == -EAGAIN) return true;
    if (err == -EPIPE) log(std::string(what) + (dir_ == AudioDirection::Output ? " underrun" : " overrun"));
    if (snd_pcm_recover(pcm_, err, 1) < 0) {
      log(std::string(what) + " error: " + snd_strerror(err));
      return false;
    }
    if (dir_ == AudioDirection::Input) snd_pcm_start(pcm_);
    return true;
  }

  void run_output() {
    int64_t written = 0;       // frames handed to the card
    std::size_t writing = 0;   // fifo index of the buffer being written
    int offset = 0;            // frames of it already written
    std::deque<int64_t> ends;  // per fifo entry: `written` at its last frame, once fully written
    while (!stop_) {
      AudioBuffer* current = nullptr;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (writing >= fifo_.size()) {
          cv_.wait_for(lock, std::chrono::milliseconds(5), [&] { return stop_ || writing < fifo_.size(); });
        }
        if (writing < fifo_.size()) current = fifo_[writing];
      }
      if (current != nullptr) {
        snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) {
          if (!recover(static_cast<int>(avail), "output")) break;
          continue;
        }
        if (avail == 0) {
          snd_pcm_wait(pcm_, kWaitMs);
        } else {
          const snd_pcm_uframes_t n = std::min<snd_pcm_uframes_t>(avail, current->frames - offset);
          const snd_pcm_sframes_t got = snd_pcm_writei(pcm_, current->samples + offset, n);
          if (got < 0) {
            if (!recover(static_cast<int>(got), "output")) break;
          } else {
            written += got;
            offset += static_cast<int>(got);
            if (offset >= current->frames) {
              ends.push_back(written);
              ++writing;
              offset = 0;
            }
          }
        }
      }
      // A buffer is done when its last frame has left the card: written minus the delay.
      snd_pcm_sframes_t delay = 0;
      if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;
      const int64_t played = written - delay;
      std::vector<AudioBuffer*> done;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!ends.empty() && ends.front() <= played) {
          done.push_back(fifo_.front());
          fifo_.pop_front();
          ends.pop_front();
          --writing;
        }
      }
      for (AudioBuffer* b : done)
        if (callbacks_.done) callbacks_.done(b);
    }
  }

  void run_input() {
    std::vector<int16_t> staging(static_cast<std::size_t>(std::max<snd_pcm_uframes_t>(period_, 1024)));
    bool running = false;
    bool short_of_buffers = false;
    while (!stop_) {
      if (!running) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return stop_ || started_.load(); });
        if (stop_ || !started_) continue;
        lock.unlock();
        snd_pcm_start(pcm_);
        running = true;
      }
      snd_pcm_wait(pcm_, kWaitMs);
      const snd_pcm_sframes_t got = snd_pcm_readi(pcm_, staging.data(), staging.size());
      if (got < 0) {
        if (!recover(static_cast<int>(got), "input")) break;
        continue;
      }
      // Re-chunk the card's periods into the owner's buffers.
      std::vector<AudioBuffer*> done;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (snd_pcm_sframes_t i = 0; i < got;) {
          if (fifo_.empty()) {
            if (!short_of_buffers) log("input overrun: no free buffer, audio lost");
            short_of_buffers = true;
            break;
          }
          short_of_buffers = false;
          AudioBuffer* b = fifo_.front();
          const int n = static_cast<int>(std::min<snd_pcm_sframes_t>(got - i, b->capacity - b->frames));
          std::copy_n(staging.data() + i, n, b->samples + b->frames);
          b->frames += n;
          i += n;
          if (b->frames >= b->capacity) {
            done.push_back(b);
            fifo_.pop_front();
          }
        }
      }
      for (AudioBuffer* b : done)
        if (callbacks_.done) callbacks_.done(b);
    }
  }

  std::string name_;
  AudioDirection dir_;
  snd_pcm_t* pcm_ = nullptr;
  snd_pcm_uframes_t period_ = 960;
  AudioCallbacks callbacks_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> started_{false};
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<AudioBuffer*> fifo_;
  bool open_ = false;  // guarded by mutex_
};

}  // namespace

std::unique_ptr<AudioDevice> audio_alsa_device(const std::string& pcm_name, AudioDirection dir) {
  return std::make_unique<AlsaDevice>(pcm_name, dir);
}

std::vector<std::string> audio_alsa_pcm_names(AudioDirection dir) {
  std::vector<std::string> names;
  snd_lib_error_set_handler(quiet_alsa_errors);
  void** hints = nullptr;
  if (snd_device_name_hint(-1, "pcm", &hints) < 0) return names;
  const char* want = dir == AudioDirection::Output ? "Output" : "Input";
  for (void** h = hints; *h != nullptr; ++h) {
    char* name = snd_device_name_get_hint(*h, "NAME");
    char* ioid = snd_device_name_get_hint(*h, "IOID");
    if (name != nullptr && (ioid == nullptr || std::string(ioid) == want)) names.emplace_back(name);
    free(name);
    free(ioid);
  }
  snd_device_name_free_hint(hints);
  return names;
}

std::string audio_alsa_device_name(int number, AudioDirection dir) {
  if (number == -1) return "default";
  const std::vector<std::string> names = audio_alsa_pcm_names(dir);
  if (number < 0 || static_cast<std::size_t>(number) >= names.size()) return "";
  const std::string& n = names[static_cast<std::size_t>(number)];
  if (n.rfind("hw:", 0) == 0) return "plug" + n;  // hw:... -> plughw:...
  return n;
}

bool audio_alsa_pcm_opens(const std::string& pcm_name, AudioDirection dir) {
  snd_lib_error_set_handler(quiet_alsa_errors);
  snd_pcm_t* pcm = nullptr;
  const snd_pcm_stream_t stream = dir == AudioDirection::Output ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
  if (snd_pcm_open(&pcm, pcm_name.c_str(), stream, SND_PCM_NONBLOCK) < 0) return false;
  snd_pcm_hw_params_t* hw = nullptr;
  snd_pcm_hw_params_malloc(&hw);
  const bool ok = hw != nullptr && snd_pcm_hw_params_any(pcm, hw) >= 0 &&
                  snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
                  snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) >= 0 &&
                  snd_pcm_hw_params_set_channels(pcm, hw, 1) >= 0 &&
                  snd_pcm_hw_params_set_rate(pcm, hw, kAudioRate, 0) >= 0;
  if (hw != nullptr) snd_pcm_hw_params_free(hw);
  snd_pcm_close(pcm);
  return ok;
}

}  // namespace vesk
