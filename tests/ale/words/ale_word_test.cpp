#include "ale/words/ale_word.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "db/ale_chars.h"
#include "ale/words/ale_clock.h"
#include "ale/link/link_state.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

class AleWordTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  SimClock* clock_ = new SimClock();
  Station station_{dir_.path(), std::unique_ptr<Clock>(clock_)};
  StationScope scope_{station_};
};

TEST(AleChars, Classes) {
  struct Case { int code; int cls; };
  for (const Case c : {Case{0x00, 0}, {0x1F, 0}, {' ', 1}, {'-', 1}, {'/', 1}, {'0', 2}, {'9', 2}, {':', 1}, {'>', 1},
                       {'?', 2}, {'@', 2}, {'A', 2}, {'Z', 2}, {'[', 1}, {'_', 1}, {'`', 0}, {'a', 0}, {0x7F, 0},
                       {128, 0}, {255, 0}, {-1, 0}}) {
    EXPECT_EQ(ale_char_class(c.code), c.cls) << c.code;
    EXPECT_EQ(ale_char_in_64set(c.code), c.cls != 0) << c.code;
    EXPECT_EQ(ale_char_in_38set(c.code), c.cls == 2) << c.code;
  }
  EXPECT_TRUE(ale_char_is_null(0));
  EXPECT_FALSE(ale_char_is_null(' '));
}

TEST(AleChars, Addresses) {
  struct Case { const char* text; bool valid; int words; bool wildcard; };
  for (const Case c : {Case{"A1", true, 1, false}, {"ABC", true, 1, false}, {"ABCD", true, 2, false},
                       {"ABCDEFGHIJKLMNO", true, 5, false}, {"ABCDEFGHIJKLMNOP", false, 6, false},
                       {"", false, 0, false}, {"AB-1", false, 2, false}, {"ab", false, 1, false},
                       {"AB?", true, 1, true}, {"?AB", true, 1, true}, {"@?@", true, 1, false}, {"-A?", false, 1, false}}) {
    EXPECT_EQ(ale_address_valid(c.text), c.valid) << c.text;
    EXPECT_EQ(ale_address_word_count(c.text), c.words) << c.text;
    EXPECT_EQ(ale_address_is_wildcard(c.text), c.wildcard) << c.text;
  }
  EXPECT_TRUE(ale_address_equal("ABC", "ABC"));
  EXPECT_FALSE(ale_address_equal("ABC", "ABCD"));
  EXPECT_FALSE(ale_address_equal("", ""));
  char text[] = "ab1?z";
  EXPECT_STREQ(ale_upcase(text), "AB1?Z");
  // 6 × 2 + 3 × 1 − 3 + 8 and the same without the −3.
  EXPECT_EQ(ale_response_word_count("ABCD", "XY", 0), 20);
  EXPECT_EQ(ale_response_word_count("ABCD", "XY", 1), 23);
}

