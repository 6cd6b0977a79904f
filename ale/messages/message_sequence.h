// The KD flags of DTM and DBM blocks, handled alike for both: the block and message toggles of
// received blocks, the answer to an ARQ block, and the flags a sent block's header carries.
// A sender turns KD1 for each new block and KD2 for each new message; a block whose KD1 is not
// the one expected repeats a block already delivered (its acknowledgement was lost) and is not
// delivered again. Text blocks and binary blocks keep a sequence each.
#pragma once

namespace vesk {

inline constexpr int kSequenceUnknown = 2;  // a sequence value after a reset

// Expected block and message toggles of one kind of message (0, 1 or 2 = unknown).
struct MessageSequence {
  int block = kSequenceUnknown;
  int message = kSequenceUnknown;
};

struct MessageSequences {
  MessageSequence text, binary;
};

// Whether the block with header `header` is to be delivered (it is no repeat). The first block
// after a reset sets the sequence. A block that starts a new message ends the binary data of
// the last one.
bool message_sequence_take(MessageSequences& sequences, int header);
// The block taken was delivered: the next block carries the other KD1.
void message_sequence_delivered(MessageSequences& sequences, int header);
// A null block ends the message under way: its text or data is handed on, and the next block
// starts a new message.
void message_sequence_null_block(MessageSequences& sequences, int header);

// Answers the received ARQ block `header`: an ACK, or a NAK when `nak`, carrying the block's
// toggles, queued as the acknowledgement section `section_kind`; `name` ("DTM", "DBM") names
// the message in the host's progress line.
void message_send_answer(int section_kind, const char* name, int header, bool nak);

// Before a block's header word goes out: the second address word of an AQC-ALE frame says
// text follows, and a broadcast block asks for no reply. Returns the KD flags of the header.
int message_tx_begin(int header);

}  // namespace vesk
