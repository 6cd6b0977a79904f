// Call set-up and link termination: the engine's entry points for everything this station
// initiates. Each classifies the target, prepares the frame addresses, the message section and
// the computed waits, chooses the channel (by link quality while scanning) and starts the
// matching initiate event, so that the link state machine takes over on the worker thread.
//
// The entry points hold the link lock while they run: two callers on different threads (the
// window, the host port, the worker) never overwrite each other's call state, and none of them
// changes the call state while a transition reads it.
#pragma once

#include <array>
#include <deque>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "ale/link/channel_choice.h"

namespace vesk {

struct FrameSection;

enum CallClass : int {
  CALL_CLASS_INDIVIDUAL = 1,
  CALL_CLASS_NET = 2,
  CALL_CLASS_GROUP = 3,
  CALL_CLASS_ANYCALL = 4,
  CALL_CLASS_ALLCALL = 5,
  CALL_CLASS_NULL_ADDRESS = 8,  // "@@@"
  CALL_CLASS_INLINK = 9,        // "?@?"
  CALL_CLASS_NOT_CALLABLE = 10,
};

inline constexpr int kCallInitiateDelayMs = 100;
inline constexpr int kNullAddressTwrMs = 2000;
inline constexpr int kNullAddressTtMs = 3000;

// The station the call is addressed to: an other-address record, or a built-in record of a
// pseudo address ("@?@", "@@?", "?@?", "@@@") with its own reply and tune times.
struct CallPeer {
  int other_index = -1;
  bool pseudo = false;
  std::array<char, 16> address{};
  int twr_ms = 0;
  int tt_ms = 0;
};

// An AMD given while the station was in an exchange with another station, kept until the
// exchange is over.
struct HeldAmd {
  AddressList addresses;
  std::string text;
};
inline constexpr std::size_t kHeldAmdMax = 16;

struct CallSetupState {
  // The channels this call tries, in order, the next entry and the rounds left.
  std::array<int, kCallChannelsMax> channels{};
  int channel_count = 0;
  int channel_next = 0;
  int attempts_left = 0;
  CallPeer peer;
  int peer_net = -1;
  std::string inlink_text;
  std::array<char, 16> poll_address{};
  std::array<char, 16> first_address{};
  std::atomic<int> binary_message{0};
  std::deque<HeldAmd> held_amd;
  bool exchange_seen = false;  // the link state was in an exchange at the last look
};

CallSetupState& call_setup();

// Classifies a call's address list, rewriting it in place: a net becomes its members (the own
// slot left out), a group keeps only the known stations (each unknown one is logged).
int ale_classify_call(AddressList& addresses);

void ale_place_call(const AddressList& addresses, const char* message);
void ale_call_address(const char* address, const char* message);
void ale_send_in_link(const AddressList& addresses, const char* message);
void ale_send_amd_linked(const char* address, const char* message);
// The AMD retry: the text the last in-link send kept, again to the first linked station,
// ending with TIS. Nothing when no station is linked.
void ale_resend_amd_linked();
// An AMD: in the link when one is up, otherwise in a call. While the station is in a call,
// handshake or sounding with another station, the AMD is held (and said so in the log) and
// given again once that exchange is over; more than kHeldAmdMax waiting are refused.
void ale_send_amd(const AddressList& addresses, const char* text);
// After each link event: when an exchange has just ended, the oldest held AMD is posted.
void ale_release_held_amd();
void ale_send_amd_address(const char* address, const char* text);
void ale_terminate_link(const AddressList& addresses, const char* message);
void ale_terminate_address(const char* address, const char* message);

// Message sections. `push` is one of the section queue pushers; 1 when a section was queued.
int ale_queue_message(const char* text, int (*push)(FrameSection*));
int ale_queue_binary_message(const std::vector<uint8_t>& data, int (*push)(FrameSection*));
void ale_set_binary_message(int on);
void ale_queue_motd();

void ale_global_allcall(int channel, const char* message);
void ale_selective_allcall(int channel, const char* selector, const char* message);
void ale_global_anycall(int channel, const char* message);
void ale_selective_anycall(int channel, const char* selector, const char* message);

void ale_start_poll(const char* address, int channel);
void ale_poll_answer();
void ale_start_twas_sounding(int channel);
void ale_start_tis_sounding(int channel);

void ale_abort();
void ale_toggle_scanning();
void ale_reset_modem();

// Steps to the call's next channel, tuning the radio to it. 1 when the channels are used up
// (or the entry names no channel), 0 otherwise; 0 without a step when not scanning or linked.
int ale_next_call_channel();
// The call-failed event for the transfer queue and the FAILED line with the called addresses.
void ale_call_failed();

// The other-address index of the station being called, or -1 (a pseudo address, no call).
int ale_call_peer_index();


}  // namespace vesk
