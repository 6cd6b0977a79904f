// A station on simulated time with the database open, own addresses on the working channel,
// and the frame parser's events recorded with the text they carry.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ale/words/ale_word.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {

struct SeenEvent {
  int event;
  std::string text;
  bool operator==(const SeenEvent&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const SeenEvent& e) { return os << e.event << ":" << e.text; }

class FrameStationTest : public ::testing::Test {
 public:
  static AleWord word(uint32_t type, const char* three) {
    return ale_make_word(type, static_cast<uint8_t>(three[0]), static_cast<uint8_t>(three[1]),
                         static_cast<uint8_t>(three[2]));
  }

 protected:
  FrameStationTest() : station_(dir_.path(), std::make_unique<SimClock>()), scope_(station_) {
    db_open();
    // Own addresses ABC (index 0, the working channel's) and XYZ.
    db_set_own_address_at("ABC", 0);
    db_set_own_address_at("XYZ", 1);
    db_select_channel(0);
    rx_parser_state().seams.frame_event = [this](int ev) { events_.push_back({ev, ale_rx_accumulator()}); };
  }

  static RxWordRecord rec(AleWord w, bool bad = false) {
    RxWordRecord r;
    r.word = w;
    r.bad = bad ? 1 : 0;
    r.sinad = 10;
    return r;
  }
  void feed(std::initializer_list<AleWord> words) {
    for (AleWord w : words) ale_rx_parse_word(rec(w));
  }
  void feed_bad(int n) {
    for (int i = 0; i < n; ++i) ale_rx_parse_word(rec(word(ALE_DATA, "ZZZ"), true));
  }
  std::vector<int> event_numbers() const {
    std::vector<int> out;
    for (const SeenEvent& e : events_) out.push_back(e.event);
    return out;
  }

  TempDir dir_;
  Station station_;
  StationScope scope_;
  std::vector<SeenEvent> events_;
};

}  // namespace vesk::test
