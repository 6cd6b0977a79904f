// The engine's worker and its stop, and the command-line parameters it applies: one event of
// each queue per step, and the worker thread on real time.
#include <chrono>
#include <thread>

#include "ale/engine/events.h"
#include "db/options.h"
#include "tests/ale/engine_fixture.h"

namespace vesk {
namespace {

using test::EngineFixture;

TEST_F(EngineFixture, CommandLineParameters) {
  struct Case {
    std::vector<std::string> args;
    int host_port;            // 0: not set
    const char* logged;       // in the log, "" for nothing
  } cases[] = {
      {{"-P2000"}, 2000, ""},
      {{"-p23"}, 23, ""},
      {{"-P65535"}, 65535, ""},
      {{"-P1"}, 1, ""},
      {{"-P0"}, 0, "Host port 0 ignored: not a number from 1 to 65535\r\n"},
      {{"-P65536"}, 0, "Host port 65536 ignored: not a number from 1 to 65535\r\n"},
      {{"-P-5"}, 0, "Host port -5 ignored: not a number from 1 to 65535\r\n"},
      {{"-P23x"}, 0, "Host port 23x ignored: not a number from 1 to 65535\r\n"},
      {{"-P"}, 0, "Host port  ignored: not a number from 1 to 65535\r\n"},
      {{"-X"}, 0, "X\r\n"},
      {{"station.qrg", "-Q7"}, 0, "station.qrg\r\nQ7\r\n"},  // newest first: the plain one comes last
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    test::TempDir d;
    Station s(d.path(), std::make_unique<SimClock>());
    StationScope scope(s);
    const int default_port = db_get_tcp_port(), default_autostart = db_get_tcp_autostart();
    for (const auto& a : c.args) EXPECT_EQ(ale_command_line_add(a), 1);
    ale_apply_command_line();
    if (c.host_port != 0) {
      // Kept in network byte order; the autostart goes on with it.
      EXPECT_EQ(db_get_tcp_port(), ((c.host_port & 0xFF) << 8) | (c.host_port >> 8));
      EXPECT_EQ(db_get_tcp_autostart(), 1);
    } else {
      EXPECT_EQ(db_get_tcp_port(), default_port);
      EXPECT_EQ(db_get_tcp_autostart(), default_autostart);
    }
    const std::string log = log_monitor_text();
    if (*c.logged != '\0')
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    else
      EXPECT_EQ(log.find("Host port"), std::string::npos) << log;
  }
}

TEST_F(EngineFixture, CommandLineKeepsTwentyFlagsAndOnePlainParameter) {
  for (int i = 0; i < kCommandLineMaxFlags; ++i) EXPECT_EQ(ale_command_line_add("-F" + std::to_string(i)), 1);
  EXPECT_EQ(ale_command_line_add("-F20"), 0);
  EXPECT_EQ(ale_command_line_add("first"), 1);
  EXPECT_EQ(ale_command_line_add("second"), 0);
  ale_apply_command_line();
  EXPECT_EQ(count_in_log("F19\r\n"), 1);
  EXPECT_EQ(count_in_log("F20"), 0);
  EXPECT_EQ(count_in_log("first\r\n"), 1);
  EXPECT_EQ(count_in_log("second"), 0);
}

TEST_F(EngineFixture, EachStepTakesOneApiEvent) {
  start_engine();
  EXPECT_EQ(ale_engine_start_worker(EngineRun::Stepped), nullptr);  // stepped: no worker thread
  mark_log();
  for (int kind : {27, 28, 29}) {
    ApiEvent* e = api_alloc(0);
    e->kind = kind;
    api_post(e);
  }
  ale_engine_step();
  EXPECT_EQ(new_log(), "Unknown API event 27\n");
  ale_engine_step();
  ale_engine_step();
  EXPECT_EQ(new_log(), "Unknown API event 29\nUnknown API event 28\nUnknown API event 27\n");
  ale_engine_step();  // both queues empty: nothing
  EXPECT_EQ(count_in_log("Unknown API event"), 3);
}

// The worker thread and the tick on real time: a timer expiry reaches the worker, and the
// stop ends the thread.
TEST(EngineRealTime, WorkerRunsAndStops) {
  test::TempDir d;
  Station s(d.path());
  StationScope scope(s);
  api_queue_create();
  timer_tick_start();
  StationThread* worker = ale_engine_start_worker();
  ASSERT_NE(worker, nullptr);
  EXPECT_TRUE(worker->running());
  timer_start(EV_BREAK_TIMER_A, 20);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (log_monitor_text().find("UNKNOWN TIMER EVENT ID 1019") == std::string::npos &&
         std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(test::EngineFixture::count_in_log("UNKNOWN TIMER EVENT ID 1019\n"), 1);
  EXPECT_EQ(ale_engine_stop(), 1);
  EXPECT_FALSE(worker->running());
  timer_tick_stop();
}

}  // namespace
}  // namespace vesk
