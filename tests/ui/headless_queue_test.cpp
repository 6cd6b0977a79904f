// vesk-ale-headless on a starved core: pinned to one CPU beside busy loops, so its 10 ms tick
// falls behind and catches up in bursts. A client drives it through the TCP host port while the
// test plays a radio that never answers (and a TNC) on pseudo-terminals: every command reaches
// its port, in order, and the shut-down commands still arrive at the stop signal.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "command/cmd_tnc.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "tests/support/child_process.h"
#include "tests/support/net.h"
#include "tests/support/pty.h"
#include "tests/support/waits.h"
#include "tests/ui/working_channel.h"

namespace vesk {
namespace {

using test::ChildProcess;

// The last CPU this test may run on: the station and the busy loops share it.
int starved_cpu() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 0;
  int last = 0;
  for (int c = 0; c < CPU_SETSIZE; ++c)
    if (CPU_ISSET(c, &set)) last = c;
  return last;
}

// Moves every thread of this test (the terminals' readers among them) off `cpu` when another
// is allowed, so that the test notes bytes when they arrive, not when the busy CPU lets it.
void keep_off_cpu(int cpu) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) != 0 || CPU_COUNT(&set) < 2) return;
  CPU_CLR(cpu, &set);
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    sched_setaffinity(static_cast<pid_t>(std::stol(task.path().filename().string())), sizeof set, &set);
}

// The pieces of a byte stream cut at CR, each without a leading LF; empty ones dropped.
std::vector<std::string> pieces(const std::string& stream) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < stream.size()) {
    std::size_t end = stream.find('\r', at);
    if (end == std::string::npos) end = stream.size();
    std::string p = stream.substr(at, end - at);
    if (!p.empty() && p[0] == '\n') p.erase(0, 1);
    if (!p.empty()) out.push_back(p);
    at = end + 1;
  }
  return out;
}

class HeadlessQueue : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(radio_.ok() && tnc_.ok());
    std::ofstream(dir_.path() + "/PORTS.MAP") << "1 " << radio_.path() << "\n5 " << tnc_.path() << "\n";
    Station st(dir_.path(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    db_set_radio_type(DB_ICM710);  // its sentences are never answered: one leaves per 50 ms
    db_set_radio_port(1);
    db_set_tnc_type(TNC_MFJ1278B);
    db_set_tnc_port(5);
    db_set_tnc_handshake(0);
    ASSERT_TRUE(test::store_working_usb_channel(1, 7100000));
    ASSERT_EQ(db_save(), 1);
  }
  void TearDown() override {
    busy_.clear();  // the busy loops are killed
    if (client_ >= 0) {
      shutdown(client_, SHUT_RDWR);
      close(client_);
    }
    if (reader_.joinable()) reader_.join();
  }

  // The station pinned to one CPU with two busy loops beside it, and a client on its host
  // port whose replies are read all along.
  void start() {
    const int starved = starved_cpu();
    const std::string cpu = std::to_string(starved);
    const std::string taskset = test::find_program("taskset");
    std::vector<std::string> argv = {test::program_path("app/vesk-ale-headless"), "--dir", dir_.path(),
                                     "--audio-in", "null", "--audio-out", "null", "-P" + std::to_string(port_)};
    if (!taskset.empty()) {
      argv.insert(argv.begin(), {taskset, "-c", cpu});
      for (int i = 0; i < 2; ++i)
        busy_.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{taskset, "-c", cpu, "/bin/sh", "-c", "while :; do :; done"}));
    }
    station_ = std::make_unique<ChildProcess>(argv);
    keep_off_cpu(starved);
    ASSERT_TRUE(station_->wait_for_output("TCP/IP HOST PORT LISTENING", 60000)) << station_->output();
    ASSERT_TRUE(test::wait_until([&] { return (client_ = test::connect_to(port_)) >= 0; }, 30000));
    reader_ = std::thread([fd = client_] {
      char buf[4096];
      while (recv(fd, buf, sizeof buf, 0) > 0) {
      }
    });
  }
  // The station with an RF-350 ALK radio, once its set-up's last command reached the radio.
  void start_rf350alk() {
    {
      Station st(dir_.path(), std::make_unique<SimClock>());
      StationScope scope(st);
      db_open();
      db_set_radio_type(DB_RF350ALK);
      ASSERT_EQ(db_save(), 1);
    }
    start();
    ASSERT_TRUE(reached(radio_, "\"0\n", 30000)) << "the set-up's last command";
  }
  void send_line(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::send(client_, text.data(), text.size(), MSG_NOSIGNAL), static_cast<ssize_t>(text.size()));
  }
  // Waits until `text` reached `peer`, reading the station's output meanwhile.
  bool reached(test::PtyPeer& peer, const std::string& text, int limit_ms) {
    return test::wait_until(
        [&] {
          station_->output();
          return peer.received().find(text) != std::string::npos;
        },
        limit_ms, 20);
  }
  void stop() {
    station_->signal(SIGTERM);
    EXPECT_EQ(station_->wait(60000), 0) << station_->output();
  }

  test::PtyPeer radio_;
  test::PtyPeer tnc_;
  test::TempDir dir_;
  int port_ = test::free_tcp_port();
  int client_ = -1;
  std::thread reader_;
  std::vector<std::unique_ptr<ChildProcess>> busy_;
  std::unique_ptr<ChildProcess> station_;
};

