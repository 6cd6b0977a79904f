// The block of a DTM or DBM data message, as the send queues cut it, a frame section carries it
// and the transmitters send it, and the fields of the DTM and DBM header words.
//
// A header word is a CMD word whose first character names the message ("d" DTM, "b" DBM),
// then four flags and a 10-bit data count (DC):
//   bit 13  KD4  ARQ block (the receiver answers); in an acknowledgement: NAK
//   bit 12  KD3  7-bit text (clear: binary data)
//   bit 11  KD2  message toggle: the same in every block of one message
//   bit 10  KD1  block toggle: flips from one block to the next
//   bits 0-9 DC
#pragma once

#include <cstdint>
#include <vector>

#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr AleWord kDtmHeaderWord = 0xD90000;  // CMD "d"
inline constexpr AleWord kDbmHeaderWord = 0xD88000;  // CMD "b"
inline constexpr int kKd4 = 1 << 13;
inline constexpr int kKd3 = 1 << 12;
inline constexpr int kKd2 = 1 << 11;
inline constexpr int kKd1 = 1 << 10;
inline constexpr int kKdToggles = kKd2 | kKd1;
inline constexpr int kKdAck = kKd4 | kKdToggles;  // what an acknowledgement carries
inline constexpr int kDcMask = 0x3FF;

// One block of a message. The send queues own it; a frame section only points at it.
struct MessageBlock {
  int kind = 6;               // the frame-section kind: 6 DTM, 7 DBM
  char destination[16]{};     // where the block goes
  int more_follow = 0;        // 1 while further blocks of the same message follow
  int header = 0;             // the header word without DC
  std::vector<uint8_t> data;  // the block's bytes (characters for text)
};

constexpr bool message_header_text(int header) { return (header & kKd3) != 0; }
constexpr bool message_header_arq(int header) { return (header & kKd4) != 0; }

// The data words of a DTM block of `length` bytes (characters when `text`): three characters
// or 21 bits a word.
constexpr int dtm_data_words(bool text, int length) {
  if (length <= 0) return 0;
  if (text) return (length + 2) / 3;
  return (8 * length + 20) / 21;
}

}  // namespace vesk
