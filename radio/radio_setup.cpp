// Radio set-up: the port sequence, the radio block of each type and the set-up commands of
// the Icom CI-V, Kenwood, TK-80/TK-90 and NONE types.
#include "radio/radio_setup.h"

#include <cstdio>
#include <mutex>

#include "ale/link/link_state.h"
#include "ale/link/voice_id.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/cat_contract.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/kenwood_tk.h"
#include "radio/drivers/radio_types.h"
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

constexpr const char* kDisabledLine = "Radio Setup Preconfiguration is Disabled";

void setup_line(const std::string& text) {
  log_printf("[%s][%s][Radio Setup: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
             text.c_str());
}

void pause_ms(int ms) { station().clock().sleep_ms(ms); }

// The CI-V set-up steps: status line text after the label, and the command.
struct CivSetupStep {
  const char* code;
  const char* text;
  int (*command)();
};
constexpr CivSetupStep kCivSetupSteps[] = {
    {"S", "set SPLIT MODE to OFF", civ_split_off},
    {"W", "set Dual Watch OFF", civ_dual_watch_off},
    {"Q", "supports SPLIT MODE for QS/S", nullptr},
    {"Qp", "partially supports SPLIT MODE for QS/S", nullptr},
    {"A", "set AGC to FAST", civ_agc_fast},
    {"T", "set ATT to OFF", civ_attenuator_off},
    {"P", "set PREAMP to OFF", civ_preamp_off},
    {"N", nullptr, nullptr},  // advice line
    {"R", "set Noise Reduction to OFF", civ_nr_off},
    {"U", "set Auto Notch to OFF", civ_auto_notch_off},
    {"M", "set Manual Notch to OFF", civ_manual_notch_off},
    {"Y", "set RTTY Filter to OFF", civ_rtty_filter_off},
    {"K", "set Twin Peak Filter to OFF", civ_twin_peak_off},
    {"F", "set Filter to WIDE", civ_filter_wide},
};

enum class Opening : uint8_t { After, Before, BeforeAndAfter };

// One Icom CI-V block. Steps: codes separated by blanks; "*" after a code: no pause after
// it; "!" after a code: written ahead of the switch test.
struct CivSetupBlock {
  int type;
  const char* label;
  const char* steps;
  const char* closing_suffix;  // after the label
  Opening opening;
};
constexpr const char* kCompleted = " initialization completed";
constexpr const char* kInitialized = " has been initialized";
constexpr CivSetupBlock kCivSetupBlocks[] = {
    {DB_GENERIC_ICOM, "Generic ICOM", "", kInitialized, Opening::Before},
    {DB_IC78, "IC-78", "T P N", kCompleted, Opening::After},
    {DB_IC703, "IC-703", "A T P N R U", kCompleted, Opening::After},
    {DB_IC706, "IC-706", "S", " initialization complete", Opening::After},
    {DB_IC706MKII, "IC-706MkII", "S", " initialization complete", Opening::After},
    {DB_IC706MKIIG, "IC-706MkII-G", "S A T P N", kCompleted, Opening::After},
    {DB_IC707, "IC-707", "S", kCompleted, Opening::After},
    {DB_IC718, "IC-718", "S A T P N R U", kCompleted, Opening::After},
    {DB_IC725, "IC-725", "", kCompleted, Opening::After},
    {DB_IC726, "IC-726", "", kCompleted, Opening::After},
    {DB_IC728, "IC-728", "", kCompleted, Opening::After},
    {DB_IC729, "IC-729", "", kCompleted, Opening::After},
    {DB_IC735, "IC-735", "", kCompleted, Opening::Before},
    {DB_IC736, "IC-736", "", kCompleted, Opening::After},
    {DB_IC737, "IC-737", "", kCompleted, Opening::After},
    {DB_IC738, "IC-738", "", kCompleted, Opening::After},
    {DB_IC746, "IC-746", "Q A T P N", kCompleted, Opening::After},
    {DB_IC746PRO, "IC-746PRO", "Q A T P N", kCompleted, Opening::After},
    {DB_IC751, "IC-751", "", kCompleted, Opening::After},
    {DB_IC756, "IC-756", "W Q", kCompleted, Opening::After},
    {DB_IC756PRO, "IC-756PRO", "W Q A T P N R U M Y", kCompleted, Opening::After},
    {DB_IC756PROII, "IC-756PROII", "W Q A T P N R U M Y F", kCompleted, Opening::After},
    {DB_IC756PROIII, "IC-756PROIII", "W Q A* T P N R U M Y K", kCompleted, Opening::After},
    {DB_IC761, "IC-761", "", kCompleted, Opening::After},
    {DB_IC765, "IC-765", "Q", kCompleted, Opening::After},
    {DB_IC775DSP, "IC-775", "Q", kCompleted, Opening::After},
    {DB_IC781, "IC-781", "Q", kCompleted, Opening::After},
    {DB_IC7000, "IC-7000", "A* T P N R U M K", kCompleted, Opening::After},
    {DB_IC7700, "IC-7700", "Qp! W A* T P N R U M Y K", kCompleted, Opening::After},
    {DB_IC7800, "IC-7800", "Qp! W A* T P N R U M Y K", kCompleted, Opening::After},
    {DB_R71, "R71", "", kInitialized, Opening::After},
    {DB_R72, "R72", "", kInitialized, Opening::After},
    {DB_R75, "R75", "", kInitialized, Opening::After},
    {DB_R7000, "R7000", "", kInitialized, Opening::After},
    {DB_R7100, "R7100", "", kInitialized, Opening::After},
    {DB_R8500, "R8500", "", kInitialized, Opening::After},
    {DB_R9000, "R9000", "", kInitialized, Opening::BeforeAndAfter},
    {DB_R9500, "R9500", "", kInitialized, Opening::Before},
    {DB_TT586, "Ten-Tec ParagonII 586", "", kInitialized, Opening::After},
    {DB_R10, "R10", "", kInitialized, Opening::After},
    {DB_R20, "R20", "", kInitialized, Opening::After},
    {DB_IC7200, "IC-7200", "A* T P N R U M K", kCompleted, Opening::After},
};

