// Call set-up: classification of call targets, the set-up of each call form, in-link sends,
// termination and the call's channel steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ale/link/ale_timing.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "ale/engine/timer.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class CallSetupTest : public StateMachineFixture {
 protected:
  void SetUp() override {
    StateMachineFixture::SetUp();
    db_add_other_address("XYZ", 0, 0, 0);
    db_add_own_address("NETME");
    const char* net[] = {"NET1", "ABC", "NETME", "XYZ"};
    ASSERT_EQ(db_add_net_from_list(net, 4), 1);
  }
};

TEST_F(CallSetupTest, Classification) {
  struct Case {
    std::vector<std::string> in;
    int cls;
    std::vector<std::string> out;
  } cases[] = {
      {{"ABC"}, CALL_CLASS_INDIVIDUAL, {"ABC"}},
      {{"NET1"}, CALL_CLASS_NET, {"ABC", "XYZ"}},
      {{"ABC", "NOBODY", "XYZ"}, CALL_CLASS_GROUP, {"ABC", "XYZ"}},
      {{"NOBODY", "NONE"}, CALL_CLASS_NOT_CALLABLE, {}},
      {{"@@?"}, CALL_CLASS_ANYCALL, {"@@?"}},
      {{"@@K"}, CALL_CLASS_ANYCALL, {"@@K"}},
      {{"@?@"}, CALL_CLASS_ALLCALL, {"@?@"}},
      {{"@K@"}, CALL_CLASS_ALLCALL, {"@K@"}},
      {{"@@@"}, CALL_CLASS_NULL_ADDRESS, {"@@@"}},
      {{"?@?"}, CALL_CLASS_INLINK, {"?@?"}},
      {{"NOBODY"}, CALL_CLASS_NOT_CALLABLE, {"NOBODY"}},
      {{}, CALL_CLASS_NOT_CALLABLE, {}},
  };
  for (Case& c : cases) {
    std::vector<std::string> list = c.in;
    EXPECT_EQ(ale_classify_call(list), c.cls) << (c.in.empty() ? "" : c.in[0]);
    EXPECT_EQ(list, c.out);
  }
  EXPECT_TRUE(logged("UNKNOWN OTHER ADDRESS -NOBODY-"));
}

TEST_F(CallSetupTest, IndividualCallSetUp) {
  start_scanning();
  ale_call_address("ABC", "HELLO");
  EXPECT_EQ(ale_call_class(), CALL_CLASS_INDIVIDUAL);
  EXPECT_EQ(std::string(ale_first_called_address()), "ABC");
  EXPECT_EQ(ale_called_list(), std::vector<std::string>{"ABC"});
  EXPECT_EQ(ale_section_count(SECTIONS_POLL), 1) << "with TIS the text goes with the acknowledgement";
  EXPECT_TRUE(timer_is_running(EV_INITIATE_INDIVIDUAL_CALL));
  EXPECT_EQ(db_current_channel_index(), call_setup().channels[0]) << "tuned to the first channel of the ranking";
  EXPECT_EQ(ale_call_peer_index(), db_find_other_address_index("ABC"));
  ale_call_address("XYZ", "");
  EXPECT_EQ(ale_called_list(), std::vector<std::string>{"XYZ"}) << "a new call awaits its own station only";
}

TEST_F(CallSetupTest, NullAddressCallsWithoutChangingChannel) {
  start_scanning();
  const int channel = db_current_channel_index();
  ale_call_address("@@@", "");
  EXPECT_EQ(db_current_channel_index(), channel);
  EXPECT_TRUE(timer_is_running(EV_INITIATE_INDIVIDUAL_CALL));
  EXPECT_EQ(std::string(ale_first_called_address()), "@@@");
  EXPECT_EQ(call_setup().peer.twr_ms, 2000);
  EXPECT_EQ(call_setup().peer.tt_ms, 3000);
}

TEST_F(CallSetupTest, UnknownTargetsAndFailedRankings) {
  start_scanning();
  ale_call_address("NOBODY", "");
  EXPECT_TRUE(logged("[FAILED  ] - UNKNOWN ADDRESS NOBODY"));
  db_clear_channels();
  ale_call_address("ABC", "");
  EXPECT_TRUE(logged("[FAILED  ][ABC "));
  EXPECT_FALSE(timer_is_running(EV_INITIATE_INDIVIDUAL_CALL));
}

TEST_F(CallSetupTest, GroupCallAgreesTheSlotWidthOfTheLongestAddress) {
  db_add_other_address("ABCDEFG", 0, 0, 0);
  db_add_other_address("XY", 0, 0, 0);
  start_scanning();
  ale_place_call({"ABC", "ABCDEFG", "XY"}, "");
  EXPECT_EQ(ale_call_class(), CALL_CLASS_GROUP);
  // Own address ME (1 word), longest 3 words: 6 + 9 + 5.
  EXPECT_EQ(ale_slot_width_flag(), 1);
  EXPECT_EQ(ale_slot_width(), 20);
  EXPECT_TRUE(timer_is_running(EV_INITIATE_GROUP_CALL));
  EXPECT_EQ(ale_called_count(), 3);
}

TEST_F(CallSetupTest, NetCallIsSentFromTheNetsOwnAddress) {
  start_scanning();
  ale_call_address("NET1", "");
  EXPECT_EQ(ale_call_class(), CALL_CLASS_NET);
  EXPECT_EQ(std::string(ale_first_called_address()), "NET1");
  EXPECT_EQ(std::string(ale_own_address_text()), "NETME");
  EXPECT_EQ(ale_called_list(), (std::vector<std::string>{"ABC", "XYZ"}));
  EXPECT_TRUE(timer_is_running(EV_INITIATE_NET_CALL));
}

TEST_F(CallSetupTest, AmdGoesInTheLinkWhenLinkedElseCalls) {
  start_scanning();
  ale_send_amd_address("ABC", "TEXT");
  EXPECT_TRUE(timer_is_running(EV_INITIATE_INDIVIDUAL_CALL));
  EXPECT_EQ(ale_section_count(SECTIONS_LINK_MESSAGE), 0);
  timer_stop(EV_INITIATE_INDIVIDUAL_CALL);
  ale_sections_flush();
  ale_set_link_state(ALE_STATE_LINKED_IDLE);
  ale_send_amd_address("ABC", "TEXT");
  EXPECT_EQ(ale_section_count(SECTIONS_LINK_MESSAGE), 1);
  EXPECT_TRUE(timer_is_running(EV_INITIATE_INDIVIDUAL_CALL));
}

TEST_F(CallSetupTest, TerminateSendsTheClearAlsoToAStationNotLinked) {
  ale_linked_add("XYZ");
  ale_terminate_address("ABC", "");
  EXPECT_TRUE(timer_is_running(EV_INITIATE_CLEAR));
  EXPECT_EQ(std::string(ale_first_called_address()), "ABC");
  EXPECT_EQ(ale_linked_name_list(), std::vector<std::string>{"XYZ"});
  ale_terminate_address("XYZ", "");
  EXPECT_EQ(ale_linked_count(), 0);
}

TEST_F(CallSetupTest, AllcallOutsideTheScanGroupIsRefused) {
  start_scanning();
  ale_global_allcall(9, "");
  EXPECT_TRUE(logged("REQUESTD CHANNEL NOT IN USE WITH CURRENT SCAN GROUP"));
  ale_selective_anycall(2, "K", "");
  EXPECT_EQ(std::string(ale_first_called_address()), "@@K");
  EXPECT_EQ(db_current_channel_index(), 2);
}

}  // namespace
}  // namespace vesk::test
