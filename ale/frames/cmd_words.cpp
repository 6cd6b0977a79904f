#include "ale/frames/cmd_words.h"

#include <cstdio>

#include "db/ale_chars.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/rx_parser.h"
#include "ale/frames/slot_width.h"
#include "ale/words/linking_protection.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr int kLqaRingPlace = kCmdRingSize;

constexpr const char* kMultipathTexts[8] = {"0 MS", "1 MS", "2 MS", "3 MS", "4 MS", "5 MS", ">6 MS", "UNKNOWN"};

constexpr const char* kBerTexts[32] = {
    "0.0",     "0.006993", "0.01409", "0.02129", "0.02860", "0.03602", "0.04356", "0.05124",
    "0.05904", "0.06699",  "0.07508", "0.08333", "0.09175", "0.1003",  "0.1091",  "0.1181",
    "0.1273",  "0.1368",   "0.1464",  "0.1564",  "0.1667",  "0.1773",  "0.1882",  "0.1995",
    "0.2113",  "0.2236",   "0.2365",  "0.2500",  "0.2643",  "0.2795",  ">= 0.3",  "UNKNOWN"};

// Modem codes 32-63: four STANAG families of seven rates each, code 8k+7 reserved.
constexpr const char* kStanagNames[4][7] = {
    {"STANAG 4285 75 BPS SHORT INTERLEAVE", "STANAG 4285 150 BPS SHORT INTERLEAVE",
     "STANAG 4285 300 BPS SHORT INTERLEAVE", "STANAG 4285 600 BPS SHORT INTERLEAVE",
     "STANAG 4285 1200 BPS SHORT INTERLEAVE", "STANAG 4285 2400 BPS SHORT INTERLEAVE",
     "STANAG 4285 4800 BPS SHORT INTERLEAVE"},
    {"STANAG 4285 75 BPS LONG INTERLEAVE", "STANAG 4285 150 BPS LONG INTERLEAVE",
     "STANAG 4285 300 BPS LONG INTERLEAVE", "STANAG 4285 600 BPS LONG INTERLEAVE",
     "STANAG 4285 1200 BPS LONG INTERLEAVE", "STANAG 4285 2400 BPS LONG INTERLEAVE",
     "STANAG 4285 4800 BPS LONG INTERLEAVE"},
    {"STANAG 4529 75 BPS SHORT INTERLEAVE", "STANAG 4529 150 BPS SHORT INTERLEAVE",
     "STANAG 4529 300 BPS SHORT INTERLEAVE", "STANAG 4529 600 BPS SHORT INTERLEAVE",
     "STANAG 4529 1200 BPS SHORT INTERLEAVE", "STANAG 4529 2400 BPS SHORT INTERLEAVE",
     "STANAG 4529 4800 BPS SHORT INTERLEAVE"},
    {"STANAG 4529 75 BPS LONG INTERLEAVE", "STANAG 4529 150 BPS LONG INTERLEAVE",
     "STANAG 4529 300 BPS LONG INTERLEAVE", "STANAG 4529 600 BPS LONG INTERLEAVE",
     "STANAG 4529 1200 BPS LONG INTERLEAVE", "STANAG 4529 2400 BPS LONG INTERLEAVE",
     "STANAG 4529 4800 BPS LONG INTERLEAVE"},
};

constexpr const char* kModemNames[8] = {"RESERVED",
                                        "ALE MODEM",
                                        "SERIAL-TONE HF MIL-STD-188-110",
                                        "16-TONE DPSK HF MIL-STD-188-110",
                                        "39-TONE HF MIL-STD-188-110",
                                        "ANDVT",
                                        "FSK 170HZ SHIFT MIL-STD-188-110",
                                        "FSK 850HZ MIL-STD-188-110"};

// Second-character tables of the "m", "t" and "v" commands: state and monitor text.
struct SubCommand {
  char second;
  int state;
  const char* text;
};

