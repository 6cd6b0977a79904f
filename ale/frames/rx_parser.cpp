#include "ale/frames/rx_parser.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ale/frames/address_match.h"
#include "db/ale_chars.h"
#include "ale/frames/cmd_words.h"
#include "ale/words/word_trace.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_build.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/words/word_rx.h"
#include "db/crc16.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

// Operations of one cell of the state table, carried out in this order.
enum Op : uint16_t {
  CLR = 1 << 0,      // clear the frame statistics and the DTM/DBM receive counters
  DTHRU = 1 << 1,    // THRU done
  DTO = 1 << 2,      // TO done
  DFROM = 1 << 3,    // FROM done
  DTIS = 1 << 4,     // TIS done
  DTWAS = 1 << 5,    // TWAS done
  AMDEND = 1 << 6,   // finish an open AMD (on CMD also close the decoder's message)
  CMDFIN = 1 << 7,   // let the decoder finish the command it gathers
  MSG = 1 << 8,      // message section
  START = 1 << 9,    // start gathering with the current word
  ADD = 1 << 10,     // add the current word
  ERR = 1 << 11,     // parser error
  DEC = 1 << 12,     // command-word decoder
  DECF = 1 << 13,    // command-word decoder, the word taken as CMD
};

constexpr int8_t K = -1;  // state unchanged (or, after a decoded CMD word, the decoder's)

struct Cell {
  uint16_t ops;
  int8_t next;
};

constexpr Cell E{ERR, K};

// Rows by state, columns by preamble: DATA, THRU, TO, TWAS, FROM, TIS, CMD, REP.
constexpr Cell kTable[kParserStateCount][8] = {
    /* IDLE */ {{CLR, K}, {CLR | START, PARSER_THRU}, {CLR | START, PARSER_TO}, {CLR | START, PARSER_TWAS},
                {CLR, K}, {CLR | START, PARSER_TIS}, {CLR, K}, {CLR, K}},
    /* THRU */ {{ADD, K}, {DTHRU | START, K}, {DTHRU | START, PARSER_TO}, {DTHRU | MSG | START, PARSER_TWAS},
                {DTHRU | MSG | START, PARSER_FROM}, {DTHRU | MSG | START, PARSER_TIS}, {MSG | DEC, K},
                {DTHRU | START, K}},
    /* TO_DATA */ {E, E, {DTO | START, PARSER_TO}, {DTO | MSG | START, PARSER_TWAS}, {DTO | MSG | START, PARSER_FROM},
                   {DTO | MSG | START, PARSER_TIS}, {DTO | MSG | DEC, K}, {ADD, PARSER_TO_REP}},
    /* TO_REP */ {{ADD, PARSER_TO_DATA}, {DTHRU | START, PARSER_THRU}, {DTO | START, PARSER_TO},
                  {DTO | MSG | START, PARSER_TWAS}, {DTO | MSG | START, PARSER_FROM}, {DTO | MSG | START, PARSER_TIS},
                  {DTO | MSG | DEC, K}, E},
    /* TO */ {{ADD, PARSER_TO_DATA}, {DTO | START, PARSER_THRU}, {DTO | START, PARSER_TO},
              {DTO | MSG | START, PARSER_TWAS}, {DTO | MSG | START, PARSER_FROM}, {DTO | MSG | START, PARSER_TIS},
              {DTO | MSG | DEC, K}, {DTO | START, PARSER_TO_REP}},
    /* FROM */ {{ADD, PARSER_FROM_DATA}, E, E, {DFROM | START, PARSER_TWAS}, E, {DFROM | START, PARSER_TIS},
                {DFROM | DEC, K}, E},
    /* FROM_DATA */ {{ADD, K}, E, E, {DFROM | START, PARSER_TWAS}, E, {DFROM | START, PARSER_TIS}, {DFROM | DEC, K},
                     {ADD, PARSER_FROM_REP}},
    /* FROM_REP */ {{ADD, PARSER_FROM_DATA}, E, E, {DFROM | START, PARSER_TWAS}, E, {DFROM | START, PARSER_TIS},
                    {DFROM | DEC, K}, E},
    /* COMMAND */ {{DEC, K}, E, E, {CMDFIN | START, PARSER_TWAS}, E, {CMDFIN | START, PARSER_TIS},
                   {CMDFIN | DEC, K}, {DECF, K}},
    /* AMD */ {{DEC, PARSER_AMD_DATA}, E, E, {AMDEND | START, PARSER_TWAS}, E, {AMDEND | START, PARSER_TIS},
               {AMDEND | DEC, K}, E},
    /* AMD_DATA */ {E, {ERR, PARSER_AMD_REP}, E, {AMDEND | START, PARSER_TWAS}, E, {AMDEND | START, PARSER_TIS},
                    {AMDEND | DEC, K}, {DEC, PARSER_AMD_REP}},
    /* AMD_REP */ {{DEC, PARSER_AMD_DATA}, E, E, {AMDEND | START, PARSER_TWAS}, E, {AMDEND | START, PARSER_TIS},
                   {AMDEND | DEC, K}, E},
    /* DTM */ {{DEC, K}, {DEC, K}, {DEC, K}, {START, PARSER_TWAS}, {DEC, K}, {START, PARSER_TIS}, {DEC, K}, {DEC, K}},
    /* TIS */ {{ADD, PARSER_TIS_DATA}, E, E, {DTIS | START, PARSER_TWAS}, E, {DTIS | START, PARSER_TIS}, {DEC, K}, E},
    /* TWAS */ {{ADD, PARSER_TWAS_DATA}, E, E, {DTWAS | START, PARSER_TWAS}, E, {DTWAS | START, PARSER_TIS},
                {DEC, K}, E},
    /* TWAS_DATA */ {E, E, E, {DTWAS | START, PARSER_TWAS}, E, {DTWAS | START, PARSER_TIS}, {DEC, K},
                     {ADD, PARSER_TWAS_REP}},
    /* TWAS_REP */ {{ADD, PARSER_TWAS_DATA}, E, E, {DTWAS | START, PARSER_TWAS}, E, {DTWAS | START, PARSER_TIS},
                    {DEC, K}, E},
    /* TIS_DATA */ {E, E, E, {DTIS | START, PARSER_TWAS}, E, {DTIS | START, PARSER_TIS}, {DEC, K},
                    {ADD, PARSER_TIS_REP}},
    /* TIS_REP */ {{ADD, PARSER_TIS_DATA}, E, E, {DTIS | START, PARSER_TWAS}, E, {DTIS | START, PARSER_TIS},
                   {DEC, K}, E},
};

