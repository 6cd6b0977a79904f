#include "platform/audio.h"

#include <algorithm>
#include <limits>

#include "platform/clock.h"
#include "platform/wav.h"

namespace vesk {

namespace {

// Sample time of a monotonic time, exact for any 64-bit nanosecond count.
int64_t sample_index(int64_t ns) {
  return ns / 1000000000LL * kAudioRate + ns % 1000000000LL * kAudioRate / 1000000000LL;
}

// A device without a thread, on the station's clock: an output buffer is played from the
// end of the one before it (or from now, after a gap) and is done when the clock passes its
// end; an input buffer is filled when the clock has passed a whole buffer's worth of
// samples. Capture that finds no buffer waiting is lost, as on a card.
class PacedDevice : public AudioDevice {
 public:
  PacedDevice(AudioDirection dir, Clock& clock) : dir_(dir), clock_(clock) {}

  int open(AudioCallbacks callbacks) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const int rc = open_backend();
    if (rc != AUDIO_OK) return rc;
    callbacks_ = std::move(callbacks);
    open_ = true;
    out_end_ = -1;  // the first buffer plays from when it is given
    return AUDIO_OK;
  }

  int submit(AudioBuffer* b) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || b == nullptr) return 0;
    if (dir_ == AudioDirection::Output) {
      const int64_t now = sample_index(clock_.mono_ns());
      if (out_end_ < 0) out_end_ = now;
      if (now > out_end_) {
        play_gap(out_end_, now - out_end_);
        out_end_ = now;
      }
      play(out_end_, b->samples, b->frames);
      out_end_ += b->frames;
      pending_.push_back({b, out_end_});
    } else {
      pending_.push_back({b, 0});
    }
    return 1;
  }

  int start() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (dir_ == AudioDirection::Input && !started_) next_capture_ = sample_index(clock_.mono_ns());
    started_ = true;
    return 1;
  }

  void close() override {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    pending_.clear();
    close_backend();
  }

  void poll() override {
    std::vector<AudioBuffer*> done;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!open_ || (dir_ == AudioDirection::Input && !started_)) return;
      const int64_t now = sample_index(clock_.mono_ns());
      if (dir_ == AudioDirection::Output) {
        while (!pending_.empty() && pending_.front().end <= now) {
          done.push_back(pending_.front().buffer);
          pending_.pop_front();
        }
      } else {
        for (;;) {
          const int block = pending_.empty() ? last_block_ : pending_.front().buffer->capacity;
          if (block <= 0 || now - next_capture_ < block) break;
          if (pending_.empty()) {
            skip(next_capture_, block);  // nothing to capture into: these samples are lost
          } else {
            AudioBuffer* b = pending_.front().buffer;
            pending_.pop_front();
            capture(next_capture_, b->samples, block);
            b->frames = block;
            done.push_back(b);
            last_block_ = block;
          }
          next_capture_ += block;
        }
      }
    }
    for (AudioBuffer* b : done)
      if (callbacks_.done) callbacks_.done(b);
  }

 protected:
  virtual int open_backend() { return AUDIO_OK; }
  virtual void close_backend() {}
  // Output: samples played from sample time `index` on; a gap when nothing was queued.
  virtual void play(int64_t, const int16_t*, int) {}
  virtual void play_gap(int64_t, int64_t) {}
  // Input: the samples heard from `index` on.
  virtual void capture(int64_t, int16_t* dst, int n) { std::fill_n(dst, n, int16_t{0}); }
  virtual void skip(int64_t index, int n) {
    std::vector<int16_t> scratch(static_cast<std::size_t>(n));
    capture(index, scratch.data(), n);
  }

  AudioDirection dir_;

 private:
  struct Pending {
    AudioBuffer* buffer;
    int64_t end;  // output: sample time at which it has been played
  };
  Clock& clock_;
  std::mutex mutex_;
  AudioCallbacks callbacks_;
  std::deque<Pending> pending_;
  bool open_ = false;
  bool started_ = false;
  int64_t out_end_ = 0;
  int64_t next_capture_ = 0;
  int last_block_ = 1260;
};

class NullDevice : public PacedDevice {
 public:
  using PacedDevice::PacedDevice;
  std::string name() const override { return "null"; }
};

class WavDevice : public PacedDevice {
 public:
  WavDevice(std::string path, AudioDirection dir, Clock& clock) : PacedDevice(dir, clock), path_(std::move(path)) {}
  std::string name() const override { return "wav:" + path_; }

