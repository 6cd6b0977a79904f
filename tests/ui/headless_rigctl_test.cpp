// vesk-ale-headless against a live peer: Hamlib's TS-2000 emulator (rigctlcom) in front of its
// dummy radio (rigctld -m 1), reached over a pseudo-terminal pair, with a Z100 tuner on a port
// of its own. The tuner's set-up must leave the radio port's ';' framing alone, or the
// emulator's identity reply is never read. Skipped when the Hamlib programs are missing.
// First: <pty.h> brings termios macros (ECHO) that the options header uses as names.
#include "db/options.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "db/database.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/setup_table.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

using test::ChildProcess;
using Clock = std::chrono::steady_clock;

std::string find_program(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return dir + "/" + program;
  return {};
}

bool wait_until(const std::function<bool()>& done, int limit_ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

int free_tcp_port() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

bool can_connect(int port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(s);
  return ok;
}

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

// Copies bytes both ways between two masters: the two slaves then act as a null-modem pair.
class Relay {
 public:
  Relay(int a, int b) : a_(a), b_(b), thread_([this] { run(); }) {}
  ~Relay() {
    stop_ = true;
    thread_.join();
  }

 private:
  void run() {
    pollfd fds[2] = {{a_, POLLIN, 0}, {b_, POLLIN, 0}};
    uint8_t buf[512];
    while (!stop_) {
      if (poll(fds, 2, 10) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if ((fds[i].revents & POLLIN) == 0) continue;
        const ssize_t n = read(fds[i].fd, buf, sizeof buf);
        if (n > 0 && write(i == 0 ? b_ : a_, buf, static_cast<std::size_t>(n)) < 0) return;
      }
    }
  }
  int a_, b_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::string rigctl(int port, const std::string& command) {
  ChildProcess p({find_program("rigctl"), "-m", "2", "-r", "127.0.0.1:" + std::to_string(port), command});
  p.wait(5000);
  std::string out = p.output();
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out.substr(out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1);
}

TEST(HeadlessRigctl, KenwoodWithZ100TunerIsIdentifiedAndTuned) {
  for (const char* program : {"rigctld", "rigctlcom", "rigctl"})
    if (find_program(program).empty()) GTEST_SKIP() << program << " is not installed";

  const int port = free_tcp_port();
  ASSERT_GT(port, 0);
  ChildProcess rigctld({find_program("rigctld"), "-m", "1", "-T", "127.0.0.1", "-t", std::to_string(port)});
  ASSERT_TRUE(wait_until([&] { return can_connect(port); }, 15000)) << rigctld.output();

  Pty station_side, peer_side, tuner;
  ASSERT_FALSE(station_side.name.empty() || peer_side.name.empty() || tuner.name.empty());
  ChildProcess rigctlcom({find_program("rigctlcom"), "-m", "2", "-r", "127.0.0.1:" + std::to_string(port), "-R",
                          peer_side.name, "-S", "4800"});
  // Ready once the emulator answers its identity query.
  std::string answer;
  ASSERT_TRUE(wait_until(
      [&] {
        if (write(peer_side.master, "ID;", 3) != 3) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        char buf[64];
        pollfd p{peer_side.master, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
          const ssize_t n = read(peer_side.master, buf, sizeof buf);
          if (n <= 0) break;
          answer.append(buf, static_cast<std::size_t>(n));
        }
        return answer.find("ID019;") != std::string::npos;
      },
      15000))
      << rigctlcom.output();
  Relay relay(station_side.master, peer_side.master);

  // KENWOOD on port 1 keyed by CAT, a Z100 tuner on port 2, channel 1 (7,100,000 Hz USB) the
  // working channel.
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << station_side.name << "\n2 " << tuner.name << "\n";
  {
    Station st(dir.path());
    StationScope scope(st);
    db_open();
    db_set_radio_type(DB_KENWOOD);
    db_set_radio_port(1);
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    db_set_atu_type(ATU_Z100);
    db_set_atu_port(2);
    ChannelRecord ch{};
    ch.permission = CHANNEL_BX;
    ch.scan_groups = 1 << db_get_scan_group();
    ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    ASSERT_EQ(db_store_channel(1, ch), 1);
    db_select_channel(1);
    ASSERT_EQ(db_save(), 1);
  }

  ChildProcess station({test::program_path("app/vesk-ale-headless"), "--dir", dir.path()});
  ASSERT_TRUE(station.wait_for_output("headless station started", 15000)) << station.output();
  EXPECT_TRUE(station.wait_for_output("Kenwood TS-2000 series has been detected", 15000)) << station.output();
  std::string got;
  EXPECT_TRUE(wait_until([&] { return (got = rigctl(port, "f")) == "7100000"; }, 15000)) << "rig reads " << got;
  station.signal(SIGTERM);
  EXPECT_EQ(station.wait(20000), 0) << station.output();
}

}  // namespace
}  // namespace vesk
