// WAV files: the station's one reader and writer of RIFF/WAVE audio.
//
// Reads PCM files of 8 or 16 bits (and 32-bit float, converted) with any rate and channel
// count, and writes 16-bit PCM. The writer keeps the header's sizes right after every write,
// so a file cut short by a crash still reads back up to its last block. Used by the sound
// card's file back end, the recorder, voice identification and the tools.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vesk {

// The sample rates a sound file can mean; the reader refuses a file outside them.
inline constexpr int kWavMinRate = 4000;
inline constexpr int kWavMaxRate = 192000;

struct WavFormat {
  int sample_rate = 48000;
  int channels = 1;
  int bits_per_sample = 16;  // of the file; samples are always handed over as 16 bit
  int64_t frames = 0;        // frames in the file (reader) or written so far (writer)
};

class WavReader {
 public:
  WavReader() = default;
  ~WavReader();
  WavReader(const WavReader&) = delete;
  WavReader& operator=(const WavReader&) = delete;

  // 1 on success; 0 when the file is missing or not a WAV this reader handles (the reason is
  // in error()).
  int open(const std::string& path);
  void close();
  bool is_open() const { return file_ != nullptr; }
  const WavFormat& format() const { return format_; }
  const std::string& error() const { return error_; }
  // Reads up to `frames` frames (interleaved when there are several channels) as 16-bit
  // samples; returns the frames read, 0 at the end of the data.
  int64_t read(int16_t* dst, int64_t frames);
  int64_t frames_left() const { return format_.frames - position_; }

 private:
  int fail(const std::string& why);
  std::FILE* file_ = nullptr;
  WavFormat format_;
  int format_tag_ = 1;
  int64_t position_ = 0;  // frames read
  std::string error_;
  std::vector<uint8_t> raw_;
};

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates (or truncates) a 16-bit PCM file. 1 on success, 0 on failure.
  int open(const std::string& path, int sample_rate = 48000, int channels = 1);
  // Appends interleaved frames; 1 on success, 0 when the write failed.
  int write(const int16_t* samples, int64_t frames);
  // A LIST/INFO chunk for close() to append after the samples: the title as INAM (none when
  // the title is empty) and the software text as ISFT.
  void set_info(const std::string& title, const std::string& software);
  // Writes the final sizes (and the LIST chunk when a title is set) and closes; 1 on success.
  // The chunk goes right after the samples counted in the header, so bytes of a write that
  // failed part way are cut off and the file reads back whole.
  int close();
  bool is_open() const { return file_ != nullptr; }
  const WavFormat& format() const { return format_; }

 private:
  int patch_sizes();
  int write_info();
  std::FILE* file_ = nullptr;
  WavFormat format_;
  std::string title_, software_;
};

// Whole-file helpers: 1 on success, 0 on failure.
int wav_read_file(const std::string& path, std::vector<int16_t>& samples, WavFormat* format);
int wav_write_file(const std::string& path, const int16_t* samples, int64_t frames, int sample_rate = 48000,
                   int channels = 1);

}  // namespace vesk
