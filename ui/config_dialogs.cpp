#include "ui/config_dialogs.h"

#include <unistd.h>

#include <cctype>
#include <cstring>
#include <filesystem>

#include "command/host_port.h"
#include "command/interpreter.h"
#include "command/mail_port.h"
#include "datalink/fs1052_binding.h"
#include "command/listings.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/call_recorder.h"
#include "modem/sound_card.h"
#include "modem/sound_card_mixer.h"
#include "platform/audio.h"
#include "platform/station.h"
#include "radio/radio_setup.h"
#include "ui/dialog_fields.h"
#include "ui/status_texts.h"

namespace vesk {

namespace {

// Hands the ten stored FED-STD-1052 values to the link.
void fs1052_configure_stored() {
  int32_t p[10];
  db_get_m110_params(p);
  fs1052_configure(p);
}

// The configuration boxes take numbers of up to nine digits.
constexpr std::size_t kMaxDigits = 9;

ConfigOutcome refuse(int field, const std::string& warning) { return {false, warning, field}; }

const int kMinRates[5] = {75, 150, 300, 600, 1200};

}  // namespace

// ---- MIL-STD 188-110 Options ----

Mil110View mil110_options_open() {
  Mil110View v;
  const int c = db_get_modem_centre_freq(), b = db_get_modem_sample_rate();
  if (c >= 1500 && c <= 1800) v.carrier = kCarrier1500;
  if (c >= 1800) v.carrier = kCarrier1800;
  if (b >= 6300 && b <= 6400) v.symbol_rate = 0;
  if (b >= 7100 && b <= 7300) v.symbol_rate = 1;
  if (b >= 7900 && b <= 8100) v.symbol_rate = 2;
  if (b >= 9500 && b <= 9700) v.symbol_rate = 3;
  if (c <= 1200 && b <= 6400) {
    v.carrier = kCarrier1200;
    v.symbol_rate = 0;
    v.upper_rates = false;
  }
  const int link = db_get_data_link_mode();
  v.link_mode = link == 1 || link == 2 ? link : 0;
  const int twx = db_get_twx_mode();
  v.twx_mode = twx == 1 || twx == 2 ? twx : 0;
  v.rate = db_get_data_rate();
  return v;
}

void mil110_choose_rate(const std::string& text) {
  db_set_data_rate(text.c_str());
  report_set_status_pane(17, "ARQ" + db_get_data_rate());
  report_refresh_status_bar();
}

bool mil110_choose_carrier(int carrier) {
  const int hz = carrier == kCarrier1800 ? 1800 : carrier == kCarrier1500 ? 1500 : 1200;
  db_set_modem_centre_freq(hz);
  pane_set_if(5, pane_carrier_or_empty(hz));
  if (carrier == kCarrier1200) {
    db_set_modem_sample_rate(6400);
    pane_set_if(6, pane_bandwidth_or_empty(6400));
  }
  report_refresh_status_bar();
  return carrier != kCarrier1200;
}

void mil110_choose_symbol_rate(int index) {
  if (index < 0 || index >= static_cast<int>(kMil110Bandwidths.size())) return;
  const int b = kMil110Bandwidths[static_cast<std::size_t>(index)];
  db_set_modem_sample_rate(b);
  pane_set_if(6, pane_bandwidth_or_empty(b));
  report_refresh_status_bar();
}

void mil110_options_ok(int link_mode, int twx_mode) {
  db_set_data_link_mode(link_mode);
  report_set_status_pane(4, pane_data_link_mode(link_mode));
  report_refresh_status_bar();
  db_set_twx_mode(twx_mode);
  report_set_status_pane(3, pane_twx_mode(twx_mode));
  report_refresh_status_bar();
}

// ---- FS-1052 Options ----

Fs1052View fs1052_options_open() {
  int32_t p[10];
  db_get_m110_params(p);
  Fs1052View v;
  v.immediate = p[0] == 1;
  v.negotiate = p[1] == 1;
  v.arq_mode = p[2] == 0 || p[2] == 2 || p[2] == 3 ? p[2] : -1;
  v.interleave = p[3] == 6 || p[3] == 7 ? p[3] : -1;
  v.frame_size = std::to_string(p[4]);
  v.retry_count = std::to_string(p[5]);
  v.transmissions = std::to_string(p[8]);
  v.min_rate = "300 BPS";
  for (int i = 0; i < 5; ++i)
    if (p[9] == kMinRates[i]) v.min_rate = kFs1052MinRates[static_cast<std::size_t>(i)];
  // Only the rates the list offers can be selected (12 and 13 show none).
  if (p[7] >= 0 && p[7] <= 11) v.broadcast = kBroadcastRates[p[7]];
  return v;
}

ConfigOutcome fs1052_options_ok(const Fs1052View& v) {
  long frame = 0, retry = 0, transmissions = 0;
  if (!dialog_read_long(v.frame_size, 56, 1023, &frame, kMaxDigits)) return refuse(kFieldFrameSize, "Frame Size: enter a number from 56 to 1023.");
  if (!dialog_read_long(v.retry_count, 1, 100, &retry, kMaxDigits)) return refuse(kFieldRetryCount, "Retry Count: enter a number from 1 to 100.");
  if (!dialog_read_long(v.transmissions, 1, 50, &transmissions, kMaxDigits))
    return refuse(kFieldTransmissions, "Transmissions: enter a number from 1 to 50.");
  int32_t p[10];
  {
    // Read, change and write back under one lock, so no reader sees half of it.
    DbLock lock;
    db_get_m110_params(p);
    p[0] = v.immediate ? 1 : 0;
    p[1] = v.negotiate ? 1 : 0;
    if (v.arq_mode >= 0) p[2] = v.arq_mode;
    if (v.interleave >= 0) p[3] = v.interleave;
    p[4] = static_cast<int32_t>(frame);
    p[5] = static_cast<int32_t>(retry);
    for (int i = 0; i < 5; ++i)
      if (v.min_rate == kFs1052MinRates[static_cast<std::size_t>(i)]) p[9] = kMinRates[i];
    p[8] = static_cast<int32_t>(transmissions);
    for (int i = 0; i < 14; ++i)
      if (v.broadcast == kBroadcastRates[i]) p[7] = i;
    db_set_m110_params(p);
  }
  pane_set_if(9, pane_broadcast_rate_or_empty(p[7]));
  fs1052_configure(p);
  panes_from_m110_params(p);
  // The dialog shows the transmissions as typed (the start-up shows the stored count plus one).
  report_set_status_pane(8, pane_broadcast_transmissions_typed(p[8]));
  report_refresh_status_bar();
  return {};
}

// ---- Soundcard Configure ----

std::vector<SoundDevice> sound_devices(bool input) {
  const AudioDirection dir = input ? AudioDirection::Input : AudioDirection::Output;
  std::vector<SoundDevice> out;
  const std::vector<std::string> names = audio_alsa_pcm_names(dir);
  for (std::size_t n = 0; n < names.size(); ++n) {
    const std::string open_name = audio_alsa_device_name(static_cast<int>(n), dir);
    if (!open_name.empty() && audio_alsa_pcm_opens(open_name, dir))
      out.push_back({static_cast<int>(n), " " + names[n]});
  }
  out.push_back({-1, " Default Device"});
  return out;
}

SoundView soundcard_open() {
  SoundView v;
  v.input_device = db_get_wave_in_device();
  v.output_device = db_get_wave_out_device();
  v.rx_level = db_get_rx_audio_level();
  v.tx_level = db_get_tx_audio_level();
  DbLock lock;
  v.mic_in = lock.options().i32(opt::MIXER_INPUT) != 0;
  return v;
}

void soundcard_ok(const SoundView& v) {
  db_set_wave_in_device(v.input_device);
  db_set_wave_out_device(v.output_device);
  db_set_rx_audio_level(v.rx_level);
  db_set_tx_audio_level(v.tx_level);
  {
    DbLock lock;
    lock.options().set_i32(opt::MIXER_INPUT, v.mic_in ? 1 : 0);
  }
  const bool mic = v.mic_in;
  mmi_post_task([mic] {
    // While the resources are released the card stays closed; the reclaim opens it.
    if (db_get_resources() == 1) {
      snd_close();
      snd_open();
    }
    mixer_set_input_level(db_get_rx_audio_level());
    mixer_set_wave_out_level(db_get_tx_audio_level());
    mixer_select_input(mic ? 1 : 0);
  });
}

// ---- TCP/IP, Email, FTP ----

TcpIpView tcpip_open() {
  TcpIpView v;
  const uint32_t ip = db_get_host_ip();
  uint8_t bytes[4];
  std::memcpy(bytes, &ip, 4);  // network order: the first byte is the leftmost field
  for (int i = 0; i < 4; ++i) v.address[static_cast<std::size_t>(i)] = std::to_string(bytes[i]);
  const uint16_t port = db_get_tcp_port();
  v.port = std::to_string(((port & 0xFF) << 8) | (port >> 8));
  v.enabled = db_get_tcp_autostart() == 1;
  return v;
}

ConfigOutcome tcpip_ok(const TcpIpView& v) {
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) {
    long b = 0;
    if (!dialog_read_long(v.address[static_cast<std::size_t>(i)], 0, 255, &b, kMaxDigits))
      return refuse(i, "IP Address: enter a number from 0 to 255.");
    bytes[i] = static_cast<uint8_t>(b);
  }
  long port = 0;
  if (!dialog_read_long(v.port, 0, 65535, &port, kMaxDigits)) return refuse(4, "Port: enter a number from 0 to 65535.");
  // Port 0 would make the system pick one that no client knows.
  if (port == 0 && v.enabled) return refuse(4, "Port: an enabled interface needs a port from 1 to 65535.");
  const uint32_t old_ip = db_get_host_ip();
  const uint16_t old_port = db_get_tcp_port();
  {
    DbLock lock;
    std::memcpy(lock.options().bytes + opt::HOST_IP, bytes, 4);
  }
  const uint16_t new_port = static_cast<uint16_t>(((port & 0xFF) << 8) | (port >> 8));
  db_set_tcp_port(new_port);
  db_set_tcp_autostart(v.enabled ? 1 : 0);
  uint32_t new_ip = 0;
  std::memcpy(&new_ip, bytes, 4);
  const bool moved = new_ip != old_ip || new_port != old_port;
  const bool enabled = v.enabled;
  mmi_post_task([enabled, moved] {
    // A running port moves to a changed address or port; unchanged, its client stays.
    if (!enabled || moved) host_stop();
    if (enabled) host_start();
    db_save();
  });
  return {};
}

