#include "ale/words/word_rx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "ale/words/word_events.h"
#include "db/options.h"
#include "sim/fsk_link.h"
#include "tests/ale/word_fixture.h"

namespace vesk::test {
namespace {

// Drives the word receiver directly: each step hands it one symbol time with one symbol and
// quality at each of the four places it reads.
class WordRxDirect : public WordStationTest {
 protected:
  void step(const int symbols[4], const float quality[4]) {
    for (int w = 0; w < 4; ++w) {
      symbol_.decision[w * 16] = static_cast<uint8_t>(symbols[w]);
      symbol_.energy[w * 16] = quality[w];
    }
    symbol_.word_synced = fsk_is_word_synced(fsk_state());
    ale_rx_symbol(symbol_);
    EngineEvent e;
    while (ale_engine_event_pop(&e))
      if (e.event == EV_ALE_WORD) posted.push_back(e.record);
  }
  // Plays the symbols of `syms` on the windows in `on` (others get symbol 0), all at quality q.
  void play(const std::vector<uint8_t>& syms, std::array<float, 4> q, std::array<bool, 4> on) {
    for (uint8_t s : syms) {
      int sy[4];
      for (int w = 0; w < 4; ++w) sy[w] = on[w] ? s : 0;
      step(sy, q.data());
    }
  }
  static std::vector<uint8_t> symbols_of(AleWord word) {
    std::vector<uint8_t> s(ALE_WORD_SYMBOLS);
    ale_encode_word_symbols(word, s.data());
    return s;
  }
  std::vector<RxWordRecord> posted;
  FskSymbol symbol_;
};

TEST_F(WordRxDirect, SyncOnTheFirstFullWordThenEveryWord) {
  const AleWord w = ale_make_word(2, 'A', 'B', 'C');
  const auto s = symbols_of(w);
  for (int i = 0; i < ALE_WORD_SYMBOLS; ++i) {
    play({s[i]}, {1, 1, 1, 1}, {true, true, true, true});
    if (i < ALE_WORD_SYMBOLS - 1) {
      EXPECT_TRUE(posted.empty()) << i;
    }
  }
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].word, w);
  EXPECT_EQ(posted[0].vote_disagreements, 0);
  EXPECT_EQ(posted[0].golay_errors, 0);
  EXPECT_EQ(posted[0].bad, 0);
  EXPECT_TRUE(fsk_is_word_synced(fsk_state()));
  // Synchronised: each further 49 symbols give one word, good or bad.
  play(symbols_of(ale_make_word(0, 'D', 'E', 'F')), {1, 1, 1, 1}, {true, true, true, true});
  play(std::vector<uint8_t>(ALE_WORD_SYMBOLS, 0), {1, 1, 1, 1}, {true, true, true, true});
  ASSERT_EQ(posted.size(), 3u);
  EXPECT_EQ(posted[1].word, ale_make_word(0, 'D', 'E', 'F'));
  EXPECT_EQ(posted[2].bad, 1);
  // A reset starts a new search.
  ale_reset_receiver();
  EXPECT_FALSE(fsk_is_word_synced(fsk_state()));
  play(s, {1, 1, 1, 1}, {true, true, true, true});
  ASSERT_EQ(posted.size(), 4u);
  EXPECT_EQ(posted[3].word, w);
}

TEST_F(WordRxDirect, TheWindowOfHighestQualityWins) {
  struct Case {
    std::array<float, 4> quality;
    std::array<bool, 4> carries;
    int expected_phase;
  };
  const Case cases[] = {
      {{0.5f, 2.0f, 3.5f, 0.1f}, {false, true, true, false}, 32},
      {{0.5f, 2.0f, 2.0f, 0.1f}, {false, true, true, false}, 16},  // equal: the lower window
      {{0.0f, 0.0f, 0.0f, 0.0f}, {true, true, true, true}, 0},     // none above 0: window 0
  };
  for (const Case& c : cases) {
    ale_reset_receiver();
    play(symbols_of(ale_make_word(2, 'A', 'B', 'C')), c.quality, c.carries);
    EXPECT_TRUE(fsk_is_word_synced(fsk_state()));
    EXPECT_EQ(fsk_get_symbol_phase(fsk_state()), c.expected_phase);
  }
  // Only window 3 carries the word but window 0 is louder and no candidate: no sync at all
  // when window 0 is chosen for lack of quality.
  ale_reset_receiver();
  posted.clear();
  play(symbols_of(ale_make_word(2, 'A', 'B', 'C')), {0, 0, 0, 0}, {false, false, false, true});
  EXPECT_TRUE(posted.empty());
}

