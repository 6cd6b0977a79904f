#include "ale/words/word_build.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ale/frames/frame_build.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/tables.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"
#include "tests/ale/tx_words.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

// A word as "TYPE abc/tag" with the characters printed as they are (or as "<n>").
std::string show(AleWord w) {
  static const char* const kTypes[] = {"DATA", "THRU", "TO", "TWAS", "FROM", "TIS", "CMD", "REP"};
  std::string s = kTypes[ale_word_type(w)];
  s += ' ';
  for (int c : {ale_word_char1(w), ale_word_char2(w), ale_word_char3(w)})
    s += (c >= 0x20 && c < 0x7F) ? std::string(1, static_cast<char>(c)) : "<" + std::to_string(c) + ">";
  return s + "/" + std::to_string(ale_word_tag(w));
}

std::vector<std::string> show(const std::vector<AleWord>& words) {
  std::vector<std::string> out;
  for (AleWord w : words) out.push_back(show(w));
  return out;
}

// CRC-16 (0x1021, from 0xFFFF, MSB first) computed bit by bit over the words' three bytes.
uint32_t reference_crc(const std::vector<AleWord>& words) {
  uint32_t crc = 0xFFFF;
  for (AleWord w : words)
    for (int bit = 23; bit >= 0; --bit) {
      const uint32_t in = (w >> bit) & 1;
      const uint32_t top = (crc >> 15) & 1;
      crc = (crc << 1) & 0xFFFF;
      if (in ^ top) crc ^= 0x1021;
    }
  return crc;
}

class WordBuildTest : public ::testing::Test {
 protected:
  WordBuildTest() {
    ale_word_io_init();
    ale_crc_reset();
    ale_set_word_tag(1);
  }
  // The words queued for transmission since the last take, which empties the queue.
  static std::vector<std::string> take() {
    std::vector<std::string> out = show(test::tx_queued_words());
    ale_tx_flush();
    return out;
  }
  // The signalling mode the link state sets for an exchange.
  static void alternate(bool on) { ale_set_signalling_mode(on ? ALE_SIGNALLING_ALTERNATE : ALE_SIGNALLING_NORMAL); }
  // Scan rate of a dwell (AQC-ALE off): 0 gives 1000 ms, 1 500 ms, 2 200 ms.
  static void set_dwell(int ms) { db_set_scan_rate(ms == 1000 ? 0 : ms == 200 ? 2 : 1); }
  static void set_limits(bool on, int min_s, int max_s) {
    if (on)
      db_enable_limit_calling();
    else
      db_disable_limit_calling();
    db_set_min_call_time(min_s);
    db_set_max_call_time(max_s);
  }
  // Channels 1 to n in use in the current scan group (group 0).
  static void set_group_channels(int n) {
    db_clear_channels();
    for (int ch = 1; ch <= n; ++ch) {
      ChannelRecord r{};
      r.in_use = 1;
      r.scan_groups = 1;
      r.permission = CHANNEL_BX;
      ASSERT_EQ(db_store_channel(ch, r), ch);
    }
    ASSERT_EQ(db_count_group_channels(), n);
  }

