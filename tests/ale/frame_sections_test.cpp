#include "ale/frames/frame_sections.h"

#include <algorithm>
#include <string>
#include <vector>

#include "db/events.h"
#include "ale/frames/frame_build.h"
#include "ale/engine/timer.h"
#include "ale/words/word_seams.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class FrameSectionsTest : public FrameStationTest {
 protected:
  FrameSectionsTest() {
    ale_section_queues_init();
    ale_set_own_address("ABC");
    const char* called[] = {"KILO"};
    ale_set_called_list(called, 1);
  }
  std::vector<AleWord>& sent() { return word_seams().sent; }
  static FrameSection* amd(const std::string& text) {
    auto* s = new FrameSection;
    s->kind = SECTION_AMD;
    s->text = text;
    return s;
  }
  static FrameSection* words(std::vector<AleWord> w) {
    auto* s = new FrameSection;
    s->kind = SECTION_WORDS;
    s->words = std::move(w);
    return s;
  }
  // Position of the first sent word equal to `w` (bits 0-23), or -1.
  int position(AleWord w) {
    for (std::size_t i = 0; i < sent().size(); ++i)
      if ((sent()[i] & kAleWordBits) == (w & kAleWordBits)) return static_cast<int>(i);
    return -1;
  }
};

const AleWord kTw = ale_make_word(ALE_CMD, 't', 'w', 'E');
const AleWord kMark1 = ale_make_word(ALE_CMD, 'v', 'c', '1');
const AleWord kMark2 = ale_make_word(ALE_CMD, 'v', 'c', '2');

TEST_F(FrameSectionsTest, SectionsGoOutInTheOrderTheyWereQueued) {
  // A message queued at call set-up, then the slot-width word queued at key-down.
  ASSERT_EQ(ale_section_push_call(amd("HI")), 1);
  ASSERT_EQ(ale_section_push_call(words({kTw})), 1);
  ale_tx_call_sclc();
  const int amd_at = position(ale_make_word(ALE_CMD, 'H', 'I', ' '));
  const int tw_at = position(kTw);
  ASSERT_GE(amd_at, 0);
  EXPECT_EQ(tw_at, amd_at + 1);
  EXPECT_EQ(ale_section_count(SECTIONS_CALL), 0);
  // The ending follows the sections.
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TIS);
}

TEST_F(FrameSectionsTest, LinkedCallSendsTrafficBeforeLinkMessages) {
  ASSERT_EQ(ale_section_push_link_message(words({kMark2})), 1);
  ASSERT_EQ(ale_section_push_traffic(words({kMark1})), 1);
  ale_tx_linked_call();
  ASSERT_GE(position(kMark1), 0);
  EXPECT_LT(position(kMark1), position(kMark2));
}

TEST_F(FrameSectionsTest, ResponseCarriesTheLqaWordBeforeTheAcknowledgementSections) {
  db_enable_lqa();
  ASSERT_EQ(ale_section_push_ack(words({kMark1})), 1);
  ale_tx_response();
  int lqa_at = -1;
  for (std::size_t i = 0; i < sent().size(); ++i)
    if (ale_word_type(sent()[i]) == ALE_CMD && ale_word_char1(sent()[i]) == 'a') lqa_at = static_cast<int>(i);
  ASSERT_GE(lqa_at, 0);
  EXPECT_EQ(position(kMark1), lqa_at + 1);
}

TEST_F(FrameSectionsTest, SixteenAddressesLeaveThePreviousListWithALogLine) {
  std::vector<std::string> names;
  std::vector<const char*> list;
  for (int i = 0; i < 16; ++i) names.push_back("S" + std::to_string(i));
  for (const std::string& n : names) list.push_back(n.c_str());
  EXPECT_EQ(ale_set_called_list(list.data(), 16), 0);
  EXPECT_EQ(ale_called_count(), 1);
  EXPECT_STREQ(ale_first_called_address(), "KILO");
  EXPECT_NE(log_monitor_text().find("CALL ERROR"), std::string::npos);
  EXPECT_EQ(ale_set_called_list(list.data(), 15), 1);
  EXPECT_EQ(ale_called_count(), 15);
  EXPECT_EQ(ale_called_list_text().substr(0, 6), "S0 S1 ");
}

TEST_F(FrameSectionsTest, CalledAddressesAreCutToFifteenCharacters) {
  ale_set_called("ABCDEFGHIJKLMNOPQRSTUV");
  EXPECT_STREQ(ale_first_called_address(), "ABCDEFGHIJKLMNO");
}

TEST_F(FrameSectionsTest, SectionsThatDoNotFitStayQueuedForTheNextFrame) {
  const std::string text(90, 'A');
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ale_section_push_traffic(amd(text)), 1);
  std::array<AleWord, kFrameWordsMax> frame{};
  const int n = ale_compose_sections(SECTIONS_TRAFFIC, frame);
  EXPECT_EQ(n, 60);  // two texts of 30 words; the third does not fit the 80 words
  EXPECT_EQ(ale_section_count(SECTIONS_TRAFFIC), 1);
  EXPECT_NE(log_monitor_text().find("FRAME FULL"), std::string::npos);
  EXPECT_EQ(ale_compose_sections(SECTIONS_TRAFFIC, frame), 30);
  EXPECT_EQ(ale_section_count(SECTIONS_TRAFFIC), 0);
}

