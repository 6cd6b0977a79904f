#include "ale/messages/message_sequence.h"

#include "ale/frames/rx_parser.h"
#include "ale/frames/message_block.h"

namespace vesk {

namespace {

void flip(int& value) { value = value == 1 ? 0 : 1; }

MessageSequence& sequence_of(MessageSequences& sequences, int header) {
  return message_header_text(header) ? sequences.text : sequences.binary;
}

}  // namespace

bool message_sequence_take(MessageSequences& sequences, int header) {
  MessageSequence& seq = sequence_of(sequences, header);
  const int kd1 = (header & kKd1) ? 1 : 0;
  const int kd2 = (header & kKd2) ? 1 : 0;
  if (seq.block == kSequenceUnknown) {
    seq.block = kd1;
    seq.message = kd2 ? 0 : 1;
  }
  if (kd1 != seq.block) return false;
  if (kd2 == seq.message) {
    if (!message_header_text(header)) ale_rx_data_flush();
    flip(seq.message);
  }
  return true;
}

void message_sequence_delivered(MessageSequences& sequences, int header) {
  flip(sequence_of(sequences, header).block);
}

void message_sequence_null_block(MessageSequences& sequences, int header) {
  MessageSequence& seq = sequence_of(sequences, header);
  if (message_header_text(header))
    ale_rx_text_flush();
  else
    ale_rx_data_flush();
  flip(seq.block);
  flip(seq.message);
}

}  // namespace vesk
