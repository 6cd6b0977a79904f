#include "command/listings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ale/link/link_state.h"
#include "ale/engine/event_names.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"

namespace vesk {

ReportState& report_state() { return station().state<ReportState>(); }

namespace {

int listing_mode() { return display_listing_style(); }

const char* ed(int on) { return on == 1 ? "E" : "D"; }
const char* yn(int on) { return on == 1 ? "Y" : "N"; }
const char* arq_brd(int mode) { return mode == 1 ? "ARQ" : "BRD"; }

// The radio type's display line, or empty when the type has no report name.
std::string radio_display_line() {
  const char* name = radio_type_row(db_get_radio_type()).report_name;
  return name != nullptr ? std::string("RADIO TYPE > ") + name + "\n" : std::string();
}

// Copies of the records a listing prints, taken under the lock and printed after it (a log
// line is never written while the database lock is held).
std::vector<ChannelRecord> channel_copies() {
  DbLock lock;
  const ChannelRecord* t = db_channel_table(lock);
  return std::vector<ChannelRecord>(t, t + kChannelCount);
}

std::string own_name(int index) {
  DbLock lock;
  const OwnAddressRecord* r = db_get_own_address(lock, index);
  return r != nullptr ? std::string(r->address, strnlen(r->address, kAddressFieldSize)) : std::string();
}

void channel_heading() {
  if (listing_mode() != LISTING_MANUAL) return;
  log_printf("ID RX FREQ    MODE TX FREQ    MODE T/R GRPS SND SELF            ANT PWR USE KEY\n");
  log_printf("-- --------------- --------------- --- ---- --- --------------- --- --- --- ---\n");
}

void channel_line(int n, const ChannelRecord& c) {
  if (c.in_use != 1) {
    log_not_in_use();
    return;
  }
  if (listing_mode() == LISTING_AUTO) {
    log_printf("[ C %.2d ", n);
    return;
  }
  log_printf("%.2d %-9ldHz %s %-9ldHz %s %s %.4X %.3d %-15s %.3d %.3d  %s  %.3X\n", n,
             static_cast<long>(c.rx_freq_hz), display_mode_name(c.rx_mode), static_cast<long>(c.tx_freq_hz),
             display_mode_name(c.tx_mode), display_permission_name(c.permission),
             static_cast<unsigned>(c.scan_groups), c.sound_countdown_min, own_name(c.own_index).c_str(),
             c.antenna_port, c.tx_level, display_usage_letter(c.usage), static_cast<unsigned>(c.lp_key));
}

// The 20 or 100 names of a table as the four-to-a-line MANUAL listing.
void name_grid(const std::vector<std::string>& names, const std::vector<bool>& used) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (used[i])
      log_printf("%.2d %-15s ", static_cast<int>(i), names[i].c_str());
    else
      log_printf("%.2d ............... ", static_cast<int>(i));
    if (i % 4 == 3) log_printf("\n");
  }
}

std::string field(const char* text) { return std::string(text, strnlen(text, kAddressFieldSize)); }

void other_table() {
  std::vector<std::string> names(kOtherAddressCount);
  std::vector<bool> used(kOtherAddressCount);
  {
    DbLock lock;
    const OtherAddressRecord* t = db_other_address_table(lock);
    for (int i = 0; i < kOtherAddressCount; ++i) {
      used[i] = t[i].in_use == 1;
      names[i] = field(t[i].address);
    }
  }
  name_grid(names, used);
  log_printf("\n");
}

// SINAD or multipath of a score word: the number and a blank, or "- " for no value.
std::string score_text(int value, int none) {
  if (value == none) return "- ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d ", value);
  return buf;
}

void lqa_row(const char* who, uint32_t score, int age) {
  log_printf("%s%.2s       %.2s     %.2s    %s\n", who, log_ber_score_text(lqa_ber(score)).c_str(),
             score_text(lqa_sinad(score), kLqaNoValue).c_str(),
             score_text(lqa_multipath(score), kLqaNoMultipath).c_str(), report_format_age(age).c_str());
}

