// Random received AQC-ALE word streams through the AQC-ALE receiver on a temporary station:
// each input is read as 4-byte words (24 word bits, a bad flag) of one frame, heard by a
// scanning station or, when the first byte is odd, by one linked in AQC-ALE signalling. The
// receiver hands what it finds to the frame event handler, and that to the link state machine.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/aqc_rx.h"
#include "ale/link/link_state.h"
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/fuzz_station.h"

namespace {

struct Harness : vesk::test::FuzzStation {
  Harness() : FuzzStation("vesk-aqc-fuzz-") {
    vesk::StationScope scope(*st);
    vesk::ale_bind_layer_hooks();
    vesk::db_open();
    vesk::db_set_own_address_at("ABC", 0);
    vesk::db_add_other_address("XYZ", 0, 0, 0);
    vesk::db_set_aqc_mode(1);
    vesk::db_enable_trace_rx_words();
    vesk::api_queue_create();
    vesk::ale_word_io_init();
    vesk::ale_section_queues_init();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  vesk::StationScope scope(*harness.st);
  vesk::ale_tx_flush();
  vesk::ale_sections_flush();
  vesk::ale_link_init();
  vesk::ale_link_event(vesk::EV_START_SCAN);
  if (size > 0 && (data[0] & 1) != 0) {
    vesk::ale_linked_add("XYZ");
    vesk::ale_enter_linked();
    vesk::ale_set_signalling_mode(vesk::ALE_SIGNALLING_ALTERNATE);
  }
  vesk::ale_frame_event_text(vesk::EV_AQC_FRAME_BEGIN, "");
  for (size_t i = 0; i + 4 <= size; i += 4) {
    vesk::RxWordRecord r;
    r.word = static_cast<uint32_t>(data[i]) << 16 | static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
    r.bad = data[i + 3] & 1;
    vesk::aqc_rx_word(r);
  }
  vesk::aqc_rx_frame_end();
  return 0;
}