// Radio commands, audio levels and channel settings, twenty lines at a time: each batch ends
// with a radio command, and the next batch goes once that command reached the radio.
TEST_F(HeadlessQueue, EveryRadioCommandReachesASilentRadioInOrder) {
  start();
  send_line("CMD DISABLE MUTING");
  // 160 lines keep the test near 15 s; VESK_STRESS_LINES asks for more (1000: about a minute).
  const char* asked = std::getenv("VESK_STRESS_LINES");
  const int kLines = asked != nullptr && std::atoi(asked) >= 4 ? std::atoi(asked) / 4 * 4 : 160;
  std::vector<std::string> expected;  // the radio commands and audio levels, in order
  int channel_lines = 0;
  char text[64];
  for (int i = 0; i < kLines; ++i) {
    if (i % 4 == 2) {
      std::snprintf(text, sizeof text, "%03d", i % 100);
      send_line(std::string("CMD SET AFGAIN ") + std::to_string(i % 100));
      expected.push_back(std::string("$PICOA,90,01,AFG,") + text);
    } else if (i % 4 == 3) {
      send_line("CMD SET CHANNELS 1");
      ++channel_lines;
    } else {
      std::snprintf(text, sizeof text, "Q%04d", i);
      send_line(std::string("CMD RADCMD ") + text + " CR1");
      expected.push_back(text);
    }
    if (i % 20 == 16) {
      ASSERT_TRUE(reached(radio_, std::string(text) + "\r", 30000)) << "line " << i;
    }
  }
  send_line("CMD RADCMD Q9999 CR1");  // the last line: once it arrived, all before it did
  expected.push_back("Q9999");
  ASSERT_TRUE(reached(radio_, "Q9999\r", 30000));
  const std::size_t before_stop = radio_.received().size();
  stop();
  ASSERT_TRUE(radio_.wait_for("REMOTE,OFF", 5000)) << "the release commands at the stop signal";

  const std::string stream = radio_.received();
  std::vector<std::string> got;
  int tunings = 0;
  bool started = false;
  for (const std::string& p : pieces(stream.substr(0, before_stop))) {
    started = started || p == "Q0000";
    if (!started) continue;
    if (p[0] == 'Q' || p.find(",AFG,") != std::string::npos) got.push_back(p);
    if (p.find(",RXF,") != std::string::npos) ++tunings;
  }
  EXPECT_EQ(got, expected);
  // Each channel setting tunes the radio; the first also stops the scan, which tunes it again.
  EXPECT_GE(tunings, channel_lines);
  EXPECT_LE(tunings, channel_lines + 1);
  // Nothing is logged as sent that did not go.
  std::size_t logged = 0;
  const std::string& out = station_->output();
  for (std::size_t at = out.find("Sent radio command Q"); at != std::string::npos;
       at = out.find("Sent radio command Q", at + 1))
    ++logged;
  EXPECT_EQ(logged, static_cast<std::size_t>(kLines / 2 + 1));
}

