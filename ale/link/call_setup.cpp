// Call set-up and link termination.
#include "ale/link/call_setup.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "db/ale_chars.h"
#include "ale/link/ale_timing.h"
#include "ale/engine/api_event.h"
#include "ale/engine/events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/aqc.h"
#include "ale/link/link_state.h"
#include "ale/link/scan_monitor.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/link/state_machine.h"
#include "ale/engine/timer.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/muting.h"
#include "platform/hook.h"
#include "platform/station.h"

namespace vesk {

CallSetupState& call_setup() { return station().state<CallSetupState>(); }

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

void copy16(std::array<char, 16>& dst, const char* src) {
  dst.fill('\0');
  if (src != nullptr) std::memcpy(dst.data(), src, strnlen(src, dst.size() - 1));
}

// The addresses as the tables keep them: at most 15 characters each.
AddressList to_list(const AddressList& addresses) {
  AddressList list;
  for (const std::string& a : addresses) list.push_back(a.substr(0, 15));
  return list;
}

void set_peer_station(int other_index) {
  CallPeer& p = call_setup().peer;
  p = CallPeer{};
  p.other_index = other_index;
}

void set_pseudo_peer(const char* address, int twr_ms = kNullAddressTwrMs, int tt_ms = kNullAddressTtMs) {
  CallPeer& p = call_setup().peer;
  p = CallPeer{};
  p.pseudo = true;
  copy16(p.address, address);
  p.twr_ms = twr_ms;
  p.tt_ms = tt_ms;
}

// The own address of a net, or "" when the net or its own address is missing.
std::string net_own_address(int net) {
  DbLock lock;
  const NetRecord* n = db_get_net(lock, net);
  if (n == nullptr) return "";
  const OwnAddressRecord* own = db_get_own_address(lock, n->own_index);
  return own != nullptr && own->in_use == 1 ? std::string(own->address) : std::string();
}

std::string net_name(int net) {
  DbLock lock;
  const NetRecord* n = db_get_net(lock, net);
  return n != nullptr ? std::string(n->address) : std::string();
}

// The message goes with the acknowledgement of a handshake when a response is asked for,
// else in the calling frame itself.
int (*message_queue())(FrameSection*) {
  return ale_call_ending() == ALE_ENDING_TIS ? ale_section_push_poll : ale_section_push_call;
}

void start_initiate(int event) { timer_start(event, kCallInitiateDelayMs); }

int rank(const AddressList& list) {
  CallSetupState& c = call_setup();
  int size = 0;
  if (lqa_rank_channels(list, c.channels.data(), &size) != 0) {
    c.channel_count = 0;
    return 1;
  }
  c.channel_count = size;
  c.channel_next = 0;
  return 0;
}

// The call cannot be made: the addresses given become the called list for the FAILED line.
void fail_call(const AddressList& given) {
  ale_set_called_list(AddressList(given.begin(), given.begin() + std::min<std::ptrdiff_t>(given.size(), kCalledListMax)));
  ale_call_failed();
}

void tune_to(int channel) {
  if (db_channel_in_use(channel) != 0) ale_tune_channel(channel);
}

// The stations a call, an in-link send or a link termination is for.
struct CallTarget {
  const char* text = "";  // the message, "" for none
  AddressList given;      // as given, each cut to the tables' 15 characters
  AddressList list;       // as classified: a net's members, a group's known stations
  std::string first;      // the first address given, or ""
  int cls = CALL_CLASS_NOT_CALLABLE;
};

// What every call entry point starts with: the signalling mode the call goes out in, the first
// address remembered, the own address loaded, the addresses classified.
CallTarget begin_call(const AddressList& addresses, const char* message) {
  // The call goes out in AQC-ALE signalling when that option is on: its waits are reckoned so.
  ale_set_signalling_mode(db_get_aqc_mode() != 0 ? ALE_SIGNALLING_ALTERNATE : ALE_SIGNALLING_NORMAL);
  CallTarget target;
  target.text = message == nullptr ? "" : message;
  target.given = to_list(addresses);
  target.first = target.given.empty() ? std::string() : target.given[0];
  copy16(call_setup().first_address, target.first.c_str());
  ale_load_own_address();
  target.list = target.given;
  target.cls = ale_classify_call(target.list);
  ale_set_call_class(target.cls);
  return target;
}

// The start of a call over the channels ranked for `list`: the dwell ends, the call type is set
// and the first channel tuned. False when no channel is left to call on.
bool start_on_ranked_channels(const AddressList& list, int call_type) {
  if (rank(list) != 0) return false;
  timer_stop(EV_DWELL_TIMER);
  ale_set_call_type(call_type);
  return ale_next_call_channel() == 0;
}

// The end of a call over ranked channels: the stations called are the answers awaited, the
// message is queued and the call starts.
void initiate_listed_call(const CallTarget& target, int event) {
  ale_called_clear();
  ale_called_add_all(target.list);
  ale_queue_message(target.text, message_queue());
  start_initiate(event);
}

}  // namespace

