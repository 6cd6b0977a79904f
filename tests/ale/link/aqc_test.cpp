// AQC-ALE words: base-40 address pairs, the pair counts of soundings and scanning calls for
// every channel count, the orderwire words, and the slot table's limits on receive.
#include "ale/link/aqc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ale/link/aqc_slots.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/locked_queue.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::vector<int> digits(AleWord w) {
  const int v = static_cast<int>((w >> 4) & 0xFFFF);
  return {v / 1600, v / 40 % 40, v % 40};
}

TEST(AqcWords, AddressesPackInBase40Pairs) {
  struct Case {
    const char* address;
    const char* six;
    std::vector<int> first, second;
  } cases[] = {
      {"ABC", "ABC@@@", {13, 14, 15}, {12, 12, 12}},
      {"@?@", "@?@@?@", {12, 11, 12}, {12, 11, 12}},
      {"K1-*Z9", "K1-*Z9", {23, 2, 39}, {0, 38, 10}},
      {"ABCDEFGH", "ABCDEF", {13, 14, 15}, {16, 17, 18}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const std::string six = aqc_six_chars(c.address);
    EXPECT_EQ(six, c.six);
    const AleWord first = aqc_address_word(ALE_TO, six.substr(0, 3), 20);
    const AleWord second = aqc_address_word(ALE_FROM, six.substr(3), 7);
    EXPECT_EQ(digits(first), c.first);
    EXPECT_EQ(digits(second), c.second);
    EXPECT_EQ(ale_word_type(first), static_cast<uint32_t>(ALE_TO));
    EXPECT_EQ(aqc_word_de(first), 15) << "a larger DE goes as 15";
    EXPECT_EQ(aqc_word_de(second), 7);
    EXPECT_TRUE(ale_word_aqc_pattern(first) && ale_word_aqc_pattern(second));
    EXPECT_EQ(aqc_strip_fill(aqc_word_chars(first) + aqc_word_chars(second)),
              std::string(c.address).substr(0, c.address[0] == '@' ? 3 : 6));
  }
  // Decoding: 12 and values of 40 or more are "@".
  EXPECT_EQ(aqc_digit_char(12), '@');
  EXPECT_EQ(aqc_digit_char(40), '@');
  EXPECT_EQ(aqc_char_digit('a'), 12);
}

// Channel counts at which the double-precision quotient falls just below a whole number, so
// that its integer part is one less than in exact arithmetic (10 channels give 6 and 5).
const std::vector<int> kSoundingShort = {10, 20, 78, 80, 82, 92, 94, 104, 106, 108, 118, 120,
                                         160, 164, 174, 178, 188, 202, 212, 216, 226, 230, 240, 250};
const std::vector<int> kCallShort = {54, 82, 108, 164, 178, 216, 230, 254};

TEST(AqcWords, PairCountsForEveryChannelCount) {
  auto has = [](const std::vector<int>& v, int c) { return std::find(v.begin(), v.end(), c) != v.end(); };
  for (int c = 1; c <= 256; ++c) {
    // Exactly: (c * 0.196 + 0.784) / 0.392 = c / 2 + 2 and c * 0.196 / 0.392 = c / 2.
    const int b_sound = (c + 4) / 2 - (has(kSoundingShort, c) ? 1 : 0);
    const int b_call = c / 2 - (has(kCallShort, c) ? 1 : 0);
    ASSERT_EQ(aqc_sounding_pairs(c), (b_sound + 2) / 2) << c << " channels";
    ASSERT_EQ(aqc_scanning_call_pairs(c), (b_call + 2) / 2) << c << " channels";
  }
  EXPECT_EQ(aqc_sounding_pairs(10), 4);
  EXPECT_EQ(aqc_scanning_call_pairs(10), 3);
}

TEST(AqcWords, OrderwireWords) {
  AqcChannelDefinition d;
  d.channel = 5;
  d.rx_mode = 0;  // LSB
  d.tx_mode = 1;  // USB
  d.rx_hz = 7000000;
  d.tx_hz = 7100000;
  const auto w = aqc_channel_definition_words(d);
  EXPECT_EQ(ale_word_type(w[0]), static_cast<uint32_t>(ALE_CMD));
  EXPECT_EQ(aqc_command_code(w[0]), kAqcCommandChannel);
  EXPECT_EQ((w[0] >> 8) & 0xFF, 5u);
  EXPECT_EQ((w[0] >> 6) & 3, 1u);
  EXPECT_EQ((w[0] >> 4) & 3, 0u);
  EXPECT_EQ(w[1], static_cast<AleWord>(ALE_DATA) << 21 | 70000u);
  EXPECT_EQ(w[2], static_cast<AleWord>(ALE_REP) << 21 | 71000u);
  AqcChannelDefinition back;
  ASSERT_TRUE(aqc_parse_channel_definition(w.data(), 3, &back));
  EXPECT_EQ(back.rx_mode, 0);
  EXPECT_EQ(back.tx_mode, 1);
  EXPECT_EQ(back.rx_hz, 7000000);
  EXPECT_EQ(back.tx_hz, 7100000);

  int slot = 0, value = 0;
  ASSERT_TRUE(aqc_parse_slot_assignment(aqc_slot_assignment_word(3, 600), &slot, &value));
  EXPECT_EQ(slot, 3);
  EXPECT_EQ(value, 600);
  EXPECT_FALSE(aqc_parse_slot_assignment(w[0], &slot, &value));
}

TEST(AqcWords, TheBurstFollowsAFromWordOfAnAqcTransmission) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_set_default_options();
  ale_word_io_init();
  struct Case {
    const char* name;
    int burst_option, aqc_option, signalling, state, type;
    int blocks;  // queued for the word
  } cases[] = {
      {"calling in AQC-ALE", 1, 1, ALE_SIGNALLING_ALTERNATE, ALE_STATE_IND_WAIT_COMPLETION_OF_CALL, ALE_FROM, 2},
      {"first word of a pair", 1, 1, ALE_SIGNALLING_ALTERNATE, ALE_STATE_IND_WAIT_COMPLETION_OF_CALL, ALE_TO, 1},
      {"burst option off", 0, 1, ALE_SIGNALLING_ALTERNATE, ALE_STATE_IND_WAIT_COMPLETION_OF_CALL, ALE_FROM, 1},
      {"inside a link", 1, 1, ALE_SIGNALLING_ALTERNATE, ALE_STATE_LINKED_IDLE, ALE_FROM, 1},
      {"net response", 1, 1, ALE_SIGNALLING_ALTERNATE, ALE_STATE_NET_WAIT_COMPLETION_OF_RESPONSE, ALE_FROM, 2},
      {"AQC-ALE sounding", 1, 1, ALE_SIGNALLING_NORMAL, ALE_STATE_TIS_SOUND_IN_PROGRESS, ALE_FROM, 2},
      {"plain sounding", 1, 0, ALE_SIGNALLING_NORMAL, ALE_STATE_TIS_SOUND_IN_PROGRESS, ALE_FROM, 1},
      {"plain call", 1, 1, ALE_SIGNALLING_NORMAL, ALE_STATE_IND_WAIT_COMPLETION_OF_CALL, ALE_FROM, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    db_set_aqc_burst(c.burst_option);
    db_set_aqc_mode(c.aqc_option);
    ale_set_signalling_mode(c.signalling);
    ale_set_link_state(c.state);
    ale_tx_flush();
    const int before = queue_count(word_queue_state().tx_queue);
    ale_tx_word(aqc_address_word(c.type, "ABC", 0));
    EXPECT_EQ(queue_count(word_queue_state().tx_queue) - before, c.blocks);
  }
}

}  // namespace
}  // namespace vesk