EmailView email_open() {
  DbLock lock;
  return {lock.options().i32(opt::MAIL_ON) == 1, lock.options().i32(opt::MAIL_SETTING) == 1};
}

void email_ok(const EmailView& v) {
  {
    DbLock lock;
    lock.options().set_i32(opt::MAIL_SETTING, v.secure ? 1 : 0);
  }
  db_set_email_enabled(v.enabled ? 1 : 0);
  const bool enabled = v.enabled;
  mmi_post_task([enabled] {
    db_save();
    enabled ? mail_start() : mail_stop();
  });
}

bool ftp_open() { return db_get_secure_transfers() == 1; }

void ftp_ok(bool secure) {
  db_set_secure_transfers(secure ? 1 : 0);
  mmi_post_task([] { db_save(); });
}

// ---- Radio 1 Custom Port Parameters, DLL Radio Filename ----

namespace {
constexpr std::size_t kNoteOffset = 10257;
constexpr std::size_t kNoteSize = 40;
constexpr std::size_t kRadioAddressOffset = 10297;

std::string one_char(uint8_t c) { return c == 0 ? std::string() : std::string(1, static_cast<char>(c)); }
}  // namespace

RadioPortView radio_port_open() {
  RadioPortView v;
  DbLock lock;
  const StationOptions& o = lock.options();
  v.note.assign(reinterpret_cast<const char*>(o.bytes + kNoteOffset), o.text_length(kNoteOffset, kNoteSize));
  v.preconfig_disabled = o.i32(opt::RADIO_PRECONFIG_DISABLED) != 0;
  v.parity = one_char(o.u8(opt::RADIO_PARITY));
  v.data_bits = one_char(o.u8(opt::RADIO_DATA_BITS));
  v.stop_bits = one_char(o.u8(opt::RADIO_STOP_BITS));
  char hex[8];
  std::snprintf(hex, sizeof hex, "%.2X", o.u8(kRadioAddressOffset));
  v.address = hex;
  v.baud = std::to_string(o.i32(opt::RADIO_BAUD));
  return v;
}

