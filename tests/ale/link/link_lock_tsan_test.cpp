// The link lock across threads: an event raised on a second thread waits until the step in
// progress on the first (entering a link, whose script runs under the lock) has ended.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "ale/engine/events.h"
#include "tests/ale/link_fixture.h"

namespace vesk {
namespace {

class LinkStateTest : public test::LinkFixture {};

TEST_F(LinkStateTest, SecondThreadWaitsForTheEventInProgress) {
  std::mutex order_mutex;
  std::vector<std::string> order;
  auto note = [&](const std::string& s) {
    std::lock_guard<std::mutex> hold(order_mutex);
    order.push_back(s);
  };
  std::promise<void> outer_started, release_outer;
  std::shared_future<void> released = release_outer.get_future().share();
  on_script_ = [&](const char*) {
    note("outer begins");
    outer_started.set_value();
    released.wait_for(std::chrono::seconds(10));
    note("outer ends");
  };
  std::thread outer([&] {
    StationScope s(st_);
    ale_enter_linked();
  });
  outer_started.get_future().wait();
  std::atomic<bool> second_entering{false};
  auto second = std::async(std::launch::async, [&] {
    StationScope s(st_);
    second_entering = true;
    ale_link_event(EV_RESET_MODEM);
    note("second thread's event");
  });
  while (!second_entering) std::this_thread::yield();
  // The second thread is blocked on the lock: give it time to run ahead if it could.
  EXPECT_EQ(second.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  release_outer.set_value();
  EXPECT_EQ(second.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  outer.join();
  EXPECT_EQ(order, (std::vector<std::string>{"outer begins", "outer ends", "second thread's event"}));
}

}  // namespace
}  // namespace vesk
