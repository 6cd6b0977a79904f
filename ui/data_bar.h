// The data bar's actions without the window: ENTER, MILS BRD, REUSE LAST's buffer, and the
// terminate-when-done switch that the message dialogs set and the engine reads after a
// message has gone. The window reads its fields, asks data_bar_check what ENTER will do (so
// it knows at once whether the text field empties) and hands data_bar_enter to the command
// executor, where the engine may be waited on.
#pragma once

#include <atomic>
#include <string>

namespace vesk {

enum class DataBarMode { None = -1, Amd = 0, Dtm = 1, Dbm = 2, Tnc = 3, Fs1052 = 4 };

struct DataBarFields {
  std::string address;  // ADDRESS (first line)
  std::string text;     // MSG/CLI (first line)
  DataBarMode mode = DataBarMode::Amd;
  bool broadcast = false;  // BRD/FEC
  bool command = false;    // MMI CLI
};

inline constexpr std::size_t kDataBarLastLineMax = 1023;
inline constexpr std::size_t kDataBarCommandMax = 90;
inline constexpr std::size_t kDataBarAmdMax = 90;
// The most a transfer text may hold; a longer one is refused, never cut.
inline constexpr std::size_t kDataBarTransferMax = 10000;
inline constexpr std::size_t kDataBarAddressMax = 15;
inline constexpr std::size_t kDataBarAqcAddressMax = 6;
// A TNC text goes in pieces of at most this many bytes, in order.
inline constexpr std::size_t kTncPieceMax = 255;

struct DataBarState {
  std::string last_line;
  std::atomic<int> terminate_when_done{0};
};
DataBarState& data_bar_state();

// What ENTER will do with the fields: whether it acts and whether MSG/CLI empties. A refused
// text keeps the field (the refusal's line is written by data_bar_enter).
struct DataBarCheck {
  bool acts = false;
  bool clears_text = false;
};
DataBarCheck data_bar_check(const DataBarFields& fields);
// ENTER's step 1, on the window thread: the last line kept for REUSE LAST.
void data_bar_remember(const std::string& text);
std::string data_bar_last_line();
// ENTER's remaining steps (on the command executor).
void data_bar_enter(const DataBarFields& fields);
// MILS BRD, only while scanning is stopped (the window does nothing otherwise): returns own
// address 0 for the ADDRESS field; LISTEN, the radio and the engine's linked state follow on
// the command executor.
bool data_bar_mils_brd_allowed();
std::string data_bar_mils_brd();

// A DTM, DBM or serial-tone modem text to the transfer destination on the selected path; true
// when handed to the engine or the modem link.
bool ui_transfer_send(const std::string& text, int broadcast);

void ui_set_terminate_when_done(int flag);
// A message to one address has been sent: logged, and the link with it ended when the
// terminate-when-done switch is set.
void ui_message_sent(const char* address);

}  // namespace vesk