bool in_ending_state(int state) { return state >= PARSER_TIS && state <= PARSER_TIS_REP; }
bool in_tis_state(int state) { return state == PARSER_TIS || state == PARSER_TIS_DATA || state == PARSER_TIS_REP; }

bool chars_in_38set(AleWord w) {
  return ale_char_in_38set(ale_word_char1(w)) && ale_char_in_38set(ale_word_char2(w)) &&
         ale_char_in_38set(ale_word_char3(w));
}

// THRU, TO, TWAS, FROM and TIS words each begin an address.
bool starts_address(int input) {
  return input == ALE_THRU || input == ALE_TO || input == ALE_TWAS || input == ALE_FROM || input == ALE_TIS;
}

// Whether `word` (preamble `input`) can follow in ending state `state`: a DATA or REP word that
// carries the address on, or a TIS or TWAS word that begins the next one, each with address
// characters. A CMD word cannot: the ending is the frame's last section.
bool continues_ending(int state, int input, AleWord word) {
  if (input < 0 || input > 7 || input == ALE_CMD) return false;
  const uint16_t ops = kTable[state][input].ops;
  if (ops == ERR) return false;
  return chars_in_38set(word);
}

void raise(int event) { ale_frame_event(event); }

// Address texts are compared as the tables keep them: at most 15 characters.
bool same_name(const char* a, const char* b) { return std::strncmp(a, b, kParserAddressSize - 1) == 0; }

void copy_name(char* dst, const char* src) {
  std::strncpy(dst, src, kParserAddressSize - 1);
  dst[kParserAddressSize - 1] = '\0';
}

// A received word's trace, then the command monitor's turn at it.
void trace_rx_word(AleWord word) {
  ale_trace_rx_word(word);
  ale_monitor_cmd_word(word);
}

void trace_rx(const char* format, const char* text) {
  if (db_get_trace_rx_words() != 0) log_printf(format, text);
}

