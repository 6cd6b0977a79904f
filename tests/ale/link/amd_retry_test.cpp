// The automatic AMD retry after a failed handshake in a link: armed only while linked in LINKED
// IDLE or IND LINKED WAIT RESPONSE with retries left, resent by its engine timer, and ended by
// HANDSHAKE FAILED once the retries are spent.
#include <gtest/gtest.h>

#include <string>

#include "ale/engine/events.h"
#include "ale/link/amd_retry.h"
#include "ale/link/link_state.h"
#include "db/database.h"
#include "db/options.h"
#include "tests/ale/engine_fixture.h"

namespace vesk::test {
namespace {

class AmdRetryTest : public EngineFixture {
 protected:
  void SetUp() override {
    db_open();
    start_engine();
    link(1, ALE_STATE_LINKED_IDLE);
  }

  static void link(int stations, int state) {
    ale_linked_clear();
    for (int i = 0; i < stations; ++i) ale_linked_add(i == 0 ? "ABC" : "DEF");
    ale_set_link_state(state);
  }
  static std::string newest() {
    const std::string t = log_monitor_text();
    return t.substr(0, t.find('\n') + 1);
  }
  static std::string line(const char* text) { return "[" + log_time_stamp() + "] * " + text + "\n"; }
};

TEST_F(AmdRetryTest, OneRetryByDefaultSentByItsTimerThenFailed) {
  ale_amd_handshake_failed();  // counter -1: no retry armed
  EXPECT_EQ(newest(), line("HANDSHAKE FAILED"));
  EXPECT_FALSE(timer_is_running(kAmdRetryTimerEvent));

  ale_set_amd_retry_counter(0);
  ale_amd_handshake_failed();
  EXPECT_EQ(newest(), line("AMD AUTO RETRY IN 3 SECONDS"));
  EXPECT_TRUE(timer_is_running(kAmdRetryTimerEvent));
  for (int ms = 0; ms < kAmdRetryDelayMs - kTickMs; ms += kTickMs) tick_and_run();
  EXPECT_EQ(count_in_log("AMD AUTO RETRY SENDING"), 0);
  tick_and_run();
  EXPECT_EQ(count_in_log("AMD AUTO RETRY SENDING"), 1) << log_monitor_text();

  link(1, ALE_STATE_LINKED_IDLE);
  ale_amd_handshake_failed();
  EXPECT_EQ(newest(), line("HANDSHAKE FAILED"));
  EXPECT_EQ(ale_amd_retry_counter(), 0);
}

TEST_F(AmdRetryTest, AsManyRetriesAsTheOptionAllows) {
  db_set_amd_retries(2);
  ale_set_amd_retry_counter(0);
  for (const char* expected : {"AMD AUTO RETRY IN 3 SECONDS", "AMD AUTO RETRY IN 3 SECONDS", "HANDSHAKE FAILED"}) {
    ale_amd_handshake_failed();
    EXPECT_EQ(newest(), line(expected));
  }
  EXPECT_EQ(ale_amd_retry_counter(), 0);
  db_set_amd_retries(0);  // no retries at all
  ale_amd_handshake_failed();
  EXPECT_EQ(newest(), line("HANDSHAKE FAILED"));
  EXPECT_EQ(ale_amd_retry_counter(), 0);
}

TEST_F(AmdRetryTest, ArmedOnlyWhileLinkedAndIdleOrWaitingForTheResponse) {
  struct Case {
    int stations, state;
    bool armed;
  } cases[] = {
      {1, ALE_STATE_LINKED_IDLE, true},
      {1, ALE_STATE_IND_LINKED_WAIT_RESPONSE, true},
      {0, ALE_STATE_LINKED_IDLE, false},
      {1, ALE_STATE_SCANNING, false},
  };
  for (const Case& c : cases) {
    link(c.stations, c.state);
    ale_set_amd_retry_counter(0);
    ale_amd_handshake_failed();
    EXPECT_EQ(newest(), line(c.armed ? "AMD AUTO RETRY IN 3 SECONDS" : "HANDSHAKE FAILED")) << c.stations << " " << c.state;
    EXPECT_EQ(ale_amd_retry_counter(), c.armed ? 1 : 0) << c.stations << " " << c.state;
  }
}

// A link that clears or times out writes its line, then tells the layer above (which resets the
// external TNC).
using LinkEndTest = AmdRetryTest;

TEST_F(LinkEndTest, ALinkThatEndsTellsTheLayerAbove) {
  std::string seen;
  link_state().hooks.link_cleared = [&] { seen += newest(); };
  ale_link_cleared("ABC");
  link(1, ALE_STATE_LINKED_IDLE);
  ale_link_event(EV_TWA_TIMER);
  EXPECT_NE(seen.find("[CLEARED ][ABC"), std::string::npos) << seen;
  EXPECT_NE(seen.find("[TIME OUT]"), std::string::npos) << seen;
}

}  // namespace
}  // namespace vesk::test
