// Frame events fed by the word receiver's frame begin and the frame parser, as the station
// binds them.
#include <gtest/gtest.h>

#include <vector>

#include "ale/dispatch/engine.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/lqa.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {
namespace {

class FrameEventParserTest : public FrameStationTest {
 protected:
  FrameEventParserTest() {
    ale_word_io_init();
    word_rx_state().hooks.frame_begin = [](int event) { ale_post_frame_begin(event); };
    db_add_other_address("B2", 0, 0, 0);
  }
  // The frame begin as the receiver raises it, taken by the engine like the words after it.
  static void begin() {
    ale_rx_frame_begin(word_rx_state());
    EngineEvent e;
    ASSERT_TRUE(ale_engine_event_pop(&e));
    ale_engine_dispatch_event(e);
  }
};

TEST_F(FrameEventParserTest, IndividualCallWithLqaReportIsForMe) {
  // TO XYZ (own), a LQA report (SINAD 18, 5 bit errors, exchange asked), TIS B2, then a bad word.
  const AleWord lqa = word(ALE_CMD, "a\0\0") | 1u << 13 | 18u << 5 | 5u;
  begin();
  feed({word(ALE_TO, "XYZ"), word(ALE_TO, "XYZ"), lqa, word(ALE_TIS, "B2@")});
  feed_bad(1);
  EXPECT_EQ(traced_link_events(), (std::vector<int>{EV_RX_FRAME_BEGIN, EV_FRAME_FOR_ME}));
  EXPECT_STREQ(ale_frame_caller(), "B2");
  LqaRecord q{};
  ASSERT_EQ(db_copy_lqa_record("B2", 0, &q), 0);
  EXPECT_EQ(lqa_sinad(q.reported), 18);
  EXPECT_EQ(lqa_ber(q.reported), 25);
  EXPECT_EQ(lqa_sinad(q.measured), 20);  // words of SINAD 10: 20 dB
}

TEST_F(FrameEventParserTest, CallToAnotherStationWithAmd) {
  begin();
  feed({word(ALE_TO, "QQQ"), word(ALE_CMD, "HEL"), word(ALE_DATA, "LO "), word(ALE_TWAS, "B2@")});
  feed_bad(1);
  EXPECT_EQ(traced_link_events(), (std::vector<int>{EV_RX_FRAME_BEGIN, EV_FRAME_NOT_FOR_ME_CLEAR}));
  EXPECT_NE(log_monitor_text().find("[TO ][QQQ            ][TWS][B2             ][AL0] BER "), std::string::npos)
      << log_monitor_text();
  EXPECT_NE(log_monitor_text().find(" [AMD]HELLO \n"), std::string::npos);
}

// A frame whose end went unheard (the receiver was reset as the station keyed, in its ending)
// is over when the receiver finds the next frame: that frame's first words are no errors.
TEST_F(FrameEventParserTest, NewFrameEndsAFrameCutOffInItsEnding) {
  begin();
  feed({word(ALE_TO, "QQQ"), word(ALE_TIS, "B2@")});
  begin();
  feed({word(ALE_TO, "XYZ"), word(ALE_TIS, "B2@")});
  feed_bad(1);
  EXPECT_EQ(traced_link_events(), (std::vector<int>{EV_RX_FRAME_BEGIN, EV_RX_FRAME_BEGIN, EV_FRAME_FOR_ME}));
  EXPECT_STREQ(ale_frame_caller(), "B2");
}

}  // namespace
}  // namespace vesk::test
