#include "ale/messages/message_sequence.h"

#include <string>

#include "ale/engine/host_reports.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/frames/message_block.h"
#include "ale/words/aqc_word.h"

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

void message_send_answer(int section_kind, const char* name, int header, bool nak) {
  aqc_set_second_word_flag(1);
  aqc_set_second_word_code(AQC_CODE_TEXT);
  auto* s = new FrameSection;
  s->kind = section_kind;
  s->value = (header & kKdToggles) | (nak ? kKd4 : 0);
  if (ale_section_push_ack(s) == 0) delete s;
  ale_host_report_progress((std::string(name) + (nak ? " ARQ SENDING NAK" : " ARQ SENDING ACK")).c_str());
}

int message_tx_begin(int header) {
  aqc_set_second_word_flag(1);
  aqc_set_second_word_code(AQC_CODE_TEXT);
  ale_no_reply_set(message_header_arq(header) ? 0 : 1);
  return header & (kKdAck | kKd3);
}

}  // namespace vesk
