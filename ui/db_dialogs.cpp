#include "ui/db_dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "ale/frames/dictionaries.h"
#include "ale/link/channel_choice.h"
#include "command/listings.h"
#include "db/ale_chars.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/drivers/radio_types.h"
#include "ui/call_dialogs.h"
#include "ui/dialog_fields.h"
#include "ui/message_dialogs.h"

namespace vesk {

namespace {

std::string fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  return buf;
}

std::string name_of(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

ConfigOutcome refuse(int field, const std::string& warning) { return {false, warning, field}; }

// A table of entries "%.2d NAME " or dots, "\r\n" after every fourth.
template <class F>
std::string dotted(int count, F entry) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const std::string name = entry(i);
    out += name.empty() ? fmt("%.2d ............... ", i) : fmt("%.2d %-15s ", i, name.c_str());
    if (i % 4 == 3) out += "\r\n";
  }
  return out;
}

int bits(uint32_t word, int shift, int width) { return static_cast<int>((word >> shift) & ((1u << width) - 1)); }

}  // namespace

// ---- information texts ----

std::string info_other_addresses_all() {
  DbLock lock;
  return dotted(kOtherAddressCount, [&](int i) {
    const OtherAddressRecord* r = db_get_other_address(lock, i);
    return r != nullptr && r->in_use == 1 ? name_of(r->address, sizeof r->address) : std::string();
  });
}

std::string info_other_address(int index, int channel) {
  std::string out = "ID OTHER ADDRESS   TYPE TWR(ms) TT(ms)  DD:HH:MM  CH\r\n"
                    "-- --------------- ---- ------- ------- --------  --\r\n";
  const std::string dashes(53, '-');
  std::string name;
  {
    DbLock lock;
    const OtherAddressRecord* r = db_get_other_address(lock, index);
    if (r == nullptr) return out;
    name = name_of(r->address, sizeof r->address);
    out += fmt("%.2d %-15s %s %-7d %-7d %s  %.2d\r\n", index, name.c_str(), r->learned == 1 ? "  D " : "  S ", r->twr_ms,
               r->tt_ms, report_format_age(r->minutes_heard).c_str(), r->last_channel);
    out += dashes + "\r\n     0    1    2    3    4    5    6    7    8    9  \r\n" + dashes + "\r\n";
    for (int row = 0; row < 10; ++row) {
      std::string cells;
      for (int c = 10 * row; c < 10 * row + 10; ++c) {
        if (db_channel_in_use(c) != 1)
          cells += "  A  ";
        else if ((lock.db().channels[c].scan_groups & (1 << db_get_scan_group())) == 0)
          cells += "  N  ";
        else
          cells += fmt(" %s  ", lqa_value_text(bits(r->lqa[c].measured, 6, 6)).c_str());
      }
      out += fmt("%d  %s \r\n", row, cells.c_str());
    }
    out += dashes + "\r\n";
  }
  int ranked[kChannelCount] = {};
  int size = kChannelCount;
  if (lqa_rank_channels(AddressList{name}, ranked, &size) == 0 && size > 0) {
    out += "Channel Rankings\r\n----------------\r\n";
    for (int i = 0; i < size; ++i) {
      out += fmt("%.2d ", ranked[i]);
      if (i % 20 == 19) out += "\r\n";
    }
    out += "\r\n";
  }
  DbLock lock;
  const OtherAddressRecord* r = db_get_other_address(lock, index);
  if (channel >= 0 && channel < kChannelCount && db_channel_in_use(channel) == 1 &&
      (lock.db().channels[channel].scan_groups & (1 << db_get_scan_group())) != 0) {
    const LqaRecord& l = r->lqa[channel];
    auto row = [](const char* who, uint32_t word, int age) {
      const int sinad = bits(word, 6, 6), mp = bits(word, 12, 3);
      return fmt("%s     %.2s       %.2s     %.2s    %s\r\n", who, lqa_score_text(bits(word, 0, 6)).c_str(),
                 sinad == 49 ? "- " : fmt("%d ", sinad).c_str(), mp == 7 ? "- " : fmt("%d ", mp).c_str(),
                 report_format_age(age).c_str());
    };
    out += fmt("\r\nLQA Cell for Channel %d\r\n", channel);
    out += "\r\n        BER    SINAD    MP    AGE\r\n";
    out += row("OWN  ", l.reported, l.reported_age);
    out += row("OTHER", l.measured, l.measured_age);
  }
  return out;
}

