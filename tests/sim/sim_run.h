// Test support: runs whole stations in the multi-station simulator and queries their log lines
// ("<simulated seconds> <station> <text>").
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/database.h"
#include "platform/station.h"
#include "sim/multi_station.h"

namespace vesk::test {

struct SimRun {
  std::vector<std::string> lines;
  std::string text;

  // The simulated time of the first line of `who` holding `piece` after `after`, or -1.
  double at(const std::string& who, const std::string& piece, double after = -1) const {
    for (const std::string& l : lines) {
      double t = 0;
      char name[32] = {};
      if (std::sscanf(l.c_str(), "%lf %31s", &t, name) != 2 || who != name || t <= after) continue;
      if (l.find(piece) != std::string::npos) return t;
    }
    return -1;
  }
  // Lines of any station holding `piece` after `after`.
  int count(const std::string& piece, double after = -1) const {
    int n = 0;
    for (const std::string& l : lines) {
      double t = 0;
      if (std::sscanf(l.c_str(), "%lf", &t) == 1 && t > after) n += l.find(piece) != std::string::npos ? 1 : 0;
    }
    return n;
  }
  // Lines of `who` holding `piece`.
  int count_of(const std::string& who, const std::string& piece) const {
    int n = 0;
    for (const std::string& l : lines) {
      char name[32] = {};
      double t = 0;
      if (std::sscanf(l.c_str(), "%lf %31s", &t, name) == 2 && who == name && l.find(piece) != std::string::npos) ++n;
    }
    return n;
  }
  // The link-state texts of the status bar, in order, for one station (the scan left out).
  std::vector<std::string> states(const std::string& who) const {
    std::vector<std::string> out;
    const std::string mark = " " + who + " STATUS 1: ";
    for (const std::string& l : lines) {
      const auto pos = l.find(mark);
      if (pos == std::string::npos) continue;
      std::string s = l.substr(pos + mark.size());
      while (!s.empty() && s.back() == ' ') s.pop_back();
      if (s == "SCANNING" || s == "PAUSING") continue;
      out.push_back(s);
    }
    return out;
  }
  bool linked(const std::string& who, const std::string& peer) const {
    std::string field = peer;
    field.resize(15, ' ');
    return at(who, "[LINKED  ][" + field + "]") >= 0;
  }
  // Every keying after the start-up (whose radio set-up releases the transmitter once) is
  // released again.
  bool keyings_released() const { return count("PTT now ACTIVE", 1) == count("PTT now RELEASED", 1); }
};

// A station folder `dir` whose "ALE.DAT" holds the defaults changed by `set_up` and whose
// "CONFIG.DAT" holds `config`.
inline void make_station_folder(const std::filesystem::path& dir, const std::function<void()>& set_up,
                                const std::string& config) {
  std::filesystem::create_directories(dir);
  {
    Station st(dir.string());
    StationScope scope(st);
    db_open();
    set_up();
    EXPECT_EQ(db_save(), 1);
  }
  std::ofstream(dir / "CONFIG.DAT") << config;
}

// Runs the simulator with `o`, collecting every line; `at_end` and `on_step` as for sim_run.
inline SimRun sim_collect(const SimOptions& o, const std::function<void(const std::string&)>& at_end = {},
                          const SimStep& on_step = {}) {
  SimRun r;
  EXPECT_EQ(sim_run(
                o,
                [&](const std::string& l) {
                  r.lines.push_back(l);
                  r.text += l + "\n";
                },
                at_end, on_step),
            0);
  return r;
}

// A command line, or with `action` set a step no command line can hold (a message longer than
// a line's 999 characters, a queued transfer): the action runs once on that station, after its
// first step at or past `at_ms`, with the station current.
struct TimedStep {
  int64_t at_ms;
  std::string station;
  std::string line;
  std::function<void()> action = {};
};

// Runs `o` with the steps: the lines as the run's commands, the actions after the steps.
inline SimRun sim_collect_steps(SimOptions o, const std::vector<TimedStep>& steps) {
  auto actions = std::make_shared<std::vector<TimedStep>>();
  for (const TimedStep& t : steps) {
    if (t.action)
      actions->push_back(t);
    else
      o.commands.push_back({t.at_ms, t.station, t.line});
  }
  auto done = std::make_shared<std::vector<bool>>(actions->size(), false);
  return sim_collect(o, {}, [actions, done](int64_t now, const std::string& who) {
    for (std::size_t i = 0; i < actions->size(); ++i) {
      const TimedStep& t = (*actions)[i];
      if ((*done)[i] || t.station != who || now < t.at_ms) continue;
      (*done)[i] = true;
      t.action();
    }
  });
}

}  // namespace vesk::test
