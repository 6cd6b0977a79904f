// Test support for the comparisons with Hamlib's rigctl: the radio end of a pseudo-terminal
// that rigctl drives, which records every byte rigctl writes and answers the commands it reads
// (each ends in `end`) so rigctl gets past the reads it makes before it sets something; a
// rigctl run against such a peer of its own; and the commands catgen prints for the same
// operation.
#pragma once

#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/pty.h"

namespace vesk::test {

inline bool have_rigctl() { return system("rigctl --version >/dev/null 2>&1") == 0; }

class RecordingPeer {
 public:
  // What the peer writes back for a command it read (its `end` included); "" for nothing.
  using Reply = std::function<std::string(const std::string& command)>;
  // The commands answered, each with its answer.
  using Answers = std::vector<std::pair<std::string, std::string>>;

  RecordingPeer(Reply reply, char end) : reply_(std::move(reply)), end_(end) {
    if (pty_.ok()) thread_ = std::thread([this] { run(); });
  }
  RecordingPeer(Answers answers, char end)
      : RecordingPeer(
            [answers = std::move(answers)](const std::string& command) {
              std::string out;
              for (const auto& [read, answer] : answers)
                if (command == read) out += answer;
              return out;
            },
            end) {}
  ~RecordingPeer() { stop(); }
  const std::string& device() const { return pty_.name; }
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
      pollfd p{pty_.master, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      uint8_t buf[256];
      const ssize_t n = read(pty_.master, buf, sizeof buf);
      for (ssize_t i = 0; i < n; ++i) {
        bytes_.push_back(buf[i]);
        command += static_cast<char>(buf[i]);
        if (static_cast<char>(buf[i]) != end_) continue;
        const std::string answer = reply_(command);
        if (!answer.empty()) (void)!write(pty_.master, answer.data(), answer.size());
        command.clear();
      }
    }
  }

  Reply reply_;
  char end_;
  Pty pty_{PtyOptions{.raw = true}};  // the slave stays open (and raw) across rigctl's runs
  std::atomic<bool> stop_{false};
  std::vector<uint8_t> bytes_;
  std::thread thread_;
};

// rigctl for Hamlib model `model` sending `commands` to a recording peer of its own, started
// at once: several run side by side, as each waits out every read nobody answers. A read gets
// a second, so an answered one comes in time on a loaded machine.
class RigctlRun {
 public:
  RigctlRun(const std::string& model, const std::vector<std::string>& commands, RecordingPeer::Answers answers,
            char end)
      : peer_(std::move(answers), end) {
    std::vector<std::string> argv{"/usr/bin/rigctl", "-m", model, "-r", peer_.device(), "-C", "timeout=1000,retry=0"};
    argv.insert(argv.end(), commands.begin(), commands.end());
    rig_ = std::make_unique<ChildProcess>(argv);
  }
  bool ok() const { return !peer_.device().empty(); }
  // What rigctl wrote, once it ended (at most `limit_ms`): rigctl reports the reads nobody
  // answers, so its status says nothing.
  std::vector<uint8_t> bytes(int limit_ms) {
    rig_->wait(limit_ms);
    return peer_.bytes();
  }
  const std::string& output() { return rig_->output(); }

 private:
  RecordingPeer peer_;
  std::unique_ptr<ChildProcess> rig_;
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
    // "+MS XX XX ...  text"
    const auto sp = line.find(' ');
    if (line.empty() || line[0] != '+' || sp == std::string::npos) continue;
    out.push_back(line.substr(sp + 1, line.find("  ") - sp - 1));
  }
  return out;
}

// catgen's commands for `args`, as raw bytes.
inline std::string catgen_bytes(const std::vector<std::string>& args) {
  std::string out;
  for (const std::string& c : catgen_commands(args))
    for (std::size_t i = 0; i < c.size(); i += 3) out += static_cast<char>(std::stoi(c.substr(i, 2), nullptr, 16));
  return out;
}

}  // namespace vesk::test
