// Test support for the DTM and DBM receive fuzz targets: a temporary station (own address ABC)
// that hears one frame per input from B2, its words through the real parser.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/link_state.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/messages/send_queue.h"
#include "ale/words/word_build.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/fuzz_station.h"

namespace vesk::test {

struct MessageFuzzHarness : FuzzStation {
  explicit MessageFuzzHarness(const char* name) : FuzzStation(name) {
    StationScope scope(*st);
    ale_bind_layer_hooks();
    db_open();
    db_set_own_address_at("ABC", 0);
    db_add_other_address("B2", 0, 0, 0);
    api_queue_create();
    ale_word_io_init();
    ale_section_queues_init();
    dtm_dbm_queues_init();
    dtm_rx_init();
    dbm_rx_init();
  }
  static AleWord word(uint32_t type, const char* three) {
    return ale_make_word(type, static_cast<uint8_t>(three[0]), static_cast<uint8_t>(three[1]),
                         static_cast<uint8_t>(three[2]));
  }
  static void feed(AleWord w, bool bad = false) {
    RxWordRecord r;
    r.word = w;
    r.bad = bad ? 1 : 0;
    r.sinad = 10;
    ale_rx_word(r);
  }
  // Starts a frame addressed here; `end` closes it.
  static void start() {
    ale_link_init();
    ale_parser_reset();
    ale_cmd_reset();
    ale_frame_event(EV_RX_FRAME_BEGIN);
    feed(word(ALE_TO, "ABC"));
  }
  static void end() {
    feed(word(ALE_TIS, "B2@"));
    feed(0, true);
    ale_sections_flush();
    ale_rx_text_flush();
    ale_rx_data_flush();
  }
};

}  // namespace vesk::test