std::string info_channels_header() {
  return "ID RX FREQ    MODE TX FREQ    MODE T/R GROUPS.......... SND OWN/SELF        ANT PWR USE ATTN ATU\r\n";
}

std::string info_channels_rows() {
  std::string out;
  DbLock lock;
  for (int n = 1; n <= 256; ++n) {
    const ChannelRecord& c = lock.db().channels[n];
    if (c.in_use != 1) continue;
    const OwnAddressRecord* own = db_get_own_address(lock, c.own_index);
    const std::string own_name = own != nullptr ? name_of(own->address, sizeof own->address) : std::string();
    const char* perm = c.permission == 0 ? "RX " : c.permission == 1 ? "TX " : c.permission == 3 ? "BX " : "???";
    out += fmt("%.2d %-9ldHz %s %-9ldHz %s %s %s %3d %-15s %.3d %.3d  %s  %s  %s\r\n", n, static_cast<long>(c.rx_freq_hz),
               display_mode_name(c.rx_mode), static_cast<long>(c.tx_freq_hz), display_mode_name(c.tx_mode), perm,
               report_group_letters(c.scan_groups).c_str(), c.sound_countdown_min, own_name.c_str(), c.antenna_port,
               c.tx_level, display_usage_letter(c.usage), c.attenuator ? "YES" : "NO ", c.tuner_enable ? "YES" : "NO ");
  }
  return out;
}

std::string info_own_addresses() {
  DbLock lock;
  return dotted(kOwnAddressCount, [&](int i) {
    const OwnAddressRecord* r = db_get_own_address(lock, i);
    return r != nullptr && r->in_use == 1 ? name_of(r->address, sizeof r->address) : std::string();
  });
}

std::string info_amd_received() {
  std::string out;
  const int start = db_get_amd_store_index();
  DbLock lock;
  AmdStoreEntry* store = db_get_amd_store(lock);
  if (store == nullptr) return " ERROR!";
  for (int k = 0; k < kAmdStoreCount; ++k) {
    const AmdStoreEntry& e = store[(start + k) % kAmdStoreCount];
    if (e.valid != 1) continue;
    // Read within the entry's text field; a coded text is expanded into a string.
    std::string text = name_of(e.text, sizeof e.text);
    if (!text.empty() && static_cast<unsigned char>(text[0]) == 0x80)
      text = amd_expand_coded_text(reinterpret_cast<const uint8_t*>(text.data()) + 1, text.size() - 1);
    out += fmt("[%s][CH %.2d][%-15s][%s]\r\n", log_format_date_time(static_cast<std::time_t>(e.time_received)).c_str(),
               e.channel, name_of(e.sender, sizeof e.sender).c_str(), text.c_str());
  }
  return out.empty() ? " NO AMD HAS BEEN RECEIVED\r\n" : out;
}

std::string info_nets_all() {
  DbLock lock;
  return dotted(kNetCount, [&](int i) {
    const NetRecord* r = db_get_net(lock, i);
    return r != nullptr && r->in_use == 1 ? name_of(r->address, sizeof r->address) : std::string();
  });
}

std::string info_net(int index) {
  DbLock lock;
  const NetRecord* net = db_get_net(lock, index);
  if (net == nullptr) return {};
  std::string out = fmt("NET  [%-.2d] : %-15s \r\n", index, name_of(net->address, sizeof net->address).c_str());
  out += "Slot [00] : \r\n";
  // A count or member index read from "ALE.DAT" beyond its table shows "???".
  const int count = std::min<int>(net->member_count, kNetMemberSlots);
  bool own_listed = false;
  std::string own_name = "???";
  for (int s = 0; s < count; ++s) {
    std::string name = "???";
    const int m = net->members[s];
    if (s == net->own_slot) {
      if (const OwnAddressRecord* own = m >= 0 && m < kOwnAddressCount ? db_get_own_address(lock, m) : nullptr)
        name = name_of(own->address, sizeof own->address);
      own_listed = true;
      own_name = name;
    } else if (const OtherAddressRecord* o = m >= 0 && m < kOtherAddressCount ? db_get_other_address(lock, m) : nullptr) {
      name = name_of(o->address, sizeof o->address);
    }
    out += fmt("Slot [%-.2d] : %-15s\r\n", s + 1, name.c_str());
  }
  if (own_listed) out += fmt("Self [%-.2d] : %-15s\r\n", net->own_slot + 1, own_name.c_str());
  return out;
}

