// ALE timing periods against the protocol's figures, the slot-width agreement and the tw
// time coding.
#include "ale/link/ale_timing.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "ale/link/aqc_slots.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/link/link_state.h"
#include "ale/engine/timer.h"
#include "ale/frames/frame_sections.h"
#include "db/database.h"
#include "db/scan.h"
#include "tests/ale/link_fixture.h"

namespace vesk {
namespace {

class TimingTest : public test::LinkFixture {
 protected:
  // The LQA report word of the frame being answered: one that asks for LQA exchange, or none.
  static void set_lqa_flag(int on) { ale_frame_set_lqa_word(on ? 1u << 13 : 0u); }
  static void own(int i, const char* name) {
    DbLock lock;
    lock.db().own[i].in_use = 1;
    std::strncpy(lock.db().own[i].address, name, kAddressFieldSize - 1);
  }
  static void other(int i, const char* name, int twr = 2000, int tt = 3000) {
    DbLock lock;
    OtherAddressRecord& r = lock.db().other[i];
    r.in_use = 1;
    r.twr_ms = twr;
    r.tt_ms = tt;
    std::strncpy(r.address, name, kAddressFieldSize - 1);
  }
  // Net 0: own address "ME" at `own_slot` among `members` other addresses.
  static void net(int own_slot, std::initializer_list<int> members) {
    DbLock lock;
    NetRecord& n = lock.db().nets[0];
    n.in_use = 1;
    n.own_index = 0;
    n.own_slot = own_slot;
    n.own_position = own_slot + 1;
    int i = 0;
    for (int m : members) {
      if (i == own_slot) n.members[i++] = 0;
      n.members[i++] = m;
    }
    if (i == own_slot) n.members[i++] = 0;
    n.member_count = static_cast<uint8_t>(i);
  }
  static int tw(double count) { return static_cast<int>(count * 130.666666); }
};

TEST_F(TimingTest, FixedAndComputedPeriodsMatchTheProtocolFigures) {
  const struct {
    const char* name;
    int signalling;
    int lqa;
    void (*compute)();
    int (*period)();
    int want_ms;
  } cases[] = {
      {"anycall TWAN", 0, 0, ale_twan_anycall, ale_twan_period_ms, 46386},
      {"anycall TWAN with LQA", 0, 1, ale_twan_anycall, ale_twan_period_ms, 53050},
      {"AQC anycall TWAN", 1, 0, ale_twan_anycall, ale_twan_period_ms, tw(17 + 31 * 11)},
      {"anycall TWRN", 0, 0, ale_twrn_anycall, ale_twrn_period_ms, 44426},
      {"AQC anycall TWRN", 1, 0, ale_twrn_anycall, ale_twrn_period_ms, 25218},
  };
  for (const auto& c : cases) {
    ale_set_signalling_mode(c.signalling);
    set_lqa_flag(c.lqa);
    c.compute();
    EXPECT_EQ(c.period(), c.want_ms) << c.name;
  }
}

TEST_F(TimingTest, ListenBeforeTransmitByChannelUsage) {
  const struct {
    int usage;
    int want_ms;
  } cases[] = {{0, 2352}, {1, 2352}, {2, 784}, {5, 0}};
  for (const auto& c : cases) {
    {
      DbLock lock;
      lock.db().channels[3].usage = c.usage;
    }
    db_select_channel(3);
    EXPECT_EQ(ale_twt_period_ms(), c.want_ms) << c.usage;
  }
}

TEST_F(TimingTest, ActivityTimeOutAndItsTrace) {
  db_set_twa_secs(0);
  EXPECT_EQ(ale_twa_period_ms(), INT_MAX);
  timer_start_twa();
  EXPECT_TRUE(timer_is_running(EV_TWA_TIMER));
  db_set_twa_secs(60);
  db_enable_trace_timers();
  EXPECT_EQ(ale_twa_period_ms(), 60000);
  EXPECT_TRUE(monitor_has("TWA period 60000 ms\n"));
}

TEST_F(TimingTest, ResponseWaitsFromThePeerRecord) {
  EXPECT_EQ(ale_twr_period_ms(), 2000);
  EXPECT_EQ(ale_twrt_period_ms(), 5000);
  other(4, "PEER", 2500, 1500);
  // The peer is the caller of the frame heard last.
  ale_frame_event_text(EV_RX_FRAME_BEGIN, "");
  ale_frame_event_text(EV_RX_TO, "ME");
  ale_frame_event_text(EV_RX_THIS_IS, "PEER");
  ale_frame_event_text(EV_RX_FRAME_END, "");
  ASSERT_EQ(ale_frame_peer_index(), 4);
  EXPECT_EQ(ale_twr_period_ms(), 2500);
  EXPECT_EQ(ale_twrt_period_ms(), 4000);
}

TEST_F(TimingTest, SlotWaitLessThePttDelayStillAnswers) {
  db_set_ptt_delay(30);
  ale_swt_aqc_slot(0);  // no wait at all
  EXPECT_EQ(ale_swt_period_ms(), kTickMs);
  ale_swt_aqc_slot(3);
  EXPECT_EQ(ale_swt_period_ms(), tw(17 + 11 + 11) - 30);
  db_enable_trace_timers();
  ale_swt_period_ms();
  EXPECT_TRUE(monitor_has("SWT period " + std::to_string(tw(39)) + " ms\n"));  // before the delay
}

TEST_F(TimingTest, NetResponderSlots) {
  own(0, "ME");
  other(1, "ALPHA");   // 2 words
  other(2, "BRAVO12");  // 3 words
  db_set_ptt_delay(0);
  // Own slot 0: the caller's own response only, less 3 words.
  net(0, {1, 2});
  ale_swt_net(0, "ABC");
  EXPECT_EQ(ale_swt_period_ms(), tw(6 + 3 + 5 - 3));
  // Own slot 2: the responses of ALPHA and BRAVO12 come first.
  net(2, {1, 2});
  ale_swt_net(0, "ABC");
  EXPECT_EQ(ale_swt_period_ms(), tw((6 + 3 + 5) + (6 + 6 + 5) + (6 + 9 + 5) - 3));
  // With the slot-width agreement: width per slot.
  ale_slot_width_set(2, 1);  // 6*2 + 3 + 5 = 20
  ale_swt_net(0, "ABC");
  EXPECT_EQ(ale_swt_period_ms(), tw(40));
  ale_twan_net(0, "ABC");
  EXPECT_EQ(ale_twan_period_ms(), tw(20 * 4));
  ale_slot_width_flag_set(0);
  // TWAN over all members, the own address at its slot; a missing record is skipped.
  net(1, {1, 2, 7});
  ale_twan_net(0, "ABC");
  EXPECT_EQ(ale_twan_period_ms(), tw(14 + 17 + (6 + 3 + 5) + 20 + 6));
  // The caller's TWRN: every member answers the net's own address; the member without a
  // record is counted with an unknown station's reply time.
  ale_twrn_net(0, 1);
  EXPECT_EQ(ale_twrn_period_ms(),
            static_cast<int>(((6 + 3 + 8) + (6 + 6 + 8) + (6 + 3 + 8) + (6 + 9 + 8)) * kAleTwMs + kTwrDefaultMs));
  ale_set_signalling_mode(ALE_SIGNALLING_ALTERNATE);
  ale_twrn_net(0, 0);
  EXPECT_EQ(ale_twrn_period_ms(), static_cast<int>(11 * 4 * 130.666666 + 2221.333322));
  ale_swt_net(0, "ABC");
  EXPECT_EQ(ale_swt_period_ms(), tw(17));
}

// A caller with LQA exchange on sends its LQA word with the flag clear on a call ending in TIS
// and counts an LQA word in every answer; the responders' slots must count it as well.
TEST_F(TimingTest, NetSlotsHoldTheLqaWordWhenTheCallCarriedOne) {
  own(0, "ME");
  other(1, "ALPHA");  // 2 words
  db_set_ptt_delay(0);
  net(1, {1});
  const struct {
    const char* name;
    uint32_t lqa_word;
    int extra;  // word times per slot for the LQA word
  } cases[] = {
      {"no LQA word", 0, 0},
      {"LQA word, flag clear", (30u << 5) | 31u, 3},
      {"LQA word asking for exchange", (1u << 13) | (18u << 5) | 5u, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ale_frame_set_lqa_word(c.lqa_word);
    ale_swt_net(0, "ABC");
    EXPECT_EQ(ale_swt_period_ms(), tw((14 + c.extra) + (17 + c.extra) - 3));
    ale_twan_net(0, "ABC");
    EXPECT_EQ(ale_twan_period_ms(), tw((14 + c.extra) + (17 + c.extra) + (14 + c.extra) + 6));
  }
}

TEST_F(TimingTest, GroupResponderCountsTheEntriesAfterItsOwnAddress) {
  own(0, "ME");
  db_set_ptt_delay(0);
  const AddressList list = {"FIRSTONE", "ME", "XYZ", "ABCDEF"};
  ale_swt_group(list, "ABC");
  EXPECT_EQ(ale_swt_period_ms(), tw(14 + (6 + 6 + 5) + (6 + 3 + 5) - 3));
  ale_twan_group(list, "ABC");
  EXPECT_EQ(ale_twan_period_ms(), tw(14 + 20 + 14 + 14 + 17 + 6));
  ale_twrn_group(list, "ME", 0);
  EXPECT_EQ(ale_twrn_period_ms(), tw(14 + 20 + 14 + 14 + 17));
}

TEST_F(TimingTest, AnycallSlotIsOneOfFifteen) {
  db_set_ptt_delay(0);
  for (int i = 0; i < 50; ++i) {
    ale_swt_random();
    const double slots = ale_swt_period_ms() / (20 * 130.666666);
    EXPECT_GE(slots, 0.99);
    EXPECT_LE(slots, 15.0);
  }
}

TEST_F(TimingTest, TwCodingMatchesTheTable) {
  const struct {
    int count;
    int character;
    int width;
  } cases[] = {{0, 0, 0},         {15, 15, 15},       {16, 34, 18},        {50, 38, 54},
               {135, 47, 135},    {136, 65, 1377},    {20655, 79, 20655},  {20656, 97, 82656},
               {1239840, 111, 1239840}};
  for (const auto& c : cases) {
    EXPECT_EQ(ale_tw_encode(c.count), c.character) << c.count;
    EXPECT_EQ(ale_slot_width(), c.width) << c.count;
    EXPECT_EQ(ale_slot_time(), tw(c.width)) << c.count;
  }
  EXPECT_EQ(ale_tw_encode(1239841), -1);
  EXPECT_EQ(ale_tw_decode(34), 2351);  // 18 Tw, truncated
  const AleWord w = ale_tw_word(16);
  EXPECT_EQ(ale_word_type(w), ALE_CMD);
  EXPECT_EQ(ale_word_char1(w), 't');
  EXPECT_EQ(ale_word_char2(w), 'w');
  EXPECT_EQ(ale_word_char3(w), 34);
}

TEST_F(TimingTest, SlotWidthAgreement) {
  // The tw word goes to the call's sections, for the next frame.
  ale_section_queues_init();
  std::array<AleWord, kFrameWordsMax> frame{};
  ale_slot_width_set(1, 1);  // single-word addresses: no agreement
  EXPECT_EQ(ale_slot_width_flag(), 0);
  ale_slot_width_send();
  EXPECT_EQ(ale_section_count(SECTIONS_CALL), 0);
  ale_slot_width_set(1, 2);
  EXPECT_EQ(ale_slot_width_flag(), 1);
  EXPECT_EQ(ale_slot_width(), 17);
  ale_slot_width_send();
  ASSERT_EQ(ale_compose_sections(SECTIONS_CALL, frame), 1);
  EXPECT_EQ(frame[0], ale_tw_word(17));
  EXPECT_EQ(ale_word_char3(frame[0]), 32 + 2);
  ale_return_to_scan();
  EXPECT_EQ(ale_slot_width_flag(), 0);
  ale_slot_width_reset();
  EXPECT_EQ(ale_slot_width(), 0);
}

TEST_F(TimingTest, TwanRestartClearsTheAcknowledgementWait) {
  ale_ack_wait_set(1);
  ale_twan_anycall();
  EXPECT_EQ(ale_twan_restart(), 46386);
  EXPECT_EQ(ale_ack_wait(), 0);
}

}  // namespace
}  // namespace vesk