TEST_F(FrameSectionsTest, ASectionLongerThanAnyFrameIsDroppedAndTheRestGoes) {
  ASSERT_EQ(ale_section_push_traffic(words(std::vector<AleWord>(kFrameWordsMax + 1, kMark1))), 1);
  ASSERT_EQ(ale_section_push_traffic(words({kMark2})), 1);
  std::array<AleWord, kFrameWordsMax> frame{};
  EXPECT_EQ(ale_compose_sections(SECTIONS_TRAFFIC, frame), 1);
  EXPECT_EQ(frame[0], kMark2);
  EXPECT_NE(log_monitor_text().find("TOO LONG"), std::string::npos);
}

TEST_F(FrameSectionsTest, MessageBlocksStayWithTheirLayer) {
  struct Block {
    int id = 7;
  };
  auto block = std::make_unique<Block>();
  std::vector<void*> transmitted;
  frame_sections().seams.dbm_transmit = [&](void* b) { transmitted.push_back(b); };
  for (int i = 0; i < 2; ++i) {
    auto* s = new FrameSection;
    s->kind = SECTION_DBM_BLOCK;
    s->block = block.get();
    ASSERT_EQ(ale_section_push_traffic(s), 1);
  }
  std::array<AleWord, kFrameWordsMax> frame{};
  ale_compose_sections(SECTIONS_TRAFFIC, std::span<AleWord>(frame).first(0));
  ale_sections_flush();
  EXPECT_EQ(ale_section_count(SECTIONS_TRAFFIC), 0);
  EXPECT_EQ(transmitted.size(), 2u);
  EXPECT_EQ(block->id, 7);  // still the layer's: freed by it alone, here at the end
}

TEST_F(FrameSectionsTest, FullQueueRefusesAndTheCallerKeepsTheSection) {
  for (int i = 0; i < kSectionQueueSize; ++i) ASSERT_EQ(ale_section_push_poll(words({kMark1})), 1);
  FrameSection* extra = words({kMark2});
  EXPECT_EQ(ale_section_push_poll(extra), 0);
  delete extra;
  EXPECT_EQ(ale_sections_pending(), 1);
  ale_sections_flush();
  EXPECT_EQ(ale_sections_pending(), 0);
}

TEST_F(FrameSectionsTest, TuneSoundPlaysWithoutHoldingUpTheTransmitterAndTheFrameFollowsIt) {
  std::function<void()> handed;
  FrameSectionSeams& s = frame_sections().seams;
  s.scan_mode = [] { return 2; };
  s.play_sound = [&](const std::string& file, std::function<void()> done) {
    EXPECT_EQ(file, "atu_tune.wav");
    handed = std::move(done);
    return 1;
  };
  db_set_atu_tone_tune(1);
  ale_tx_call_scanning();  // returns while the sound plays
  ASSERT_TRUE(handed);
  EXPECT_TRUE(sent().empty());
  EXPECT_EQ(timer_is_running(EV_VOICE_ID_TIMER), 1);
  handed();
  ASSERT_FALSE(sent().empty());
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TIS);
  // The builders' hand-over is back to normal for the next frame.
  const std::size_t n = sent().size();
  s.scan_mode = [] { return 1; };
  ale_tx_ack();
  EXPECT_GT(sent().size(), n);
}

TEST_F(FrameSectionsTest, SoundingWhileScanningIsStoppedHasNoLeadIn) {
  int plays = 0;
  frame_sections().seams.play_sound = [&](const std::string&, std::function<void()> done) {
    ++plays;
    done();
    return 1;
  };
  db_set_atu_tone_tune(1);
  ale_tx_twas_sounding();
  EXPECT_EQ(plays, 0);
  ASSERT_FALSE(sent().empty());
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TWAS);
  EXPECT_STREQ(ale_own_address_text(), "ABC");  // the working channel's own address
}

TEST_F(FrameSectionsTest, ClearEndsWithTwas) {
  ale_tx_clear();
  EXPECT_EQ(ale_call_ending(), ALE_ENDING_TWAS);
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TWAS);
}

}  // namespace
}  // namespace vesk::test

#include "ale/link/link_state.h"

namespace vesk::test {
namespace {

TEST_F(FrameSectionsTest, LinkedStationsBecomeTheCalledList) {
  ale_link_connect_layers();
  ale_linked_add("KILO");
  ale_linked_add("LIMA");
  ale_called_from_linked();
  EXPECT_EQ(ale_called_list_text(), "KILO LIMA ");
}

}  // namespace
}  // namespace vesk::test
