#include "radio/link_bind.h"

#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/link/state_machine.h"
#include "db/database.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/radio_hooks.h"
#include "radio/serial_queue.h"

namespace vesk {
namespace {

void set_channel(int n) {
  ChannelRecord ch{};
  if (db_copy_channel(n, &ch) >= 0) radio_set_channel(ch);
}

}  // namespace

void radio_link_bind() {
  StateMachineSeams& sm = state_machine().seams;
  sm.radio_listen = [] { radio_refresh_hook(); };
  sm.radio_scan_next_channel = [] { radio_scan_next_channel(); };
  sm.radio_retune = [] { set_channel(db_current_channel_index()); };
  sm.radio_on_linked = [] { radio_on_linked(); };
  sm.atu_tune_before_tx = [] { atu_tune_before_tx(); };
  sm.radio_prepare_tx_freq = [] { radio_prepare_tx_freq(); };
  sm.ptt_on = [] { ptt_on(); };
  sm.ptt_off = [] { ptt_off(); };
  sm.transmitter_keyed = [] { return radio_flags().ptt_active_flag.load(); };

  CallSetupSeams& calls = call_setup().seams;
  calls.radio_set_channel = set_channel;
  calls.radio_refresh = [] { radio_refresh_hook(); };
  calls.radio_on_unlinked = [] { radio_on_unlinked(); };

  RadioHooks& hooks = radio_hooks();
  if (!hooks.link_state) hooks.link_state = [] { return ale_link_state(); };
  if (!hooks.scanning) hooks.scanning = [] { return ale_scan_mode() == ALE_SCAN_MODE_SCANNING; };
}

}  // namespace vesk