int ale_call_peer_index() {
  const CallPeer& p = call_setup().peer;
  return p.pseudo ? -1 : p.other_index;
}

int ale_classify_call(AddressList& addresses) {
  if (addresses.empty()) return CALL_CLASS_NOT_CALLABLE;
  if (addresses.size() == 1) {
    const std::string& a = addresses[0];
    if (a == "@@@") return CALL_CLASS_NULL_ADDRESS;
    if (a == "?@?") return CALL_CLASS_INLINK;
    if (a.size() >= 2 && a[0] == '@') return a[1] == '@' ? CALL_CLASS_ANYCALL : CALL_CLASS_ALLCALL;
    if (db_find_other_address_index(a.c_str()) >= 0) return CALL_CLASS_INDIVIDUAL;
    const int net = db_find_net_index(a.c_str());
    if (net < 0) return CALL_CLASS_NOT_CALLABLE;
    AddressList members;
    {
      DbLock lock;
      const NetRecord* n = db_get_net(lock, net);
      const int count = std::min<int>(n->member_count, kNetMemberSlots);
      for (int i = 0; i < count; ++i) {
        if (i == n->own_slot) continue;
        const OtherAddressRecord* o = db_get_other_address(lock, n->members[i]);
        if (o != nullptr && o->in_use == 1) members.emplace_back(o->address);
      }
    }
    addresses = members;
    return CALL_CLASS_NET;
  }
  AddressList known;
  for (const std::string& a : addresses) {
    if (db_find_other_address_index(a.c_str()) >= 0) known.push_back(a);
    else log_unknown_other_address(a.c_str());
  }
  addresses = known;
  return known.empty() ? CALL_CLASS_NOT_CALLABLE : CALL_CLASS_GROUP;
}

