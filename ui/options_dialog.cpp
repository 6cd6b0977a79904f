#include "ui/options_dialog.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command/interpreter.h"
#include "db/ale_chars.h"
#include "db/database.h"
#include "db/options.h"
#include "modem/sound_card_mixer.h"
#include "platform/serial_port.h"
#include "radio/drivers/radio_types.h"
#include "radio/port_reopen.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "ui/dialog_fields.h"

namespace vesk {

namespace {

const char* const kTypeableOnly[] = {"GENERIC ICOM", "RF350",        "KENWOOD3", "KENWOOD2", "KENWOOD4",
                                     "KENWOOD3_HS",  "KENWOOD2_HS",  "KENWOOD4_HS", "FT1000MP_QSS", "FT100",
                                     "FT897",        "HF90M",        "GENERIC",  "DLL-RADIO"};

int index_of(const std::vector<std::string>& list, const std::string& text) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i] == text) return static_cast<int>(i);
  return -1;
}

std::string pick(const std::vector<std::string>& list, int value, const std::string& other) {
  return value >= 0 && value < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(value)] : other;
}

// A decimal number of the whole text (blanks around it allowed); false for anything else.
bool read_decimal(const std::string& text, double* out) {
  const char* start = text.c_str();
  char* end = nullptr;
  const double v = std::strtod(start, &end);
  if (end == start) return false;
  while (*end == ' ') ++end;
  if (*end != '\0') return false;
  *out = v;
  return true;
}

// The tuner types the texts name (the list's and two more that may be typed).
const std::vector<std::string> kAtuNames = {"NONE", "RADIO CAT", "AT200PC", "Z100", "SteppIR", "LDG PRO", "RS232_LINES"};
const std::vector<std::string> kAntNames = {"NONE",       "RADIO CAT",  "LDG_DTS4",   "LDG_DTS6",
                                            "AT200PC",    "ACOM_2000S", "RS232_LINES", "LPT_LINES"};
const std::vector<std::string> kTncNames = {"KAME",    "KAMPLUS",  "KAMXL",   "KAM98",   "PK232",   "PK900",
                                            "DSP232",  "DSP1232",  "DSP2232", "HK232",   "SCSPTCI", "SCSPTCII",
                                            "MFJ1276", "MFJ1278B", "DSP4100", "DXP38",   "GENERIC"};

constexpr std::size_t kTncRadioMode = 11984;
constexpr std::size_t kOffsetAdded = 11980;

}  // namespace

const std::vector<OptionCheck>& option_checks() {
  static const std::vector<OptionCheck> rows = {
      {"Sounding", opt::SOUNDING, true, true},
      {"Polling", opt::POLL, true, true},
      {"LQA", opt::LQA, true, true},
      {"Allcalls", opt::ALLCALL, true, true},
      {"Anycalls", opt::ANYCALL, true, true},
      {"Wild Cards", opt::WILDCARDS, true, true},
      {"AQC ALE", opt::AQC, true, true},
      {"AQC Burst", opt::AQC_BURST, true, true},
      {"This IS Sound", opt::TIS, true, true},
      {"Display Sounds", opt::DISPLAY_SOUNDINGS, true, true},
      {"Display Bad Data ", opt::DISPLAY_BAD_DATA, false, true},
      {"Listen Calls", opt::LISTEN_CALLS, true, true},
      {"Listen Mode", opt::LISTEN_MODE, true, true},
      {"Linked TWX", opt::LINKED_TWX, false, true},
      {"Freq. Display", opt::FREQ_DISPLAY, true, true},
      {"Display Date", opt::SHOW_DATE, true, true},
      {"Log to disk", opt::LOG_TO_DISK, true, true},
      {"Linked Batch File", opt::LINKED_BATCH, true, true},
      {"UnLinked Batch File", opt::UNLINKED_BATCH, true, true},
      {"MOTD", opt::MOTD, true, true},
      {"Voice Detect", opt::VOICE, true, true},
      {"LP", opt::LP, true, false},
      {"PTT Status Display", opt::PTT_STATUS, true, true},
      {"Use GROUP/Channel TX Audio Level", opt::CHANNEL_TX_AUDIO, true, true},
      {"Use RTS for PTT", opt::RTS_PTT, true, true},
      {"Use DTR for PTT", opt::DTR_PTT, true, true},
      {"Use RTS for Mute", opt::RTS_MUTE, true, true},
      {"Use DTR for Mute", opt::DTR_MUTE, true, true},
      {"Use CAT for Mute", opt::CAT_MUTE, true, true},
      {"Radio 1 Com Port", opt::RELEASE_RADIO1, true, true},
      {"Radio 1 ALT PTT", opt::RELEASE_ALT_PTT, true, true},
      {"PC Sound Device", opt::RELEASE_SOUND, true, true},
      {"PASSIVE", opt::PASSIVE, true, false},
      {"+", kOffsetAdded, true, true},
  };
  return rows;
}

