// ale-wav encode, then hfsim, then ale-wav decode: the words come back whatever the start.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

const std::vector<std::string> kWords = {"TO:ABC", "THRU:K1A", "DATA:DEF", "CMD:J2K", "TIS:QRS"};

struct Decoded {
  long ms;
  std::string type, chars;
  bool bad;
};

std::vector<Decoded> parse(const std::string& out) {
  std::vector<Decoded> words;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream f(line);
    Decoded d;
    std::string unit, hex, errors, bad;
    f >> d.ms >> unit >> d.type >> d.chars >> hex >> errors >> bad;
    d.bad = bad == "BAD";
    words.push_back(d);
  }
  return words;
}

struct Case {
  int rate;           // of the file given to hfsim and the decoder
  int lead_samples;   // extra silence in front, at 48 kHz
  std::vector<std::string> channel;
};

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  static const char* const kNames[] = {"Awgn48k", "Awgn48kOffsetStart", "Awgn8k", "FadingOffsets48k"};
  return kNames[info.index];
}

class HfSimRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(HfSimRoundTrip, EncodeChannelDecodeReturnsEveryWord) {
  const Case& c = GetParam();
  TempDir dir;
  const std::string clean = dir.path() + "/clean.wav", in = dir.path() + "/in.wav", out = dir.path() + "/out.wav";
  std::vector<std::string> enc = {program_path("tools/ale-wav"), "encode", clean};
  enc.insert(enc.end(), kWords.begin(), kWords.end());
  ChildProcess e(enc);
  ASSERT_EQ(e.wait(10000), 0) << e.output();
  std::vector<int16_t> pcm;
  WavFormat fmt;
  ASSERT_EQ(wav_read_file(clean, pcm, &fmt), 1);

  {
    std::vector<int16_t> x(static_cast<std::size_t>(c.lead_samples), 0);
    x.insert(x.end(), pcm.begin(), pcm.end());
    if (c.rate == 8000) {  // every sixth sample: the tones are all below 4 kHz
      std::vector<int16_t> y;
      for (std::size_t i = 0; i < x.size(); i += 6) y.push_back(x[i]);
      x.swap(y);
    }
    ASSERT_EQ(wav_write_file(in, x.data(), static_cast<int64_t>(x.size()), c.rate, 1), 1);
    std::vector<std::string> sim = {program_path("tools/hfsim")};
    sim.insert(sim.end(), c.channel.begin(), c.channel.end());
    sim.push_back(in);
    sim.push_back(out);
    ChildProcess h(sim);
    ASSERT_EQ(h.wait(20000), 0) << h.output();
    ChildProcess d({program_path("tools/ale-wav"), "decode", out});
    ASSERT_EQ(d.wait(20000), 0) << d.output();
    const std::vector<Decoded> got = parse(d.output());
    SCOPED_TRACE(c.rate);
    SCOPED_TRACE(d.output());
    ASSERT_GE(got.size(), kWords.size());
    const long lead_ms = 500 + c.lead_samples / 48;
    for (std::size_t i = 0; i < kWords.size(); ++i) {
      EXPECT_EQ(got[i].type + ":" + got[i].chars, kWords[i]);
      EXPECT_FALSE(got[i].bad);
      EXPECT_NEAR(got[i].ms, lead_ms + static_cast<long>(i) * 392, 24) << "word " << i;
    }
    // After the last word only the frame-ending bad word may follow.
    for (std::size_t i = kWords.size(); i < got.size(); ++i) EXPECT_TRUE(got[i].bad) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Channels, HfSimRoundTrip,
    ::testing::Values(Case{48000, 0, {"--snr", "10", "--seed", "3"}},
                      Case{48000, 7331, {"--snr", "10", "--seed", "4"}},
                      Case{8000, 2950, {"--snr", "10", "--seed", "5"}},
                      Case{48000, 1000, {"--snr", "20", "--fading", "good", "--freq-offset", "10",
                                         "--clock-ppm", "100"}}),
    case_name);

TEST(HfSim, RefusesBadArguments) {
  TempDir dir;
  for (std::vector<std::string> args : {std::vector<std::string>{"--fading", "stormy", "a.wav", "b.wav"},
                                        std::vector<std::string>{"only-one.wav"},
                                        std::vector<std::string>{"--snr", "x", "a.wav", "b.wav"}}) {
    args.insert(args.begin(), program_path("tools/hfsim"));
    ChildProcess h(args);
    EXPECT_EQ(h.wait(10000), 2);
  }
  ChildProcess missing({program_path("tools/hfsim"), dir.path() + "/none.wav", dir.path() + "/o.wav"});
  EXPECT_EQ(missing.wait(10000), 1);
}

}  // namespace
}  // namespace vesk::test
