// A station (own address ABC) that hears frames from B2: the words of a frame go through the
// real parser, command-word decoder and frame event handler, so the DTM and DBM receivers get
// them as the station delivers them. What the receivers answer waits in the acknowledgement
// section queue; delivered text is in the log's frame text.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/messages/dbm.h"
#include "ale/messages/dtm.h"
#include "ale/frames/message_block.h"
#include "ale/words/word_build.h"
#include "db/locked_queue.h"
#include "tests/ale/frame_fixture.h"

namespace vesk::test {

class MessageStationTest : public FrameStationTest {
 protected:
  MessageStationTest() {
    ale_section_queues_init();
    dtm_rx_init();
    dbm_rx_init();
    db_add_other_address("B2", 0, 0, 0);
  }

  static MessageBlock block(int header, const std::string& data) {
    MessageBlock b;
    b.header = header;
    b.data.assign(data.begin(), data.end());
    return b;
  }
  // The words of a DTM block as a transmitter sends them after the leading call.
  static std::vector<AleWord> dtm_words(const MessageBlock& b) {
    std::array<AleWord, kDtmWordsMax> out{};
    ale_crc_reset();
    const int n = dtm_transmit(b, out);
    std::vector<AleWord> words;
    for (int i = 0; i < n; ++i) words.push_back(out[static_cast<std::size_t>(i)] & kAleWordBits);
    return words;
  }
  // Frame begin, TO ABC, then `words` as records, then TIS B2 and the end of the frame.
  static void frame(const std::vector<RxWordRecord>& records) {
    begin();
    feed({word(ALE_TO, "ABC")});
    for (const RxWordRecord& r : records) ale_rx_word(r);
    feed({word(ALE_TIS, "B2@")});
    feed_bad(1);
  }
  static std::vector<RxWordRecord> records(const std::vector<AleWord>& words) {
    std::vector<RxWordRecord> out;
    for (AleWord w : words) out.push_back(rec(w));
    return out;
  }
  // The values of the acknowledgement sections queued (and takes them); NAKs carry kKd4.
  static std::vector<int> answers(int kind) {
    std::vector<int> out;
    LockedQueue* q = ale_ack_section_queue();
    while (auto* s = static_cast<FrameSection*>(queue_pop(q))) {
      if (s->kind == kind) out.push_back(s->value);
      delete s;
    }
    return out;
  }
  static std::string delivered() {
    std::string t = log_frame_text();
    std::lock_guard<std::mutex> hold(log_state().mutex);
    log_state().frame.clear();
    return t;
  }
};

}  // namespace vesk::test