void other_detail(const char* name, int channel) {
  OtherAddressRecord rec;
  int index = -1;
  {
    DbLock lock;
    if (const OtherAddressRecord* r = db_find_other_address(lock, name)) {
      index = r->index;
      std::memcpy(&rec, r, sizeof rec);
    }
  }
  if (index < 0) {
    log_unknown_other_address(name);
    return;
  }
  if (listing_mode() == LISTING_AUTO) return;
  if (channel < 0 || channel >= kChannelCount || !db_channel_in_use(channel)) {
    if (channel >= 0 && channel < kChannelCount) log_channel_not_in_group();
    return;
  }
  ChannelRecord ch{};
  db_copy_channel(channel, &ch);
  log_printf("ID OTHER ADDRESS   TYPE TWR(ms) TT(ms)  DD:HH:MM  CH\n");
  log_printf("-- --------------- ---- ------- ------- --------  --\n");
  log_printf("%.2d ", index);
  log_printf("%-15s ", field(rec.address).c_str());
  log_printf("%s ", rec.learned == 1 ? "  D " : "  S ");
  log_printf("%-7d ", rec.twr_ms);
  log_printf("%-7d ", rec.tt_ms);
  log_printf("%s  ", report_format_age(rec.minutes_heard).c_str());
  log_printf("%.2d\n", rec.last_channel);
  log_printf("\n");
  channel_heading();
  channel_line(channel, ch);
  log_printf("\n");
  log_printf("\n        BER    SINAD    MP    AGE\n");
  const LqaRecord& q = rec.lqa[channel];
  lqa_row("OWN     ", q.reported, q.reported_age);
  lqa_row("OTHER   ", q.measured, q.measured_age);
}

// A decimal word as the language reads numbers: a word that is no number reads as 0.
int word_number(const char* word) { return static_cast<int>(std::strtol(word, nullptr, 10)); }

}  // namespace

std::string report_format_age(int minutes) {
  if (minutes == kAgeNever) return "??:??:??";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2d:%.2d:%.2d", minutes / 1440, (minutes % 1440) / 60, minutes % 60);
  return buf;
}

std::string report_group_letters(int mask) {
  std::string s(16, '.');
  for (int bit = 0; bit < 16; ++bit)
    if (mask & (1 << bit)) s[static_cast<std::size_t>(bit)] = static_cast<char>('A' + bit);
  return s;
}

const char* report_link_state_text(int state) {
  switch (state) {
    case 0:
    case 1: return "STOPPED    ";
    case 2: return "SCANNING   ";
    case 3: return "PAUSING    ";
    case 4: return "PAUSING ";
    case 5: return "LISTEN CHAN";
    case 6: return "RESPONDING ";
    case 7:
    case 19: return "CALLING    ";
    case 8: return "ACKING    ";
    case 9: return "WAIT ACK  ";
    case 10:
    case 18:
    case 22: return "WAIT RESP  ";
    case 11: return "LINKED     ";
    case 17: return "CLEARING   ";
    case 20: return "ACKING     ";
    case 21: return "WAIT ACK   ";
    case 28:
    case 29:
    case 30:
    case 31: return "SOUNDING    ";
    default:
      if ((state >= 12 && state <= 16) || (state >= 23 && state <= 27)) return "HANDSHAKING ";
      return "ERROR       ";
  }
}

