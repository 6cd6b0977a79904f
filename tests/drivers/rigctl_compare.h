// The comparison with Hamlib's rigctl for the command sets whose frames differ in known
// ways: each case runs rigctl against a recording peer (all cases at once) and expects its
// stream to contain catgen's bytes for the same operation, as rigctl frames them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/drivers/driver_fixture.h"
#include "tests/support/rigctl.h"

namespace vesk::test {

struct RigctlCase {
  const char* what;
  const char* hamlib_model;
  std::vector<std::string> rigctl;
  std::vector<std::string> catgen;
  // catgen's bytes as rigctl frames the same command
  std::string (*as_rigctl)(const std::string&);
  RecordingPeer::Answers answers = {};  // the reads rigctl makes first, answered
};

inline std::string same_bytes(const std::string& s) { return s; }

// `end` ends a command of the radio's set.
inline void expect_rigctl_writes_catgen(const std::vector<RigctlCase>& cases, char end) {
  std::vector<std::unique_ptr<RigctlRun>> runs;
  for (const RigctlCase& c : cases) {
    runs.push_back(std::make_unique<RigctlRun>(c.hamlib_model, c.rigctl, c.answers, end));
    ASSERT_TRUE(runs.back()->ok());
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    const std::vector<uint8_t> b = runs[i]->bytes(30000);
    const std::string wrote(b.begin(), b.end());
    const std::string want = cases[i].as_rigctl(catgen_bytes(cases[i].catgen));
    EXPECT_FALSE(want.empty());
    EXPECT_NE(wrote.find(want), std::string::npos)
        << hex(b) << "\nwant " << hex(reinterpret_cast<const uint8_t*>(want.data()), static_cast<int>(want.size()));
  }
}

}  // namespace vesk::test