// AQC-ALE words: the top two bits of the first character are equal.
constexpr AleWord kAqcFrom = ale_make_word(ALE_FROM, 0x12, 0x34, 0x56);

TEST_F(WordRxDirect, AqcBurstAfterFromIsSkippedOnce) {
  db_set_aqc_mode(1);
  const std::array<bool, 4> all{true, true, true, true};
  play(symbols_of(kAqcFrom), {1, 1, 1, 1}, all);  // FROM: sync
  EXPECT_EQ(aqc_rx_word_is_aqc(), 1);
  ASSERT_EQ(posted.size(), 1u);
  // A 7-symbol burst delays the next word; it is decoded once the burst has passed.
  play(std::vector<uint8_t>(7, 5), {1, 1, 1, 1}, all);
  play(symbols_of(ale_make_word(5, 'X', 'Y', 'Z')), {1, 1, 1, 1}, all);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[1].word, ale_make_word(5, 'X', 'Y', 'Z'));
  EXPECT_EQ(posted[1].bad, 0);
  // The same after a word that is not FROM: the bad word is posted as it is.
  play(std::vector<uint8_t>(7, 5), {1, 1, 1, 1}, all);
  play(symbols_of(ale_make_word(5, 'X', 'Y', 'Z')), {1, 1, 1, 1}, all);
  ASSERT_GE(posted.size(), 3u);
  EXPECT_EQ(posted[2].bad, 1);
}

TEST_F(WordRxDirect, SecondBadWordAfterFromIsPostedBad) {
  db_set_aqc_mode(1);
  const std::array<bool, 4> all{true, true, true, true};
  play(symbols_of(kAqcFrom), {1, 1, 1, 1}, all);
  play(std::vector<uint8_t>(ALE_WORD_SYMBOLS + 7, 5), {1, 1, 1, 1}, all);
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[1].bad, 1);
}

TEST_F(WordRxDirect, SyncPatternSeenAndCleared) {
  EXPECT_FALSE(ale_rx_sync_seen());
  const auto s = symbols_of(ale_make_word(2, 'A', 'B', 'C'));
  play(std::vector<uint8_t>(s.begin(), s.begin() + 20), {1, 1, 1, 1}, {true, true, true, true});
  EXPECT_TRUE(ale_rx_sync_seen());  // a repeating 49-bit copy within the word
  EXPECT_FALSE(ale_rx_sync_seen());
}

// Words through the modulator, the demodulator and the word receiver at 8 kHz.
class WordLoopback : public WordStationTest {
 protected:
  std::vector<SimRxWord> receive(const std::vector<float>& audio) {
    std::vector<SimRxWord> words;
    SimFskReceiver rx;
    rx.on_word = [&](const SimRxWord& w) {
      words.push_back(w);
      if (w.record.bad) ale_reset_receiver();  // a bad word ends the frame
    };
    sim_fsk_receive(rx, audio.data(), static_cast<int>(audio.size()));
    return words;
  }
};

TEST_F(WordLoopback, RandomWordsWithCorrectableErrorsAndRandomPhase) {
  std::mt19937 rng(12345);
  const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789@?";
  for (int trial = 0; trial < 4; ++trial) {
    ale_reset_receiver();
    std::vector<float> audio(rng() % 700, 0.0f);  // leading silence: any symbol phase
    std::vector<AleWord> sent;
    for (int i = 0; i < 6; ++i) {
      const AleWord w = ale_make_word(rng() % 8, kChars[rng() % 38], kChars[rng() % 38], kChars[rng() % 38]);
      sent.push_back(w);
      uint8_t sym[ALE_WORD_SYMBOLS];
      ale_encode_word_symbols(w, sym);
      // Up to three bit errors per copy, never two at the same position of the 49-bit word,
      // so the 2-of-3 vote corrects all of them (at most 9 disagreements: within the
      // sync vote threshold of 10).
      std::vector<int> used;
      for (int copy = 0; copy < 3; ++copy) {
        for (int e = 0, n = static_cast<int>(rng() % 4); e < n; ++e) {
          int pos;
          do pos = static_cast<int>(rng() % 49);
          while (std::find(used.begin(), used.end(), pos) != used.end());
          used.push_back(pos);
          const int bit = copy * 49 + pos;
          sym[bit / 3] ^= static_cast<uint8_t>(4 >> (bit % 3));
        }
      }
      sim_fsk_modulate(sym, ALE_WORD_SYMBOLS, FSK_SAMPLE_RATE, 0.5f, audio);
    }
    audio.insert(audio.end(), 4000, 0.0f);
    std::vector<AleWord> got;
    for (const SimRxWord& w : receive(audio))
      if (!w.record.bad) got.push_back(w.record.word);
    EXPECT_EQ(got, sent) << "trial " << trial;
  }
}

