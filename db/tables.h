// Channel, address, net and key tables of the station database, and the received AMD ring.
//
// Operations that hand out pointers into the image take the caller's `DbLock`: the pointer is
// valid, and may be changed in place, only while that lock is held. Operations that change a
// table take the lock themselves and return a table index (or a DB_ERR_ value); call them
// without holding a DbLock, because some of them write log lines or call the radio's hook.
//
// Every index and text that arrives from outside is checked here: indexes on both sides
// (0 <= n < size), addresses as 1 to 15 characters of the basic 38-character ALE set, texts
// bounded by their fields. A refused change leaves the image as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "db/database.h"

namespace vesk {

// Results of the changing operations (indexes are 0 or more).
inline constexpr int DB_ERR_INVALID = -1;  // an index out of range or an invalid text
inline constexpr int DB_ERR_FULL = -2;     // no free record

// Calls out of the database into later modules. The station's wiring binds them before the
// station starts; empty ones are skipped.
struct DbHooks {
  // The radio's store-channel step (some radio types write the channel into their memory).
  std::function<void(int index, const ChannelRecord& rec)> store_channel;
  // Start a TIS or a TWAS sounding on a channel (the sounding schedule).
  std::function<void(int channel)> start_tis_sounding;
  std::function<void(int channel)> start_twas_sounding;
};
DbHooks& db_hooks();  // the current station's

// 1 when `text` is an ALE address: 1 to 15 characters, all of the basic 38-character set.
bool db_address_valid(const char* text);

// ---- channels (index 0 to 256) ----
ChannelRecord* db_channel_table(DbLock& lock);
ChannelRecord* db_get_channel(DbLock& lock, int n);  // null unless 0 <= n <= 256
// A copy of channel n; 0, or DB_ERR_INVALID.
int db_copy_channel(int n, ChannelRecord* out);
// Adds the record's settings in the first free channel 1 to 256. Returns its index.
int db_add_channel(const ChannelRecord& rec);
// Stores all fields of `rec` as channel n (its number byte becomes n modulo 256). Returns n.
int db_store_channel(int n, const ChannelRecord& rec);
int db_delete_channel(int n);
void db_clear_channels();
int db_set_channel_self(int n, int own_index);
// The next four return the value stored, or 0 when the channel is not in use.
int db_set_channel_rx_mode(int n, int mode);
int db_set_channel_tx_mode(int n, int mode);
int db_set_channel_tx_freq(int n, int hz);
int db_set_channel_rx_freq(int n, int hz);
int db_set_channel_lp_key(int n, int key);
void db_set_all_channel_permission(int permission);
int db_add_channel_groups(int n, int bits);
int db_add_groups_to_record(int n, int bits);
int db_remove_channel_groups(int n, int bits);
// 1 when in use, BX, and in the current scan group.
int db_channel_scannable(int n);
// 1 (and cleared) when the radio memory update of channel n was pending.
int db_take_channel_update_pending(int n);

// ---- own addresses (0 to 19) ----
OwnAddressRecord* db_own_address_table(DbLock& lock);
OwnAddressRecord* db_own_address_base(DbLock& lock);
OwnAddressRecord* db_get_own_address(DbLock& lock, int i);
OwnAddressRecord* db_find_own_address(DbLock& lock, const char* text);
int db_find_own_address_index(const char* text);  // or -1
// An in-use record with the same address is returned as it is; else the first free one.
int db_add_own_address(const char* address);
int db_set_own_address_at(const char* text, int i);
int db_delete_own_address(int i);
void db_clear_own_addresses();
// Copies a known own address into the MYADDRESS option. Returns its index or -1.
int db_select_my_address(const char* text);
OwnAddressRecord* db_my_address_record(DbLock& lock);
std::string db_get_my_address();
int db_own_address_in_use(int i);

// ---- other addresses (0 to 99) ----
OtherAddressRecord* db_other_address_table(DbLock& lock);
OtherAddressRecord* db_get_other_address(DbLock& lock, int i);
OtherAddressRecord* db_find_other_address(DbLock& lock, const char* text);
int db_find_other_address_index(const char* text);  // or -1
// Enters an address (learned 1: from a heard call; TWR and TT 0 give 2000 and 3000 ms).
// When the table is full, the learned address unheard the longest gives way.
int db_add_other_address(const char* address, int learned, int twr_ms, int tt_ms);
int db_delete_other_address(int i);
void db_delete_learned_addresses();
void db_set_all_twr_ms(int ms);
int db_other_address_in_use(int i);

// ---- nets (0 to 19) ----
NetRecord* db_net_table(DbLock& lock);
NetRecord* db_get_net(DbLock& lock, int i);
NetRecord* db_find_net(DbLock& lock, const char* text);
int db_find_net_index(const char* text);  // or -1
// The first net in use whose address begins with the text's first three characters.
NetRecord* db_find_net_by_prefix(DbLock& lock, const char* text);
int db_find_net_by_prefix_index(const char* text);  // or -1
// Stores a net (over an in-use one of the same address, else in the first free slot); its
// index byte is the slot. Returns the slot.
int db_store_net(const NetRecord& rec);
// texts[0] is the net address, texts[1 .. count-1] its members. Returns 1 when stored.
int db_add_net_from_list(const char* const* texts, int count);
int db_delete_net(int i);
void db_clear_nets();

// ---- linking-protection keys (0 to 4) ----
LpKeyRecord* db_lp_key_table(DbLock& lock);
LpKeyRecord* db_get_lp_key(DbLock& lock, int i);
int db_copy_lp_key(int i, LpKeyRecord* out);
// halves[0]: upper 24 bits, halves[1]: lower 32 bits.
int db_set_lp_key(int i, const int32_t halves[2], int levels);
int db_invalidate_lp_key(int i);
// Each of the 5 records: all zero, then permitted levels := 1 (AL0 only; not valid).
void db_clear_lp_keys();

// ---- received AMD ring (100 entries) ----
AmdStoreEntry* db_get_amd_store(DbLock& lock);
int db_get_amd_store_index();
void db_store_amd(const AmdStoreEntry& entry);
void db_list_amd_store();
void db_clear_amd_store();

}  // namespace vesk
