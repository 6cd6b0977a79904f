#include "ui/call_dialogs.h"

#include <cctype>
#include <cstring>
#include <mutex>

#include "ale/frames/frame_sections.h"
#include "ale/link/aqc.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/words/ale_word.h"
#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"

namespace vesk {

namespace {

std::string field_text(const char* field, std::size_t size) { return std::string(field, strnlen(field, size)); }

bool aqc_mode() { return db_get_aqc_mode() == 1; }

// The own address of the current channel has 1 to 6 characters (checked in AQC-ALE mode).
bool own_address_fits_aqc() {
  ale_load_own_address();
  const std::size_t n = std::strlen(ale_own_address_text());
  return n >= 1 && n <= 6;
}

DialogOutcome aqc_refused() { return {true, kAqcAddressCaption, kAqcAddressText, false}; }

void set_ending(Termination end) {
  if (end == Termination::Tis)
    ale_end_calls_with_tis();
  else
    ale_end_calls_with_twas();
}

std::vector<std::string> non_empty(const std::vector<std::string>& fields) {
  std::vector<std::string> out;
  for (const std::string& f : fields)
    if (!f.empty()) out.push_back(f);
  return out;
}

// The channel field's check: 0 with `outcome` set when the dialog must not call.
int checked_channel(const std::string& channel, DialogOutcome& outcome) {
  bool empty = false;
  const int n = dialog_channel_number(channel, &empty);
  if (empty) return 0;  // closes without a call
  if (n == 0) outcome = {false, {}, {}, true};
  return n;
}

}  // namespace

std::vector<std::string> dialog_other_addresses(bool aqc_only_short) {
  std::vector<std::string> out;
  DbLock lock;
  for (int i = 0; i < kOtherAddressCount; ++i) {
    const OtherAddressRecord* r = db_get_other_address(lock, i);
    if (r == nullptr || r->in_use != 1) continue;
    const std::string name = field_text(r->address, sizeof r->address);
    if (!aqc_only_short || name.size() <= 6) out.push_back(name);
  }
  return out;
}

std::vector<std::string> dialog_nets() {
  std::vector<std::string> out;
  DbLock lock;
  for (int i = 0; i < kNetCount; ++i) {
    const NetRecord* r = db_get_net(lock, i);
    if (r != nullptr && r->in_use == 1) out.push_back(field_text(r->address, sizeof r->address));
  }
  return out;
}

std::vector<std::string> dialog_channels() {
  std::vector<std::string> out;
  for (int n = 1; n <= 256; ++n) {
    if (db_channel_scannable(n) != 1) continue;
    long rx = 0, tx = 0;
    {
      DbLock lock;
      const ChannelRecord& c = lock.db().channels[static_cast<std::size_t>(n % kChannelCount)];
      rx = c.rx_freq_hz;
      tx = c.tx_freq_hz;
    }
    char line[80];
    std::snprintf(line, sizeof line, "%.2d  RX %9ldHz - TX %9ldHz", n, rx, tx);
    out.emplace_back(line);
  }
  return out;
}

std::vector<std::string> dialog_linked_stations() {
  char names[kLinkedTableSize][kLinkAddressSize] = {};
  const int n = ale_linked_names(names, kLinkedTableSize);
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i)
    if (names[i][0] != '\0') out.emplace_back(names[i]);
  return out;
}

std::string dialog_stations_linked_text() {
  if (ale_is_idle() == 1) return "NOT LINKED\r\n";
  std::string text;
  for (const std::string& s : dialog_linked_stations()) text += s + "\r\n";
  return text;
}

int dialog_channel_number(const std::string& field, bool* empty) {
  std::size_t at = 0;
  while (at < field.size() && field[at] == ' ') ++at;
  if (empty != nullptr) *empty = at == field.size();
  long n = 0;
  std::size_t digits = 0;
  for (; at < field.size() && std::isdigit(static_cast<unsigned char>(field[at])) && digits < 4; ++at, ++digits)
    n = n * 10 + (field[at] - '0');
  if (digits == 0 || (at < field.size() && std::isdigit(static_cast<unsigned char>(field[at])))) return 0;
  return n >= 1 && n <= 256 ? static_cast<int>(n) : 0;
}

bool dialog_selector_valid(const std::string& selector) {
  for (char c : selector)
    if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c))) return false;
  return !selector.empty();
}

DialogOutcome individual_call_ok(const std::string& address, const std::string& amd, Termination end) {
  const bool aqc = aqc_mode();
  const bool line = db_get_scan_active() != 1;
  const bool fits = !aqc || own_address_fits_aqc();
  mmi_post_task([=] {
    set_ending(end);
    if (line) log_stamped_line(aqc ? "AQC-ALE INDIVIDUAL CALL LINK" : "ALE INDIVIDUAL CALL LINK");
    if (fits) ale_place_call(AddressList{address}, amd.c_str());
  });
  return fits ? DialogOutcome{} : aqc_refused();
}

DialogOutcome net_call_ok(const std::string& net, const std::string& amd, Termination end) {
  const bool aqc = aqc_mode();
  const bool fits = !aqc || own_address_fits_aqc();
  mmi_post_task([=] {
    set_ending(end);
    log_stamped_line(aqc ? "AQC-ALE NET CALL LINK" : "ALE NET CALL LINK");
    if (fits) ale_place_call(AddressList{net}, amd.c_str());
  });
  return fits ? DialogOutcome{} : aqc_refused();
}