TEST(AleChars, LqaTexts) {
  struct Case { int value; const char* score; const char* plain; };
  for (const Case c : {Case{7, " 7", " 7"}, {23, "23", "23"}, {0, " 0", " 0"}, {30, "30", "30"},
                       {49, " -", " -"}, {50, " F", "50"}, {-3, " -", " -"}, {100, " -", " -"}}) {
    EXPECT_STREQ(lqa_score_text(c.value).c_str(), c.score) << c.value;
    EXPECT_STREQ(lqa_value_text(c.value).c_str(), c.plain) << c.value;
  }
  EXPECT_EQ(lqa_sinad_score(-1.0), 0);
  EXPECT_EQ(lqa_sinad_score(0.0), 0);
  EXPECT_EQ(lqa_sinad_score(12.9), 12);
  EXPECT_EQ(lqa_sinad_score(30.0), 30);
  EXPECT_EQ(lqa_sinad_score(55.5), 30);
  EXPECT_EQ(lqa_sinad_score(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(lqa_ber_score(0), 30);
  EXPECT_EQ(lqa_ber_score(29), 1);
  EXPECT_EQ(lqa_ber_score(30), 0);
  EXPECT_EQ(lqa_ber_score(48), 0);
}

TEST(AleWords, Layout) {
  const AleWord w = ale_make_word(ALE_TO, 'A', 'B', 'C');
  EXPECT_EQ(w, 2u << 21 | 'A' << 14 | 'B' << 7 | 'C');
  EXPECT_EQ(ale_pack_word('A', 'B', 'C'), w & 0x1FFFFF);
  EXPECT_EQ(ale_word_type(w), ALE_TO);
  EXPECT_EQ(ale_word_char1(w), 'A');
  EXPECT_EQ(ale_word_char2(w), 'B');
  EXPECT_EQ(ale_word_char3(w), 'C');
  const AleWord tagged = ale_word_with_tag(w, 5);
  EXPECT_EQ(ale_word_tag(tagged), 5);
  EXPECT_EQ(tagged & kAleWordBits, w);
}

TEST(AleWords, TextAndCheckWords) {
  EXPECT_TRUE(ale_text_word_valid(ale_make_word(ALE_DATA, 'A', ' ', '-')));
  EXPECT_TRUE(ale_text_word_valid(ale_make_word(ALE_REP, '_', '[', '0')));
  EXPECT_TRUE(ale_text_word_valid(ale_make_word(ALE_CMD, 'A', 'B', 'C')));
  EXPECT_FALSE(ale_text_word_valid(ale_make_word(ALE_TO, 'A', 'B', 'C')));
  EXPECT_FALSE(ale_text_word_valid(ale_make_word(ALE_DATA, 'a', 'B', 'C')));
  EXPECT_FALSE(ale_text_word_valid(ale_make_word(ALE_DATA, 'A', 'B', 0)));
  for (int c = 118; c <= 125; ++c)
    EXPECT_EQ(ale_is_check_word(ale_make_word(ALE_CMD, c, 0x7F, 0x7F)), c >= 120 && c <= 123) << c;
  EXPECT_FALSE(ale_is_check_word(ale_make_word(ALE_DATA, 'x', 0, 0)));
}

TEST_F(AleWordTest, AdmissionWithAqcDisabled) {
  // Three basic-38 characters: taken whatever the preamble, CMD included.
  EXPECT_TRUE(ale_word_acceptable(ale_make_word(ALE_CMD, 'A', '1', '?')));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 0);
  // Bits 20 and 19 equal (first character 0x00-0x1F or 0x60-0x7F): taken as a 141A word.
  EXPECT_TRUE(ale_word_acceptable(ale_make_word(ALE_CMD, 'a', ' ', ' ')));
  EXPECT_TRUE(ale_word_acceptable(ale_make_word(ALE_DATA, 0x05, 0, 0)));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 0);
  // Bits differ and a character is not basic-38.
  EXPECT_FALSE(ale_word_acceptable(ale_make_word(ALE_DATA, 'A', 'B', '-')));
  EXPECT_FALSE(ale_word_acceptable(ale_make_word(ALE_DATA, ' ', 'B', 'C')));
}

TEST_F(AleWordTest, AdmissionWithAqcEnabled) {
  db_set_aqc_mode(1);
  // The link state's idle test: scanning stopped is idle, listening before a call is not.
  ale_link_init();
  auto set_idle = [](bool idle) { ale_set_link_state(idle ? ALE_STATE_SCANNING_STOPPED : ALE_STATE_LISTEN_BEFORE_CALL); };
  set_idle(false);
  const AleWord aqc = ale_make_word(ALE_TO, 0x65, 0x11, 0x22);
  ASSERT_TRUE(ale_word_aqc_pattern(aqc));
  // Busy and the previous word was 141A: refused, flag kept.
  EXPECT_FALSE(ale_word_acceptable(aqc));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 0);
  set_idle(true);
  EXPECT_TRUE(ale_word_acceptable(aqc));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 1);
  // Busy now, but the previous word was AQC-ALE: taken.
  set_idle(false);
  EXPECT_TRUE(ale_word_acceptable(aqc));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 1);
  // A refused word keeps the flag; a basic-38 word clears it.
  EXPECT_FALSE(ale_word_acceptable(ale_make_word(ALE_DATA, 'A', '-', 'B')));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 1);
  EXPECT_TRUE(ale_word_acceptable(ale_make_word(ALE_TIS, 'A', 'B', 'C')));
  EXPECT_EQ(aqc_rx_word_is_aqc(), 0);
  EXPECT_FALSE(ale_word_acceptable(aqc));
}

