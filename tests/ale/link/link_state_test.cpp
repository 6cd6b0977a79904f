// Link state module: the tables, the common steps of every event, return to scan, entering
// and leaving a link.
#include "ale/link/link_state.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "db/scan.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/state_machine_states.h"
#include "radio/muting.h"
#include "radio/serial_queue.h"
#include "tests/ale/link_fixture.h"

namespace vesk {
namespace {

class LinkStateTest : public test::LinkFixture {};

TEST_F(LinkStateTest, InitialisedScanningStoppedAndQuiet) {
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
  EXPECT_EQ(ale_return_state(), ALE_STATE_SCANNING_STOPPED);
  EXPECT_EQ(ale_scan_mode(), ALE_SCAN_MODE_STOPPED);
  EXPECT_TRUE(ale_is_idle());
  EXPECT_FALSE(ale_is_linked());
}

TEST_F(LinkStateTest, LinkedTableReusesHolesAndFindsEntriesAfterThem) {
  for (const char* a : {"ALPHA", "BRAVO", "CHARLIE"}) ale_linked_add(a);
  ale_linked_add("BRAVO");  // already there: not added twice
  EXPECT_EQ(ale_linked_count(), 3);
  ale_linked_remove("BRAVO");
  EXPECT_TRUE(ale_linked_has("CHARLIE"));  // stored after the hole
  EXPECT_TRUE(ale_linked_absent("BRAVO"));
  ale_linked_add("DELTA");  // takes the hole
  EXPECT_EQ(ale_linked_name_list(), (std::vector<std::string>{"ALPHA", "DELTA", "CHARLIE"}));
  char names[kLinkedTableSize][kLinkAddressSize];
  ASSERT_EQ(ale_linked_names(names, 2), 2);
  EXPECT_STREQ(names[1], "DELTA");

  // A full table refuses the 21st station.
  ale_linked_clear();
  for (int i = 0; i < kLinkedTableSize + 1; ++i) ale_linked_add(("S" + std::to_string(i)).c_str());
  EXPECT_EQ(ale_linked_count(), kLinkedTableSize);
  EXPECT_FALSE(ale_linked_has("S20"));
}

TEST_F(LinkStateTest, PrintLinked) {
  EXPECT_EQ(ale_print_linked(), "* SORRY NOT LINKED\n");
  ale_linked_add("K1ABC");
  EXPECT_EQ(ale_print_linked(), "* CURRENTLY LINKED WITH\n[K1ABC          ]\n");
}

TEST_F(LinkStateTest, CalledListsFillFirstEmptyEntry) {
  ale_called_add_all({"ONE", "TWO", "THREE"});
  ale_called_remove("TWO");
  ale_called_add("FOUR");
  EXPECT_EQ(ale_called_list(), (AddressList{"ONE", "FOUR", "THREE"}));

  // The frame transmitters' called list follows the linked stations.
  ale_set_called("EARLIER");
  ale_called_from_linked();  // nobody linked: the list is left alone
  EXPECT_EQ(ale_called_list_text(), "EARLIER ");
  ale_linked_add("K1ABC");
  ale_called_from_linked();
  EXPECT_EQ(ale_called_list_text(), "K1ABC ");
}

TEST_F(LinkStateTest, InFrameFlagFollowsFrameEvents) {
  const struct {
    int event;
    int in_frame;
  } cases[] = {{EV_RX_FRAME_BEGIN, 1}, {EV_RX_FRAME_END, 0},       {EV_AQC_FRAME_BEGIN, 1}, {EV_ALE_WORD, 1},
               {EV_FRAME_FOR_ME, 0},   {EV_AQC_FRAME_BEGIN, 1},    {EV_RESET_MODEM, 0},     {EV_RX_FRAME_BEGIN, 1},
               {EV_FRAME_NOT_FOR_ME, 0}, {EV_RX_FRAME_BEGIN, 1},  {EV_AQC_FRAME_END, 0}};
  for (const auto& c : cases) {
    ale_link_event(c.event);
    EXPECT_EQ(ale_in_frame(), c.in_frame) << c.event;
  }
}

TEST_F(LinkStateTest, StatusBarRefreshedOncePerChange) {
  // An event that leaves the state as it was shown refreshes nothing; one after a change
  // refreshes once; entering a link refreshes by itself.
  ale_link_event(EV_NULL_EVENT);
  EXPECT_EQ(refreshes_, 0);
  ale_set_link_state(ALE_STATE_SCANNING);
  ale_link_event(EV_NULL_EVENT);
  EXPECT_EQ(refreshes_, 1);
  ale_link_event(EV_NULL_EVENT);
  EXPECT_EQ(refreshes_, 1);
  ale_enter_linked();
  EXPECT_EQ(refreshes_, 2);
  ale_link_event(EV_NULL_EVENT);
  EXPECT_EQ(refreshes_, 2);
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
}

TEST_F(LinkStateTest, NestedEventRunsInsideTheOuterOne) {
  // The link's script runs inside entering the link, under the link lock; an event raised
  // there is taken at once, in the state already set, before the outer step goes on.
  std::vector<std::string> order;
  on_script_ = [&](const char*) {
    order.push_back("script in state " + std::to_string(ale_link_state()));
    ale_link_event(EV_RESET_MODEM);
    order.push_back(monitor_has("Event = EV_RESET_MODEM") ? "nested event taken" : "nested event pending");
  };
  ale_enter_linked();
  order.push_back("outer ends");
  EXPECT_EQ(order, (std::vector<std::string>{"script in state 11", "nested event taken", "outer ends"}));
}

TEST_F(LinkStateTest, ReturnToScanWhileScanning) {
  ale_sm_scan_active(true);
  db_select_channel(3);
  ale_set_return_state(ALE_STATE_SCANNING);
  ale_set_link_state(ALE_STATE_IND_WAIT_RESPONSE);
  timer_start(EV_TWRT_TIMER, 5000);
  timer_start(EV_DWELL_TIMER, 1000);
  ale_link_event(EV_RX_FRAME_BEGIN);
  ale_return_to_scan();
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_FALSE(ale_in_frame());
  EXPECT_FALSE(timer_is_running(EV_TWRT_TIMER));
  EXPECT_FALSE(timer_is_running(EV_DWELL_TIMER));
  EXPECT_GT(timers().dwell_blocks.load(), 0);
  EXPECT_EQ(db_current_channel_index(), 1) << "the radio steps to the scan's next channel";

  // From a pause on activity the scan resumes with the next channel too.
  ale_set_link_state(ALE_STATE_PAUSE_SCAN);
  ale_return_to_scan();
  EXPECT_EQ(db_current_channel_index(), 2);

  // Scanning stopped: no channel step.
  ale_set_scan_mode(ALE_SCAN_MODE_STOPPED);
  ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
  ale_return_to_scan();
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
  EXPECT_EQ(db_current_channel_index(), 2);
}

TEST_F(LinkStateTest, EnterTheLink) {
  ale_enter_linked();
  EXPECT_EQ(ale_link_state(), ALE_STATE_LINKED_IDLE);
  EXPECT_TRUE(timer_is_running(EV_TWA_TIMER));
  EXPECT_TRUE(timer_is_running(EV_SM_POLL_TIMER));
  EXPECT_EQ(take_api_kinds(), std::vector<int>{API_LINK_UP});
  EXPECT_EQ(scripts_, std::vector<std::string>{"LINKED.DAT"});
  EXPECT_EQ(events(), std::vector<std::string>{"EV_RESET_MODEM"}) << "the modem reset last";

  scripts_.clear();
  log_state().monitor.clear();
  ale_return_to_linked();  // no link-up event, no script
  EXPECT_TRUE(take_api_kinds().empty());
  EXPECT_TRUE(scripts_.empty());
  EXPECT_EQ(events(), std::vector<std::string>{"EV_RESET_MODEM"});
}

TEST_F(LinkStateTest, LeavingALinkEndsInTheReturnState) {
  ale_sm_scan_active(true);
  db_select_channel(3);
  ale_set_return_state(ALE_STATE_SCANNING);
  ale_enter_linked();
  ale_linked_add("K1ABC");
  radio_on_linked();
  take_api_kinds();
  scripts_.clear();
  ale_leave_link();
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING);
  EXPECT_EQ(ale_linked_count(), 0);
  EXPECT_FALSE(timer_is_running(EV_TWA_TIMER));
  EXPECT_EQ(take_api_kinds(), std::vector<int>{API_LINK_DOWN});
  EXPECT_EQ(radio_flags().radio_linked_flag.load(), 0) << "radio control told of the end of the link";
  EXPECT_EQ(scripts_, std::vector<std::string>{"UNLINKED.DAT"});
  EXPECT_EQ(db_current_channel_index(), 1) << "the scan goes on";
}

TEST_F(LinkStateTest, LinkTimeOutLeavesALinkButNotAScanningStation) {
  ale_set_return_state(ALE_STATE_SCANNING_STOPPED);
  ale_enter_linked();
  ale_linked_add("K1ABC");
  ale_link_event(EV_TWA_TIMER);
  EXPECT_TRUE(monitor_has("[TIME OUT]"));
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
  EXPECT_EQ(ale_linked_count(), 0);

  // After a manual transmission while scanning the time-out runs out with no link.
  log_state().monitor.clear();
  scripts_.clear();
  ale_link_event(EV_TWA_TIMER);
  EXPECT_FALSE(monitor_has("[TIME OUT]"));
  EXPECT_TRUE(scripts_.empty());
  EXPECT_EQ(ale_link_state(), ALE_STATE_SCANNING_STOPPED);
}

TEST_F(LinkStateTest, LinkBatchFileRunsWhenSwitchedOn) {
  ale_enter_linked();  // switch off: not looked for
  EXPECT_FALSE(monitor_has("linkup.bat"));
  db_set_option_int(opt::LINKED_BATCH, 1);
  ale_enter_linked();
  EXPECT_TRUE(monitor_has("[FILE NOT FOUND ERROR: linkup.bat]"));

  const std::filesystem::path dir(dir_.path());
  std::ofstream(dir / "linkup.bat") << "echo ran > ran.txt\n";
  db_set_option_int(opt::UNLINKED_BATCH, 1);
  ale_leave_link();
  for (int i = 0; i < 1000 && !std::filesystem::exists(dir / "ran.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(dir / "ran.txt"));
}

TEST_F(LinkStateTest, ChannelReturnRequest) {
  db_select_channel(2);
  ale_channel_meet();  // not armed
  EXPECT_EQ(db_current_channel_index(), 2);
  ale_channel_return_arm();
  ale_channel_meet();  // to the meeting channel 0
  EXPECT_EQ(db_current_channel_index(), 0);
  db_select_channel(3);
  ale_channel_meet();  // once
  EXPECT_EQ(db_current_channel_index(), 3);
  ale_channel_return();  // back to the channel of the arming
  EXPECT_EQ(db_current_channel_index(), 2);
  db_select_channel(3);
  ale_channel_return();  // once
  EXPECT_EQ(db_current_channel_index(), 3);
  // Channel 256, whose number byte is 0's, is returned to as itself.
  db_select_channel(256);
  ale_channel_return_arm();
  ale_channel_meet();
  ale_channel_return();
  EXPECT_EQ(db_current_channel_index(), 256);
  ale_channel_return_arm();
  ale_enter_linked();  // cancels
  EXPECT_EQ(ale_channel_return_request(), 0);
}

TEST_F(LinkStateTest, AqcTransmissionBySignallingAndState) {
  const struct {
    int mode, state, aqc_option, want;
  } cases[] = {{1, 7, 0, 1},  {1, 10, 0, 1}, {1, 11, 0, 0}, {1, 18, 0, 1}, {1, 22, 0, 1}, {1, 23, 0, 0},
               {0, 7, 1, 0},  {0, 30, 1, 1}, {0, 31, 1, 1}, {0, 31, 0, 0}, {1, 30, 0, 0}};
  for (const auto& c : cases) {
    ale_set_signalling_mode(c.mode);
    ale_set_link_state(c.state);
    db_set_aqc_mode(c.aqc_option);
    EXPECT_EQ(ale_aqc_transmission(), c.want) << c.mode << " " << c.state << " " << c.aqc_option;
  }
  ale_set_signalling_mode(ALE_SIGNALLING_ALTERNATE);
  EXPECT_EQ(display_status_texts().ale_mode, "ALTERNATE");
}

}  // namespace
}  // namespace vesk
