// Frame events: what the current received frame has said, and the protocol events it raises.
//
// The frame parser (and the AQC-ALE receiver) report the pieces of a frame as they arrive:
// its begin, each called address, the message section, AMD texts, each TIS or TWAS ending,
// its end. The handler keeps them in the frame context (who is called, who calls, whether it
// is for this station, the AMD texts, the signal scores), records the caller's link quality,
// logs heard calls and soundings, and raises the events the link state machine acts on:
// EV_FRAME_FOR_ME, EV_FRAME_FOR_ME_CLEAR, EV_FRAME_NOT_FOR_ME, EV_FRAME_NOT_FOR_ME_CLEAR,
// EV_FRAME_GLOBAL_CLEAR, the sounding events, and the frame begin and end themselves.
//
// Everything here runs on the engine worker thread.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vesk {

inline constexpr int kFrameCalledMax = 12;
inline constexpr int kFrameAmdMax = 30;
inline constexpr int kFrameAmdTextMax = 90;
inline constexpr int kFrameAddressSize = 16;  // 15 characters and the NUL
// The noise figure recorded with the scores of a 141A frame.
inline constexpr int kFrameNoise141a = 15;

enum FrameKind : int {
  FRAME_KIND_NONE = 0,
  FRAME_KIND_INDIVIDUAL = 1,
  FRAME_KIND_NET = 2,
  FRAME_KIND_GROUP = 3,
  FRAME_KIND_ANYCALL = 4,  // also a wildcard
  FRAME_KIND_ALLCALL = 5,
  FRAME_KIND_INLINK = 9,
};
inline constexpr int kEndingTwas = 3;
inline constexpr int kEndingTis = 5;

using FrameAddress = std::array<char, kFrameAddressSize>;
using FrameAmdText = std::array<char, kFrameAmdTextMax + 1>;

// What the AQC-ALE receiver knows of the frame it reports: it fills these before it raises an
// AQC-ALE event.
struct AqcProbeInfo {
  std::string caller;
  int net_call = 0;    // the call was marked as a net call
  int net_index = -1;  // the called net
  int slot = 0;        // the AQC slot number
  int noise = 0;       // the noise value of the probe
  int first_word = 0;  // the frame began with an AQC-ALE word
  int inlink_answer = 0;     // what an in-link word asks of the station (InlinkAnswer)
  int amd_check_state = 0;   // the CRC state of the AMD texts of an AQC-ALE frame
};

struct FrameContext {
  int kind = FRAME_KIND_NONE;
  int addressed = 0;
  int for_me = 0;
  int end_handled = 0;
  // Called addresses, filled in turn; a 13th overwrites the first.
  std::array<FrameAddress, kFrameCalledMax> called{};
  int called_count = 0;
  int called_next = 0;
  FrameAddress caller{};
  int caller_words = 0;
  int ending = 0;
  int endings_seen = 0;
  FrameAddress previous_caller{};
  // Records the frame is addressed to, and the caller's: table indexes, -1 for none.
  int own_index = -1;
  int net_index = -1;
  int other_index = -1;
  FrameAddress from{};
  FrameAddress addressed_own{};
  uint32_t lqa_word = 0;
  // Whether the last frame that asked this station for an answer carried an LQA word; kept
  // while other frames are heard, as a slotted answer waits for the others.
  int call_lqa = 0;
  std::array<FrameAmdText, kFrameAmdMax> amd_texts{};
  int amd_count = 0;
  FrameAmdText last_amd{};
  int last_amd_flag = 0;
  int sinad_score = 0;
  int ber_score = 0;
  AqcProbeInfo aqc;
};

// What the frame event handler asks of the link above it; the station's wiring binds it.
struct FrameEventHooks {
  // The kind of the frame (a 141A event only), then the event itself, for the link state
  // machine.
  std::function<void(int kind)> frame_kind;
  std::function<void(int event)> link_event;
  // Whether the station is scanning.
  std::function<bool()> scanning;
  // An AQC-ALE frame begins.
  std::function<void()> aqc_frame_start;
  // The end of a heard call (EV_FRAME_NOT_FOR_ME or EV_FRAME_NOT_FOR_ME_CLEAR), once per frame.
  std::function<void(int event)> heard_call_ended;
  // The link timing sets this station's answer slot (SWT) and its wait for the caller's
  // acknowledgement (TWAN): in a net call, in a group call by `list`, in an anycall (a slot
  // drawn at random), in the AQC-ALE slot `slot`.
  std::function<void(int net, const char* caller)> slots_net;
  std::function<void(const std::vector<std::string>& list, const char* caller)> slots_group;
  std::function<void()> slots_anycall;
  std::function<void(int slot)> slots_aqc;
};

struct FrameEventState {
  FrameEventHooks hooks;
  FrameContext ctx;
  // Whether the frame carries a data message: set by the command-word decoder at a DTM or DBM
  // header and by the link when it starts a data frame, cleared at each frame begin.
  std::atomic<int> data_message{0};
};

FrameEventState& frame_event_state();
int ale_data_message();
void ale_data_message_set();
void ale_data_message_clear();

// The handler: `event` with the text the parser holds for it.
void ale_frame_event(int event);
// The same with the event's text given (the AQC-ALE receiver, tests).
void ale_frame_event_text(int event, const char* text);

// Queries for other modules.
const char* ale_frame_caller();
int ale_frame_for_me();
// The last AMD text of the frame, or null when none arrived.
const char* ale_frame_last_amd();
// 1 when the last frame asking this station for an answer carried an LQA word: only then has
// the answer room for one.
int ale_frame_call_lqa();
// Bit 13 of the LQA report word received in this frame.
int ale_frame_lqa_report_flag();
// The other-address index of the frame's caller, or -1.
int ale_frame_peer_index();
// The command-word decoder stores the LQA report word of the frame here.
void ale_frame_set_lqa_word(uint32_t word);
const FrameContext& ale_frame_context();


}  // namespace vesk