TEST_F(AleWordTest, ClockNowFromTheStationClock) {
  clock_->set_utc_ms(1709164799123LL);  // 2024-02-28 23:59:59.123 UTC
  AleClock c;
  ale_clock_now(&c);
  EXPECT_EQ(c.ms, 0);
  EXPECT_EQ(c.second, 59);
  EXPECT_EQ(c.minute, 59);
  EXPECT_EQ(c.hour, 23);
  EXPECT_EQ(c.day, 28);
  EXPECT_EQ(c.month, 1);
  EXPECT_EQ(c.year, 124);
}

TEST(AleClockAdvance, Carries) {
  struct Case {
    AleClock from;
    int64_t ms;
    AleClock to;
  };
  // Fields: ms, second, minute, hour, day, month (0-11), year (from 1900).
  const Case cases[] = {
      {{900, 59, 59, 23, 31, 11, 125}, 200, {100, 0, 0, 0, 1, 0, 126}},     // year end
      {{0, 59, 59, 23, 28, 1, 124}, 1000, {0, 0, 0, 0, 29, 1, 124}},        // 2024 leap
      {{0, 59, 59, 23, 29, 1, 124}, 1000, {0, 0, 0, 0, 1, 2, 124}},
      {{0, 59, 59, 23, 28, 1, 125}, 1000, {0, 0, 0, 0, 1, 2, 125}},         // 2025 common
      {{0, 59, 59, 23, 28, 1, 128}, 1000, {0, 0, 0, 0, 29, 1, 128}},        // 2028 leap
      {{0, 59, 59, 23, 28, 1, 100}, 1000, {0, 0, 0, 0, 29, 1, 100}},        // 2000 leap
      {{0, 59, 59, 23, 28, 1, 200}, 1000, {0, 0, 0, 0, 1, 2, 200}},         // 2100 common
      {{0, 0, 0, 23, 31, 6, 126}, 3600000, {0, 0, 0, 0, 1, 7, 126}},        // 31 July
      {{0, 0, 0, 23, 30, 3, 126}, 3600000, {0, 0, 0, 0, 1, 4, 126}},        // 30 April
      {{500, 10, 20, 5, 10, 3, 126}, 499, {999, 10, 20, 5, 10, 3, 126}},    // no carry
      {{999, 59, 0, 5, 10, 3, 126}, 1, {0, 0, 1, 5, 10, 3, 126}},
      {{0, 0, 0, 12, 10, 3, 126}, 2 * 86400000LL, {0, 0, 0, 12, 12, 3, 126}},  // whole days
      {{0, 0, 0, 12, 10, 3, 126}, -5, {0, 0, 0, 12, 10, 3, 126}},
  };
  for (const Case& c : cases) {
    AleClock t = c.from;
    ale_clock_advance(&t, c.ms);
    const auto fields = [](const AleClock& x) {
      return std::to_string(x.year) + "-" + std::to_string(x.month) + "-" + std::to_string(x.day) + " " +
             std::to_string(x.hour) + ":" + std::to_string(x.minute) + ":" + std::to_string(x.second) + "." +
             std::to_string(x.ms);
    };
    EXPECT_EQ(fields(t), fields(c.to)) << "from " << fields(c.from) << " + " << c.ms;
  }
}

}  // namespace
}  // namespace vesk
