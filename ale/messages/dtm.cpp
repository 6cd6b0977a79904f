#include "ale/messages/dtm.h"

#include <algorithm>

#include "ale/frames/frame_build.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/aqc_word.h"
#include "ale/engine/host_reports.h"
#include "ale/messages/send_queue.h"
#include "ale/words/linking_protection.h"
#include "ale/words/word_build.h"
#include "db/crc16.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr int kTextFill = 127;  // the missing characters of a basic text block's last word
constexpr int kDataTag = 5;

bool listening() { return db_get_listen_mode() != 0 || ale_frame_for_me() != 0; }

AleWord data_word(int index, uint32_t payload) {
  return ((index % 2 == 0 ? ALE_DATA : ALE_REP) << kAlePreambleShift) | (payload & 0x1FFFFF);
}

bool basic_dc(int dc) { return dc > kDtmAckDc; }
int dc_words(int dc) { return basic_dc(dc) ? (dc & 31) : dc; }
int basic_last_bits(int dc) { return ((dc >> 5) & 31) - 10; }

void send_answer(int header, bool nak) { message_send_answer(SECTION_DTM_CONTROL, "DTM", header, nak); }

// CRC of entries 0 .. n-1 (24-bit words) from `start`.
int32_t store_crc(const uint32_t* entries, int n, int32_t start) {
  int32_t crc = start;
  for (int i = 0; i < n; ++i) crc16_update_24bits(static_cast<int32_t>(entries[i] & kAleWordBits), &crc);
  return crc & 0xFFFF;
}

// Whether `entries` (header, `count` data words) are closed by the check word `check`.
bool block_good(const uint32_t* entries, int count, uint32_t check, int32_t start) {
  if (!ale_is_check_word(check & kAleWordBits)) return false;
  return ((~check) & 0xFFFF) == static_cast<uint32_t>(store_crc(entries, count + 1, start));
}

void deliver(const uint32_t* entries) {
  DtmRxState& s = dtm_rx_state();
  const int header = static_cast<int>(entries[0] & kAleWordBits);
  const bool text = (header & kKd3) != 0;
  const int dc = header & kDcMask;
  const int count = dc_words(dc);
  if (!message_sequence_take(s.sequences, header)) return;
  const bool basic = basic_dc(dc);
  const int full = basic ? count - 1 : count;
  for (int i = 1; i <= full; ++i) {
    const uint32_t w = entries[i];
    if (text) {
      ale_rx_text_put(ale_word_char1(w));
      ale_rx_text_put(ale_word_char2(w));
      ale_rx_text_put(ale_word_char3(w));
    } else {
      ale_rx_data_bits(static_cast<int>(w & 0x1FFFFF), 21);
    }
  }
  if (basic) {
    const uint32_t w = entries[count];
    const int bits = basic_last_bits(dc);
    if (text) {
      if (bits > 6) ale_rx_text_put(ale_word_char1(w));
      if (bits > 13) ale_rx_text_put(ale_word_char2(w));
      if (bits > 20) ale_rx_text_put(ale_word_char3(w));
    } else {
      ale_rx_data_bits(static_cast<int>(w & 0x1FFFFF), bits);
    }
  }
  if (text) ale_rx_text_flush();
  message_sequence_delivered(s.sequences, header);
}

void accept(const uint32_t* entries) {
  DtmRxState& s = dtm_rx_state();
  const int header = static_cast<int>(entries[0] & kAleWordBits);
  if (header & kKd4) send_answer(header, false);
  deliver(entries);
  s.best.fill(0xFFFFFFFFu);
}

}  // namespace

DtmRxState& dtm_rx_state() { return station().state<DtmRxState>(); }

uint32_t message_word_quality(const RxWordRecord& record) {
  const int votes = std::clamp(record.vote_disagreements, 0, 30);
  const int golay = std::clamp(record.golay_errors, 0, 7);
  return static_cast<uint32_t>(votes * 8 + golay);
}

int dtm_data_count(bool text, int length) {
  if (length <= 0) return 0;
  const int w = dtm_data_words(text, length);
  if (text) {
    if (length > kDtmBasicTextMax) return length / 3;
    const int code = length % 3 == 0 ? 31 : (length % 3 == 1 ? 17 : 24);
    return w + 32 * code;
  }
  if (length > kDtmBasicBinaryMax) return w;
  return w + 32 * (8 * length - 21 * (w - 1) + 10);
}

int dtm_transmit(const MessageBlock& block, std::span<AleWord> out) {
  const bool text = message_header_text(block.header);
  const int n = static_cast<int>(block.data.size());
  const int words = dtm_data_words(text, n);
  const bool alternate = ale_word_alternate_signalling();
  const int total = n == 0 ? (alternate ? 2 : 1) : words + 2;
  if (total > static_cast<int>(out.size()) || words > kDtmExtendedMax) return 0;
  const int kd = message_tx_begin(block.header);
  const AleWord header = kDtmHeaderWord | static_cast<AleWord>(kd) | static_cast<AleWord>(dtm_data_count(text, n));
  ale_crc_add_word(header);
  out[0] = ale_word_with_tag(header, kDataTag);
  if (n == 0) {
    // A null ARQ block asks for an acknowledgement in the AQC-ALE first address word.
    aqc_set_first_word_flag(message_header_arq(block.header) ? 1 : 0);
    if (alternate) ale_check_word(&out[1]);
    return total;
  }
  if (text) {
    for (int i = 0; i < words; ++i) {
      int c[3];
      for (int k = 0; k < 3; ++k) {
        const int at = 3 * i + k;
        c[k] = at < n ? (block.data[static_cast<std::size_t>(at)] & 0x7F) : kTextFill;
      }
      out[static_cast<std::size_t>(1 + i)] = data_word(i, ale_pack_word(c[0], c[1], c[2]));
    }
  } else {
    // The byte stream, most significant bit first, 21 bits a word; the last padded with ones.
    int bit = 0;
    const int bits = 8 * n;
    for (int i = 0; i < words; ++i) {
      uint32_t v = 0;
      for (int k = 0; k < 21; ++k, ++bit) {
        const int b = bit < bits ? (block.data[static_cast<std::size_t>(bit / 8)] >> (7 - bit % 8)) & 1 : 1;
        v = v << 1 | static_cast<uint32_t>(b);
      }
      out[static_cast<std::size_t>(1 + i)] = data_word(i, v);
    }
  }
  for (int i = 1; i <= words; ++i) ale_crc_add_word(out[static_cast<std::size_t>(i)]);
  ale_check_word(&out[static_cast<std::size_t>(words + 1)]);
  return total;
}

