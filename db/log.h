// Log output layer: every activity line of the station passes through here.
//
// Lines are formatted printf-style (at most 4,095 characters, longer results are cut), put in
// front of the monitor text (newest first) or at the end of the frame text (arrival order),
// and handed to the line sink that shows them (a window, or standard output in the headless
// program). When remote echo is on, a copy goes into the echo queue, which the TCP host port
// drains at its own pace: a writer never waits on a network client.
//
// The layer also makes the stamps that begin most lines (UTC time, channel), the short display
// names, and keeps the status texts that the main window shows. One lock serialises the texts,
// the status texts and the switches; stamps are returned by value.
#pragma once

#include <atomic>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vesk {

inline constexpr std::size_t kLogLineMax = 4095;
// Lines waiting for the host port beyond this are dropped oldest first (and counted), so a
// client that stops reading cannot make the station's memory grow.
inline constexpr std::size_t kLogEchoQueueMax = 20000;
// The in-memory texts keep at most this many lines each; the oldest lines already filed go
// first.
inline constexpr std::size_t kLogTextMaxLines = 10000;
// New lines reach the daily files at least this often, and at once when this many wait, so
// a crash loses at most about a minute of the log.
inline constexpr int64_t kLogFilePeriodMs = 60000;
inline constexpr std::size_t kLogFileBatchLines = 1000;

// User messages to the main window (posted through the post_message hook).
inline constexpr int kWmUser = 0x0400;
inline constexpr int WM_REFRESH_STATUS = kWmUser + 5;
inline constexpr int WM_REFRESH_AUDIO = kWmUser + 6;
inline constexpr int WM_RECORDER_STATUS = kWmUser + 7;
inline constexpr int WM_MODEM_STATUS = kWmUser + 8;
inline constexpr int WM_LINKED_STATION = kWmUser + 9;

// Monitor: a line in front of the monitor text; MonitorEnd: one at its end (script echo).
enum class LogText { Monitor, Frame, MonitorEnd };

// One copy for the host-port client. `as_line`: send the text and a newline as it is (the
// TNC text); otherwise send it as an echoed log line.
struct LogEchoItem {
  std::string text;
  bool as_line = false;
};

// Shows the message boxes of the tables and dialogs. A window shows them; without a notifier
// the text is written as a log line.
class LogNotifier {
 public:
  virtual ~LogNotifier() = default;
  virtual void message_box(const std::string& text) = 0;
};

// What the log layer asks of the layers above it; the station's wiring binds them before the
// station starts (`log_hooks()`). Each may be empty: the line is still written and the further effect is skipped (or a neutral value
// is used).
struct LogHooks {
  // Repaint the log views after a text changed.
  std::function<void()> repaint;
  // Post one of the WM_ user messages to the main window.
  std::function<void(int message)> post_message;
  // The transmit frequency in Hz last put on the radio.
  std::function<int()> tuned_tx_freq_hz;
  // The linking-protection level the last received words were read at (0-4).
  std::function<int()> lp_level;
  // Expand an AMD text coded with the phrase dictionaries (first byte 0x80).
  std::function<std::string(const std::string& coded)> expand_coded_amd;
  // The status report and the table listings (ENABLE AUTO).
  std::function<void()> full_listing;
  // End the station in order (the QUIT and EXIT commands).
  std::function<void()> request_exit;
};

// Texts that the main window shows in its panes.
struct LogStatusTexts {
  std::string recorder;      // "RECORDING" or empty
  std::string modem_rx;      // "RX " and the mode name, or empty
  std::string modem_tx;
  std::string freq_offset;   // "%s.%s hz"
  std::string ale_mode;      // "NORMAL" or "ALTERNATE"
  std::string linked_station;
  std::string tx_rx;         // "TX" or "RX"
  std::string ber;           // "BER %d" and "SINAD %.1f" of the last received word, or empty
  std::string sinad;
};

struct LogState {
  std::mutex mutex;
  // Monitor lines newest first; frame lines in arrival order. Kept as lines so that adding
  // one costs the same whatever the size of the text.
  std::deque<std::string> monitor;
  std::deque<std::string> frame;
  // The lines not yet appended to the daily files: the monitor's newest at its front and those
  // appended at its back, the frame's newest at its back.
  std::size_t monitor_unfiled_front = 0;
  std::size_t monitor_unfiled_back = 0;
  std::size_t frame_unfiled = 0;
  int64_t filed_at_ms = -1;  // when lines were last filed (the station's monotonic clock)
  std::mutex filing;         // one filing at a time, so blocks reach the files in order
  // Counts the times a text was emptied or replaced (a view then copies the texts whole).
  std::uint64_t text_resets = 0;
  // Lines dropped from each text to keep it within its bound (a view then copies the texts).
  std::uint64_t monitor_dropped = 0;
  std::uint64_t frame_dropped = 0;
  // Called (under the layer's lock, in arrival order) for every line written; may be empty.
  // It must not write log lines itself.
  std::function<void(LogText, const std::string&)> sink;

  // Switches of the layer.
  std::atomic<int> tcp_echo{0};
  std::atomic<int> socket_trace{0};  // set by the host port's line handler
  int listing_style = 0;             // ListingStyle: 0 operator tables, 1 plain, 2 upload form

  LogStatusTexts status;
  LogHooks hooks;
  std::shared_ptr<LogNotifier> notifier;
  bool exit_requested = false;
  int exit_status = 0;  // the process's exit status that the request asks for

  // Echo queue for the host port (own lock: the consumer never holds the layer's lock).
  std::mutex echo_mutex;
  std::deque<LogEchoItem> echo;
  bool echo_attached = false;
  std::thread::id echo_thread;  // lines written on the consumer's thread are not echoed
  std::uint64_t echo_dropped = 0;
};

