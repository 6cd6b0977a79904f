// The AQC-ALE receiver on a station linked with ABC in AQC-ALE signalling: an in-link order
// that asks for an acknowledgement is applied and answered (ACK, or NAK when its check word
// fails), a slot value out of range is ignored, and the kept groups are bounded.
#include "ale/link/aqc_rx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ale/frames/frame_build.h"
#include "ale/link/aqc.h"
#include "ale/link/aqc_slots.h"
#include "ale/words/word_build.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class AqcRxTest : public StateMachineFixture {
 protected:
  void link_with_abc_in_aqc() {
    start_scanning();
    ale_call_address("ABC", "");
    run_ms(3000);
    receive_frame("ME", "ABC");
    run_ms(1000);
    ASSERT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
    ale_set_signalling_mode(ALE_SIGNALLING_ALTERNATE);
    frames.clear();
  }
  static void word(AleWord w) {
    RxWordRecord r;
    r.word = w;
    aqc_rx_word(r);
  }
  // ABC's in-link frame to this station: the pair, then the order words and the check word
  // (spoilt when asked).
  static void receive_order(const std::vector<AleWord>& order, bool ack, bool good_check) {
    ale_frame_event_text(EV_AQC_FRAME_BEGIN, "");
    const std::string six = aqc_six_chars("ABC");
    word(aqc_address_word(ALE_THRU, six.substr(0, 3), 1 + (ack ? 8 : 0)));
    word(aqc_address_word(ALE_FROM, six.substr(3), AQC_CODE_DATA + 8));
    ale_crc_reset();
    for (AleWord w : order) {
      ale_crc_add_word(w);
      word(w);
    }
    AleWord check = 0;
    ale_check_word(&check);
    word(good_check ? check : check ^ 1);
  }
  // The second DE code of the own address in the last frame sent.
  int last_answer_code() const {
    if (frames.empty()) return -1;
    int code = -1;
    for (AleWord w : frames.back())
      if (ale_word_type(w) == ALE_FROM) code = aqc_word_de(w) & 7;
    return code;
  }
};

TEST_F(AqcRxTest, AnOrderAskingForAnAcknowledgementIsAppliedAndAnswered) {
  struct Case {
    const char* name;
    int slot_value;
    bool good_check;
    int answer_code;
    int slot_after;
  } cases[] = {
      {"applied", 7, true, AQC_CODE_ACK, 7},
      {"check word failed", 7, false, AQC_CODE_NAK, kAqcSlotTw},
      {"slot value 600 ignored", 600, true, AQC_CODE_ACK, kAqcSlotTw},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link_with_abc_in_aqc();
    aqc_slots_reset();
    receive_order({aqc_slot_assignment_word(3, c.slot_value)}, true, c.good_check);
    EXPECT_EQ(aqc_rx_frame_open(), 0) << "the check word ends the frame";
    EXPECT_EQ(aqc_slot(3), c.slot_after);
    run_ms(3000);
    ASSERT_FALSE(frames.empty()) << "answered";
    EXPECT_EQ(last_answer_code(), c.answer_code);
    EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
    ale_abort();
    run_ms(1000);
  }
}

TEST_F(AqcRxTest, AnOrderWithoutAcknowledgementIsAppliedSilently) {
  link_with_abc_in_aqc();
  AqcChannelDefinition d;
  d.channel = 9;
  d.rx_mode = 0;
  d.tx_mode = 1;
  d.rx_hz = 7000000;
  d.tx_hz = 7100000;
  const auto words = aqc_channel_definition_words(d);
  receive_order({words.begin(), words.end()}, false, true);
  ChannelRecord rec{};
  ASSERT_EQ(db_copy_channel(9, &rec), 0);
  EXPECT_EQ(rec.rx_freq_hz, 7000000);
  EXPECT_EQ(rec.tx_freq_hz, 7100000);
  EXPECT_EQ(rec.rx_mode, 0);
  run_ms(3000);
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
}

TEST_F(AqcRxTest, ASentOrderIsTheFrameTheReceiverAnswers) {
  link_with_abc_in_aqc();
  AqcOrderRequest request;
  request.addresses[0] = "ABC";
  request.count = 1;
  request.ack = 1;
  request.slot = 3;
  request.slot_value = 7;
  aqc_send_slot_assignment(request);
  run_ms(3000);
  ASSERT_EQ(frames.size(), 1u);
  const std::vector<AleWord> sent = frames[0];
  ASSERT_EQ(sent.size(), 6u);
  EXPECT_EQ(ale_word_type(sent[0]), static_cast<uint32_t>(ALE_TO));
  EXPECT_EQ(aqc_word_chars(sent[0]) + aqc_word_chars(sent[1]), "ABC@@@");
  EXPECT_EQ(ale_word_type(sent[2]), static_cast<uint32_t>(ALE_THRU));
  EXPECT_EQ(aqc_word_de(sent[2]), 1 + 8) << "one section, acknowledgement asked";
  EXPECT_EQ(aqc_word_de(sent[3]), AQC_CODE_DATA + 8);
  EXPECT_EQ(sent[4] & kAleWordBits, aqc_slot_assignment_word(3, 7));
  EXPECT_TRUE(ale_is_check_word(sent[5]));
  EXPECT_NE(std::find(states.begin(), states.end(), ALE_STATE_IND_LINKED_WAIT_RESPONSE), states.end())
      << "the answer is awaited";

  // The in-link part of that frame, heard by a station linked with its sender, is applied and
  // acknowledged.
  ale_abort();
  run_ms(1000);
  link_with_abc_in_aqc();
  aqc_slots_reset();
  ale_frame_event_text(EV_AQC_FRAME_BEGIN, "");
  for (std::size_t i = 2; i < sent.size(); ++i) word(sent[i]);
  EXPECT_EQ(aqc_slot(3), 7);
  run_ms(3000);
  EXPECT_EQ(last_answer_code(), AQC_CODE_ACK);
}

TEST_F(AqcRxTest, TheKeptGroupsAreBounded) {
  link_with_abc_in_aqc();
  // Ten groups where one was announced, each far longer than a group may be: the frame keeps
  // eight groups of 90 words and says so once.
  std::vector<AleWord> order;
  for (int g = 0; g < 10; ++g) {
    order.push_back(aqc_slot_assignment_word(1, 5));
    for (int i = 0; i < 120; ++i) order.push_back(static_cast<AleWord>(ALE_DATA) << 21 | static_cast<AleWord>(i));
  }
  receive_order(order, false, true);
  EXPECT_EQ(count_in_log("[AQC: IN-LINK GROUPS BEYOND 8 DROPPED]"), 1);
  EXPECT_EQ(aqc_slot(1), 5) << "the kept groups are applied";
}

}  // namespace
}  // namespace vesk::test