constexpr SubCommand kModeCommands[] = {
    {'a', 8, "ANALOG PORT SELECTION "}, {'c', 9, "CRYPTO NEGOTIATION "}, {'d', 10, "DATA PORT SELECTION "},
    {'n', 11, nullptr},  // modem negotiation: text formed with the modem name
    {'q', 12, "DIGITAL SQUELCH "},      {'z', 13, nullptr},
};

constexpr SubCommand kTimingCommands[] = {
    {'a', 17, "ADJUST SLOT WIDTH "},     {'b', 18, "STATION BUSY "},
    {'c', 19, "CHANNEL BUSY "},          {'d', 20, "SET DWELL TIME "},
    {'h', 21, "HALT AND WAIT "},         {'l', 22, "CONTACT LATER "},
    {'m', 23, "MEET ME "},               {'n', 24, "POLL OPERATOR "},
    {'o', 25, "REQUEST OPERATOR ACK "},  {'p', 26, "SCHEDULE PERIODIC FUNCTION "},
    {'q', 27, "QUIET CONTACT "},         {'r', 28, "RESPOND AND WAIT "},
    {'s', 29, "SET SOUNDING INTERVAL "}, {'t', 30, "TUNE AND WAIT "},
    {'w', 31, "SET SLOT WIDTH "},        {'x', 32, "DO NOT RESPOND "},
    {'y', 33, "YEAR AND DATE "},         {'z', 34, "ZULU TIME "},
};

constexpr SubCommand kVersionCommands[] = {{'c', 35, "CAPABILITIES "}, {'s', 36, "VERSIONS "}};

template <std::size_t N>
const SubCommand* find_sub(const SubCommand (&table)[N], int second) {
  for (const SubCommand& s : table)
    if (s.second == second) return &s;
  return nullptr;
}

bool is_check_char(int c) { return c >= 'x' && c <= '{'; }

void ring_store(CmdWordState& s, AleWord word) {
  s.ring[s.ring_index] = word;
  s.ring_index = static_cast<uint8_t>(s.ring_index + 1 >= kCmdRingSize ? 0 : s.ring_index + 1);
}

}  // namespace

CmdWordState& cmd_word_state() { return station().state<CmdWordState>(); }

const char* ale_multipath_text(int value) { return kMultipathTexts[value & 7]; }
const char* ale_ber_text(int value) { return kBerTexts[value & 31]; }

const char* ale_modem_type_name(int code) {
  const int c = code & 0xFF;
  if (c < 8) return kModemNames[c];
  if (c >= 32 && c < 64 && (c & 7) != 7) return kStanagNames[(c - 32) >> 3][c & 7];
  return "RESERVED";
}

int ale_rx_cmd_word(const RxWordRecord& record) {
  const AleWord word = record.word;
  if (ale_word_type(word) != ALE_CMD) {
    ale_rx_message_word(record);
    return 0;
  }
  CmdWordState& s = cmd_word_state();
  s.ring_index = 0;
  ring_store(s, word);
  const int c1 = ale_word_char1(word), c2 = ale_word_char2(word), c3 = ale_word_char3(word);

  if (ale_char_in_64set(c1) || c1 == 0) {
    s.state = CMD_AMD;
    if (c1 == 0)
      ale_rx_qamd_start();
    else
      ale_rx_amd_start();
    lp_rx_expect_text();
    return PARSER_AMD;
  }
  switch (c1) {
    case 'a':
      s.state = CMD_LQA;
      s.ring[kLqaRingPlace] = word;
      ale_frame_set_lqa_word(word);
      break;
    case 'b':
      s.state = CMD_DBM;
      ale_data_message_set();
      if (rx_parser_state().hooks.dbm_header) rx_parser_state().hooks.dbm_header(record);
      break;
    case 'c': s.state = CMD_CHANNELS; break;
    case 'd':
      s.state = CMD_DTM;
      ale_data_message_set();
      if (rx_parser_state().hooks.dtm_header) rx_parser_state().hooks.dtm_header(record);
      return PARSER_DTM;
    case 'f': s.state = CMD_FREQUENCY; break;
    case 'm':
      if (const SubCommand* sub = find_sub(kModeCommands, c2)) s.state = sub->state;
      break;
    case 'n': s.state = CMD_NOISE; break;
    case 'p': s.state = CMD_POWER; break;
    case 'r': s.state = CMD_LQA_REPORT; break;
    case 't':
      if (const SubCommand* sub = find_sub(kTimingCommands, c2)) {
        s.state = sub->state;
        if (c2 == 'w') {
          ale_tw_decode(c3);
          ale_slot_width_flag_set(1);
        }
      }
      break;
    case 'v':
      if (const SubCommand* sub = find_sub(kVersionCommands, c2)) s.state = sub->state;
      break;
    case 124: s.state = CMD_USER_UNIQUE; break;
    default:
      if (is_check_char(c1)) {
        if (s.state == CMD_DTM && rx_parser_state().hooks.dtm_check_word)
          rx_parser_state().hooks.dtm_check_word(record);
        s.state = CMD_CHECK;
        ale_rx_frame_crc_reset();
        ale_rx_clear_current_word();
      }
      break;
  }
  return PARSER_COMMAND;
}

