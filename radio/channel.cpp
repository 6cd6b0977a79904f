// Channel setting: attenuator, antenna port, tuner, frequency and mode through the radio's
// family operations.
#include "radio/channel.h"

#include <cstdio>
#include <string>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/sound_card_mixer.h"
#include "platform/station.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/radio_events.h"
#include "radio/radio_hooks.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

// Module state; every field is reached under radio_channel_lock().
struct ChannelState {
  int attenuator = 0;
  int last_antenna_port = 0;
  int tune_request = 0;
  bool mode_remembered = false;
  int remembered_rx_mode = 0;
  bool scanning = false;  // read by the channel setting in progress
};
ChannelState& chan() { return station().state<ChannelState>(); }

void wait_ms(int ms) { station().clock().sleep_ms(ms); }

void ant_error(const char* text) {
  log_printf("[%s][%s][ANT SW ERROR: No ANT port change. %s\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), text);
}

void send_attenuator(bool on) {
  const RadioTypeRow& row = configured_radio();
  if (row.attenuator_command && radio_ops(row).attenuator) radio_ops(row).attenuator(row, on);
}
// The radio's own antenna selection (antenna-switch type RADIO CAT).
void select_radio_antenna(const RadioTypeRow& row, int port) {
  if (radio_ops(row).select_antenna == nullptr) return;
  switch (radio_ops(row).select_antenna(row, port)) {
    case AntennaResult::Selected: wait_ms(100); break;
    case AntennaResult::NoSuchPort: {
      char text[96];
      if (row.antenna_error != nullptr)
        std::snprintf(text, sizeof text, "%s]", row.antenna_error);
      else
        std::snprintf(text, sizeof text, "%s only supports %d ports.]", row.antenna_name, row.antenna_ports);
      ant_error(text);
      break;
    }
    case AntennaResult::NotNow: break;
  }
}

void radio_cat_antenna(int port) {
  const RadioTypeRow& row = configured_radio();
  if (row.antenna_on_port_change) select_radio_antenna(row, port);
}

void antenna_step(const ChannelRecord& ch) {
  const int switch_type = db_get_ant_switch_type();
  if (switch_type == ANT_NONE) return;
  ChannelState& s = chan();
  const int port = ch.antenna_port;
  if (switch_type == ANT_LPT_LINES) {
    log_printf("TEST MSG: LPT LINES ANT SW SELECTED\n");
    if (port != s.last_antenna_port && port > 0) s.last_antenna_port = port;
    return;
  }
  if (port == s.last_antenna_port || port < 1) return;
  s.last_antenna_port = port;
  if (switch_type == ANT_RADIO_CAT) {
    radio_cat_antenna(port);
    return;
  }
  std::string limit;
  if (radio_switch_antenna(port, &limit) == AntennaSwitchResult::NoSuchPort) ant_error(limit.c_str());
}

void tuner_step(const ChannelRecord& ch, bool scanning) {
  ChannelState& s = chan();
  s.tune_request = 0;
  const bool wants = ch.tuner_enable == 1;
  if (scanning && wants) s.tune_request = 1;
  switch (db_get_atu_type()) {
    case ATU_RADIO_CAT:
      if (!scanning && wants) radio_cat_tuner_on();
      else radio_cat_tuner_off();
      break;
    case ATU_AT200PC:
      if (scanning) atu_at200pc_bypass(false);
      else if (wants) atu_at200pc_tune(ch.rx_freq_hz, 100);
      else atu_at200pc_bypass(true);
      break;
    case ATU_Z100:
      if (scanning) break;
      if (wants) {
        log_printf("TEST MSG: Z100 ATU TUNE 1.5\n");
      } else {
        log_printf("TEST MSG: Z100 ATU BYPASS 3\n");
        atu_dtr_pulse();
      }
      break;
    case ATU_STEPPIR:
      if (!scanning && wants) break;
      log_printf("TEST MSG: SteppIR ATU\n");
      break;
    case ATU_RS232_LINES:
      if (scanning) {
        log_printf(wants ? "TEST MSG: RS232 ATU BYPASS 1\n" : "TEST MSG: RS232 ATU BYPASS 2\n");
        atu_dtr_pulse();
      } else if (wants) {
        log_printf("TEST MSG: RS232 ATU TUNE 1.5\n");
        atu_rts_pulse();
      } else {
        log_printf("TEST MSG: RS232 ATU BYPASS 3\n");
        atu_dtr_pulse();
      }
      break;
    default: break;  // NONE, LDG PRO
  }
}

void frequency_step(const ChannelRecord& ch) {
  const RadioTypeRow& row = configured_radio();
  if (radio_ops(row).channel_freq_mode) radio_ops(row).channel_freq_mode(row, ch);
}

}  // namespace

