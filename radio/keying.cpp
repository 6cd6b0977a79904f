// Transmitter keying, the transmit frequency before a transmission and the tuner's tune.
#include "radio/keying.h"

#include <atomic>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/driver_steps.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/channel.h"
#include "radio/radio_hooks.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

struct KeyingState {
  std::atomic<int> operator_call{0};
  std::atomic<int> tuned_tx_hz{0};
};
KeyingState& keying() { return station().state<KeyingState>(); }

void wait_ms(int ms) { station().clock().sleep_ms(ms); }

bool radio_open() { return serial_control(SERIAL_ROLE_RADIO).is_open(); }

bool line_ptt() { return db_get_rts_ptt() == 1 || db_get_dtr_ptt() == 1; }

// The second stamp of the PTT lines: the channel's transmit stamp while scanning is stopped,
// else the frequency last put on the radio.
std::string ptt_stamp() {
  return radio_scanning() ? log_tuned_freq_stamp(db_current_channel_number()) : log_current_channel_tx_stamp();
}

int scan_channel_tx_mode() {
  ChannelRecord ch{};
  if (db_copy_channel(db_current_scan_channel(), &ch) < 0) return -1;
  return ch.tx_mode;
}

void ptt_log(const char* text, const std::string& stamp) {
  log_printf("[%s][%s][%s]\n", log_time_stamp().c_str(), stamp.c_str(), text);
}

}  // namespace

int radio_tuned_tx_freq() { return keying().tuned_tx_hz.load(); }
void radio_set_tuned_tx_freq(int hz) { keying().tuned_tx_hz = hz; }

bool kenwood_model_full_featured() {
  const int32_t m = kenwood_model();
  return m == 15 || (m >= 17 && m <= 21);
}

namespace {
int cat_tuner(TunerStep step, bool at_scan_stop) {
  const RadioTypeRow& row = configured_radio();
  if (!row.tuner_command || (at_scan_stop && !row.tuner_at_scan_stop) || radio_ops(row).tuner == nullptr) return 0;
  return radio_ops(row).tuner(row, step);
}
}  // namespace

int radio_cat_tuner_on(bool at_scan_stop) { return cat_tuner(TunerStep::On, at_scan_stop); }
int radio_cat_tuner_off(bool at_scan_stop) { return cat_tuner(TunerStep::Bypass, at_scan_stop); }
int radio_cat_tuner_start() { return cat_tuner(TunerStep::Start, false); }
int radio_cat_tuner_stop() {
  switch (configured_radio().tuner_stop) {
    case TunerStop::Bypass: return cat_tuner(TunerStep::Bypass, false);
    case TunerStop::Off: return cat_tuner(TunerStep::Off, false);
    case TunerStop::Nothing: break;
  }
  return 0;
}

SerialPort& radio_line_port() {
  return db_get_alt_ptt_port() == db_get_reopened_radio_port() ? serial_control(SERIAL_ROLE_RADIO)
                                                               : serial_control(SERIAL_ROLE_PTT);
}

void ptt_lines_on() {
  SerialPort& port = radio_line_port();
  if (db_get_rts_ptt() == 1) port.set_rts(true);
  if (db_get_dtr_ptt() == 1) port.set_dtr(true);
}

void ptt_lines_off() {
  SerialPort& port = radio_line_port();
  if (db_get_rts_ptt() == 1) port.set_rts(false);
  if (db_get_dtr_ptt() == 1) port.set_dtr(false);
}

int ptt_on() {
  if (db_current_channel_tx_allowed() == 0) return 0;
  if (auto& twa = serial_poll_hooks().timer_start_twa) twa();
  if (radio_open()) {
    display_set_tx();
    radio_flags().ptt_active_flag = 1;
    // A family's own keying sequence goes out whatever the keying lines; a key command only
    // when no line keys the transmitter.
    const RadioTypeRow& row = configured_radio();
    const FamilyOps& ops = radio_ops(row);
    const bool sequence = ops.keying != nullptr && ops.keying(row, true, false);
    if (!sequence && !line_ptt()) driver_step_ptt_on(db_get_current_tx_mode());
    if (db_get_ptt_status_display() == 1)
      ptt_log(db_get_atu_tone_tune() == 1 || db_get_atu_tune_words() != 0 ? "RADIO: ATU PTT now ACTIVE"
                                                                            : "RADIO: PTT now ACTIVE",
              ptt_stamp());
    ptt_lines_on();
    return 1;
  }
  // Nothing can key the transmitter: the caller is told, and the log says so.
  log_printf("[%s][%s][PTT ERROR: No PTT. Radio port closed.]\n", log_time_stamp().c_str(),
             ptt_stamp().c_str());
  return 0;
}

