#include "radio/radio_shutdown.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "db/options.h"
#include "platform/station.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/cat_encode.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "radio/timer_steps.h"

namespace vesk {

namespace {

constexpr int kShutdownPauseMs = 200;

// The command is handed to the queue, or written at once; the CAT tap sees both.
void send_command(const std::string& command, bool now) {
  const auto* b = reinterpret_cast<const uint8_t*>(command.data());
  const int n = static_cast<int>(command.size());
  if (!now) {
    cat_send(b, n);
    return;
  }
  if (const auto& tap = cat_tap().on_send) tap(b, n);
  radio_send_now(b, n);
}

void run_step(const ShutdownStep& step, const RadioTypeRow& type_row, int level) {
  switch (step.kind) {
    case ShutdownKind::CivSplitOff: civ_split_off(); break;
    case ShutdownKind::CivAfGain: civ_set_af_gain(level); break;
    case ShutdownKind::KenwoodVfoA: kenwood_set_rx_vfo(cat_slot_next(), 0); break;
    case ShutdownKind::KenwoodTxVfoA: kenwood_set_tx_vfo(cat_slot_next(), 0); break;
    case ShutdownKind::KenwoodAf:
      if (kenwood_model_full_featured()) kenwood_set_af_gain(cat_slot_next(), level);
      break;
    case ShutdownKind::Bytes: send_command(std::string(step.text, step.length), false); break;
    case ShutdownKind::Level3: {
      char digits[16];
      std::snprintf(digits, sizeof digits, "%03d", level < 0 ? 0 : level % 1000);
      send_command(std::string(step.text, step.length) + digits + std::string(step.tail, step.tail_length), false);
      break;
    }
    case ShutdownKind::LevelByte:
      send_command(std::string(step.text, step.length) + static_cast<char>(level & 0xFF) +
                       std::string(step.tail, step.tail_length),
                   false);
      break;
    case ShutdownKind::Level255Now: {
      const int scaled = static_cast<int>(level * 2.55) & 0xFF;
      send_command(std::string(step.text, step.length) + static_cast<char>(scaled) +
                       std::string(step.tail, step.tail_length),
                   true);
      break;
    }
    case ShutdownKind::Picoa: {
      std::string s = std::string("$PICOA,90,0") + type_row.marine_id + std::string(step.text, step.length);
      if (step.tail_length > 0) {
        // The NMEA checksum of what lies between '$' and '*'.
        const auto* b = reinterpret_cast<const uint8_t*>(s.data());
        uint8_t hex[2];
        put_hex_byte(hex, xor_checksum(b + 1, b + s.size()));
        s += '*';
        s.append(reinterpret_cast<const char*>(hex), 2);
      }
      send_command(s + "\r\n", false);
      break;
    }
    case ShutdownKind::Pause: driver_pause_ms(kShutdownPauseMs); break;
    case ShutdownKind::FamilyAf:
    case ShutdownKind::FamilyMuteOff:
    case ShutdownKind::FamilyShutdown: {
      const RadioTypeRow& row = configured_radio();
      const FamilyOps& ops = radio_ops(row);
      if (step.kind == ShutdownKind::FamilyAf && ops.set_af_gain) ops.set_af_gain(row, level);
      if (step.kind == ShutdownKind::FamilyMuteOff && ops.mute) ops.mute(row, false, level);
      if (step.kind == ShutdownKind::FamilyShutdown && ops.shutdown) ops.shutdown(row);
      break;
    }
  }
}

}  // namespace

void radio_shutdown() {
  // A transmission cut short by the shut-down: the transmitter is released first.
  if (ptt_is_active() != 0) ptt_off();
  // A radio port that is not open (a make whose driver is not built) takes the commands and
  // writes nothing.
  const RadioTypeRow& type_row = radio_type_row(driver_radio_type());
  const bool cat_mute = db_get_cat_mute() == 1;
  const int level = db_get_unmuted_af_level();
  for (const ShutdownStep& step : type_row.shutdown_steps)
    if (!step.af || cat_mute) run_step(step, type_row, level);
  radio_mute_lines_off();
}

// The Skanti's bytes wait in its pacing buffer before they reach the radio queue.
bool radio_queue_drained() { return serial_queue_count(SQ_RADIO) == 0 && skanti_buffer_empty(); }

void serial_release_ports() {
  for (int role = 0; role < SERIAL_ROLE_COUNT; ++role) {
    SerialPort& port = serial_control(static_cast<SerialPortRole>(role));
    if (!port.is_open()) continue;
    port.set_rts(false);
    port.set_dtr(false);
    port.close();
  }
}

}  // namespace vesk