  test::TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

using V = std::vector<std::string>;

TEST_F(WordBuildTest, AddressWords) {
  struct Case { const char* address; V words; };
  const Case cases[] = {
      {"ABCDEFG", {"TO ABC/4", "DATA DEF/4", "REP G@@/4"}},
      {"ABCDEFGHIJKLMNO", {"TO ABC/4", "DATA DEF/4", "REP GHI/4", "DATA JKL/4", "REP MNO/4"}},
      {"A1", {"TO A1@/4"}},
      {"ABC", {"TO ABC/4"}},
      {"", {}},
      {"ABCDEFGHIJKLMNOP", {}},
  };
  for (const Case& c : cases) {
    ale_set_word_tag(4);
    ale_build_address_words(ALE_TO, c.address);
    EXPECT_EQ(take(), c.words) << c.address;
  }
  EXPECT_EQ(log_monitor_text().find("INVALID ADDRESS"), std::string::npos);
  // An address with a character outside basic-38 is logged and still sent.
  ale_set_word_tag(4);
  ale_build_address_words(ALE_TIS, "AB-1");
  EXPECT_EQ(take(), (V{"TIS AB-/4", "DATA 1@@/4"}));
  EXPECT_NE(log_monitor_text().find("INVALID ADDRESS\n"), std::string::npos);
}

TEST_F(WordBuildTest, TagStateSequence) {
  // 1 and 2 alternate; 3 is followed by 4, which stays; other values stay as they are.
  ale_set_word_tag(1);
  for (int i = 0; i < 3; ++i) ale_emit_address_word(ALE_TO, "AB", 2);
  ale_set_word_tag(3);
  for (int i = 0; i < 3; ++i) ale_emit_address_word(ALE_TO, "XYZ", 0);
  EXPECT_EQ(take(), (V{"TO AB@/1", "TO AB@/2", "TO AB@/1", "TO @@@/3", "TO @@@/4", "TO @@@/4"}));
}

TEST_F(WordBuildTest, ScanningCallLengths) {
  struct Case { int dwell_ms; int limit; int channels; int words; };
  for (const Case c : {Case{1000, 0, 10, 31}, {500, 0, 10, 21}, {200, 0, 10, 21}, {1000, 1, 10, 31},
                       {500, 1, 10, 25}, {1000, 1, 40, 76}, {500, 0, 0, 1}}) {
    set_dwell(c.dwell_ms);
    set_limits(c.limit != 0, 10, 30);
    const char* to[] = {"ABCDEF"};
    ale_build_scanning_call(1, to, c.channels);
    const V words = take();
    ASSERT_EQ(static_cast<int>(words.size()), c.words) << c.dwell_ms << " " << c.limit << " " << c.channels;
    // Every word is the first word of the address; tags alternate and the last carries 2.
    for (std::size_t i = 0; i < words.size(); ++i) {
      const int tag = (words.size() - i) % 2 == 1 ? 2 : 1;
      EXPECT_EQ(words[i], "TO ABC/" + std::to_string(tag)) << i;
    }
  }
}

TEST_F(WordBuildTest, ScanningCallForGroupsAlternatesThruAndRep) {
  set_dwell(500);
  set_group_channels(2);  // 5 words
  const char* group[] = {"ABC", "ABD", "ABCXYZ"};
  ale_build_scanning_call_for_group(3, group);
  // Whole cycles over the kept first words: at least 5 words, so 6.
  EXPECT_EQ(take(), (V{"THRU ABC/2", "REP ABD/1", "THRU ABC/2", "REP ABD/1", "THRU ABC/2", "REP ABD/1"}));
  // Only one distinct first word ("@@@" is left out): THRU words.
  const char* one[] = {"XYZ", "@@@", "XYZ123"};
  ale_build_scanning_call_for_group(3, one);
  EXPECT_EQ(take(), (V{"THRU XYZ/2", "THRU XYZ/1", "THRU XYZ/2", "THRU XYZ/1", "THRU XYZ/2"}));
  // Three kept addresses: the alternation runs on across cycles.
  const char* three[] = {"A1", "B2", "C3"};
  ale_build_scanning_call(3, three, 1);  // 3 words
  EXPECT_EQ(take(), (V{"THRU A1@/2", "REP B2@/1", "THRU C3@/2"}));
}

TEST_F(WordBuildTest, LeadingCalls) {
  struct Case { std::vector<const char*> to; V words; };
  const Case cases[] = {
      {{"A1", "B2", "C3"}, {"TO A1@/3", "REP B2@/4", "TO C3@/4", "REP A1@/4", "TO B2@/4", "REP C3@/4"}},
      {{"ABCD"}, {"TO ABC/3", "DATA D@@/4", "TO ABC/4", "DATA D@@/4"}},
      {{"ABCDEF", "X1"}, {"TO ABC/3", "DATA DEF/4", "TO X1@/4", "TO ABC/4", "DATA DEF/4", "TO X1@/4"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    ale_crc_add_word(0x123456);
    ale_build_leading_call(static_cast<int>(c.to.size()), c.to.data());
    EXPECT_EQ(take(), c.words);
    EXPECT_EQ(word_build_state().frame_crc, 0xFFFF);  // reset at the end
  }
}

TEST_F(WordBuildTest, EndingsAndFrom) {
  ale_set_word_tag(1);
  ale_build_tis("ABCD");
  ale_build_twas("XYZ");
  ale_crc_add_word(0x123456);
  ale_build_from("K1");
  EXPECT_EQ(take(), (V{"TIS ABC/4", "DATA D@@/4", "TWAS XYZ/4", "FROM K1@/4"}));
  EXPECT_EQ(word_build_state().frame_crc, 0xFFFF);
}

TEST_F(WordBuildTest, SoundingsStayWithinTheCallTime) {
  struct Case { int dwell_ms; int limit; int max_s; int channels; const char* address; int words; };
  for (const Case c : {
           Case{1000, 0, 30, 10, "ABC", 32},         // 10 × 3 + 2 repetitions of one word
           {1000, 0, 30, 10, "ABCDE", 32},           // 16 repetitions of two words
           {1000, 1, 10, 10, "ABCDE", 24},           // 25 words allowed: 12 repetitions
           {500, 1, 10, 10, "ABCDEFG", 21},          // 22 words: 7 repetitions of three
           {500, 0, 10, 1, "ABCDEFGHIJKLMNO", 10},   // 4 words: the address still goes twice
       }) {
    set_dwell(c.dwell_ms);
    set_limits(c.limit != 0, 1, c.max_s);
    set_group_channels(c.channels);
    ale_build_twas_sounding(c.address);
    const V words = take();
    ASSERT_EQ(static_cast<int>(words.size()), c.words) << c.address;
    EXPECT_EQ(words[0].substr(0, 4), "TWAS");
    EXPECT_EQ(words[0].back(), '1');
    if (words.size() > 1) {
      EXPECT_EQ(words[1].back(), '2');
    }
  }
  set_limits(false, 1, 10);
  set_group_channels(1);
  // 4 words would carry the address twice; a scanning receiver takes a TIS sounding at its
  // third address.
  ale_build_tis_sounding("ABCD");
  EXPECT_EQ(take(), (V{"TIS ABC/1", "DATA D@@/2", "TIS ABC/1", "DATA D@@/2", "TIS ABC/1", "DATA D@@/2"}));
}

TEST_F(WordBuildTest, LqaWord) {
  // What this station measured from ABC on the working channel 12 (channel 11 holds other
  // scores that must not be used).
  db_select_channel(12);
  const auto store = [](int channel, uint32_t score) {
    DbLock lock;
    db_get_lqa_record(lock, "ABC", channel)->measured = score;
  };
  const auto lqa = [&](int flag) {
    AleWord out[2] = {};
    EXPECT_EQ(ale_build_lqa_word("ABC", flag, out), 1);
    EXPECT_EQ(ale_word_type(out[0]), ALE_CMD);
    EXPECT_EQ(ale_word_char1(out[0]), 'a');
    EXPECT_EQ(ale_word_tag(out[0]), 5);
    return out[0] & 0x3FFF;
  };
  EXPECT_EQ(lqa(0), 0x1FFFu);  // no record
  EXPECT_EQ(lqa(1), 0x3FFFu);
  ASSERT_GE(db_add_other_address("ABC", 0, 0, 0), 0);
  store(11, 0);
  struct Case { uint32_t ber, sinad, multipath, field; };
  for (const Case c : {Case{20, 12, 7, 7u << 10 | 12u << 5 | 10u}, {30, 0, 0, 0u}, {0, 30, 3, 3u << 10 | 30u << 5 | 30u},
                       {49, 49, 7, 7u << 10 | 31u << 5 | 31u}, {50, 45, 7, 7u << 10 | 30u << 5 | 31u}}) {
    store(12, 0xFFFF8000u | c.multipath << 12 | c.sinad << 6 | c.ber);  // high bits are not ours
    EXPECT_EQ(lqa(0), c.field) << c.ber << " " << c.sinad;
  }
  // Channel 256 keeps its own scores, apart from channel 0 (whose number byte it shares).
  db_select_channel(256);
  store(0, 20);
  store(256, 30);
  EXPECT_EQ(lqa(0) & 0x1F, 0u) << "BER field of channel 256's score 30";
  // In AQC-ALE signalling the check word follows.
  alternate(true);
  AleWord out[2] = {};
  EXPECT_EQ(ale_build_lqa_word("ABC", 0, out), 2);
  EXPECT_TRUE(ale_is_check_word(out[1]));
  AleWord one[1] = {};
  EXPECT_EQ(ale_build_lqa_word("ABC", 0, one), 0);
}

TEST_F(WordBuildTest, AmdWords) {
  std::vector<AleWord> out(40);
  EXPECT_EQ(ale_build_amd_words("ABCD", out), 2);
  EXPECT_EQ(show({out[0], out[1]}), (V{"CMD ABC/5", "DATA D  /0"}));
  EXPECT_EQ(ale_build_amd_words("HELLO, WORLD[1]", out), 5);
  EXPECT_EQ(show({out[0], out[1], out[2], out[3], out[4]}),
            (V{"CMD HEL/5", "DATA LO,/0", "REP  WO/0", "DATA RLD/0", "REP [1]/0"}));
  const std::string longest(90, 'Z');
  EXPECT_EQ(ale_build_amd_words(longest.c_str(), out), 30);
  // An empty text gives no words.
  EXPECT_EQ(ale_build_amd_words("", out), 0);
  // In AQC-ALE signalling a check word follows (alone for an empty text).
  alternate(true);
  EXPECT_EQ(ale_build_amd_words("ABCD", out), 3);
  EXPECT_TRUE(ale_is_check_word(out[2]));
  EXPECT_EQ(ale_build_amd_words("", out), 1);
  EXPECT_TRUE(ale_is_check_word(out[0]));
}

TEST_F(WordBuildTest, AmdRefusals) {
  alternate(true);
  std::vector<AleWord> out(40, 0);
  const std::string too_long(91, 'A');
  struct Case { std::string text; const char* error; };
  for (const Case& c : {Case{too_long, "[AMD ERROR: TEXT OF 91 CHARACTERS, AT MOST 90 ALLOWED]"},
                        {"hello", "[AMD ERROR: CHARACTER 0x68 NOT ALLOWED]"},
                        {"AB\tC", "[AMD ERROR: CHARACTER 0x09 NOT ALLOWED]"},
                        {"A`", "[AMD ERROR: CHARACTER 0x60 NOT ALLOWED]"}}) {
    EXPECT_EQ(ale_build_amd_words(c.text.c_str(), out), 0) << c.text;
    EXPECT_NE(log_monitor_text().find(c.error), std::string::npos) << c.error;
  }
  EXPECT_EQ(out[0], 0u);
  // Words that would not fit the caller's array are refused too.
  std::vector<AleWord> small(2);
  EXPECT_EQ(ale_build_amd_words("ABCDEF", small), 0);
}

TEST_F(WordBuildTest, CodedAmdWords) {
  struct Case { std::vector<uint8_t> codes; V words; };
  const Case cases[] = {
      {{5}, {"CMD <0><5> /5"}},
      {{100, 5, 65}, {"CMD <0>d<5>/5", "DATA A  /5"}},
      {{1, 2, 3, 4, 5, 6, 7}, {"CMD <0><1><2>/5", "DATA <3><4><5>/5", "REP <6><7> /5"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    std::vector<AleWord> out(10);
    out.resize(static_cast<std::size_t>(ale_build_coded_amd_words(c.codes, out)));
    EXPECT_EQ(show(out), c.words);
  }
}

TEST_F(WordBuildTest, CheckWordClosesTheFrameCrc) {
  // A frame of message words from every builder that feeds the CRC, then the check word.
  std::vector<AleWord> frame(60);
  std::size_t n = 0;
  ale_crc_reset();
  n += static_cast<std::size_t>(ale_build_amd_words("GOOD MORNING", std::span(frame).subspan(n)));
  n += static_cast<std::size_t>(ale_build_lqa_word("NONE", 1, std::span(frame).subspan(n)));
  const uint8_t codes[] = {7, 8, 9, 10};
  n += static_cast<std::size_t>(ale_build_coded_amd_words(codes, std::span(frame).subspan(n)));
  const AleWord prepared[] = {0xC12345, 0x0ABCDE};
  n += static_cast<std::size_t>(ale_copy_prepared_words(prepared, std::span(frame).subspan(n)));
  std::vector<AleWord> body;
  for (std::size_t i = 0; i < n; ++i) body.push_back(frame[i] & kAleWordBits);
  ASSERT_EQ(body.size(), 4u + 1u + 2u + 2u);

  const uint32_t crc = ~reference_crc(body) & 0xFFFF;
  AleWord check = 0;
  EXPECT_EQ(ale_check_word(&check), 1);
  EXPECT_EQ(check, 5u << 24 | 6u << 21 | (120u + (crc >> 14)) << 14 | (crc & 0x3FFF));
  EXPECT_TRUE(ale_is_check_word(check));
  EXPECT_EQ(word_build_state().frame_crc, 0xFFFF);

  // The queued form goes to the transmit queue; a check word over nothing is the complement
  // of the initial value.
  ale_tx_check_word();
  const std::vector<AleWord> sent = test::tx_queued_words();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0] & 0x3FFF, ~0xFFFFu & 0x3FFF);
  EXPECT_EQ(ale_word_char1(sent[0]), 120);
}

TEST_F(WordBuildTest, HeldWordsWaitOutOfTheTransmitQueueUntilReleased) {
  ale_build_tis("AB");
  ale_builder_hold_words();  // a lead-in sound plays first
  ale_build_twas("CD");
  ale_build_from("EF");
  EXPECT_EQ(take(), (V{"TIS AB@/4"}));
  const std::vector<AleWord> held = ale_builder_release_held();
  EXPECT_EQ(show(held), (V{"TWAS CD@/4", "FROM EF@/4"}));
  // Released, the builders hand their words to the queue again; nothing is left held.
  ale_build_tis("GH");
  EXPECT_EQ(take(), (V{"TIS GH@/4"}));
  EXPECT_TRUE(ale_builder_release_held().empty());
}

}  // namespace
}  // namespace vesk
