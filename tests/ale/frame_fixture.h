// A station on simulated time with the database open and own addresses on the working channel.
// The frame parser hands what it finds to the real frame event handler, which raises its
// protocol events into the link state machine (the lower ale folders' hooks bound as the
// station binds them); the machine stays in its null state (it is not started), so those
// events change nothing and are seen through the event trace.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ale/engine/event_names.h"
#include "ale/engine/events.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/child_process.h"

namespace vesk::test {

// The events the link state machine took since the monitor was last cleared, oldest first
// (read from the event trace, which must be on).
inline std::vector<int> traced_link_events() {
  std::vector<int> out;
  const std::string text = log_monitor_text();  // newest line first
  const std::string tag = "Event = ";
  for (std::size_t at = text.find(tag); at != std::string::npos; at = text.find(tag, at + 1)) {
    const std::string name = text.substr(at + tag.size(), text.find('\r', at) - at - tag.size());
    int number = -1;
    for (int n = EV_NULL_EVENT; n < 2 * EV_MAX_EVENT && number < 0; ++n)
      if (name == ale_event_name(n)) number = n;
    out.insert(out.begin(), number);
  }
  return out;
}

inline void clear_monitor() {
  std::lock_guard<std::mutex> hold(log_state().mutex);
  log_state().monitor.clear();
}

// Whether a receiver reset was asked for since the last call (the request is taken).
inline bool receiver_reset_taken() { return word_rx_state().reset_requested.exchange(false); }

// The addresses the frame called, as the frame event handler keeps them.
inline std::vector<std::string> frame_called() {
  const FrameContext& c = ale_frame_context();
  std::vector<std::string> out;
  for (int i = 0; i < c.called_count; ++i) out.emplace_back(c.called[static_cast<std::size_t>(i)].data());
  return out;
}

class FrameStationTest : public ::testing::Test {
 public:
  static AleWord word(uint32_t type, const char* three) {
    return ale_make_word(type, static_cast<uint8_t>(three[0]), static_cast<uint8_t>(three[1]),
                         static_cast<uint8_t>(three[2]));
  }

 protected:
  FrameStationTest() : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    ale_bind_layer_hooks();
    db_open();
    // Own addresses ABC (index 0, the working channel's) and XYZ.
    db_set_own_address_at("ABC", 0);
    db_set_own_address_at("XYZ", 1);
    db_select_channel(0);
    db_enable_trace_events();
  }

  static RxWordRecord rec(AleWord w, bool bad = false) {
    RxWordRecord r;
    r.word = w;
    r.bad = bad ? 1 : 0;
    r.sinad = 10;
    return r;
  }
  // The receiver found a frame: its begin reaches the frame event handler ahead of the words,
  // as the engine hands it on. The monitor and the receiver's reset request start empty.
  static void begin() {
    ale_frame_event(EV_RX_FRAME_BEGIN);
    clear_monitor();
    (void)receiver_reset_taken();
  }
  static void feed(std::initializer_list<AleWord> words) {
    for (AleWord w : words) ale_rx_parse_word(rec(w));
  }
  static void feed_bad(int n) {
    for (int i = 0; i < n; ++i) ale_rx_parse_word(rec(word(ALE_DATA, "ZZZ"), true));
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
};

}  // namespace vesk::test