ConfigOutcome list_other_addresses_ok(const std::string& name, const std::string& channel, int* index, int* chan) {
  long c = 0;
  if (!dialog_read_long(channel, 0, 99, &c)) return refuse(1, "Chan: enter a number from 0 to 99.");
  *chan = static_cast<int>(c);
  *index = name.empty() ? -1 : db_find_other_address_index(name.c_str());
  if (!name.empty() && *index < 0) *index = -2;
  return {};
}

// ---- channels ----

namespace {

int mode_of(const std::string& text, bool data_modes, int keep) {
  if (text == "USB") return 1;
  if (text == "LSB") return 0;
  if (text == "USB-D") return data_modes ? 22 : 1;
  if (text == "LSB-D") return data_modes ? 21 : 0;
  return keep;
}

std::string mode_text(int mode) {
  switch (mode) {
    case 1: return "USB";
    case 0: return "LSB";
    case 22: return "USB-D";
    case 21: return "LSB-D";
    default: return "";
  }
}

}  // namespace

ChannelView channel_add_defaults() {
  ChannelView v;
  v.usage = "BOTH";
  v.permission = "TXRX";
  v.tx_level = "10";
  v.lp_key = "0";
  v.antenna = "0";
  return v;
}

ChannelView channel_view(int n) {
  ChannelView v = channel_add_defaults();
  DbLock lock;
  const ChannelRecord* c = db_get_channel(lock, n);
  if (c == nullptr) return v;
  v.rx_hz = std::to_string(c->rx_freq_hz);
  v.tx_hz = std::to_string(c->tx_freq_hz);
  v.rx_mode = mode_text(c->rx_mode);
  v.tx_mode = mode_text(c->tx_mode);
  v.usage = c->usage == 1 ? "VOICE" : c->usage == 2 ? "DATA" : "BOTH";
  v.permission = c->permission == 0 ? "RX" : c->permission == 1 ? "TX" : "TXRX";
  const OwnAddressRecord* own = db_get_own_address(lock, c->own_index);
  v.own = own != nullptr && own->in_use == 1 ? name_of(own->address, sizeof own->address) : std::string();
  v.tx_level = std::to_string(c->tx_level);
  v.lp_key = std::to_string(c->lp_key);
  v.antenna = std::to_string(c->antenna_port);
  v.attenuator = c->attenuator != 0;
  v.tuner = c->tuner_enable != 0;
  v.groups = c->scan_groups;
  return v;
}

