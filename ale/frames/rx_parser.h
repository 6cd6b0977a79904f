// Receive frame parser: turns the received 141A words of a frame into frame events.
//
// Every received word reaches `ale_rx_word` on the engine worker thread. AQC-ALE words and
// DBM bit groups go to their own receivers; 141A words drive a state machine on their
// preambles that gathers the addresses (THRU, TO, FROM, TIS, TWAS with their DATA and REP
// continuations), hands CMD and message words to the command-word decoder, notices the end of
// a frame (a bad word, or the sixth bad word in a row inside an address or message) and keeps
// the frame's signal statistics and running CRC. What it finds goes to the frame event handler
// as events (EV_RX_TO, EV_RX_THIS_IS, ...); the address or AMD text of an event is read with
// `ale_rx_accumulator` while the event is handled.
//
// The module also holds the received text buffer (to the data pane) and data buffer (to the
// payload dispatcher) with their bit packers, through which the DTM and DBM receivers deliver.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"

namespace vesk {

enum AleParserState : int {
  PARSER_IDLE = 0,
  PARSER_THRU = 1,
  PARSER_TO_DATA = 2,
  PARSER_TO_REP = 3,
  PARSER_TO = 4,
  PARSER_FROM = 5,
  PARSER_FROM_DATA = 6,
  PARSER_FROM_REP = 7,
  PARSER_COMMAND = 8,
  PARSER_AMD = 9,
  PARSER_AMD_DATA = 10,
  PARSER_AMD_REP = 11,
  PARSER_DTM = 12,
  PARSER_TIS = 13,
  PARSER_TWAS = 14,
  PARSER_TWAS_DATA = 15,
  PARSER_TWAS_REP = 16,
  PARSER_TIS_DATA = 17,
  PARSER_TIS_REP = 18,
};
inline constexpr int kParserStateCount = 19;
inline constexpr int PARSER_END_OF_FRAME = 9;  // step input: the frame has ended

inline constexpr int kRxAccumulatorMax = 96;
inline constexpr int kRxBadWordsEnd = 5;  // the next bad word in a row ends the frame
inline constexpr std::size_t kRxTextBufferSize = 1000;
inline constexpr std::size_t kRxDataBufferSize = 500000;
inline constexpr int kAmdBadCharacter = 149;

// What the parser and its command-word decoder hand to the receivers above them (the DTM and
// DBM receivers, the AQC-ALE receiver, the file transfers); the station's wiring binds it.
struct RxParserHooks {
  // An AQC-ALE word, and a raw group of a DBM message (while DBM mode is on).
  std::function<void(const RxWordRecord& record)> aqc_word;
  std::function<void(const RxWordRecord& record)> dbm_group;
  // A DTM header, data or check word, and a DBM header word.
  std::function<void(const RxWordRecord& record)> dtm_header;
  std::function<void(const RxWordRecord& record)> dtm_data_word;
  std::function<void(const RxWordRecord& record)> dtm_check_word;
  std::function<void(const RxWordRecord& record)> dbm_header;
  // A new frame starts: the DTM and DBM words gathered so far are void.
  std::function<void()> message_words_clear;
  // The parser is reset while DBM mode is on: the collection is over.
  std::function<void()> dbm_cut_off;
  // The end of a frame was heard.
  std::function<void()> frame_ended;
};

struct RxParserState {
  RxParserHooks hooks;
  int state = PARSER_IDLE;
  RxWordRecord current;
  std::array<char, kRxAccumulatorMax + 1> accumulator{};
  int accumulator_length = 0;
  int word_count = 0;
  int bad_words = 0;
  int32_t frame_crc = 0xFFFF;
  double sinad_sum = 0;
  int disagreement_sum = 0;
  int words_summed = 0;
  int amd_coded = 0;
  unsigned resets = 0;  // counts parser resets, so that a step can tell the frame handler reset it

  // Received text and data buffers with their packers.
  std::vector<char> text;
  int text_bits = 0, text_partial = 0;
  std::vector<uint8_t> data;
  int data_bits = 0, data_partial = 0;
  bool data_overflow = false;  // a message outgrew the buffer: dropped at its flush

};

RxParserState& rx_parser_state();

// The addresses the frame being received calls, as the parser reads its TO words; cleared at
// each parser reset. Read from any thread.
inline constexpr int kParserCalledMax = 20;
inline constexpr int kParserAddressSize = 16;  // 15 characters and the NUL
struct FrameCalledState {
  std::mutex mutex;
  std::array<std::array<char, kParserAddressSize>, kParserCalledMax> names{};
  bool extended = false;
};
FrameCalledState& frame_called_state();
void ale_frame_called_clear();
void ale_frame_called_add(const char* address);
// The addresses, each followed by a space.
std::string ale_frame_called_text();

// Word entry.
void ale_rx_word(const RxWordRecord& record);
void ale_rx_parse_word(const RxWordRecord& record);
// One step of the state table: input 0-7 (a preamble) or PARSER_END_OF_FRAME.
void ale_parser_step(int input);
void ale_parser_reset();
int ale_parser_state();
// The address or text gathered last (NUL-terminated).
const char* ale_rx_accumulator();

// Frame statistics and CRC.
double ale_rx_frame_sinad();
int ale_rx_frame_ber();
void ale_rx_add_statistics(const RxWordRecord& record);
int32_t ale_rx_frame_crc();
void ale_rx_frame_crc_reset();
// The command-word decoder's check word: the parser's copy of the word becomes 0.
void ale_rx_clear_current_word();

void ale_rx_dbm_mode_on();
void ale_rx_dbm_mode_off();
int ale_rx_dbm_mode();
void aqc_rx_set_word_is_aqc(int flag);

void ale_rx_strip_address(char* text);

// AMD text gathering (the command-word decoder).
void ale_rx_amd_start();
void ale_rx_qamd_start();
void ale_rx_amd_add();
void ale_rx_amd_end();

// Text and data packers (DTM and DBM receivers).
void ale_rx_text_put(int character);
void ale_rx_text_put_char(int character);
void ale_rx_text_flush();
void ale_rx_text_bits(int value, int count);
void ale_rx_data_bits(int value, int count);
void ale_rx_data_bits_low(int value, int count);
void ale_rx_data_flush();
void ale_rx_buffers_reset();
std::size_t ale_rx_text_length();
std::size_t ale_rx_data_length();

}  // namespace vesk