// A new call awaits the answers of its own stations only: the called list is replaced, so that
// calls that went unanswered never fill it up.
void ale_place_call(const AddressList& addresses, const char* message) {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  const CallTarget target = begin_call(addresses, message);
  c.channel_next = 0;
  c.channel_count = 0;
  c.attempts_left = db_get_sounding_attempts();
  ale_slot_width_reset();
  int longest = 0;
  for (const std::string& a : target.given) longest = std::max(longest, ale_address_word_count(a));

  switch (target.cls) {
    case CALL_CLASS_NET: {
      const int net = db_find_net_index(target.first.c_str());
      c.peer_net = net;
      if (net < 0 || !start_on_ranked_channels(target.list, ALE_CALL_NET)) return fail_call(target.given);
      const std::string name = net_name(net);
      ale_set_called(name.c_str());
      // The net's own address is the frame's own address on every channel of the call.
      const std::string own = net_own_address(net);
      if (!own.empty()) ale_set_own_address(own.c_str());
      ale_twrn_net(net, db_get_lqa());
      return initiate_listed_call(target, EV_INITIATE_NET_CALL);
    }
    case CALL_CLASS_INDIVIDUAL: {
      const int peer = db_find_other_address_index(target.first.c_str());
      set_peer_station(peer);
      if (peer < 0 || !start_on_ranked_channels(target.list, ALE_CALL_INDIVIDUAL)) return fail_call(target.given);
      ale_set_called(target.first.c_str());
      return initiate_listed_call(target, EV_INITIATE_INDIVIDUAL_CALL);
    }
    case CALL_CLASS_GROUP: {
      std::string own = ale_own_address_text();
      ale_slot_width_set(ale_address_word_count(own), longest);
      if (!start_on_ranked_channels(target.list, ALE_CALL_GROUP)) return fail_call(target.given);
      if (ale_set_called_list(target.list) == 0) return fail_call(target.given);
      own = ale_own_address_text();
      ale_twrn_group(target.list, own.c_str(), db_get_lqa());
      return initiate_listed_call(target, EV_INITIATE_GROUP_CALL);
    }
    case CALL_CLASS_ANYCALL:
    case CALL_CLASS_ALLCALL: {
      const bool any = target.cls == CALL_CLASS_ANYCALL;
      if (any) ale_twrn_anycall();
      const char* pseudo = any ? "@@?" : "@?@";
      set_pseudo_peer(pseudo);
      ale_set_called(pseudo);
      ale_queue_message(target.text, ale_section_push_call);
      tune_to(ale_allcall_channel());
      ale_load_own_address();
      start_initiate(any ? EV_INITIATE_ANYCALL : EV_INITIATE_ALLCALL);
      return;
    }
    case CALL_CLASS_NULL_ADDRESS:
      set_pseudo_peer("@@@", kNullAddressTwrMs, kNullAddressTtMs);
      ale_set_called("@@@");
      ale_queue_message(target.text, ale_section_push_call);
      start_initiate(EV_INITIATE_INDIVIDUAL_CALL);
      return;
    default:
      log_unknown_address(target.first.c_str());
      return;
  }
}

void ale_call_address(const char* address, const char* message) { ale_place_call({address}, message); }

void ale_send_in_link(const AddressList& addresses, const char* message) {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  const CallTarget target = begin_call(addresses, message);
  c.inlink_text = target.text;
  ale_end_calls_with_tis();
  int event = 0;
  switch (target.cls) {
    case CALL_CLASS_INDIVIDUAL: {
      const int peer = db_find_other_address_index(target.first.c_str());
      if (peer < 0) return;
      set_peer_station(peer);
      ale_set_called(target.first.c_str());
      event = EV_INITIATE_INDIVIDUAL_CALL;
      break;
    }
    case CALL_CLASS_NET: {
      const int net = db_find_net_index(target.first.c_str());
      if (net < 0) return;
      c.peer_net = net;
      ale_twrn_net(net, db_get_lqa());
      const std::string own = net_own_address(net);
      if (!own.empty()) ale_set_own_address(own.c_str());
      ale_set_called(net_name(net).c_str());
      event = EV_INITIATE_NET_CALL;
      break;
    }
    case CALL_CLASS_GROUP: {
      ale_twrn_group(target.list, ale_own_address_text(), db_get_lqa());
      ale_set_called_list(target.list);
      ale_called_add_all(target.list);
      event = EV_INITIATE_GROUP_CALL;
      break;
    }
    case CALL_CLASS_ANYCALL:
      ale_twrn_anycall();
      set_pseudo_peer("@@?");
      ale_set_called("@@?");
      event = EV_INITIATE_ANYCALL;
      break;
    case CALL_CLASS_ALLCALL:
      set_pseudo_peer("@?@");
      ale_set_called("@?@");
      event = EV_INITIATE_ALLCALL;
      break;
    case CALL_CLASS_NULL_ADDRESS:
      set_pseudo_peer("@@@", kNullAddressTwrMs, kNullAddressTtMs);
      ale_set_called("@@@");
      event = EV_INITIATE_INDIVIDUAL_CALL;
      break;
    case CALL_CLASS_INLINK:
      set_pseudo_peer("?@?");
      ale_set_called("?@?");
      event = EV_INITIATE_INLINKCALL;
      break;
    default:
      log_unknown_address(target.first.c_str());
      return;
  }
  ale_queue_message(target.text, ale_section_push_link_message);
  start_initiate(event);
}

