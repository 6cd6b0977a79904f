// The call and clear dialogs without the window: the lists they offer, the checks of their
// fields, and what each OK hands to the engine. The checks run at once (the dialog stays
// open, or shows a box); the engine's part runs on the command executor, so the window never
// waits on the link lock.
#pragma once

#include <string>
#include <vector>

namespace vesk {

inline constexpr int kDialogAddressMax = 15;
inline constexpr int kDialogAmdMax = 90;
inline constexpr int kDialogChannelTextMax = 50;

// Lists filled when a dialog opens (snapshots).
std::vector<std::string> dialog_other_addresses(bool aqc_only_short);
std::vector<std::string> dialog_nets();
// "%.2d  RX %9ldHz - TX %9ldHz" for every scannable channel 1 to 256.
std::vector<std::string> dialog_channels();
// The linked-station table, read as one snapshot.
std::vector<std::string> dialog_linked_stations();
// The Stations Linked text: "NOT LINKED\r\n" while idle, else each linked station and "\r\n".
std::string dialog_stations_linked_text();

// The channel number at the start of a channel field: 1 to 256, or 0 when the text has no
// number there or one outside that range. `empty` is set for an empty field.
int dialog_channel_number(const std::string& field, bool* empty);
// A selector: letters and digits only.
bool dialog_selector_valid(const std::string& selector);

enum class Termination { Tis = 0, Tws = 1 };

// What an OK leads to.
struct DialogOutcome {
  bool close = true;
  std::string box_caption;  // non-empty: a warning box to show
  std::string box_text;
  bool focus_channel = false;  // the channel field was refused: the focus goes there
};

inline constexpr const char* kAqcAddressCaption = "AQC-ALE Address Length Warning";
inline constexpr const char* kAqcAddressText =
    "OWN Address for the current GROUP/Channel must\n be 6 characters or less for AQC-ALE operation\n";

DialogOutcome individual_call_ok(const std::string& address, const std::string& amd, Termination end);
DialogOutcome net_call_ok(const std::string& net, const std::string& amd, Termination end);
DialogOutcome group_call_ok(const std::vector<std::string>& fields, const std::string& amd, Termination end);
DialogOutcome global_allcall_ok(const std::string& channel, const std::string& amd, Termination end);
DialogOutcome global_anycall_ok(const std::string& channel, const std::string& amd);
DialogOutcome selective_allcall_ok(const std::string& channel, const std::string& selector, const std::string& amd,
                                   Termination end);
DialogOutcome selective_anycall_ok(const std::string& channel, const std::string& selector, const std::string& amd);
DialogOutcome individual_clear_ok(const std::string& address, const std::string& amd);
DialogOutcome group_clear_ok(const std::vector<std::string>& fields, const std::string& amd);
DialogOutcome clear_net_ok(const std::string& net, const std::string& amd);
DialogOutcome clear_global_allcall_ok(const std::string& amd);

}  // namespace vesk
