// The radio queue's pacing timer on the engine's own timers and 10 ms tick, on simulated
// time. A tick thread that fell behind delivers the ticks it missed back to back: here the
// test calls the tick that many times at one instant, as the real tick source then does.
#include <string>
#include <utility>
#include <vector>

#include "ale/engine/events.h"
#include "platform/serial_fake.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "tests/ale/engine_fixture.h"

namespace vesk {
namespace {

using Writes = std::vector<std::pair<int64_t, std::string>>;
constexpr int kPort = 1;

class SerialPacingTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    start_engine();
    serial_timer_hooks().start = timer_start;
    serial_timer_hooks().stop = timer_stop;
    SerialPort& port = serial_control(SERIAL_ROLE_RADIO);
    port.set_port_number(kPort);
    ASSERT_EQ(port.open(), 0);
  }
  static void send(const std::string& s) {
    ASSERT_EQ(radio_send(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int>(s.size())), 0);
  }
  void run_ms(int ms) {
    for (int i = 0; i < ms / kTickMs; ++i) tick_and_run();
  }
  std::shared_ptr<FakeSerialBackend> fake_ = FakeSerialBackend::install();
};

// The pacing timer expires at once when the late tick replays its missed ticks right after
// the timer started: the queue still drains, each command held its full period.
TEST_F(SerialPacingTest, ABurstOfReplayedTicksNeitherStopsNorHurriesTheQueue) {
  for (int burst : {5, 12}) {
    SCOPED_TRACE(burst);
    serial_queue_reset(SQ_RADIO);
    fake_->clear_events();
    const int64_t t0 = clock().mono_ms();
    for (const char* c : {"A", "B", "C"}) send(c);
    for (int i = 0; i < burst; ++i) timer_tick();
    run_worker();  // the early expiry
    EXPECT_EQ(fake_->written(kPort), "A") << "B left before A had its period";
    run_ms(300);
    Writes at;
    for (const auto& [t, bytes] : fake_->writes(kPort)) at.emplace_back(t - t0, bytes);
    EXPECT_EQ(at, (Writes{{0, "A"}, {50, "B"}, {100, "C"}}));
    EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  }
}

// A pause that a command sequence keeps runs from the moment its command reached the port,
// also when the sequence ran while the queue could not move (the worker itself sleeping).
TEST_F(SerialPacingTest, AKeptPauseRunsFromTheWriteOfItsCommand) {
  const int64_t t0 = clock().mono_ms();
  send("A");  // in flight
  send(",0");
  serial_queue_hold(SQ_RADIO, 400);
  clock().advance_ms(400);  // the sequence's own sleep, with no expiry handled meanwhile
  send("K");
  run_ms(1000);
  Writes at;
  for (const auto& [t, bytes] : fake_->writes(kPort)) at.emplace_back(t - t0, bytes);
  ASSERT_EQ(at.size(), 3u);
  EXPECT_EQ(at[1].second, ",0");
  EXPECT_EQ(at[2].second, "K");
  EXPECT_GE(at[2].first - at[1].first, 400);
  EXPECT_LE(at[2].first - at[1].first, 410);
}

}  // namespace
}  // namespace vesk
