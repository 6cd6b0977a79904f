#include "ui/message_dialogs.h"

#include <cctype>
#include <cstring>
#include <fstream>

#include "ale/engine/api_event.h"
#include "ale/frames/dictionaries.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/link/amd_retry.h"
#include "ale/link/ale_timing.h"
#include "ale/link/aqc.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "db/ale_chars.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "datalink/fs1052_binding.h"
#include "ale/messages/file_transfer.h"
#include "platform/station.h"
#include "radio/muting.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "ui/data_bar.h"

namespace vesk {

namespace {

std::string field_text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

bool aqc_mode() { return db_get_aqc_mode() == 1; }

DialogOutcome warn(const char* caption, const std::string& text) { return {false, caption, text, false}; }

// Keeps the order as the last one handed to the engine, for the operator's record.
void aqc_order_record(const char* kind, const AqcOrderFields& fields) {
  AqcOrders& o = aqc_orders();
  std::lock_guard<std::mutex> lock(o.mutex);
  o.last = fields;
  o.last_kind = kind;
}

// The engine's request record of the fields (the called list is at most 15 long, checked by OK).
AqcOrderRequest aqc_engine_request(const AqcOrderFields& f) {
  AqcOrderRequest r;
  for (const std::string& a : f.addresses) {
    if (r.count >= kAqcRequestAddressesMax) break;
    r.addresses[static_cast<std::size_t>(r.count++)] = a;
  }
  r.ack = f.ack;
  r.channel.channel = f.channel_or_slot;
  r.channel.rx_mode = f.rx_mode_or_width;
  r.channel.tx_mode = f.tx_mode;
  r.channel.rx_hz = f.rx_freq_hz;
  r.channel.tx_hz = f.tx_freq_hz;
  r.slot = f.channel_or_slot;
  r.slot_value = f.rx_mode_or_width;
  return r;
}

// A whole decimal number in [min, max]; false for anything else.
bool read_number(const std::string& text, long min, long max, long* out) {
  if (text.empty() || text.size() > 9) return false;
  long n = 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    n = n * 10 + (c - '0');
  }
  if (n < min || n > max) return false;
  *out = n;
  return true;
}

bool all_in_64set(const std::string& s) {
  for (char c : s)
    if (!ale_char_in_64set(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

MessageAddresses message_dialog_addresses(bool own_fallback, bool with_global) {
  MessageAddresses m;
  if (ale_is_idle() == 1) {
    m.entries = dialog_other_addresses(false);
    return m;
  }
  const std::vector<std::string> linked = dialog_linked_stations();
  if (!linked.empty()) {
    m.preset = linked.front();
    m.entries.assign(linked.begin() + 1, linked.end());
    if (with_global) m.entries.push_back("@?@");
  } else if (own_fallback) {
    DbLock lock;
    if (const OwnAddressRecord* r = db_get_own_address(lock, 0); r != nullptr)
      m.entries.push_back(field_text(r->address, sizeof r->address));
  }
  return m;
}

AqcRestriction message_dialog_restriction(MessageDialog which) {
  if (!aqc_mode() || ale_link_state() == ALE_STATE_LINKED_IDLE) return {};
  switch (which) {
    case MessageDialog::SendAmd:
      return {true, "AQC-ALE Send AMD Warning", "Send AMD Message is not supported by AQC-ALE at linking"};
    case MessageDialog::Dtm: return {true, "AQC-ALE DTM Warning", "DTM is not supported by AQC-ALE at linking"};
    case MessageDialog::Dbm: return {true, "AQC-ALE DBM Warning", "DBM is not supported by AQC-ALE at linking"};
    case MessageDialog::FileTransfer:
      return {true, "AQC-ALE DBM FTP Warning", "FTP is not supported by AQC-ALE at linking"};
    case MessageDialog::Mil110: return {true, {}, {}};
  }
  return {};
}

DialogOutcome send_amd_ok(const std::string& address, const std::string& text) {
  if (!all_in_64set(text))
    return warn("Send AMD Message", "The AMD text holds characters outside the ALE 64-character set.");
  const bool aqc = aqc_mode();
  mmi_post_task([=] {
    if (!text.empty()) {
      if (ale_is_idle() != 1) {
        const std::string to = address.empty() ? "?@?" : address;
        const bool linked = ale_link_state() == ALE_STATE_LINKED_IDLE;
        log_stamped_line(aqc ? (linked ? "RADIO: AQC-ALE AMD MESSAGE SENDING" : "RADIO: AQC-ALE INDIVIDUAL CALL LINK")
                    : (linked ? "RADIO: ALE AMD MESSAGE SENDING" : "RADIO: ALE INDIVIDUAL CALL LINK"));
        aqc_set_second_word_flag(1);
        ale_end_calls_with_tis();
        ale_send_amd_linked(to.c_str(), text.c_str());
      } else if (!address.empty()) {
        if (db_get_scan_active() != 1)
          log_stamped_line(aqc ? "RADIO: AQC-ALE INDIVIDUAL LINKING CALL INITIATED" : "RADIO: ALE INDIVIDUAL LINKING CALL INITIATED");
        ale_end_calls_with_tis();
        ale_call_address(address.c_str(), text.c_str());
      }
    }
    ale_set_amd_retry_counter(0);
  });
  return {};
}

DialogOutcome transfer_message_ok(bool dtm, const std::string& text, const std::string& address, bool broadcast,
                                  bool terminate) {
  if (text.size() > kTransferTextMax)
    return warn(dtm ? "Enter DTM Message" : "Enter DBM Message",
                "The message holds " + std::to_string(text.size()) + " characters; at most 10000 can be sent.");
  const bool aqc = aqc_mode();
  mmi_post_task([=] {
    if (!text.empty() && !address.empty()) {
      const char* kind = dtm ? "DTM" : "DBM";
      if (broadcast) {
        if (db_get_linked_twx() == 1) {
          db_set_linked_twx(0);
          log_stamped_line(std::string("OPTIONS: LINKED TWX AUTOMATICALLY DISABLED FOR ") + kind + " BRD");
        }
        aqc_set_first_word_flag(0);
        dtm ? db_set_dtm_broadcast() : db_set_dbm_broadcast();
      } else {
        if (db_get_linked_twx() == 0) {
          db_set_linked_twx(1);
          log_stamped_line(std::string("OPTIONS: LINKED TWX AUTOMATICALLY ENABLED FOR ") + kind + " ARQ");
        }
        aqc_set_first_word_flag(1);
        dtm ? db_set_dtm_arq() : db_set_dbm_arq();
      }
      // The AQC-ALE words of the call carry the acknowledgement choice and "data follows".
      aqc_set_second_word_flag(1);
      xfer_set_dest_address(address.c_str());
      if (ale_is_idle() == 1) {
        log_stamped_line(std::string(kind) + " IMMEDIATE MODE INDIVIDUAL CALL LINK");
        ale_end_calls_with_tis();
        ale_call_address(address.c_str(), "");
      }
      if (ale_link_state() == ALE_STATE_LINKED_IDLE)
        log_stamped_line(std::string(aqc ? "AQC-ALE " : "ALE ") + kind + " MESSAGE SENDING");
      dtm ? xfer_select_dtm_path() : xfer_select_dbm_path();
      ui_transfer_send(text + "\n", 0);
      ui_set_terminate_when_done(terminate ? 1 : 0);
    }
    ale_set_amd_retry_counter(-1);
  });
  return {};
}

std::vector<std::string> tnc_message_pieces(int tnc_type, const std::string& text) {
  std::vector<std::string> pieces;
  auto add_text = [&](const std::string& t) {
    for (std::size_t at = 0; at < t.size(); at += kTncPieceMax) pieces.push_back(t.substr(at, kTncPieceMax));
  };
  if (tnc_type >= 0 && tnc_type <= 3) {
    pieces.push_back(std::string("\x03T", 2));
    add_text(text + "\n");
    pieces.push_back("\r");
    pieces.push_back(std::string("\x03" "E", 2));
  } else if (tnc_type >= 4 && tnc_type <= 9) {
    add_text(text);
    pieces.push_back("\r");
    pieces.push_back(std::string("\x04\r", 2));
  }
  return pieces;
}

DialogOutcome tnc_message_ok(const std::string& text) {
  if (text.empty()) return {true, "No Message!", "TNC Message", false};
  if (!serial_control(SERIAL_ROLE_TNC).is_open())
    return warn("Enter TNC Message", "The TNC port is closed: the message cannot be sent.");
  const std::vector<std::string> pieces = tnc_message_pieces(db_get_tnc_type(), text);
  mmi_post_task([pieces] {
    for (const std::string& p : pieces) tnc_send(reinterpret_cast<const uint8_t*>(p.data()), static_cast<int>(p.size()));
    if (!pieces.empty()) timer_start_twa();
  });
  return {};
}

DialogOutcome file_transfer_ok(const std::string& address, const std::string& path, bool use_dbm) {
  std::ifstream file(path, std::ios::binary);
  if (path.empty() || !file.good())
    return warn("File Transfer Dialog", path.empty() ? "No file chosen." : "Cannot read the file " + path + ".");
  mmi_post_task([=] {
    if (use_dbm) {
      xfer_use_dbm_for_ftp();
      ale_set_amd_retry_counter(-1);  // a file send ends an armed automatic AMD retry
    } else {
      xfer_use_modem_for_ftp();
    }
    xfer_set_file_path(path.c_str());
    xfer_set_dest_cstring(address.c_str());
    xfer_request_send();
  });
  return {};
}

Fs1052Report& fs1052_report() { return station().state<Fs1052Report>(); }

void fs1052_report_arm(const std::string& address) {
  Fs1052Report& r = fs1052_report();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.address = address;
  r.pending = 1;
}

void fs1052_report_clear() {
  Fs1052Report& r = fs1052_report();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.pending = 0;
}

bool fs1052_report_take(std::string* address) {
  Fs1052Report& r = fs1052_report();
  std::lock_guard<std::mutex> lock(r.mutex);
  if (r.pending <= 0) return false;
  r.pending = 0;
  if (address != nullptr) *address = r.address;
  return true;
}

DialogOutcome mil110_ok(const std::string& text, const std::string& address, bool broadcast, bool terminate) {
  if (text.size() > kTransferTextMax)
    return warn("Enter MIL-STD 188-110 Message", "The message holds " + std::to_string(text.size()) +
                                                     " characters; at most 10000 can be sent.");
  const bool async = db_get_data_link_mode() == 0;
  if (!async && address.size() > kMil110AddressMax)
    return warn("Enter MIL-STD 188-110 Message", "The address holds more than 15 characters.");
  mmi_post_task([=] {
    if (text.empty() || (!async && address.empty())) return;
    if (!async && ale_is_idle() == 1) {
      // While idle the text goes once, in the immediate-call request: the transfer queue
      // calls the station and sends it over the link once linked.
      log_stamped_line("FS-1052 IMMEDIATE MODE INDIVIDUAL CALL LINK");
      ApiEvent* e = api_alloc(static_cast<int>(text.size()) + 1);
      if (e != nullptr) {
        e->kind = API_QUEUED_TRANSFER;
        std::snprintf(e->addresses[0], kApiAddressSize, "%s", address.c_str());
        e->address_count = 1;
        e->payload_length = static_cast<int>(text.size()) + 1;
        e->payload()[0] = 4;
        std::memcpy(e->payload() + 1, text.data(), text.size());
        api_post(e);
      }
    } else {
      if (!async) fs1052_set_remote_address(address.c_str());
      xfer_select_modem_path();
      ui_transfer_send(text, broadcast ? 1 : 0);
    }
    ui_set_terminate_when_done(terminate ? 1 : 0);
    // Every send names its own address in the report (the asynchronous modem's too).
    fs1052_report_arm(async ? (address.empty() ? "@?@" : address) : "@?@");
  });
  return {};
}

void mil110_rx(const std::string& address) {
  mmi_post_task([address] {
    fs1052_set_remote_address(address.c_str());
    xfer_select_modem_path();
    radio_on_linked();
    ale_enter_linked();
    log_stamped_line("FS-1052 VESK IMMEDIATE LINK STATE RX");
  });
}

DialogOutcome mil110_tx(const std::string& text, const std::string& address, bool broadcast) {
  mmi_post_task([] {
    radio_on_linked();
    ale_enter_linked();
    log_stamped_line("FS-1052 VESK IMMEDIATE LINK STATE TX");
  });
  return mil110_ok(text, address, broadcast, true);
}

// ---- address slots ----

bool AddressSlots::add(const std::string& address) {
  if (address.empty()) return false;
  for (std::string& s : slots)
    if (s.empty()) {
      s = address;
      return true;
    }
  return false;
}

void AddressSlots::remove(const std::string& address) {
  for (std::string& s : slots)
    if (s == address) s.clear();
}

std::string AddressSlots::line() const {
  std::string out;
  for (const std::string& s : slots)
    if (!s.empty()) out += " " + s;
  return out;
}

std::vector<std::string> AddressSlots::called() const {
  std::vector<std::string> out;
  for (const std::string& s : slots)
    if (!s.empty()) out.push_back(s);
  if (out.empty()) out.push_back("?@?");
  return out;
}

int AddressSlots::used() const {
  int n = 0;
  for (const std::string& s : slots) n += s.empty() ? 0 : 1;
  return n;
}

namespace {
DialogOutcome too_many(const AddressSlots& slots, const char* caption) {
  return warn(caption, "At most 15 addresses can be called; " + std::to_string(slots.used()) + " are chosen.");
}
}  // namespace

// ---- Quick AMD ----

void QuickAmdText::type(char c) {
  if (coded.size() + 2 > kQuickAmdCodedMax || !ale_char_in_64set(static_cast<unsigned char>(c))) return;
  coded += c;
  coded += '\x80';
}

void QuickAmdText::undo() {
  if (!coded.empty()) coded.pop_back();
}

void QuickAmdText::add_word(int index) {
  if (index < 0 || index > 29 || coded.size() + 3 > kQuickAmdCodedMax) return;
  coded += static_cast<char>(2 + index);
  coded += '\x20';
  coded += '\x80';
}

void QuickAmdText::add_phrase(int dictionary, int index) {
  if ((dictionary != 1 && dictionary != 2) || index < 0 || index > 31 || coded.size() + 4 > kQuickAmdCodedMax) return;
  coded += static_cast<char>(dictionary == 1 ? 0x80 : 0x81);
  coded += static_cast<char>(96 + index);
  coded += '\x20';
  coded += '\x80';
}

std::string QuickAmdText::shown() const {
  return amd_expand_coded_text(reinterpret_cast<const uint8_t*>(coded.data()), coded.size());
}

std::vector<std::string> quick_amd_dictionary(int dictionary) {
  std::vector<std::string> out;
  if (dictionary == 0)
    for (int code = 2; code <= 31; ++code) out.push_back(amd_phrase_text(1, code));
  else
    for (int code = 96; code <= 127; ++code) out.push_back(amd_phrase_text(dictionary, code));
  return out;
}

DialogOutcome quick_amd_ok(const QuickAmdText& text, const AddressSlots& slots, bool ack) {
  if (slots.used() > kDialogCalledMax) return too_many(slots, "Quick AMD Message");
  if (text.coded.empty()) return {};
  AqcOrderFields r;
  r.addresses = slots.called();
  r.ack = ack ? 1 : 0;
  const std::string coded = text.coded;
  // The engine's AQC-ALE AMD call queues the coded text itself, without reading the
  // binary-message flag; the flag is left alone, so no later call carries a stale binary message.
  mmi_post_task([r, coded] {
    aqc_order_record("DICTIONARY AMD", r);
    std::vector<const char*> list;
    for (const std::string& a : r.addresses) list.push_back(a.c_str());
    aqc_set_second_word_flag(1);
    aqc_call_with_amd(list.data(), static_cast<int>(list.size()), coded.c_str(), r.ack);
  });
  return {};
}

// ---- AQC-ALE orders ----

AqcOrders& aqc_orders() { return station().state<AqcOrders>(); }

DialogOutcome meet_me_ok(const std::string& rx_hz, bool rx_lsb, const std::string& tx_hz, bool tx_lsb,
                         const AddressSlots& slots, bool ack) {
  long rx = 0, tx = 0;
  const std::string range = "Enter a frequency from 1000000 to 30000000 Hz, in steps of 100 Hz.";
  if (!read_number(rx_hz, kMeetMeFreqMin, kMeetMeFreqMax, &rx) || rx % 100 != 0) return warn("Meet Me", range);
  if (!read_number(tx_hz, kMeetMeFreqMin, kMeetMeFreqMax, &tx) || tx % 100 != 0) return warn("Meet Me", range);
  if (slots.used() > kDialogCalledMax) return too_many(slots, "Meet Me");
  AqcOrderFields r;
  r.addresses = slots.called();
  r.ack = ack ? 1 : 0;
  r.channel_or_slot = 0;
  r.rx_mode_or_width = rx_lsb ? 0 : 1;
  r.tx_mode = tx_lsb ? 0 : 1;
  r.rx_freq_hz = static_cast<int>(rx);
  r.tx_freq_hz = static_cast<int>(tx);
  mmi_post_task([r] {
    aqc_order_record("MEET ME", r);
    aqc_send_channel_command(aqc_engine_request(r));
  });
  return {};
}

std::vector<std::string> order_channels() {
  std::vector<std::string> out;
  DbLock lock;
  for (int n = 1; n <= 256; ++n) {
    const ChannelRecord* c = db_get_channel(lock, n);
    if (c == nullptr || c->in_use != 1) continue;
    char line[80];
    std::snprintf(line, sizeof line, "%.2d  RX %9ldHz - TX %9ldHz", n, static_cast<long>(c->rx_freq_hz),
                  static_cast<long>(c->tx_freq_hz));
    out.emplace_back(line);
  }
  return out;
}

DialogOutcome channel_definition_ok(const std::string& channel, const AddressSlots& slots, bool ack) {
  bool empty = false;
  const int n = dialog_channel_number(channel, &empty);
  AqcOrderFields r;
  {
    DbLock lock;
    const ChannelRecord* c = n == 0 ? nullptr : db_get_channel(lock, n);
    if (c == nullptr || c->in_use != 1) {
      DialogOutcome o = warn("Channel Definition", "Choose a channel in use, 1 to 256.");
      o.focus_channel = true;
      return o;
    }
    r.channel_or_slot = n;
    r.rx_mode_or_width = c->rx_mode;
    r.tx_mode = c->tx_mode;
    r.rx_freq_hz = c->rx_freq_hz;
    r.tx_freq_hz = c->tx_freq_hz;
  }
  if (slots.used() > kDialogCalledMax) return too_many(slots, "Channel Definition");
  r.addresses = slots.called();
  r.ack = ack ? 1 : 0;
  mmi_post_task([r] {
    aqc_order_record("CHANNEL DEFINITION", r);
    aqc_send_channel_command(aqc_engine_request(r));
  });
  return {};
}

DialogOutcome slot_assignment_ok(const std::string& slot, const std::string& width, const AddressSlots& slots,
                                 bool ack) {
  long s = 0, w = 0;
  if (!read_number(slot, 0, kSlotNumberMax, &s)) return warn("Slot Assignment", "Enter a slot number from 0 to 31.");
  if (!read_number(width, 0, kSlotWidthMax, &w)) return warn("Slot Assignment", "Enter a slot width from 0 to 2047.");
  if (slots.used() > kDialogCalledMax) return too_many(slots, "Slot Assignment");
  AqcOrderFields r;
  r.addresses = slots.called();
  r.ack = ack ? 1 : 0;
  r.channel_or_slot = static_cast<int>(s);
  r.rx_mode_or_width = static_cast<int>(w);
  mmi_post_task([r] {
    aqc_order_record(r.addresses.size() > 1 ? "GROUP SLOT ASSIGNMENT" : "SLOT ASSIGNMENT", r);
    aqc_send_slot_assignment(aqc_engine_request(r));
  });
  return {};
}

namespace {
DialogOutcome one_address_order(const char* kind, const char* caption, const std::string& address,
                                void (*send)(const char*)) {
  if (address.size() > static_cast<std::size_t>(kAqcAddressMax))
    return warn(caption, "An AQC-ALE address has at most 6 characters.");
  AqcOrderFields r;
  r.addresses = {address};
  mmi_post_task([r, kind, send] {
    aqc_order_record(kind, r);
    send(r.addresses.front().c_str());
  });
  return {};
}
}  // namespace

DialogOutcome operator_ack_request_ok(const std::string& address) {
  return one_address_order("OPERATOR ACK REQUEST", "Operator ACK Request", address, aqc_send_req);
}
DialogOutcome terminate_other_ok(const std::string& address) {
  return one_address_order("TERMINATE OTHER", "Terminate Other Address", address, aqc_terminate_other);
}
DialogOutcome operator_ack_confirm_ok() {
  mmi_post_task([] {
    aqc_order_record("OPERATOR ACK", AqcOrderFields{});
    aqc_send_ack();
  });
  return {};
}
DialogOutcome terminate_own_ok() {
  mmi_post_task([] {
    aqc_order_record("TERMINATE OWN", AqcOrderFields{{"?@?"}});
    aqc_terminate_own();
  });
  return {};
}

}  // namespace vesk
