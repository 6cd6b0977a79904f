// A station on simulated time with default options, the API queue and the link state module
// started, channels 1 to 3 in the scan group, and the link state's two hooks into the command
// layer (status-bar refresh and scripts) recorded. Radio control is the real one, with no radio
// port open; with the event trace on, every event the link state takes is a log line.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ale/engine/api_event.h"
#include "ale/link/link_state.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

class LinkFixture : public ::testing::Test {
 protected:
  LinkFixture() : st_(dir_.path(), std::make_unique<SimClock>()), scope_(st_) {
    db_set_default_options();
    const int group = db_get_scan_group();
    for (int n = 1; n <= 3; ++n) {
      ChannelRecord ch{};
      ch.in_use = 1;
      ch.scan_groups = 1 << (group & 31);
      ch.rx_freq_hz = ch.tx_freq_hz = 3000000 + n * 1000000;
      db_store_channel(n, ch);
    }
    db_select_channel(1);
    api_queue_create();
    LinkHooks& k = link_state().hooks;
    k.refresh_status_bar = [this] { ++refreshes_; };
    k.run_script = [this](const char* script) {
      scripts_.push_back(script);
      if (on_script_) on_script_(script);
    };
    db_enable_trace_events();
    ale_link_init();
    scripts_.clear();
    refreshes_ = 0;
    log_state().monitor.clear();
  }

  static bool monitor_has(const std::string& text) { return log_monitor_text().find(text) != std::string::npos; }

  // The events the link state took since the monitor was last cleared, oldest first.
  static std::vector<std::string> events() {
    std::vector<std::string> out;
    const std::string text = log_monitor_text();
    for (std::size_t at = text.find("Event = "); at != std::string::npos; at = text.find("Event = ", at + 1))
      out.insert(out.begin(), text.substr(at + 8, text.find('\r', at) - at - 8));
    return out;
  }

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
  std::vector<std::string> scripts_;
  std::function<void(const char*)> on_script_;
  int refreshes_ = 0;
};

}  // namespace vesk::test
