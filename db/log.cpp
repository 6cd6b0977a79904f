#include "db/log.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "db/daily_log.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

LogState& log_state() { return station().state<LogState>(); }

namespace {

// Lookups into the station options, the channel table and the working channel.
int opt_date() { return db_get_show_date(); }
int opt_frequency_display() { return db_get_freq_display(); }
int channel_rx_freq_hz(int channel) {
  if (channel < 0 || channel >= kChannelCount) return 0;
  DbLock lock;
  return lock.db().channels[channel].rx_freq_hz;
}
int channel_tx_freq_hz(int channel) {
  if (channel < 0 || channel >= kChannelCount) return 0;
  DbLock lock;
  return lock.db().channels[channel].tx_freq_hz;
}
int current_channel_number() { return db_current_channel_number(); }

constexpr const char* kPactorPrompt = "cmd:cmd:PACTOR <PACTOR STANDBY>";

std::string format_line(const char* format, va_list args) {
  char buf[kLogLineMax + 1];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  if (n < 0) return std::string();
  return std::string(buf, static_cast<std::size_t>(n) < kLogLineMax ? static_cast<std::size_t>(n) : kLogLineMax);
}

std::string format_line(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string format_line(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return line;
}

enum class Where { MonitorFront, MonitorBack, FrameBack };

// The unfiled counts within their texts (a test may have emptied a text directly).
void clamp_unfiled(LogState& s) {
  s.monitor_unfiled_front = std::min(s.monitor_unfiled_front, s.monitor.size());
  s.monitor_unfiled_back = std::min(s.monitor_unfiled_back, s.monitor.size() - s.monitor_unfiled_front);
  s.frame_unfiled = std::min(s.frame_unfiled, s.frame.size());
}

// Keeps each text within its bound: filed lines go first, oldest first; then, when nothing is
// filed (no daily files), the oldest lines.
void trim(LogState& s) {
  clamp_unfiled(s);
  while (s.monitor.size() > kLogTextMaxLines) {
    ++s.monitor_dropped;
    const std::size_t back = s.monitor_unfiled_back;
    if (s.monitor.size() > s.monitor_unfiled_front + back) {
      // The oldest filed line lies just before the lines appended at the back since.
      s.monitor.erase(s.monitor.end() - static_cast<std::ptrdiff_t>(back) - 1);
    } else if (back > 0) {
      s.monitor.pop_back();
      --s.monitor_unfiled_back;
    } else {
      s.monitor.pop_back();
      --s.monitor_unfiled_front;
    }
  }
  while (s.frame.size() > kLogTextMaxLines) {
    ++s.frame_dropped;
    if (s.frame.size() == s.frame_unfiled) --s.frame_unfiled;
    s.frame.pop_front();
  }
}

// Whether the lines waiting should be filed now. Under the layer's lock.
bool filing_due(LogState& s) {
  if (s.monitor_unfiled_front + s.monitor_unfiled_back + s.frame_unfiled >= kLogFileBatchLines) return true;
  const int64_t now = station().clock().mono_ms();
  if (s.filed_at_ms < 0) s.filed_at_ms = now;
  return now - s.filed_at_ms >= kLogFilePeriodMs;
}

// Puts a line into its text and shows it. Returns whether the text changed; `due` tells
// whether the lines waiting should be filed now.
bool put(LogState& s, Where where, const std::string& line, bool* due = nullptr) {
  if (line.empty()) return false;
  std::lock_guard<std::mutex> lock(s.mutex);
  clamp_unfiled(s);
  switch (where) {
    case Where::MonitorFront:
      s.monitor.push_front(line);
      ++s.monitor_unfiled_front;
      break;
    case Where::MonitorBack:
      s.monitor.push_back(line);
      ++s.monitor_unfiled_back;
      break;
    case Where::FrameBack:
      s.frame.push_back(line);
      ++s.frame_unfiled;
      break;
  }
  trim(s);
  if (due != nullptr) *due = filing_due(s);
  if (s.sink)
    s.sink(where == Where::FrameBack     ? LogText::Frame
           : where == Where::MonitorBack ? LogText::MonitorEnd
                                         : LogText::Monitor,
           line);
  return true;
}

// Takes the lines not yet filed out of the texts' count (and the texts themselves when asked)
// and appends them to the daily files. Lines written before the files are open wait.
void file_texts(LogState& s, bool clear_monitor, bool clear_frame) {
  // Read before any lock: the database's lock is never awaited under the log's.
  const bool to_disk = db_get_log_to_disk() == 1;
  std::lock_guard<std::mutex> one_at_a_time(s.filing);
  const bool open = log_daily_files_open();
  std::string monitor, frame;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    clamp_unfiled(s);
    if (open || clear_monitor) {
      for (std::size_t i = 0; i < s.monitor_unfiled_front; ++i) monitor += s.monitor[i];
      for (std::size_t i = s.monitor.size() - s.monitor_unfiled_back; i < s.monitor.size(); ++i)
        monitor += s.monitor[i];
      s.monitor_unfiled_front = s.monitor_unfiled_back = 0;
    }
    if (open || clear_frame) {
      for (std::size_t i = s.frame.size() - s.frame_unfiled; i < s.frame.size(); ++i) frame += s.frame[i];
      s.frame_unfiled = 0;
    }
    if (clear_monitor) s.monitor.clear();
    if (clear_frame) s.frame.clear();
    if (clear_monitor || clear_frame) ++s.text_resets;
    s.filed_at_ms = station().clock().mono_ms();
  }
  log_write_daily_files(monitor, frame, to_disk);
}

void file_if_due(LogState& s, bool due) {
  if (due) file_texts(s, false, false);
}

void repaint(LogState& s) {
  if (s.hooks.repaint) s.hooks.repaint();
}

// Whether a copy of a line written now goes to the host port.
bool echo_wanted(LogState& s) {
  if (s.tcp_echo.load(std::memory_order_relaxed) == 0) return false;
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  return s.echo_attached && s.echo_thread != std::this_thread::get_id();
}

void echo_push(LogState& s, std::initializer_list<LogEchoItem> items) {
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  if (!s.echo_attached || s.echo_thread == std::this_thread::get_id()) return;
  for (const LogEchoItem& item : items) {
    if (s.echo.size() >= kLogEchoQueueMax) {
      s.echo.pop_front();
      ++s.echo_dropped;
    }
    s.echo.push_back(item);
  }
}

int write_monitor(Where where, const std::string& line) {
  LogState& s = log_state();
  bool due = false;
  if (put(s, where, line, &due)) repaint(s);
  file_if_due(s, due);
  if (echo_wanted(s)) echo_push(s, {LogEchoItem{line, false}});
  return static_cast<int>(line.size());
}

int write_frame(const std::string& line) {
  LogState& s = log_state();
  bool due = false;
  if (put(s, Where::FrameBack, line, &due)) repaint(s);
  file_if_due(s, due);
  if (echo_wanted(s)) {
    const std::string ts = log_time_stamp(), cs = log_current_channel_stamp();
    echo_push(s, {LogEchoItem{format_line("[%s][%s][DISPLAY MESSAGE FRAME:]\n", ts.c_str(), cs.c_str()), false},
                  LogEchoItem{line, false},
                  LogEchoItem{format_line("[%s][%s][MESSAGE FRAME END:]\n", ts.c_str(), cs.c_str()), false}});
  }
  return static_cast<int>(line.size());
}

int write_tnc(const std::string& line) {
  LogState& s = log_state();
  bool due = false;
  if (put(s, Where::FrameBack, line, &due)) repaint(s);
  file_if_due(s, due);
  if (line != kPactorPrompt && echo_wanted(s)) {
    const std::string ts = log_time_stamp(), cs = log_current_channel_stamp();
    echo_push(s, {LogEchoItem{format_line("[%s][%s][TNC MESSAGE START:]\n", ts.c_str(), cs.c_str()), false},
                  LogEchoItem{line, true},
                  LogEchoItem{format_line("[%s][%s][TNC MESSAGE END:]\n", ts.c_str(), cs.c_str()), false}});
  }
  return static_cast<int>(line.size());
}

std::string frequency_stamp(int channel, int freq_hz) {
  if (opt_frequency_display() == 1) return format_line("FRQ %-.8d", freq_hz);
  return format_line("CHN %.2d", channel);
}

void post(LogState& s, int message) {
  if (s.hooks.post_message) s.hooks.post_message(message);
}

void set_status(std::string LogStatusTexts::*member, const std::string& text, int message) {
  LogState& s = log_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.status.*member = text;
  }
  post(s, message);
}

}  // namespace

