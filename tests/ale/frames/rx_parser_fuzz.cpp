// Random received word streams through the frame parser on a temporary station: each input
// is read as 4-byte words (24 word bits, a bad flag, vote disagreements) of one frame heard by
// a scanning station. The parser hands what it finds to the frame event handler, and that to
// the link state machine.
#include <cstddef>
#include <cstdint>
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
#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "ale/dispatch/layer_hooks.h"
#include "tests/support/fuzz_station.h"

namespace {

struct Harness : vesk::test::FuzzStation {
  Harness() : FuzzStation("vesk-parser-fuzz-") {
    vesk::StationScope scope(*st);
    vesk::ale_bind_layer_hooks();
    vesk::db_open();
    vesk::db_set_own_address_at("ABC", 0);
    vesk::db_set_own_address_at("Q", 1);
    vesk::db_enable_wildcards();
    vesk::db_enable_trace_commands();
    vesk::db_enable_trace_rx_words();
    vesk::db_enable_trace_events();
    vesk::api_queue_create();
    vesk::ale_word_io_init();
    vesk::ale_section_queues_init();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  vesk::StationScope scope(*harness.st);
  // Each input starts on a station that is scanning, with nothing queued to send.
  vesk::ale_tx_flush();
  vesk::ale_sections_flush();
  vesk::ale_link_init();
  vesk::ale_link_event(vesk::EV_START_SCAN);
  vesk::ale_parser_reset();
  vesk::ale_cmd_reset();
  // The receiver found the frame: its begin goes ahead of the words.
  vesk::ale_frame_event(vesk::EV_RX_FRAME_BEGIN);
  for (size_t i = 0; i + 4 <= size; i += 4) {
    vesk::RxWordRecord r;
    r.word = static_cast<uint32_t>(data[i]) << 16 | static_cast<uint32_t>(data[i + 1]) << 8 | data[i + 2];
    r.bad = data[i + 3] & 1;
    r.vote_disagreements = data[i + 3] >> 2;
    r.sinad = data[i + 3];
    vesk::ale_rx_word(r);
    vesk::ale_rx_text_bits(static_cast<int>(r.word), data[i + 3] & 15);
    vesk::ale_rx_data_bits(static_cast<int>(r.word), data[i + 3] >> 3);
  }
  vesk::ale_rx_text_flush();
  vesk::ale_rx_data_flush();
  return 0;
}
