// The modem, link, port, tracing and recorder configuration dialogs without the window: what
// each shows when it opens, the checks of its OK, and what OK stores and applies. What opens
// or closes a device or port runs on the command executor.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vesk {

// A refusal: the warning and the field that takes the focus; `ok` when OK went through.
struct ConfigOutcome {
  bool ok = true;
  std::string warning;
  int field = -1;
};

// ---- MIL-STD 188-110 Options ----

enum Mil110Carrier { kCarrier1800 = 0, kCarrier1500 = 1, kCarrier1200 = 2 };
struct Mil110View {
  int carrier = -1;          // Mil110Carrier, -1 none
  int symbol_rate = -1;      // 0 1600, 1 1800, 2 2000, 3 2400 BPS; -1 none
  bool upper_rates = true;   // the three upper symbol-rate buttons
  int link_mode = 0;         // 0 ASYNC, 1 FS-1052 DLP, 2 S-5066 DLP
  int twx_mode = 0;          // 0 OFF, 1 LINKED, 2 ALWAYS
  std::string rate;          // the DATARATE button's text
};
struct RateItem {
  const char* label;
  const char* text;
};
inline constexpr std::array<RateItem, 13> kMil110Rates = {{{"75 BPS LONG", "75NL"},
                                                           {"75 BPS SHORT", "75NS"},
                                                           {"150 BPS LONG", "150L"},
                                                           {"150 BPS SHORT", "150S"},
                                                           {"300 BPS LONG", "300L"},
                                                           {"300 BPS SHORT", "300S"},
                                                           {"600 BPS LONG", "600L"},
                                                           {"600 BPS SHORT", "600S"},
                                                           {"1200 BPS LONG", "1200L"},
                                                           {"1200 BPS SHORT", "1200S"},
                                                           {"2400 BPS LONG", "2400L"},
                                                           {"2400 BPS SHORT", "2400S"},
                                                           {"4800 BPS NONE", "4800S"}}};
inline constexpr std::array<int, 4> kMil110Bandwidths = {6400, 7200, 8000, 9600};
Mil110View mil110_options_open();
// These act at once (Cancel keeps them).
void mil110_choose_rate(const std::string& text);
// Returns whether the three upper symbol-rate buttons are enabled afterwards.
bool mil110_choose_carrier(int carrier);
void mil110_choose_symbol_rate(int index);
void mil110_options_ok(int link_mode, int twx_mode);

// ---- FS-1052 Options ----

struct Fs1052View {
  bool immediate = false;
  bool negotiate = false;
  int arq_mode = -1;      // 0 Variable, 2 Circuit, 3 Fixed, -1 none selected
  int interleave = -1;    // 6 Short, 7 Long, -1 none selected
  std::string frame_size, retry_count, transmissions, min_rate, broadcast;
};
enum Fs1052Field { kFieldFrameSize = 0, kFieldRetryCount, kFieldTransmissions, kFieldMinRate };
// The broadcast rates the list offers (2400V and 4800S cannot be chosen).
inline constexpr std::array<const char*, 12> kFs1052BroadcastChoices = {
    "75S", "75L", "150L", "150S", "300L", "300S", "600L", "600S", "1200L", "1200S", "2400L", "2400S"};
inline constexpr std::array<const char*, 5> kFs1052MinRates = {"75 BPS", "150 BPS", "300 BPS", "600 BPS", "1200 BPS"};
Fs1052View fs1052_options_open();
ConfigOutcome fs1052_options_ok(const Fs1052View& view);

// ---- Soundcard Configure ----

struct SoundDevice {
  int number;  // as the options number devices; -1 the default device
  std::string name;
};
// The devices that open at 48 kHz, mono, 16 bit, each " NAME", then " Default Device".
std::vector<SoundDevice> sound_devices(bool input);
struct SoundView {
  int input_device = -1, output_device = -1;
  int rx_level = 0, tx_level = 0;
  bool mic_in = true;
};
SoundView soundcard_open();
// Stores the choice; the sound card is reopened (on the executor) only while the resources
// are claimed: while released the reclaim opens it.
void soundcard_ok(const SoundView& view);

// ---- TCP/IP & ZIRVO, Email, FTP ----

struct TcpIpView {
  std::array<std::string, 4> address;
  std::string port;
  bool enabled = false;
};
TcpIpView tcpip_open();
ConfigOutcome tcpip_ok(const TcpIpView& view);
struct EmailView {
  bool enabled = false;
  bool secure = false;
};
EmailView email_open();
void email_ok(const EmailView& view);
bool ftp_open();
void ftp_ok(bool secure);

// ---- Radio 1 Custom Port Parameters, DLL Radio Filename ----

struct RadioPortView {
  std::string note, baud, data_bits, parity, stop_bits, address;
  bool preconfig_disabled = false;
};
enum RadioPortField { kFieldNote = 0, kFieldBaud, kFieldDataBits, kFieldParity, kFieldStopBits, kFieldAddress };
RadioPortView radio_port_open();
ConfigOutcome radio_port_ok(const RadioPortView& view);
inline constexpr std::size_t kPluginNameMax = 30;
std::string dll_filename_open();
ConfigOutcome dll_filename_ok(const std::string& name);
// The path the radio set-up loads a plug-in from: a name without "/" is in the station folder.
std::string plugin_path(const std::string& name);

// ---- Tracing ----

struct TracingView {
  bool rx_words = false, tx_words = false, states = false, events = false, commands = false, timers = false,
       fs1052 = false;
};
TracingView tracing_open();
void tracing_ok(const TracingView& view);

// ---- Recorder Parameters ----

struct RecorderView {
  bool enabled = false;
  std::string max_secs;
  std::string path;
};
enum RecorderField { kFieldRecorderSecs = 0, kFieldRecorderPath };
inline constexpr std::size_t kRecorderPathMax = 1024;
RecorderView recorder_open();
ConfigOutcome recorder_ok(const RecorderView& view);

}  // namespace vesk