// ---- line writers ----

int log_vprintf(const char* format, va_list args) { return write_monitor(Where::MonitorFront, format_line(format, args)); }

int log_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return write_monitor(Where::MonitorFront, line);
}

int log_printf_append(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return write_monitor(Where::MonitorBack, line);
}

int log_net_trace_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  LogState& s = log_state();
  bool due = false;
  if (s.socket_trace.load(std::memory_order_relaxed) != 0 && put(s, Where::MonitorBack, line, &due)) repaint(s);
  file_if_due(s, due);
  return static_cast<int>(line.size());
}

int log_frame_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return write_frame(line);
}

int log_tnc_printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string line = format_line(format, args);
  va_end(args);
  return write_tnc(line);
}

void log_frame_write(const char* bytes, std::size_t count) {
  for (std::size_t at = 0; at < count; at += kLogLineMax) {
    const int n = static_cast<int>(std::min(kLogLineMax, count - at));
    log_frame_printf("%.*s", n, bytes + at);
  }
}

void log_tnc_write(const char* bytes, std::size_t count) {
  for (std::size_t at = 0; at < count; at += kLogLineMax) {
    const int n = static_cast<int>(std::min(kLogLineMax, count - at));
    log_tnc_printf("%.*s", n, bytes + at);
  }
}

