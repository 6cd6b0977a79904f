#include "platform/wav.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace vesk {

namespace {

constexpr int kFormatPcm = 1;
constexpr int kFormatFloat = 3;
constexpr int kFormatExtensible = 0xFFFE;
constexpr int kHeaderBytes = 44;
constexpr int64_t kMaxDataBytes = 0xFFFFFFFFLL - 36;

uint32_t get_le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t get_le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void put_le16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

// One INFO sub-chunk: id, text length + 1, the text, a 0 byte, and a pad byte to keep the
// chunk even.
void put_info_text(std::vector<uint8_t>& out, const char* id, const std::string& text) {
  const std::size_t n = text.size() + 1;
  uint8_t v[4];
  out.insert(out.end(), id, id + 4);
  put_le32(v, static_cast<uint32_t>(n));
  out.insert(out.end(), v, v + 4);
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
  if (n % 2 != 0) out.push_back(0);
}

}  // namespace

// ---- reader ----

WavReader::~WavReader() { close(); }

void WavReader::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

int WavReader::fail(const std::string& why) {
  close();
  error_ = why;
  return 0;
}

int WavReader::open(const std::string& path) {
  close();
  error_.clear();
  position_ = 0;
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return fail("cannot open " + path + ": " + std::strerror(errno));
  uint8_t riff[12];
  if (std::fread(riff, 1, 12, file_) != 12 || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0)
    return fail("not a RIFF/WAVE file");
  bool have_fmt = false;
  for (;;) {
    uint8_t chunk[8];
    if (std::fread(chunk, 1, 8, file_) != 8) return fail(have_fmt ? "no data chunk" : "no fmt chunk");
    const uint32_t size = get_le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || size > 1024) return fail("bad fmt chunk");
      std::vector<uint8_t> fmt(size + (size & 1));
      if (std::fread(fmt.data(), 1, fmt.size(), file_) != fmt.size()) return fail("short fmt chunk");
      format_tag_ = get_le16(fmt.data());
      format_.channels = get_le16(fmt.data() + 2);
      format_.sample_rate = static_cast<int>(get_le32(fmt.data() + 4));
      format_.bits_per_sample = get_le16(fmt.data() + 14);
      if (format_tag_ == kFormatExtensible && size >= 26) format_tag_ = get_le16(fmt.data() + 24);
      have_fmt = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_fmt) return fail("data chunk before fmt chunk");
      const bool pcm = format_tag_ == kFormatPcm &&
                       (format_.bits_per_sample == 8 || format_.bits_per_sample == 16);
      const bool flt = format_tag_ == kFormatFloat && format_.bits_per_sample == 32;
      if (!pcm && !flt) return fail("unsupported sample format");
      if (format_.channels < 1 || format_.channels > 16) return fail("bad channel count");
      // A rate outside these would make a converter reserve samples beyond any memory.
      if (format_.sample_rate < kWavMinRate || format_.sample_rate > kWavMaxRate)
        return fail("sample rate " + std::to_string(format_.sample_rate) + " Hz outside " +
                    std::to_string(kWavMinRate) + " to " + std::to_string(kWavMaxRate) + " Hz");
      // A writer that died before fixing the header leaves 0 or 0xFFFFFFFF: use what is there.
      // An empty data chunk is believed when the RIFF length matches the file (a finished
      // file with chunks after its data).
      long here = std::ftell(file_);
      std::fseek(file_, 0, SEEK_END);
      const int64_t file_length = std::ftell(file_);
      const int64_t avail = file_length - here;
      std::fseek(file_, here, SEEK_SET);
      int64_t bytes = size;
      const bool riff_matches = get_le32(riff + 4) == static_cast<uint32_t>(file_length - 8);
      if ((bytes == 0 && !riff_matches) || bytes > avail) bytes = avail;
      format_.frames = bytes / (format_.channels * (format_.bits_per_sample / 8));
      return 1;
    } else {
      if (std::fseek(file_, static_cast<long>(size) + (size & 1), SEEK_CUR) != 0) return fail("bad chunk");
    }
  }
}

int64_t WavReader::read(int16_t* dst, int64_t frames) {
  if (file_ == nullptr) return 0;
  if (frames > frames_left()) frames = frames_left();
  if (frames <= 0) return 0;
  const int bytes_per_sample = format_.bits_per_sample / 8;
  const int64_t samples = frames * format_.channels;
  raw_.resize(static_cast<std::size_t>(samples * bytes_per_sample));
  const std::size_t got = std::fread(raw_.data(), 1, raw_.size(), file_);
  const int64_t got_frames = static_cast<int64_t>(got) / (bytes_per_sample * format_.channels);
  const int64_t got_samples = got_frames * format_.channels;
  for (int64_t i = 0; i < got_samples; ++i) {
    const uint8_t* p = raw_.data() + i * bytes_per_sample;
    if (bytes_per_sample == 1) {
      dst[i] = static_cast<int16_t>((p[0] - 128) * 256);
    } else if (bytes_per_sample == 2) {
      dst[i] = static_cast<int16_t>(get_le16(p));
    } else {
      float f;
      const uint32_t bits = get_le32(p);
      std::memcpy(&f, &bits, 4);
      if (!(f == f)) f = 0.0f;  // NaN
      const float v = std::nearbyint(f * 32767.0f);
      dst[i] = static_cast<int16_t>(v > 32767.0f ? 32767 : v < -32768.0f ? -32768 : v);
    }
  }
  position_ += got_frames;
  if (got_frames < frames) format_.frames = position_;  // the file was shorter than it said
  return got_frames;
}

