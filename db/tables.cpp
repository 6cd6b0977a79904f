#include "db/tables.h"

#include <cstring>
#include <vector>

#include "db/ale_chars.h"
#include "db/db_internal.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/lqa.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

using dbi::bounded;
using dbi::field_text;
using dbi::set_field_text;

namespace {

bool valid_channel(int n) { return n >= 0 && n < kChannelCount; }
bool valid_own(int i) { return i >= 0 && i < kOwnAddressCount; }
bool valid_other(int i) { return i >= 0 && i < kOtherAddressCount; }
bool valid_net(int i) { return i >= 0 && i < kNetCount; }
bool valid_key(int i) { return i >= 0 && i < kLpKeyCount; }


void reset_channel_lqa(StationDatabase& db, int n) {
  for (auto& a : db.other) db_reset_lqa_record(&a.lqa[n]);
}

void call_store_hook(int n, const ChannelRecord& rec) {
  const DbHooks& h = db_hooks();
  if (h.store_channel) h.store_channel(n, rec);
}

int find_own(const StationDatabase& db, std::string_view text) {
  if (!ale_address_valid(text)) return -1;
  for (int i = 0; i < kOwnAddressCount; ++i)
    if (db.own[i].in_use == 1 && field_text(db.own[i].address) == text) return i;
  return -1;
}

int find_net(const StationDatabase& db, std::string_view text) {
  if (!ale_address_valid(text)) return -1;
  for (int i = 0; i < kNetCount; ++i)
    if (db.nets[i].in_use == 1 && field_text(db.nets[i].address) == text) return i;
  return -1;
}

int find_net_by_prefix(const StationDatabase& db, const char* text) {
  // A net is recognised by its first ALE word: at most three characters.
  const std::string_view prefix = bounded(text, 3);
  for (int i = 0; i < kNetCount; ++i)
    if (db.nets[i].in_use == 1 && field_text(db.nets[i].address).substr(0, prefix.size()) == prefix) return i;
  return -1;
}

template <class T>
T* at(T* table, int i, int size) {
  return (i >= 0 && i < size) ? &table[i] : nullptr;
}

}  // namespace

// ---- shared helpers ----

namespace dbi {

bool in_current_group(const StationDatabase& db, const ChannelRecord& ch) {
  const uint32_t group = static_cast<uint32_t>(db.options.i32(opt::SCAN_GROUP)) & 31;
  return (static_cast<uint32_t>(ch.scan_groups) >> group) & 1;
}

int find_other(const StationDatabase& db, std::string_view address) {
  if (!ale_address_valid(address)) return -1;
  for (int i = 0; i < kOtherAddressCount; ++i)
    if (db.other[i].in_use == 1 && field_text(db.other[i].address) == address) return i;
  return -1;
}

int add_other(StationDatabase& db, std::string_view address, int learned, int twr_ms, int tt_ms) {
  if (!ale_address_valid(address)) return DB_ERR_INVALID;
  learned = learned ? 1 : 0;
  const int existing = find_other(db, address);
  if (existing >= 0) {
    // Re-entering an address keeps its reply times; its link quality starts afresh.
    OtherAddressRecord& a = db.other[existing];
    db_reset_lqa_column(a.lqa);
    a.learned = learned;
    return existing;
  }
  int slot = -1;
  for (int i = 0; i < kOtherAddressCount && slot < 0; ++i)
    if (db.other[i].in_use != 1) slot = i;
  if (slot < 0) {
    // Full: the learned address unheard the longest gives way (lowest index on a tie).
    int32_t oldest = 0;
    for (int i = 0; i < kOtherAddressCount; ++i) {
      const OtherAddressRecord& a = db.other[i];
      if (a.learned == 1 && a.minutes_heard > oldest) {
        oldest = a.minutes_heard;
        slot = i;
      }
    }
    if (slot < 0) return DB_ERR_FULL;
  }
  // A fresh entry, whether the slot was free or taken from an evicted learned address.
  OtherAddressRecord& a = db.other[slot];
  a.index = static_cast<uint8_t>(slot);
  set_field_text(a.address, address);
  a.in_use = 1;
  a.learned = learned;
  a.minutes_heard = learned ? 0 : kAgeNever;
  a.last_channel = 0;
  a.twr_ms = twr_ms != 0 ? twr_ms : 2000;
  a.tt_ms = tt_ms != 0 ? tt_ms : 3000;
  db_reset_lqa_column(a.lqa);
  return slot;
}

}  // namespace dbi

