// Receiver muting, link hooks, scan start and stop.
#include "radio/muting.h"

#include <atomic>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/dispatch.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/radio_hooks.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

struct MutingState {
  std::atomic<int> muting{0};
};
MutingState& muting() { return station().state<MutingState>(); }

bool radio_open() { return serial_control(SERIAL_ROLE_RADIO).is_open(); }

// The muting table's command: mute (`on`) at the muted level or unmute at the normal one.
// The link hooks skip the radios whose row says "not on link".
void cat_af_level(bool on, int level, bool link_hook = false) {
  const RadioTypeRow& row = configured_radio();
  if (!row.mute_by_command || (link_hook && row.mute_not_on_link)) return;
  const FamilyOps& ops = radio_ops(row);
  if (link_hook && ops.link_mute) ops.link_mute(row, !on);
  else if (ops.mute) ops.mute(row, on, level);
  else if (ops.mute_af_gain) ops.mute_af_gain(row, level);
}

void scan_log(const char* text) {
  log_printf("[%s][%s][%s] \n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

}  // namespace

void radio_mute_lines_on() {
  SerialPort& port = radio_line_port();
  if (db_get_rts_mute() == 1) port.set_rts(true);
  if (db_get_dtr_mute() == 1) port.set_dtr(true);
}

void radio_mute_lines_off() {
  SerialPort& port = radio_line_port();
  if (db_get_rts_mute() == 1) port.set_rts(false);
  if (db_get_dtr_mute() == 1) port.set_dtr(false);
}

void radio_mute_on() {
  if (!radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(true, db_get_muted_af_level());
  else radio_mute_lines_on();
  muting().muting = 1;
}

void radio_mute_off() {
  if (!radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(false, db_get_unmuted_af_level());
  else radio_mute_lines_off();
  muting().muting = 0;
}

void radio_mute_toggle() {
  if (muting().muting.load() == 1) {
    radio_mute_off();
    radio_log_line("RADIO: RECEIVER MUTING DISABLED");
  } else {
    radio_mute_on();
    radio_log_line("RADIO: RECEIVER MUTING ENABLED");
  }
}

int radio_muting_get() { return muting().muting.load(); }

void radio_on_linked() {
  radio_flags().radio_linked_flag = 1;
  if (!radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(false, db_get_unmuted_af_level(), true);
  else radio_mute_lines_off();
}

void radio_on_unlinked() {
  const int atu = db_get_atu_type();
  if (atu == ATU_Z100) log_printf("TEST MSG: Z100 ATU BYPASS UNLINKED\n");
  else if (atu == ATU_LDG_PRO) atu_dtr_pulse();
  radio_flags().radio_linked_flag = 0;
  if (muting().muting.load() != 1 || !radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(true, db_get_muted_af_level(), true);
  else radio_mute_lines_on();
}

void radio_scan_start() {
  if (radio_link_state() != LINK_SCANNING_STOPPED) return;
  scan_log("SCANNING: SCANNING STARTED");
  const int atu = db_get_atu_type();
  if (atu == ATU_Z100) log_printf("TEST MSG: Z100 ATU BYPASS QSS INIT\n");
  else if (atu == ATU_LDG_PRO) atu_dtr_pulse();
  const RadioTypeRow& row = configured_radio();
  if (row.scan_start_splits && radio_ops(row).scan_split) radio_ops(row).scan_split(row, true);
}

void radio_scan_stop() {
  scan_log("SCANNING: SCANNING STOPPED");
  const RadioTypeRow& row = configured_radio();
  if (row.scan_stop_unsplits && radio_ops(row).scan_split) radio_ops(row).scan_split(row, false);
  ChannelRecord ch{};
  if (db_copy_channel(db_current_scan_channel(), &ch) < 0) return;
  const int atu = db_get_atu_type();
  if (ch.tuner_enable == 1) {
    switch (atu) {
      case ATU_RADIO_CAT: radio_cat_tuner_on(true); break;
      case ATU_AT200PC: atu_at200pc_tune(ch.rx_freq_hz, 100); break;
      case ATU_Z100: log_printf("TEST MSG: Z100 ATU TUNE 3\n"); break;
      case ATU_LDG_PRO: atu_dtr_pulse(); break;
      case ATU_RS232_LINES:
        log_printf("TEST MSG: RS232 ATU TUNE 3\n");
        atu_rts_pulse();
        break;
      default: break;
    }
  } else {
    switch (atu) {
      case ATU_RADIO_CAT: radio_cat_tuner_off(true); break;
      case ATU_AT200PC: atu_at200pc_bypass(true); break;
      case ATU_Z100: log_printf("TEST MSG: Z100 ATU BYPASS 4\n"); break;
      case ATU_STEPPIR: log_printf("TEST MSG: SteppIR ATU\n"); break;
      case ATU_LDG_PRO: atu_dtr_pulse(); break;
      case ATU_RS232_LINES:
        log_printf("TEST MSG: RS232 ATU BYPASS 4\n");
        atu_dtr_pulse();
        break;
      default: break;
    }
  }
  radio_set_freq_mode(ch);
}

}  // namespace vesk