void clear_statistics(RxParserState& p) {
  p.sinad_sum = 0;
  p.disagreement_sum = 0;
  p.words_summed = 0;
}

void parser_error() {
  rx_parser_state().bad_words++;
  raise(EV_PARSER_ERROR);
}

void gather_add(RxParserState& p) {
  if (p.accumulator_length >= kRxAccumulatorMax) return;
  const AleWord w = p.current.word;
  if (!ale_word_acceptable(w)) parser_error();
  char* a = p.accumulator.data() + p.accumulator_length;
  a[0] = static_cast<char>(ale_word_char1(w));
  a[1] = static_cast<char>(ale_word_char2(w));
  a[2] = static_cast<char>(ale_word_char3(w));
  a[3] = '\0';
  p.accumulator_length += 3;
  p.word_count++;
}

void gather_start(RxParserState& p) {
  p.accumulator_length = 0;
  p.word_count = 0;
  p.accumulator[0] = '\0';
  gather_add(p);
}

// Checks and strips the gathered address; false when it is not a valid address.
bool completed_address(RxParserState& p) {
  if (!ale_address_valid(std::string_view(p.accumulator.data(), static_cast<std::size_t>(p.accumulator_length))))
    return false;
  ale_rx_strip_address(p.accumulator.data());
  return true;
}

int to_event(int address_class) {
  switch (address_class) {
    case ADDR_WILD_MATCH: return EV_RX_WILD;
    case ADDR_WILD_NO_MATCH: return EV_RX_WILD_NO_MATCH;
    case ADDR_ALLCALL: return EV_RX_ALLCALL;
    case ADDR_SELECTIVE_ALLCALL: return EV_RX_SELECTIVE_ALLCALL;
    case ADDR_ANYCALL: return EV_RX_ANYCALL;
    case ADDR_SELECTIVE_ANYCALL: return EV_RX_SELECTIVE_ANYCALL;
    case ADDR_INLINK: return EV_RX_INLINK_ADDRESS;
    case ADDR_INDIVIDUAL:
    case ADDR_NULL: return EV_RX_TO;
    default: return 0;
  }
}

void thru_done(RxParserState& p) {
  if (!completed_address(p)) return;
  trace_rx("[TRU %s]\n", p.accumulator.data());
  raise(EV_RX_THRU);
}

void to_done(RxParserState& p) {
  if (!completed_address(p)) return;
  trace_rx("[TO  %s]\n", p.accumulator.data());
  ale_frame_called_add(p.accumulator.data());
  const int event = to_event(ale_rx_address_class(p.accumulator.data()));
  p.accumulator_length = static_cast<int>(std::strlen(p.accumulator.data()));
  if (event != 0) raise(event);
}

void from_done(RxParserState& p) {
  if (completed_address(p)) {
    trace_rx("[FRM %s]\n", p.accumulator.data());
    raise(EV_RX_FROM);
  }
  ale_rx_frame_crc_reset();
}

void ending_done(RxParserState& p, bool tis) {
  if (!completed_address(p)) return;
  trace_rx(tis ? "[TIS %s]\n" : "[TWS %s]\n", p.accumulator.data());
  raise(tis ? EV_RX_THIS_IS : EV_RX_THIS_WAS);
}

void message_section() {
  ale_rx_frame_crc_reset();
  raise(EV_RX_MESSAGE_SECTION);
}

void end_of_frame() {
  trace_rx("%s", "[END OF FRAME]\n");
  raise(EV_RX_FRAME_END);
  // A file that arrived in this frame is answered to the station its ending named.
  if (rx_parser_state().hooks.frame_ended) rx_parser_state().hooks.frame_ended();
  ale_reset_receiver();
  ale_parser_reset();
}

void data_put(RxParserState& p, int byte) {
  if (p.data.size() >= kRxDataBufferSize) {
    p.data_overflow = true;
    return;
  }
  p.data.push_back(static_cast<uint8_t>(byte));
}

// Packs `count` bits of `value` starting at bit `top` downward into units of `width` bits.
template <class Put>
void pack_bits(int value, int count, int top, int width, int& partial, int& bits, Put put) {
  count = std::clamp(count, 0, top + 1);
  for (int i = 0; i < count; ++i) {
    partial = (partial << 1) | ((value >> (top - i)) & 1);
    if (++bits == width) {
      put(partial);
      partial = 0;
      bits = 0;
    }
  }
}