void report_status() {
  const std::string radio = radio_display_line();
  if (listing_mode() != LISTING_MANUAL) {
    log_printf("[ P 00 ");
    log_printf("%d ", db_get_scan_group());
    log_printf("%d ", db_get_scan_rate());
    log_printf("%ld ", static_cast<long>(db_get_twa_secs() / 60));
    log_printf("%d ", db_get_sync_errors());
    log_printf("%d ", db_get_sync_votes());
    log_printf("%d ", db_get_frame_errors());
    log_printf("%d ", db_get_frame_votes());
    log_printf("%d ", db_get_sounding_interval());
    log_printf("%s ", ed(db_get_scan_active()));
    log_printf("%s ", ed(db_get_sounding()));
    log_printf("%s ", yn(db_get_voice_detect()));
    log_printf("%s ", yn(db_get_lqa()));
    log_printf("%s ", yn(db_get_polling()));
    log_printf("%s ", yn(db_get_gps()));
    log_printf("%s ", db_option_text(opt::MY_ADDRESS, opt::MY_ADDRESS_SIZE).c_str());
    log_printf("%s", radio.empty() ? "UNKNOWN " : radio.c_str());
    log_printf(" ]\n");
    return;
  }
  log_printf("VESK-ALE SE v1.02 B102A8h1\n");
  log_printf("CURRENT GROUP %-2X\n", static_cast<unsigned>(db_get_scan_group()));
  log_printf("INACT (TWA)   %-2dm    ", db_get_twa_secs() / 60);
  log_printf("PTTD PERIOD   %-3dms  ", db_get_ptt_delay());
  log_printf("SCLC          %-2d\n", db_get_sclc());
  log_printf("SYNC  ERRORS  %-1d      ", db_get_sync_errors());
  log_printf("SYNC  VOTES   %-2d     ", db_get_sync_votes());
  log_printf("FRAME ERRORS  %-1d      ", db_get_frame_errors());
  log_printf("FRAME VOTES   %-2d\n", db_get_frame_votes());
  log_printf("SOUND EVERY   %-3dm   ", db_get_sounding_interval());
  log_printf("RESOUND AFTER %-2dm    ", db_get_resound_period());
  log_printf("LQA TIMEOUT   %-3dm\n", db_get_lqa_timeout());
  log_printf("DBM MODE      %s    ", arq_brd(db_get_dbm_mode()));
  log_printf("DBM RETRIES   %-2d     ", db_get_dbm_retries());
  log_printf("DTM MODE      %s    ", arq_brd(db_get_dtm_mode()));
  log_printf("DTM RETRIES   %-2d\n", db_get_dtm_retries());
  log_printf("AMD RETRIES   %-2d\n", db_get_amd_retries());
  log_printf("SCANNING      %s      ", ed(db_get_scan_active()));
  log_printf("SOUNDING      %s      ", ed(db_get_sounding()));
  log_printf("VOICE DETECT  %s      ", ed(db_get_voice_detect()));
  log_printf("LQA           %s\n", ed(db_get_lqa()));
  log_printf("POLLING       %s      ", ed(db_get_polling()));
  log_printf("GPS           %s      ", ed(db_get_gps()));
  log_printf("ECHO          %s      ", ed(db_get_echo()));
  log_printf("BELLS         %s\n", ed(db_get_bells()));
  log_printf("ALLCALLS      %s      ", ed(db_get_allcalls()));
  log_printf("ANYCALLS      %s      ", ed(db_get_anycalls()));
  log_printf("THIS IS       %s      ", ed(db_get_tis_sounding()));
  log_printf("MOTD          %s\n", ed(db_get_motd_switch()));
  log_printf("LP            %s      ", ed(db_get_lp()));
  log_printf("TIME QUALITY  %-1d\n", db_minute_counter_class());
  log_printf("DCD THRESHOLD %-3d    ", db_get_dcd_threshold());
  log_printf("TXAL          %-3d    ", db_get_tx_audio_level());
  log_printf("RXAL          %-3d    ", db_get_rx_audio_level());
  log_printf("MXAL          %-3d\n", db_get_mxal_level());
  log_printf("MOTD TEXT     \"%s\"\n", db_get_motd().c_str());
  log_printf("\n");
  log_printf("%s", radio.empty() ? "UNKNOWN RADIO\n" : radio.c_str());
}

