// DBM data messages: larger blocks of text or binary data after a DBM header CMD word. The
// body is cut into 588-bit data blocks closed by a CRC-16 over the whole message, Golay-coded
// 12 bits at a time into 24-bit code words, interleaved over the whole message and sent as raw
// 147-bit groups, each the length of one ALE word on the air.
//
// Receive: the header turns the parser's DBM mode on; the following word windows come here as
// raw groups, are de-interleaved into the collector, decoded and checked. A copy that fails is
// merged into a best-copy store (the code word decoded with fewer errors wins), so that the next
// copy of an ARQ message can complete it. A good ARQ message is acknowledged; repeats are
// delivered once.
//
// A collection that can no longer complete is abandoned with a log line: after a run of groups
// without a signal, when the groups take longer than the header's count allows, or when the
// parser is reset (a new frame, the return to scan).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ale/messages/dtm.h"
#include "ale/frames/message_block.h"
#include "ale/messages/message_sequence.h"
#include "ale/words/word_queue.h"

namespace vesk {

inline constexpr int kDbmBlockBits = 588;
inline constexpr int kDbmCodeWordsPerBlock = 49;
inline constexpr int kDbmGroupsPerBlock = 8;
inline constexpr int kDbmBlocksMax = 445;
inline constexpr int kDbmStoreSize = 447 * 49;   // 21,903 entries
inline constexpr int kDbmBasicBase = 448;
inline constexpr int kDbmBasicMax = 1020;
inline constexpr int kDbmAckDc = 1021;
inline constexpr int kDbmBasicTextMax = 81;
inline constexpr int kDbmBasicBinaryMax = 71;
// A collection ends without a message after a run of this many groups (one data block's
// time) whose signal quality is below kDbmNoSignalQuality: the sender stopped (a cut
// transmission, or a header garbled into a longer count than was sent). Noise alone measures
// about 1.33 on the demodulator's quality scale; a decodable signal well above 1.5.
inline constexpr int kDbmQuietGroupsMax = 8;
inline constexpr double kDbmNoSignalQuality = 1.5;
// Groups of slack beyond the header's count before a slow collection is given up.
inline constexpr int kDbmSlackGroups = 8;

struct DbmRxState {
  std::vector<uint32_t> collector = std::vector<uint32_t>(kDbmStoreSize, 0);
  std::vector<uint32_t> best = std::vector<uint32_t>(kDbmStoreSize, 0xFFFFFFFFu);
  int position = 0;
  int capacity = 0;
  int groups_expected = 0;
  int groups_received = 0;
  int quiet_groups = 0;
  bool basic = false;
  bool collecting = false;
  bool basic_frame = false;  // asks for the completion echo
  int header = 0;
  int64_t started_ms = 0;
  MessageSequences sequences;
};

DbmRxState& dbm_rx_state();

// The DC of a block of `length` bytes (characters when `text`), and its number of data blocks.
int dbm_data_count(bool text, int length);
int dbm_data_blocks(bool text, int length);

// The 49 x `blocks` 12-bit values of a body: the bit stream, one bits, the complemented CRC.
std::vector<uint16_t> dbm_body_values(bool text, const uint8_t* data, int length, int blocks);
// The interleaved bits (1176 x blocks, one per byte) of the Golay-coded values.
std::vector<uint8_t> dbm_interleave(const std::vector<uint16_t>& values);
// Whether decoded values (value x 4096 + errors) pass the body CRC.
bool dbm_values_good(const uint32_t* entries, int capacity);

// Queues the header and the groups of one block; 1 when all were queued.
int dbm_transmit(const MessageBlock& block);
// Queues the acknowledgement of a section value (KD4, KD2, KD1); returns 0 (no words for the
// composer).
int dbm_build_ack(int value);

void dbm_rx_header(const RxWordRecord& record);
void dbm_rx_group(const RxWordRecord& record);
void dbm_rx_clear();
// The parser ends DBM mode: an unfinished collection is over.
void dbm_rx_cut_off();
void dbm_rx_reset();
void dbm_rx_init();

}  // namespace vesk
