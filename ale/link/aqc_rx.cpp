#include "ale/link/aqc_rx.h"

#include <cstring>

#include "ale/engine/events.h"
#include "ale/engine/timer.h"
#include "ale/frames/address_match.h"
#include "ale/frames/amd_store.h"
#include "ale/frames/cmd_words.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/link/aqc.h"
#include "ale/link/aqc_slots.h"
#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "ale/messages/dtm.h"
#include "ale/words/linking_protection.h"
#include "db/crc16.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"

namespace vesk {

namespace {

constexpr int kNoPreamble = -1;  // the reset mark: no pair yet in this frame
constexpr int kTwackMs = 15000;

struct AqcRxState {
  bool open = false;
  bool recognised = false;
  int event = EV_AQC_NOT_FOR_ME;
  int soundings = 0;
  int bad_run = 0;
  // The first half of the address being received.
  bool first_pending = false;
  int first_preamble = 0;
  std::string first_chars;
  int first_de = 0;
  int last_preamble = kNoPreamble;
  // Recorded for the event. The called address stays from frame to frame: a frame of only
  // TIS words answers the call that named it.
  std::string called, caller;
  int d1 = -1, d2 = -1;
  int net_call = 0, net_index = -1, slot = 0;
  // In-link data.
  bool inlink = false;
  int expected_groups = 0;
  bool data_follows = false;
  int crc_state = AQC_CRC_NONE;
  int32_t crc = 0xFFFF;
  std::vector<std::vector<AleWord>> groups;
  bool groups_dropped = false;
  AqcInlinkRecord last_inlink;
};

AqcRxState& rx() { return station().state<AqcRxState>(); }

bool in_link_state(int state) {
  return (state >= ALE_STATE_LINKED_IDLE && state <= ALE_STATE_LINKED_BRINGING_DOWN_LINK) ||
         (state >= ALE_STATE_NET_LINKED_WAIT_COMPLETION_OF_INITIAL_FRAME && state <= ALE_STATE_NET_LINKED_WAIT_RESPONSE);
}

void log_dropped(const char* what) {
  log_printf("[%s][%s][AQC: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), what);
}

void trace_pair(int preamble, const std::string& address, int d1, int d2) {
  if (db_get_trace_rx_words() == 0) return;
  const char* name = preamble == ALE_TO ? "TO " : preamble == ALE_TIS ? "TIS" : preamble == ALE_TWAS ? "TWS" : "INK";
  log_printf("[%s][%s][DE %d DE %d]\n", name, address.c_str(), d1, d2);
}

// The TO pair: this station, one of its nets, or a global form.
void called_pair(AqcRxState& s, std::string address, int d1, int d2) {
  int event = -1;
  char own[32] = {};
  if (address == "@?@") event = EV_AQC_ALLCALL_PROBE;
  if (address == "@@?") event = EV_AQC_ANYCALL_PROBE;
  const int net = db_find_net_index(address.c_str());
  if (net >= 0) {
    event = EV_AQC_CALL_PROBE;
    s.net_call = 1;
    s.net_index = net;
  }
  if (aqc_is_own_address(address.c_str())) event = EV_AQC_CALL_PROBE;
  if (address.size() == 3 && address[0] == '@' && address[2] == '@' && address[1] != '?' &&
      aqc_own_address_by_last_char(address[1], own)) {
    event = EV_AQC_ALLCALL_PROBE;
    address = own;
  } else if (address.size() == 3 && address[0] == '@' && address[1] == '@' && address[2] != '?' &&
             aqc_own_address_by_last_char(address[2], own)) {
    event = EV_AQC_ANYCALL_PROBE;
    address = own;
  }
  if (event < 0) {
    if (!s.recognised) s.event = EV_AQC_NOT_FOR_ME;
    return;
  }
  s.recognised = true;
  s.event = event;
  s.called = address;
  s.d1 = d1;
  s.d2 = d2;
}

bool same_station(const char* name, const std::string& received) {
  return aqc_strip_fill(aqc_six_chars(name)) == received;
}

// One of the stations this station's call names, or a member of the net it calls (as
// received: the six-character form).
bool called_station(const std::string& address) {
  const FrameSectionState& f = frame_sections();
  for (int i = 0; i < f.called_count && i < kCalledListSlots; ++i)
    if (same_station(f.called[static_cast<std::size_t>(i)].data(), address)) return true;
  const int net = call_setup().peer_net;
  if (ale_call_type() != ALE_CALL_NET || net < 0) return false;
  DbLock lock;
  const NetRecord* rec = db_get_net(lock, net);
  if (rec == nullptr) return false;
  for (int i = 0; i < kNetMemberSlots; ++i) {
    const OtherAddressRecord* other = db_get_other_address(lock, rec->members[i]);
    if (other == nullptr || other->in_use != 1 || i == rec->own_slot) continue;
    const std::string name(other->address, strnlen(other->address, sizeof other->address));
    if (same_station(name.c_str(), address)) return true;
  }
  return false;
}

void sounding_pair(AqcRxState& s, int preamble, const std::string& caller, int d1, int d2) {
  s.event = preamble == ALE_TIS ? EV_AQC_TIS_SOUND_PROBE : EV_AQC_TWS_SOUND_PROBE;
  s.caller = caller;
  s.d2 = d2;
  ++s.soundings;
  if (d1 == 1 || s.soundings >= 2) aqc_rx_frame_end();
}

void inlink_pair(AqcRxState& s, const std::string& caller, int d1, int d2) {
  if (s.last_preamble == kNoPreamble) {
    s.recognised = true;
    s.net_call = 0;
    s.slot = 0;
  }
  s.event = EV_AQC_INLINK;
  s.inlink = true;
  s.caller = caller;
  s.d1 = d1;
  s.d2 = d2;
  const int count = d1 & 7, code = d2 & 7;
  s.expected_groups = (code == AQC_CODE_TEXT || code == AQC_CODE_DATA) ? count : code == AQC_CODE_OPERATOR ? 1 : 0;
  s.groups.clear();
  s.groups_dropped = false;
  s.crc_state = AQC_CRC_NONE;
  s.crc = 0xFFFF;
  if (s.expected_groups > 0) {
    lp_rx_expect_following();
    s.data_follows = true;
    frame_event_state().ctx.for_me = 1;
  } else {
    s.data_follows = false;
    aqc_rx_frame_end();
  }
}

void address_pair(AqcRxState& s, int preamble, const std::string& address, int d1, int d2) {
  trace_pair(preamble, address, d1, d2);
  if (preamble == ALE_TO) {
    called_pair(s, address, d1, d2);
  } else if (ale_is_idle() != 0) {
    if (preamble == ALE_THRU) {
      s.event = EV_AQC_NOT_FOR_ME;
      s.last_preamble = preamble;
      aqc_rx_frame_end();
      return;
    }
    if (s.last_preamble == ALE_TO) {
      // The end of a call: its caller.
      s.caller = address;
      s.d1 = d1;
      s.d2 = d2;
      s.last_preamble = preamble;
      aqc_rx_frame_end();
      return;
    }
    sounding_pair(s, preamble, address, d1, d2);
  } else if (preamble == ALE_THRU) {
    inlink_pair(s, address, d1, d2);
  } else if (s.last_preamble == preamble) {
    sounding_pair(s, preamble, address, d1, d2);
  } else {
    // TIS or TWAS while a call is in progress: the answer of the station called, or the
    // acknowledgement of the station that called.
    // A slotted answer to a net or group call names only the station answering, one of those
    // called; any station may answer an anycall.
    const std::string own = ale_own_address_text();
    const bool answers = own == s.called || (!own.empty() && own[0] == '@') || called_station(address) ||
                         ale_call_type() == ALE_CALL_ANYCALL;
    if (answers) {
      s.d1 = d1;
      s.d2 = d2;
      if (s.last_preamble == ALE_TO || s.last_preamble == kNoPreamble) s.event = EV_AQC_CALL_HANDSHAKE;
      s.caller = address;
      s.recognised = true;
    }
    s.last_preamble = preamble;
    aqc_rx_frame_end();
    return;
  }
  if (s.open) s.last_preamble = preamble;
}

void message_word(AqcRxState& s, const RxWordRecord& record) {
  const AleWord word = record.word & kAleWordBits;
  if (db_get_trace_rx_words() != 0)
    log_printf(ale_word_type(word) == ALE_CMD ? "[CMD %.6X ]\n" : "[RPT %.6X ]\n", static_cast<unsigned>(word));
  if (!s.data_follows) return;
  const bool cmd = ale_word_type(word) == ALE_CMD;
  if (cmd && ale_is_check_word(word)) {
    const int32_t expected = ~s.crc & 0xFFFF;
    s.crc_state = static_cast<int32_t>(word & 0xFFFF) == expected ? AQC_CRC_OK : AQC_CRC_BAD;
    s.crc = 0xFFFF;
    // The check word also closes a DTM block of the frame: its receiver checks the block itself.
    if (ale_cmd_state() == CMD_DTM) {
      rx_parser_state().current = record;
      dtm_rx_check_word(record);
    }
    if (static_cast<int>(s.groups.size()) >= s.expected_groups) {
      ale_cmd_close();
      aqc_rx_frame_end();
    }
    return;
  }
  crc16_update_24bits(static_cast<int32_t>(word), &s.crc);
  if (cmd) {
    ale_cmd_close();
    if (static_cast<int>(s.groups.size()) < kAqcGroupsMax) {
      s.groups.emplace_back();
    } else if (!s.groups_dropped) {
      s.groups_dropped = true;
      log_dropped("IN-LINK GROUPS BEYOND 8 DROPPED");
    }
  }
  if (!s.groups_dropped && !s.groups.empty() && static_cast<int>(s.groups.back().size()) < kAqcGroupWordsMax)
    s.groups.back().push_back(word);
  rx_parser_state().current = record;
  if (cmd)
    ale_rx_cmd_word(record);
  else
    ale_rx_message_word(record);
}

// The orders of an in-link frame whose check word matched.
void apply_orders(const AqcRxState& s) {
  for (const std::vector<AleWord>& g : s.groups) {
    if (g.empty()) continue;
    AqcChannelDefinition d;
    int slot = 0, value = 0;
    if (aqc_parse_channel_definition(g.data(), static_cast<int>(g.size()), &d)) {
      ChannelRecord rec{};
      db_copy_channel(d.channel, &rec);
      rec.in_use = 1;
      rec.rx_freq_hz = d.rx_hz;
      rec.tx_freq_hz = d.tx_hz;
      rec.rx_mode = d.rx_mode;
      rec.tx_mode = d.tx_mode;
      db_store_channel(d.channel, rec);
      if (d.channel == 0) radio_set_channel(0, rec);
    } else if (aqc_parse_slot_assignment(g[0], &slot, &value)) {
      if (slot < kAqcSlotCount && value < kAqcSlotValueLimit) aqc_slot_set(slot, value);
    }
  }
}

}  // namespace

void aqc_rx_frame_start() {
  AqcRxState& s = rx();
  s.open = true;
  s.recognised = false;
  s.event = EV_AQC_NOT_FOR_ME;
  s.soundings = 0;
  s.first_pending = false;
  s.last_preamble = kNoPreamble;
  s.d1 = s.d2 = -1;
  s.caller.clear();
  s.net_call = 0;
  s.net_index = -1;
  s.slot = 0;
  s.inlink = false;
  s.data_follows = false;
  s.expected_groups = 0;
  s.groups.clear();
  frame_event_state().ctx.for_me = 0;
  ale_parser_reset();
}

void aqc_rx_word(const RxWordRecord& record) {
  AqcRxState& s = rx();
  if (record.bad != 0) {
    if (s.open && ++s.bad_run >= kAqcBadWordsEnd) aqc_rx_frame_end();
    return;
  }
  s.bad_run = 0;
  if (!s.open) aqc_rx_frame_start();
  ale_rx_add_statistics(record);
  const AleWord word = record.word & kAleWordBits;
  ale_monitor_cmd_word(word);  // the command monitor sees AQC-ALE frames' words too
  const int type = static_cast<int>(ale_word_type(word));
  switch (type) {
    case ALE_TO:
    case ALE_TWAS:
    case ALE_TIS:
    case ALE_THRU:
      s.first_pending = true;
      s.first_preamble = type;
      s.first_chars = aqc_word_chars(word);
      s.first_de = aqc_word_de(word);
      if (type == ALE_THRU) s.crc = 0xFFFF;
      break;
    case ALE_FROM: {
      const AleWord first = record.corrected_previous & kAleWordBits;
      if (s.first_pending && first != 0 && ale_word_type(first) != ALE_FROM) {
        // Linking protection read the pair's first word again under the seed of its FROM word.
        s.first_preamble = static_cast<int>(ale_word_type(first));
        s.first_chars = aqc_word_chars(first);
        s.first_de = aqc_word_de(first);
      }
      const std::string address = aqc_strip_fill(s.first_chars + aqc_word_chars(word));
      if (s.first_pending) {
        s.first_pending = false;
        address_pair(s, s.first_preamble, address, s.first_de, aqc_word_de(word));
      }
      break;
    }
    default:
      message_word(s, record);
      break;
  }
}

int aqc_rx_frame_open() { return rx().open ? 1 : 0; }

void aqc_rx_frame_end() {
  AqcRxState& s = rx();
  if (!s.open) return;
  s.open = false;
  s.last_preamble = kNoPreamble;
  s.first_pending = false;
  int event = s.event;
  FrameContext& c = frame_event_state().ctx;
  const bool sounding = event == EV_AQC_TIS_SOUND_PROBE || event == EV_AQC_TWS_SOUND_PROBE;
  if (s.recognised || sounding) {
    c.aqc.caller = s.caller;
    c.aqc.net_call = s.net_call;
    c.aqc.net_index = s.net_index;
    c.aqc.slot = s.slot;
    c.aqc.noise = s.d2 < 0 ? 0 : s.d2;
  }
  if (s.recognised && s.inlink) {
    AqcInlinkRecord& r = s.last_inlink;
    r.called = s.called;
    r.caller = s.caller;
    r.crc_state = s.crc_state;
    r.ack_request = (s.d1 >> 3) & 1;
    r.second_flag = (s.d2 >> 3) & 1;
    r.code = s.d2 & 7;
    r.net_call = s.net_call;
    r.data_follows = s.data_follows ? 1 : 0;
    r.slot = s.slot;
    c.aqc.amd_check_state = s.crc_state;
    if (s.crc_state == AQC_CRC_OK) apply_orders(s);
    // A station in a link acts on the frame once, here; the link state machine reads the
    // answer. One still calling or answering a call leaves others' in-link frames alone.
    c.aqc.inlink_answer = in_link_state(ale_link_state()) ? aqc_rx_inlink_reply() : 0;
  }
  if (!s.recognised && !sounding) event = EV_AQC_FRAME_END;
  if (event != EV_AQC_FRAME_END) ale_frame_event_text(event, "");
  ale_frame_event_text(EV_AQC_FRAME_END, "");
}

const AqcInlinkRecord& aqc_rx_last_inlink() { return rx().last_inlink; }

int aqc_rx_inlink_reply() {
  AqcInlinkRecord& r = rx().last_inlink;
  const char* caller = r.caller.c_str();
  if (r.second_flag == 0) {
    ale_linked_remove(caller);
    ale_link_cleared(caller);
    if (ale_linked_count() == 0) ale_return_to_scan();
  }
  if (r.code != AQC_CODE_OPERATOR) {
    aqc_amd_store_flush();
  } else if (r.data_follows != 0) {
    const FrameContext& c = frame_event_state().ctx;
    const std::string text = c.last_amd_flag != 0 ? std::string(c.last_amd.data()) : std::string();
    if (text.rfind("REQ", 0) == 0 && r.ack_request != 0) {
      log_send_operator_ack_now(caller);
      timer_start(EV_TWACK_TIMER, kTwackMs);
    } else if (text.rfind("ACK", 0) == 0) {
      log_operator_ack(caller);
      timer_stop(EV_TWACK_RESP_TIMER);
    } else if (text.rfind("NAK", 0) == 0) {
      log_operator_nak(caller);
      timer_stop(EV_TWACK_RESP_TIMER);
    }
  }
  if (r.code == AQC_CODE_TERMINATE) {
    ale_link_cleared(caller);
    ale_return_to_scan();
  } else if (r.code == AQC_CODE_NAK) {
    log_nak(caller);
  } else if (r.code == AQC_CODE_ACK) {
    log_ack(caller);
  }
  int answer = 0;
  if (r.ack_request != 0) {
    if (r.code != AQC_CODE_OPERATOR) {
      AqcTxSettings& t = aqc_tx_settings();
      t.first_flag = 0;
      t.first_code = 0;
      answer = (r.net_call != 0 || r.slot > 0) ? 2 : 1;
      if (r.crc_state == AQC_CRC_OK) {
        ale_channel_return_cancel();
        t.second_code = AQC_CODE_ACK;
      } else {
        ale_channel_meet();
        t.second_code = AQC_CODE_NAK;
      }
    }
  } else if (ale_section_count(SECTIONS_LINK_MESSAGE) > 0 || ale_section_count(SECTIONS_ACK) > 0) {
    // A message to send, or the acknowledgement of a data block of this frame.
    answer = 1;
  }
  ale_set_called(caller);
  ale_no_reply_set(1);
  aqc_set_second_word_flag(1);
  return answer;
}

}  // namespace vesk
