// Frame sections: what every frame this station sends is made of.
//
// A frame is assembled from the frame addresses kept here (the own address it is sent from,
// the called list, the ending TIS or TWAS), the message sections that other layers queue for
// the next frame of a kind, and the transmitter of that kind (ale/link/transmitters.h), which
// the link state machine runs at key-down. Sections wait in five queues (call, traffic,
// acknowledgement, poll, link message); the composer pops them in order and writes their
// words after each other into the frame's word array of 80 words. A section that no longer
// fits stays queued for the next frame, so nothing is written past the array.
//
// Sections are heap records: a pusher that succeeds hands the record to the queue; the
// composer or a flush frees it. A DTM or DBM section only points at its `MessageBlock`, which
// stays the message layer's: neither the composer nor a flush ever frees a block.
//
// The lead-in sound of a call made while scanning plays on the station's audio output from a
// thread of its own (ale_play_lead_sound), so that the worker, which runs the transmitters
// under the link lock, never waits for it.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "db/ale_chars.h"
#include "ale/frames/message_block.h"
#include "ale/words/ale_word.h"

namespace vesk {

struct LockedQueue;

inline constexpr int kSectionQueueCount = 5;
inline constexpr int kSectionQueueSize = 30;
inline constexpr int kFrameWordsMax = 80;
inline constexpr int kCalledListMax = 15;    // addresses a call may name
inline constexpr int kCalledListSlots = 20;
inline constexpr int ALE_ENDING_TIS = 5;
inline constexpr int ALE_ENDING_TWAS = 3;
inline constexpr int kVoiceIdIntervalMs = 600000;
inline constexpr const char* kTuneSoundFile = "atu_tune.wav";
inline constexpr int kAqcBinaryDataElement = 6;

enum SectionQueue : int {
  SECTIONS_CALL = 0,
  SECTIONS_TRAFFIC = 1,
  SECTIONS_ACK = 2,
  SECTIONS_POLL = 3,
  SECTIONS_LINK_MESSAGE = 4,
};

enum FrameSectionKind : int {
  SECTION_AMD = 0,
  SECTION_CODED = 1,
  SECTION_CHECK = 2,
  SECTION_LQA = 3,
  SECTION_DTM_CONTROL = 4,
  SECTION_DBM_ACK = 5,
  SECTION_DTM_BLOCK = 6,
  SECTION_DBM_BLOCK = 7,
  SECTION_LP_TIME = 8,
  SECTION_WORDS = 9,
};

// One queued section. Only the fields of its kind are used.
struct FrameSection {
  int kind = SECTION_AMD;
  std::string text;                 // AMD text
  std::vector<uint8_t> bytes;       // coded or binary message
  int data_element = 0;             // AQC-ALE data-element code of a binary message
  char address[16]{};               // LQA word: the called address
  int value = 0;                    // LQA flag, DTM control, DBM acknowledgement
  void* block = nullptr;            // DTM or DBM MessageBlock: not owned
  std::vector<AleWord> words;       // ready-made words
};

// How the DTM and DBM sections write their blocks: the message senders above these sections
// do it; the station's wiring binds them.
struct FrameSectionHooks {
  // The words of a DTM block, or of a DTM acknowledgement of `value`, into `out`: the number
  // written, 0 when they do not fit.
  std::function<int(const MessageBlock& block, std::span<AleWord> out)> dtm_block;
  std::function<int(int value, std::span<AleWord> out)> dtm_ack;
  // A DBM block, or a DBM acknowledgement of `value`, queued as raw groups by the sender.
  std::function<int(const MessageBlock& block)> dbm_block;
  std::function<int(int value)> dbm_ack;
};

struct FrameSectionState {
  FrameSectionState() = default;
  ~FrameSectionState();
  FrameSectionState(const FrameSectionState&) = delete;
  FrameSectionState& operator=(const FrameSectionState&) = delete;

  std::array<LockedQueue*, kSectionQueueCount> queues{};
  char own_address[16]{};
  std::array<std::array<char, 16>, kCalledListSlots> called{};
  int called_count = 0;
  int ending = ALE_ENDING_TIS;
  char dest_address[16]{};
  FrameSectionHooks hooks;

  // Plays the lead-in sound so that the worker never waits for it.
  std::thread sound_thread;
  std::atomic<bool> sound_active{false};
};

FrameSectionState& frame_sections();

// What the frame to send asks of the link state machine that sends it: an acknowledgement
// carried in it, no reply awaited, the link ended by it. The section and message builders
// set them; the machine reads and clears them.
struct FrameFlags {
  std::atomic<int> ack_in_frame{0};
  std::atomic<int> no_reply{0};
  std::atomic<int> end_link{0};
};
FrameFlags& frame_flags();
int ale_ack_in_frame();
void ale_ack_in_frame_set();
void ale_ack_in_frame_clear();
void ale_no_reply_set(int value);
int ale_no_reply();
void ale_end_link_set(int value);
int ale_end_link();

void ale_section_queues_init();
void ale_sections_flush();
void ale_ack_sections_flush();
int ale_sections_pending();
int ale_traffic_pending();
// Frees the traffic sections that carry a message block about to be freed.
void ale_section_drop_block(const void* block);
LockedQueue* ale_ack_section_queue();
int ale_section_count(int queue);

// Pushers: 1 when queued (the queue owns the section), 0 when full (the caller keeps it).
int ale_section_push(int queue, FrameSection* section);
int ale_section_push_call(FrameSection* section);
int ale_section_push_traffic(FrameSection* section);
int ale_section_push_ack(FrameSection* section);
int ale_section_push_poll(FrameSection* section);
int ale_section_push_link_message(FrameSection* section);
int ale_queue_traffic_text(const char* text);
int ale_queue_traffic_binary(const uint8_t* data, int length);

// Frame addresses.
void ale_set_own_address(const char* text);
void ale_load_own_address();
const char* ale_own_address_text();
// Copies up to 15 addresses; more are refused with a log line, the list unchanged (returns 0).
int ale_set_called_list(const AddressList& addresses);
void ale_set_called(const char* address);
const char* ale_first_called_address();
// The called addresses, first to last.
std::vector<const char*> ale_called_pointers();
int ale_called_count();
std::string ale_called_list_text();
void ale_end_calls_with_tis();
void ale_end_calls_with_twas();
int ale_call_ending();
void xfer_set_dest_address(const char* text);
const char* xfer_dest_address();

// Composer: pops the queue's sections in order and writes their words into `out`; returns the
// number of words written. Sections that do not fit stay queued.
int ale_compose_sections(int queue, std::span<AleWord> out);
// Composes the queue's sections into `frame` after its first `n` words. A section that queues
// its own words (a DBM block or acknowledgement: its body is raw groups) first hands over the
// frame's words not yet sent, so the frame keeps its order; `sent` counts those handed over.
void ale_compose_into(int queue, std::span<AleWord> frame, int& n, int& sent);
void ale_tx_word_array(const AleWord* words, int count);

// Plays a sound on the WAV player from a thread of its own; `handed` runs once the sound's last
// sample is in the transmit feed, or when it could not be played. Returns 1 when started, 0
// while another sound plays.
int ale_play_lead_sound(const std::string& file, std::function<void()> handed);
// Waits for the lead-in sound's thread to end (tests, engine stop).
void ale_lead_sound_wait();

}  // namespace vesk
