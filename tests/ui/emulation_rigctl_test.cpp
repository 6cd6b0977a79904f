// The radio emulation port of a running station as another program sees it: Hamlib's rigctl,
// as an IC-746PRO over a pseudo-terminal pair to the station's emulation port (19200 baud),
// reads the station's frequency and mode. The harness echoes rigctl's frames back to it, as
// a CI-V bus does.
// First: <pty.h> brings termios macros (ECHO) that the options header uses as names.
#include "db/options.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "db/database.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct Pty {
  int master = -1, slave = -1;
  std::string name;
  Pty() {
    char buf[128];
    if (openpty(&master, &slave, buf, nullptr, nullptr) != 0) return;
    name = buf;
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

// Copies bytes between the two masters; what the program writes is echoed back to it too.
class BusRelay {
 public:
  BusRelay(int station, int program) : station_(station), program_(program), thread_([this] { run(); }) {}
  ~BusRelay() {
    stop_ = true;
    thread_.join();
  }

 private:
  void run() {
    pollfd fds[2] = {{station_, POLLIN, 0}, {program_, POLLIN, 0}};
    uint8_t buf[512];
    while (!stop_) {
      if (poll(fds, 2, 10) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(station_, buf, sizeof buf);
        if (n > 0) (void)!write(program_, buf, static_cast<std::size_t>(n));
      }
      if (fds[1].revents & POLLIN) {
        const ssize_t n = read(program_, buf, sizeof buf);
        if (n > 0) {
          (void)!write(program_, buf, static_cast<std::size_t>(n));  // the bus echo
          (void)!write(station_, buf, static_cast<std::size_t>(n));
        }
      }
    }
  }
  int station_, program_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(EmulationRigctl, Ic746ProReadsFrequencyAndMode) {
  if (system("rigctl --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "rigctl (libhamlib-utils) is not installed";
  Pty radio, station_side, program_side;
  ASSERT_FALSE(radio.name.empty() || station_side.name.empty() || program_side.name.empty());
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << radio.name << "\n12 " << station_side.name << "\n";
  {
    Station st(dir.path());
    StationScope scope(st);
    db_open();
    db_set_radio_type(DB_NONE);
    db_set_radio_port(1);
    db_set_option_int(opt::EMULATION_ENABLED, 1);
    db_set_emulation_port(12);
    ChannelRecord ch{};
    ch.permission = CHANNEL_BX;
    ch.scan_groups = 1 << db_get_scan_group();
    ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    ASSERT_EQ(db_store_channel(1, ch), 1);
    db_select_channel(1);
    ASSERT_EQ(db_save(), 1);
  }
  test::ChildProcess station({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(station.wait_for_output("started", 10000)) << station.output();
  BusRelay relay(station_side.master, program_side.master);
  test::ChildProcess rig({"/usr/bin/rigctl", "-m", "3046", "-r", program_side.name, "-s", "19200", "f", "m"});
  ASSERT_EQ(rig.wait(20000), 0) << rig.output();
  EXPECT_NE(rig.output().find("7102500"), std::string::npos) << rig.output();
  EXPECT_NE(rig.output().find("USB"), std::string::npos) << rig.output();
  station.signal(SIGTERM);
  station.wait(20000);
}

}  // namespace
}  // namespace vesk