bool parser_step(int input);

}  // namespace

RxParserState& rx_parser_state() { return station().state<RxParserState>(); }

void ale_rx_word(const RxWordRecord& record) {
  // The raw groups of a DBM message go to its receiver, AQC-ALE words to theirs; the rest are
  // standard words for this parser.
  const RxParserHooks& hooks = rx_parser_state().hooks;
  if (ale_rx_dbm_mode() != 0) {
    if (hooks.dbm_group) hooks.dbm_group(record);
  } else if (aqc_rx_word_is_aqc() != 0) {
    if (hooks.aqc_word) hooks.aqc_word(record);
  } else {
    ale_rx_parse_word(record);
  }
}

void ale_rx_parse_word(const RxWordRecord& record) {
  RxParserState& p = rx_parser_state();
  p.current = record;
  int input = static_cast<int>(ale_word_type(record.word));
  if (record.bad != 0) {
    if (p.state == PARSER_IDLE || in_ending_state(p.state)) {
      input = PARSER_END_OF_FRAME;
    } else if (++p.bad_words > kRxBadWordsEnd) {
      input = PARSER_END_OF_FRAME;
    }
  } else if (in_ending_state(p.state)) {
    p.bad_words = 0;
    // A word that cannot carry the ending's address on is not part of that frame (noise decoded
    // after the last word): the frame ended with its ending. Taken into the frame, it would
    // reset the receiver with the ending unfinished, or replace the caller's address.
    if (!continues_ending(p.state, input, record.word)) input = PARSER_END_OF_FRAME;
  } else if (starts_address(input) && p.state != PARSER_IDLE && p.state != PARSER_DTM &&
             !chars_in_38set(record.word)) {
    // An address word whose characters no address holds is a damaged word: passed over like
    // a word that failed its vote, so one bad word does not cut the address it interrupts.
    if (++p.bad_words > kRxBadWordsEnd) {
      ale_parser_step(PARSER_END_OF_FRAME);
    } else {
      trace_rx_word(record.word);
    }
    return;
  } else {
    p.bad_words = 0;
  }
  if (input == PARSER_END_OF_FRAME) {
    ale_parser_step(PARSER_END_OF_FRAME);
  } else {
    trace_rx_word(record.word);
    if (!parser_step(input)) return;
    ale_rx_add_statistics(record);
  }
  crc16_update_24bits(static_cast<int32_t>(p.current.word & kAleWordBits), &p.frame_crc);
}

void ale_parser_step(int input) { (void)parser_step(input); }

namespace {

// One step; false when the frame handler reset the parser during it (a heard sounding returns
// the station to scanning, which retunes): the rest of the step and the word itself belonged
// to the frame on the channel just left.
bool parser_step(int input) {
  RxParserState& p = rx_parser_state();
  if (input == PARSER_END_OF_FRAME) {
    if (in_ending_state(p.state)) ending_done(p, in_tis_state(p.state));
    end_of_frame();
    return true;
  }
  if (input < 0 || input > 7) return true;
  if (p.state == PARSER_IDLE) ale_parser_reset();
  const unsigned resets = p.resets;
  const int state = std::clamp(p.state, 0, kParserStateCount - 1);
  const Cell cell = kTable[state][input];
  const uint16_t ops = cell.ops;
  int decoded = 0;

  if (ops & CLR) {
    clear_statistics(p);
    if (p.hooks.message_words_clear) p.hooks.message_words_clear();
  }
  if (ops & DTHRU) thru_done(p);
  if (ops & DTO) to_done(p);
  if (ops & DFROM) from_done(p);
  if (ops & DTIS) ending_done(p, true);
  if (ops & DTWAS) ending_done(p, false);
  if (ops & AMDEND) {
    if (input == ALE_CMD)
      ale_cmd_close();
    else
      ale_cmd_amd_finish();
  }
  if (ops & CMDFIN) ale_cmd_close();
  if (ops & MSG) message_section();
  if (p.resets != resets) return false;
  if (ops & START) gather_start(p);
  if (ops & ADD) gather_add(p);
  if (ops & ERR) parser_error();
  if (ops & DEC) decoded = ale_rx_cmd_word(p.current);
  if (ops & DECF) decoded = ale_rx_cmd_word_forced(p.current);
  if (p.resets != resets) return false;

  if (cell.next != K)
    p.state = cell.next;
  else if (decoded != 0)
    p.state = decoded;
  return true;
}

}  // namespace