ConfigOutcome radio_port_ok(const RadioPortView& v) {
  if (v.note.size() > kNoteSize - 1) return refuse(kFieldNote, "The setup note holds at most 39 characters.");
  long baud = 0;
  if (!dialog_read_long(v.baud, 0, 999999999, &baud, kMaxDigits)) return refuse(kFieldBaud, "Baud Rate: enter a number (0: the radio's own settings).");
  // Settings outside these lists would make every later set-up fail to open the port.
  if (v.data_bits != "7" && v.data_bits != "8") return refuse(kFieldDataBits, "Data Bits: 7 or 8.");
  if (v.parity != "N" && v.parity != "E" && v.parity != "O") return refuse(kFieldParity, "Parity: N, E or O.");
  if (v.stop_bits != "1" && v.stop_bits != "2") return refuse(kFieldStopBits, "Stop Bits: 1 or 2.");
  unsigned address = 0;
  if (!v.address.empty()) {
    char* end = nullptr;
    const unsigned long a = std::strtoul(v.address.c_str(), &end, 16);
    if (*end != '\0' || a > 0xFF) return refuse(kFieldAddress, "Radio Address: two hexadecimal digits.");
    address = static_cast<unsigned>(a);
  }
  {
    DbLock lock;
    StationOptions& o = lock.options();
    o.set_text(kNoteOffset, kNoteSize, v.note.c_str());
    o.set_u8(opt::RADIO_STOP_BITS, static_cast<uint8_t>(v.stop_bits[0]));
    o.set_i32(opt::RADIO_BAUD, static_cast<int32_t>(baud));
    o.set_u8(opt::RADIO_DATA_BITS, static_cast<uint8_t>(v.data_bits[0]));
    o.set_u8(opt::RADIO_PARITY, static_cast<uint8_t>(v.parity[0]));
    o.set_i32(opt::RADIO_PRECONFIG_DISABLED, v.preconfig_disabled ? 1 : 0);
    o.set_u8(kRadioAddressOffset, static_cast<uint8_t>(address));
  }
  mmi_post_task(radio_setup);
  return {};
}

