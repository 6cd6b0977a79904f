// Command words of received 141A frames, and the command monitor.
//
// The frame parser hands every CMD word and every message word here. A CMD word is classified
// by its first character into a command state (AMD text, LQA, DTM, DBM, timing and the other
// orderwire functions), starts the matching receiver and decides the parser's next state;
// the DATA and REP words that follow go to that receiver or into the command ring.
//
// The monitor is separate: while command tracing is on it collects the words of every
// command, received or sent, and when the next command, TIS or TWAS word arrives it writes one
// decoded line for the collected command ("[CMD LQA KA1 = ...]").
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"

namespace vesk {

// Command states.
inline constexpr int CMD_NONE = 0;
inline constexpr int CMD_AMD = 1;
inline constexpr int CMD_LQA = 3;
inline constexpr int CMD_DBM = 4;
inline constexpr int CMD_CHANNELS = 5;
inline constexpr int CMD_DTM = 6;
inline constexpr int CMD_FREQUENCY = 7;
inline constexpr int CMD_NOISE = 14;
inline constexpr int CMD_POWER = 15;
inline constexpr int CMD_LQA_REPORT = 16;
inline constexpr int CMD_CHECK = 37;
inline constexpr int CMD_USER_UNIQUE = 38;

inline constexpr int kCmdRingSize = 15;
inline constexpr int kMonitorWordsMax = 301;

struct CmdWordState {
  int state = CMD_NONE;
  std::array<AleWord, kCmdRingSize + 1> ring{};  // the last place holds the last LQA word
  uint8_t ring_index = 0;

  // Monitor collection.
  std::array<AleWord, kMonitorWordsMax> monitor{};
  int monitor_count = 0;
  bool monitor_open = false;
  std::string monitor_text;  // the last decoded command text

};

CmdWordState& cmd_word_state();

// Decoder (engine worker thread).
int ale_rx_cmd_word(const RxWordRecord& record);
int ale_rx_cmd_word_forced(const RxWordRecord& record);
void ale_rx_message_word(const RxWordRecord& record);
void ale_cmd_amd_finish();
void ale_cmd_close();
void ale_cmd_reset();
int ale_cmd_state();
AleWord ale_cmd_last_lqa_word();
AleWord ale_cmd_ring_word(int index);

// Monitor.
void ale_monitor_cmd_word(AleWord word);
void ale_monitor_print();
// The decoded text of a collected command as the monitor forms it (empty when the first
// character is not decoded).
std::string ale_monitor_command_text(const AleWord* words, int count);

// Tables.
const char* ale_modem_type_name(int code);
const char* ale_multipath_text(int value);  // 0-7
const char* ale_ber_text(int value);        // 0-31

}  // namespace vesk
