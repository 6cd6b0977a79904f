// Linking protection: the word cipher against the standard's test tuples and the Part's own
// vectors, seed packing and stepping, and the transmit and receive steps on a station.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "ale/words/linking_protection.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

std::array<uint8_t, 8> seed_bytes(uint64_t v) {
  std::array<uint8_t, 8> s{};
  for (int i = 7; i >= 0; --i, v >>= 8) s[static_cast<std::size_t>(i)] = static_cast<uint8_t>(v);
  return s;
}

TEST(LinkingProtectionCipher, StandardTestTuples) {
  const LpKey key = lp_key_from_halves(0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu));
  struct Case {
    uint64_t seed;
    uint32_t plain, cipher;
  } cases[] = {
      {0x543BD88000017550ull, 0x2F0B8B, 0x8A058D},
      {0x543BD88040017550ull, 0xF19945, 0x8EFA10},
      {0x543BD88080017550ull, 0x123456, 0xA23D4B},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(lp_encrypt_word(c.plain, key, seed_bytes(c.seed)), c.cipher) << std::hex << c.seed;
    EXPECT_EQ(lp_decrypt_word(c.cipher, key, seed_bytes(c.seed)), c.plain) << std::hex << c.seed;
  }
  // Key and seed all zero: 0 enciphers to 0x91A191 and back.
  EXPECT_EQ(lp_encrypt_word(0, LpKey{}, seed_bytes(0)), 0x91A191u);
  EXPECT_EQ(lp_decrypt_word(0x91A191, LpKey{}, seed_bytes(0)), 0u);
}

LpSeed seed_at(int level, int month, int day, int minute, int seconds, int word, int freq) {
  LpSeed s;
  s.level = level;
  s.month = month;
  s.day = day;
  s.minute = minute;
  s.seconds = seconds;
  s.word = word;
  s.freq = freq;
  return s;
}

TEST(LinkingProtectionSeed, PackingAndSteps) {
  LpSeed al1 = seed_at(1, 3, 5, 14 * 60 + 30, 12, 7, 7102500);
  lp_seed_pack(al1);
  EXPECT_EQ(al1.packed, (std::array<uint8_t, 8>{0x32, 0xB6, 0x6F, 0xC1, 0xC0, 0x07, 0x10, 0x25}));

  // The seconds as packed: bits 5-2 in S2's low nibble, bits 1-0 on top of S3.
  auto packed_seconds = [](const LpSeed& s) { return (s.packed[2] & 0xF) << 2 | s.packed[3] >> 6; };
  LpSeed al2 = seed_at(2, 12, 31, 1439, 59, 3, 7102500);
  lp_seed_pack(al2);
  EXPECT_EQ(packed_seconds(al2), 58);
  lp_seed_next_step(al2);
  EXPECT_EQ((std::vector<int>{al2.month, al2.day, al2.minute, al2.seconds, al2.word}),
            (std::vector<int>{1, 1, 0, 1, 0}));
  lp_seed_pack(al2);
  EXPECT_EQ(packed_seconds(al2), 0);
  lp_seed_previous_step(al2);  // back over the year's end
  EXPECT_EQ((std::vector<int>{al2.month, al2.day, al2.minute, al2.seconds}), (std::vector<int>{12, 31, 1439, 59}));

  LpSeed w = seed_at(1, 2, 28, 1439, 0, 153, 0);
  lp_seed_advance(w);
  EXPECT_EQ((std::vector<int>{w.word, w.month, w.day, w.minute}), (std::vector<int>{0, 3, 1, 0}));
  LpSeed al4 = seed_at(4, 1, 1, 0, 0, 2, 0);
  lp_seed_previous_step(al4);  // AL-4 keeps its word number
  EXPECT_EQ((std::vector<int>{al4.month, al4.day, al4.minute, al4.seconds, al4.word}),
            (std::vector<int>{12, 31, 1439, 59, 2}));
}

class LinkingProtectionStation : public ::testing::Test {
 protected:
  LinkingProtectionStation() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_open();
    ChannelRecord ch{};
    ch.in_use = 1;
    ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
    ch.lp_key = 1;
    db_store_channel(1, ch);
    db_select_channel(1);
    const int32_t halves[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};
    db_set_lp_key(1, halves, 1 << 2);
    db_enable_lp();
    ale_word_io_init();
    lp_init();
  }
  TempDir dir_;
  Station st_;
  StationScope scope_;
};

TEST_F(LinkingProtectionStation, OffLeavesWordsAlone) {
  db_disable_lp();
  bool ok = false;
  EXPECT_EQ(lp_tx_word(ale_word_with_tag(0x4A4E4F, 3), &ok), 0x4A4E4Fu);
  EXPECT_TRUE(ok);
  EXPECT_EQ(lp_rx_word(0x123456), 0x123456u);
}

TEST_F(LinkingProtectionStation, ProtectedCallIsReadUnprotectedIsReadAsAl0) {
  // A station's own calling-cycle words (TO ABC, tags 3 then 4) read back by its receiver.
  const AleWord to = ale_make_word(ALE_TO, 'A', 'B', 'C');
  bool ok = false;
  const uint32_t sent0 = lp_tx_word(ale_word_with_tag(to, 3), &ok);
  ASSERT_TRUE(ok);
  EXPECT_NE(sent0, to);
  // The seed's time was now + one word: the receiver at that time reads it at AL-2.
  st_.sim_clock()->advance_ms(ALE_WORD_MS);
  EXPECT_EQ(lp_rx_word(sent0), to);
  EXPECT_EQ(lp_display_level(), 2);
  // An unprotected TO word reads as itself, at AL-0.
  lp_rx_reset();
  lp_rx_state().current = -1;
  EXPECT_EQ(lp_rx_word(to), to);
  EXPECT_EQ(lp_display_level(), 0);
}

TEST_F(LinkingProtectionStation, MissingKeyRefusesToSend) {
  db_invalidate_lp_key(1);
  bool ok = true;
  (void)lp_tx_word(ale_word_with_tag(ale_make_word(ALE_TO, 'A', 'B', 'C'), 3), &ok);
  EXPECT_FALSE(ok);
  (void)lp_tx_word(ale_word_with_tag(ale_make_word(ALE_TO, 'A', 'B', 'C'), 4), &ok);
  EXPECT_FALSE(ok);  // nor under the key of an earlier frame
  EXPECT_EQ(ale_tx_encode_word(ale_word_with_tag(ale_make_word(ALE_TIS, 'A', 'B', 'C'), 1)), 0);
}

TEST_F(LinkingProtectionStation, TimeExchangeWords) {
  st_.sim_clock()->advance_ms(3723500);  // 2026-01-01 01:02:03.500; one word later: .892
  std::array<AleWord, 3> w{};
  ASSERT_EQ(lp_build_time_words(0, w.data(), 3), 3);
  EXPECT_EQ(w[0], ale_word_with_tag(ALE_CMD << kAlePreambleShift | 126u << 14 |
                                        static_cast<AleWord>(db_minute_counter_class() & 7) << 11 | 3u << 5 | 22u,
                                    5));
  EXPECT_EQ(w[1], ale_word_with_tag(ALE_DATA << kAlePreambleShift | 1u << 16 | 1u << 11 | 62u, 5));
  EXPECT_EQ(w[2], ale_word_with_tag(ALE_REP << kAlePreambleShift, 5));
  ASSERT_EQ(lp_build_time_words(4, w.data(), 3), 3);
  EXPECT_EQ(ale_word_tag(w[0]), 0);
  EXPECT_EQ(lp_build_time_words(0, w.data(), 2), 0);
}

}  // namespace
}  // namespace vesk::test
