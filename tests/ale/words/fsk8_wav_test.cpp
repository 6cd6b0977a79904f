// The tones of an encoded WAV, found by a DFT of each symbol, not read from the tables.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "platform/wav.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

// The tone of each tribit value, as the standard gives them.
constexpr double kToneOfValue[8] = {750, 1000, 1500, 1250, 2500, 2250, 1750, 2000};

// The strongest 125 Hz bin from 250 Hz to 3500 Hz of one 8 ms symbol at 48 kHz.
double strongest_tone(const int16_t* x) {
  double best_hz = 0, best = -1;
  for (int k = 2; k <= 28; ++k) {
    const double hz = 125.0 * k;
    double re = 0, im = 0;
    for (int n = 0; n < 384; ++n) {
      re += x[n] * std::cos(2 * M_PI * hz * n / 48000);
      im += x[n] * std::sin(2 * M_PI * hz * n / 48000);
    }
    if (re * re + im * im > best) {
      best = re * re + im * im;
      best_hz = hz;
    }
  }
  return best_hz;
}

TEST(Fsk8Wav, EverySymbolCarriesTheToneOfItsValue) {
  TempDir dir;
  const std::string path = dir.path() + "/words.wav";
  ChildProcess enc({program_path("tools/ale-wav"), "encode", path, "TO:ABC", "DATA:DEF", "TIS:XYZ"});
  ASSERT_EQ(enc.wait(10000), 0) << enc.output();
  std::vector<int16_t> pcm;
  WavFormat fmt;
  ASSERT_EQ(wav_read_file(path, pcm, &fmt), 1);
  EXPECT_EQ(fmt.sample_rate, 48000);
  EXPECT_EQ(fmt.channels, 1);
  const std::size_t lead = 24000, symbols = 3 * ALE_WORD_SYMBOLS;
  ASSERT_EQ(pcm.size(), 2 * lead + symbols * 384);
  for (std::size_t i = 0; i < lead; ++i) ASSERT_EQ(pcm[i], 0);
  for (std::size_t i = pcm.size() - lead; i < pcm.size(); ++i) ASSERT_EQ(pcm[i], 0);

  std::vector<uint8_t> expected;
  int seen[8] = {};
  for (AleWord w : {ale_make_word(ALE_TO, 'A', 'B', 'C'), ale_make_word(ALE_DATA, 'D', 'E', 'F'),
                    ale_make_word(ALE_TIS, 'X', 'Y', 'Z')}) {
    uint8_t s[ALE_WORD_SYMBOLS];
    ale_encode_word_symbols(w, s);
    expected.insert(expected.end(), s, s + ALE_WORD_SYMBOLS);
  }
  for (std::size_t k = 0; k < symbols; ++k) {
    const double hz = strongest_tone(&pcm[lead + k * 384]);
    EXPECT_EQ(hz, kToneOfValue[expected[k]]) << "symbol " << k << " value " << int(expected[k]);
    ++seen[expected[k]];
  }
  for (int v = 0; v < 8; ++v) EXPECT_GT(seen[v], 0) << "value " << v << " not covered";
}

TEST(Fsk8Wav, RefusesBadWords) {
  TempDir dir;
  for (const char* word : {"TO:AB", "XX:ABC", "TOABC"}) {
    ChildProcess enc({program_path("tools/ale-wav"), "encode", dir.path() + "/x.wav", word});
    EXPECT_EQ(enc.wait(10000), 2) << word;
  }
}

}  // namespace
}  // namespace vesk::test