DbHooks& db_hooks() { return station().state<DbHooks>(); }

bool db_address_valid(const char* text) { return ale_address_valid(bounded(text)); }

// ---- channels ----

ChannelRecord* db_channel_table(DbLock& lock) { return lock.db().channels; }
ChannelRecord* db_get_channel(DbLock& lock, int n) { return at(lock.db().channels, n, kChannelCount); }

int db_copy_channel(int n, ChannelRecord* out) {
  if (!valid_channel(n) || out == nullptr) return DB_ERR_INVALID;
  DbLock lock;
  *out = lock.db().channels[n];
  return 0;
}

int db_add_channel(const ChannelRecord& rec) {
  int n = -1;
  ChannelRecord added;
  {
    DbLock lock;
    StationDatabase& db = lock.db();
    for (int i = 1; i < kChannelCount && n < 0; ++i)
      if (db.channels[i].in_use != 1) n = i;
    if (n < 0) return DB_ERR_FULL;
    ChannelRecord& ch = db.channels[n];
    ch.rx_freq_hz = rec.rx_freq_hz;
    ch.tx_freq_hz = rec.tx_freq_hz;
    ch.attenuator = rec.attenuator;
    ch.scan_groups = rec.scan_groups;
    ch.rx_mode = rec.rx_mode;
    ch.tx_mode = rec.tx_mode;
    ch.permission = rec.permission;
    ch.own_index = rec.own_index;
    ch.antenna_port = rec.antenna_port;
    ch.tx_level = rec.tx_level;
    ch.usage = rec.usage;
    ch.lp_key = rec.lp_key;
    ch.tuner_enable = rec.tuner_enable;
    ch.in_use = 1;
    ch.update_pending = 1;
    ch.sound_countdown_min = 0;
    reset_channel_lqa(db, n);
    added = ch;
  }
  call_store_hook(n, added);
  return n;
}

int db_store_channel(int n, const ChannelRecord& rec) {
  if (!valid_channel(n)) return DB_ERR_INVALID;
  ChannelRecord stored;
  {
    DbLock lock;
    StationDatabase& db = lock.db();
    ChannelRecord& ch = db.channels[n];
    ch = rec;
    ch.number = static_cast<uint8_t>(n % 256);
    ch.update_pending = 1;
    ch.in_use = 1;
    if (n == 0) {
      ch.scan_groups = 0xFFFF;  // channel 0 belongs to every group
      ch.usage = 0;
    }
    reset_channel_lqa(db, n);
    stored = ch;
  }
  call_store_hook(n, stored);
  return n;
}