std::string log_monitor_text() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string out;
  for (const auto& l : s.monitor) out += l;
  return out;
}

std::string log_frame_text() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string out;
  for (const auto& l : s.frame) out += l;
  return out;
}

void log_set_sink(std::function<void(LogText, const std::string&)> sink) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.sink = std::move(sink);
}

void log_set_notifier(std::shared_ptr<LogNotifier> notifier) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.notifier = std::move(notifier);
}

LogHooks& log_hooks() { return log_state().hooks; }

// ---- switches and the echo queue ----

void log_enable_tcp_echo() { log_state().tcp_echo = 1; }
void log_disable_tcp_echo() { log_state().tcp_echo = 0; }
void log_reset_tcp_echo() { log_state().tcp_echo = 0; }
int log_tcp_echo() { return log_state().tcp_echo.load(); }
void log_set_socket_trace(int on) { log_state().socket_trace = on != 0; }

void log_echo_attach() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  s.echo_attached = true;
  s.echo_thread = std::this_thread::get_id();
}

void log_echo_detach() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  s.echo_attached = false;
  s.echo_thread = std::thread::id();
  s.echo.clear();
}

bool log_echo_pop(LogEchoItem& item) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  if (s.echo.empty()) return false;
  item = std::move(s.echo.front());
  s.echo.pop_front();
  return true;
}

std::size_t log_echo_pending() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  return s.echo.size();
}

std::uint64_t log_echo_dropped() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.echo_mutex);
  return s.echo_dropped;
}

// ---- stamps ----

std::string log_time_stamp() {
  std::tm tm = station().clock().utc_tm();
  char buf[40];
  std::strftime(buf, sizeof buf, opt_date() == 1 ? "%m/%d/%Y][%H:%M:%S" : "%H:%M:%S", &tm);
  return buf;
}

std::string log_date_stamp() {
  std::tm tm = station().clock().utc_tm();
  char buf[32];
  std::strftime(buf, sizeof buf, "%m/%d/%Y", &tm);
  return buf;
}