ConfigOutcome channel_ok(int n, const ChannelView& v) {
  long rx = 0, tx = 0, level = 0, key = 0, ant = 0;
  if (!dialog_read_long(v.rx_hz, 1500000, 88000000, &rx)) return refuse(kChRx, "RX: enter a frequency from 1500000 to 88000000 Hz.");
  if (!dialog_read_long(v.tx_hz, 1500000, 88000000, &tx)) return refuse(kChTx, "TX: enter a frequency from 1500000 to 88000000 Hz.");
  if (!dialog_read_long(v.tx_level, 0, 100, &level)) return refuse(kChTxLevel, "PCSDM TX Audio Level: 0 to 100.");
  if (!dialog_read_long(v.lp_key, 0, 4, &key)) return refuse(kChLpKey, "Link Protection Key: 0 to 4.");
  if (!dialog_read_long(v.antenna, 0, 10, &ant)) return refuse(kChAntenna, "TX/RX Ant Port: 0 to 10.");
  ChannelRecord rec{};
  if (n >= 0) db_copy_channel(n, &rec);
  const bool data = radio_type_row(db_get_radio_type()).channel_data_modes;
  const bool data_text = v.rx_mode.size() == 5 || v.tx_mode.size() == 5;  // "USB-D" or "LSB-D"
  // An unlisted text keeps the old value (Modify) or takes the list's first entry (Add).
  if (data_text && !data) {
    rec.rx_mode = rec.tx_mode = 1;
  } else {
    rec.rx_mode = mode_of(v.rx_mode, data, n >= 0 ? rec.rx_mode : 1);
    rec.tx_mode = mode_of(v.tx_mode, data, n >= 0 ? rec.tx_mode : 1);
  }
  rec.usage = v.usage == "VOICE" ? 1 : v.usage == "DATA" ? 2 : v.usage == "BOTH" ? 0 : (n >= 0 ? rec.usage : 1);
  rec.permission = v.permission == "RX" ? 0 : v.permission == "TX" ? 1 : v.permission == "TXRX" ? 3 : (n >= 0 ? rec.permission : 1);
  const int own = db_find_own_address_index(v.own.c_str());
  rec.own_index = own >= 0 ? own : 0;
  rec.rx_freq_hz = static_cast<int32_t>(rx);
  rec.tx_freq_hz = static_cast<int32_t>(tx);
  rec.tx_level = static_cast<int32_t>(level);
  rec.lp_key = static_cast<int32_t>(key);
  rec.antenna_port = static_cast<int32_t>(ant);
  rec.attenuator = v.attenuator ? 1 : 0;
  rec.tuner_enable = v.tuner ? 1 : 0;
  rec.scan_groups = v.groups;
  if (n < 0) {
    if (db_add_channel(rec) < 1) return refuse(-1, "The channel table is full: no channel was added.");
    return {};
  }
  rec.number = static_cast<uint8_t>(n % 256);
  rec.in_use = 1;
  rec.sound_countdown_min = db_get_sounding_interval();
  db_store_channel(n, rec);
  return {};
}

std::vector<std::string> channel_list() { return order_channels(); }

ConfigOutcome channel_pick(const std::string& text, int* n) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at == text.size()) {
    *n = -1;
    return {};
  }
  long v = 0;
  std::size_t digits = 0;
  for (; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && digits < 4; ++at, ++digits)
    v = v * 10 + (text[at] - '0');
  // Text with no number would be channel 0; a number outside the table must not reach it.
  if (digits == 0 || v > 256 || (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))))
    return refuse(0, "Choose a channel number from 0 to 256.");
  *n = static_cast<int>(v);
  return {};
}

ConfigOutcome channel_delete_ok(const std::string& text) {
  int n = -1;
  const ConfigOutcome o = channel_pick(text, &n);
  if (o.ok && n >= 0) db_delete_channel(n);
  return o;
}

// ---- scan groups ----

std::vector<std::string> group_labels() {
  std::vector<std::string> out;
  for (int g = 0; g < 16; ++g) out.push_back(db_get_scan_group_label(g));
  return out;
}
void group_set_label(int group, const std::string& label) { db_set_scan_group_label(group, label.substr(0, 39).c_str()); }
void group_select(int group) {
  if (group >= 0 && group < 16) db_set_scan_group(group);
}

// ---- addresses and nets ----

bool address_name_valid(const std::string& name) {
  if (name.empty() || name.size() > 15) return false;
  for (char c : name)
    if (!ale_char_in_38set(static_cast<unsigned char>(c)) && c != '@' && c != '?') return false;
  return true;
}

namespace {
ConfigOutcome bad_name(const std::string& name) {
  return refuse(0, "Address " + name + ": 1 to 15 characters of A-Z, 0-9, @ and ?.");
}
}  // namespace

ConfigOutcome add_other_address_ok(const std::string& name, const std::string& tt, const std::string& twr) {
  long t = 0, w = 0;
  if (!address_name_valid(name)) return bad_name(name);
  if (!dialog_read_long(tt, 0, 10000, &t)) return refuse(1, "TT (ms): 0 to 10000.");
  if (!dialog_read_long(twr, 0, 10000, &w)) return refuse(2, "TWR (ms): 0 to 10000.");
  if (db_find_other_address_index(name.c_str()) < 0) {
    bool room = false;
    DbLock lock;
    for (int i = 0; i < kOtherAddressCount && !room; ++i) {
      const OtherAddressRecord* r = db_get_other_address(lock, i);
      room = r->in_use != 1 || r->learned == 1;
    }
    if (!room) return {false, "The table of other addresses is full: " + name + " was not added.", -1};
  }
  db_add_other_address(name.c_str(), 0, static_cast<int>(w), static_cast<int>(t));
  return {};
}