int db_delete_channel(int n) {
  if (!valid_channel(n)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().channels[n].in_use = 0;
  return n;
}

void db_clear_channels() {
  DbLock lock;
  for (auto& ch : lock.db().channels) ch.in_use = 0;
}

int db_set_channel_self(int n, int own_index) {
  if (!valid_channel(n) || !valid_own(own_index)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().channels[n].own_index = own_index;
  return n;
}

namespace {

// Sets one field of an in-use channel; returns the value, or 0 when the channel is not in use.
int set_in_use_field(int n, int32_t ChannelRecord::*field, int value) {
  if (!valid_channel(n)) return 0;
  DbLock lock;
  ChannelRecord& ch = lock.db().channels[n];
  if (ch.in_use != 1) return 0;
  ch.*field = value;
  return value;
}

int32_t add_groups(int n, int bits) {
  if (!valid_channel(n)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().channels[n].scan_groups |= bits;
  return n;
}

}  // namespace

int db_set_channel_rx_mode(int n, int mode) { return set_in_use_field(n, &ChannelRecord::rx_mode, mode); }
int db_set_channel_tx_mode(int n, int mode) { return set_in_use_field(n, &ChannelRecord::tx_mode, mode); }
int db_set_channel_tx_freq(int n, int hz) { return set_in_use_field(n, &ChannelRecord::tx_freq_hz, hz); }
int db_set_channel_rx_freq(int n, int hz) { return set_in_use_field(n, &ChannelRecord::rx_freq_hz, hz); }

int db_set_channel_lp_key(int n, int key) {
  if (!valid_key(key)) return DB_ERR_INVALID;
  return set_in_use_field(n, &ChannelRecord::lp_key, key) == key ? n : DB_ERR_INVALID;
}

void db_set_all_channel_permission(int permission) {
  DbLock lock;
  for (int n = 1; n < kChannelCount; ++n) lock.db().channels[n].permission = permission;
}

int db_add_channel_groups(int n, int bits) { return add_groups(n, bits); }
int db_add_groups_to_record(int n, int bits) { return add_groups(n, bits); }

int db_remove_channel_groups(int n, int bits) {
  if (!valid_channel(n)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().channels[n].scan_groups &= ~bits;
  return n;
}

int db_channel_scannable(int n) {
  if (!valid_channel(n)) return 0;
  DbLock lock;
  const ChannelRecord& ch = lock.db().channels[n];
  return (ch.in_use == 1 && (ch.permission & 2) != 0 && dbi::in_current_group(lock.db(), ch)) ? 1 : 0;
}

int db_take_channel_update_pending(int n) {
  if (!valid_channel(n)) return 0;
  DbLock lock;
  ChannelRecord& ch = lock.db().channels[n];
  if (ch.update_pending != 1) return 0;
  ch.update_pending = 0;
  return 1;
}

// ---- own addresses ----

OwnAddressRecord* db_own_address_table(DbLock& lock) { return lock.db().own; }
OwnAddressRecord* db_own_address_base(DbLock& lock) { return lock.db().own; }
OwnAddressRecord* db_get_own_address(DbLock& lock, int i) { return at(lock.db().own, i, kOwnAddressCount); }

OwnAddressRecord* db_find_own_address(DbLock& lock, const char* text) {
  const int i = find_own(lock.db(), bounded(text));
  return i >= 0 ? &lock.db().own[i] : nullptr;
}

int db_find_own_address_index(const char* text) {
  DbLock lock;
  return find_own(lock.db(), bounded(text));
}

int db_add_own_address(const char* address) {
  const std::string_view text = bounded(address);
  if (!ale_address_valid(text)) return DB_ERR_INVALID;
  DbLock lock;
  StationDatabase& db = lock.db();
  const int existing = find_own(db, text);
  if (existing >= 0) return existing;
  for (int i = 0; i < kOwnAddressCount; ++i) {
    OwnAddressRecord& r = db.own[i];
    if (r.in_use == 1) continue;
    set_field_text(r.address, text);
    r.index = static_cast<uint8_t>(i);
    r.in_use = 1;
    return i;
  }
  return DB_ERR_FULL;
}

int db_set_own_address_at(const char* text, int i) {
  const std::string_view t = bounded(text);
  if (!valid_own(i) || !ale_address_valid(t)) return DB_ERR_INVALID;
  DbLock lock;
  OwnAddressRecord& r = lock.db().own[i];
  set_field_text(r.address, t);
  r.index = static_cast<uint8_t>(i);
  r.in_use = 1;
  return i;
}

int db_delete_own_address(int i) {
  if (!valid_own(i)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().own[i].in_use = 0;
  return i;
}

void db_clear_own_addresses() {
  DbLock lock;
  for (auto& r : lock.db().own) r.in_use = 0;
}

int db_select_my_address(const char* text) {
  DbLock lock;
  const int i = find_own(lock.db(), bounded(text));
  if (i < 0) return -1;
  const std::string_view a = field_text(lock.db().own[i].address);
  lock.options().set_text(opt::MY_ADDRESS, opt::MY_ADDRESS_SIZE, std::string(a).c_str());
  return i;
}

OwnAddressRecord* db_my_address_record(DbLock& lock) {
  const std::string mine = db_get_my_address();
  const int i = find_own(lock.db(), mine);
  return i >= 0 ? &lock.db().own[i] : nullptr;
}

std::string db_get_my_address() { return db_option_text(opt::MY_ADDRESS, opt::MY_ADDRESS_SIZE); }

int db_own_address_in_use(int i) {
  if (!valid_own(i)) return 0;
  DbLock lock;
  const StationDatabase& db = lock.db();
  for (int n = 1; n < kChannelCount; ++n)
    if (db.channels[n].in_use == 1 && db.channels[n].own_index == i) return 1;
  for (const auto& net : db.nets)
    if (net.in_use == 1 && net.own_index == i) return 1;
  return 0;
}

// ---- other addresses ----

OtherAddressRecord* db_other_address_table(DbLock& lock) { return lock.db().other; }
OtherAddressRecord* db_get_other_address(DbLock& lock, int i) { return at(lock.db().other, i, kOtherAddressCount); }

OtherAddressRecord* db_find_other_address(DbLock& lock, const char* text) {
  const int i = dbi::find_other(lock.db(), bounded(text));
  return i >= 0 ? &lock.db().other[i] : nullptr;
}

int db_find_other_address_index(const char* text) {
  DbLock lock;
  return dbi::find_other(lock.db(), bounded(text));
}

int db_add_other_address(const char* address, int learned, int twr_ms, int tt_ms) {
  DbLock lock;
  return dbi::add_other(lock.db(), bounded(address), learned, twr_ms, tt_ms);
}

int db_delete_other_address(int i) {
  if (!valid_other(i)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().other[i].in_use = 0;
  return i;
}

void db_delete_learned_addresses() {
  DbLock lock;
  for (auto& a : lock.db().other)
    if (a.learned == 1) a.in_use = 0;
}

void db_set_all_twr_ms(int ms) {
  DbLock lock;
  for (auto& a : lock.db().other) a.twr_ms = ms;
}

int db_other_address_in_use(int i) {
  if (!valid_other(i)) return 0;
  DbLock lock;
  for (const auto& net : lock.db().nets) {
    if (net.in_use != 1) continue;
    const int count = net.member_count < kNetMemberSlots ? net.member_count : kNetMemberSlots;
    for (int k = 0; k < count; ++k)
      if (k != net.own_slot && net.members[k] == i) return 1;
  }
  return 0;
}

// ---- nets ----

NetRecord* db_net_table(DbLock& lock) { return lock.db().nets; }
NetRecord* db_get_net(DbLock& lock, int i) { return at(lock.db().nets, i, kNetCount); }

NetRecord* db_find_net(DbLock& lock, const char* text) {
  const int i = find_net(lock.db(), bounded(text));
  return i >= 0 ? &lock.db().nets[i] : nullptr;
}

int db_find_net_index(const char* text) {
  DbLock lock;
  return find_net(lock.db(), bounded(text));
}

NetRecord* db_find_net_by_prefix(DbLock& lock, const char* text) {
  const int i = find_net_by_prefix(lock.db(), text);
  return i >= 0 ? &lock.db().nets[i] : nullptr;
}

int db_find_net_by_prefix_index(const char* text) {
  DbLock lock;
  return find_net_by_prefix(lock.db(), text);
}

namespace {

bool net_record_valid(const NetRecord& rec) {
  if (!ale_address_valid(field_text(rec.address))) return false;
  if (rec.member_count > kNetMemberSlots || rec.own_index >= kOwnAddressCount) return false;
  if (rec.own_slot < 0 || rec.own_slot >= rec.member_count || rec.own_position != rec.own_slot + 1) return false;
  for (int k = 0; k < rec.member_count; ++k) {
    const int v = rec.members[k];
    if (k == rec.own_slot ? v != rec.own_index : !valid_other(v)) return false;
  }
  return true;
}

int store_net(StationDatabase& db, const NetRecord& rec) {
  if (!net_record_valid(rec)) return DB_ERR_INVALID;
  int slot = find_net(db, field_text(rec.address));
  for (int i = 0; i < kNetCount && slot < 0; ++i)
    if (db.nets[i].in_use != 1) slot = i;
  if (slot < 0) return DB_ERR_FULL;
  NetRecord& net = db.nets[slot];
  net = rec;
  net.index = static_cast<uint8_t>(slot);
  net.in_use = 1;
  return slot;
}

}  // namespace

int db_store_net(const NetRecord& rec) {
  DbLock lock;
  return store_net(lock.db(), rec);
}

int db_add_net_from_list(const char* const* texts, int count) {
  // Lines and message boxes are written once the lock is released.
  enum class Outcome { Stored, MissingNet, InvalidNet, TwoOwn, MissingOwn, Full };
  Outcome outcome = Outcome::Stored;
  std::string net_text, second_own;
  std::vector<std::string> skipped;
  {
    DbLock lock;
    StationDatabase& db = lock.db();
    const std::string_view net_address = count > 0 ? bounded(texts[0]) : std::string_view();
    net_text = std::string(net_address);
    if (net_address.empty()) {
      outcome = Outcome::MissingNet;
    } else if (!ale_address_valid(net_address) || find_own(db, net_address) >= 0 ||
               dbi::find_other(db, net_address) >= 0 || find_net(db, net_address) >= 0) {
      outcome = Outcome::InvalidNet;
    } else {
      NetRecord rec;
      std::memset(&rec, 0, sizeof rec);
      set_field_text(rec.address, net_address);
      bool own_given = false;
      // Members that cannot be entered are skipped, so the slots stay dense.
      for (int i = 1; i < count && i <= kNetMemberSlots && outcome == Outcome::Stored; ++i) {
        const std::string_view member = bounded(texts[i]);
        const int own = find_own(db, member);
        if (own >= 0) {
          if (own_given) {
            outcome = Outcome::TwoOwn;
            second_own = std::string(member);
            break;
          }
          own_given = true;
          const int slot = rec.member_count;
          rec.members[slot] = own;
          rec.own_index = static_cast<uint8_t>(own);
          rec.own_position = slot + 1;
          rec.own_slot = slot;
          ++rec.member_count;
          continue;
        }
        int other = dbi::find_other(db, member);
        if (other >= 0 && db.other[other].learned == 1) {
          other = dbi::add_other(db, member, 0, db.other[other].twr_ms, db.other[other].tt_ms);
        } else if (other < 0) {
          other = dbi::add_other(db, member, 0, 0, 0);
        }
        if (other < 0) {
          skipped.emplace_back(member);
          continue;
        }
        rec.members[rec.member_count++] = other;
      }
      if (outcome == Outcome::Stored && !own_given) outcome = Outcome::MissingOwn;
      if (outcome == Outcome::Stored && store_net(db, rec) < 0) outcome = Outcome::Full;
    }
  }
  const std::string ts = log_time_stamp(), cs = log_current_channel_stamp();
  for (const auto& m : skipped)
    log_printf("[%s][%s][ADD NET: MEMBER NOT ENTERED => %s]\n", ts.c_str(), cs.c_str(), m.c_str());
  switch (outcome) {
    case Outcome::Stored: return 1;
    case Outcome::MissingNet: display_missing_net_address_box(); return 0;
    case Outcome::InvalidNet: log_add_net_invalid(net_text.c_str()); return 0;
    case Outcome::TwoOwn: display_one_own_address_box(second_own.c_str()); return 0;
    case Outcome::MissingOwn: display_missing_own_address_box(); return 0;
    case Outcome::Full:
      log_printf("[%s][%s][ADD NET: NET TABLE FULL => %s]\n", ts.c_str(), cs.c_str(), net_text.c_str());
      return 0;
  }
  return 0;
}

int db_delete_net(int i) {
  if (!valid_net(i)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().nets[i].in_use = 0;
  return i;
}

void db_clear_nets() {
  DbLock lock;
  for (auto& n : lock.db().nets) n.in_use = 0;
}

// ---- linking-protection keys ----

LpKeyRecord* db_lp_key_table(DbLock& lock) { return lock.db().lp_keys; }
LpKeyRecord* db_get_lp_key(DbLock& lock, int i) { return at(lock.db().lp_keys, i, kLpKeyCount); }

int db_copy_lp_key(int i, LpKeyRecord* out) {
  if (!valid_key(i) || out == nullptr) return DB_ERR_INVALID;
  DbLock lock;
  *out = lock.db().lp_keys[i];
  return 0;
}

int db_set_lp_key(int i, const int32_t halves[2], int levels) {
  if (!valid_key(i) || halves == nullptr) return DB_ERR_INVALID;
  DbLock lock;
  LpKeyRecord& k = lock.db().lp_keys[i];
  k.key_high = halves[0] & 0xFFFFFF;  // the key is 56 bits
  k.key_low = halves[1];
  k.levels = levels;
  k.valid = 1;
  return i;
}

int db_invalidate_lp_key(int i) {
  if (!valid_key(i)) return DB_ERR_INVALID;
  DbLock lock;
  lock.db().lp_keys[i].valid = 0;
  return i;
}

void db_clear_lp_keys() {
  DbLock lock;
  for (auto& k : lock.db().lp_keys) {
    std::memset(&k, 0, sizeof k);
    k.levels = 1;
  }
}

// ---- received AMD ring ----

AmdStoreEntry* db_get_amd_store(DbLock& lock) { return lock.db().amd; }

int db_get_amd_store_index() {
  DbLock lock;
  const int i = lock.db().amd_index;
  return (i >= 0 && i < kAmdStoreCount) ? i : 0;
}

void db_store_amd(const AmdStoreEntry& entry) {
  DbLock lock;
  StationDatabase& db = lock.db();
  // A ring index from a damaged or foreign file starts the ring again.
  int i = db.amd_index;
  if (i < 0 || i >= kAmdStoreCount) i = 0;
  AmdStoreEntry& slot = db.amd[i];
  slot.valid = 1;
  slot.time_received = entry.time_received;
  set_field_text(slot.sender, field_text(entry.sender));
  std::memcpy(slot.text, entry.text, sizeof slot.text);
  slot.text[sizeof slot.text - 1] = '\0';
  slot.channel = entry.channel;
  db.amd_index = (i + 1) % kAmdStoreCount;
}

void db_list_amd_store() {
  std::vector<AmdStoreEntry> valid;
  {
    DbLock lock;
    for (const auto& e : lock.db().amd)
      if (e.valid == 1) valid.push_back(e);
  }
  display_amd_listing_begin();
  for (const auto& e : valid) log_amd_entry(e);
  if (valid.empty()) log_printf(" NO AMD HAS BEEN RECEIVED\n");
}

void db_clear_amd_store() {
  DbLock lock;
  for (auto& e : lock.db().amd) e.valid = 0;
  lock.db().amd_index = 0;
}

}  // namespace vesk
