// Binds the frame event handler to the modules around it: the word receiver's frame begin,
// the frame parser and its statistics, the command-word decoder, address matching, and the
// payload dispatcher behind the parser's data buffer.
#include "ale/frames/address_match.h"
#include "ale/frames/cmd_words.h"
#include "ale/engine/engine_seams.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/pid_dispatch.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/word_queue.h"
#include "ale/words/word_rx.h"

namespace vesk {

void ale_frame_events_connect() {
  // The receiver runs on the audio thread: its frame begin reaches the handler through the
  // engine queue, ahead of the frame's first word.
  word_rx_state().seams.frame_begin = [](int event) { ale_post_frame_begin(event); };

  RxParserSeams& parser = rx_parser_state().seams;
  parser.frame_event = ale_frame_event;
  parser.payload_dispatch = [](const uint8_t* data, std::size_t length) {
    xfer_select_dbm_path();
    xfer_dispatch_pid(data, length);
  };
  cmd_word_state().seams.lqa_word = [](AleWord word) { ale_frame_set_lqa_word(word); };

  FrameEventSeams& s = frame_event_state().seams;
  s.link_event = ale_state_machine_event;
  s.event_text = [] { return std::string(ale_rx_accumulator()); };
  s.frame_sinad = ale_rx_frame_sinad;
  s.frame_ber = ale_rx_frame_ber;
  s.cmd_decoder_reset = ale_cmd_reset;
  s.own_address_match = [](const char* text) {
    char copy[kAddressTextSize] = {};
    for (std::size_t i = 0; i + 1 < sizeof copy && text[i] != '\0'; ++i) copy[i] = text[i];
    return ale_own_address_match(copy, 0) != 0;
  };
  s.channel_own_address = ale_channel_own_address;
}

}  // namespace vesk
