// DTM data messages: a block of 7-bit text or binary data inside an ALE frame, as a header CMD
// word, data words (DATA and REP alternating) and the frame's check word.
//
// Transmit: `dtm_transmit` writes one block's words for the frame composer; `dtm_build_ack`
// the acknowledgement (a header with DC 352, NAK by KD4).
// Receive (engine worker, from the command-word decoder): the header, data and check words of
// one block are stored with a quality byte; a block that fails its CRC is merged word by word
// into a best-copy store that survives from frame to frame, so that two damaged copies of an
// ARQ block can still give the block. A good ARQ block is acknowledged (repeats too); a repeat
// (same block toggle) is delivered only once. Text goes to the received text buffer, binary
// data to the received data buffer.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "ale/frames/message_block.h"
#include "ale/messages/message_sequence.h"
#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"

namespace vesk {

inline constexpr int kDtmStoreSize = 353;        // header, up to 351 data words, check word
inline constexpr int kDtmExtendedMax = 351;      // data words of an extended block
inline constexpr int kDtmAckDc = 352;
inline constexpr int kDtmBasicTextMax = 93;      // characters of a basic text block
inline constexpr int kDtmBasicBinaryMax = 81;    // bytes of a basic binary block
inline constexpr int kDtmWordsMax = kDtmStoreSize;

struct DtmRxState {
  std::array<uint32_t, kDtmStoreSize> store{};  // word in bits 0-23, quality in bits 24-31
  int stored = 0;
  std::array<uint32_t, kDtmStoreSize> best{};
  int32_t check_start = 0xFFFF;
  int count = 0;    // data words of the current block
  int header = 0;   // the last header (KD bits and DC)
  bool open = false;  // a header with data words was taken in this frame
  MessageSequences sequences;
  DtmRxState() { best.fill(0xFFFFFFFFu); }
};

DtmRxState& dtm_rx_state();

// The DC of a block of `length` bytes (characters when `text`); its number of data words is
// dtm_data_words (ale/frames/message_block.h).
int dtm_data_count(bool text, int length);

// Writes the words of one block into `out` (header, data words, check word; a null block is
// the header alone) and returns their number, or 0 when they do not fit. Feeds the frame CRC.
int dtm_transmit(const MessageBlock& block, std::span<AleWord> out);
// The acknowledgement of a section value (KD4, KD2, KD1 in header positions): 1 or 2 words.
int dtm_build_ack(int value, std::span<AleWord> out);

void dtm_rx_header(const RxWordRecord& record);
void dtm_rx_data_word(const RxWordRecord& record);
void dtm_rx_check_word(const RxWordRecord& record);
void dtm_rx_clear_words();
void dtm_rx_reset();
void dtm_rx_init();

// The quality byte of a received word: min(vote disagreements, 30) x 8 + Golay errors.
uint32_t message_word_quality(const RxWordRecord& record);

}  // namespace vesk
