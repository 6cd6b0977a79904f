// Test support for the comparisons with Hamlib's rigctl: the radio end of a pseudo-terminal
// that rigctl drives, which records every byte rigctl writes and answers the commands listed
// (each ends in `end`) so rigctl gets past the reads it makes before it sets something; and
// the commands catgen prints for the same operation.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"

namespace vesk::test {

class RecordingPeer {
 public:
  using Answers = std::vector<std::pair<std::string, std::string>>;

  RecordingPeer(Answers answers, char end) : answers_(std::move(answers)), end_(end) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
    name_ = ptsname(master_);
    slave_ = open(name_.c_str(), O_RDWR | O_NOCTTY);  // kept open (and raw) across rigctl's runs
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    thread_ = std::thread([this] { run(); });
  }
  ~RecordingPeer() {
    stop();
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
  }
  const std::string& device() const { return name_; }
  // Everything rigctl wrote (the recording stops here).
  std::vector<uint8_t> bytes() {
    stop();
    return bytes_;
  }

 private:
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  void run() {
    std::string command;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      uint8_t buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      for (ssize_t i = 0; i < n; ++i) {
        bytes_.push_back(buf[i]);
        command += static_cast<char>(buf[i]);
        if (static_cast<char>(buf[i]) != end_) continue;
        for (const auto& [read, answer] : answers_)
          if (command == read) (void)!write(master_, answer.data(), answer.size());
        command.clear();
      }
    }
  }

  Answers answers_;
  char end_;
  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::vector<uint8_t> bytes_;
};

// The commands catgen prints for `args` (after the program name), as hex.
inline std::vector<std::string> catgen_commands(const std::vector<std::string>& args) {
  std::vector<std::string> argv{program_path("tools/catgen")};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess p(argv);
  EXPECT_EQ(p.wait(10000), 0);
  std::vector<std::string> out;
  std::istringstream in(p.output());
  std::string line;
  while (std::getline(in, line)) {
    const auto sp = line.find(' ');
    if (line.empty() || line[0] != '+' || sp == std::string::npos) continue;
    out.push_back(line.substr(sp + 1, line.find("  ") - sp - 1));
  }
  return out;
}

}  // namespace vesk::test
