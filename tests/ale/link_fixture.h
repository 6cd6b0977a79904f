// A station on simulated time with default options, the API queue and the link state module
// started, and recording fakes for what the link steps call in other modules.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ale/engine/api_event.h"
#include "ale/link/link_state.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_set_default_options();
    api_queue_create();
    LinkSeams& k = link_state().seams;
    auto note = [this](const char* what) { return [this, what] { calls_.push_back(what); }; };
    k.radio_scan_start = note("radio scan start");
    k.radio_scan_next_channel = note("radio next channel");
    k.radio_on_unlinked = note("radio unlinked");
    k.fs1052_enable = note("fs1052 enable");
    k.fs1052_reset_disable = note("fs1052 disable");
    k.host_resumed_scanning = note("host resumed scanning");
    k.reset_modem = note("reset modem");
    k.dtm_rx_reset = note("dtm reset");
    k.refresh_status_bar = [this] { ++refreshes_; };
    k.host_unlinked = [this](const std::string& peer) { calls_.push_back("host unlinked " + peer); };
    k.run_script = [this](const char* script) { calls_.push_back(std::string("script ") + script); };
    ale_link_init();
    calls_.clear();
    refreshes_ = 0;
  }

  bool called(const std::string& what) const {
    for (const std::string& c : calls_)
      if (c == what) return true;
    return false;
  }
  static bool monitor_has(const std::string& text) { return log_monitor_text().find(text) != std::string::npos; }

  // The kinds of the API events queued so far (they are taken off the queue).
  static std::vector<int> take_api_kinds() {
    std::vector<int> kinds;
    while (ApiEvent* e = api_pop()) {
      kinds.push_back(e->kind == API_TIMER_EXPIRY ? -e->param : e->kind);
      api_free(e);
    }
    return kinds;
  }

  TempDir dir_;
  Station st_;
  StationScope scope_;
  std::vector<std::string> calls_;
  int refreshes_ = 0;
};

}  // namespace vesk::test
