#include "command/cmd_db.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "ale/link/call_setup.h"
#include "command/cmd_call.h"
#include "command/keywords.h"
#include "command/mode_words.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/dispatch.h"

namespace vesk {

namespace {

int decimal(const char* word) { return static_cast<int>(std::strtol(word, nullptr, 10)); }

// Keyword codes of the table words.
constexpr int kOwn = 3, kOther = 4, kAlechan = 6, kChannels = 8, kNet = 18, kAmd = 169, kOptions = 171,
              kDatabase = 180, kLqa = 187, kSelf = 207, kDisplay = 208, kModem = 335;

void log_in_use(const char* what, const char* name) {
  log_printf("[%s][%s][MMI CHANGE ERROR: %s ADDRESS IN USE => %s]\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), what, name);
}

// ADD CHANNEL: words 2 onwards fill the record; the record is added at once (the first free
// channel 1 to 256), in line order, so a frequency file of 256 channels loses none.
void add_channel(MmiLine& line) {
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  ChannelRecord ch{};
  ch.rx_freq_hz = decimal(line.words[2]);
  ch.rx_mode = 1;
  ch.tx_freq_hz = ch.rx_freq_hz;
  ch.tx_mode = 1;
  ch.scan_groups = 1;
  ch.permission = CHANNEL_BX;
  if (line.count > 3 && (ch.rx_mode = mmi_parse_mode(line, line.words[3])) == kModeNotAMode) return;
  if (line.count > 4) {
    ch.tx_freq_hz = decimal(line.words[4]);
    if (ch.tx_freq_hz == 0) return line.fail(MMI_ERROR_NO_COMMAND, line.words[4]);
  }
  if (line.count > 5 && (ch.tx_mode = mmi_parse_mode(line, line.words[5])) == kModeNotAMode) return;
  if (line.count > 6) ch.scan_groups = decimal(line.words[6]);
  if (line.count > 7) ch.permission = decimal(line.words[7]);
  if (line.count > 8) ch.own_index = std::max(0, db_find_own_address_index(line.words[8]));
  if (line.count > 9) ch.antenna_port = decimal(line.words[9]);
  if (line.count > 10) ch.tx_level = decimal(line.words[10]);
  if (line.count > 11) ch.usage = decimal(line.words[11]);
  if (line.count > 12) ch.lp_key = decimal(line.words[12]);
  if (line.count > 13) ch.tuner_enable = decimal(line.words[13]);
  if (line.count > 14) ch.attenuator = decimal(line.words[14]);
  db_add_channel(ch);
}

void add_other(MmiLine& line) {
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  if (!db_address_valid(line.words[2])) return;
  if (line.count == 3) {
    db_add_other_address(line.words[2], 0, 0, 0);
  } else if (line.count == 5) {
    db_add_other_address(line.words[2], 0, decimal(line.words[3]), decimal(line.words[4]));
  } else {
    line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  }
}

void table_word_error(MmiLine& line, int code) {
  line.fail(code == MMI_AMBIGUOUS ? MMI_ERROR_AMBIGUOUS : MMI_ERROR_NO_COMMAND, line.words[1]);
}

}  // namespace

int mmi_parse_mode(MmiLine& line, const char* word) {
  for (const ModeWord& m : kModeWords)
    if (std::strcmp(m.word, word) == 0) return m.mode;
  line.fail(MMI_ERROR_NO_COMMAND, word);
  return kModeNotAMode;
}

void mmi_cmd_add(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  switch (const int code = mmi_lookup_keyword(line.words[1])) {
    case kOwn:
      if (line.count != 3 || !db_address_valid(line.words[2])) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
      db_add_own_address(line.words[2]);
      break;
    case kOther: add_other(line); break;
    case kChannels: add_channel(line); break;
    case kNet:
      if (line.count < 4) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
      db_add_net_from_list(line.words + 2, line.count - 2);
      break;
    default: table_word_error(line, code); break;
  }
}

void mmi_cmd_delete(MmiLine& line) {
  if (line.count < 3) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  switch (const int code = mmi_lookup_keyword(line.words[1])) {
    case kOwn:
    case kSelf: {
      const int i = db_find_own_address_index(line.words[2]);
      if (i < 0) return;
      // As the address dialogs do: an own address that a channel or net uses stays.
      if (db_own_address_in_use(i)) return log_in_use("OWN", line.words[2]);
      db_delete_own_address(i);
      break;
    }
    case kOther: {
      const int i = db_find_other_address_index(line.words[2]);
      if (i < 0) return;
      if (db_other_address_in_use(i)) return log_in_use("OTHER", line.words[2]);
      db_delete_other_address(i);
      break;
    }
    case kChannels: {
      const int n = decimal(line.words[2]);
      if (n >= 0 && n < kChannelCount) db_delete_channel(n);
      break;
    }
    case kNet: {
      const int i = db_find_net_index(line.words[2]);
      if (i >= 0) db_delete_net(i);
      break;
    }
    default: table_word_error(line, code); break;
  }
}

void mmi_cmd_reset(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  switch (const int code = mmi_lookup_keyword(line.words[1])) {
    case kOwn:
    case kSelf: db_clear_own_addresses(); break;
    case kOther: db_delete_learned_addresses(); break;
    case kAlechan: radio_reset_alechan(); break;
    case kChannels: db_clear_channels(); break;
    case kNet: db_clear_nets(); break;
    case kAmd: db_clear_amd_store(); break;
    case kOptions: db_set_default_options(); break;
    case kLqa: db_reset_all_lqa(); break;
    case kDisplay: log_reset_tcp_echo(); break;
    case kModem: ale_reset_modem(); break;
    default: table_word_error(line, code); break;
  }
}

void mmi_cmd_save(MmiLine& line) {
  if (line.count < 2) return line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
  const int code = mmi_lookup_keyword(line.words[1]);
  if (code == kDatabase)
    db_save();
  else
    table_word_error(line, code);
}

void mmi_load_database() {
  // A missing file changes nothing here (at start-up it gives the defaults); a damaged one
  // is refused by the loader, which keeps the live image.
  if (!std::filesystem::exists(station().path("ALE.DAT"))) return log_file_not_found("ALE.DAT");
  db_load_file();
}

void mmi_cmd_scangroup(MmiLine& line) {
  if (line.count < 4) return;
  const int n = decimal(line.words[1]);
  if (n < 1 || n > 16 || std::strlen(line.words[3]) > 39) return;
  db_set_scan_group_label(n - 1, line.words[3]);
}

}  // namespace vesk
