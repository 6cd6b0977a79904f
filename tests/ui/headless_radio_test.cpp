// vesk-ale-headless driving a Kenwood radio on a pseudo-terminal, as a user runs it: the test
// plays the radio at the terminal's other end.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"
#include "tests/support/waits.h"
#include "tests/ui/working_channel.h"

namespace vesk {
namespace {

using test::ChildProcess;
using test::steady_ms;
using Ms = std::chrono::milliseconds;

std::size_t count_of(const std::string& text, const std::string& piece) {
  std::size_t n = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// A station folder whose radio (a Kenwood unless said otherwise) is on port 1, the
// pseudo-terminal; `channel_hz`: a USB channel 1 in the scan group, the working channel.
void make_station(const std::string& dir, const std::string& pty_path, int radio_type = DB_KENWOOD,
                  int channel_hz = 0) {
  std::ofstream(dir + "/PORTS.MAP") << "1 " << pty_path << "\n";
  Station st(dir, std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  db_set_radio_type(radio_type);
  db_set_radio_port(1);
  if (channel_hz > 0) {
    ASSERT_TRUE(test::store_working_usb_channel(1, channel_hz));
  }
  ASSERT_EQ(db_save(), 1);
}

// A hostile radio: a hundred identity replies at once, then 10 MB of noise. The model is set
// up once, the station reads the whole flood (the terminal would stay full otherwise), and a
// stop signal sent while a set-up series runs ends the program promptly.
TEST(HeadlessRadio, HostileKenwoodIsDrainedAndTheStopSignalEndsTheStation) {
  test::PtyPeer radio;
  ASSERT_TRUE(radio.ok());
  test::TempDir dir;
  make_station(dir.path(), radio.path());
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.wait_for_output("headless station started", 10000)) << p.output();
  ASSERT_TRUE(radio.wait_for("ID;", 5000)) << radio.received();

  std::string flood;
  for (int i = 0; i < 100; ++i) flood += "ID019;";
  uint32_t seed = 1;
  flood.reserve(flood.size() + 10u * 1024 * 1024);
  for (int i = 0; i < 10 * 1024 * 1024; ++i) {
    seed = seed * 1103515245u + 12345u;
    flood.push_back(static_cast<char>(seed >> 16));
  }
  std::atomic<bool> sent{false};
  std::atomic<bool> send_ok{false};
  std::thread writer([&] {
    send_ok = radio.send(flood, 5000);
    sent = true;
  });
  // The program's own output is read all along, so its log never waits on a full pipe.
  while (!sent.load()) {
    p.output();
    std::this_thread::sleep_for(Ms(20));
  }
  writer.join();
  EXPECT_TRUE(send_ok.load()) << "the station stopped reading its radio port";
  ASSERT_TRUE(p.wait_for_output("Kenwood TS-2000 series has been initialized", 10000)) << p.output();
  EXPECT_EQ(count_of(p.output(), "Kenwood TS-2000 series has been detected"), 1u);

  // Another model (after a ';' that ends the noise's last frame): its series starts, and the
  // stop signal comes while it runs.
  ASSERT_TRUE(radio.send(";ID020;", 5000));
  ASSERT_TRUE(p.wait_for_output("Kenwood TS-480 series has been detected", 10000)) << p.output();
  const int64_t signalled = steady_ms();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10000), 0) << p.output();
  const int64_t took = steady_ms() - signalled;
  std::printf("stopped %lld ms after SIGTERM\n", static_cast<long long>(took));
  EXPECT_NE(p.output().find("headless station stopped (SIGTERM)"), std::string::npos) << p.output();
  EXPECT_EQ(p.output().find("did not stop"), std::string::npos) << p.output();
}

// A stop signal hands the radio back before the program ends: its release commands reach the
// other end of the terminal although that end answers nothing, and the program still ends.
TEST(HeadlessRadio, StopSignalSendsTheReleaseCommandsToASilentRadio) {
  test::PtyPeer radio;
  ASSERT_TRUE(radio.ok());
  test::TempDir dir;
  make_station(dir.path(), radio.path());
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.wait_for_output("headless station started", 10000)) << p.output();
  ASSERT_TRUE(radio.wait_for("ID;", 5000)) << radio.received();
  std::this_thread::sleep_for(Ms(500));  // the start-up's commands have left
  const std::size_t before = radio.received().size();
  const int64_t signalled = steady_ms();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10000), 0) << p.output();
  std::printf("stopped %lld ms after SIGTERM\n", static_cast<long long>(steady_ms() - signalled));
  ASSERT_TRUE(radio.wait_for("FT0;", 2000));
  EXPECT_EQ(radio.received().substr(before), "FR0;FT0;") << "VFO A for receive and transmit, nothing else";
}

// One of the makes whose driver came later, end to end: a JST-245 is set up (remote control
// on, its filter, passband and AGC), the working channel is tuned, and the stop signal hands
// the radio back: the normal audio level (the station mutes by command) and remote control off.
TEST(HeadlessRadio, Jst245SetUpTunedAndReleasedAtTheStopSignal) {
  test::PtyPeer radio;
  ASSERT_TRUE(radio.ok());
  test::TempDir dir;
  make_station(dir.path(), radio.path(), DB_JST245, 7102500);
  {
    Station st(dir.path(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    db_set_cat_mute(1);
    db_set_option_int(opt::UNMUTED_AF_LEVEL, 60);
    ASSERT_EQ(db_save(), 1);
  }
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(p.wait_for_output("headless station started", 10000)) << p.output();
  ASSERT_TRUE(p.wait_for_output("JST-245 initialization completed", 10000)) << p.output();
  ASSERT_TRUE(radio.wait_for("D2\r", 5000)) << radio.received();
  std::this_thread::sleep_for(Ms(500));  // the start-up's commands have left
  const std::string setup = radio.received();
  EXPECT_EQ(setup, "H1\rB0\rP0000\rG1\rX0\rF0007102500A\rD2\r") << "set up, then 7,102.5 kHz USB";
  // The set-up's pauses of 200 ms after each command reach the radio (not shorter than 180 ms),
  // though the set-up ran before the engine's worker moved the queue.
  std::size_t first = setup.find("H1\r");
  for (const char* next : {"B0\r", "P0000\r", "G1\r"}) {
    const std::size_t second = setup.find(next);
    ASSERT_NE(second, std::string::npos) << next;
    std::printf("%s after %lld ms\n", next, static_cast<long long>(radio.arrival(second) - radio.arrival(first)));
    EXPECT_GE(radio.gap_at_most(first, second), 180) << next;
    EXPECT_LT(radio.gap_at_least(first, second), 2000) << next;
    first = second;
  }
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10000), 0) << p.output();
  ASSERT_TRUE(radio.wait_for("H0\r", 3000)) << radio.received();
  EXPECT_EQ(radio.received().substr(setup.size()), "JJ060\rH0\r") << "audio level 60, remote control off";
}

}  // namespace
}  // namespace vesk
