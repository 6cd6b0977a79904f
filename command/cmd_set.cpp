#include "command/cmd_set.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/ale_timing.h"
#include "ale/link/link_state.h"
#include "command/keywords.h"
#include "command/mode_words.h"
#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"
#include "modem/sound_card_mixer.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"

namespace vesk {

namespace {

// Keyword codes of SET's words.
constexpr int kOther = 4, kChannels = 8, kGroup = 20, kAmd = 169, kMyAddress = 170, kMinCallTime = 174,
              kMaxCallTime = 175, kSyncErrors = 176, kSyncVotes = 177, kFrameErrors = 178, kFrameVotes = 179,
              kScanning = 184, kInactivity = 186, kLqa = 187, kSounding = 189, kKeys = 197, kOn = 198, kOff = 199,
              kSelf = 207, kPttDelay = 212, kMotd = 213, kSclc = 214, kAfGain = 218, kDate = 220, kRetries = 225,
              kTimeout = 281, kResound = 282, kRxMode = 284, kTxMode = 285, kRxFreq = 287, kTxFreq = 288,
              kExtModem = 334, kDcd = 336, kTxal = 337, kRxal = 338, kMxal = 339, kAnt = 341, kAtu = 342,
              kDtr = 343, kRts = 344, kTransmit = 390;

// A number word as the command language reads it: decimal, a word that is no number reads as
// 0, trailing letters are ignored; beyond the int range it is held at the range's end.
int number(const char* word) {
  const long long v = std::strtoll(word, nullptr, 10);
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// A negative value for a setting that has no negative meaning: refused with a line, nothing
// stored. True when refused.
bool refuse_negative(const char* setting, int v) {
  if (v >= 0) return false;
  log_stamped_printf("[MMI ERROR: SET %s OF %i IS OUT OF RANGE]\n", setting, v);
  return true;
}

struct TncModel {
  int keyword;
  int type;
};
constexpr TncModel kTncModels[] = {
    {317, 0},  {318, 1},  {319, 2},  {320, 3},  {321, 4},  {322, 4},  {323, 5},  {324, 6},
    {325, 7},  {326, 8},  {328, 11}, {329, 12}, {330, 13}, {332, 14}, {331, 15}, {333, 16},
};

void set_extmodem(MmiLine& line) {
  const int code = mmi_lookup_keyword(line.words[2]);
  if (code == MMI_AMBIGUOUS) {
    line.fail(MMI_ERROR_AMBIGUOUS, line.words[1]);
    return;
  }
  for (const TncModel& m : kTncModels) {
    if (m.keyword != code) continue;
    db_set_tnc_type(m.type);
    radio_setup();
    return;
  }
  line.fail(MMI_ERROR_NO_COMMAND, line.words[2]);
}

void set_antenna(int port) {
  if (port < 1) return;
  const RadioTypeRow& radio = radio_type_row(db_get_radio_type());
  if (db_get_ant_switch_type() == ANT_RADIO_CAT && radio.antenna_operator_ignored) return;
  std::string limit;
  switch (radio_switch_antenna(port, &limit)) {
    case AntennaSwitchResult::Switched: log_stamped_printf("[MMI CHANGE: ANT SW has been changed to port %i]\n", port); break;
    case AntennaSwitchResult::NoSuchPort: {
      const int type = db_get_ant_switch_type();
      const bool ldg = type == ANT_LDG_DTS4 || type == ANT_LDG_DTS6;
      // Some radios name their ports here as the operator knows them.
      if (type == ANT_RADIO_CAT && radio.antenna_operator_error != nullptr) limit = radio.antenna_operator_error;
      log_stamped_printf("%sMMI ANT SW ERROR: No ANT port change. %s\n", ldg ? "[" : "[[", limit.c_str());
      break;
    }
    case AntennaSwitchResult::NotSupported: log_stamped_printf("[MMI CHANGE: Your CAT Radio does not support ANT SW control]\n"); break;
    case AntennaSwitchResult::Silent: break;
  }
}

void set_atu_delay(MmiLine& line) {
  if (line.count < 4) {
    line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
    return;
  }
  const int which = mmi_lookup_keyword(line.words[2]);
  const int ms = number(line.words[3]);
  const bool in_range = ms >= 10 && ms <= 1000;
  if (which == kDtr || which == kRts) {
    const char* name = which == kDtr ? "DTR" : "RTS";
    if (!in_range) {
      log_stamped_printf("[MMI ERROR: SET ATU %s DELAY OF %i IS OUT OF RANGE 10.. 1000]\n", name, ms);
      return;
    }
    which == kDtr ? db_set_atu_dtr_delay(ms) : db_set_atu_rts_delay(ms);
    log_stamped_printf("[MMI CHANGE: ATU %s delay has been changed to %i]\n", name, ms);
    return;
  }
  log_stamped_printf("[MMI ERROR: SET ATU DELAY REQUIRES DTR OR RTS AND VALUE IN THE RANGE 10..1000]\n");
}

void set_transmit(const MmiLine& line) {
  const int code = mmi_lookup_keyword(line.words[2]);
  if (code == kOn) {
    if (radio_flags().radio_linked_flag.load() == 1) timer_start_twa();
    ptt_on_manual();
  } else if (code == kOff) {
    ptt_off_manual();
  }
}

void set_other(const MmiLine& line) {
  AddressList called;
  for (int i = 2; i < line.count; ++i) called.emplace_back(line.words[i]);
  ale_set_called_list(called);
}

void channel_not_in_use() {
  log_printf("[%s][MMI CHANGE ERROR: REQUESTD CHANNEL NOT IN USE WITH CURRENT SCAN GROUP]\n",
             log_time_stamp().c_str());
}

// SET CHANNELS n: the radio tunes to channel n and the scan stops.
void tune_channel(int n) {
  ChannelRecord ch{};
  if (db_copy_channel(n, &ch) != 0 || ch.in_use != 1 || (ch.scan_groups & (1 << (db_get_scan_group() & 15))) == 0) {
    channel_not_in_use();
    return;
  }
  radio_set_channel(n, ch);
  ale_link_event(EV_STOP_SCAN);
  log_stamped_printf("[MMI CHANGE: SET CHANNEL TO %i ]\n", n);
}

// SET CHANNELS field n value: one field of channel n.
void set_channel_field(MmiLine& line) {
  if (line.count < 5) {
    line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
    return;
  }
  const int field = mmi_lookup_keyword(line.words[2]);
  const int n = number(line.words[3]);
  const char* value_word = line.words[4];
  const int value = number(value_word);
  ChannelRecord ch{};
  if (n < 0 || n >= kChannelCount || db_copy_channel(n, &ch) != 0 || ch.in_use != 1) {
    channel_not_in_use();
    return;
  }
  auto mode_of = [&](int* mode) {
    for (const ModeWord& m : kModeWords)
      if (std::strcmp(m.word, value_word) == 0) return *mode = m.mode, true;
    line.fail(MMI_ERROR_NO_COMMAND, value_word);
    return false;
  };
  int mode = 0;
  switch (field) {
    case kGroup:
      if (!refuse_negative("CHANNELS GROUP", value)) db_add_channel_groups(n, value);
      break;
    case kKeys:
      if (!refuse_negative("CHANNELS KEYS", value)) db_set_channel_lp_key(n, value);
      break;
    case kSelf: {
      const int own = db_find_own_address_index(value_word);
      if (own >= 0) db_set_channel_self(n, own);
      break;
    }
    case kRxMode:
      if (mode_of(&mode)) db_set_channel_rx_mode(n, mode);
      break;
    case kTxMode:
      if (mode_of(&mode)) db_set_channel_tx_mode(n, mode);
      break;
    case kRxFreq:
      if (!refuse_negative("CHANNELS RXFREQ", value)) db_set_channel_rx_freq(n, value);
      break;
    case kTxFreq:
      if (!refuse_negative("CHANNELS TXFREQ", value)) db_set_channel_tx_freq(n, value);
      break;
    default: break;
  }
}

void set_channels(MmiLine& line) {
  if (line.count == 3) {
    tune_channel(number(line.words[2]));
    return;
  }
  set_channel_field(line);
}

void set_scan_group(int v) {
  if (refuse_negative("SCAN GROUP", v)) return;
  if (v > kScanGroupCount - 1) {
    log_stamped_printf("[MMI ERROR: SET SCAN GROUP %i EXCEEDS LIMIT OF 15 ]\n", v);
    return;  // the value was not stored: no confirmation
  }
  db_set_scan_group(v);
  log_stamped_printf("[MMI CHANGE: SET SCAN GROUP %i ]\n", v);
}

void set_af_gain(int v) {
  if (refuse_negative("AF GAIN", v)) return;
  if (v > 255) {
    log_stamped_printf("[MMI ERROR: AF GAIN OF %i EXCEEDS GENERAL LIMIT OF 255 ]\n", v);
    return;  // not sent: no confirmation
  }
  radio_set_af_level(v);
  log_stamped_printf("[MMI CHANGE: SET AF GAIN TO %i ]\n", v);
}

void set_min_call_time(int v) {
  if (refuse_negative("MINCALLTIME", v)) return;
  if (v == 0) {
    db_set_min_call_time(1);
    log_stamped_printf("[MMI CHANGE: %i ILLEGAL, MINIMUM CALLING TIME SET TO 1]\n", v);
  } else if (v <= 120) {
    db_set_min_call_time(v);
    log_stamped_printf("[MMI CHANGE: SET MINIMUM CALLING TIME %i ]\n", v);
  } else {
    db_set_min_call_time(120);
    log_stamped_printf("[MMI CHANGE: %i ILLEGAL, MINIMUM CALLING TIME SET TO 120]\n", v);
  }
}

void set_max_call_time(int v) {
  if (refuse_negative("MAXCALLTIME", v)) return;
  if (v <= 120) {
    db_set_max_call_time(v);
    log_stamped_printf("[MMI CHANGE: SET MAXIMUM CALLING TIME %i ]\n", v);
  } else {
    db_set_max_call_time(120);
    log_stamped_printf("[MMI CHANGE: %i ILLEGAL, MAXIMUM CALLING TIME SET TO 120 ]\n", v);
  }
}

// A setting whose setter may keep the old value or cap the new one: the confirmation names
// what is stored, so a refused value is never confirmed.
struct StoredSetting {
  int code;
  const char* name;  // in the out-of-range line
  void (*set)(int);
  int (*get)();
  const char* confirmation;  // null: none
};
constexpr StoredSetting kStored[] = {
    {kPttDelay, "PTTD", db_set_ptt_delay, db_get_ptt_delay, nullptr},
    {kSclc, "SCLC", db_set_sclc, db_get_sclc, nullptr},
    {kResound, "RESOUND", db_set_resound_period, db_get_resound_period, nullptr},
    {kDcd, "DCD", db_set_dcd_threshold, db_get_dcd_threshold, "[MMI CHANGE: DCD has been changed to %i]\n"},
    {kTxal, "TXAL", db_set_tx_audio_level, db_get_tx_audio_level,
     "[MMI CHANGE: TX Audio Level has been changed to %i]\n"},
    {kRxal, "RXAL", db_set_rx_audio_level, db_get_rx_audio_level,
     "[MMI CHANGE: RX Audio Level has been changed to %i]\n"},
    {kMxal, "MXAL", db_set_mxal_level, db_get_mxal_level, "[MMI CHANGE: MIC Audio Level has been changed to %i]\n"},
    {kSyncErrors, "SERRORS", db_set_sync_errors, db_get_sync_errors, "[MMI CHANGE: SET SYNC ERRORS TO %i ]\n"},
    {kSyncVotes, "SVOTES", db_set_sync_votes, db_get_sync_votes, "[MMI CHANGE: SET SYNC VOTES TO %i ]\n"},
    {kFrameErrors, "FERRORS", db_set_frame_errors, db_get_frame_errors, "[MMI CHANGE: SET FRAME ERRORS TO %i ]\n"},
    {kFrameVotes, "FVOTES", db_set_frame_votes, db_get_frame_votes, "[MMI CHANGE: SET FRAME VOTES TO %i ]\n"},
    {kInactivity, "INACTIVITY", db_set_twa_secs, db_get_twa_secs,
     "[MMI CHANGE: TWA has been changed to %i seconds]\n"},
    {kSounding, "SOUNDING", db_set_sounding_interval, db_get_sounding_interval,
     "[MMI CHANGE: SET SOUNDING PERIOD TO %i ]\n"},
};

bool set_stored(int code, int v) {
  for (const StoredSetting& s : kStored) {
    if (s.code != code) continue;
    if (refuse_negative(s.name, v)) return true;
    s.set(v);
    const int stored = s.get();
    if (code == kTxal) mixer_set_wave_out_level(stored);
    if (code == kRxal) mixer_set_input_level(stored);
    if (s.confirmation != nullptr) log_stamped_printf(s.confirmation, stored);
    return true;
  }
  return false;
}

}  // namespace

void mmi_cmd_set(MmiLine& line) {
  if (line.count < 3) {
    line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
    return;
  }
  const int code = mmi_lookup_keyword(line.words[1]);
  const int v = number(line.words[2]);
  if (set_stored(code, v)) return;
  switch (code) {
    case kMotd: db_set_motd(line.words[2]); break;
    case kAfGain: set_af_gain(v); break;
    case kDate:
    case kTimeout: break;
    case kExtModem: set_extmodem(line); break;
    case kAnt: set_antenna(v); break;
    case kAtu: set_atu_delay(line); break;
    case kTransmit: set_transmit(line); break;
    case kOther: set_other(line); break;
    case kChannels: set_channels(line); break;
    case kGroup: set_scan_group(v); break;
    case kAmd:
      if (line.count >= 4 && mmi_lookup_keyword(line.words[2]) == kRetries) {
        const int retries = number(line.words[3]);
        if (refuse_negative("AMD RETRIES", retries)) break;
        db_set_amd_retries(retries);
        log_stamped_printf("[MMI CHANGE: Set AMD Retries]\n");
      }
      break;
    case kMyAddress:
      if (db_select_my_address(line.words[2]) < 0)
        log_stamped_printf("[MMI CHANGE: UNKNOWN OWN ADDRESS => %s]\n", line.words[2]);
      break;
    case kMinCallTime: set_min_call_time(v); break;
    case kMaxCallTime: set_max_call_time(v); break;
    case kScanning:
      // Only 5 selects its own rate index; every other value stores index 0, which scans one
      // channel a second, so that is the rate the line confirms.
      log_stamped_printf("[MMI CHANGE: SET SCAN RATE TO %i ]\n", v == 5 ? 5 : 1);
      db_set_scan_rate(v == 5 ? 1 : 0);
      break;
    case kLqa:
      if (line.count < 4) {
        line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
      } else if (mmi_lookup_keyword(line.words[2]) != kTimeout) {
        line.fail(MMI_ERROR_NO_COMMAND, line.words[2]);
      } else {
        const int minutes = number(line.words[3]);
        if (!refuse_negative("LQA TIMEOUT", minutes)) db_set_lqa_timeout(minutes);
      }
      break;
    case kKeys:
      if (line.count < 5) line.fail(MMI_ERROR_NOT_ENOUGH_PARAMETERS);
      break;
    case MMI_AMBIGUOUS: line.fail(MMI_ERROR_AMBIGUOUS, line.words[1]); break;
    default: line.fail(MMI_ERROR_NO_COMMAND, line.words[1]); break;
  }
}

}  // namespace vesk