const std::vector<OptionNumber>& option_numbers() {
  static const std::vector<OptionNumber> rows = {
      {"TWA", opt::TWA_SECS, 0, 1000, false},
      {"PTTD ms", opt::PTT_DELAY, 3, 100000, false},
      {"Sync Votes", opt::SYNC_VOTES, 0, 30, false},
      {"Sync Errors", opt::SYNC_ERRORS, 0, 2, false},
      {"Frame Votes", opt::FRAME_VOTES, 0, 30, false},
      {"Frame Errors", opt::FRAME_ERRORS, 0, 3, false},
      {"SCLC", opt::SCLC, 0, 100, false},
      {"LQA Timeout", opt::LQA_TIMEOUT, 10, 43200, false},
      {"Sounding Period", opt::SOUNDING_INTERVAL, 1, 300, false},
      {"Resound Period", opt::RESOUND_PERIOD, 1, 300, false},
      {"Sounding Attempts", opt::SOUNDING_ATTEMPTS, 1, 5, false},
      {"Listen time ", opt::LISTEN_TIME, 1, 86400, false},
      {"DCD Threshold", opt::DCD, 0, 20, false},
      {"TX Audio Level", opt::TXAL, 0, 255, false},
      {"RX Audio Level", opt::RXAL, 0, 255, false},
      {"UnMuted Audio", opt::UNMUTED_AF_LEVEL, 0, 255, false},
      {"Muted Audio", opt::MUTED_AF_LEVEL, 0, 255, false},
      {"ATU Tune Words", opt::ATU_TUNE_WORDS, 0, 27, false},
      {"ATU Tune Level", opt::ATU_TUNE_LEVEL, 0, 100, false},
      {"AMD Retries", opt::AMD_RETRIES, 0, 10, false},
      {"DTM Retries", opt::DTM_RETRIES, 0, 30, false},
      {"Max frame time ", opt::DTM_MAX_FRAME_TIME, 10, 30, false},
      {"DBM Retries", opt::DBM_RETRIES, 0, 30, false},
      {"Max Frame time", opt::DBM_MAX_FRAME_TIME, 10, 1800, false},
      {"ms DTR", opt::ATU_DTR_DELAY, 10, 1000, false},
      {"ms RTS", opt::ATU_RTS_DELAY, 10, 1000, false},
      {"Radio 1 Comm Port", opt::RADIO_PORT, 1, 16, true},
      {"Radio 1 ALT PTT Port", opt::ALT_PTT_PORT, 0, 16, true},
      {"ATU Comm Port", opt::ATU_PORT, 0, 16, true},
      {"ANT SW Comm Port", opt::ANT_SWITCH_PORT, 0, 16, true},
      {"TNC Comm Port", opt::TNC_PORT, 0, 16, true},
      {"Radio Emulation Comm Port", opt::EMULATION_PORT, 1, 16, true},
  };
  return rows;
}

std::vector<std::string> option_radio_types() {
  std::vector<std::string> out;
  for (const RadioTypeRow& row : kRadioTypeTable) {
    if (row.options_keyword == nullptr) continue;
    bool typeable_only = false;
    for (const char* t : kTypeableOnly) typeable_only = typeable_only || std::strcmp(t, row.options_keyword) == 0;
    if (!typeable_only) out.emplace_back(row.options_keyword);
  }
  return out;
}