void report_list_channels() {
  const std::vector<ChannelRecord> channels = channel_copies();
  // The group from the options is masked as the scanner masks it, so a damaged value lists
  // the channels the scanner would use, and never shifts by more than the mask's width.
  const uint32_t group = static_cast<uint32_t>(db_get_scan_group()) & 31;
  channel_heading();
  for (int n = 1; n < kChannelCount; ++n) {
    const ChannelRecord& c = channels[static_cast<std::size_t>(n)];
    if (c.in_use == 1 && ((static_cast<uint32_t>(c.scan_groups) >> group) & 1)) channel_line(n, c);
  }
}

void report_list_channels_from(int first) {
  // Channel numbers below 0 have no record: the listing starts at channel 0.
  if (first >= kChannelCount) return;
  if (first < 0) first = 0;
  const std::vector<ChannelRecord> channels = channel_copies();
  channel_heading();
  int shown = 0;
  for (int n = first; n < kChannelCount && shown < 16; ++n) {
    const ChannelRecord& c = channels[static_cast<std::size_t>(n)];
    if (c.in_use != 1) continue;
    channel_line(n, c);
    ++shown;
  }
  log_printf("\n");
}

void report_list_own_addresses() {
  std::vector<std::string> names(kOwnAddressCount);
  std::vector<bool> used(kOwnAddressCount);
  {
    DbLock lock;
    const OwnAddressRecord* t = db_own_address_table(lock);
    for (int i = 0; i < kOwnAddressCount; ++i) {
      used[i] = t[i].in_use == 1;
      names[i] = field(t[i].address);
    }
  }
  log_printf("\n");
  if (listing_mode() == LISTING_MANUAL) {
    name_grid(names, used);
    return;
  }
  for (int i = 0; i < kOwnAddressCount; ++i)
    if (used[i]) log_printf("[ S %.2d %s ]\n", i, names[i].c_str());
}

void report_list_other_addresses(const MmiLine& line) {
  if (line.count == 1 || (line.count == 2 && line.word(1)[0] == '\0')) {
    other_table();
  } else if (line.count == 3) {
    other_detail(line.word(1), word_number(line.word(2)));
  }
}

void report_list_nets() {
  if (listing_mode() == LISTING_MANUAL) {
    std::vector<std::string> names(kNetCount);
    std::vector<bool> used(kNetCount);
    {
      DbLock lock;
      const NetRecord* t = db_net_table(lock);
      for (int i = 0; i < kNetCount; ++i) {
        used[i] = t[i].in_use == 1;
        names[i] = field(t[i].address);
      }
    }
    name_grid(names, used);
    return;
  }
  for (int i = 0; i < kNetCount; ++i) {
    bool in_use = false;
    {
      DbLock lock;
      in_use = db_get_net(lock, i)->in_use == 1;
    }
    if (in_use) report_net_detail(i);
  }
}

void report_net_detail(int net_index) {
  if (net_index < 0 || net_index >= kNetCount) return;
  NetRecord net;
  std::vector<std::string> other_names(kOtherAddressCount);
  {
    DbLock lock;
    std::memcpy(&net, db_get_net(lock, net_index), sizeof net);
    const OtherAddressRecord* t = db_other_address_table(lock);
    for (int i = 0; i < kOtherAddressCount; ++i) other_names[i] = field(t[i].address);
  }
  if (net.in_use != 1) {
    log_not_in_use();
    return;
  }
  const std::string self = own_name(net.own_index);
  const int members = std::min<int>(net.member_count, kNetMemberSlots);
  // The name at member position k: the own address at the own slot, else the station's.
  auto member_name = [&](int k) -> std::string {
    if (k == net.own_slot) return self;
    const int m = net.members[k];
    return m >= 0 && m < kOtherAddressCount ? other_names[static_cast<std::size_t>(m)] : std::string();
  };
  if (listing_mode() == LISTING_AUTO) {
    log_printf("[ N %.2d ", net_index);
    log_printf("%s ", field(net.address).c_str());
    for (int k = 0; k < kNetMemberSlots; ++k) log_printf("%s ", k >= members ? "!" : member_name(k).c_str());
    log_printf("]\n");
    return;
  }
  log_printf("NET  [%-.2d] : %-15s \n", net_index, field(net.address).c_str());
  log_printf("Slot [00] : \n");
  bool met_self = false;
  for (int k = 0; k < members; ++k) {
    met_self = met_self || k == net.own_slot;
    log_printf("Slot [%-.2d] : %-15s\n", k + 1, member_name(k).c_str());
  }
  if (met_self) log_printf("Self [%-.2d] : %-15s\n", net.own_position, self.c_str());
}