std::string dll_filename_open() { return db_get_plugin_file(); }

ConfigOutcome dll_filename_ok(const std::string& name) {
  if (name.size() > kPluginNameMax) return refuse(0, "Filename: at most 30 characters.");
  db_set_plugin_file(name.c_str());
  return {};
}

std::string plugin_path(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  return (station().dir() / name).string();
}

// ---- Tracing ----

TracingView tracing_open() {
  TracingView v;
  v.commands = db_get_trace_commands() == 1;
  v.rx_words = db_get_trace_rx_words() == 1;
  v.tx_words = db_get_trace_tx_words() == 1;
  v.states = db_get_trace_states() == 1;
  v.events = db_get_trace_events() == 1;
  v.timers = db_get_trace_timers() == 1;
  DbLock lock;
  v.fs1052 = lock.options().u8(opt::DATA_LINK_TRACE) == 1;
  return v;
}

void tracing_ok(const TracingView& v) {
  {
    DbLock lock;
    StationOptions& o = lock.options();
    o.set_i32(opt::TRACE_COMMANDS, v.commands ? 1 : 0);
    o.set_i32(opt::TRACE_RX_WORDS, v.rx_words ? 1 : 0);
    o.set_i32(opt::TRACE_TX_WORDS, v.tx_words ? 1 : 0);
    o.set_i32(opt::TRACE_STATES, v.states ? 1 : 0);
    o.set_i32(opt::TRACE_EVENTS, v.events ? 1 : 0);
    o.set_i32(opt::TRACE_TIMERS, v.timers ? 1 : 0);
    o.set_u8(opt::DATA_LINK_TRACE, v.fs1052 ? 1 : 0);
  }
  fs1052_configure_stored();
}

// ---- Recorder Parameters ----

RecorderView recorder_open() {
  RecorderView v;
  v.enabled = db_get_recorder() == 1;
  v.max_secs = std::to_string(db_get_recorder_max_secs());
  v.path = db_get_recorder_path();
  return v;
}

ConfigOutcome recorder_ok(const RecorderView& v) {
  long secs = 0;
  if (!dialog_read_long(v.max_secs, 0, 86400, &secs, kMaxDigits)) return refuse(kFieldRecorderSecs, "Max Period in Secs: 0 to 86400.");
  // The recorder puts its file names right after the path: a folder gets its separator, so
  // the recordings land in the folder checked below, not beside it.
  std::string prefix = v.path;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  if (prefix.size() >= kRecorderPathMax) return refuse(kFieldRecorderPath, "Path: at most 1023 characters.");
  // The recordings' folder, in the station folder unless the path is absolute.
  const std::filesystem::path folder = std::filesystem::path(v.path).is_absolute() ? std::filesystem::path(v.path)
                                                                                  : station().dir() / v.path;
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec) || ::access(folder.c_str(), W_OK) != 0)
    return refuse(kFieldRecorderPath, "Path: " + v.path + " is no folder that can be written.");
  if (v.enabled) {
    db_enable_recorder();
    rec_enable();
  } else {
    db_disable_recorder();
    rec_disable();
  }
  db_set_recorder_path(prefix.c_str());
  rec_set_path(prefix);
  db_set_recorder_max_secs(static_cast<int>(secs));
  rec_set_max_seconds(static_cast<int>(secs));
  return {};
}

}  // namespace vesk
