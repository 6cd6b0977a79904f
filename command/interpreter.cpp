#include "command/interpreter.h"

#include <cctype>
#include <chrono>
#include <cstring>
#include <vector>

#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/link/link_state.h"
#include "command/cmd_call.h"
#include "command/cmd_db.h"
#include "command/cmd_radio.h"
#include "command/cmd_tnc.h"
#include "command/cmd_set.h"
#include "command/enable.h"
#include "command/keywords.h"
#include "command/listings.h"
#include "command/scripts.h"
#include "datalink/fs1052_binding.h"
#include "db/log.h"
#include "db/database.h"
#include "db/log_lines.h"
#include "platform/station.h"

namespace vesk {

CommandState& command_state() { return station().state<CommandState>(); }

int mmi_tokenize(char* line, char** words, int max_words, bool* overflow) {
  enum { kBetween, kPlain, kQuoted } state = kBetween;
  int count = 0;
  *overflow = false;
  for (char* p = line; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    switch (state) {
      case kBetween:
        if (std::isspace(c)) break;
        if (count == max_words) {
          *overflow = true;
          return count;
        }
        if (c == '"') {
          // The character after an opening quote starts the word unseen, even a quote.
          *p = '\0';
          words[count++] = p + 1;
          if (p[1] == '\0') return count;
          ++p;
          state = kQuoted;
        } else {
          *p = static_cast<char>(std::toupper(c));
          words[count++] = p;
          state = kPlain;
        }
        break;
      case kPlain:
        if (std::isspace(c)) {
          *p = '\0';
          state = kBetween;
        } else {
          *p = static_cast<char>(std::toupper(c));
        }
        break;
      case kQuoted:
        if (c == '"') {
          // Characters after the closing quote, up to white space, belong to no word.
          *p = '\0';
          state = kPlain;
        }
        break;
    }
  }
  return count;
}

namespace {

// 1052ARQ address words...: the words, each followed by a blank, and two line feeds, over the
// serial-tone modem path to the address (without an address nothing happens). The message goes
// with acknowledgement, not as a broadcast.
void mmi_cmd_1052arq(MmiLine& line) {
  if (line.count < 2) return;
  std::string text;
  for (int i = 2; i < line.count; ++i) {
    text += line.words[i];
    text += ' ';
  }
  text += "\n\n";
  xfer_set_dest_address(line.words[1]);
  fs1052_set_remote_address(xfer_dest_address());
  xfer_select_modem_path();
  xfer_send_modem_text(text, 0);
}

void mmi_cmd_self(MmiLine&) {}

void mmi_cmd_quit(MmiLine&) { display_exit_program(); }

// A failed save ends the program with a failure status, so a service manager notices.
void mmi_cmd_exit(MmiLine&) {
  const bool saved = db_save() == 1;
  display_exit_program(saved ? 0 : 1);
}

void mmi_cmd_timeout(MmiLine&) { log_print_time(); }

void mmi_cmd_linked(MmiLine&) { ale_print_linked(); }

struct MmiVerb {
  int code;
  MmiHandler handler;
};

// Dispatch on the code of word 0. Codes not listed (TWX, ALECHAN, LISTEN, AQCBURST and every
// sub-keyword) are reported as no such command.
constexpr MmiVerb kVerbs[] = {
    {2, mmi_cmd_quit},       {168, mmi_cmd_exit},     {281, mmi_cmd_timeout},  {207, mmi_cmd_self},
    {13, mmi_cmd_help},      {396, mmi_cmd_macro},    {397, mmi_cmd_delay},    {172, mmi_cmd_load},
    {170, mmi_cmd_myaddress},
    // Listings and status (3 OWN, 4 OTHER, 8 CHANNELS, 18 NET, 197 KEYS, 171 OPTIONS,
    // 196 STATUS, 195 LINKED, 201 MANUAL, 283 UPLOAD).
    {3, mmi_cmd_own},        {4, mmi_cmd_other},      {8, mmi_cmd_channels},   {18, mmi_cmd_net},
    {197, mmi_cmd_keys},     {171, mmi_cmd_options},  {196, mmi_cmd_status},   {195, mmi_cmd_linked},
    {201, mmi_cmd_manual},   {283, mmi_cmd_upload},
    // Calls and messages (169 AMD, 11 CALL, 12 CLEAR, 194 GLOBAL, 193 SELECTIVE, 380 DBMARQ,
    // 382 DTMARQ, 383 1052ARQ, 381 DBMFTP, 17 KILL, 182 STOP, 183 START).
    {169, mmi_cmd_amd},      {11, mmi_cmd_call},      {12, mmi_cmd_clear},     {194, mmi_cmd_global},
    {193, mmi_cmd_selective}, {380, mmi_cmd_dbmarq},  {382, mmi_cmd_dtmarq},   {383, mmi_cmd_1052arq},
    {381, process_msgdbmftp_command}, {17, mmi_cmd_kill}, {182, mmi_cmd_stop}, {183, mmi_cmd_start},
    // Database (9 ADD, 10 DELETE, 185 RESET, 16 SAVE, 340 SCANGROUP), settings (19 SET,
    // 203 ENABLE, 204 DISABLE), radio and tuner (388 RADCMD, 389 HEXRADCMD, 342 ATU, 348 LDG),
    // TNC (215).
    {9, mmi_cmd_add},        {10, mmi_cmd_delete},    {185, mmi_cmd_reset},    {16, mmi_cmd_save},
    {340, mmi_cmd_scangroup}, {19, mmi_cmd_set}, {203, mmi_cmd_enable}, {204, mmi_cmd_disable},
    {388, mmi_cmd_radcmd}, {389, mmi_cmd_hexradcmd}, {342, mmi_cmd_atu},
    {348, mmi_cmd_ldg}, {215, mmi_cmd_tnc},
};

MmiHandler mmi_find_handler(int code) {
  for (const MmiVerb& v : kVerbs)
    if (v.code == code) return v.handler;
  return nullptr;
}

void mmi_report(const MmiLine& line) {
  switch (line.error_kind) {
    case MMI_ERROR_NO_COMMAND: log_mmi_no_command(line.error_word); break;
    case MMI_ERROR_NOT_ENOUGH_PARAMETERS: log_mmi_not_enough_params(); break;
    case MMI_ERROR_AMBIGUOUS: log_mmi_ambiguous(); break;
    case MMI_ERROR_TOO_MANY_PARAMETERS: log_mmi_too_many_params(); break;
    default: break;
  }
}

}  // namespace

void mmi_run_line(char* text) {
  CommandState& cs = command_state();
  std::lock_guard<std::recursive_mutex> guard(cs.lock);
  log_enable_tcp_echo();
  MmiLine line;
  if (text == nullptr || text[0] == '#') return;
  bool overflow = false;
  line.typed = text;
  line.base = text;
  line.count = mmi_tokenize(text, line.words, kMmiMaxWords, &overflow);
  if (overflow) {
    // The words beyond the list's size have no place: run nothing rather than part of it.
    line.fail(MMI_ERROR_TOO_MANY_PARAMETERS);
  } else if (line.count > 0) {
    const int code = mmi_lookup_keyword(line.words[0]);
    if (code == MMI_AMBIGUOUS) {
      line.fail(MMI_ERROR_AMBIGUOUS, line.words[0]);
    } else if (MmiHandler handler = mmi_find_handler(code)) {
      handler(line);
    } else {
      line.fail(MMI_ERROR_NO_COMMAND, line.words[0]);
    }
  }
  mmi_report(line);
}

void mmi_run_line(const std::string& text) {
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  mmi_run_line(buf.data());
}

void mmi_request_stop(bool here) {
  CommandState& cs = command_state();
  std::lock_guard<std::mutex> guard(cs.ending_mutex);
  if (here) cs.shutdown_thread = std::this_thread::get_id();
  cs.ending.store(true);
}

bool mmi_stop_requested() {
  CommandState& cs = command_state();
  if (!cs.ending.load()) return false;
  std::lock_guard<std::mutex> guard(cs.ending_mutex);
  return cs.shutdown_thread != std::this_thread::get_id();
}

void mmi_clear_text_entry() {
  CommandState& cs = command_state();
  std::lock_guard<std::recursive_mutex> guard(cs.lock);
  cs.text_entry = false;
  cs.text_buffer.clear();
}

void mmi_post_line(const std::string& line) {
  CommandState& cs = command_state();
  std::lock_guard<std::mutex> guard(cs.executor_mutex);
  cs.executor_queue.push_back({false, line, {}});
  cs.executor_cv.notify_one();
}

void mmi_post_script(const std::string& file_name) {
  CommandState& cs = command_state();
  std::lock_guard<std::mutex> guard(cs.executor_mutex);
  cs.executor_queue.push_back({true, file_name, {}});
  cs.executor_cv.notify_one();
}

void mmi_post_task(std::function<void()> task) {
  CommandState& cs = command_state();
  std::lock_guard<std::mutex> guard(cs.executor_mutex);
  cs.executor_queue.push_back({false, std::string(), std::move(task)});
  cs.executor_cv.notify_one();
}

bool mmi_executor_step() {
  CommandState& cs = command_state();
  CommandState::ExecutorItem item;
  {
    std::lock_guard<std::mutex> guard(cs.executor_mutex);
    if (cs.executor_queue.empty()) return false;
    item = std::move(cs.executor_queue.front());
    cs.executor_queue.pop_front();
  }
  if (item.task)
    item.task();
  else if (item.script)
    script_run_file(item.text);
  else
    mmi_run_line(item.text);
  return true;
}

void mmi_executor_start() {
  Station& s = station();
  s.state<CommandState>().executor.start(s, "commands", [] {
    if (mmi_executor_step()) return;
    // Waiting for work is no pause of the station's: it does not go through the clock, so
    // the executor also stops at once on simulated time.
    CommandState& cs = command_state();
    std::unique_lock<std::mutex> lock(cs.executor_mutex);
    cs.executor_cv.wait_for(lock, std::chrono::milliseconds(100),
                            [&] { return !cs.executor_queue.empty() || cs.executor.stop_requested(); });
  });
}

void mmi_executor_stop() {
  CommandState& cs = command_state();
  cs.executor.request_stop();
  {
    std::lock_guard<std::mutex> guard(cs.executor_mutex);
    cs.executor_cv.notify_all();
  }
  cs.executor.stop();
}

}  // namespace vesk