int ptt_off() {
  if (radio_open()) {
    // The unkey goes out also when the transmitter was keyed by a line only.
    driver_step_ptt_off();
    if (db_get_ptt_status_display() == 1) ptt_log("RADIO: PTT now RELEASED", ptt_stamp());
    display_set_rx();
    radio_flags().ptt_active_flag = 0;
    ptt_lines_off();
  }
  return 1;
}

int ptt_on_manual() {
  if (db_current_channel_tx_allowed() == 0) return 0;
  if (radio_open()) {
    const RadioTypeRow& row = configured_radio();
    const int tx_mode = scan_channel_tx_mode();
    display_set_tx();
    radio_flags().ptt_active_flag = 1;
    if (radio_ops(row).keying != nullptr && radio_ops(row).keying(row, true, true)) {
      // the family's own sequence
    } else if (!line_ptt() && row.manual_ptt_command) {
      if (row.manual_ptt_swaps_data_mode) {
        if (tx_mode == MODE_USB_D) radio_ops(row).set_mode(row, MODE_USB);
        else if (tx_mode == MODE_LSB_D) radio_ops(row).set_mode(row, MODE_LSB);
      }
      driver_step_ptt_on(db_get_current_tx_mode());
    }
    ptt_lines_on();
    if (db_get_ptt_status_display() == 1)
      ptt_log("RADIO: PTT now ACTIVE", log_current_channel_tx_stamp());
    return 1;
  }
  log_printf("[%s][%s][PTT ERROR: No PTT. Radio port closed.]\n", log_time_stamp().c_str(),
             log_current_channel_tx_stamp().c_str());
  return 0;
}

int ptt_off_manual() {
  if (radio_open()) {
    const RadioTypeRow& row = configured_radio();
    const int tx_mode = scan_channel_tx_mode();
    display_set_rx();
    radio_flags().ptt_active_flag = 0;
    if (radio_ops(row).keying != nullptr && radio_ops(row).keying(row, false, true)) {
      // the family's own sequence
    } else if (row.manual_ptt_command) {
      driver_step_ptt_off();
      if (row.manual_ptt_swaps_data_mode && (tx_mode == MODE_USB_D || tx_mode == MODE_LSB_D))
        radio_ops(row).set_mode(row, tx_mode);
    }
    ptt_lines_off();
    if (db_get_ptt_status_display() == 1)
      log_printf("[%s][%s][RADIO: PTT now RELEASED] \n", log_time_stamp().c_str(),
                 log_current_channel_tx_stamp().c_str());
  }
  if (auto& twa = serial_poll_hooks().timer_start_twa) twa();
  return 1;
}

void ptt_toggle() {
  if (radio_flags().ptt_active_flag.load() == 1) ptt_off_manual();
  else ptt_on_manual();
}

void radio_set_operator_call_flag(int on) { keying().operator_call = on; }
int radio_operator_call_flag() { return keying().operator_call.load(); }

// ---- tuner helpers ----

void atu_at200pc_message(const uint8_t* bytes, int count, int rts_ms, int gap_ms, int after_ms) {
  SerialPort& atu = serial_control(SERIAL_ROLE_ATU);
  atu.set_rts(true);
  wait_ms(rts_ms);
  atu.set_rts(false);
  wait_ms(gap_ms);
  atu_send(bytes, count);
  wait_ms(after_ms);
}

void atu_at200pc_bypass(bool long_pulses) {
  const int a = long_pulses ? 50 : 10, b = long_pulses ? 50 : 10, c = long_pulses ? 100 : 20;
  for (uint8_t byte : {uint8_t{';'}, uint8_t{','}}) atu_at200pc_message(&byte, 1, a, b, c);
}