DialogOutcome group_call_ok(const std::vector<std::string>& fields, const std::string& amd, Termination end) {
  const AddressList list = non_empty(fields);
  mmi_post_task([=] {
    set_ending(end);
    if (list.empty()) return;
    log_stamped_line("ALE GROUP CALL INITIATED");
    ale_place_call(list, amd.c_str());
  });
  return {};
}

DialogOutcome global_allcall_ok(const std::string& channel, const std::string& amd, Termination end) {
  const bool aqc = aqc_mode();
  if (aqc && !own_address_fits_aqc()) return aqc_refused();
  DialogOutcome outcome;
  const int n = checked_channel(channel, outcome);
  if (n == 0) return outcome;
  // In AQC-ALE mode the ending is fixed to TWS: OK always places the call.
  const Termination ending = aqc ? Termination::Tws : end;
  mmi_post_task([=] {
    if (!aqc) ale_load_own_address();
    set_ending(ending);
    ale_global_allcall(n, aqc ? "" : amd.c_str());
    log_stamped_line(aqc ? "AQC-ALE GLOBAL ALLCALL LINK"
                : ending == Termination::Tis ? "ALE GLOBAL ALLCALL THIS IS LINK" : "ALE GLOBAL ALLCALL THIS WAS LINK");
  });
  return outcome;
}

DialogOutcome global_anycall_ok(const std::string& channel, const std::string& amd) {
  const bool aqc = aqc_mode();
  if (aqc && !own_address_fits_aqc()) return aqc_refused();
  DialogOutcome outcome;
  const int n = checked_channel(channel, outcome);
  if (n == 0) return outcome;
  mmi_post_task([=] {
    if (!aqc) ale_load_own_address();
    ale_global_anycall(n, aqc ? "" : amd.c_str());
    log_stamped_line(aqc ? "AQC-ALE GLOBAL ANYCALL LINK" : "ALE GLOBAL ANYCALL LINK");
  });
  return outcome;
}

namespace {

DialogOutcome selective_ok(bool anycall, const std::string& channel, const std::string& selector,
                           const std::string& amd, Termination end) {
  const bool aqc = aqc_mode();
  if (aqc && !own_address_fits_aqc()) return aqc_refused();
  DialogOutcome outcome;
  bool empty = false;
  dialog_channel_number(channel, &empty);
  if (empty || selector.empty()) return outcome;  // closes without a call
  const std::size_t max = anycall ? 2 : 1;
  if (!dialog_selector_valid(selector) || selector.size() > max) return {false, {}, {}, false};
  const int n = checked_channel(channel, outcome);
  if (n == 0) return outcome;
  mmi_post_task([=] {
    if (!aqc) ale_load_own_address();
    set_ending(anycall ? Termination::Tis : end);
    if (anycall) {
      log_stamped_line(aqc ? "AQC-ALE ANYCALL LINK" : "ALE ANYCALL LINK");
      ale_selective_anycall(n, selector.c_str(), aqc ? "" : amd.c_str());
    } else {
      log_stamped_line(aqc ? "AQC-ALE SELECTIVE ALLCALL LINK" : "ALE SELECTIVE ALLCALL LINK");
      ale_selective_allcall(n, selector.c_str(), aqc ? "" : amd.c_str());
    }
  });
  return outcome;
}

}  // namespace

DialogOutcome selective_allcall_ok(const std::string& channel, const std::string& selector, const std::string& amd,
                                   Termination end) {
  return selective_ok(false, channel, selector, amd, end);
}

DialogOutcome selective_anycall_ok(const std::string& channel, const std::string& selector, const std::string& amd) {
  return selective_ok(true, channel, selector, amd, Termination::Tis);
}

DialogOutcome individual_clear_ok(const std::string& address, const std::string& amd) {
  const std::string target = address.empty() ? "?@?" : address;
  mmi_post_task([=] {
    // The AMD and the clear as one action: the link cannot end between them.
    std::lock_guard<std::recursive_mutex> link(link_state().lock);
    const bool aqc = aqc_rx_word_is_aqc() == 1;
    if (!amd.empty() && !aqc) ale_queue_message(amd.c_str(), ale_section_push_traffic);
    aqc_set_second_word_flag(0);
    log_stamped_line(aqc ? "RADIO: AQC-ALE INDIVIUAL CLEAR LINK" : "RADIO: ALE INDIVIUAL CLEAR LINK");
    ale_terminate_link(AddressList{target}, "");
  });
  return {};
}

DialogOutcome group_clear_ok(const std::vector<std::string>& fields, const std::string& amd) {
  const AddressList list = non_empty(fields);
  if (!list.empty()) mmi_post_task([=] { ale_terminate_link(list, amd.c_str()); });
  return {};
}

DialogOutcome clear_net_ok(const std::string& net, const std::string& amd) {
  const bool aqc = aqc_mode();
  mmi_post_task([=] {
    if (!net.empty()) ale_terminate_link(AddressList{net}, aqc ? "" : amd.c_str());
    log_stamped_line(aqc ? "RADIO: AQC-ALE NET CLEAR LINK" : "RADIO: ALE NET CLEAR LINK");
  });
  return {};
}

DialogOutcome clear_global_allcall_ok(const std::string& amd) {
  const bool aqc = aqc_mode();
  mmi_post_task([=] {
    ale_terminate_link(AddressList{"@?@"}, amd.c_str());
    log_stamped_line(aqc ? "RADIO: AQC-ALE GLOBAL ALLCALL CLEAR LINK" : "RADIO: ALE GLOBAL ALLCALL CLEAR LINK");
  });
  return {};
}

}  // namespace vesk
