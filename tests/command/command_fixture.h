// A station on simulated time in a temporary folder, with the database open, for the
// command tests; `run` runs one line and returns what it wrote, oldest line first.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class CommandFixture : public ::testing::Test {
 protected:
  CommandFixture() {
    auto c = std::make_unique<SimClock>();
    clock_ = c.get();
    st_ = std::make_unique<Station>(dir_.path(), std::move(c));
    scope_ = std::make_unique<StationScope>(*st_);
    db_open();
    log_hooks().request_exit = [this] { ++exits_; };
  }
  ~CommandFixture() override {
    scope_.reset();
    st_.reset();
  }
  // The lines written since the last call, oldest first.
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    auto& s = log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto it = s.monitor.rbegin(); it != s.monitor.rend(); ++it) out.push_back(*it);
    s.monitor.clear();
    return out;
  }
  std::string run(const std::string& line) {
    mmi_run_line(line);
    std::string all;
    for (auto& l : lines()) all += l;
    return all;
  }
  void write_file(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(st_->path(name).parent_path());
    std::ofstream(st_->path(name)) << text;
  }
  std::string read_file(const std::string& name) {
    std::ifstream in(st_->path(name));
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TempDir dir_;
  SimClock* clock_ = nullptr;
  std::unique_ptr<Station> st_;
  std::unique_ptr<StationScope> scope_;
  int exits_ = 0;
};

}  // namespace vesk::test