ConfigOutcome add_own_address_ok(const std::string& name) {
  if (!address_name_valid(name)) return bad_name(name);
  if (db_find_own_address_index(name.c_str()) < 0 && in_use_own_names().size() >= kOwnAddressCount)
    return {false, "The table of own addresses is full: " + name + " was not added.", -1};
  db_add_own_address(name.c_str());
  return {};
}

std::string delete_other_address_ok(const std::string& name) {
  const int i = db_find_other_address_index(name.c_str());
  if (i < 0) return {};
  {
    DbLock lock;
    for (int n = 0; n < kNetCount; ++n) {
      const NetRecord* net = db_get_net(lock, n);
      if (net->in_use != 1) continue;
      for (int s = 0; s < std::min<int>(net->member_count, kNetMemberSlots); ++s)
        if (s != net->own_slot && net->members[s] == i) return "OTHER Address In Use";
    }
  }
  db_delete_other_address(i);
  return {};
}

std::string delete_own_address_ok(const std::string& name) {
  const int i = db_find_own_address_index(name.c_str());
  if (i < 0) return {};
  {
    DbLock lock;
    for (int c = 1; c <= 256; ++c)
      if (lock.db().channels[c].in_use == 1 && lock.db().channels[c].own_index == i) return "OWN Address In Use";
    for (int n = 0; n < kNetCount; ++n) {
      const NetRecord* net = db_get_net(lock, n);
      if (net->in_use == 1 && net->own_index == i) return "OWN Address In Use";
    }
  }
  db_delete_own_address(i);
  return {};
}

ConfigOutcome modify_other_address_ok(const std::string& chosen, const std::string& name, const std::string& tt,
                                      const std::string& twr) {
  long t = 0, w = 0;
  if (!dialog_read_long(tt, 0, 30000, &t)) return refuse(1, "TT: 0 to 30000 ms.");
  if (!dialog_read_long(twr, 0, 30000, &w)) return refuse(2, "TWR: 0 to 30000 ms.");
  if (!address_name_valid(name)) return bad_name(name);
  const int i = db_find_other_address_index(chosen.c_str());
  if (i < 0) return {false, "", -1};  // not found: stays open
  const int other = db_find_other_address_index(name.c_str());
  if (other >= 0 && other != i) return refuse(0, "Another station already has the address " + name + ".");
  DbLock lock;
  OtherAddressRecord* r = db_get_other_address(lock, i);
  std::memset(r->address, 0, sizeof r->address);
  std::memcpy(r->address, name.data(), name.size());
  r->tt_ms = static_cast<int32_t>(t);
  r->twr_ms = static_cast<int32_t>(w);
  return {};
}

ConfigOutcome modify_own_address_ok(const std::string& chosen, const std::string& name) {
  if (!address_name_valid(name)) return bad_name(name);
  const int i = db_find_own_address_index(chosen.c_str());
  if (i < 0) return {};
  const int other = db_find_own_address_index(name.c_str());
  if (other >= 0 && other != i) return refuse(0, "Another own address already is " + name + ".");
  db_set_own_address_at(name.c_str(), i);
  return {};
}

namespace {
template <class Get>
std::vector<std::string> names(int count, Get get) {
  std::vector<std::string> out;
  DbLock lock;
  for (int i = 0; i < count; ++i) {
    const auto* r = get(lock, i);
    if (r != nullptr && r->in_use == 1) out.push_back(name_of(r->address, sizeof r->address));
  }
  return out;
}
}  // namespace

std::vector<std::string> in_use_other_names() { return names(kOtherAddressCount, db_get_other_address); }
std::vector<std::string> in_use_own_names() { return names(kOwnAddressCount, db_get_own_address); }
std::vector<std::string> in_use_net_names() { return names(kNetCount, db_get_net); }

ConfigOutcome add_net_ok(const std::string& net, const std::array<std::string, 20>& slots) {
  if (!net.empty() && !address_name_valid(net)) return bad_name(net);
  if (!net.empty() && db_find_net_index(net.c_str()) < 0 && in_use_net_names().size() >= kNetCount)
    return {false, "The table of nets is full: " + net + " was not added.", -1};
  std::vector<std::string> texts = {net};
  for (const std::string& s : slots)
    if (!s.empty()) texts.push_back(s);
  std::vector<const char*> ptrs;
  for (const std::string& t : texts) ptrs.push_back(t.c_str());
  // The service shows its own warnings ("Missing NET Address", ...) through the log layer.
  if (db_add_net_from_list(ptrs.data(), static_cast<int>(ptrs.size())) != 1) return {false, "", -1};
  return {};
}