FrameCalledState& frame_called_state() { return station().state<FrameCalledState>(); }

void ale_frame_called_clear() {
  FrameCalledState& s = frame_called_state();
  std::lock_guard<std::mutex> hold(s.mutex);
  for (auto& e : s.names) e.fill('\0');
  s.extended = false;
}

void ale_frame_called_add(const char* address) {
  if (address == nullptr || address[0] == '\0') return;
  FrameCalledState& s = frame_called_state();
  std::lock_guard<std::mutex> hold(s.mutex);
  bool found = false;
  for (auto& e : s.names) {
    // A three-character name heard first is the start of a longer one heard later (its
    // first word), until a longer name has been seen.
    if (!s.extended && std::strlen(e.data()) == 3 && std::strncmp(e.data(), address, 3) == 0)
      copy_name(e.data(), address);
    if (e[0] != '\0' && same_name(e.data(), address)) {
      found = true;
      break;
    }
  }
  if (std::strlen(address) > 3) s.extended = true;
  if (found) return;
  for (auto& e : s.names) {
    if (e[0] != '\0') continue;
    copy_name(e.data(), address);
    return;
  }
}

std::string ale_frame_called_text() {
  FrameCalledState& s = frame_called_state();
  std::lock_guard<std::mutex> hold(s.mutex);
  std::string text;
  for (const auto& e : s.names) {
    if (e[0] == '\0') continue;
    text += e.data();
    text += ' ';
  }
  return text;
}

void ale_parser_reset() {
  RxParserState& p = rx_parser_state();
  ++p.resets;
  clear_statistics(p);
  p.accumulator_length = 0;
  p.accumulator[0] = '\0';
  p.bad_words = 0;
  p.state = PARSER_IDLE;
  if (ale_rx_dbm_mode() != 0 && p.hooks.dbm_cut_off) p.hooks.dbm_cut_off();
  ale_rx_dbm_mode_off();
  ale_frame_called_clear();
}

int ale_parser_state() { return rx_parser_state().state; }
const char* ale_rx_accumulator() { return rx_parser_state().accumulator.data(); }

double ale_rx_frame_sinad() {
  const RxParserState& p = rx_parser_state();
  if (p.words_summed == 0) return -100.0;
  double mean = p.sinad_sum / p.words_summed;
  if (mean <= 0) mean = 1;
  return 20.0 * std::log10(mean);
}

int ale_rx_frame_ber() {
  const RxParserState& p = rx_parser_state();
  return p.words_summed == 0 ? 30 : p.disagreement_sum / p.words_summed;
}

void ale_rx_add_statistics(const RxWordRecord& record) {
  RxParserState& p = rx_parser_state();
  p.sinad_sum += record.sinad;
  p.disagreement_sum += record.vote_disagreements;
  p.words_summed++;
}

int32_t ale_rx_frame_crc() { return rx_parser_state().frame_crc; }
void ale_rx_frame_crc_reset() { crc16_init(&rx_parser_state().frame_crc); }
void ale_rx_clear_current_word() { rx_parser_state().current.word = 0; }

// The flag lives with the word tests: the word receiver reads it on the audio thread.
void ale_rx_dbm_mode_on() { ale_word_state().dbm_mode = 1; }
void ale_rx_dbm_mode_off() { ale_word_state().dbm_mode = 0; }
int ale_rx_dbm_mode() { return ale_word_state().dbm_mode; }
void aqc_rx_set_word_is_aqc(int flag) {
  ale_word_state().last_word_aqc.store(flag != 0 ? 1 : 0, std::memory_order_relaxed);
}

void ale_rx_strip_address(char* text) {
  if (text == nullptr || text[0] == '@' || std::strcmp(text, "?@?") == 0) return;
  if (char* at = std::strchr(text, '@')) *at = '\0';
}

// ---- AMD text ----