// Errors the vote cannot mend (the same bit wrong in two copies) leave the correction to the
// Golay code: such a word synchronises only once the sync error threshold allows it.
TEST_F(WordLoopback, VoteDefeatingErrorsNeedTheSyncErrorThreshold) {
  struct Case {
    int sync_errors;
    bool synchronises;
  };
  for (const Case c : {Case{0, false}, Case{3, true}}) {
    db_set_sync_errors(c.sync_errors);
    ale_reset_receiver();
    const AleWord w = ale_make_word(ALE_TO, 'K', '7', 'Q');
    uint8_t sym[ALE_WORD_SYMBOLS];
    ale_encode_word_symbols(w, sym);
    // Data bit 5 of the first code word (position 10) and check bit 2 of the second
    // (position 43), each wrong in copies 0 and 1.
    for (int pos : {10, 43})
      for (int copy : {0, 1}) sym[(copy * 49 + pos) / 3] ^= static_cast<uint8_t>(4 >> ((copy * 49 + pos) % 3));
    std::vector<float> audio(333, 0.0f);
    sim_fsk_modulate(sym, ALE_WORD_SYMBOLS, FSK_SAMPLE_RATE, 0.5f, audio);
    audio.insert(audio.end(), 1000, 0.0f);
    const std::vector<SimRxWord> got = receive(audio);
    SCOPED_TRACE(c.sync_errors);
    if (!c.synchronises) {
      EXPECT_TRUE(got.empty());
      continue;
    }
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0].record.word, w);
    EXPECT_EQ(got[0].record.golay_errors, 1);
    EXPECT_EQ(got[0].record.vote_disagreements, 2);
    EXPECT_EQ(got[0].record.bad, 0);
  }
}

// Two demodulators, each with its own word receiver, fed different signals block by block in
// turn: each decodes only its own words and takes its own timing phase; the station's own
// demodulator is left alone.
TEST_F(WordLoopback, TwoDemodulatorsSideBySideDecodeTheirOwnWords) {
  struct Receiver {
    FskState fsk;
    WordRxState words;
    std::vector<int16_t> pcm;
    std::vector<AleWord> got;
  };
  auto rx = std::make_unique<Receiver[]>(2);
  const std::vector<AleWord> sent[2] = {
      {ale_make_word(ALE_TO, 'A', 'B', 'C'), ale_make_word(ALE_TIS, 'D', 'E', 'F')},
      {ale_make_word(ALE_TO, 'K', '7', 'Q'), ale_make_word(ALE_TWAS, 'X', 'Y', 'Z'),
       ale_make_word(ALE_DATA, 'R', 'S', 'T')}};
  const int lead_in[2] = {0, 1000};  // samples of silence: the words take different phases
  for (int k = 0; k < 2; ++k) {
    Receiver& r = rx[k];
    fsk_init(r.fsk);
    r.fsk.hooks.symbol = [&r](const FskSymbol& y) { ale_rx_take_symbol(r.words, r.fsk, y); };
    std::vector<float> audio(lead_in[k], 0.0f);
    sim_fsk_modulate_words(sent[k], FSK_SAMPLE_RATE, 0.5f, audio);
    audio.insert(audio.end(), 2 * ALE_WORD_SYMBOLS * FSK_SYMBOL_SAMPLES, 0.0f);
    for (float x : audio) r.pcm.push_back(static_cast<int16_t>(std::lround(x * 16383)));
  }
  for (std::size_t i = 0; i < std::max(rx[0].pcm.size(), rx[1].pcm.size()); i += FSK_SYMBOL_SAMPLES) {
    for (int k = 0; k < 2; ++k) {
      Receiver& r = rx[k];
      if (i >= r.pcm.size()) continue;
      fsk_process_block(r.fsk, &r.pcm[i], static_cast<int>(std::min<std::size_t>(FSK_SYMBOL_SAMPLES, r.pcm.size() - i)));
      EngineEvent e;
      while (ale_engine_event_pop(&e))
        if (e.event == EV_ALE_WORD && !e.record.bad) r.got.push_back(e.record.word);
    }
  }
  EXPECT_EQ(rx[0].got, sent[0]);
  EXPECT_EQ(rx[1].got, sent[1]);
  EXPECT_NE(fsk_get_symbol_phase(rx[0].fsk), fsk_get_symbol_phase(rx[1].fsk));
  EXPECT_FALSE(fsk_is_word_synced(fsk_state()));
}

}  // namespace
}  // namespace vesk::test