void report_list_keys() {
  LpKeyRecord keys[kLpKeyCount];
  for (int i = 0; i < kLpKeyCount; ++i) db_copy_lp_key(i, &keys[i]);
  log_printf("ID   KEY            APP LEVEL\n");
  log_printf("--   ---            ---------\n");
  for (int i = 0; i < kLpKeyCount; ++i) {
    const LpKeyRecord& k = keys[i];
    log_printf("%.2d   ", i);
    log_printf("%.6X%.8X", static_cast<unsigned>(k.key_high) & 0xFFFFFFu, static_cast<unsigned>(k.key_low));
    static constexpr const char* kLevels[] = {"AL0 ", "AL1 ", "AL2 ", "AL3 ", "AL4 "};
    for (int bit = 0; bit < 5; ++bit) log_printf(" %s", (k.levels & (1 << bit)) ? kLevels[bit] : "");
    log_printf("\n");
  }
}

void report_full_listing() {
  report_status();
  report_list_channels();
  other_table();
  report_list_own_addresses();
  report_list_nets();
}

void report_refresh_status_bar() {
  const int state = ale_link_state();
  const int channel = db_current_channel_number();
  const std::string pane0 = log_channel_stamp(channel) + " " + display_mode_name(db_get_current_rx_mode());
  bool changed_state = false;
  {
    ReportState& r = report_state();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.panes[0] = pane0;
    r.panes[1] = report_link_state_text(state);
    changed_state = state != r.last_link_state;
    r.last_link_state = state;
  }
  report_post_status_refresh();
  if (changed_state) ale_trace_state();
}

void report_post_status_refresh() {
  const LogHooks& hooks = log_hooks();
  if (hooks.post_message) hooks.post_message(WM_REFRESH_STATUS);
}

void report_post_audio_update(int, int) {
  const LogHooks& hooks = log_hooks();
  if (hooks.post_message) hooks.post_message(WM_REFRESH_AUDIO);
}

std::string report_status_pane(int pane) {
  if (pane < 0 || pane >= kStatusPaneTexts) return std::string();
  if (pane == 2) return display_status_texts().tx_rx;  // the log layer's TX/RX indicator
  ReportState& r = report_state();
  std::lock_guard<std::mutex> lock(r.mutex);
  return r.panes[static_cast<std::size_t>(pane)];
}

void report_set_status_pane(int pane, const std::string& text) {
  if (pane < 0 || pane >= kStatusPaneTexts) return;
  ReportState& r = report_state();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.panes[static_cast<std::size_t>(pane)] = text;
}

// ---- verbs ----

void mmi_cmd_own(MmiLine&) { report_list_own_addresses(); }
void mmi_cmd_other(MmiLine& line) { report_list_other_addresses(line); }

void mmi_cmd_channels(MmiLine& line) {
  if (line.count == 1)
    report_list_channels();
  else
    report_list_channels_from(word_number(line.word(1)));
}

void mmi_cmd_net(MmiLine& line) {
  if (line.count == 1) {
    report_list_nets();
    return;
  }
  const int index = db_find_net_index(line.word(1));
  if (index < 0)
    log_mmi_unknown_net_address(line.word(1));
  else
    report_net_detail(index);
}

void mmi_cmd_keys(MmiLine&) { report_list_keys(); }
void mmi_cmd_options(MmiLine&) { report_status(); }
void mmi_cmd_status(MmiLine&) { report_refresh_status_bar(); }
void mmi_cmd_manual(MmiLine&) { display_set_listing_full(); }
void mmi_cmd_upload(MmiLine&) { display_set_listing_plain(); }

}  // namespace vesk