std::string log_channel_stamp(int channel) { return frequency_stamp(channel, channel_rx_freq_hz(channel)); }
std::string log_channel_tx_stamp(int channel) { return frequency_stamp(channel, channel_tx_freq_hz(channel)); }

std::string log_tuned_freq_stamp(int channel) {
  const LogHooks& hooks = log_hooks();
  return frequency_stamp(channel, hooks.tuned_tx_freq_hz ? hooks.tuned_tx_freq_hz() : 0);
}

std::string log_current_channel_stamp() {
  return frequency_stamp(current_channel_number(), channel_rx_freq_hz(db_current_channel_index()));
}
std::string log_current_channel_tx_stamp() {
  return frequency_stamp(current_channel_number(), channel_tx_freq_hz(db_current_channel_index()));
}

void log_stamped_line(const std::string& text) {
  log_printf("[%s][%s][%s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text.c_str());
}

void log_stamped_printf(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  log_printf("[%s][%s]%s", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

std::string log_format_date_time(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%m-%d-%y %H:%M", &tm);
  return buf;
}

std::string log_escape_text(const std::string& text, std::size_t max_chars) {
  std::string out;
  for (const char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    char piece[5] = {ch, '\0'};
    if (c == '\\') std::snprintf(piece, sizeof piece, "\\\\");
    else if (c == '\r') std::snprintf(piece, sizeof piece, "\\r");
    else if (c == '\n') std::snprintf(piece, sizeof piece, "\\n");
    else if (c == '\t') std::snprintf(piece, sizeof piece, "\\t");
    else if (c < 0x20 || c >= 0x7F) std::snprintf(piece, sizeof piece, "\\x%02X", c);
    if (out.size() + std::strlen(piece) > max_chars) return out + "...";
    out += piece;
  }
  return out;
}

void log_print_time() { log_printf("%s\n", log_format_date_time(station().clock().utc_seconds()).c_str()); }

// ---- display names ----

namespace {
struct CodeName {
  int code;
  const char* name;
};
constexpr CodeName kModeNames[] = {{0, "LSB"},  {1, "USB"},   {2, "CW "},  {3, "FM "},   {4, "FMW"},
                                   {5, "AM "},  {6, "FSK"},   {7, "RTTY"}, {8, "CWR"},   {9, "TUNE"},
                                   {10, "FSKR"}, {21, "LSB-D"}, {22, "USB-D"}};
constexpr CodeName kPermissionNames[] = {{0, "RX "}, {1, "TX "}, {3, "BX "}};
constexpr CodeName kUsageLetters[] = {{0, "B"}, {1, "V"}, {2, "D"}};
constexpr CodeName kLpLevelNames[] = {{0, "AL0"}, {1, "AL1"}, {2, "AL2"}, {3, "AL3"}, {4, "AL4"}};

template <std::size_t N>
const char* name_of(const CodeName (&table)[N], int code, const char* other) {
  for (const CodeName& row : table)
    if (row.code == code) return row.name;
  return other;
}
}  // namespace

const char* display_mode_name(int mode) { return name_of(kModeNames, mode, "???"); }
const char* display_permission_name(int permission) { return name_of(kPermissionNames, permission, "???"); }
const char* display_usage_letter(int usage) { return name_of(kUsageLetters, usage, "U"); }
const char* display_lp_level_name(int level) { return name_of(kLpLevelNames, level, "???"); }

std::string display_format_ber(int count) { return count < 0 ? std::string() : format_line("BER %d", count); }

std::string display_format_sinad(float value) {
  if (!(value > 0.0f)) return std::string();
  return format_line("SINAD %.1f", 60.0 * std::log10(static_cast<double>(value)));
}

// ---- listings ----

void display_listing_begin() {}
void display_amd_listing_begin() {}

namespace {
void set_listing_style(int style) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.listing_style = style;
}
}  // namespace

void display_set_listing_full() { set_listing_style(0); }
void display_set_listing_plain() { set_listing_style(1); }
void display_set_listing_compact() { set_listing_style(2); }

int display_listing_style() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.listing_style;
}

void display_full_listing() {
  const LogHooks& hooks = log_hooks();
  if (hooks.full_listing) hooks.full_listing();
}

// ---- clearing and filing the panes ----

// Clearing and closing file what was not filed yet; lines filed before are not written again.
void display_clear_monitor() {
  LogState& s = log_state();
  file_texts(s, true, true);
  repaint(s);
}

void display_clear_frame_pane() {
  LogState& s = log_state();
  file_texts(s, false, true);
  repaint(s);
}

void log_close_document() { file_texts(log_state(), true, true); }

void log_file_texts() { file_texts(log_state(), false, false); }

void log_open_document(const std::string& text) {
  LogState& s = log_state();
  file_texts(s, true, true);
  {
    // The document's text goes under the new lines, and into the daily file with them.
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.text_resets;
    if (!text.empty()) {
      s.monitor.push_back(text);
      ++s.monitor_unfiled_back;
    }
  }
  repaint(s);
}

std::size_t log_line_count(LogText which) {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return which == LogText::Frame ? s.frame.size() : s.monitor.size();
}

// ---- status texts ----

void display_post_recorder_status(const std::string& text) { set_status(&LogStatusTexts::recorder, text, WM_RECORDER_STATUS); }

void display_post_modem_text(const std::string& rx_text, const std::string& tx_text) {
  LogState& s = log_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.status.modem_rx = rx_text;
    s.status.modem_tx = tx_text;
  }
  post(s, WM_MODEM_STATUS);
}

