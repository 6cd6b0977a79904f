// The message and file dialogs, the Quick AMD dialog and the AQC-ALE order dialogs without the
// window: their address lists, the checks of their fields, and what each OK hands to the
// engine (on the command executor). Outcomes are those of the call dialogs (ui/call_dialogs.h);
// a refusal with a warning keeps the dialog open.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "ui/call_dialogs.h"

namespace vesk {

inline constexpr int kMessageTextMax = 64000;        // the DTM, DBM and TNC text fields
inline constexpr std::size_t kTransferTextMax = 10000;  // what one transfer text may hold
inline constexpr std::size_t kMil110AddressMax = 15;
inline constexpr int kAqcAddressMax = 6;

// The address field and list of the message dialogs: the preset text and the entries.
struct MessageAddresses {
  std::string preset;
  std::vector<std::string> entries;
};
// `own_fallback`: list own address 0 while a call is in progress with no linked station (DTM,
// DBM, MIL-STD 188-110); `with_global`: add "@?@" when linked (Send AMD).
MessageAddresses message_dialog_addresses(bool own_fallback, bool with_global);

// The box a dialog shows at start in AQC-ALE mode while not linked; empty when none.
struct AqcRestriction {
  bool ok_disabled = false;
  std::string caption, text;
};
enum class MessageDialog { SendAmd, Dtm, Dbm, FileTransfer, Mil110 };
AqcRestriction message_dialog_restriction(MessageDialog which);

DialogOutcome send_amd_ok(const std::string& address, const std::string& text);
// DTM (dtm true) or DBM; `broadcast`: BRD chosen; `terminate`: "Terminate when done".
DialogOutcome transfer_message_ok(bool dtm, const std::string& text, const std::string& address, bool broadcast,
                                  bool terminate);
DialogOutcome tnc_message_ok(const std::string& text);
// The TNC framing of a text by TNC type: the pieces in order (none for other types).
std::vector<std::string> tnc_message_pieces(int tnc_type, const std::string& text);
DialogOutcome file_transfer_ok(const std::string& address, const std::string& path, bool use_dbm);
DialogOutcome mil110_ok(const std::string& text, const std::string& address, bool broadcast, bool terminate);
// MILS-RX: the linked state without a handshake, waiting for the other station's traffic.
void mil110_rx(const std::string& address);
// MILS-TX: the linked state, "Terminate when done", its line, then OK.
DialogOutcome mil110_tx(const std::string& text, const std::string& address, bool broadcast);

// The FED-STD-1052 report: the address a sent-message report names and whether one is due,
// kept as one locked pair.
struct Fs1052Report {
  std::mutex mutex;
  int pending = 0;
  std::string address;
};
Fs1052Report& fs1052_report();
void fs1052_report_arm(const std::string& address);
void fs1052_report_clear();
// Takes a due report: its address, and the pending flag cleared. False when none is due.
bool fs1052_report_take(std::string* address);

// ---- the address collection of Quick AMD and the order dialogs ----

inline constexpr int kAddressSlots = 17;
inline constexpr int kDialogCalledMax = 15;  // the most addresses the engine's called list takes

struct AddressSlots {
  std::array<std::string, kAddressSlots> slots;
  // Into the first empty slot; false (nothing changes) when all are used.
  bool add(const std::string& address);
  // Empties every slot holding it.
  void remove(const std::string& address);
  // " A B ..." for the bordered line.
  std::string line() const;
  // The called list: the non-empty slots in order, or "?@?" alone.
  std::vector<std::string> called() const;
  int used() const;
};

// ---- Quick AMD ----

struct QuickAmdText {
  std::string coded;  // code bytes
  void type(char c);  // an ALE 64 character and 0x80
  void undo();
  void add_word(int index);           // Dictionary 0, entry index
  void add_phrase(int dictionary, int index);  // Dictionary 1 or 2
  // The expansion, built by the dictionaries with their own selection.
  std::string shown() const;
};
// The most code bytes one coded AMD carries (an AMD text holds at most 90); more are not added.
inline constexpr std::size_t kQuickAmdCodedMax = 90;
// The entries of the three lists: codes 2 to 31, and codes 96 to 127 of dictionaries 1 and 2.
std::vector<std::string> quick_amd_dictionary(int dictionary);
DialogOutcome quick_amd_ok(const QuickAmdText& text, const AddressSlots& slots, bool ack);

// ---- AQC-ALE orders ----

struct AqcOrderFields {
  std::vector<std::string> addresses;
  int ack = 0;
  int channel_or_slot = 0;
  int rx_mode_or_width = 0;
  int tx_mode = 0;
  int rx_freq_hz = 0;
  int tx_freq_hz = 0;
};
inline constexpr int kMeetMeFreqMin = 1000000;
inline constexpr int kMeetMeFreqMax = 30000000;
inline constexpr int kSlotNumberMax = 31;
inline constexpr int kSlotWidthMax = 2047;

DialogOutcome meet_me_ok(const std::string& rx_hz, bool rx_lsb, const std::string& tx_hz, bool tx_lsb,
                         const AddressSlots& slots, bool ack);
// The channels of Channel Definition: every in-use channel 1 to 256.
std::vector<std::string> order_channels();
DialogOutcome channel_definition_ok(const std::string& channel, const AddressSlots& slots, bool ack);
DialogOutcome slot_assignment_ok(const std::string& slot, const std::string& width, const AddressSlots& slots,
                                 bool ack);
DialogOutcome operator_ack_request_ok(const std::string& address);
DialogOutcome terminate_other_ok(const std::string& address);
DialogOutcome operator_ack_confirm_ok();
DialogOutcome terminate_own_ok();

// The last order handed to the engine's AQC-ALE entries, and its kind.
struct AqcOrders {
  std::mutex mutex;
  AqcOrderFields last;
  std::string last_kind;
};
AqcOrders& aqc_orders();

}  // namespace vesk