const CivSetupBlock* civ_block(int type) {
  for (const CivSetupBlock& b : kCivSetupBlocks)
    if (b.type == type) return &b;
  return nullptr;
}

const CivSetupStep* civ_step(const std::string& code) {
  for (const CivSetupStep& s : kCivSetupSteps)
    if (code == s.code) return &s;
  return nullptr;
}

struct ParsedStep {
  const CivSetupStep* step;
  bool no_pause;
  bool before_switch;
};

std::vector<ParsedStep> parse_civ_steps(const char* text) {
  std::vector<ParsedStep> out;
  std::string word;
  auto flush = [&] {
    if (word.empty()) return;
    ParsedStep p{nullptr, false, false};
    while (!word.empty() && (word.back() == '*' || word.back() == '!')) {
      (word.back() == '*' ? p.no_pause : p.before_switch) = true;
      word.pop_back();
    }
    p.step = civ_step(word);
    if (p.step) out.push_back(p);
    word.clear();
  };
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == ' ') flush();
    else word.push_back(*c);
  }
  flush();
  return out;
}

void run_civ_step(const std::string& label, const ParsedStep& p) {
  if (p.step->text == nullptr) {
    setup_line("Please set your NOISE BLANKER to OFF");
    return;
  }
  setup_line(label + " " + p.step->text);
  if (p.step->command != nullptr) {
    p.step->command();
    if (!p.no_pause) pause_ms(kSequencePauseMs);
  }
}

// The opening lines that come before the port is opened.
void civ_lines_before_port(int type) {
  const CivSetupBlock* b = civ_block(type);
  if (b && b->opening != Opening::After) setup_line(std::string(b->label) + " being initialized");
}

void civ_setup_commands(int type, bool consults_switch) {
  const CivSetupBlock* b = civ_block(type);
  if (b == nullptr) return;
  const std::string label = b->label;
  if (b->opening != Opening::Before) setup_line(label + " being initialized");
  const std::vector<ParsedStep> steps = parse_civ_steps(b->steps);
  for (const ParsedStep& p : steps)
    if (p.before_switch) run_civ_step(label, p);
  if (consults_switch && driver_preconfig_disabled() != 0) {
    setup_line(kDisabledLine);
  } else {
    for (const ParsedStep& p : steps)
      if (!p.before_switch) run_civ_step(label, p);
  }
  setup_line(label + b->closing_suffix);
}

