// Received-AMD store flush.
#include "ale/frames/amd_store.h"

#include <cstring>

#include "ale/frames/frame_events.h"
#include "ale/engine/host_reports.h"
#include "db/database.h"
#include "db/log_lines.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/clock.h"
#include "platform/station.h"

namespace vesk {

namespace {

AmdStoreEntry make_entry(const FrameContext& c, const char* text) {
  AmdStoreEntry e{};
  e.valid = 1;
  e.time_received = static_cast<uint32_t>(station().clock().utc_ms() / 1000);
  std::memcpy(e.sender, c.caller.data(), strnlen(c.caller.data(), sizeof e.sender - 1));
  std::memcpy(e.text, text, strnlen(text, sizeof e.text - 1));
  e.channel = db_current_channel_index();
  return e;
}

void flush(bool aqc) {
  FrameEventState& st = frame_event_state();
  FrameContext& c = st.ctx;
  const int count = c.amd_count < kFrameAmdMax ? c.amd_count : kFrameAmdMax;
  for (int i = 0; i < count; ++i) {
    FrameAmdText& text = c.amd_texts[static_cast<std::size_t>(i)];
    const AmdStoreEntry entry = make_entry(c, text.data());
    db_store_amd(entry);
    if (aqc) {
      log_aqc_amd(entry, c.aqc.amd_check_state);
    } else {
      log_amd_entry(entry);
    }
    ale_host_report_amd_received(c.addressed_own.data(), entry.text, entry.sender);
    if (!aqc) ale_remote_amd_command(c.addressed_own.data(), entry.sender, entry.text);
    text = {};
  }
  c.amd_count = 0;
}

}  // namespace

void ale_amd_store_flush() { flush(false); }
void aqc_amd_store_flush() { flush(true); }

}  // namespace vesk