int atu_at200pc_value(int rx_hz) {
  if (rx_hz <= 0) return -1;
  const int64_t value = int64_t{20480000000} / rx_hz;
  return value > 0xFFFF ? -1 : static_cast<int>(value);
}

void atu_at200pc_tune(int rx_hz, int after_first_ms) {
  const int value = atu_at200pc_value(rx_hz);
  if (value < 0) {
    // The tune value is 20,480,000,000 / frequency in 16 bits: no value for 0 Hz or below
    // 312,500 Hz, so no tune is sent at all.
    log_printf("[%s][%s][ATU ERROR: No tune. AT200PC cannot tune %d Hz.]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), rx_hz);
    return;
  }
  const uint8_t dash = '-', colon = ':';
  const uint8_t c[3] = {'C', static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)};
  atu_at200pc_message(&dash, 1, 50, 50, after_first_ms);
  atu_at200pc_message(&colon, 1, 50, 50, 100);
  atu_at200pc_message(c, 3, 50, 50, 100);
}

void atu_dtr_pulse() {
  SerialPort& atu = serial_control(SERIAL_ROLE_ATU);
  atu.set_dtr(true);
  wait_ms(db_get_atu_dtr_delay());
  atu.set_dtr(false);
  wait_ms(100);
}

void atu_rts_pulse() {
  SerialPort& atu = serial_control(SERIAL_ROLE_ATU);
  atu.set_rts(true);
  wait_ms(db_get_atu_rts_delay());
  atu.set_rts(false);
  wait_ms(100);
}

// ---- before a transmission ----

namespace {

bool link_state_in(int state, std::initializer_list<int> set) {
  for (int s : set)
    if (s == state) return true;
  return false;
}

}  // namespace

void radio_prepare_tx_freq() {
  const int state = radio_link_state();  // before the channel-setting lock (the link side's first)
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  if (state == LINK_TIS_IN_PROGRESS) {
    log_printf("[%s][%s][SCANNING: SENDING TIS SOUNDING] \n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str());
    radio_set_operator_call_flag(0);
  } else if (state == LINK_TWS_IN_PROGRESS) {
    log_printf("[%s][%s][SCANNING: SENDING TWS SOUNDING] \n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str());
    radio_set_operator_call_flag(0);
  }
  const int tx_hz = db_get_current_tx_freq();
  std::atomic<int>& last = radio_flags().radio_last_tx_freq;
  radio_set_tuned_tx_freq(tx_hz);
  const int32_t model = kenwood_model();
  if (model == 4 || model == 5) {
    last = tx_hz;
    return;
  }
  const bool changed = tx_hz != last.load();
  const int tx_mode = db_get_current_tx_mode();
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).prepare_tx) radio_ops(row).prepare_tx(row, tx_hz, tx_mode, changed);
  last = tx_hz;
}

void atu_tune_before_tx() {
  if (db_current_channel_tx_allowed() == 0) return;
  if (radio_take_tune_request() != 0) {
    switch (db_get_atu_type()) {
      case ATU_RADIO_CAT: radio_cat_tuner_start(); break;
      case ATU_AT200PC: atu_at200pc_tune(db_get_current_rx_freq(), 300); break;
      case ATU_Z100: log_printf("TEST MSG: Z100 ATU TUNE 2\n"); break;
      case ATU_RS232_LINES:
        log_printf("TEST MSG: RS232 ATU TUNE 2\n");
        atu_rts_pulse();
        break;
      default: break;
    }
  }
  const int state = radio_link_state();
  if (db_get_scan_active() == 1) {
    if (!link_state_in(state, {1, 3, 4, 5, 7, 8, 14, 17})) radio_prepare_tx_freq();
  } else {
    if (!link_state_in(state, {1, 3, 4, 5, 6, 7, 8, 11, 12, 14, 15, 17, 18, 19, 20, 21, 22})) radio_prepare_tx_freq();
  }
  if (db_get_scan_active() == 1 && radio_operator_call_flag() == 1) {
    log_printf("[%s][%s][RADIO: During Operator Initiated LQA Linked Call]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str());
    radio_prepare_tx_freq();
  }
}

}  // namespace vesk