const std::vector<std::string>& option_atu_types() {
  static const std::vector<std::string> v = {"NONE", "RADIO CAT", "AT200PC", "RS232_LINES", "LDG PRO"};
  return v;
}
const std::vector<std::string>& option_ant_switch_types() {
  static const std::vector<std::string> v = {"NONE", "RADIO CAT", "LDG_DTS4", "LDG_DTS6", "ACOM_2000S", "AT200PC", "RS232_LINES"};
  return v;
}
const std::vector<std::string>& option_tnc_types() {
  static const std::vector<std::string> v = {"KAME",    "KAMPLUS",  "KAMXL",   "KAM98",   "HK232",   "PK232",
                                             "PK900",   "DSP232",   "DSP1232", "DSP2232", "SCSPTCI", "SCSPTCII",
                                             "MFJ1276", "MFJ1278B", "DXP38",   "DSP4100", "GENERIC"};
  return v;
}
const std::vector<std::string>& option_tnc_bauds() {
  static const std::vector<std::string> v = {"9600", "12000", "14400", "19200", "28800", "38400", "57600", "76800", "115200", "240000"};
  return v;
}
const std::vector<std::string>& option_tnc_handshakes() {
  static const std::vector<std::string> v = {"NONE", "CTS/RTS", "XON/XOFF", "BOTH"};
  return v;
}
const std::vector<std::string>& option_tnc_modes() {
  static const std::vector<std::string> v = {"USB", "LSB", "USB-D", "LSB-D", "FSK", "FSK-R", "PKT", "RTTY"};
  return v;
}

std::vector<std::string> option_freq_offsets() {
  std::vector<std::string> v = {"0"};
  char text[16];
  for (int h = 5; h <= 65; h += 5) std::snprintf(text, sizeof text, "%.2f", h / 100.0), v.emplace_back(text);
  for (int h = 66; h <= 74; ++h) std::snprintf(text, sizeof text, "%.2f", h / 100.0), v.emplace_back(text);
  for (int h = 75; h <= 200; h += 5) std::snprintf(text, sizeof text, "%.2f", h / 100.0), v.emplace_back(text);
  return v;
}

std::string option_radio_text(int type) {
  return radio_type_options_text(type);
}

int option_radio_number(const std::string& text) {
  for (const RadioTypeRow& row : kRadioTypeTable)
    if ((row.options_keyword != nullptr && text == row.options_keyword) ||
        (row.options_alias != nullptr && text == row.options_alias))
      return row.number;
  return -1;
}

OptionsView options_open() {
  OptionsView v;
  DbLock lock;
  const StationOptions& o = lock.options();
  for (const OptionCheck& c : option_checks()) v.checks.push_back(o.i32(c.offset) == 1);
  v.scan_rate = o.i32(opt::SCAN_RATE);
  if (v.scan_rate < 0 || v.scan_rate > 3) v.scan_rate = 0;
  for (const OptionNumber& n : option_numbers()) v.numbers.push_back(std::to_string(o.i32(n.offset)));
  v.motd = db_get_motd();
  v.radio = option_radio_text(o.i32(opt::RADIO_TYPE));
  v.atu = pick(kAtuNames, o.i32(opt::ATU_TYPE), "NONE");
  v.ant_switch = pick(kAntNames, o.i32(opt::ANT_SWITCH_TYPE), "INTERNAL");
  v.tnc_type = pick(kTncNames, o.i32(opt::TNC_TYPE), "GENERIC");
  v.tnc_handshake = pick(option_tnc_handshakes(), o.i32(opt::TNC_HANDSHAKE), "CTS/RTS");
  v.tnc_mode = pick(option_tnc_modes(), o.i32(kTncRadioMode), "USB");
  const std::string baud = std::to_string(o.i32(opt::TNC_BAUD));
  v.tnc_baud = index_of(option_tnc_bauds(), baud) >= 0 ? baud : "9600";
  v.freq_offset = "0";
  const double offset = o.f64(opt::FREQ_OFFSET_KHZ);
  for (const std::string& e : option_freq_offsets())
    if (std::strtod(e.c_str(), nullptr) == offset) v.freq_offset = e;
  return v;
}

