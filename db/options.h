// Station options: the configuration section of the station database.
//
// One table (options.cpp) gives every option its offset in the section, its default and the
// rule its setter applies (store, ignore, cap, clamp, substitute); the accessors below are
// thin names over it. Every accessor takes the database lock itself; offsets are relative
// to the start of the section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "db/database.h"

namespace vesk {

// Offsets of the option fields that other modules read by offset (db_option_int).
namespace opt {
inline constexpr std::size_t SCAN_GROUP = 0;
inline constexpr std::size_t SCAN_GROUP_LABELS = 4;  // 16 records of 640 bytes, label first
inline constexpr std::size_t SCAN_GROUP_RECORD_SIZE = 640;
inline constexpr std::size_t SCAN_RATE = 10244;
inline constexpr std::size_t TWA_SECS = 10248;
inline constexpr std::size_t RADIO_TYPE = 10252;
// Radio set-up fields (owned by radio set-up).
inline constexpr std::size_t RADIO_MODEL_DETECTED = 10256;  // byte
inline constexpr std::size_t RADIO_SETUP_TEXT = 10257;      // text up to 10299
inline constexpr std::size_t RADIO_SETUP_TEXT_SIZE = 43;
inline constexpr std::size_t RADIO_PRECONFIG_DISABLED = 10300;
inline constexpr std::size_t RADIO_DATA_BITS = 10304;  // byte
inline constexpr std::size_t RADIO_STOP_BITS = 10305;  // byte
inline constexpr std::size_t RADIO_BAUD = 10308;
inline constexpr std::size_t RADIO_PARITY = 10312;
inline constexpr std::size_t MY_ADDRESS = 10316;  // 17 bytes
inline constexpr std::size_t MY_ADDRESS_SIZE = 17;
inline constexpr std::size_t RECORDER_PATH = 10333;  // 1024 bytes
inline constexpr std::size_t RECORDER_PATH_SIZE = 1024;
inline constexpr std::size_t TRANSFER_KEYS = 11357;  // 3 x 8 bytes, K1 first
inline constexpr std::size_t SECURE_TRANSFERS = 11384;
inline constexpr std::size_t MAIL_SETTING = 11388;
inline constexpr std::size_t MOTD_TEXT = 11392;  // 90 bytes, no terminator when full
inline constexpr std::size_t MOTD_TEXT_SIZE = 90;
inline constexpr std::size_t PTT_DELAY = 11484;
inline constexpr std::size_t SYNC_VOTES = 11488;
inline constexpr std::size_t SYNC_ERRORS = 11492;
inline constexpr std::size_t FRAME_VOTES = 11496;
inline constexpr std::size_t FRAME_ERRORS = 11500;
inline constexpr std::size_t SCLC = 11504;
inline constexpr std::size_t DBM_RETRIES = 11508;
inline constexpr std::size_t DBM_MAX_FRAME_TIME = 11512;
inline constexpr std::size_t DTM_RETRIES = 11516;
inline constexpr std::size_t DTM_MAX_FRAME_TIME = 11520;
inline constexpr std::size_t DBM_MODE = 11524;
inline constexpr std::size_t DTM_MODE = 11528;
inline constexpr std::size_t LQA_TIMEOUT = 11532;
inline constexpr std::size_t SOUNDING_INTERVAL = 11536;
inline constexpr std::size_t RESOUND_PERIOD = 11540;
inline constexpr std::size_t MINUTE_COUNTER = 11544;
inline constexpr std::size_t DCD = 11548;
inline constexpr std::size_t TXAL = 11552;
inline constexpr std::size_t RXAL = 11556;
inline constexpr std::size_t MXAL = 11560;
inline constexpr std::size_t RADIO_PORT = 11564;
inline constexpr std::size_t SOUNDING_ATTEMPTS = 11568;
inline constexpr std::size_t LISTEN_TIME = 11572;
inline constexpr std::size_t RECORDER_MAX_SECS = 11576;
inline constexpr std::size_t WAVE_IN_DEVICE = 11580;
inline constexpr std::size_t WAVE_OUT_DEVICE = 11584;
inline constexpr std::size_t MIXER_INPUT = 11588;
inline constexpr std::size_t MAIL_FILE_COUNTER = 11596;
inline constexpr std::size_t HOST_IP = 11600;   // 4 bytes, network order
inline constexpr std::size_t TCP_PORT = 11604;  // 2 bytes network order, 2 bytes zero
inline constexpr std::size_t TCP_AUTOSTART = 11608;
inline constexpr std::size_t SCAN_ACTIVE = 11612;
inline constexpr std::size_t SOUNDING = 11616;
inline constexpr std::size_t AQC = 11620;
inline constexpr std::size_t AQC_BURST = 11624;
inline constexpr std::size_t VOICE = 11628;
inline constexpr std::size_t POLL = 11632;
inline constexpr std::size_t GPS = 11636;
inline constexpr std::size_t LQA = 11640;
inline constexpr std::size_t ECHO = 11644;
inline constexpr std::size_t BELLS = 11648;
inline constexpr std::size_t ALLCALL = 11652;
inline constexpr std::size_t ANYCALL = 11656;
inline constexpr std::size_t WILDCARDS = 11660;
inline constexpr std::size_t TIS = 11664;
inline constexpr std::size_t MOTD = 11668;
inline constexpr std::size_t LP = 11672;
inline constexpr std::size_t MODE_RESEND = 11676;
inline constexpr std::size_t MEMORY_CHANNELS = 11680;
inline constexpr std::size_t LINKED_TWX = 11684;
inline constexpr std::size_t DISPLAY_SOUNDINGS = 11688;
inline constexpr std::size_t LISTEN_CALLS = 11692;
inline constexpr std::size_t DISPLAY_BAD_DATA = 11696;
inline constexpr std::size_t FREQ_DISPLAY = 11700;
inline constexpr std::size_t TRACE_COMMANDS = 11704;
inline constexpr std::size_t TRACE_RX_WORDS = 11708;
inline constexpr std::size_t TRACE_TX_WORDS = 11712;
inline constexpr std::size_t TRACE_STATES = 11716;
inline constexpr std::size_t TRACE_EVENTS = 11720;
inline constexpr std::size_t TRACE_TIMERS = 11724;
inline constexpr std::size_t RECORDER_ON = 11728;  // byte
inline constexpr std::size_t ATU_TONE_TUNE = 11736;
inline constexpr std::size_t RX_AUTOFILL = 11740;
inline constexpr std::size_t MAIL_ON = 11744;
inline constexpr std::size_t LOG_TO_DISK = 11748;
inline constexpr std::size_t RTS_PTT = 11756;
inline constexpr std::size_t DTR_PTT = 11760;
inline constexpr std::size_t RTS_MUTE = 11764;
inline constexpr std::size_t DTR_MUTE = 11768;
inline constexpr std::size_t M110_PARAMS = 11772;  // 10 ints
inline constexpr std::size_t DATA_LINK_TRACE = 11796;
inline constexpr std::size_t DATA_LINK_MODE = 11812;
inline constexpr std::size_t TWX_MODE = 11816;
inline constexpr std::size_t DATA_RATE = 11820;  // 10 bytes
inline constexpr std::size_t DATA_RATE_SIZE = 10;
inline constexpr std::size_t PLUGIN_FILE = 11830;  // 42 bytes
inline constexpr std::size_t PLUGIN_FILE_SIZE = 42;
inline constexpr std::size_t MODEM_CENTRE_FREQ = 11872;
inline constexpr std::size_t MODEM_SAMPLE_RATE = 11876;
inline constexpr std::size_t ATU_TUNE_WORDS = 11880;
inline constexpr std::size_t CHANNEL_TX_AUDIO = 11884;
inline constexpr std::size_t LINKED_BATCH = 11888;
inline constexpr std::size_t UNLINKED_BATCH = 11892;
inline constexpr std::size_t REOPENED_RADIO_PORT = 11896;
inline constexpr std::size_t ALT_PTT_PORT = 11900;
inline constexpr std::size_t ATU_PORT = 11904;
inline constexpr std::size_t ATU_TYPE = 11920;
inline constexpr std::size_t ATU_TUNE_LEVEL = 11924;
inline constexpr std::size_t TUNER_VALUE_A = 11928;
inline constexpr std::size_t TUNER_VALUE_B = 11932;
inline constexpr std::size_t ANT_SWITCH_PORT = 11936;
inline constexpr std::size_t ANT_SWITCH_TYPE = 11940;
inline constexpr std::size_t TNC_PORT = 11944;
inline constexpr std::size_t TNC_TYPE = 11948;
inline constexpr std::size_t MUTED_AF_LEVEL = 11952;
inline constexpr std::size_t UNMUTED_AF_LEVEL = 11956;
inline constexpr std::size_t TNC_BAUD = 11960;
inline constexpr std::size_t FREQ_OFFSET_KHZ = 11968;  // 8-byte real
inline constexpr std::size_t PASSIVE = 11976;
inline constexpr std::size_t SWITCH_11980 = 11980;
inline constexpr std::size_t VALUE_11984 = 11984;
inline constexpr std::size_t TNC_HANDSHAKE = 11988;
inline constexpr std::size_t LISTEN_MODE = 11992;
inline constexpr std::size_t AMD_RETRIES = 11996;
inline constexpr std::size_t LIMIT_CALLING = 12000;
inline constexpr std::size_t MIN_CALL_TIME = 12004;
inline constexpr std::size_t MAX_CALL_TIME = 12008;
inline constexpr std::size_t RESOURCES = 12012;
inline constexpr std::size_t CAT_MUTE = 12016;
inline constexpr std::size_t PTT_STATUS = 12020;
inline constexpr std::size_t SHOW_DATE = 12024;
inline constexpr std::size_t RELEASE_RADIO1 = 12028;
inline constexpr std::size_t RELEASE_RADIO2 = 12032;
inline constexpr std::size_t RELEASE_ALT_PTT = 12036;
inline constexpr std::size_t RELEASE_SOUND = 12040;
inline constexpr std::size_t ATU_DTR_DELAY = 12044;
inline constexpr std::size_t ATU_RTS_DELAY = 12048;
inline constexpr std::size_t EMULATION_PORT = 12052;
inline constexpr std::size_t SWITCH_12056 = 12056;
inline constexpr std::size_t EMULATION_ENABLED = 12060;
inline constexpr std::size_t RMS_BLOCK = 12064;
inline constexpr std::size_t RADIO_SERVER = 12068;
}  // namespace opt

// What a setter does with its argument.
enum class OptionRule : uint8_t {
  Store,        // store as given
  IgnoreAbove,  // values above `a` change nothing
  Cap,          // values above `a` store `a`
  Clamp,        // below `a` store `a`, above `b` store `b`
  Substitute,   // `a` stores `b`
  AcceptRange,  // only values `a` to `b` are stored; others change nothing
};

struct OptionSpec {
  const char* name;
  std::size_t offset;
  bool has_default;  // false: the defaults leave the field untouched
  int32_t default_value;
  OptionRule rule;
  int32_t a;
  int32_t b;
};

// The table of the int options, in offset order.
std::span<const OptionSpec> option_table();
// The row for an offset, or null.
const OptionSpec* option_spec(std::size_t offset);
// The value the row's setter rule makes of `value` for a stored `current`.
int32_t option_apply_rule(const OptionSpec& spec, int32_t current, int32_t value);

// The whole section, for access by offset while the lock is held (the section is kept as its
// stored bytes, so there is no word view: use StationOptions::i32 or db_option_int).
StationOptions* db_options(DbLock& lock);
void db_set_default_options();

// Any int option by offset. The setter applies the table's rule when the offset has a row.
int32_t db_option_int(std::size_t offset);
void db_set_option_int(std::size_t offset, int32_t value);
uint8_t db_option_byte(std::size_t offset);
void db_set_option_byte(std::size_t offset, uint8_t value);
// A text option as a string, bounded by its field.
std::string db_option_text(std::size_t offset, std::size_t size);
void db_set_option_text(std::size_t offset, std::size_t size, const char* text);

// Scan group, scan rate and dwell.
int db_get_scan_group();
// 0 to 15; any other group is refused (returns -1, nothing changes).
int db_set_scan_group(int group);
std::string db_get_scan_group_label(int group);
void db_set_scan_group_label(int group, const char* label);
int db_get_scan_rate();
void db_set_scan_rate(int rate);
int db_get_scan_dwell_ms();

int db_get_twa_secs();
void db_set_twa_secs(int secs);
int db_get_radio_type();
void db_set_radio_type(int type);
int db_get_tnc_type();
void db_set_tnc_type(int type);
int db_get_tnc_handshake();
void db_set_tnc_handshake(int handshake);
int db_get_atu_type();
void db_set_atu_type(int type);
int db_get_ant_switch_type();
void db_set_ant_switch_type(int type);
int db_get_ptt_delay();
void db_set_ptt_delay(int ms);
int db_get_dcd_threshold();
void db_set_dcd_threshold(int value);
int db_get_tx_audio_level();
void db_set_tx_audio_level(int level);
int db_get_rx_audio_level();
void db_set_rx_audio_level(int level);
int db_get_mxal_level();
void db_set_mxal_level(int level);
int db_get_sclc();
void db_set_sclc(int value);
int db_get_sounding_interval();
void db_set_sounding_interval(int minutes);
int db_get_sounding();
void db_enable_sounding();
void db_disable_sounding();
int db_get_sync_errors();
void db_set_sync_errors(int value);
int db_get_frame_errors();
void db_set_frame_errors(int value);
int db_get_sync_votes();
void db_set_sync_votes(int value);
int db_get_frame_votes();
void db_set_frame_votes(int value);
int db_get_scan_active();
void db_set_scan_active();
void db_clear_scan_active();

// Switches: getter, enable (1) and disable (0).
#define VESK_DB_SWITCH(name)  \
  int db_get_##name();        \
  void db_enable_##name();    \
  void db_disable_##name();
VESK_DB_SWITCH(voice_detect)
VESK_DB_SWITCH(polling)
VESK_DB_SWITCH(lqa)
VESK_DB_SWITCH(gps)
VESK_DB_SWITCH(echo)
VESK_DB_SWITCH(bells)
VESK_DB_SWITCH(allcalls)
VESK_DB_SWITCH(anycalls)
VESK_DB_SWITCH(passive)
VESK_DB_SWITCH(wildcards)
VESK_DB_SWITCH(tis_sounding)
VESK_DB_SWITCH(trace_commands)
VESK_DB_SWITCH(trace_rx_words)
VESK_DB_SWITCH(trace_tx_words)
VESK_DB_SWITCH(trace_states)
VESK_DB_SWITCH(trace_events)
VESK_DB_SWITCH(trace_timers)
VESK_DB_SWITCH(memory_channels)
VESK_DB_SWITCH(lp)
VESK_DB_SWITCH(limit_calling)
VESK_DB_SWITCH(rms_block)
VESK_DB_SWITCH(radio_server)
VESK_DB_SWITCH(recorder)  // the byte at RECORDER_ON
VESK_DB_SWITCH(switch_11980)
VESK_DB_SWITCH(switch_12056)
#undef VESK_DB_SWITCH
// The MOTD switch (send the message of the day); db_get_motd returns the text.
int db_get_motd_switch();
void db_enable_motd();
void db_disable_motd();
int db_get_mode_resend();
void db_set_mode_resend();
void db_clear_mode_resend();

int db_get_display_soundings();
int db_get_listen_calls();
int db_get_linked_twx();
void db_set_linked_twx(int on);
int db_get_listen_mode();
void db_set_listen_mode(int on);
int db_get_display_bad_data();
int db_get_freq_display();
int db_get_listen_time_ms();
void db_set_listen_time(int secs);

// Message of the day: upper-cased, characters outside the ALE 64-character set become '?'.
// Returns the text's length.
int db_set_motd(const char* text);
std::string db_get_motd();

int db_get_dbm_retries();
void db_set_dbm_retries(int n);
void db_set_dbm_arq();
void db_set_dbm_broadcast();
int db_get_dbm_mode();
int db_get_dtm_retries();
void db_set_dtm_retries(int n);
void db_set_dtm_arq();
void db_set_dtm_broadcast();
int db_get_dtm_mode();
int db_get_amd_retries();
void db_set_amd_retries(int n);
int db_get_dbm_max_frame_time();
int db_get_dtm_max_frame_time();
int db_get_sounding_attempts();

// Ports.
int db_get_radio_port();
void db_set_radio_port(int port);  // 1 or 2 only
int db_get_reopened_radio_port();
void db_set_reopened_radio_port(int port);
int db_get_alt_ptt_port();
void db_set_alt_ptt_port(int port);  // 1 to 9 only
int db_get_atu_port();
void db_set_atu_port(int port);  // 1 to 9 only
int db_get_ant_switch_port();
void db_set_ant_switch_port(int port);  // 1 to 9 only
int db_get_tnc_port();
void db_set_tnc_port(int port);  // 1 to 9 only
int db_get_emulation_port();
void db_set_emulation_port(int port);
int db_get_emulation_enabled();
int db_get_tnc_baud();
double db_get_freq_offset_khz();
void db_set_freq_offset_khz(double khz);
// The radio mode while the TNC works (0 USB, 1 LSB, 2 USB-D, 3 LSB-D, 4 FSK, 5 FSK_R, 6 PKT,
// 7 RTTY), kept at 11984, and the sign switch of the frequency offset (1 add, 0 subtract), kept
// at 11980 (the switch_11980 accessors read the same field).
int db_get_tnc_data_mode();
void db_set_tnc_data_mode(int mode);
int db_get_freq_offset_add();
void db_set_freq_offset_add(int add);

// Time-quality minute counter.
void db_step_minute_counter();
int db_minute_counter_class();
void db_set_minute_counter_class(int cls);
int db_get_minute_counter();
void db_set_minute_counter(int count);

int db_get_lqa_timeout();
void db_set_lqa_timeout(int minutes);
int db_get_resound_period();
void db_set_resound_period(int minutes);

// Recorder.
std::string db_get_recorder_path();
void db_set_recorder_path(const char* path);  // bounded to the field, NUL-terminated
int db_get_recorder_max_secs();
void db_set_recorder_max_secs(int secs);

int db_get_atu_tone_tune();
void db_set_atu_tone_tune(int on);

// Host port: the address and port as stored, in network byte order (ready for sockaddr_in).
uint32_t db_get_host_ip();
void db_set_host_ip(uint32_t ip_network_order);
uint16_t db_get_tcp_port();
void db_set_tcp_port(uint16_t port_network_order);
int db_get_tcp_autostart();
void db_set_tcp_autostart(int on);

int db_get_rx_autofill();
void db_set_rx_autofill(int on);
int db_get_email_enabled();
void db_set_email_enabled(int on);
int db_get_email_file_counter();
void db_set_email_file_counter(int n);
int db_get_mail_setting();
void db_set_mail_setting(int value);
int db_get_log_to_disk();
void db_set_log_to_disk(int on);

// Data link: the ten configuration values in stored order.
void db_get_m110_params(int32_t out[10]);
void db_set_m110_params(const int32_t in[10]);
std::string db_get_data_rate();
void db_set_data_rate(const char* name);  // at most 9 characters kept
int db_get_data_link_mode();
void db_set_data_link_mode(int mode);
int db_get_twx_mode();
void db_set_twx_mode(int mode);
int db_get_modem_centre_freq();
void db_set_modem_centre_freq(int hz);
int db_get_modem_sample_rate();
void db_set_modem_sample_rate(int rate);

// Sound devices and mixer.
int db_get_wave_in_device();
void db_set_wave_in_device(int device);
int db_get_wave_out_device();
void db_set_wave_out_device(int device);
int db_get_mixer_input();
void db_set_mixer_input(int source);

// PTT and mute lines.
int db_get_rts_ptt();
void db_set_rts_ptt(int on);
int db_get_dtr_ptt();
void db_set_dtr_ptt(int on);
int db_get_rts_mute();
void db_set_rts_mute(int on);
int db_get_dtr_mute();
void db_set_dtr_mute(int on);

int db_get_channel_tx_audio();
void db_set_channel_tx_audio(int on);
int db_get_aqc_mode();
void db_set_aqc_mode(int on);
int db_get_aqc_burst();
void db_set_aqc_burst(int on);
int db_get_atu_tune_words();
void db_set_atu_tune_words(int n);
int db_get_atu_tune_level();
int db_get_muted_af_level();
int db_get_unmuted_af_level();
void db_set_min_call_time(int value);
void db_set_max_call_time(int value);
int db_get_min_call_time();
int db_get_max_call_time();
int db_get_linked_batch();
int db_get_unlinked_batch();
int db_get_cat_mute();
void db_set_cat_mute(int on);
int db_get_resources();
void db_set_resources(int on);
int db_get_release_radio1();
void db_set_release_radio1(int on);
int db_get_release_radio2();
void db_set_release_radio2(int on);
int db_get_release_alt_ptt();
void db_set_release_alt_ptt(int on);
int db_get_release_sound();
void db_set_release_sound(int on);
int db_get_ptt_status_display();
void db_set_ptt_status_display(int on);
int db_get_show_date();
void db_set_show_date(int on);
int db_get_atu_dtr_delay();
void db_set_atu_dtr_delay(int ms);  // clamped to 10 ... 1000
int db_get_atu_rts_delay();
void db_set_atu_rts_delay(int ms);
int db_get_secure_transfers();
void db_set_secure_transfers(int on);
// The three 8-byte file-transfer keys, K1 first.
void db_get_transfer_keys(uint8_t out[24]);
void db_set_transfer_keys(const uint8_t in[24]);
std::string db_get_plugin_file();
void db_set_plugin_file(const char* name);  // bounded to the field, NUL-terminated

}  // namespace vesk
