#include "ale/link/ale_timing.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "db/ale_chars.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/link/aqc_slots.h"
#include "ale/link/call_setup.h"
#include "ale/engine/events.h"
#include "ale/link/link_state.h"
#include "ale/engine/timer.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

TimingState& timing_state() { return station().state<TimingState>(); }

namespace {

constexpr int kAnycallSlotTw = 20;
constexpr int kAnycallSlots = 15;

void trace(const char* format, int value) {
  if (db_get_trace_timers()) log_printf(format, value);
}

bool alternate() { return ale_signalling_mode() == ALE_SIGNALLING_ALTERNATE; }

// A caller with LQA exchange on sends its LQA word with the flag clear on a call that ends
// with TIS, yet waits for answers that each carry an LQA word; the slots count the word
// whenever the call carried one, so that caller and responders agree on the slot widths.
int frame_lqa_flag() { return ale_frame_context().lqa_word != 0 || ale_frame_lqa_report_flag() != 0 ? 1 : 0; }

int rw(const std::string& to, const std::string& from, int lqa) {
  return ale_response_word_count(to, from, lqa);
}

std::string field_text(const char* field) { return std::string(field, strnlen(field, kAddressFieldSize - 1)); }

// A net's members in slot order: the own address at the own slot, the member's other address
// elsewhere, empty where the record is missing.
struct NetView {
  std::vector<std::string> names;
  int own_slot = 0;
  std::string own;
};

NetView net_view(int net) {
  NetView v;
  if (net < 0 || net >= kNetCount) return v;
  DbLock lock;
  const StationDatabase& db = lock.db();
  const NetRecord& n = db.nets[net];
  v.own_slot = n.own_slot;
  if (n.own_index < kOwnAddressCount) v.own = field_text(db.own[n.own_index].address);
  const int count = n.member_count <= kNetMemberSlots ? n.member_count : kNetMemberSlots;
  for (int i = 0; i < count; ++i) {
    if (i == n.own_slot) {
      v.names.push_back(v.own);
      continue;
    }
    const int m = n.members[i];
    const bool present = m >= 0 && m < kOtherAddressCount && db.other[m].in_use;
    v.names.push_back(present ? field_text(db.other[m].address) : std::string());
  }
  return v;
}

// The reply and tune times of the station a wait is for: the station this one called while it
// waits for a response (a pseudo address has its own record), else the caller of the frame
// heard last; the defaults for an unknown station.
struct PeerTimes {
  int twr_ms = kTwrDefaultMs;
  int tt_ms = kTwrtDefaultMs - kTwrDefaultMs;
};

PeerTimes peer_times() {
  PeerTimes t;
  const int state = ale_link_state();
  const bool calling = state == ALE_STATE_IND_WAIT_RESPONSE || state == ALE_STATE_IND_LINKED_WAIT_RESPONSE;
  if (calling && call_setup().peer.pseudo) {
    t.twr_ms = call_setup().peer.twr_ms;
    t.tt_ms = call_setup().peer.tt_ms;
    return t;
  }
  const int i = calling ? ale_call_peer_index() : ale_frame_peer_index();
  if (i < 0 || i >= kOtherAddressCount) return t;
  DbLock lock;
  const OtherAddressRecord& r = lock.db().other[i];
  t.twr_ms = r.twr_ms;
  t.tt_ms = r.tt_ms;
  return t;
}

unsigned next_random(TimingState& t) {
  // A small linear congruential generator: the slot choice needs no more.
  t.random_state = t.random_state * 1103515245u + 12345u;
  return (t.random_state >> 16) & 0x7FFF;
}

}  // namespace

// ---- periods ----

int ale_twa_period_ms() {
  const int secs = db_get_twa_secs();
  const int ms = secs <= 0 ? INT_MAX : (secs > INT_MAX / 1000 ? INT_MAX : secs * 1000);
  trace("TWA period %d ms\n", ms);
  return ms;
}

void timer_start_twa() { timer_start(EV_TWA_TIMER, ale_twa_period_ms()); }

int ale_twt_period_ms() {
  int ms = 0;
  switch (db_current_channel().usage) {
    case 0:
    case 1:
      ms = kTwtVoiceMs;
      break;
    case 2:
      ms = kTwtDataMs;
      break;
    default:
      break;
  }
  trace("TWT period %d ms\n", ms);
  return ms;
}

int ale_twr_period_ms() {
  const int ms = peer_times().twr_ms;
  trace("TWR period %d ms\n", ms);
  return ms;
}

int ale_twrt_period_ms() {
  const PeerTimes p = peer_times();
  const int ms = p.twr_ms + p.tt_ms;
  trace("TWRT period %d ms\n", ms);
  return ms;
}

int ale_swt_period_ms() {
  const int swt = static_cast<int>(timing_state().swt_ms);
  trace("SWT period %d ms\n", swt);
  const int ms = swt - db_get_ptt_delay();
  // A slot that the PTT delay swallows whole still answers, one tick later.
  return ms < kTickMs ? kTickMs : ms;
}