void display_post_freq_offset(float offset_hz) {
  // A fixed six-decimal conversion: the integer digits (none below 1 Hz) and six decimals.
  const double magnitude = std::fabs(static_cast<double>(offset_hz));
  const long long micro = std::llround(magnitude * 1e6);
  const long long whole = micro / 1000000;
  const std::string integer = whole == 0 ? std::string() : std::to_string(whole);
  const std::string decimals = format_line("%06lld", micro % 1000000);
  const std::string text =
      format_line(offset_hz < 0.0f ? "-%s.%s hz" : "%s.%s hz", integer.c_str(), decimals.c_str());
  set_status(&LogStatusTexts::freq_offset, text, WM_MODEM_STATUS);
}

void display_clear_freq_offset() { set_status(&LogStatusTexts::freq_offset, std::string(10, ' '), WM_MODEM_STATUS); }
void display_post_ale_mode(const std::string& text) { set_status(&LogStatusTexts::ale_mode, text, WM_LINKED_STATION); }
void display_set_tx() { set_status(&LogStatusTexts::tx_rx, "TX", WM_REFRESH_STATUS); }
void display_set_rx() { set_status(&LogStatusTexts::tx_rx, "RX", WM_REFRESH_STATUS); }

void display_post_linked_station(const std::string& address) {
  set_status(&LogStatusTexts::linked_station, address, WM_LINKED_STATION);
}

void display_post_word_figures(int ber_count, float sinad) {
  std::string ber = display_format_ber(ber_count), sinad_text = display_format_sinad(sinad);
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.status.ber = std::move(ber);
  s.status.sinad = std::move(sinad_text);
}

void display_post_audio_update() { post(log_state(), WM_REFRESH_AUDIO); }

LogStatusTexts display_status_texts() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.status;
}

// ---- message boxes and the end ----

void display_message_box(const std::string& text) {
  LogState& s = log_state();
  std::shared_ptr<LogNotifier> notifier;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    notifier = s.notifier;
  }
  if (notifier) {
    notifier->message_box(text);
  } else {
    log_printf("[%s][%s][MESSAGE BOX: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
               text.c_str());
  }
}

void display_exit_program(int status) {
  log_printf("Goodbye......");
  LogState& s = log_state();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.exit_requested = true;
    s.exit_status = status;
  }
  if (s.hooks.request_exit) s.hooks.request_exit();
}

int display_exit_status() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.exit_status;
}

bool display_exit_requested() {
  LogState& s = log_state();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.exit_requested;
}

}  // namespace vesk