AntennaSwitchResult radio_switch_antenna(int port, std::string* limit) {
  const int switch_type = db_get_ant_switch_type();
  auto too_high = [&](const char* text) {
    *limit = text;
    return AntennaSwitchResult::NoSuchPort;
  };
  switch (switch_type) {
    case ANT_LPT_LINES:
      log_printf("TEST MSG: LPT LINES ANT SW SELECTED\n");
      return AntennaSwitchResult::Switched;
    case ANT_RADIO_CAT: {
      const RadioTypeRow& row = configured_radio();
      if (radio_ops(row).select_antenna == nullptr || row.antenna_ports == 0 || row.antenna_on_channel_only)
        return AntennaSwitchResult::NotSupported;
      switch (radio_ops(row).select_antenna(row, port)) {
        case AntennaResult::Selected: wait_ms(100); return AntennaSwitchResult::Switched;
        case AntennaResult::NoSuchPort:
          *limit = row.antenna_error != nullptr ? std::string(row.antenna_error)
                                                : std::string(row.antenna_name) + " only supports " +
                                                      std::to_string(row.antenna_ports) + " ports.";
          return AntennaSwitchResult::NoSuchPort;
        case AntennaResult::NotNow: return AntennaSwitchResult::Silent;
      }
      return AntennaSwitchResult::Silent;
    }
    case ANT_LDG_DTS4:
    case ANT_LDG_DTS6: {
      const int ports = switch_type == ANT_LDG_DTS4 ? 4 : 6;
      if (port > ports) return too_high(ports == 4 ? "DTS-4 only supports 4 ports." : "DTS-6 only supports 6 ports.");
      const uint8_t msg[2] = {'R', static_cast<uint8_t>(port + 1)};
      ant_send(msg, 2);
      wait_ms(100);
      return AntennaSwitchResult::Switched;
    }
    case ANT_AT200PC: {
      if (port > 2) return too_high("AT200PC only supports 2 ports.");
      const uint8_t byte = port == 1 ? 0x0A : 0x0B;
      atu_at200pc_message(&byte, 1, 15, 15, 50);
      return AntennaSwitchResult::Switched;
    }
    case ANT_ACOM_2000S: {
      if (port > 10) return too_high("ACOM 2000S only supports 10 ports.");
      const uint8_t msg[6] = {'Q', 'q', 'W', '3', static_cast<uint8_t>('0' + port - 1), 0};
      ant_send(msg, 6);
      wait_ms(100);
      return AntennaSwitchResult::Switched;
    }
    case ANT_RS232_LINES: {
      if (port > 2) return too_high("RS-232 ANT SW LINES 2 ports.");
      SerialPort& p = serial_control(SERIAL_ROLE_ANT_SWITCH);
      if (port == 1) {
        p.set_dtr(false), wait_ms(100), p.set_rts(true), wait_ms(100);
      } else {
        p.set_rts(false), wait_ms(100), p.set_dtr(true), wait_ms(100);
      }
      return AntennaSwitchResult::Switched;
    }
    default: return AntennaSwitchResult::Silent;
  }
}

bool radio_mode_due(const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelState& s = chan();
  return !s.mode_remembered || s.remembered_rx_mode != channel.rx_mode || db_get_mode_resend() != 0;
}

void radio_mode_remember(const ChannelRecord& channel) {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  chan().mode_remembered = true;
  chan().remembered_rx_mode = channel.rx_mode;
}

bool radio_channel_scanning() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  return chan().scanning;
}

bool radio_mode_first() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  return !chan().mode_remembered;
}

int radio_tune_request() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  return chan().tune_request;
}

int radio_take_tune_request() {
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const int r = chan().tune_request;
  chan().tune_request = 0;
  return r;
}

void radio_set_channel(int index, const ChannelRecord& channel) {
  // Read before the channel-setting lock: the engine's scan mode belongs to the link side,
  // whose lock is always taken first.
  const bool scanning = radio_scanning();
  std::lock_guard<std::recursive_mutex> serial(radio_channel_lock());
  const ChannelRecord ch = channel;  // the caller's record may change while this runs
  ChannelState& s = chan();
  s.scanning = scanning;
  // 1. Working channel, by its table index: the record's number byte reads 0 for channel 256.
  db_select_channel(index);
  // 2. Transmit level.
  mixer_set_wave_out_level(db_get_channel_tx_audio() == 1 ? ch.tx_level : db_get_tx_audio_level());
  // 3. Attenuator.
  if (ch.attenuator == 1 && s.attenuator == 0) {
    s.attenuator = 1;
    send_attenuator(true);
  } else if (ch.attenuator != 1 && s.attenuator == 1) {
    s.attenuator = 0;
    send_attenuator(false);
  }
  // 4. Antenna port.
  antenna_step(ch);
  // 5. Tuner.
  tuner_step(ch, scanning);
  // 6. Frequency and mode.
  frequency_step(ch);
  radio_set_tuned_tx_freq(ch.tx_freq_hz);
  // 7.
  db_clear_mode_resend();
  // 8. The radio's antenna again, whether or not the port changed.
  const RadioTypeRow& row = configured_radio();
  if (db_get_ant_switch_type() == ANT_RADIO_CAT && ch.antenna_port > 0 && row.antenna_after_channel)
    select_radio_antenna(row, ch.antenna_port);
}

void radio_scan_next_channel() {
  if (db_get_scan_active() == 1) {
    const int index = db_next_scan_channel();
    ChannelRecord ch{};
    if (index >= 0 && db_copy_channel(index, &ch) >= 0) {
      radio_set_channel(index, ch);
      if (auto& start = serial_queues().timers.start) start(EV_RADIO_SCAN_COMMAND_SENT, 20);
    }
  }
  // The engine's channel-set hook does nothing.
}

namespace {
void step_channel(int index) {
  ChannelRecord ch{};
  if (index >= 0 && db_copy_channel(index, &ch) >= 0) radio_set_channel(index, ch);
}
}  // namespace

void radio_channel_up() { step_channel(db_next_scan_channel()); }
void radio_channel_down() { step_channel(db_prev_scan_channel()); }

}  // namespace vesk