int ale_twan_period_ms() {
  const int ms = static_cast<int>(timing_state().twan_ms);
  trace("TWAN period %d ms\n", ms);
  return ms;
}

int ale_twan_restart() {
  ale_ack_wait_set(0);
  return ale_twan_period_ms();
}

int ale_twrn_period_ms() {
  const int ms = static_cast<int>(timing_state().twrn_ms);
  trace("TWRN period %d ms\n", ms);
  return ms;
}

// ---- computations ----

void ale_swt_random() {
  TimingState& t = timing_state();
  const int r = static_cast<int>(next_random(t) % kAnycallSlots);
  const int tw = alternate() ? aqc_slots_sum(r + 1) : (r + 1) * kAnycallSlotTw;
  t.swt_ms = tw * kAleTwMs;
}

void ale_swt_net(int net, const char* caller) {
  TimingState& t = timing_state();
  const NetView v = net_view(net);
  int tw = 0;
  if (alternate()) {
    tw = aqc_slots_sum(v.own_slot);
  } else if (ale_slot_width_flag()) {
    tw = ale_slot_width() * v.own_slot;
  } else {
    const int lqa = frame_lqa_flag();
    tw = rw(caller, caller, lqa);
    for (int i = 0; i < v.own_slot && i < static_cast<int>(v.names.size()); ++i)
      if (!v.names[static_cast<std::size_t>(i)].empty()) tw += rw(caller, v.names[static_cast<std::size_t>(i)], lqa);
    tw -= 3;
  }
  t.swt_ms = tw * kAleTwMs;
}

void ale_swt_group(const AddressList& list, const char* caller) {
  const int lqa = frame_lqa_flag();
  int tw = rw(caller, caller, lqa);
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    if (db_find_own_address_index(it->c_str()) >= 0) break;
    tw += rw(caller, *it, lqa);
  }
  timing_state().swt_ms = (tw - 3) * kAleTwMs;
}

void ale_swt_aqc_slot(int n) { timing_state().swt_ms = aqc_slots_sum(n) * kAleTwMs; }

void ale_twan_anycall() {
  const int tw = alternate() ? aqc_slots_sum(31) + aqc_slot(31) : (frame_lqa_flag() ? 400 : 349) + 6;
  timing_state().twan_ms = tw * kAleTwMs;
}

void ale_twan_net(int net, const char* caller) {
  TimingState& t = timing_state();
  const NetView v = net_view(net);
  const int members = static_cast<int>(v.names.size());
  int tw = 0;
  if (alternate()) {
    tw = aqc_slots_sum(members) + aqc_slot(members);
  } else if (ale_slot_width_flag()) {
    tw = ale_slot_width() * (members + 1);
  } else {
    const int lqa = frame_lqa_flag();
    tw = rw(caller, caller, lqa);
    for (const std::string& name : v.names)
      if (!name.empty()) tw += rw(caller, name, lqa);
    tw += 6;
  }
  t.twan_ms = tw * kAleTwMs;
}

void ale_twan_group(const AddressList& list, const char* caller) {
  const int lqa = frame_lqa_flag();
  int tw = rw(caller, caller, lqa);
  for (const std::string& name : list) tw += rw(caller, name, lqa);
  timing_state().twan_ms = (tw + 6) * kAleTwMs;
}

void ale_twan_aqc_slot(int n) { timing_state().twan_ms = (aqc_slot(n) + aqc_slots_sum(n)) * kAleTwMs; }

void ale_twrn_anycall() { timing_state().twrn_ms = (alternate() ? 193 : 340) * kAleTwMs; }

void ale_twrn_net(int net, int lqa) {
  const NetView v = net_view(net);
  const int members = static_cast<int>(v.names.size());
  if (alternate()) {
    timing_state().twrn_ms = 11 * members * kAleTwMs + kTwrnAqcNetExtra;
    return;
  }
  // A member without a record still answers in its slot: it is counted with the reply time of
  // an unknown station.
  int tw = rw(v.own, v.own, lqa);
  int missing = 0;
  for (const std::string& name : v.names) {
    if (name.empty())
      ++missing;
    else
      tw += rw(v.own, name, lqa);
  }
  timing_state().twrn_ms = tw * kAleTwMs + missing * kTwrDefaultMs;
}

void ale_twrn_group(const AddressList& list, const char* own, int lqa) {
  TimingState& t = timing_state();
  int tw = 0;
  if (ale_slot_width_flag()) {
    tw = ale_slot_width() * (static_cast<int>(list.size()) + 1);
  } else {
    tw = rw(own, own, lqa);
    for (const std::string& name : list) tw += rw(own, name, lqa);
  }
  t.twrn_ms = tw * kAleTwMs;
}

}  // namespace vesk