int ale_rx_cmd_word_forced(const RxWordRecord& record) {
  RxWordRecord forced = record;
  forced.word = (record.word & ~(7u << kAlePreambleShift)) | (static_cast<AleWord>(ALE_CMD) << kAlePreambleShift);
  return ale_rx_cmd_word(forced);
}

void ale_rx_message_word(const RxWordRecord& record) {
  CmdWordState& s = cmd_word_state();
  if (s.state == CMD_AMD) {
    ale_rx_amd_add();
  } else if (s.state == CMD_DTM) {
    if (rx_parser_state().hooks.dtm_data_word) rx_parser_state().hooks.dtm_data_word(record);
  } else {
    ring_store(s, record.word);
  }
}

void ale_cmd_amd_finish() {
  if (cmd_word_state().state == CMD_AMD) ale_rx_amd_end();
}

void ale_cmd_close() {
  ale_cmd_amd_finish();
  cmd_word_state().state = CMD_NONE;
}

void ale_cmd_reset() { cmd_word_state().state = CMD_NONE; }
int ale_cmd_state() { return cmd_word_state().state; }
AleWord ale_cmd_last_lqa_word() { return cmd_word_state().ring[kLqaRingPlace]; }
AleWord ale_cmd_ring_word(int index) {
  return (index >= 0 && index <= kCmdRingSize) ? cmd_word_state().ring[static_cast<std::size_t>(index)] : 0;
}

// ---- monitor ----