void ale_send_amd_linked(const char* address, const char* message) { ale_send_in_link({address}, message); }

void ale_resend_amd_linked() {
  Guard hold(link_state().lock);
  const AddressList linked = ale_linked_name_list();
  if (linked.empty()) return;
  const std::string text = call_setup().inlink_text;
  ale_end_calls_with_tis();
  ale_send_amd_linked(linked[0].c_str(), text.c_str());
}

namespace {

// A frame is being heard, or a call, handshake or sounding is under way: the frames of that
// exchange are composed from the call state and section queues that an AMD entry would change.
bool exchange_under_way(int state) {
  return (state >= ALE_STATE_PAUSE_SCAN && state <= ALE_STATE_IND_WAIT_RESPONSE) || state > ALE_STATE_LINKED_IDLE;
}

void hold_amd(const AddressList& addresses, const char* text) {
  CallSetupState& c = call_setup();
  const std::string first = addresses.empty() ? std::string() : addresses[0].substr(0, 15);
  const std::string t = text == nullptr ? "" : text;
  if (c.held_amd.size() >= kHeldAmdMax) {
    log_printf("[%s][%s][AMD REFUSED][%-15s][%s] %zu AMD MESSAGES ALREADY WAITING\n", log_time_stamp().c_str(),
               log_current_channel_stamp().c_str(), first.c_str(), t.c_str(), c.held_amd.size());
    return;
  }
  c.held_amd.push_back({addresses, t});
  c.exchange_seen = true;
  log_printf("[%s][%s][AMD HELD][%-15s][%s] UNTIL THE EXCHANGE UNDER WAY ENDS\n", log_time_stamp().c_str(),
             log_current_channel_stamp().c_str(), first.c_str(), t.c_str());
}

}  // namespace

void ale_release_held_amd() {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  const bool was = c.exchange_seen;
  c.exchange_seen = exchange_under_way(ale_link_state());
  if (!was || c.exchange_seen || c.held_amd.empty()) return;
  // One at a time: the call it starts is an exchange, whose end releases the next.
  const HeldAmd& h = c.held_amd.front();
  // When it cannot be posted now, the next link event tries again.
  c.exchange_seen = true;
  ApiEvent* e = api_alloc(static_cast<int>(h.text.size()));
  if (e == nullptr) return;
  e->kind = API_AMD;
  const int n = std::min<int>(static_cast<int>(h.addresses.size()), kApiMaxAddresses);
  for (int i = 0; i < n; ++i) std::strncpy(e->addresses[i], h.addresses[static_cast<std::size_t>(i)].c_str(), kApiAddressSize - 1);
  e->address_count = n;
  e->payload_length = static_cast<int>(h.text.size());
  std::memcpy(e->payload(), h.text.data(), h.text.size());
  if (api_post(e) == 0) return;
  c.held_amd.pop_front();
  c.exchange_seen = false;
}

void ale_send_amd(const AddressList& addresses, const char* text) {
  Guard hold(link_state().lock);
  if (exchange_under_way(ale_link_state())) return hold_amd(addresses, text);
  ale_ack_in_frame_clear();
  if (ale_link_state() > ALE_STATE_IND_WAIT_RESPONSE) ale_send_in_link(addresses, text);
  else ale_place_call(addresses, text);
}

