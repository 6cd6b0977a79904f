// Frame events: the frame context and the protocol events raised from it.
#include "ale/frames/frame_events.h"

#include <cstring>

#include "ale/frames/address_match.h"
#include "db/ale_chars.h"
#include "ale/frames/amd_store.h"
#include "ale/frames/cmd_words.h"
#include "ale/engine/events.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/word_rx.h"
#include "db/database.h"
#include "db/log_lines.h"
#include "db/lqa.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"

namespace vesk {

namespace {

// LQA report word: bits 9-5 SINAD, 4-0 BER errors (31: no value in either), bit 13 asks for
// LQA exchange.
constexpr uint32_t kLqaFieldNoValue = 31;
constexpr uint32_t kLqaExchangeBit = 1u << 13;

FrameContext& ctx() { return frame_event_state().ctx; }
const FrameEventHooks& hooks() { return frame_event_state().hooks; }

template <std::size_t N>
void set_text(std::array<char, N>& dst, const char* src) {
  dst.fill('\0');
  if (src != nullptr) std::strncpy(dst.data(), src, N - 1);
}

template <std::size_t N>
bool text_equal(const std::array<char, N>& a, const std::array<char, N>& b) {
  return std::strncmp(a.data(), b.data(), N) == 0;
}

// A text field of the database, which may lack its NUL.
std::string field(const char* f, std::size_t size) { return std::string(f, strnlen(f, size)); }

void raise(int event) {
  // An AQC-ALE frame leaves the kind to the state machine.
  if ((event < EV_AQC_FRAME_BEGIN || event > EV_AQC_TWS_SOUND_PROBE) && hooks().frame_kind)
    hooks().frame_kind(ctx().kind);
  if (hooks().link_event) hooks().link_event(event);
}

int current_channel() { return db_current_channel_index(); }

bool scan_running() { return hooks().scanning && hooks().scanning(); }

// This station's answer slot and acknowledgement wait, from the link timing.
void slots_net(int net, const char* caller) {
  if (hooks().slots_net) hooks().slots_net(net, caller);
}
void slots_anycall() {
  if (hooks().slots_anycall) hooks().slots_anycall();
}

// ---- called list ----

bool called_has(const char* text) {
  const FrameContext& c = ctx();
  for (int i = 0; i < c.called_count; ++i)
    if (std::strncmp(c.called[static_cast<std::size_t>(i)].data(), text, kFrameAddressSize) == 0) return true;
  return false;
}

void called_clear() {
  FrameContext& c = ctx();
  c.called = {};
  c.called_count = 0;
  c.called_next = 0;
}

void called_add(const char* text) {
  FrameContext& c = ctx();
  set_text(c.called[static_cast<std::size_t>(c.called_next)], text);
  c.called_next = (c.called_next + 1) % kFrameCalledMax;
  if (c.called_count < kFrameCalledMax) ++c.called_count;
}

AddressList called_list() {
  const FrameContext& c = ctx();
  AddressList out;
  for (int i = 0; i < c.called_count; ++i) out.emplace_back(c.called[static_cast<std::size_t>(i)].data());
  return out;
}

std::string called_text() { return ale_frame_called_text(); }

// ---- address lookups ----

bool is_own_address(const char* text) {
  char copy[kAddressTextSize] = {};
  std::strncpy(copy, text, sizeof copy - 1);
  return ale_own_address_match(copy, 0) != 0;
}

// Whether the text begins an own address: the repeated first word of a scanning call
// ("BRA" of BRAVO) is this station's when it begins one of its addresses.
bool begins_own_address(const char* text) {
  char copy[kAddressFieldSize] = {};
  std::strncpy(copy, text, sizeof copy - 1);
  return ale_own_address_match(copy, 1) != 0 || is_own_address(text);
}

// Whether an in-use net's address begins with the text.
bool net_starts_with(const char* text) {
  const std::size_t n = std::strlen(text);
  if (n == 0 || n > kAddressFieldSize) return false;
  DbLock lock;
  for (const NetRecord& net : lock.db().nets)
    if (net.in_use != 0 && std::strncmp(net.address, text, n) == 0) return true;
  return false;
}

// The net's address and own index, when the net is in use.
bool net_info(int net_index, std::string* address, int* own_index) {
  DbLock lock;
  const NetRecord* net = db_get_net(lock, net_index);
  if (net == nullptr || net->in_use == 0) return false;
  if (address != nullptr) *address = field(net->address, sizeof net->address);
  if (own_index != nullptr) *own_index = net->own_index;
  return true;
}

void set_own_from_channel() {
  const std::string own = ale_channel_own_address();
  ctx().own_index = own.empty() ? -1 : db_find_own_address_index(own.c_str());
}

// ---- scores and records ----

void compute_scores() {
  FrameContext& c = ctx();
  c.sinad_score = lqa_sinad_score(ale_rx_frame_sinad());
  c.ber_score = lqa_ber_score(ale_rx_frame_ber());
}

void record_heard(int noise) {
  FrameContext& c = ctx();
  db_lqa_heard(c.caller.data(), current_channel(), c.sinad_score, c.ber_score, noise);
}

// The LQA report word of the frame, merged for the caller on the current channel.
void store_lqa_report() {
  FrameContext& c = ctx();
  if (c.lqa_word == 0) return;
  const uint32_t sinad = (c.lqa_word >> 5) & 0x1F;
  const uint32_t errors = c.lqa_word & 0x1F;
  const int ber = errors == kLqaFieldNoValue ? static_cast<int>(kLqaFieldNoValue) : 30 - static_cast<int>(errors);
  db_lqa_update_reported(c.caller.data(), current_channel(), static_cast<int>(sinad), ber);
  if ((c.lqa_word & kLqaExchangeBit) != 0) db_enable_lqa();
}

// ---- events ----

void frame_begin(int event, const char*) {
  FrameContext& c = ctx();
  // The receiver found a new frame: a frame the parser still holds open was cut off (the
  // receiver was reset before that frame's end was heard, as when the station keys) and is
  // over. Left open, it would take the new frame's first words as errors.
  if (ale_parser_state() != PARSER_IDLE) ale_parser_reset();
  // The caller, the addresses and the scores stay readable until the next frame says otherwise.
  c.kind = FRAME_KIND_NONE;
  c.for_me = 0;
  c.addressed = 0;
  c.end_handled = 0;
  c.own_index = c.net_index = c.other_index = -1;
  c.endings_seen = 0;
  c.lqa_word = 0;
  c.previous_caller = {};
  called_clear();
  c.amd_texts = {};
  c.amd_count = 0;
  // The last AMD belongs to the frame it came in: a heard call never shows an older one.
  c.last_amd = {};
  c.last_amd_flag = 0;
  ale_data_message_clear();
  ale_cmd_reset();
  c.aqc.first_word = event == EV_AQC_FRAME_BEGIN ? 1 : 0;
  if (event == EV_AQC_FRAME_BEGIN && hooks().aqc_frame_start) hooks().aqc_frame_start();
  raise(event);
}

// TO and THRU: a repeated address closes a calling cycle.
void called_address(const char* text, bool not_for_me_test) {
  if (called_has(text)) {
    if (not_for_me_test) {
      bool mine = false;
      for (const std::string& a : called_list())
        if (begins_own_address(a.c_str()) || net_starts_with(a.c_str())) mine = true;
      if (!mine) raise(EV_FRAME_NOT_FOR_ME);
    }
    called_clear();
  }
  called_add(text);
}

void wildcard(const char* text) {
  FrameContext& c = ctx();
  c.own_index = db_find_own_address_index(text);
  called_address(text, false);
}

void message_section(int, const char*) {
  FrameContext& c = ctx();
  for (const std::string& a : called_list()) {
    if (!is_own_address(a.c_str())) continue;
    c.own_index = db_find_own_address_index(a.c_str());
    set_text(c.addressed_own, a.c_str());
    c.for_me = 1;
    if (c.called_count > 1) {
      c.kind = FRAME_KIND_GROUP;
    } else if (c.kind == FRAME_KIND_NONE || c.kind == FRAME_KIND_INDIVIDUAL) {
      c.kind = FRAME_KIND_INDIVIDUAL;
    }
    return;
  }
  for (const std::string& a : called_list()) {
    const int net = db_find_net_index(a.c_str());
    if (net < 0) continue;
    c.net_index = net;
    set_text(c.addressed_own, a.c_str());
    c.kind = FRAME_KIND_NET;
    c.for_me = 1;
    return;
  }
}

void this_is(int, const char* text) {
  FrameContext& c = ctx();
  ++c.endings_seen;
  set_text(c.caller, text);
  c.caller_words = static_cast<int>((std::strlen(c.caller.data()) + 2) / 3);
  c.ending = kEndingTis;
  switch (c.kind) {
    case FRAME_KIND_NET: {
      std::string net_address;
      int own = -1;
      if (net_info(c.net_index, &net_address, &own)) {
        slots_net(c.net_index, c.caller.data());
        c.own_index = own;
        // A member answers from its own address in the net, not from the net's name: the
        // caller links with the members, and the slot widths fit the answers.
        DbLock lock;
        const OwnAddressRecord* rec = db_get_own_address(lock, own);
        if (rec != nullptr && rec->in_use != 0)
          set_text(c.addressed_own, field(rec->address, sizeof rec->address).c_str());
      }
      break;
    }
    case FRAME_KIND_GROUP: {
      const AddressList list = called_list();
      if (hooks().slots_group) hooks().slots_group(list, c.caller.data());
      break;
    }
    case FRAME_KIND_ANYCALL:
      slots_anycall();
      break;
    default:
      break;
  }
  store_lqa_report();
  // A sounding repeats its TIS address; the third of the same caller is enough.
  if (scan_running() && c.addressed == 0 && c.endings_seen >= 3 && text_equal(c.caller, c.previous_caller)) {
    compute_scores();
    record_heard(kFrameNoise141a);
    log_sounding_tis(c.caller.data(), c.ber_score, c.sinad_score);
    raise(EV_RX_THIS_IS_SOUND);
    c.endings_seen = 0;
  }
  c.previous_caller = c.caller;
}

void this_was(int, const char* text) {
  FrameContext& c = ctx();
  ++c.endings_seen;
  set_text(c.caller, text);
  c.caller_words = static_cast<int>((std::strlen(c.caller.data()) + 2) / 3);
  c.ending = kEndingTwas;
  if (scan_running() && c.addressed == 0 && c.endings_seen == 2) {
    if (text_equal(c.caller, c.previous_caller)) {
      compute_scores();
      record_heard(kFrameNoise141a);
      log_sounding_tws(c.caller.data(), c.ber_score, c.sinad_score);
      raise(EV_RX_THIS_WAS_SOUND);
    }
    return;  // previous_caller stays
  }
  c.previous_caller = c.caller;
}

void frame_end(int, const char*) {
  FrameContext& c = ctx();
  if (c.end_handled != 0) {
    raise(EV_RX_FRAME_END);
  } else {
    c.end_handled = 1;
    int event = EV_RX_FRAME_END;
    const bool tis = c.ending == kEndingTis;
    if (c.endings_seen > 0 && c.addressed != 0) {
      compute_scores();
      record_heard(kFrameNoise141a);
      if (c.for_me != 0) {
        if (tis) {
          event = EV_FRAME_FOR_ME;
          c.call_lqa = c.lqa_word != 0 ? 1 : 0;
        } else if (c.kind == FRAME_KIND_ANYCALL || c.kind == FRAME_KIND_ALLCALL || c.kind == FRAME_KIND_INLINK) {
          event = EV_FRAME_GLOBAL_CLEAR;
        } else {
          event = EV_FRAME_FOR_ME_CLEAR;
        }
      } else if (c.endings_seen == 1) {
        const std::string called = called_text();
        const char* amd = c.last_amd_flag != 0 ? c.last_amd.data() : nullptr;
        if (tis) {
          log_call_heard_tis(called.c_str(), c.caller.data(), c.ber_score, c.sinad_score, amd);
        } else {
          log_call_heard_tws(called.c_str(), c.caller.data(), c.ber_score, c.sinad_score, amd);
        }
        event = tis ? EV_FRAME_NOT_FOR_ME : EV_FRAME_NOT_FOR_ME_CLEAR;
        // The end of a heard call: the scan monitor follows it (once per frame).
        if (hooks().heard_call_ended) hooks().heard_call_ended(event);
      }
      c.other_index = db_find_other_address_index(c.caller.data());
    }
    if (c.addressed == 0 && !scan_running() && c.endings_seen > 1 && text_equal(c.caller, c.previous_caller)) {
      compute_scores();
      record_heard(kFrameNoise141a);
      if (tis) {
        log_sounding_tis(c.caller.data(), c.ber_score, c.sinad_score);
      } else {
        log_sounding_tws(c.caller.data(), c.ber_score, c.sinad_score);
      }
      event = tis ? EV_RX_THIS_IS_SOUND : EV_RX_THIS_WAS_SOUND;
    }
    if (c.for_me != 0 && c.amd_count > 0) ale_amd_store_flush();
    c.previous_caller = {};
    c.endings_seen = 0;
    raise(event);
  }
  ale_reset_receiver();
  c.for_me = 0;
}

void amd(int, const char* text) {
  FrameContext& c = ctx();
  if (c.for_me != 0 && c.amd_count < kFrameAmdMax) set_text(c.amd_texts[static_cast<std::size_t>(c.amd_count++)], text);
  set_text(c.last_amd, text);
  c.last_amd_flag = 1;
}

// An AQC-ALE net call: the slot of this station in the net.
void aqc_net_timing(const AqcProbeInfo& p) {
  if (p.net_call == 0) return;
  slots_net(p.net_index, ctx().caller.data());
}

// TO and THRU: an individual or a group call names an address.
void to_address(int, const char* text) {
  FrameContext& c = ctx();
  c.kind = FRAME_KIND_INDIVIDUAL;
  c.addressed = 1;
  called_address(text, true);
}

void thru_address(int, const char* text) {
  FrameContext& c = ctx();
  c.kind = FRAME_KIND_GROUP;
  c.addressed = 1;
  called_address(text, true);
}

void wildcard_address(int, const char* text) {
  FrameContext& c = ctx();
  c.addressed = 1;
  if (db_get_wildcards() != 0) {
    c.kind = FRAME_KIND_ANYCALL;
    wildcard(text);
  }
}

void from_address(int, const char* text) {
  FrameContext& c = ctx();
  if (c.for_me != 0) {
    set_text(c.from, text);
  } else {
    raise(EV_FRAME_NOT_FOR_ME);
  }
}

// An anycall or an allcall to every station, taken when the options accept that kind.
void global_call(int event, const char*) {
  FrameContext& c = ctx();
  c.addressed = 1;
  const bool anycall = event == EV_RX_ANYCALL;
  if ((anycall ? db_get_anycalls() : db_get_allcalls()) != 0) {
    c.kind = anycall ? FRAME_KIND_ANYCALL : FRAME_KIND_ALLCALL;
    c.for_me = 1;
    set_own_from_channel();
  } else {
    raise(EV_FRAME_NOT_FOR_ME);
  }
}

void selective_call(int event, const char* text) {
  FrameContext& c = ctx();
  c.addressed = 1;
  const bool anycall = event == EV_RX_SELECTIVE_ANYCALL;
  if ((anycall ? db_get_anycalls() : db_get_allcalls()) != 0) {
    c.kind = anycall ? FRAME_KIND_ANYCALL : FRAME_KIND_ALLCALL;
    wildcard(text);
  }
}

void inlink_address(int, const char*) {
  FrameContext& c = ctx();
  c.addressed = 1;
  c.kind = FRAME_KIND_INLINK;
  c.for_me = 1;
  set_own_from_channel();
}

// A word the frame cannot hold: the receiver starts over, and the frame ends with what it
// had. Left open, nothing would end it (the receiver's next word starts a new frame only once
// it finds one), and a caller waiting for a response would wait for good.
void parser_error(int event, const char* text) { frame_end(event, text); }

void pass_on(int event, const char*) { raise(event); }

void aqc_frame_end(int event, const char*) {
  raise(event);
  ale_reset_receiver();
}

void aqc_call_probe(int event, const char*) {
  FrameContext& c = ctx();
  set_text(c.caller, c.aqc.caller.c_str());
  aqc_net_timing(c.aqc);
  raise(event);
}

void aqc_inlink(int event, const char*) {
  FrameContext& c = ctx();
  set_text(c.caller, c.aqc.caller.c_str());
  if (c.aqc.net_call != 0) {
    aqc_net_timing(c.aqc);
  } else {
    if (hooks().slots_aqc) hooks().slots_aqc(c.aqc.slot);
  }
  raise(event);
}

void aqc_global_probe(int event, const char*) {
  FrameContext& c = ctx();
  set_text(c.caller, c.aqc.caller.c_str());
  if (event == EV_AQC_ANYCALL_PROBE) slots_anycall();
  raise(event);
}

void aqc_sound_probe(int event, const char*) {
  FrameContext& c = ctx();
  set_text(c.caller, c.aqc.caller.c_str());
  compute_scores();
  record_heard(c.aqc.noise);
  if (event == EV_AQC_TIS_SOUND_PROBE) {
    log_aqc_sounding_tis(c.caller.data(), c.ber_score, c.sinad_score, c.aqc.noise);
  } else {
    log_aqc_sounding_tws(c.caller.data(), c.ber_score, c.sinad_score, c.aqc.noise);
  }
  raise(event);
}

// What each event of the word receiver does to the frame; an event not listed does nothing.
struct FrameEventRow {
  int event;
  void (*handle)(int event, const char* text);
};

constexpr FrameEventRow kFrameEventRows[] = {
    {EV_RX_FRAME_BEGIN, frame_begin},
    {EV_AQC_FRAME_BEGIN, frame_begin},
    {EV_RX_TO, to_address},
    {EV_RX_WILD, wildcard_address},
    {EV_RX_WILD_NO_MATCH, wildcard_address},
    {EV_RX_THRU, thru_address},
    {EV_RX_MESSAGE_SECTION, message_section},
    {EV_RX_FROM, from_address},
    {EV_RX_AMD, amd},
    {EV_RX_QAMD, amd},
    {EV_RX_THIS_IS, this_is},
    {EV_RX_THIS_WAS, this_was},
    {EV_RX_FRAME_END, frame_end},
    {EV_RX_ANYCALL, global_call},
    {EV_RX_ALLCALL, global_call},
    {EV_RX_SELECTIVE_ANYCALL, selective_call},
    {EV_RX_SELECTIVE_ALLCALL, selective_call},
    {EV_RX_INLINK_ADDRESS, inlink_address},
    {EV_PARSER_ERROR, parser_error},
    {EV_AQC_FRAME_END, aqc_frame_end},
    {EV_AQC_CALL_PROBE, aqc_call_probe},
    {EV_AQC_CALL_HANDSHAKE, pass_on},
    {EV_AQC_NOT_FOR_ME, pass_on},
    {EV_AQC_INLINK, aqc_inlink},
    {EV_AQC_ALLCALL_PROBE, aqc_global_probe},
    {EV_AQC_ANYCALL_PROBE, aqc_global_probe},
    {EV_AQC_TIS_SOUND_PROBE, aqc_sound_probe},
    {EV_AQC_TWS_SOUND_PROBE, aqc_sound_probe},
};

}  // namespace

FrameEventState& frame_event_state() { return station().state<FrameEventState>(); }
int ale_data_message() { return frame_event_state().data_message.load(); }
void ale_data_message_set() { frame_event_state().data_message = 1; }
void ale_data_message_clear() { frame_event_state().data_message = 0; }

void ale_frame_event(int event) {
  ale_frame_event_text(event, ale_rx_accumulator());
}

void ale_frame_event_text(int event, const char* text) {
  if (text == nullptr) text = "";
  for (const FrameEventRow& row : kFrameEventRows) {
    if (row.event != event) continue;
    row.handle(event, text);
    return;
  }
}

const char* ale_frame_caller() { return ctx().caller.data(); }
int ale_frame_for_me() { return ctx().for_me; }
const char* ale_frame_last_amd() { return ctx().last_amd_flag != 0 ? ctx().last_amd.data() : nullptr; }
int ale_frame_call_lqa() { return ctx().call_lqa; }
int ale_frame_lqa_report_flag() { return (ctx().lqa_word & kLqaExchangeBit) != 0 ? 1 : 0; }
int ale_frame_peer_index() { return ctx().other_index; }
void ale_frame_set_lqa_word(uint32_t word) { ctx().lqa_word = word; }
const FrameContext& ale_frame_context() { return ctx(); }

}  // namespace vesk
