// The call entry points on several threads at once (the window, the host port, the worker):
// each call's set-up is whole, never a mix of two callers' calls.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ale/link/call_setup.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/link_state.h"
#include "tests/ale/state_machine_fixture.h"

namespace vesk::test {
namespace {

class CallSetupTsanTest : public StateMachineFixture {};

TEST_F(CallSetupTsanTest, ConcurrentCallersDoNotMixTheirCalls) {
  db_add_other_address("XYZ", 0, 0, 0);
  start_scanning();
  constexpr int kCalls = 200;
  std::vector<std::string> mixed;
  auto caller = [&](const char* address, const char* text) {
    StationScope scope(station_);
    for (int i = 0; i < kCalls; ++i) {
      std::lock_guard<std::recursive_mutex> hold(link_state().lock);
      ale_call_address(address, text);
      // Still under the link lock: the set-up just made is this caller's own.
      if (std::string(ale_first_called_address()) != address || ale_called_list() != std::vector<std::string>{address})
        mixed.push_back(address);
    }
  };
  std::thread a(caller, "ABC", "FROM A");
  std::thread b(caller, "XYZ", "FROM B");
  a.join();
  b.join();
  EXPECT_TRUE(mixed.empty()) << mixed.size();
}

}  // namespace
}  // namespace vesk::test