void ale_send_amd_address(const char* address, const char* text) { ale_send_amd({address}, text); }

void ale_terminate_link(const AddressList& addresses, const char* message) {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  const CallTarget target = begin_call(addresses, message);
  timer_stop(EV_SM_POLL_TIMER);
  switch (target.cls) {
    case CALL_CLASS_INDIVIDUAL:
      if (db_find_other_address_index(target.first.c_str()) >= 0) {
        if (ale_linked_has(target.first.c_str())) ale_linked_remove(target.first.c_str());
        ale_set_called(target.first.c_str());
      }
      break;
    case CALL_CLASS_NET: {
      const int net = db_find_net_index(target.first.c_str());
      if (net >= 0) {
        c.peer_net = net;
        ale_twrn_net(net, db_get_lqa());
        ale_set_called(net_name(net).c_str());
        const std::string own = net_own_address(net);
        if (!own.empty()) ale_set_own_address(own.c_str());
        ale_queue_message(target.text, ale_section_push_link_message);
        ale_linked_clear();
      }
      break;
    }
    case CALL_CLASS_GROUP: {
      ale_set_called_list(target.list);
      for (const std::string& a : target.list) ale_linked_remove(a.c_str());
      break;
    }
    case CALL_CLASS_ANYCALL:
    case CALL_CLASS_ALLCALL:
    case CALL_CLASS_NULL_ADDRESS:
    case CALL_CLASS_INLINK:
      if (target.cls == CALL_CLASS_ANYCALL) ale_twrn_anycall();
      set_pseudo_peer(target.first.c_str());
      ale_queue_message(target.text, ale_section_push_link_message);
      ale_set_called(target.first.c_str());
      ale_linked_clear();
      break;
    default:
      break;
  }
  start_initiate(EV_INITIATE_CLEAR);
}

void ale_terminate_address(const char* address, const char* message) { ale_terminate_link({address}, message); }

int ale_queue_message(const char* text, int (*push)(FrameSection*)) {
  if (call_setup().binary_message.load()) {
    const std::string t = text == nullptr ? "" : text;
    return ale_queue_binary_message(std::vector<uint8_t>(t.begin(), t.end()), push);
  }
  if (text == nullptr || text[0] == '\0') return 0;
  auto* section = new FrameSection;
  section->kind = SECTION_AMD;
  section->text = text;
  aqc_set_second_word_code(AQC_CODE_TEXT);  // text follows
  if (push(section)) return 1;
  delete section;
  return 0;
}

int ale_queue_binary_message(const std::vector<uint8_t>& data, int (*push)(FrameSection*)) {
  if (data.empty()) return 0;
  auto* section = new FrameSection;
  section->kind = SECTION_CODED;
  section->bytes = data;
  section->data_element = kAqcBinaryDataElement;
  aqc_set_second_word_code(AQC_CODE_DATA);  // data follows
  if (push(section)) return 1;
  delete section;
  return 0;
}

void ale_set_binary_message(int on) { call_setup().binary_message = on ? 1 : 0; }

void ale_queue_motd() {
  if (db_get_motd_switch() == 0) return;
  const std::string motd = db_get_motd();
  if (!motd.empty()) ale_queue_message(motd.c_str(), ale_section_push_ack);
}

namespace {

// The allcall and anycall forms on one channel of the scan group, raised at once.
void special_call(int channel, const char* address, const char* message, bool anycall) {
  Guard hold(link_state().lock);
  if (db_channel_in_group(channel) == 0) {
    log_channel_not_in_group();
    return;
  }
  if (anycall) {
    ale_end_calls_with_tis();
    ale_twrn_anycall();
  }
  set_pseudo_peer(address);
  ale_queue_message(message == nullptr ? "" : message, ale_section_push_call);
  tune_to(channel);
  ale_set_called(address);
  ale_load_own_address();
  ale_link_event(anycall ? EV_INITIATE_ANYCALL : EV_INITIATE_ALLCALL);
}

}  // namespace

