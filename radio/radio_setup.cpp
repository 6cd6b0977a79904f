// Radio set-up: the port sequence and the radio block of each type; the set-up commands are
// the radio family's.
#include "radio/radio_setup.h"

#include <cstdio>
#include <mutex>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/setup_script.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/port_reopen.h"
#include "radio/radio_hooks.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

struct RadioSetupState {
  std::mutex running;  // one set-up at a time
};

void pause_ms(int ms) { radio_pause_ms(ms); }

void run_start_step(SetupStart start) {
  switch (start) {
    case SetupStart::KenwoodReadId: kenwood_read_id(cat_slot_next()); break;
    case SetupStart::KenwoodVfo:
      if (db_get_resources() != 1) {
        kenwood_set_rx_vfo(cat_slot_next(), 0);
        pause_ms(kSequencePauseMs);
        kenwood_set_tx_vfo(cat_slot_next(), 0);
        pause_ms(kSequencePauseMs);
      }
      break;
    case SetupStart::Driver:
      if (const RadioTypeRow& row = configured_radio(); radio_ops(row).setup_start) radio_ops(row).setup_start(row);
      break;
  }
}

// A port step; false when the port refused it.
bool run_port_step(SerialPort& port, const SetupStep& s) {
  switch (s.kind) {
    case SetupStepKind::Pause: pause_ms(s.value); return true;
    case SetupStepKind::Handshake: return port.set_handshaking(s.value) == 0;
    case SetupStepKind::Rts: return port.set_rts(s.value != 0) == 0;
    case SetupStepKind::Dtr: return port.set_dtr(s.value != 0) == 0;
    case SetupStepKind::Break: return port.set_break(s.value != 0) == 0;
    case SetupStepKind::Start: run_start_step(s.start); return true;
    case SetupStepKind::Timer:
      if (auto& start = serial_queues().timers.start) start(s.value, s.extra);
      return true;
    case SetupStepKind::End: return true;
  }
  return true;
}

std::string configured_settings_text() {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%c,%c,%c", static_cast<int>(db_option_int(opt::RADIO_BAUD)),
                static_cast<char>(db_option_byte(opt::RADIO_PARITY)),
                static_cast<char>(db_option_byte(opt::RADIO_DATA_BITS)),
                static_cast<char>(db_option_byte(opt::RADIO_STOP_BITS)));
  return text;
}

// The radio block. False when a port operation failed (the set-up then ends).
bool radio_block(int type) {
  const RadioSetupRow* row = radio_setup_row(type);
  if (row == nullptr) return true;
  if (!radio_type_driver_built(type)) {
    char text[160];
    std::snprintf(text, sizeof text, "%s: radio driver not built yet, radio port left closed",
                  radio_type_options_text(type));
    radio_setup_line(text);
    return true;
  }
  const RadioTypeRow& desc = radio_type_row(type);
  const FamilyOps& ops = radio_ops(desc);
  if (ops.setup_before_port) ops.setup_before_port(*row);
  if (row->model_detected) db_set_option_byte(opt::RADIO_MODEL_DETECTED, 1);

  // A family may give the port's settings itself (none: the port keeps its settings), or
  // leave the port closed (it says why).
  std::string settings = radio_setup_settings_text(type);
  bool apply_settings = true;
  if (ops.port_settings) {
    const int how = ops.port_settings(settings);
    if (how < 0) return true;
    apply_settings = how > 0;
  }
  SerialPort& port = serial_control(SERIAL_ROLE_RADIO);
  port.set_port_number(db_get_radio_port());
  if (port.open() != 0) return false;
  if (apply_settings && port.set_settings(settings) != 0) return false;
  int first = 0;
  if (row->handshake_first && row->after[0].kind == SetupStepKind::Handshake) {
    if (!run_port_step(port, row->after[0])) return false;
    first = 1;
  }
  if (row->term_first >= 0)
    serial_set_reply_terminators(SERIAL_ROLE_RADIO, static_cast<uint8_t>(row->term_first),
                                 static_cast<uint8_t>(row->term_second));
  for (int i = first; i < kSetupMaxSteps && row->after[static_cast<std::size_t>(i)].kind != SetupStepKind::End; ++i)
    if (!run_port_step(port, row->after[static_cast<std::size_t>(i)])) return false;

  if (ops.setup_commands) ops.setup_commands(desc, *row);
  else if (row->lines_only)
    log_printf("[%s][%s][Radio Type NONE is active. Only RTS/DTR for PTT available.]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str());
  // Kenwood types: the model's own set-up follows its answer to "ID;" (reply dispatch).
  // A command the port refused while the block ran counts as a radio port failure.
  return port.is_open();
}

void port_failure(const char* what, int number) {
  char text[96];
  std::snprintf(text, sizeof text, "ERROR: Serial Port %d NOT Available for %s", number, what);
  radio_message_box(text);
}

// The row's terminators are the accessory port's own; the radio port keeps its framing.
bool open_accessory(SerialPortRole role, int number, const AccessoryPortRow& row) {
  SerialPort& port = serial_control(role);
  port.set_port_number(number);
  if (port.open() != 0) return false;
  if (row.settings != nullptr && port.set_settings(row.settings) != 0) return false;
  if (row.term_first >= 0)
    serial_set_reply_terminators(role, static_cast<uint8_t>(row.term_first), static_cast<uint8_t>(row.term_second));
  if (row.pause_before_lines_ms > 0) pause_ms(row.pause_before_lines_ms);
  if (port.set_dtr(false) != 0 || port.set_rts(false) != 0) return false;
  if (row.pause_after_lines_ms > 0) pause_ms(row.pause_after_lines_ms);
  return true;
}

template <std::size_t N>
const AccessoryPortRow* accessory_row(const std::array<AccessoryPortRow, N>& rows, int type) {
  for (const AccessoryPortRow& r : rows)
    if (r.type == type) return &r;
  return nullptr;
}

int tnc_handshaking(int option) {
  switch (option) {
    case 0: return SERIAL_HANDSHAKE_NONE;
    case 2: return SERIAL_HANDSHAKE_XON_XOFF;
    case 3: return SERIAL_HANDSHAKE_RTS_XON_XOFF;
    default: return SERIAL_HANDSHAKE_RTS;
  }
}

bool tnc_block(int number) {
  SerialPort& port = serial_control(SERIAL_ROLE_TNC);
  port.set_port_number(number);
  if (port.open() != 0) return false;
  char text[32];
  std::snprintf(text, sizeof text, "%d,N,8,1", db_get_tnc_baud());
  if (port.set_settings(text) != 0) return false;
  if (port.set_handshaking(tnc_handshaking(db_get_tnc_handshake())) != 0) return false;
  if (port.clear_input() != 0 || port.clear_output() != 0) return false;
  const ReplyTerminators t = serial_reply_terminators(SERIAL_ROLE_TNC);
  serial_set_reply_terminators(SERIAL_ROLE_TNC, 0x0D, t.second);
  pause_ms(kSequencePauseMs);
  return true;
}

}  // namespace