void ale_rx_amd_start() {
  RxParserState& p = rx_parser_state();
  p.amd_coded = 0;
  p.accumulator_length = 0;
  p.accumulator[0] = '\0';
  ale_rx_amd_add();
}

void ale_rx_qamd_start() {
  RxParserState& p = rx_parser_state();
  p.amd_coded = 1;
  p.accumulator_length = 0;
  p.accumulator[0] = '\0';
  ale_rx_amd_add();
}

void ale_rx_amd_add() {
  RxParserState& p = rx_parser_state();
  if (p.accumulator_length >= kRxAccumulatorMax) {
    parser_error();
    return;
  }
  const AleWord w = p.current.word;
  int c[3] = {ale_word_char1(w), ale_word_char2(w), ale_word_char3(w)};
  if (p.amd_coded != 0) {
    for (int& x : c) x += 128;
  } else if (!ale_text_word_valid(w)) {
    c[0] = c[1] = c[2] = kAmdBadCharacter;
    parser_error();
  }
  char* a = p.accumulator.data() + p.accumulator_length;
  for (int i = 0; i < 3; ++i) a[i] = static_cast<char>(c[i]);
  a[3] = '\0';
  p.accumulator_length += 3;
}

void ale_rx_amd_end() {
  RxParserState& p = rx_parser_state();
  if (p.accumulator_length < 1 || p.accumulator_length > kAmdTextMax) return;
  if (p.amd_coded != 0) {
    raise(EV_RX_QAMD);
    return;
  }
  for (int i = 0; i < p.accumulator_length; ++i) {
    const int c = static_cast<unsigned char>(p.accumulator[static_cast<std::size_t>(i)]);
    if (!ale_char_in_64set(c)) p.accumulator[static_cast<std::size_t>(i)] = static_cast<char>(kAmdBadCharacter);
  }
  if (db_get_trace_commands() != 0) log_printf("[AMD  %s]\n", p.accumulator.data());
  raise(EV_RX_AMD);
}

// ---- text and data packers ----

void ale_rx_text_put(int character) {
  RxParserState& p = rx_parser_state();
  if (p.text.size() >= kRxTextBufferSize) ale_rx_text_flush();
  p.text.push_back(static_cast<char>(character));
}

void ale_rx_text_put_char(int character) { ale_rx_text_put(character); }

void ale_rx_text_flush() {
  RxParserState& p = rx_parser_state();
  if (!p.text.empty()) log_frame_write(p.text.data(), p.text.size());
  p.text.clear();
  p.text_bits = 0;
  p.text_partial = 0;
}

void ale_rx_text_bits(int value, int count) {
  RxParserState& p = rx_parser_state();
  pack_bits(value, count, 11, 7, p.text_partial, p.text_bits, [](int c) { ale_rx_text_put(c); });
}

void ale_rx_data_bits(int value, int count) {
  RxParserState& p = rx_parser_state();
  pack_bits(value, count, 20, 8, p.data_partial, p.data_bits, [&p](int b) { data_put(p, b); });
}

void ale_rx_data_bits_low(int value, int count) {
  RxParserState& p = rx_parser_state();
  pack_bits(value, count, 11, 8, p.data_partial, p.data_bits, [&p](int b) { data_put(p, b); });
}

void ale_rx_data_flush() {
  RxParserState& p = rx_parser_state();
  if (p.data_overflow) {
    // Handing on the pieces of an oversized message would deliver each as a message of its own.
    log_printf("[%s][%s][DATA ERROR: RECEIVED MESSAGE LONGER THAN %zu BYTES DROPPED]\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), kRxDataBufferSize);
  } else if (!p.data.empty()) {
    // A data message of the parser arrived as a DBM message.
    xfer_select_dbm_path();
    xfer_dispatch_pid(p.data.data(), p.data.size());
  }
  p.data.clear();
  p.data_overflow = false;
  p.data_bits = 0;
  p.data_partial = 0;
}

void ale_rx_buffers_reset() {
  RxParserState& p = rx_parser_state();
  p.text.clear();
  p.text_bits = p.text_partial = 0;
  p.data.clear();
  p.data_overflow = false;
  p.data_bits = p.data_partial = 0;
}

std::size_t ale_rx_text_length() { return rx_parser_state().text.size(); }
std::size_t ale_rx_data_length() { return rx_parser_state().data.size(); }

}  // namespace vesk