void delete_net_ok(const std::string& name) {
  const int i = db_find_net_index(name.c_str());
  if (i >= 0) db_delete_net(i);
}

int list_net_index(const std::string& name) { return name.empty() ? -1 : db_find_net_index(name.c_str()); }

int reset_dynamic_ok() {
  std::vector<int> keep;
  {
    DbLock lock;
    for (int n = 0; n < kNetCount; ++n) {
      const NetRecord* net = db_get_net(lock, n);
      if (net->in_use != 1) continue;
      for (int s = 0; s < std::min<int>(net->member_count, kNetMemberSlots); ++s)
        if (s != net->own_slot) keep.push_back(net->members[s]);
    }
  }
  int kept = 0;
  for (int i = 0; i < kOtherAddressCount; ++i) {
    bool learned = false;
    {
      DbLock lock;
      const OtherAddressRecord* r = db_get_other_address(lock, i);
      learned = r->in_use == 1 && r->learned == 1;
    }
    if (!learned) continue;
    // A learned address that a net lists stays, so the net keeps its members.
    if (std::find(keep.begin(), keep.end(), i) != keep.end()) {
      ++kept;
      continue;
    }
    db_delete_other_address(i);
  }
  if (kept > 0) log_stamped_line("RESET DYNAMIC ADDRESSES: " + std::to_string(kept) + " LEARNED ADDRESSES KEPT, LISTED IN A NET");
  return kept;
}

// ---- keys ----

std::array<LpKeyView, 5> lp_keys_open() {
  std::array<LpKeyView, 5> out;
  for (int i = 0; i < kLpKeyCount; ++i) {
    LpKeyRecord k{};
    if (db_copy_lp_key(i, &k) != 0 || k.valid != 1) continue;
    LpKeyView& v = out[static_cast<std::size_t>(i)];
    v.digits = fmt("%.6X%.8X", static_cast<unsigned>(k.key_high), static_cast<unsigned>(k.key_low));
    v.al0 = (k.levels & 1) != 0;
    v.al1 = (k.levels & 2) != 0;
    v.al2 = (k.levels & 4) != 0;
  }
  return out;
}

ConfigOutcome lp_keys_ok(const std::array<LpKeyView, 5>& keys) {
  for (int i = 0; i < kLpKeyCount; ++i) {
    const std::string& d = keys[static_cast<std::size_t>(i)].digits;
    if (d.size() == 14 && !std::all_of(d.begin(), d.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
      return refuse(i, "KEY " + std::to_string(i) + ": 14 hexadecimal digits.");
  }
  for (int i = 0; i < kLpKeyCount; ++i) {
    const LpKeyView& k = keys[static_cast<std::size_t>(i)];
    if (k.digits.size() != 14) {
      db_invalidate_lp_key(i);
      continue;
    }
    const int32_t halves[2] = {static_cast<int32_t>(std::stoul(k.digits.substr(0, 6), nullptr, 16)),
                               static_cast<int32_t>(std::stoul(k.digits.substr(6, 8), nullptr, 16))};
    db_set_lp_key(i, halves, (k.al0 ? 1 : 0) | (k.al1 ? 2 : 0) | (k.al2 ? 4 : 0));
  }
  return {};
}

std::string encryption_key_open() {
  uint8_t key[24];
  db_get_transfer_keys(key);
  std::string out;
  for (uint8_t b : key) out += fmt("%.2X", b);
  return out;
}

ConfigOutcome encryption_key_ok(const std::string& text) {
  if (text.empty()) return {};
  if (text.size() != 48 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
    return refuse(0, "The key is 48 hexadecimal digits.");
  uint8_t key[24];
  for (int k = 0; k < 24; ++k) key[k] = static_cast<uint8_t>(std::stoul(text.substr(2 * k, 2), nullptr, 16));
  db_set_transfer_keys(key);
  db_save();
  return {};
}

}  // namespace vesk
