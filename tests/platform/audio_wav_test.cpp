// The WAV reader and writer, checked against Python's wave module and soxi.
#include "platform/wav.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    pclose(p);
  }
  return out;
}

TEST(Wav, WrittenFileReadsBackElsewhere) {
  test::TempDir dir;
  const std::string path = dir.path() + "/out.wav";
  std::vector<int16_t> s(30000);
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(i * 7 - 32768);
  WavWriter w;
  ASSERT_EQ(w.open(path), 1);
  // In pieces, as the sound card writes blocks.
  ASSERT_EQ(w.write(s.data(), 18816), 1);
  ASSERT_EQ(w.write(s.data() + 18816, static_cast<int64_t>(s.size()) - 18816), 1);
  ASSERT_EQ(w.close(), 1);

  EXPECT_EQ(run("python3 -c \"import wave; w = wave.open('" + path +
                "'); print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes())\""),
            "48000 1 2 30000\n");
  EXPECT_EQ(run("soxi -r '" + path + "'"), "48000\n");
  EXPECT_EQ(run("soxi -c '" + path + "'"), "1\n");
  EXPECT_EQ(run("soxi -b '" + path + "'"), "16\n");
  EXPECT_EQ(run("soxi -s '" + path + "'"), "30000\n");

  std::vector<int16_t> back;
  WavFormat fmt;
  ASSERT_EQ(wav_read_file(path, back, &fmt), 1);
  EXPECT_EQ(back, s);
  EXPECT_EQ(fmt.sample_rate, 48000);
  EXPECT_EQ(fmt.channels, 1);
}

TEST(Wav, ReadsFilesMadeByOthers) {
  test::TempDir dir;
  // sox makes each kind from the same short ramp; all must read back to the same samples.
  const struct {
    const char* name;
    const char* sox_format;
    int rate, channels;
  } cases[] = {{"pcm16", "-b 16 -e signed-integer", 48000, 1},
               {"pcm8", "-b 8 -e unsigned-integer", 8000, 1},
               {"stereo", "-b 16 -e signed-integer", 48000, 2},
               {"float", "-b 32 -e floating-point", 48000, 1}};
  for (const auto& c : cases) {
    const std::string path = dir.path() + "/" + c.name + ".wav";
    const std::string cmd = "sox -n -r " + std::to_string(c.rate) + " -c " + std::to_string(c.channels) + " " +
                            c.sox_format + " '" + path + "' synth 0.1 sine 1000 vol 0.5 2>&1";
    run(cmd);
    WavReader r;
    ASSERT_EQ(r.open(path), 1) << c.name << ": " << r.error();
    EXPECT_EQ(r.format().sample_rate, c.rate) << c.name;
    EXPECT_EQ(r.format().channels, c.channels) << c.name;
    EXPECT_EQ(r.format().frames, c.rate / 10) << c.name;
    std::vector<int16_t> s(static_cast<std::size_t>(r.format().frames * c.channels));
    EXPECT_EQ(r.read(s.data(), r.format().frames), r.format().frames);
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(int{v}));
    EXPECT_NEAR(peak, 16384, 400) << c.name;
  }
}

TEST(Wav, RefusesWhatItCannotRead) {
  test::TempDir dir;
  // A mono 16-bit header with an empty data chunk at `rate`.
  auto at_rate = [](uint32_t rate) {
    std::string h("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00", 24);
    for (uint32_t v : {rate, rate * 2})
      for (int i = 0; i < 4; ++i) h.push_back(static_cast<char>(v >> (8 * i)));
    return h + std::string("\x02\x00\x10\x00" "data\x00\x00\x00\x00", 12);
  };
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"empty", ""},
               {"text", "hello, this is not audio at all"},
               {"riff-not-wave", std::string("RIFF\x04\x00\x00\x00AVI ", 12)},
               {"no-data", std::string("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x80\xbb\x00\x00"
                                       "\x00\x77\x01\x00\x02\x00\x10\x00", 36)},
               {"24-bit", std::string("RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x80\xbb\x00\x00"
                                      "\x80\x32\x02\x00\x03\x00\x18\x00" "data\x00\x00\x00\x00", 44)},
               // Rates no sound file can mean (a converter would reserve frames x 48,000 samples).
               {"rate-1", at_rate(1)},
               {"rate-3999", at_rate(3999)},
               {"rate-192001", at_rate(192001)}};
  for (const auto& c : cases) {
    const std::string path = dir.path() + "/" + c.name + ".wav";
    std::ofstream(path, std::ios::binary) << c.bytes;
    WavReader r;
    EXPECT_EQ(r.open(path), 0) << c.name;
    EXPECT_FALSE(r.error().empty()) << c.name;
  }
  WavReader r;
  EXPECT_EQ(r.open(dir.path() + "/missing.wav"), 0);
  for (uint32_t rate : {4000u, 192000u}) {
    const std::string path = dir.path() + "/edge.wav";
    std::ofstream(path, std::ios::binary) << at_rate(rate);
    EXPECT_EQ(r.open(path), 1) << rate << ": " << r.error();
  }
}

TEST(Wav, FileCutShortReadsUpToItsEnd) {
  // A writer that died left sizes that claim more than there is.
  test::TempDir dir;
  const std::string path = dir.path() + "/cut.wav";
  std::vector<int16_t> s(1000, 1234);
  ASSERT_EQ(wav_write_file(path, s.data(), 1000), 1);
  std::FILE* f = std::fopen(path.c_str(), "r+b");
  ASSERT_NE(f, nullptr);
  std::fseek(f, 40, SEEK_SET);
  const unsigned char big[4] = {0xFF, 0xFF, 0xFF, 0x7F};
  std::fwrite(big, 1, 4, f);
  std::fclose(f);
  std::vector<int16_t> back;
  WavFormat fmt;
  ASSERT_EQ(wav_read_file(path, back, &fmt), 1);
  EXPECT_EQ(back.size(), 1000u);
}

}  // namespace
}  // namespace vesk