ConfigOutcome options_ok(const OptionsView& v) {
  // 1. Every field is checked before anything is stored.
  const auto& numbers = option_numbers();
  std::vector<long> values(numbers.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const OptionNumber& n = numbers[i];
    if (!dialog_read_long(v.numbers[i], n.min, n.max, &values[i]))
      return {false, std::string(n.text) + ": enter a number from " + std::to_string(n.min) + " to " + std::to_string(n.max) + ".",
              static_cast<int>(i)};
  }
  // The message of the day goes on the air: upper case, ALE 64 characters, at most 90.
  std::string motd = v.motd;
  for (char& c : motd) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (motd.size() > 90) return {false, "MOTD: at most 90 characters.", kFieldMotd};
  for (char c : motd)
    if (!ale_char_in_64set(static_cast<unsigned char>(c)))
      return {false, "MOTD: only the ALE 64-character set can be sent.", kFieldMotd};
  const int radio = option_radio_number(v.radio);
  if (radio < 0) return {false, "R1: " + v.radio + " is no radio type of the list.", kFieldRadio};
  long baud = 0;
  if (!dialog_read_long(v.tnc_baud, 1, 999999, &baud)) return {false, "TNC baud rate: enter a number.", kFieldTncBaud};
  double offset = 0;
  if (!read_decimal(v.freq_offset, &offset)) return {false, "Freq. Offset Khz.: enter a number.", kFieldFreqOffset};
  const int atu = index_of(kAtuNames, v.atu), ant = index_of(kAntNames, v.ant_switch);
  const int tnc_type = index_of(kTncNames, v.tnc_type);
  const int handshake = index_of(option_tnc_handshakes(), v.tnc_handshake);
  const int tnc_mode = index_of(option_tnc_modes(), v.tnc_mode);

  bool changed = false, emulation_changed = false;
  {
    // 2.-9. One lock for every write: the worker sees the old options or the new ones.
    DbLock lock;
    StationOptions& o = lock.options();
    const auto& checks = option_checks();
    for (std::size_t i = 0; i < checks.size(); ++i)
      if (checks[i].stored) o.set_i32(checks[i].offset, v.checks[i] ? 1 : 0);
    o.set_i32(opt::SCAN_RATE, v.scan_rate);
    auto store_device = [&](std::size_t offset, int32_t value) {
      if (o.i32(offset) == value) return false;
      o.set_i32(offset, value);
      changed = true;
      return true;
    };
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      const OptionNumber& n = numbers[i];
      const int32_t value = static_cast<int32_t>(values[i]);
      if (n.offset == opt::SOUNDING_INTERVAL) {
        db_set_sounding_interval(value);
      } else if (n.device) {
        if (store_device(n.offset, value) && n.offset == opt::EMULATION_PORT) emulation_changed = true;
      } else {
        o.set_i32(n.offset, value);
      }
    }
    o.set_f64(opt::FREQ_OFFSET_KHZ, offset);
    db_set_motd(motd.c_str());
    store_device(opt::RADIO_TYPE, radio);
    store_device(opt::TNC_TYPE, tnc_type >= 0 ? tnc_type : 2);
    store_device(opt::TNC_BAUD, static_cast<int32_t>(baud));
    store_device(opt::TNC_HANDSHAKE, handshake >= 0 ? handshake : 1);
    store_device(kTncRadioMode, tnc_mode >= 0 ? tnc_mode : 0);
    store_device(opt::ATU_TYPE, atu >= 0 ? atu : (v.atu == "NONE" ? 0 : 1));
    store_device(opt::ANT_SWITCH_TYPE, ant >= 0 ? ant : (v.ant_switch == "NONE" ? 0 : 1));
    if (emulation_changed) o.set_i32(opt::EMULATION_ENABLED, 1);
  }
  const int tx_level = static_cast<int>(values[13]), rx_level = static_cast<int>(values[14]);
  const bool dtr_ptt = v.checks[25];
  mmi_post_task([tx_level, rx_level, changed, dtr_ptt] {
    mixer_set_wave_out_level(tx_level);
    mixer_set_input_level(rx_level);
    db_save();
    if (changed) {
      radio_setup();
      emul_port_open_basic();
    }
    serial_control(SERIAL_ROLE_RADIO).set_dtr(!dtr_ptt);
  });
  return {};
}

}  // namespace vesk
