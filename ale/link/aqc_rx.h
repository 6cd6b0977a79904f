// The AQC-ALE receiver: turns the words taken as AQC-ALE into the AQC-ALE events
// (EV_AQC_CALL_PROBE ... EV_AQC_TWS_SOUND_PROBE, then EV_AQC_FRAME_END) for the frame event
// handler, keeps the orderwire and text words of an in-link frame, checks them against the
// frame's check word and applies the orders; and the station's answer to a received in-link
// frame. Engine worker thread.
#pragma once

#include <string>
#include <vector>

#include "ale/words/ale_word.h"
#include "ale/words/word_queue.h"

namespace vesk {

inline constexpr int kAqcGroupWordsMax = 90;  // words kept of one group
inline constexpr int kAqcGroupsMax = 8;       // groups kept of one frame (the count DE is 3 bits)
inline constexpr int kAqcBadWordsEnd = 4;     // the fourth bad word in a row ends a frame

enum AqcCrcState : int { AQC_CRC_NONE = 0, AQC_CRC_OK = 1, AQC_CRC_BAD = 2 };

// What a received in-link frame said.
struct AqcInlinkRecord {
  std::string called, caller;
  int crc_state = AQC_CRC_NONE;
  int ack_request = 0;   // bit 3 of the first DE
  int second_flag = 0;   // bit 3 of the second DE
  int code = 0;          // low 3 bits of the second DE
  int net_call = 0;
  int data_follows = 0;
  int slot = 0;
};

void aqc_rx_word(const RxWordRecord& record);
void aqc_rx_frame_start();
void aqc_rx_frame_end();
int aqc_rx_frame_open();
const AqcInlinkRecord& aqc_rx_last_inlink();
// Acts on the last received in-link frame; the answer the link state machine sends: 0 none,
// 1 an individual response, 2 a slotted response.
int aqc_rx_inlink_reply();

}  // namespace vesk