int dtm_build_ack(int value, std::span<AleWord> out) {
  const bool alternate = ale_word_alternate_signalling();
  if (out.size() < (alternate ? 2u : 1u)) return 0;
  const AleWord header = kDtmHeaderWord | static_cast<AleWord>(value & kKdAck) | kDtmAckDc;
  ale_crc_add_word(header);
  out[0] = ale_word_with_tag(header, kDataTag);
  // The frame carries an acknowledgement: once it is out the link goes on, without waiting for
  // an answer that the sender of the block does not give (its next frame would be taken for it).
  ale_ack_in_frame_set();
  if (!alternate) return 1;
  ale_check_word(&out[1]);
  ale_no_reply_set(1);
  return 2;
}

void dtm_rx_header(const RxWordRecord& record) {
  const int header = static_cast<int>(record.word & kAleWordBits);
  const int dc = header & kDcMask;
  // The data words go in clear, whoever the block is for: linking protection passes them.
  if (dc != 0 && dc != kDtmAckDc && dc_words(dc) >= 1) lp_rx_expect_words(dc_words(dc));
  if (!listening()) return;
  DtmRxState& s = dtm_rx_state();
  s.header = header;
  s.open = false;
  ale_host_report_progress((header & kKd4) ? "DTM ARQ MESSAGE FRAME START" : "DTM BRD MESSAGE FRAME START");
  if (dc == 0) {
    if (header & kKd4) send_answer(header, false);
    message_sequence_null_block(s.sequences, header);
    return;
  }
  if (dc == kDtmAckDc) {
    dtm_ack_received(header);
    ale_ack_in_frame_set();
    return;
  }
  const int count = dc_words(dc);
  // A basic header without data words has nothing to deliver.
  if (count < 1 || count > kDtmExtendedMax) return;
  s.count = count;
  s.stored = 0;
  s.store[0] = (record.word & kAleWordBits) | message_word_quality(record) << 24;
  s.stored = 1;
  s.check_start = ale_rx_frame_crc();
  s.open = true;
}

void dtm_rx_data_word(const RxWordRecord& record) {
  DtmRxState& s = dtm_rx_state();
  if (!s.open || !listening() || s.stored >= kDtmStoreSize) return;
  s.store[static_cast<std::size_t>(s.stored++)] = (record.word & kAleWordBits) | message_word_quality(record) << 24;
}

void dtm_rx_check_word(const RxWordRecord& record) {
  DtmRxState& s = dtm_rx_state();
  if (!s.open || !listening()) return;
  s.open = false;
  if (s.stored >= kDtmStoreSize) return;
  const uint32_t check = (record.word & kAleWordBits) | message_word_quality(record) << 24;
  s.store[static_cast<std::size_t>(s.stored++)] = check;
  const int32_t start = ale_word_alternate_signalling() ? 0xFFFF : s.check_start;
  // The data words this frame stored (the check word is the last entry).
  const int data = s.stored - 2;
  if (data == s.count && block_good(s.store.data(), s.count, check, start)) {
    accept(s.store.data());
    return;
  }
  // Merge what this frame stored (and only that) into the best copies, the less disturbed
  // copy of each word winning.
  for (int i = 0; i < s.stored - 1 && i <= s.count; ++i) {
    const uint32_t e = s.store[static_cast<std::size_t>(i)];
    uint32_t& b = s.best[static_cast<std::size_t>(i)];
    if ((e >> 27) < (b >> 27)) b = e;
  }
  const int best_header = static_cast<int>(s.best[0] & kAleWordBits);
  const int best_count = dc_words(best_header & kDcMask);
  const bool best_ok = ale_word_type(static_cast<AleWord>(best_header)) == ALE_CMD &&
                       ale_word_char1(static_cast<AleWord>(best_header)) == 'd' && best_count == s.count &&
                       (s.best[0] >> 27) <= 30;
  bool all_present = best_ok;
  for (int i = 1; i <= s.count && all_present; ++i) all_present = (s.best[static_cast<std::size_t>(i)] >> 27) <= 30;
  if (all_present && block_good(s.best.data(), s.count, check, start)) {
    accept(s.best.data());
    return;
  }
  if (best_ok && (best_header & kKd4)) send_answer(best_header, true);
}

void dtm_rx_clear_words() {
  DtmRxState& s = dtm_rx_state();
  s.stored = 0;
  s.open = false;
}

void dtm_rx_reset() {
  DtmRxState& s = dtm_rx_state();
  dtm_rx_clear_words();
  s.sequences = {};
  ale_rx_text_flush();
  ale_rx_data_flush();
}

void dtm_rx_init() {
  DtmRxState& s = dtm_rx_state();
  s.best.fill(0xFFFFFFFFu);
  dtm_rx_reset();
}

}  // namespace vesk
