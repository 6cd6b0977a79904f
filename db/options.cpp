#include "db/options.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace vesk {

namespace {

using R = OptionRule;

// name, offset, has default, default, rule, a, b
constexpr OptionSpec kRows[] = {
    {"SCANGROUP", opt::SCAN_GROUP, true, 0, R::AcceptRange, 0, kScanGroupCount - 1},
    {"SCANNING", opt::SCAN_RATE, false, 0, R::Store, 0, 0},
    {"INACTIVITY", opt::TWA_SECS, true, 300, R::Store, 0, 0},
    {"RADIO", opt::RADIO_TYPE, true, 133, R::Store, 0, 0},
    {"PRECONFIG DISABLED", opt::RADIO_PRECONFIG_DISABLED, false, 0, R::Store, 0, 0},
    {"RADIO BAUD", opt::RADIO_BAUD, false, 0, R::Store, 0, 0},
    {"RADIO PARITY", opt::RADIO_PARITY, false, 0, R::Store, 0, 0},
    {"SECURE TRANSFERS", opt::SECURE_TRANSFERS, false, 0, R::Store, 0, 0},
    {"MAIL SETTING", opt::MAIL_SETTING, false, 0, R::Store, 0, 0},
    {"PTTD", opt::PTT_DELAY, true, 30, R::Store, 0, 0},
    {"SVOTES", opt::SYNC_VOTES, true, 10, R::IgnoreAbove, 48, 0},
    {"SERRORS", opt::SYNC_ERRORS, true, 0, R::IgnoreAbove, 3, 0},
    {"FVOTES", opt::FRAME_VOTES, true, 30, R::IgnoreAbove, 48, 0},
    {"FERRORS", opt::FRAME_ERRORS, true, 3, R::IgnoreAbove, 3, 0},
    {"SCLC", opt::SCLC, true, 8, R::Clamp, 0, 256},
    {"DBM RETRIES", opt::DBM_RETRIES, true, 30, R::Substitute, 0, 7},
    {"DBM MAX FRAME TIME", opt::DBM_MAX_FRAME_TIME, true, 10, R::Store, 0, 0},
    {"DTM RETRIES", opt::DTM_RETRIES, true, 30, R::Substitute, 0, 7},
    {"DTM MAX FRAME TIME", opt::DTM_MAX_FRAME_TIME, true, 10, R::Store, 0, 0},
    {"DBM MODE", opt::DBM_MODE, true, 1, R::Store, 0, 0},
    {"DTM MODE", opt::DTM_MODE, true, 1, R::Store, 0, 0},
    {"LQA TIMEOUT", opt::LQA_TIMEOUT, true, 1440, R::Substitute, 0, 180},
    {"SOUNDING INTERVAL", opt::SOUNDING_INTERVAL, true, 60, R::Store, 0, 0},
    {"RESOUND", opt::RESOUND_PERIOD, true, 5, R::Substitute, 0, 4},
    {"MINUTE COUNTER", opt::MINUTE_COUNTER, false, 0, R::Store, 0, 0},
    {"DCD", opt::DCD, true, 4, R::Store, 0, 0},
    {"TXAL", opt::TXAL, true, 10, R::Cap, 100, 0},
    {"RXAL", opt::RXAL, true, 5, R::Cap, 100, 0},
    {"MXAL", opt::MXAL, true, 15, R::Cap, 31, 0},
    {"RADIO PORT", opt::RADIO_PORT, true, 1, R::AcceptRange, 1, 2},
    {"SOUNDING ATTEMPTS", opt::SOUNDING_ATTEMPTS, true, 5, R::Store, 0, 0},
    {"LISTEN TIME", opt::LISTEN_TIME, true, 10, R::Store, 0, 0},
    {"RECORDER MAX", opt::RECORDER_MAX_SECS, false, 0, R::Store, 0, 0},
    {"WAVE IN", opt::WAVE_IN_DEVICE, true, -1, R::Store, 0, 0},
    {"WAVE OUT", opt::WAVE_OUT_DEVICE, true, -1, R::Store, 0, 0},
    {"MIXER INPUT", opt::MIXER_INPUT, true, 0, R::Store, 0, 0},
    {"MAIL FILE COUNTER", opt::MAIL_FILE_COUNTER, true, 0, R::Store, 0, 0},
    {"TCP AUTOSTART", opt::TCP_AUTOSTART, true, 0, R::Store, 0, 0},
    {"SCAN ACTIVE", opt::SCAN_ACTIVE, true, 0, R::Store, 0, 0},
    {"SOUNDING", opt::SOUNDING, true, 0, R::Store, 0, 0},
    {"AQC", opt::AQC, true, 0, R::Store, 0, 0},
    {"AQCBURST", opt::AQC_BURST, true, 0, R::Store, 0, 0},
    {"VOICE", opt::VOICE, true, 0, R::Store, 0, 0},
    {"POLL", opt::POLL, true, 0, R::Store, 0, 0},
    {"GPS", opt::GPS, true, 0, R::Store, 0, 0},
    {"LQA", opt::LQA, true, 1, R::Store, 0, 0},
    {"ECHO", opt::ECHO, true, 0, R::Store, 0, 0},
    {"BELLS", opt::BELLS, true, 0, R::Store, 0, 0},
    {"ALLCALL", opt::ALLCALL, true, 0, R::Store, 0, 0},
    {"ANYCALL", opt::ANYCALL, true, 0, R::Store, 0, 0},
    {"WILDCARDS", opt::WILDCARDS, true, 0, R::Store, 0, 0},
    {"TIS", opt::TIS, true, 1, R::Store, 0, 0},
    {"MOTD", opt::MOTD, true, 0, R::Store, 0, 0},
    {"LP", opt::LP, true, 0, R::Store, 0, 0},
    {"MODE RESEND", opt::MODE_RESEND, true, 0, R::Store, 0, 0},
    {"CHANNELS", opt::MEMORY_CHANNELS, true, 0, R::Store, 0, 0},
    {"TWX", opt::LINKED_TWX, true, 1, R::Store, 0, 0},
    {"DISPLAY SOUNDINGS", opt::DISPLAY_SOUNDINGS, true, 1, R::Store, 0, 0},
    {"LISTEN CALLS", opt::LISTEN_CALLS, true, 1, R::Store, 0, 0},
    {"DISPLAY BAD DATA", opt::DISPLAY_BAD_DATA, true, 0, R::Store, 0, 0},
    {"FREQUENCY DISPLAY", opt::FREQ_DISPLAY, true, 1, R::Store, 0, 0},
    {"TRACE COMMANDS", opt::TRACE_COMMANDS, true, 0, R::Store, 0, 0},
    {"TRACE RX WORDS", opt::TRACE_RX_WORDS, true, 0, R::Store, 0, 0},
    {"TRACE TX WORDS", opt::TRACE_TX_WORDS, true, 0, R::Store, 0, 0},
    {"TRACE STATES", opt::TRACE_STATES, true, 0, R::Store, 0, 0},
    {"TRACE EVENTS", opt::TRACE_EVENTS, true, 0, R::Store, 0, 0},
    {"TRACE TIMERS", opt::TRACE_TIMERS, true, 0, R::Store, 0, 0},
    {"ATU TONE TUNE", opt::ATU_TONE_TUNE, false, 0, R::Store, 0, 0},
    {"RX AUTOFILL", opt::RX_AUTOFILL, true, 1, R::Store, 0, 0},
    {"MAIL ON", opt::MAIL_ON, false, 0, R::Store, 0, 0},
    {"LOG TO DISK", opt::LOG_TO_DISK, true, 1, R::Store, 0, 0},
    {"RTS PTT", opt::RTS_PTT, true, 1, R::Store, 0, 0},
    {"DTR PTT", opt::DTR_PTT, true, 0, R::Store, 0, 0},
    {"RTS MUTE", opt::RTS_MUTE, true, 0, R::Store, 0, 0},
    {"DTR MUTE", opt::DTR_MUTE, true, 0, R::Store, 0, 0},
    {"IMMEDIATE MODE", opt::M110_PARAMS + 0, true, 1, R::Store, 0, 0},
    {"NEGOTIATION MODE", opt::M110_PARAMS + 4, true, 1, R::Store, 0, 0},
    {"CONTROL MODE", opt::M110_PARAMS + 8, true, 0, R::Store, 0, 0},
    {"ARQ RATE", opt::M110_PARAMS + 12, true, 6, R::Store, 0, 0},
    {"FRAME BYTES", opt::M110_PARAMS + 16, true, 100, R::Store, 0, 0},
    {"RETRY LIMIT", opt::M110_PARAMS + 20, true, 10, R::Store, 0, 0},
    {"DATA LINK TRACE", opt::DATA_LINK_TRACE, true, 0, R::Store, 0, 0},
    {"BROADCAST RATE", opt::M110_PARAMS + 28, true, 4, R::Store, 0, 0},
    {"BROADCAST REPEATS", opt::M110_PARAMS + 32, true, 0, R::Store, 0, 0},
    {"LOWEST RATE", opt::M110_PARAMS + 36, true, 150, R::Store, 0, 0},
    {"DATA LINK MODE", opt::DATA_LINK_MODE, true, 1, R::Store, 0, 0},
    {"TWX MODE", opt::TWX_MODE, true, 0, R::Store, 0, 0},
    {"MODEM CENTRE", opt::MODEM_CENTRE_FREQ, true, 1200, R::Store, 0, 0},
    {"MODEM SAMPLE RATE", opt::MODEM_SAMPLE_RATE, true, 6400, R::Store, 0, 0},
    {"ATU TUNE WORDS", opt::ATU_TUNE_WORDS, true, 0, R::Store, 0, 0},
    {"CHANNEL TX AUDIO", opt::CHANNEL_TX_AUDIO, true, 0, R::Store, 0, 0},
    {"LINKED BATCH", opt::LINKED_BATCH, true, 0, R::Store, 0, 0},
    {"UNLINKED BATCH", opt::UNLINKED_BATCH, true, 0, R::Store, 0, 0},
    {"REOPENED RADIO PORT", opt::REOPENED_RADIO_PORT, false, 0, R::Store, 0, 0},
    {"ALT PTT PORT", opt::ALT_PTT_PORT, true, 0, R::AcceptRange, 1, 9},
    {"ATU PORT", opt::ATU_PORT, true, 0, R::AcceptRange, 1, 9},
    {"ATU TYPE", opt::ATU_TYPE, true, 0, R::Store, 0, 0},
    {"ATU TUNE LEVEL", opt::ATU_TUNE_LEVEL, true, 0, R::Store, 0, 0},
    {"TUNER VALUE A", opt::TUNER_VALUE_A, true, 0, R::Store, 0, 0},
    {"TUNER VALUE B", opt::TUNER_VALUE_B, true, 0, R::Store, 0, 0},
    {"ANT SWITCH PORT", opt::ANT_SWITCH_PORT, true, 0, R::AcceptRange, 1, 9},
    {"ANT SWITCH TYPE", opt::ANT_SWITCH_TYPE, true, 0, R::Store, 0, 0},
    {"TNC PORT", opt::TNC_PORT, true, 0, R::AcceptRange, 1, 9},
    {"TNC TYPE", opt::TNC_TYPE, true, 16, R::Store, 0, 0},
    {"MUTED AF LEVEL", opt::MUTED_AF_LEVEL, true, 0, R::Store, 0, 0},
    {"UNMUTED AF LEVEL", opt::UNMUTED_AF_LEVEL, true, 0, R::Store, 0, 0},
    {"TNC BAUD", opt::TNC_BAUD, true, 9600, R::Store, 0, 0},
    {"PASSIVE", opt::PASSIVE, false, 0, R::Store, 0, 0},
    {"SWITCH 11980", opt::SWITCH_11980, false, 0, R::Store, 0, 0},
    {"VALUE 11984", opt::VALUE_11984, true, 0, R::Store, 0, 0},
    {"TNC HANDSHAKE", opt::TNC_HANDSHAKE, true, 1, R::Store, 0, 0},
    {"LISTEN", opt::LISTEN_MODE, true, 0, R::Store, 0, 0},
    {"AMD RETRIES", opt::AMD_RETRIES, true, 1, R::Store, 0, 0},
    {"LIMITCALLING", opt::LIMIT_CALLING, true, 0, R::Store, 0, 0},
    {"MINCALLTIME", opt::MIN_CALL_TIME, true, 10, R::Store, 0, 0},
    {"MAXCALLTIME", opt::MAX_CALL_TIME, true, 10, R::Store, 0, 0},
    {"RESOURCES", opt::RESOURCES, true, 1, R::Store, 0, 0},
    {"CATMUTE", opt::CAT_MUTE, true, 0, R::Store, 0, 0},
    {"PTTSTATUS", opt::PTT_STATUS, true, 1, R::Store, 0, 0},
    {"DATE", opt::SHOW_DATE, true, 0, R::Store, 0, 0},
    {"RELEASERADIO1", opt::RELEASE_RADIO1, true, 0, R::Store, 0, 0},
    {"RELEASERADIO2", opt::RELEASE_RADIO2, true, 0, R::Store, 0, 0},
    {"RELEASEALTPTT", opt::RELEASE_ALT_PTT, true, 0, R::Store, 0, 0},
    {"RELEASEPCSDM", opt::RELEASE_SOUND, true, 0, R::Store, 0, 0},
    {"ATU DTR PULSE", opt::ATU_DTR_DELAY, true, 100, R::Clamp, 10, 1000},
    {"ATU RTS PULSE", opt::ATU_RTS_DELAY, true, 100, R::Clamp, 10, 1000},
    {"EMULATION PORT", opt::EMULATION_PORT, true, 12, R::Store, 0, 0},
    {"SWITCH 12056", opt::SWITCH_12056, false, 0, R::Store, 0, 0},
    {"EMULATION", opt::EMULATION_ENABLED, true, 1, R::Store, 0, 0},
    {"RMSBLOCK", opt::RMS_BLOCK, true, 0, R::Store, 0, 0},
    {"RADIOSERVER", opt::RADIO_SERVER, true, 0, R::Store, 0, 0},
};

constexpr bool rows_in_offset_order() {
  for (std::size_t i = 1; i < std::size(kRows); ++i)
    if (kRows[i].offset <= kRows[i - 1].offset) return false;
  for (const auto& r : kRows)
    if (r.offset % 4 != 0 || r.offset + 4 > kOptionsSize) return false;
  return true;
}
static_assert(rows_in_offset_order(), "option rows must be aligned ints in offset order");

// The lowest count of each minute-counter class.
constexpr int32_t kMinuteClassFloor[8] = {0, 1, 21, 101, 501, 2001, 10001, 60001};

int32_t get(std::size_t off) {
  DbLock lock;
  return lock.options().i32(off);
}

void set(std::size_t off, int32_t v) { db_set_option_int(off, v); }

}  // namespace

