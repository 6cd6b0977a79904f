// Frequency, mode and level dispatch through the radio's family operations.
#include "radio/dispatch.h"

#include <atomic>
#include <mutex>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/muting.h"
#include "radio/radio_hooks.h"

namespace vesk {

namespace {

struct DispatchState {
  std::atomic<int> af_level{0};
  std::atomic<int> vfo_freq{0};
  std::atomic<int> emul_mode{0};
};
DispatchState& dispatch() { return station().state<DispatchState>(); }

}  // namespace

int radio_af_level() { return dispatch().af_level.load(); }
int radio_vfo_freq() { return dispatch().vfo_freq.load(); }
void radio_set_vfo_freq(int hz) { dispatch().vfo_freq = hz; }
int radio_emul_mode() { return dispatch().emul_mode.load(); }

void radio_set_af_level(int level) {
  dispatch().af_level = level;
  if (radio_muting_get() == 1) return;
  const RadioTypeRow& row = configured_radio();
  if (row.af_level_command && radio_ops(row).set_af_gain) radio_ops(row).set_af_gain(row, level);
}
int radio_load_af_level() {
  const int level = db_get_unmuted_af_level();
  dispatch().af_level = level;
  return level;
}

void radio_tune_channel(int index, const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord ch = channel;
  db_select_channel(index);
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).tune_channel) radio_ops(row).tune_channel(row, ch);
  db_clear_mode_resend();
}
void radio_set_freq_mode(const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord ch = channel;
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).set_freq_mode) radio_ops(row).set_freq_mode(row, ch);
}
void radio_set_split_freq_mode() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord w = db_current_channel();
  const RadioTypeRow& row = configured_radio();
  if (row.split_sets_freq_mode && radio_ops(row).split_freq_mode) radio_ops(row).split_freq_mode(row, w);
}
void radio_reset_alechan() {
  if (radio_scanning()) {
    radio_set_split_freq_mode();
    return;
  }
  ChannelRecord ch{};
  if (db_copy_channel(db_current_scan_channel(), &ch) == 0) radio_set_freq_mode(ch);
}
void radio_set_mode(int mode) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  dispatch().emul_mode = mode;
  const RadioTypeRow& row = configured_radio();
  if (row.emulation_sets_mode && radio_ops(row).set_mode) radio_ops(row).set_mode(row, mode);
  // The whole-channel radios (scratch channel 0) come with their drivers.
}
void radio_set_freq(int hz) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const RadioTypeRow& row = configured_radio();
  if (row.emulation_sets_freq && radio_ops(row).set_freq) radio_ops(row).set_freq(row, static_cast<uint32_t>(hz));
}
// The FT757GX's refresh step sends nothing; the SKANTI-8250's is its family's.
void radio_refresh_hook() {
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).refresh) radio_ops(row).refresh(row);
}
void radio_store_channel_hook(const ChannelRecord& channel) {
  const ChannelRecord ch = channel;
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).store_channel) radio_ops(row).store_channel(row, ch);
}

}  // namespace vesk