std::string ale_monitor_command_text(const AleWord* words, int count) {
  if (count <= 0) return {};
  const AleWord first = words[0];
  const int c1 = ale_word_char1(first), c2 = ale_word_char2(first), c3 = ale_word_char3(first);
  char buf[160];
  switch (c1) {
    case '`': return "ADVANCED LQA ";
    case 'a': {
      std::string t = "LQA ";
      t += (first >> 13) & 1 ? "KA1 = RESPONSE REQUIRED," : "KA1 = NO RESPONSE REQUIRED,";
      std::snprintf(buf, sizeof buf, "MULTIPATH = %s,", ale_multipath_text(static_cast<int>((first >> 10) & 7)));
      t += buf;
      const int sinad = static_cast<int>((first >> 5) & 31);
      if (sinad == 31)
        t += "SINAD = UNKNOWN,";
      else {
        std::snprintf(buf, sizeof buf, "SINAD = %d dB,", sinad);
        t += buf;
      }
      std::snprintf(buf, sizeof buf, "BER = %s", ale_ber_text(static_cast<int>(first & 31)));
      return t + buf;
    }
    case 'b': return "DBM ";
    case 'c': return "CHANNELS ";
    case 'd': {
      std::string t = "DTM ";
      std::snprintf(buf, sizeof buf, "KD1=%c,KD2=%c,KD3=%c,KD4=%c ", (first >> 10) & 1 ? '1' : '0',
                    (first >> 11) & 1 ? '1' : '0', (first >> 12) & 1 ? '1' : '0', (first >> 13) & 1 ? '1' : '0');
      t += buf;
      const int dc = static_cast<int>(first & 0x3FF);
      if (dc == 0) t += "NULL ";
      if (dc == 352) t += "ARQ ";
      if (dc >= 2 && dc <= 351) t += "EXTENDED ";
      if ((dc >> 5) > 10) t += (dc & 31) == 0 ? "RESERVED " : "BASIC ";
      std::snprintf(buf, sizeof buf, "DC=%.3X ", dc);
      t += buf;
      t += '"';
      for (int i = 1; i < count; ++i) {
        t += static_cast<char>(ale_word_char1(words[i]));
        t += static_cast<char>(ale_word_char2(words[i]));
        t += static_cast<char>(ale_word_char3(words[i]));
      }
      t += '"';
      return t;
    }
    case 'f': return "FREQUENCY ";
    case 'm': {
      const SubCommand* sub = find_sub(kModeCommands, c2);
      if (sub == nullptr || c2 == 'z') return {};
      if (c2 == 'n') {
        std::snprintf(buf, sizeof buf, "MODEM NEGOTIATION %s\n", ale_modem_type_name(c3));
        return buf;
      }
      return sub->text;
    }
    case 'n': return "NOISE REPORT ";
    case 'p': return "POWER CONTROL ";
    case 'r': return "LQA REPORT ";
    case 't': {
      const SubCommand* sub = find_sub(kTimingCommands, c2);
      return sub ? sub->text : std::string();
    }
    case 'v': {
      const SubCommand* sub = find_sub(kVersionCommands, c2);
      return sub ? sub->text : std::string();
    }
    case 'x':
    case 'y':
    case 'z':
    case '{':
      std::snprintf(buf, sizeof buf, "CRC %.4X", static_cast<unsigned>(first & 0xFFFF));
      return buf;
    case 124: return "USER UNIQUE FUNCTION ";
    case '~': return "TIME EXCHANGE ";
    default: return {};
  }
}

void ale_monitor_print() {
  CmdWordState& s = cmd_word_state();
  if (s.monitor_count <= 0) return;
  if (ale_text_word_valid(s.monitor[0])) {
    std::string t = "AMD] ";
    for (int i = 0; i < s.monitor_count; ++i) {
      const AleWord w = s.monitor[static_cast<std::size_t>(i)];
      t += static_cast<char>(ale_word_char1(w));
      t += static_cast<char>(ale_word_char2(w));
      t += static_cast<char>(ale_word_char3(w));
    }
    s.monitor_text = t;
    log_printf("[[CMD %s ]\n", s.monitor_text.c_str());
    return;
  }
  std::string t = ale_monitor_command_text(s.monitor.data(), s.monitor_count);
  if (!t.empty()) s.monitor_text = std::move(t);
  log_printf("[CMD %s]\n", s.monitor_text.c_str());
}

void ale_monitor_cmd_word(AleWord word) {
  if (db_get_trace_commands() == 0) return;
  CmdWordState& s = cmd_word_state();
  const uint32_t type = ale_word_type(word);
  if ((type == ALE_TWAS || type == ALE_TIS || type == ALE_CMD) && s.monitor_open) {
    ale_monitor_print();
    s.monitor_count = 0;
    s.monitor_open = false;
  }
  if (type == ALE_CMD) {
    s.monitor_count = 0;
    s.monitor_open = true;
  }
  if (!s.monitor_open) return;
  s.monitor[static_cast<std::size_t>(s.monitor_count)] = word & kAleWordBits;
  if (++s.monitor_count > kMonitorWordsMax - 1) s.monitor_count = kMonitorWordsMax - 2;
}

}  // namespace vesk
