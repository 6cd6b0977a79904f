// The command interpreter: one line of the command language at a time.
//
// Every source of commands ends in `mmi_run_line`: scripts, the TCP host port, the data bar,
// remote commands in AMD messages. A line is split into words, the first is looked up in the
// keyword table, the verb's handler runs with the whole word list, and the error that the
// handler left (if any) is reported afterwards. The error state belongs to the line, so
// lines run on different threads never report each other's errors; one re-entrant lock
// keeps two lines from interleaving (a handler may run further lines: MACRO, LOAD CONFIG).
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/thread.h"

namespace vesk {

inline constexpr int kMmiMaxWords = 50;
// Script lines are read into a buffer of this size (at most 999 characters and the end).
inline constexpr int kMmiScriptLineBuffer = 1000;
// Scripts that run scripts (MACRO, LOAD CONFIG) stop at this depth.
inline constexpr int kMmiMaxScriptDepth = 8;
// The script lines that one script run, nested scripts included, may run in all: the depth
// bounds nesting only, and a macro calling itself ten times would otherwise run 10^8 lines.
inline constexpr long kMmiMaxScriptLines = 100000;

enum MmiErrorKind {
  MMI_ERROR_NONE = 0,
  MMI_ERROR_NO_COMMAND = 1,
  MMI_ERROR_NOT_ENOUGH_PARAMETERS = 2,
  MMI_ERROR_AMBIGUOUS = 3,
  MMI_ERROR_TOO_MANY_PARAMETERS = 5,
};

// One line being run: its words (pointers into the caller's buffer, edited in place) and the
// error its handler leaves for the interpreter to report.
struct MmiLine {
  char* words[kMmiMaxWords] = {};
  int count = 0;
  int error_kind = MMI_ERROR_NONE;
  const char* error_word = "";
  // The line as typed, before its words were upper-cased, and where the buffer began: a file
  // name keeps its case.
  std::string typed;
  const char* base = nullptr;

  void fail(int kind, const char* word = "") {
    error_kind = kind;
    error_word = word;
  }
  // Word i, or "" when the line has fewer words.
  const char* word(int i) const { return i >= 0 && i < count ? words[i] : ""; }
  // Word i with the case it was typed in ("" when the line has fewer words).
  std::string word_as_typed(int i) const {
    if (i < 0 || i >= count) return "";
    const std::string upper = words[i];
    if (base == nullptr || words[i] < base) return upper;
    const auto at = static_cast<std::size_t>(words[i] - base);
    return at + upper.size() <= typed.size() ? typed.substr(at, upper.size()) : upper;
  }
};

using MmiHandler = void (*)(MmiLine&);

struct CommandState {
  std::recursive_mutex lock;  // held for each whole line
  int script_depth = 0;
  long script_lines = 0;       // lines run since the outermost script began
  bool script_stopped = false; // the bound was reached: every nested script ends
  // The text-entry mode of the DTM and DBM verbs (never selected by the keyword rule).
  bool text_entry = false;
  std::string text_buffer;

  // Lines and scripts handed over by the engine's worker, run by the executor thread.
  std::mutex executor_mutex;
  struct ExecutorItem {
    bool script = false;         // text names a script file; otherwise it is one line
    std::string text;
    std::function<void()> task;  // set: run this instead (a window's action that may wait)
  };
  std::deque<ExecutorItem> executor_queue;
  std::condition_variable executor_cv;                      // work arrived, or stop
  StationThread executor;

  // The station is ending: scripts stop at their next line, DELAY returns, and the host port
  // runs no further lines, on every thread but the one running the shut-down.
  std::atomic<bool> ending{false};
  std::mutex ending_mutex;
  std::thread::id shutdown_thread;  // guarded by ending_mutex
};

CommandState& command_state();

// Splits `line` in place into at most `max_words` words by the language's quote rules.
// Returns the number of words; sets `*overflow` when the line held more.
int mmi_tokenize(char* line, char** words, int max_words, bool* overflow);

// Runs one line; the buffer is changed in place.
void mmi_run_line(char* line);
void mmi_run_line(const std::string& line);

// The station is ending (a stop signal, the shut-down; any thread): the scripts and DELAYs in
// progress end at their next step. `here`: the calling thread runs the shut-down, and its own
// lines (the shut-down script) still run whole.
void mmi_request_stop(bool here);
// Whether the calling thread is to stop running command lines because the station is ending.
bool mmi_stop_requested();

// Turns the interpreter's text-entry mode off and empties its text buffer (engine start).
void mmi_clear_text_entry();

// Hands a line or a script to the command executor thread, so that the engine's worker never
// runs a slow command (DELAY, a long script) while it holds the link lock.
void mmi_post_line(const std::string& line);
void mmi_post_script(const std::string& file_name);
// Hands any action to the same queue, so it runs in order with the lines and scripts.
void mmi_post_task(std::function<void()> task);
// Runs one queued line or script, if any; returns false when the queue was empty. The
// executor thread loops on it; a simulation harness calls it directly.
bool mmi_executor_step();
void mmi_executor_start();
void mmi_executor_stop();

}  // namespace vesk
