#include "ale/frames/frame_sections.h"
#include "ale/link/transmitters.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ale/engine/events.h"
#include "ale/frames/frame_build.h"
#include "ale/frames/frame_events.h"
#include "ale/engine/timer.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/log.h"
#include "platform/wav.h"
#include "tests/ale/tx_words.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class FrameSectionsTest : public FrameStationTest {
 protected:
  FrameSectionsTest() {
    ale_word_io_init();
    ale_section_queues_init();
    ale_set_own_address("ABC");
    ale_set_called_list({"KILO"});
  }
  // The words the transmitters queued so far.
  static std::vector<AleWord> sent() { return tx_queued_words(); }
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
  static int position(AleWord w) {
    const std::vector<AleWord> words = sent();
    for (std::size_t i = 0; i < words.size(); ++i)
      if ((words[i] & kAleWordBits) == (w & kAleWordBits)) return static_cast<int>(i);
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

// The station heard a call to it from KILO, with or without an LQA word, then a call between
// two other stations (as a slotted answer hears the other members' answers before its own).
void hear_call(bool with_lqa) {
  auto frame = [](const char* to, const char* from, uint32_t lqa) {
    ale_frame_event_text(EV_RX_FRAME_BEGIN, "");
    ale_frame_called_add(to);
    ale_frame_event_text(EV_RX_TO, to);
    ale_frame_event_text(EV_RX_MESSAGE_SECTION, "");
    if (lqa != 0) ale_frame_set_lqa_word(lqa);
    ale_frame_event_text(EV_RX_THIS_IS, from);
    ale_frame_event_text(EV_RX_FRAME_END, "");
    ale_frame_called_clear();
  };
  frame("ABC", "KILO", with_lqa ? ale_make_word(ALE_CMD, 'a', 0, 0) | 0x1FFF : 0);
  frame("QQQ", "RRR", 0);
}

TEST_F(FrameSectionsTest, ResponseCarriesTheLqaWordOnlyWhenTheCallDid) {
  db_enable_lqa();
  for (bool call_lqa : {true, false}) {
    SCOPED_TRACE(call_lqa);
    ale_word_io_init();
    hear_call(call_lqa);
    ASSERT_EQ(ale_section_push_ack(words({kMark1})), 1);
    ale_tx_response();
    int lqa_at = -1;
    for (std::size_t i = 0; i < sent().size(); ++i)
      if (ale_word_type(sent()[i]) == ALE_CMD && ale_word_char1(sent()[i]) == 'a') lqa_at = static_cast<int>(i);
    if (!call_lqa) {
      EXPECT_EQ(lqa_at, -1) << "no room for an LQA word in the caller's wait";
      continue;
    }
    ASSERT_GE(lqa_at, 0);
    EXPECT_EQ(position(kMark1), lqa_at + 1) << "the LQA word goes before the acknowledgement sections";
  }
}

TEST_F(FrameSectionsTest, SixteenAddressesLeaveThePreviousListWithALogLine) {
  AddressList list;
  for (int i = 0; i < 16; ++i) list.push_back("S" + std::to_string(i));
  EXPECT_EQ(ale_set_called_list(list), 0);
  EXPECT_EQ(ale_called_count(), 1);
  EXPECT_STREQ(ale_first_called_address(), "KILO");
  EXPECT_NE(log_monitor_text().find("CALL ERROR"), std::string::npos);
  list.pop_back();
  EXPECT_EQ(ale_set_called_list(list), 1);
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

TEST_F(FrameSectionsTest, FullQueueRefusesAndTheCallerKeepsTheSection) {
  for (int i = 0; i < kSectionQueueSize; ++i) ASSERT_EQ(ale_section_push_poll(words({kMark1})), 1);
  FrameSection* extra = words({kMark2});
  EXPECT_EQ(ale_section_push_poll(extra), 0);
  delete extra;
  EXPECT_EQ(ale_sections_pending(), 1);
  ale_sections_flush();
  EXPECT_EQ(ale_sections_pending(), 0);
}

TEST_F(FrameSectionsTest, ACallWhileScanningWhoseTuneSoundCannotPlayGoesOutAtOnce) {
  // The lead-in of a call while scanning is the tune sound; when "atu_tune.wav" is missing or
  // its rate is none a sound file can have, the frame's words go as soon as the sound's thread
  // gives up (with a line saying why), and the voice identification's period starts again.
  const struct {
    int rate;  // 0: no file
    const char* line;
  } cases[] = {{0, "FILE NOT FOUND ERROR: atu_tune.wav"},
               {1, "TUNE SOUND: atu_tune.wav not played: sample rate 1 Hz outside 4000 to 192000 Hz"},
               {1000000, "sample rate 1000000 Hz outside"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    if (c.rate > 0) {
      const std::vector<int16_t> tone(48000, 1000);  // at 1 Hz: 48,000 s of sound
      ASSERT_EQ(wav_write_file(dir_.path() + "/atu_tune.wav", tone.data(), 48000, c.rate), 1);
    }
    ale_word_io_init();  // the queue of the case before emptied
    ale_set_scan_mode(ALE_SCAN_MODE_SCANNING);
    db_set_atu_tone_tune(1);
    ale_tx_call_scanning();
    ale_lead_sound_wait();
    ASSERT_FALSE(sent().empty());
    EXPECT_EQ(ale_word_type(sent().back()), ALE_TIS);
    EXPECT_EQ(timer_is_running(EV_VOICE_ID_TIMER), 1);
    EXPECT_NE(log_monitor_text().find(c.line), std::string::npos) << log_monitor_text();
    // The builders' hand-over is back to normal for the next frame.
    const std::size_t n = sent().size();
    ale_set_scan_mode(ALE_SCAN_MODE_STOPPED);
    ale_tx_ack();
    EXPECT_GT(sent().size(), n);
  }
}

TEST_F(FrameSectionsTest, SoundingWhileScanningIsStoppedHasNoLeadIn) {
  db_set_atu_tone_tune(1);
  ale_tx_twas_sounding();
  EXPECT_EQ(timer_is_running(EV_VOICE_ID_TIMER), 0) << "no tune sound, so no voice identification restart";
  ASSERT_FALSE(sent().empty());
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TWAS);
  EXPECT_STREQ(ale_own_address_text(), "ABC");  // the working channel's own address
}

TEST_F(FrameSectionsTest, ClearEndsWithTwas) {
  ale_tx_clear();
  EXPECT_EQ(ale_call_ending(), ALE_ENDING_TWAS);
  EXPECT_EQ(ale_word_type(sent().back()), ALE_TWAS);
}

TEST_F(FrameSectionsTest, LinkedStationsBecomeTheCalledList) {
  ale_linked_add("KILO");
  ale_linked_add("LIMA");
  ale_called_from_linked();
  EXPECT_EQ(ale_called_list_text(), "KILO LIMA ");
}

}  // namespace
}  // namespace vesk::test