// The operator keys an RF-350 ALK while five commands still wait for the silent radio: the
// keying sequence's pauses of 200 ms reach the radio all the same (not shorter than 180 ms;
// a gap may look 50 ms shorter when this test's reader noted its first command late).
TEST_F(HeadlessQueue, Rf350AlkKeyingPausesReachTheRadio) {
  ASSERT_NO_FATAL_FAILURE(start_rf350alk());
  std::string lines;
  for (int i = 0; i < 5; ++i) lines += "CMD RADCMD X" + std::to_string(i) + " LF1\n";
  send_line(lines + "CMD SET TRANSMIT ON");
  ASSERT_TRUE(reached(radio_, "\"1\n", 30000)) << radio_.received();
  const std::string got = radio_.received();
  const std::size_t key = got.find(",0\n", got.find("X4\n"));
  ASSERT_NE(key, std::string::npos) << got;
  const std::size_t apos = got.find("'1\n", key), quote = got.find("\"1\n", key);
  ASSERT_TRUE(apos != std::string::npos && quote != std::string::npos) << got;
  for (const auto& [from, to] : {std::pair{key, apos}, std::pair{apos, quote}}) {
    std::printf("keying step after %lld ms\n", static_cast<long long>(radio_.arrival(to) - radio_.arrival(from)));
    EXPECT_GE(radio_.gap_at_most(from, to), 180);
    EXPECT_LT(radio_.gap_at_least(from, to), 2000);
  }
  send_line("CMD SET TRANSMIT OFF");
  stop();
}

// ENABLE SCANNING starts the RF-350 ALK's scan once: ",1", 500 ms, ",1".
TEST_F(HeadlessQueue, EnableScanningStartsTheRadioScanOnce) {
  ASSERT_NO_FATAL_FAILURE(start_rf350alk());
  const std::size_t from = radio_.received().size();
  send_line("CMD ENABLE SCANNING\nCMD RADCMD MARK LF1");
  ASSERT_TRUE(reached(radio_, "MARK\n", 30000)) << radio_.received();
  const std::string got = radio_.received().substr(from);
  const std::string before_mark = got.substr(0, got.find("MARK\n"));
  std::size_t starts = 0;
  for (std::size_t at = before_mark.find(",1\n"); at != std::string::npos; at = before_mark.find(",1\n", at + 1))
    ++starts;
  EXPECT_EQ(starts, 2u) << before_mark;
  stop();
}

// PACTOR calls to ten stations: both messages of each reach the TNC, in order, 500 ms apart.
TEST_F(HeadlessQueue, EveryTncMessageReachesTheTncInOrder) {
  start();
  constexpr int kCalls = 10;
  std::string expected;
  for (int i = 0; i < kCalls; ++i) {
    const std::string call = "BRAVO" + std::to_string(i);
    send_line("CMD TNC PACTOR " + call);
    expected += "PACTOR\rC " + call + "\r";
  }
  ASSERT_TRUE(reached(tnc_, "C BRAVO" + std::to_string(kCalls - 1) + "\r", 60000)) << tnc_.received();
  EXPECT_EQ(tnc_.received(), expected);
  // The queue lets one message out per 500 ms (its timer runs in 10 ms ticks).
  std::size_t at = 0;
  for (int i = 1; i < 2 * kCalls; ++i) {
    const std::size_t next = tnc_.received().find('\r', at) + 1;
    EXPECT_GE(tnc_.gap_at_most(at, next), 450) << "message " << i;
    at = next;
  }
  stop();
}

}  // namespace
}  // namespace vesk