void radio_setup_line(const std::string& text) {
  log_printf("[%s][%s][Radio Setup: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
             text.c_str());
}

namespace {
void run_script_steps(std::span<const SetupScriptStep> steps) {
  for (const SetupScriptStep& step : steps) {
    switch (step.kind) {
      case SetupScriptKind::Line: radio_setup_line(step.text); break;
      case SetupScriptKind::Bytes: cat_send(reinterpret_cast<const uint8_t*>(step.text), step.length); break;
      case SetupScriptKind::Pause: radio_pause_ms(kSequencePauseMs); break;
    }
  }
}
}  // namespace

void radio_setup_run_script(const SetupScript& script, bool preconfig_off) {
  run_script_steps(script.open);
  if (!preconfig_off) run_script_steps(script.preconfig);
  else if (script.disabled_line) radio_setup_line(kPreconfigDisabledLine);
  run_script_steps(script.close);
}

bool radio_type_driver_built(int type) {
  const RadioSetupRow* setup = radio_setup_row(type);
  return family_ops(radio_type_family(type)).built || (setup != nullptr && setup->lines_only);
}
std::string radio_setup_settings_text(int type) {
  const RadioSetupRow* row = radio_setup_row(type);
  if (row == nullptr) return {};
  if (row->always_configured) return configured_settings_text();
  if (row->configurable && db_option_int(opt::RADIO_BAUD) != 0) return configured_settings_text();
  return row->settings != nullptr ? row->settings : "";
}

void radio_setup() {
  std::lock_guard<std::mutex> one_at_a_time(station().state<RadioSetupState>().running);
  // A Kenwood radio's next identity reply sets its model up again.
  kenwood_identify_reset();
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  SerialPort& ptt = serial_control(SERIAL_ROLE_PTT);
  // 1. Close the four ports; a port that was not open is no failure here.
  radio.close();
  ptt.close();
  serial_control(SERIAL_ROLE_ATU).close();
  serial_control(SERIAL_ROLE_ANT_SWITCH).close();
  // 2. The frequency last put on the radio.
  db_set_option_byte(opt::RADIO_MODEL_DETECTED, 0);
  radio_flags().radio_last_tx_freq = db_get_current_tx_freq();
  radio_set_tuned_tx_freq(db_get_current_tx_freq());
  // 3. DTR low on the radio port for DTR keying or muting.
  if (db_get_dtr_ptt() != 0) radio.set_dtr(false);
  if (db_get_dtr_mute() != 0) radio.set_dtr(false);
  // 4. The radio type's block.
  if (!radio_block(driver_radio_type())) {
    port_failure("Radio 1", db_get_radio_port());
    return;
  }
  // 5. Transmitter released, receiver as unlinked.
  ptt_off();
  radio_on_unlinked();
  // 6. Emulation port.
  emul_port_open_basic();
  // 7. PTT-line port.
  const int alt_ptt = db_get_alt_ptt_port();
  if (alt_ptt != db_get_reopened_radio_port()) {
    ptt.set_port_number(alt_ptt);
    if (ptt.open() != 0 || ptt.set_rts(false) != 0 || ptt.set_dtr(true) != 0) {
      port_failure("Alternate PTT", db_get_alt_ptt_port());
      return;
    }
  }
  if (db_get_dtr_ptt() != 0) ptt.set_dtr(false);
  // 8. Tuner port.
  if (const int n = db_get_atu_port(); n != 0) {
    if (const AccessoryPortRow* row = accessory_row(kTunerPortRows, db_get_atu_type())) {
      if (!open_accessory(SERIAL_ROLE_ATU, n, *row)) {
        port_failure("External ATU", db_get_atu_port());
        return;
      }
    }
  }
  // 9. Antenna-switch port.
  if (const int n = db_get_ant_switch_port(); n != 0) {
    if (const AccessoryPortRow* row = accessory_row(kAntSwitchPortRows, db_get_ant_switch_type())) {
      if (!open_accessory(SERIAL_ROLE_ANT_SWITCH, n, *row)) {
        port_failure("External ATN SW", db_get_ant_switch_port());
        return;
      }
    }
  }
  // 10. TNC port: a failure ends the set-up without a message.
  if (const int n = db_get_tnc_port(); n != 0) tnc_block(n);
}

}  // namespace vesk