// ---- writer ----

WavWriter::~WavWriter() { close(); }

int WavWriter::open(const std::string& path, int sample_rate, int channels) {
  close();
  if (sample_rate < 1 || channels < 1 || channels > 16) return 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return 0;
  // Unbuffered: a failed write shows at once, with nothing left over to be written later.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  format_ = WavFormat{sample_rate, channels, 16, 0};
  uint8_t h[kHeaderBytes];
  std::memcpy(h, "RIFF", 4);
  put_le32(h + 4, 36);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  put_le32(h + 16, 16);
  put_le16(h + 20, kFormatPcm);
  put_le16(h + 22, static_cast<uint16_t>(channels));
  put_le32(h + 24, static_cast<uint32_t>(sample_rate));
  put_le32(h + 28, static_cast<uint32_t>(sample_rate * channels * 2));
  put_le16(h + 32, static_cast<uint16_t>(channels * 2));
  put_le16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  put_le32(h + 40, 0);
  if (std::fwrite(h, 1, kHeaderBytes, file_) != kHeaderBytes) {
    std::fclose(file_);
    file_ = nullptr;
    return 0;
  }
  return 1;
}

int WavWriter::patch_sizes() {
  int64_t data = format_.frames * format_.channels * 2;
  if (data > kMaxDataBytes) data = kMaxDataBytes;
  uint8_t v[4];
  const long end = std::ftell(file_);
  put_le32(v, static_cast<uint32_t>(36 + data));
  bool ok = std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
  put_le32(v, static_cast<uint32_t>(data));
  ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
  ok = ok && std::fseek(file_, end, SEEK_SET) == 0;
  return ok ? 1 : 0;
}

int WavWriter::write(const int16_t* samples, int64_t frames) {
  if (file_ == nullptr || frames < 0) return 0;
  if ((format_.frames + frames) * format_.channels * 2 > kMaxDataBytes) return 0;  // a RIFF size is 32 bits
  const int64_t n = frames * format_.channels;
  uint8_t buf[4096];
  for (int64_t i = 0; i < n;) {
    int k = 0;
    for (; k < static_cast<int>(sizeof buf) / 2 && i < n; ++k, ++i)
      put_le16(buf + 2 * k, static_cast<uint16_t>(samples[i]));
    if (std::fwrite(buf, 1, static_cast<std::size_t>(2 * k), file_) != static_cast<std::size_t>(2 * k)) {
      // Back to the end of the whole frames: a later write or the close goes on from there.
      std::clearerr(file_);
      std::fseek(file_, static_cast<long>(kHeaderBytes + format_.frames * format_.channels * 2), SEEK_SET);
      return 0;
    }
  }
  format_.frames += frames;
  return patch_sizes();
}

void WavWriter::set_info(const std::string& title, const std::string& software) {
  title_ = title;
  software_ = software;
}

int WavWriter::write_info() {
  int64_t data = format_.frames * format_.channels * 2;
  if (data > kMaxDataBytes) data = kMaxDataBytes;
  const long end = static_cast<long>(kHeaderBytes + data);
  bool ok = std::fseek(file_, end, SEEK_SET) == 0;
  long file_end = end;
  if (!title_.empty()) {
    std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'I', 'N', 'F', 'O'};
    put_info_text(list, "INAM", title_);
    put_info_text(list, "ISFT", software_);
    put_le32(list.data() + 4, static_cast<uint32_t>(list.size() - 8));
    ok = ok && std::fwrite(list.data(), 1, list.size(), file_) == list.size();
    file_end = end + static_cast<long>(list.size());
  }
  uint8_t v[4];
  put_le32(v, static_cast<uint32_t>(file_end - 8));
  ok = ok && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(v, 1, 4, file_) == 4;
  ok = ok && std::fflush(file_) == 0;
  // Whatever lies beyond (a block that failed part way) is cut off.
  ok = ok && ftruncate(fileno(file_), file_end) == 0;
  return ok ? 1 : 0;
}

int WavWriter::close() {
  if (file_ == nullptr) return 1;
  int ok = patch_sizes();
  if (write_info() == 0) ok = 0;
  if (std::fclose(file_) != 0) ok = 0;
  file_ = nullptr;
  title_.clear();
  software_.clear();
  return ok;
}

// ---- whole files ----

int wav_read_file(const std::string& path, std::vector<int16_t>& samples, WavFormat* format) {
  WavReader r;
  if (!r.open(path)) return 0;
  samples.assign(static_cast<std::size_t>(r.format().frames * r.format().channels), 0);
  const int64_t got = r.read(samples.data(), r.format().frames);
  samples.resize(static_cast<std::size_t>(got * r.format().channels));
  if (format != nullptr) *format = r.format();
  return 1;
}

int wav_write_file(const std::string& path, const int16_t* samples, int64_t frames, int sample_rate, int channels) {
  WavWriter w;
  if (!w.open(path, sample_rate, channels)) return 0;
  const int ok = w.write(samples, frames);
  return w.close() && ok ? 1 : 0;
}

}  // namespace vesk
