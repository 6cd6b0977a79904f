// Random event sequences through the link state machine: whatever arrives, the state stays
// within 0 to 31, a return to scanning leaves no linked station and no keyed transmitter, and
// the timer slots never run out.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/link/link_state.h"
#include "ale/engine/timer.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class StateMachineFuzzTest : public StateMachineFixture {};

std::vector<int> fuzz_events() {
  std::vector<int> events;
  // EV_INITIALISE is raised once, by the engine's start.
  for (int e = EV_INITIALISE + 1; e <= EV_PARSER_ERROR; ++e)
    if (e != EV_ALE_WORD && e != EV_ALE_TX_UNDERUN) events.push_back(e);
  for (int e = EV_SCAN_TIMER; e <= EV_RESET_MODEM; ++e) events.push_back(e);
  return events;
}

TEST_F(StateMachineFuzzTest, RandomEventsKeepTheMachineSound) {
  const std::vector<int> events = fuzz_events();
  std::mt19937 rng(19);
  int returns_to_scan = 0;
  int previous = ale_link_state();
  for (int step = 0; step < 4000; ++step) {
    int last = 0, pick = 0;
    pick = static_cast<int>(rng() % 100);
    if (pick < 50) {
      const int event = events[rng() % events.size()];
      last = event;
      if (event == EV_TRANSMISSION_COMPLETE) ptt_off();  // the audio path releases
      ale_link_event(event);
    } else if (pick < 62) {
      receive_frame(rng() % 2 ? "ME" : "XYZ", "ABC", rng() % 3 != 0);
    } else if (pick < 68) {
      ale_call_address(rng() % 4 ? "ABC" : "@@@", "");
    } else if (pick < 71) {
      ale_abort();
    } else if (pick < 74) {
      if (rng() % 2) ale_start_tis_sounding(2);
      else ale_start_twas_sounding(3);
    } else if (pick < 76) {
      ale_start_poll("ABC", 1);
    } else {
      run_ms(10 * static_cast<int>(1 + rng() % 60));
    }
    const int state = ale_link_state();
    ASSERT_GE(state, 0) << "step " << step;
    ASSERT_LT(state, kAleLinkStateCount) << "step " << step;
    if (state >= ALE_STATE_SCANNING_STOPPED && state <= ALE_STATE_PAUSE_SCAN_SYNC) {
      if (previous > ALE_STATE_PAUSE_SCAN_SYNC) ++returns_to_scan;
      ASSERT_EQ(ale_linked_count(), 0) << "step " << step << " from state " << previous << " event " << last << " pick " << pick;
      ASSERT_FALSE(keyed()) << "step " << step << " from state " << previous << " event " << last << " pick " << pick;
    }
    ASSERT_LT(timer_slots_in_use(), kTimerSlots) << "step " << step;
    previous = state;
  }
  EXPECT_GT(returns_to_scan, 50);
  EXPECT_EQ(log_monitor_text().find("No Timers left"), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
