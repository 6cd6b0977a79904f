// vesk-ale-headless with an MFJ-1278B TNC on a pseudo-terminal, as a user runs it: the
// station's "CONFIG.DAT" starts a PACTOR call, and the test plays the TNC at the terminal's
// other end, noting when each byte arrives.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "command/cmd_tnc.h"
#include "db/database.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

// After the station's headers: the terminal headers define ECHO, an option's name there.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace vesk {
namespace {

using test::ChildProcess;
using Ms = std::chrono::milliseconds;

int64_t now_ms() {
  return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The TNC's end of the terminal: every byte the station writes, with its arrival time.
class PtyTnc {
 public:
  PtyTnc() {
    char name[128] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
    path_ = name;
    for (int fd : {master_, slave_}) fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    reader_ = std::thread([this] {
      char buf[512];
      while (!stop_.load()) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 5) <= 0) continue;
        const ssize_t n = read(master_, buf, sizeof buf);
        const int64_t at = now_ms();
        std::lock_guard<std::mutex> hold(mutex_);
        for (ssize_t i = 0; i < n; ++i) received_.emplace_back(at, buf[i]);
      }
    });
  }
  ~PtyTnc() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string text() {
    std::lock_guard<std::mutex> hold(mutex_);
    std::string out;
    for (const auto& [at, c] : received_) out += c;
    return out;
  }
  // When the byte at `index` arrived.
  int64_t arrival(std::size_t index) {
    std::lock_guard<std::mutex> hold(mutex_);
    return received_.at(index).first;
  }
  bool wait_for(const std::string& text, int limit_ms) {
    for (const int64_t end = now_ms() + limit_ms; now_ms() < end; std::this_thread::sleep_for(Ms(10)))
      if (this->text().find(text) != std::string::npos) return true;
    return false;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::pair<int64_t, char>> received_;
};

TEST(HeadlessTnc, PactorCallReachesAnMfj1278bInTwoMessagesHalfASecondApart) {
  PtyTnc tnc;
  PtyTnc radio;  // the radio port's own terminal, so the set-up reaches the TNC port
  ASSERT_TRUE(tnc.ok() && radio.ok());
  test::TempDir dir;
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << radio.path() << "\n5 " << tnc.path() << "\n";
  std::ofstream(dir.path() + "/CONFIG.DAT") << "TNC PACTOR BRAVO7\n";
  {
    Station st(dir.path(), std::make_unique<SimClock>());
    StationScope scope(st);
    db_open();
    db_set_tnc_type(TNC_MFJ1278B);
    db_set_tnc_port(5);
    db_set_tnc_handshake(0);
    ASSERT_EQ(db_save(), 1);
  }
  ChildProcess p({test::program_path("app/vesk-ale-headless"), "--dir", dir.path(), "--audio-in", "null",
                  "--audio-out", "null"});
  ASSERT_TRUE(tnc.wait_for("PACTOR\rC BRAVO7\r", 15000)) << tnc.text() << "\n" << p.output();
  EXPECT_EQ(tnc.text(), "PACTOR\rC BRAVO7\r");
  const int64_t gap = tnc.arrival(7) - tnc.arrival(0);
  std::printf("the call followed PACTOR after %lld ms\n", static_cast<long long>(gap));
  // The TNC queue lets one message out per 500 ms (its timer runs in 10 ms ticks; the reader
  // may be late for the first).
  EXPECT_GE(gap, 450);
  EXPECT_TRUE(p.wait_for_output("[MMI CHANGE: PACTOR call to BRAVO7]", 5000)) << p.output();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10000), 0) << p.output();
}

}  // namespace
}  // namespace vesk
