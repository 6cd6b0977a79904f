// Receiver muting, link hooks, scan start and stop.
#include "radio/muting.h"

#include <atomic>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/drivers/radio_types.h"
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

void wait_ms(int ms) { station().clock().sleep_ms(ms); }

bool radio_open() { return serial_control(SERIAL_ROLE_RADIO).is_open(); }

bool civ_mute_type(int type) {
  switch (type) {
    case DB_IC78: case DB_IC703: case DB_IC718: case DB_IC746: case DB_IC746PRO: case DB_IC756PRO:
    case DB_IC756PROII: case DB_IC756PROIII: case DB_IC7000: case DB_IC7700: case DB_IC7800: case DB_R75:
    case DB_R8500: case DB_R9500: case DB_IC7200: return true;
    default: return false;
  }
}

// The muting table's command at `level` (muted or normal). The link hooks skip the rows
// marked "mute on/off only"; no built type has such a row.
void cat_af_level(int level) {
  const int type = driver_radio_type();
  if (civ_mute_type(type)) civ_set_af_gain(level);
  else if ((type == DB_KENWOOD || type == DB_KENWOOD_HS) && kenwood_model_full_featured())
    kenwood_set_af_gain(cat_slot_next(), level);
  else if (type == DB_TK90 || type == DB_TK90_HS) tk90_set_af_gain(cat_slot_next(), level);
}

void scan_log(const char* text) {
  log_printf("[%s][%s][%s] \n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

bool split_scan_type(int type) {
  switch (type) {
    case DB_IC703: case DB_IC746: case DB_IC746PRO: case DB_IC756: case DB_IC756PRO: case DB_IC756PROII:
    case DB_IC756PROIII: case DB_IC765: case DB_IC775DSP: case DB_IC781: case DB_IC7700: case DB_IC7800:
      return true;
    default: return false;
  }
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
  if (db_get_cat_mute() == 1) cat_af_level(db_get_muted_af_level());
  else radio_mute_lines_on();
  muting().muting = 1;
}

void radio_mute_off() {
  if (!radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(db_get_unmuted_af_level());
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
  if (auto& f = radio_hooks().fs1052_set_link_addresses) f();
  if (!radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(db_get_unmuted_af_level());
  else radio_mute_lines_off();
}

void radio_on_unlinked() {
  const int atu = db_get_atu_type();
  if (atu == ATU_Z100) log_printf("TEST MSG: Z100 ATU BYPASS UNLINKED\n");
  else if (atu == ATU_LDG_PRO) atu_dtr_pulse();
  radio_flags().radio_linked_flag = 0;
  if (muting().muting.load() != 1 || !radio_open()) return;
  if (db_get_cat_mute() == 1) cat_af_level(db_get_muted_af_level());
  else radio_mute_lines_on();
}

void radio_scan_start() {
  if (radio_link_state() != LINK_SCANNING_STOPPED) return;
  scan_log("SCANNING: SCANNING STARTED");
  const int atu = db_get_atu_type();
  if (atu == ATU_Z100) log_printf("TEST MSG: Z100 ATU BYPASS QSS INIT\n");
  else if (atu == ATU_LDG_PRO) atu_dtr_pulse();
  const int type = driver_radio_type();
  if (split_scan_type(type)) {
    civ_split_on();
    wait_ms(200);
  } else if (type == DB_KENWOOD || type == DB_KENWOOD_HS) {
    const int32_t model = kenwood_model();
    if (model != 4 && model != 5) {
      kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(200);
      kenwood_set_tx_vfo(cat_slot_next(), 1), wait_ms(200);
    }
  }
}

void radio_scan_stop() {
  scan_log("SCANNING: SCANNING STOPPED");
  const int type = driver_radio_type();
  if (split_scan_type(type)) {
    civ_split_off();
    wait_ms(200);
  } else if (type >= DB_KENWOOD && type <= DB_KENWOOD4_HS) {
    kenwood_set_rx_vfo(cat_slot_next(), 0), wait_ms(200);
    kenwood_set_tx_vfo(cat_slot_next(), 0), wait_ms(200);
  }
  ChannelRecord ch{};
  if (db_copy_channel(db_current_scan_channel(), &ch) < 0) return;
  const int atu = db_get_atu_type();
  if (ch.tuner_enable == 1) {
    switch (atu) {
      case ATU_RADIO_CAT: radio_cat_tuner_on(false); break;
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
      case ATU_RADIO_CAT: radio_cat_tuner_off(false); break;
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