std::span<const OptionSpec> option_table() { return kRows; }

const OptionSpec* option_spec(std::size_t offset) {
  for (const auto& r : kRows)
    if (r.offset == offset) return &r;
  return nullptr;
}

int32_t option_apply_rule(const OptionSpec& spec, int32_t current, int32_t value) {
  switch (spec.rule) {
    case R::Store: return value;
    case R::IgnoreAbove: return value > spec.a ? current : value;
    case R::Cap: return value > spec.a ? spec.a : value;
    case R::Clamp: return value < spec.a ? spec.a : (value > spec.b ? spec.b : value);
    case R::Substitute: return value == spec.a ? spec.b : value;
    case R::AcceptRange: return (value < spec.a || value > spec.b) ? current : value;
  }
  return current;
}

// ---- StationOptions helpers ----

double StationOptions::f64(std::size_t off) const {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | bytes[off + i];
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

void StationOptions::set_f64(std::size_t off, double v) {
  uint64_t u;
  std::memcpy(&u, &v, sizeof u);
  for (int i = 0; i < 8; ++i) bytes[off + i] = static_cast<uint8_t>(u >> (8 * i));
}

std::size_t StationOptions::text_length(std::size_t off, std::size_t size) const {
  std::size_t n = 0;
  while (n < size && bytes[off + n] != 0) ++n;
  return n;
}

void StationOptions::set_text(std::size_t off, std::size_t size, const char* text) {
  std::size_t n = 0;
  if (text != nullptr)
    while (n + 1 < size && text[n] != '\0') ++n;
  std::memset(bytes + off, 0, size);
  if (n > 0) std::memcpy(bytes + off, text, n);
}

// ---- whole section ----

StationOptions* db_options(DbLock& lock) { return &lock.options(); }

void db_set_default_options() {
  DbLock lock;
  StationOptions& o = lock.options();
  for (const auto& r : kRows)
    if (r.has_default) o.set_i32(r.offset, r.default_value);
  for (int g = 0; g < kScanGroupCount; ++g) {
    char label[32];
    std::snprintf(label, sizeof label, "NO LABEL %d", g);
    const std::size_t at = opt::SCAN_GROUP_LABELS + static_cast<std::size_t>(g) * opt::SCAN_GROUP_RECORD_SIZE;
    // Only the label's own bytes are written; the rest of the record is reserved.
    std::memcpy(o.bytes + at, label, std::strlen(label) + 1);
  }
  std::memcpy(o.bytes + opt::DATA_RATE, "600S", 5);
  o.set_f64(opt::FREQ_OFFSET_KHZ, 0.0);
  const uint8_t ip[4] = {192, 168, 0, 2};
  std::memcpy(o.bytes + opt::HOST_IP, ip, 4);
  const uint8_t port[4] = {0x00, 0x17, 0, 0};  // 23, network order
  std::memcpy(o.bytes + opt::TCP_PORT, port, 4);
}

int32_t db_option_int(std::size_t offset) {
  if (offset + 4 > kOptionsSize) return 0;
  return get(offset);
}

void db_set_option_int(std::size_t offset, int32_t value) {
  if (offset + 4 > kOptionsSize) return;
  DbLock lock;
  StationOptions& o = lock.options();
  const OptionSpec* spec = option_spec(offset);
  o.set_i32(offset, spec ? option_apply_rule(*spec, o.i32(offset), value) : value);
}

uint8_t db_option_byte(std::size_t offset) {
  if (offset >= kOptionsSize) return 0;
  DbLock lock;
  return lock.options().u8(offset);
}

void db_set_option_byte(std::size_t offset, uint8_t value) {
  if (offset >= kOptionsSize) return;
  DbLock lock;
  lock.options().set_u8(offset, value);
}

std::string db_option_text(std::size_t offset, std::size_t size) {
  if (offset + size > kOptionsSize) return std::string();
  DbLock lock;
  const StationOptions& o = lock.options();
  return std::string(reinterpret_cast<const char*>(o.bytes + offset), o.text_length(offset, size));
}

void db_set_option_text(std::size_t offset, std::size_t size, const char* text) {
  if (offset + size > kOptionsSize) return;
  DbLock lock;
  lock.options().set_text(offset, size, text);
}

// ---- scan group and dwell ----

int db_get_scan_group() { return get(opt::SCAN_GROUP); }

int db_set_scan_group(int group) {
  if (group < 0 || group >= kScanGroupCount) return -1;
  set(opt::SCAN_GROUP, group);
  return 0;
}

std::string db_get_scan_group_label(int group) {
  if (group < 0 || group >= kScanGroupCount) return std::string();
  return db_option_text(opt::SCAN_GROUP_LABELS + static_cast<std::size_t>(group) * opt::SCAN_GROUP_RECORD_SIZE,
                        opt::SCAN_GROUP_RECORD_SIZE);
}

void db_set_scan_group_label(int group, const char* label) {
  if (group < 0 || group >= kScanGroupCount) return;
  // Only the label and its terminator are written; the rest of the record is reserved.
  constexpr std::size_t kLabelSize = opt::SCAN_GROUP_RECORD_SIZE;
  const std::size_t at = opt::SCAN_GROUP_LABELS + static_cast<std::size_t>(group) * opt::SCAN_GROUP_RECORD_SIZE;
  DbLock lock;
  StationOptions& o = lock.options();
  std::size_t n = 0;
  if (label != nullptr)
    while (n + 1 < kLabelSize && label[n] != '\0') ++n;
  if (n > 0) std::memcpy(o.bytes + at, label, n);
  o.bytes[at + n] = 0;
}

int db_get_scan_rate() { return get(opt::SCAN_RATE); }
void db_set_scan_rate(int rate) { set(opt::SCAN_RATE, rate); }

int db_get_scan_dwell_ms() {
  DbLock lock;
  const int rate = lock.options().i32(opt::SCAN_RATE);
  if (lock.options().i32(opt::AQC) != 0) {
    if (rate == 0 || rate == 1) return 500;
    return rate == 3 ? 100 : 200;
  }
  switch (rate) {
    case 0: return 1000;
    case 2: return 200;
    case 3: return 100;
    default: return 500;
  }
}

// ---- plain ints ----

int db_get_twa_secs() { return get(opt::TWA_SECS); }
void db_set_twa_secs(int secs) { set(opt::TWA_SECS, secs); }
int db_get_radio_type() { return get(opt::RADIO_TYPE); }
void db_set_radio_type(int type) { set(opt::RADIO_TYPE, type); }
int db_get_tnc_type() { return get(opt::TNC_TYPE); }
void db_set_tnc_type(int type) { set(opt::TNC_TYPE, type); }
int db_get_tnc_handshake() { return get(opt::TNC_HANDSHAKE); }
void db_set_tnc_handshake(int handshake) { set(opt::TNC_HANDSHAKE, handshake); }
int db_get_atu_type() { return get(opt::ATU_TYPE); }
void db_set_atu_type(int type) { set(opt::ATU_TYPE, type); }
int db_get_ant_switch_type() { return get(opt::ANT_SWITCH_TYPE); }
void db_set_ant_switch_type(int type) { set(opt::ANT_SWITCH_TYPE, type); }
int db_get_ptt_delay() { return get(opt::PTT_DELAY); }
void db_set_ptt_delay(int ms) { set(opt::PTT_DELAY, ms); }
int db_get_dcd_threshold() { return get(opt::DCD); }
void db_set_dcd_threshold(int value) { set(opt::DCD, value); }
int db_get_tx_audio_level() { return get(opt::TXAL); }
void db_set_tx_audio_level(int level) { set(opt::TXAL, level); }
int db_get_rx_audio_level() { return get(opt::RXAL); }
void db_set_rx_audio_level(int level) { set(opt::RXAL, level); }
int db_get_mxal_level() { return get(opt::MXAL); }
void db_set_mxal_level(int level) { set(opt::MXAL, level); }
int db_get_sclc() { return get(opt::SCLC); }
void db_set_sclc(int value) { set(opt::SCLC, value); }
int db_get_sounding_interval() { return get(opt::SOUNDING_INTERVAL); }

void db_set_sounding_interval(int minutes) {
  DbLock lock;
  lock.options().set_i32(opt::SOUNDING_INTERVAL, minutes);
  for (int n = 1; n < kChannelCount; ++n) {
    ChannelRecord& ch = lock.db().channels[n];
    if (ch.sound_countdown_min >= minutes) ch.sound_countdown_min = minutes - 1;
  }
}

int db_get_sounding() { return get(opt::SOUNDING); }
void db_enable_sounding() { set(opt::SOUNDING, 1); }
void db_disable_sounding() { set(opt::SOUNDING, 0); }
int db_get_sync_errors() { return get(opt::SYNC_ERRORS); }
void db_set_sync_errors(int value) { set(opt::SYNC_ERRORS, value); }
int db_get_frame_errors() { return get(opt::FRAME_ERRORS); }
void db_set_frame_errors(int value) { set(opt::FRAME_ERRORS, value); }
int db_get_sync_votes() { return get(opt::SYNC_VOTES); }
void db_set_sync_votes(int value) { set(opt::SYNC_VOTES, value); }
int db_get_frame_votes() { return get(opt::FRAME_VOTES); }
void db_set_frame_votes(int value) { set(opt::FRAME_VOTES, value); }
int db_get_scan_active() { return get(opt::SCAN_ACTIVE); }
void db_set_scan_active() { set(opt::SCAN_ACTIVE, 1); }
void db_clear_scan_active() { set(opt::SCAN_ACTIVE, 0); }

#define VESK_DB_SWITCH(name, off)                  \
  int db_get_##name() { return get(off); }         \
  void db_enable_##name() { set(off, 1); }         \
  void db_disable_##name() { set(off, 0); }
VESK_DB_SWITCH(voice_detect, opt::VOICE)
VESK_DB_SWITCH(polling, opt::POLL)
VESK_DB_SWITCH(lqa, opt::LQA)
VESK_DB_SWITCH(gps, opt::GPS)
VESK_DB_SWITCH(echo, opt::ECHO)
VESK_DB_SWITCH(bells, opt::BELLS)
VESK_DB_SWITCH(allcalls, opt::ALLCALL)
VESK_DB_SWITCH(anycalls, opt::ANYCALL)
VESK_DB_SWITCH(passive, opt::PASSIVE)
VESK_DB_SWITCH(wildcards, opt::WILDCARDS)
VESK_DB_SWITCH(tis_sounding, opt::TIS)
VESK_DB_SWITCH(trace_commands, opt::TRACE_COMMANDS)
VESK_DB_SWITCH(trace_rx_words, opt::TRACE_RX_WORDS)
VESK_DB_SWITCH(trace_tx_words, opt::TRACE_TX_WORDS)
VESK_DB_SWITCH(trace_states, opt::TRACE_STATES)
VESK_DB_SWITCH(trace_events, opt::TRACE_EVENTS)
VESK_DB_SWITCH(trace_timers, opt::TRACE_TIMERS)
VESK_DB_SWITCH(memory_channels, opt::MEMORY_CHANNELS)
VESK_DB_SWITCH(lp, opt::LP)
VESK_DB_SWITCH(limit_calling, opt::LIMIT_CALLING)
VESK_DB_SWITCH(rms_block, opt::RMS_BLOCK)
VESK_DB_SWITCH(radio_server, opt::RADIO_SERVER)
VESK_DB_SWITCH(switch_11980, opt::SWITCH_11980)
VESK_DB_SWITCH(switch_12056, opt::SWITCH_12056)
#undef VESK_DB_SWITCH

// The recorder switch is a byte.
int db_get_recorder() { return db_option_byte(opt::RECORDER_ON); }
void db_enable_recorder() { db_set_option_byte(opt::RECORDER_ON, 1); }
void db_disable_recorder() { db_set_option_byte(opt::RECORDER_ON, 0); }

int db_get_motd_switch() { return get(opt::MOTD); }
void db_enable_motd() { set(opt::MOTD, 1); }
void db_disable_motd() { set(opt::MOTD, 0); }

int db_get_mode_resend() { return get(opt::MODE_RESEND); }
void db_set_mode_resend() { set(opt::MODE_RESEND, 1); }
void db_clear_mode_resend() { set(opt::MODE_RESEND, 0); }

int db_get_display_soundings() { return get(opt::DISPLAY_SOUNDINGS); }
int db_get_listen_calls() { return get(opt::LISTEN_CALLS); }
int db_get_linked_twx() { return get(opt::LINKED_TWX); }
void db_set_linked_twx(int on) { set(opt::LINKED_TWX, on); }
int db_get_listen_mode() { return get(opt::LISTEN_MODE); }
void db_set_listen_mode(int on) { set(opt::LISTEN_MODE, on); }
int db_get_display_bad_data() { return get(opt::DISPLAY_BAD_DATA); }
int db_get_freq_display() { return get(opt::FREQ_DISPLAY); }
// Saturates: a stored time whose milliseconds do not fit an int gives the largest int.
int db_get_listen_time_ms() {
  return static_cast<int>(std::clamp<int64_t>(int64_t{get(opt::LISTEN_TIME)} * 1000, 0, INT32_MAX));
}
void db_set_listen_time(int secs) { set(opt::LISTEN_TIME, secs); }

// ---- message of the day ----

int db_set_motd(const char* text) {
  const std::size_t len = text ? std::strlen(text) : 0;
  DbLock lock;
  uint8_t* field = lock.options().bytes + opt::MOTD_TEXT;
  std::memset(field, 0, opt::MOTD_TEXT_SIZE + 2);  // the field and the two reserved bytes after it
  for (std::size_t i = 0; i < len && i < opt::MOTD_TEXT_SIZE; ++i) {
    const int c = std::toupper(static_cast<unsigned char>(text[i]));
    // The ALE 64-character set is 0x20 to 0x5F.
    field[i] = static_cast<uint8_t>((c >= 0x20 && c <= 0x5F) ? c : '?');
  }
  return static_cast<int>(len);
}

std::string db_get_motd() { return db_option_text(opt::MOTD_TEXT, opt::MOTD_TEXT_SIZE); }

// ---- messages ----

int db_get_dbm_retries() { return get(opt::DBM_RETRIES); }
void db_set_dbm_retries(int n) { set(opt::DBM_RETRIES, n); }
void db_set_dbm_arq() { set(opt::DBM_MODE, 1); }
void db_set_dbm_broadcast() { set(opt::DBM_MODE, 2); }
int db_get_dbm_mode() { return get(opt::DBM_MODE); }
int db_get_dtm_retries() { return get(opt::DTM_RETRIES); }
void db_set_dtm_retries(int n) { set(opt::DTM_RETRIES, n); }
void db_set_dtm_arq() { set(opt::DTM_MODE, 1); }
void db_set_dtm_broadcast() { set(opt::DTM_MODE, 2); }
int db_get_dtm_mode() { return get(opt::DTM_MODE); }
int db_get_amd_retries() { return get(opt::AMD_RETRIES); }
void db_set_amd_retries(int n) { set(opt::AMD_RETRIES, n); }
int db_get_dbm_max_frame_time() { return get(opt::DBM_MAX_FRAME_TIME); }
int db_get_dtm_max_frame_time() { return get(opt::DTM_MAX_FRAME_TIME); }
int db_get_sounding_attempts() { return get(opt::SOUNDING_ATTEMPTS); }

// ---- ports ----

int db_get_radio_port() { return get(opt::RADIO_PORT); }
void db_set_radio_port(int port) { set(opt::RADIO_PORT, port); }
int db_get_reopened_radio_port() { return get(opt::REOPENED_RADIO_PORT); }
void db_set_reopened_radio_port(int port) { set(opt::REOPENED_RADIO_PORT, port); }
int db_get_alt_ptt_port() { return get(opt::ALT_PTT_PORT); }
void db_set_alt_ptt_port(int port) { set(opt::ALT_PTT_PORT, port); }
int db_get_atu_port() { return get(opt::ATU_PORT); }
void db_set_atu_port(int port) { set(opt::ATU_PORT, port); }
int db_get_ant_switch_port() { return get(opt::ANT_SWITCH_PORT); }
void db_set_ant_switch_port(int port) { set(opt::ANT_SWITCH_PORT, port); }
int db_get_tnc_port() { return get(opt::TNC_PORT); }
void db_set_tnc_port(int port) { set(opt::TNC_PORT, port); }
int db_get_emulation_port() { return get(opt::EMULATION_PORT); }
void db_set_emulation_port(int port) { set(opt::EMULATION_PORT, port); }
int db_get_emulation_enabled() { return get(opt::EMULATION_ENABLED); }
int db_get_tnc_baud() { return get(opt::TNC_BAUD); }

double db_get_freq_offset_khz() {
  DbLock lock;
  return lock.options().f64(opt::FREQ_OFFSET_KHZ);
}

void db_set_freq_offset_khz(double khz) {
  DbLock lock;
  lock.options().set_f64(opt::FREQ_OFFSET_KHZ, khz);
}
int db_get_tnc_data_mode() { return get(opt::VALUE_11984); }
void db_set_tnc_data_mode(int mode) { set(opt::VALUE_11984, mode); }
int db_get_freq_offset_add() { return get(opt::SWITCH_11980); }
void db_set_freq_offset_add(int add) { set(opt::SWITCH_11980, add); }

// ---- time-quality minute counter ----

void db_step_minute_counter() {
  DbLock lock;
  StationOptions& o = lock.options();
  const int32_t n = o.i32(opt::MINUTE_COUNTER);
  if (n < INT32_MAX) o.set_i32(opt::MINUTE_COUNTER, n + 1);
}

int db_minute_counter_class() {
  const int32_t n = get(opt::MINUTE_COUNTER);
  int cls = 0;
  for (int c = 1; c < 8; ++c)
    if (n >= kMinuteClassFloor[c]) cls = c;
  return cls;
}

void db_set_minute_counter_class(int cls) {
  if (cls < 0 || cls > 7) return;
  set(opt::MINUTE_COUNTER, kMinuteClassFloor[cls]);
}

int db_get_minute_counter() { return get(opt::MINUTE_COUNTER); }
void db_set_minute_counter(int count) { set(opt::MINUTE_COUNTER, count); }

int db_get_lqa_timeout() { return get(opt::LQA_TIMEOUT); }
void db_set_lqa_timeout(int minutes) { set(opt::LQA_TIMEOUT, minutes); }
int db_get_resound_period() { return get(opt::RESOUND_PERIOD); }
void db_set_resound_period(int minutes) { set(opt::RESOUND_PERIOD, minutes); }

// ---- recorder ----

std::string db_get_recorder_path() { return db_option_text(opt::RECORDER_PATH, opt::RECORDER_PATH_SIZE); }
void db_set_recorder_path(const char* path) { db_set_option_text(opt::RECORDER_PATH, opt::RECORDER_PATH_SIZE, path); }
int db_get_recorder_max_secs() { return get(opt::RECORDER_MAX_SECS); }
void db_set_recorder_max_secs(int secs) { set(opt::RECORDER_MAX_SECS, secs); }

int db_get_atu_tone_tune() { return get(opt::ATU_TONE_TUNE); }
void db_set_atu_tone_tune(int on) { set(opt::ATU_TONE_TUNE, on); }

// ---- host port ----

uint32_t db_get_host_ip() {
  DbLock lock;
  uint32_t v;
  std::memcpy(&v, lock.options().bytes + opt::HOST_IP, 4);  // bytes as stored: network order
  return v;
}

void db_set_host_ip(uint32_t ip_network_order) {
  DbLock lock;
  std::memcpy(lock.options().bytes + opt::HOST_IP, &ip_network_order, 4);
}

uint16_t db_get_tcp_port() {
  DbLock lock;
  uint16_t v;
  std::memcpy(&v, lock.options().bytes + opt::TCP_PORT, 2);
  return v;
}

void db_set_tcp_port(uint16_t port_network_order) {
  DbLock lock;
  std::memcpy(lock.options().bytes + opt::TCP_PORT, &port_network_order, 2);
}

int db_get_tcp_autostart() { return get(opt::TCP_AUTOSTART); }
void db_set_tcp_autostart(int on) { set(opt::TCP_AUTOSTART, on); }

int db_get_rx_autofill() { return get(opt::RX_AUTOFILL); }
void db_set_rx_autofill(int on) { set(opt::RX_AUTOFILL, on); }
int db_get_email_enabled() { return get(opt::MAIL_ON); }
void db_set_email_enabled(int on) { set(opt::MAIL_ON, on); }
int db_get_email_file_counter() { return get(opt::MAIL_FILE_COUNTER); }
void db_set_email_file_counter(int n) { set(opt::MAIL_FILE_COUNTER, n); }
int db_get_mail_setting() { return get(opt::MAIL_SETTING); }
void db_set_mail_setting(int value) { set(opt::MAIL_SETTING, value); }
int db_get_log_to_disk() { return get(opt::LOG_TO_DISK); }
void db_set_log_to_disk(int on) { set(opt::LOG_TO_DISK, on); }

// ---- data link and modem ----

void db_get_m110_params(int32_t out[10]) {
  DbLock lock;
  for (int i = 0; i < 10; ++i) out[i] = lock.options().i32(opt::M110_PARAMS + 4 * static_cast<std::size_t>(i));
}

void db_set_m110_params(const int32_t in[10]) {
  DbLock lock;
  for (int i = 0; i < 10; ++i) lock.options().set_i32(opt::M110_PARAMS + 4 * static_cast<std::size_t>(i), in[i]);
}

std::string db_get_data_rate() { return db_option_text(opt::DATA_RATE, opt::DATA_RATE_SIZE); }
void db_set_data_rate(const char* name) { db_set_option_text(opt::DATA_RATE, opt::DATA_RATE_SIZE, name); }
int db_get_data_link_mode() { return get(opt::DATA_LINK_MODE); }
void db_set_data_link_mode(int mode) { set(opt::DATA_LINK_MODE, mode); }
int db_get_twx_mode() { return get(opt::TWX_MODE); }
void db_set_twx_mode(int mode) { set(opt::TWX_MODE, mode); }
int db_get_modem_centre_freq() { return get(opt::MODEM_CENTRE_FREQ); }
void db_set_modem_centre_freq(int hz) { set(opt::MODEM_CENTRE_FREQ, hz); }
int db_get_modem_sample_rate() { return get(opt::MODEM_SAMPLE_RATE); }
void db_set_modem_sample_rate(int rate) { set(opt::MODEM_SAMPLE_RATE, rate); }

int db_get_wave_in_device() { return get(opt::WAVE_IN_DEVICE); }
void db_set_wave_in_device(int device) { set(opt::WAVE_IN_DEVICE, device); }
int db_get_wave_out_device() { return get(opt::WAVE_OUT_DEVICE); }
void db_set_wave_out_device(int device) { set(opt::WAVE_OUT_DEVICE, device); }
int db_get_mixer_input() { return get(opt::MIXER_INPUT); }
void db_set_mixer_input(int source) { set(opt::MIXER_INPUT, source); }

int db_get_rts_ptt() { return get(opt::RTS_PTT); }
void db_set_rts_ptt(int on) { set(opt::RTS_PTT, on); }
int db_get_dtr_ptt() { return get(opt::DTR_PTT); }
void db_set_dtr_ptt(int on) { set(opt::DTR_PTT, on); }
int db_get_rts_mute() { return get(opt::RTS_MUTE); }
void db_set_rts_mute(int on) { set(opt::RTS_MUTE, on); }
int db_get_dtr_mute() { return get(opt::DTR_MUTE); }
void db_set_dtr_mute(int on) { set(opt::DTR_MUTE, on); }

int db_get_channel_tx_audio() { return get(opt::CHANNEL_TX_AUDIO); }
void db_set_channel_tx_audio(int on) { set(opt::CHANNEL_TX_AUDIO, on); }
int db_get_aqc_mode() { return get(opt::AQC); }
void db_set_aqc_mode(int on) { set(opt::AQC, on); }
int db_get_aqc_burst() { return get(opt::AQC_BURST); }
void db_set_aqc_burst(int on) { set(opt::AQC_BURST, on); }
int db_get_atu_tune_words() { return get(opt::ATU_TUNE_WORDS); }
void db_set_atu_tune_words(int n) { set(opt::ATU_TUNE_WORDS, n); }
int db_get_atu_tune_level() { return get(opt::ATU_TUNE_LEVEL); }
int db_get_muted_af_level() { return get(opt::MUTED_AF_LEVEL); }
int db_get_unmuted_af_level() { return get(opt::UNMUTED_AF_LEVEL); }
void db_set_min_call_time(int value) { set(opt::MIN_CALL_TIME, value); }
void db_set_max_call_time(int value) { set(opt::MAX_CALL_TIME, value); }
int db_get_min_call_time() { return get(opt::MIN_CALL_TIME); }
int db_get_max_call_time() { return get(opt::MAX_CALL_TIME); }
int db_get_linked_batch() { return get(opt::LINKED_BATCH); }
int db_get_unlinked_batch() { return get(opt::UNLINKED_BATCH); }
int db_get_cat_mute() { return get(opt::CAT_MUTE); }
void db_set_cat_mute(int on) { set(opt::CAT_MUTE, on); }
int db_get_resources() { return get(opt::RESOURCES); }
void db_set_resources(int on) { set(opt::RESOURCES, on); }
int db_get_release_radio1() { return get(opt::RELEASE_RADIO1); }
void db_set_release_radio1(int on) { set(opt::RELEASE_RADIO1, on); }
int db_get_release_radio2() { return get(opt::RELEASE_RADIO2); }
void db_set_release_radio2(int on) { set(opt::RELEASE_RADIO2, on); }
int db_get_release_alt_ptt() { return get(opt::RELEASE_ALT_PTT); }
void db_set_release_alt_ptt(int on) { set(opt::RELEASE_ALT_PTT, on); }
int db_get_release_sound() { return get(opt::RELEASE_SOUND); }
void db_set_release_sound(int on) { set(opt::RELEASE_SOUND, on); }
int db_get_ptt_status_display() { return get(opt::PTT_STATUS); }
void db_set_ptt_status_display(int on) { set(opt::PTT_STATUS, on); }
int db_get_show_date() { return get(opt::SHOW_DATE); }
void db_set_show_date(int on) { set(opt::SHOW_DATE, on); }
int db_get_atu_dtr_delay() { return get(opt::ATU_DTR_DELAY); }
void db_set_atu_dtr_delay(int ms) { set(opt::ATU_DTR_DELAY, ms); }
int db_get_atu_rts_delay() { return get(opt::ATU_RTS_DELAY); }
void db_set_atu_rts_delay(int ms) { set(opt::ATU_RTS_DELAY, ms); }
int db_get_secure_transfers() { return get(opt::SECURE_TRANSFERS); }
void db_set_secure_transfers(int on) { set(opt::SECURE_TRANSFERS, on); }

void db_get_transfer_keys(uint8_t out[24]) {
  DbLock lock;
  std::memcpy(out, lock.options().bytes + opt::TRANSFER_KEYS, 24);
}

void db_set_transfer_keys(const uint8_t in[24]) {
  DbLock lock;
  std::memcpy(lock.options().bytes + opt::TRANSFER_KEYS, in, 24);
}

std::string db_get_plugin_file() { return db_option_text(opt::PLUGIN_FILE, opt::PLUGIN_FILE_SIZE); }
void db_set_plugin_file(const char* name) { db_set_option_text(opt::PLUGIN_FILE, opt::PLUGIN_FILE_SIZE, name); }

}  // namespace vesk