void tk_setup_commands(int type, bool consults_switch) {
  const bool tk80 = type == DB_TK80;
  setup_line(tk80 ? "TK80 RTS/CTS being initialized"
                  : (type == DB_TK90 ? "TK90 being initialized" : "TK90 RTS/CTS being initialized"));
  if (consults_switch && driver_preconfig_disabled() != 0) {
    setup_line(kDisabledLine);
  } else {
    setup_line(tk80 ? "TK80 RX CLARIFIER CLEAR" : "TK90 RX CLARIFIER CLEAR");
    if (tk80) tk80_clear_rx_clarifier(cat_slot_next());
    else tk90_clear_rx_clarifier(cat_slot_next());
    pause_ms(kSequencePauseMs);
  }
  // The channel mode goes out whatever the switch says.
  if (!tk80) tk90_set_channel_mode(cat_slot_next(), db_get_memory_channels() == 1 ? 2 : 0);
  setup_line(tk80 ? "TK80 has been initialized" : "TK90 has been initialized");
}

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
    case SetupStart::Driver: break;  // the makes whose drivers are not built have no block here
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
    setup_line(text);
    return true;
  }
  const bool civ = radio_type_family(type) == DriverFamily::IcomCiv;
  if (civ) civ_lines_before_port(type);
  if (type == DB_GENERIC_ICOM) db_set_option_byte(opt::RADIO_MODEL_DETECTED, 1);

  SerialPort& port = serial_control(SERIAL_ROLE_RADIO);
  port.set_port_number(db_get_radio_port());
  if (port.open() != 0) return false;
  if (port.set_settings(radio_setup_settings_text(type)) != 0) return false;
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

  if (civ) civ_setup_commands(type, row->preconfig_flag);
  else if (radio_type_family(type) == DriverFamily::KenwoodTk) tk_setup_commands(type, row->preconfig_flag);
  else if (type == kRadioTypeDefault)
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

bool open_accessory(SerialPort& port, int number, const AccessoryPortRow& row) {
  port.set_port_number(number);
  if (port.open() != 0) return false;
  if (row.settings != nullptr && port.set_settings(row.settings) != 0) return false;
  if (row.term_first >= 0)
    serial_set_reply_terminators(SERIAL_ROLE_RADIO, static_cast<uint8_t>(row.term_first),
                                 static_cast<uint8_t>(row.term_second));
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
  const ReplyTerminators t = serial_reply_terminators(SERIAL_ROLE_RADIO);
  serial_set_reply_terminators(SERIAL_ROLE_RADIO, 0x0D, t.second);
  pause_ms(kSequencePauseMs);
  return true;
}

}  // namespace

bool radio_type_driver_built(int type) {
  switch (radio_type_family(type)) {
    case DriverFamily::IcomCiv:
    case DriverFamily::Kenwood:
    case DriverFamily::KenwoodTk: return radio_type_valid(type);
    default: return type == kRadioTypeDefault;
  }
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
  if (auto& open_emul = radio_hooks().emul_port_open) open_emul();
  else emul_port_open_basic();
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
      if (!open_accessory(serial_control(SERIAL_ROLE_ATU), n, *row)) {
        port_failure("External ATU", db_get_atu_port());
        return;
      }
    }
  }
  // 9. Antenna-switch port.
  if (const int n = db_get_ant_switch_port(); n != 0) {
    if (const AccessoryPortRow* row = accessory_row(kAntSwitchPortRows, db_get_ant_switch_type())) {
      if (!open_accessory(serial_control(SERIAL_ROLE_ANT_SWITCH), n, *row)) {
        port_failure("External ATN SW", db_get_ant_switch_port());
        return;
      }
    }
  }
  // 10. TNC port: a failure ends the set-up without a message.
  if (const int n = db_get_tnc_port(); n != 0) tnc_block(n);
}

void radio_control_bind() {
  radio_port_set_setup_hook([] { radio_setup(); });
  sound_card().hooks.ptt_off = [] { ptt_off(); };
  // The link state's and the voice identification's calls into radio control.
  LinkSeams& link = link_state().seams;
  link.radio_scan_start = radio_scan_start;
  link.radio_scan_next_channel = radio_scan_next_channel;
  link.radio_on_unlinked = radio_on_unlinked;
  link.radio_set_channel = [](int n) {
    ChannelRecord rec{};
    if (db_copy_channel(n, &rec) == 0) radio_set_channel(rec);
  };
  voice_id_state().seams.ptt_on_manual = ptt_on_manual;
  voice_id_state().seams.ptt_off_manual = ptt_off_manual;
  DbHooks hooks = db_get_hooks();
  hooks.store_channel = [](int, const ChannelRecord& rec) { radio_store_channel_hook(rec); };
  db_set_hooks(std::move(hooks));
}

}  // namespace vesk