LogState& log_state();

// Line writers: each returns the length of the formatted text.
// In front of the monitor text.
int log_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int log_vprintf(const char* format, va_list args);
// At the end of the monitor text.
int log_printf_append(const char* format, ...) __attribute__((format(printf, 1, 2)));
// At the end of the monitor text, only while the host port's socket trace is on; never echoed.
int log_net_trace_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// At the end of the frame text; echoed between a frame header and end line.
int log_frame_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// At the end of the frame text; echoed between TNC message lines, except the PACTOR prompt.
int log_tnc_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Arbitrary bytes to the frame writers, in pieces of at most 4,095 bytes.
void log_frame_write(const char* bytes, std::size_t count);
void log_tnc_write(const char* bytes, std::size_t count);

// The monitor text as one string, newest line first; the frame text in arrival order.
std::string log_monitor_text();
std::string log_frame_text();
// Sets the function that shows each line as it is written.
void log_set_sink(std::function<void(LogText, const std::string&)> sink);
void log_set_notifier(std::shared_ptr<LogNotifier> notifier);
// The layer's hooks (`log_state().hooks`).
LogHooks& log_hooks();

// Remote echo switch.
void log_enable_tcp_echo();
void log_disable_tcp_echo();
void log_reset_tcp_echo();
int log_tcp_echo();
// The host port's socket trace switch, which gates log_net_trace_printf.
void log_set_socket_trace(int on);

// Echo queue, drained by the host port. Attaching makes the calling thread the consumer: lines
// it writes itself (its traces) are never echoed, so echo cannot loop. While no consumer is
// attached nothing is queued.
void log_echo_attach();
void log_echo_detach();
// Takes the oldest waiting copy; false when none waits.
bool log_echo_pop(LogEchoItem& item);
std::size_t log_echo_pending();
std::uint64_t log_echo_dropped();

// Stamps.
// "%H:%M:%S" of the current UTC time; with the DATE option "%m/%d/%Y][%H:%M:%S".
std::string log_time_stamp();
// "%m/%d/%Y" of the current UTC date.
std::string log_date_stamp();
// "FRQ %-.8d" (receive frequency) with the frequency display option, else "CHN %.2d".
std::string log_channel_stamp(int channel);
std::string log_channel_tx_stamp(int channel);
// The same with the frequency last put on the radio.
std::string log_tuned_freq_stamp(int channel);
// The channel stamps of the working channel: its frequency is read by its table index, so
// channel 256 (number byte 0) shows its own.
std::string log_current_channel_stamp();
std::string log_current_channel_tx_stamp();
// Text received from a network client made fit for one log line: a backslash and every control
// or non-ASCII byte are written as escapes (\\, \r, \n, \t, \xNN), so the text can neither
// break the line nor start a line of its own; at most `max_chars` characters are kept and a
// cut text ends in "...".
std::string log_escape_text(const std::string& text, std::size_t max_chars);
// Writes "[time][working channel][text]" as a line.
void log_stamped_line(const std::string& text);
// A formatted text (its own brackets and line end included) behind the time and channel stamps;
// the text is cut at 1,023 characters.
void log_stamped_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// "%m-%d-%y %H:%M" of the given time in UTC.
std::string log_format_date_time(std::time_t t);
// Writes log_format_date_time of now as a line.
void log_print_time();

// Display names.
const char* display_mode_name(int mode);
const char* display_permission_name(int permission);
const char* display_usage_letter(int usage);
const char* display_lp_level_name(int level);
// "BER %d", or empty when the count is negative.
std::string display_format_ber(int count);
// "SINAD %.1f" of 60 * log10(value), or empty when the value is not above 0.
std::string display_format_sinad(float value);

// Listings.
void display_listing_begin();
void display_amd_listing_begin();
void display_set_listing_full();
void display_set_listing_plain();
void display_set_listing_compact();
int display_listing_style();
// Runs the status report and the listings (the full_listing hook).
void display_full_listing();

// Clearing the panes: the texts are filed in the daily files, then emptied.
void display_clear_monitor();
void display_clear_frame_pane();
// The document's close: files each text that is not empty and empties it.
void log_close_document();
// Appends the lines written since the last filing to the daily files (the monitor's newest
// first, as its text holds them) and keeps them in the texts. Runs by itself as lines are
// written, and the layer above calls it once a minute.
void log_file_texts();
// A document opened: both texts are filed and emptied, as by display_clear_monitor, then the
// monitor text becomes `text` (the new lines go in front of it).
void log_open_document(const std::string& text);
// The number of lines held in each text (a view checks with them that it shows every line).
std::size_t log_line_count(LogText which);

// Status texts for the main window.
void display_post_recorder_status(const std::string& text);
void display_post_modem_text(const std::string& rx_text, const std::string& tx_text);
void display_post_freq_offset(float offset_hz);
void display_clear_freq_offset();
void display_post_ale_mode(const std::string& text);
void display_set_tx();
void display_set_rx();
// Stores the linked station's address and posts WM_LINKED_STATION.
void display_post_linked_station(const std::string& address);
// The BER and SINAD texts of a received word (display_format_ber, display_format_sinad).
void display_post_word_figures(int ber_count, float sinad);
// Posts WM_REFRESH_AUDIO: the tuning display is redrawn from the demodulator.
void display_post_audio_update();
LogStatusTexts display_status_texts();

// Message boxes through the notifier (a log line when there is none).
void display_message_box(const std::string& text);

// Orderly end (QUIT, EXIT): writes "Goodbye......" and asks the station to end.
// `status`: the exit status the program ends with (EXIT passes 1 when its save failed).
void display_exit_program(int status = 0);
int display_exit_status();
bool display_exit_requested();

}  // namespace vesk