 protected:
  int open_backend() override {
    if (dir_ == AudioDirection::Output) return writer_.open(path_, kAudioRate, 1) ? AUDIO_OK : AUDIO_ERR_BADDEVICEID;
    if (!reader_.open(path_)) return AUDIO_ERR_BADDEVICEID;
    if (reader_.format().sample_rate != kAudioRate) {
      reader_.close();
      return AUDIO_ERR_BADFORMAT;
    }
    return AUDIO_OK;
  }
  void close_backend() override {
    writer_.close();
    reader_.close();
  }
  void play(int64_t, const int16_t* s, int n) override { writer_.write(s, n); }
  void play_gap(int64_t, int64_t n) override {
    const std::vector<int16_t> zeros(static_cast<std::size_t>(std::min<int64_t>(n, 10 * kAudioRate)), 0);
    writer_.write(zeros.data(), static_cast<int64_t>(zeros.size()));
  }
  void capture(int64_t, int16_t* dst, int n) override {
    const int ch = reader_.is_open() ? reader_.format().channels : 1;
    int got = 0;
    if (ch == 1) {
      got = static_cast<int>(reader_.read(dst, n));
    } else {
      frame_.resize(static_cast<std::size_t>(n * ch));
      got = static_cast<int>(reader_.read(frame_.data(), n));
      for (int i = 0; i < got; ++i) dst[i] = frame_[static_cast<std::size_t>(i * ch)];  // first channel
    }
    std::fill(dst + got, dst + n, int16_t{0});  // silence after the end of the file
  }

 private:
  std::string path_;
  WavReader reader_;
  WavWriter writer_;
  std::vector<int16_t> frame_;
};

class LoopbackDevice : public PacedDevice {
 public:
  LoopbackDevice(std::shared_ptr<AudioLoopback> path, AudioDirection dir, Clock& clock)
      : PacedDevice(dir, clock), path_(std::move(path)) {}
  std::string name() const override { return "loopback"; }

 protected:
  void play(int64_t index, const int16_t* s, int n) override { path_->write(index, s, n); }
  void capture(int64_t index, int16_t* dst, int n) override { path_->read(index, dst, n); }

 private:
  std::shared_ptr<AudioLoopback> path_;
};

}  // namespace

// ---- loopback path ----

void AudioLoopback::set_channel(std::function<void(int16_t*, int)> channel) {
  std::lock_guard<std::mutex> lock(mutex_);
  channel_ = std::move(channel);
}

void AudioLoopback::write(int64_t index, const int16_t* samples, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pending_.empty() && index > base_) base_ = index;  // nothing waits: start here
  for (int i = 0; i < count; ++i) {
    const int64_t at = index + i;
    if (at < base_) continue;  // already heard
    const std::size_t k = static_cast<std::size_t>(at - base_);
    if (k >= pending_.size()) pending_.resize(k + 1, 0);
    pending_[k] += samples[i];
  }
  while (pending_.size() > kMaxBacklog) {  // nobody listens
    pending_.pop_front();
    ++base_;
  }
}

void AudioLoopback::read(int64_t index, int16_t* samples, int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < count; ++i) {
    const int64_t at = index + i;
    int32_t v = 0;
    if (at >= base_ && static_cast<std::size_t>(at - base_) < pending_.size())
      v = pending_[static_cast<std::size_t>(at - base_)];
    samples[i] = static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
  }
  const int64_t end = index + count;
  while (!pending_.empty() && base_ < end) {
    pending_.pop_front();
    ++base_;
  }
  if (base_ < end) base_ = end;
  if (channel_) channel_(samples, count);
}

// Samples to and from the caller's functions.
class FunctionDevice : public PacedDevice {
 public:
  FunctionDevice(PacedSamples samples, AudioDirection dir, Clock& clock)
      : PacedDevice(dir, clock), samples_(std::move(samples)) {}
  std::string name() const override { return samples_.name; }

 protected:
  void play(int64_t index, const int16_t* s, int n) override {
    if (samples_.play) samples_.play(index, s, n);
  }
  void capture(int64_t index, int16_t* dst, int n) override {
    if (samples_.capture)
      samples_.capture(index, dst, n);
    else
      std::fill_n(dst, n, int16_t{0});
  }

 private:
  PacedSamples samples_;
};

// ---- factories ----

std::unique_ptr<AudioDevice> audio_null_device(AudioDirection dir, Clock& clock) {
  return std::make_unique<NullDevice>(dir, clock);
}

std::unique_ptr<AudioDevice> audio_wav_device(const std::string& path, AudioDirection dir, Clock& clock) {
  return std::make_unique<WavDevice>(path, dir, clock);
}

std::unique_ptr<AudioDevice> audio_loopback_device(std::shared_ptr<AudioLoopback> path, AudioDirection dir,
                                                   Clock& clock) {
  return std::make_unique<LoopbackDevice>(std::move(path), dir, clock);
}

std::unique_ptr<AudioDevice> audio_paced_device(PacedSamples samples, AudioDirection dir, Clock& clock) {
  return std::make_unique<FunctionDevice>(std::move(samples), dir, clock);
}

std::unique_ptr<AudioDevice> audio_device_create(const std::string& spec, AudioDirection dir, Clock& clock) {
  if (spec == "null") return audio_null_device(dir, clock);
  if (spec.rfind("wav:", 0) == 0 && spec.size() > 4) return audio_wav_device(spec.substr(4), dir, clock);
  if (spec.rfind("alsa:", 0) == 0 && spec.size() > 5) return audio_alsa_device(spec.substr(5), dir);
  return nullptr;
}

}  // namespace vesk
