// The database information, channel, scan group, address, net and key dialogs without the
// window: the information texts (byte for byte, for a monospaced view), and what each OK
// checks and changes through the database services (which lock).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "ui/config_dialogs.h"

namespace vesk {

// ---- information texts ----
std::string info_other_addresses_all();
// One address with its channel grid, ranking and (for an in-use channel of the scan group)
// the LQA cell of `channel`.
std::string info_other_address(int index, int channel);
std::string info_channels_header();
std::string info_channels_rows();
std::string info_own_addresses();
std::string info_amd_received();
std::string info_nets_all();
std::string info_net(int index);

// List Other Addresses: the index to show (-1 all) or a refusal (channel outside 0 to 99).
// `index` is -2 when the dialog just closes (a name that is no address).
ConfigOutcome list_other_addresses_ok(const std::string& name, const std::string& channel, int* index, int* chan);

// ---- channels ----
struct ChannelView {
  std::string rx_hz, tx_hz, rx_mode, tx_mode, usage, permission, own, tx_level, lp_key, antenna;
  bool attenuator = false, tuner = false;
  int groups = 0;
};
enum ChannelField { kChRx = 0, kChTx, kChRxMode, kChTxMode, kChTxLevel, kChLpKey, kChAntenna, kChOwn };
ChannelView channel_add_defaults();
ChannelView channel_view(int n);
// Add (n < 0) or Modify channel n. Add into a full table is refused with a warning.
ConfigOutcome channel_ok(int n, const ChannelView& view);
// The channel lists' entries (in-use channels 1 to 256).
std::vector<std::string> channel_list();
// Delete Channel and Select Channel to Modify: the channel of the text; -1 closes doing
// nothing (empty); a refusal for a text with no number or outside 0 to 256.
ConfigOutcome channel_pick(const std::string& text, int* n);
ConfigOutcome channel_delete_ok(const std::string& text);

// ---- scan groups ----
std::vector<std::string> group_labels();
void group_set_label(int group, const std::string& label);
void group_select(int group);

// ---- addresses and nets ----
// Names: the ALE 38 set plus "@" and "?", 1 to 15 characters.
bool address_name_valid(const std::string& name);
ConfigOutcome add_other_address_ok(const std::string& name, const std::string& tt, const std::string& twr);
ConfigOutcome add_own_address_ok(const std::string& name);
// The warning of a delete that keeps the address ("OTHER Address In Use"), or empty.
std::string delete_other_address_ok(const std::string& name);
std::string delete_own_address_ok(const std::string& name);
ConfigOutcome modify_other_address_ok(const std::string& chosen, const std::string& name, const std::string& tt,
                                      const std::string& twr);
ConfigOutcome modify_own_address_ok(const std::string& chosen, const std::string& name);
std::vector<std::string> in_use_other_names();
std::vector<std::string> in_use_own_names();
std::vector<std::string> in_use_net_names();
// Add Net: the net name and the twenty slots; a refusal keeps the dialog open.
ConfigOutcome add_net_ok(const std::string& net, const std::array<std::string, 20>& slots);
void delete_net_ok(const std::string& name);
// List Net: the index of the named net, or -1 (all) for an empty or unknown name.
int list_net_index(const std::string& name);
// Reset Dynamic: learned addresses no in-use net lists are removed; returns how many were kept.
int reset_dynamic_ok();

// ---- keys ----
struct LpKeyView {
  std::string digits;
  bool al0 = true, al1 = false, al2 = false;
};
std::array<LpKeyView, 5> lp_keys_open();
// A 14-character key with a character that is no hexadecimal digit is refused (field = key).
ConfigOutcome lp_keys_ok(const std::array<LpKeyView, 5>& keys);
std::string encryption_key_open();
// 48 hexadecimal digits (either case) or nothing at all.
ConfigOutcome encryption_key_ok(const std::string& text);

}  // namespace vesk