void ale_global_allcall(int channel, const char* message) { special_call(channel, "@?@", message, false); }

void ale_selective_allcall(int channel, const char* selector, const char* message) {
  char address[4] = {'@', selector != nullptr && selector[0] ? selector[0] : '?', '@', '\0'};
  special_call(channel, address, message, false);
}

void ale_global_anycall(int channel, const char* message) { special_call(channel, "@@?", message, true); }

void ale_selective_anycall(int channel, const char* selector, const char* message) {
  const std::size_t n = selector == nullptr ? 0 : std::strlen(selector);
  char address[4] = {'@', '@', '?', '\0'};
  if (n == 1) address[2] = selector[0];
  if (n == 2) {
    address[1] = selector[0];
    address[2] = selector[1];
  }
  special_call(channel, address, message, true);
}

void ale_start_poll(const char* address, int channel) {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  copy16(c.poll_address, address);
  set_peer_station(db_find_other_address_index(c.poll_address.data()));
  ale_set_called(c.poll_address.data());
  timer_stop(EV_DWELL_TIMER);
  db_select_channel(channel);
  // The own address of the polled channel, which the frame is sent from.
  ale_load_own_address();
  timer_start(EV_INITIATE_POLL, kCallInitiateDelayMs);
}

void ale_poll_answer() {
  CallSetupState& c = call_setup();
  auto* section = new FrameSection;
  section->kind = SECTION_LQA;
  std::memcpy(section->address, c.poll_address.data(), sizeof section->address);
  section->value = 0;
  ale_set_called(c.poll_address.data());
  if (!ale_section_push_poll(section)) delete section;
}

namespace {

void start_sounding(int channel, int event) {
  Guard hold(link_state().lock);
  if (ale_link_state() != ALE_STATE_SCANNING) return;
  timer_stop(EV_DWELL_TIMER);
  db_select_channel(channel);
  timer_start(event, kCallInitiateDelayMs);
}

}  // namespace

void ale_start_twas_sounding(int channel) { start_sounding(channel, EV_INITIATE_THIS_WAS_SOUND); }
void ale_start_tis_sounding(int channel) { start_sounding(channel, EV_INITIATE_THIS_IS_SOUND); }

void ale_abort() {
  Guard hold(link_state().lock);
  call_hook(link_state().hooks.data_link_abort);
  ale_tx_flush();
  ale_sections_flush();
  call_setup().held_amd.clear();
  radio_on_unlinked();
  ale_linked_clear();
  ale_link_event(EV_INITIATE_KILL);
  ale_scan_monitor_event(EV_INITIATE_KILL);
  ale_leave_link();
  ale_sm_release_unsent();
}

void ale_toggle_scanning() { ale_link_event(EV_TOGGLE_SCANNING); }

void ale_reset_modem() {
  ale_reset_receiver();
  ale_link_event(EV_RESET_MODEM);
}

int ale_next_call_channel() {
  Guard hold(link_state().lock);
  CallSetupState& c = call_setup();
  if (ale_scan_mode() != ALE_SCAN_MODE_SCANNING || ale_link_state() == ALE_STATE_LINKED_IDLE) return 0;
  if (c.channel_count <= 0) return 1;
  if (c.channel_next >= c.channel_count) {
    if (--c.attempts_left <= 0) return 1;
    c.channel_next = 0;
  }
  const int channel = c.channels[static_cast<std::size_t>(c.channel_next++)];
  if (db_channel_in_use(channel) == 0) return 1;
  tune_to(channel);
  radio_refresh_hook();
  if (ale_call_type() != ALE_CALL_NET) ale_load_own_address();
  return 0;
}

void ale_call_failed() {
  api_post_call_failed();
  log_call_failed(ale_called_list_text().c_str());
}

}  // namespace vesk
