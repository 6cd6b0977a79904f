#include "ale/messages/dbm.h"

#include <algorithm>

#include "ale/frames/frame_build.h"
#include "ale/frames/frame_events.h"
#include "ale/frames/frame_sections.h"
#include "ale/frames/rx_parser.h"
#include "ale/words/aqc_word.h"
#include "ale/engine/host_reports.h"
#include "ale/messages/send_queue.h"
#include "ale/words/golay.h"
#include "ale/words/linking_protection.h"
#include "ale/words/word_build.h"
#include "db/crc16.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

constexpr int kDataTag = 5;
constexpr uint32_t kEmpty = 0xFFFFFFFFu;

bool listening() { return db_get_listen_mode() != 0 || ale_frame_for_me() != 0; }

void log_dbm_error(const char* format, int a, int b) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b);
  log_printf("[%s][%s][DBM ERROR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), text);
}

void send_answer(int header, bool nak) { message_send_answer(SECTION_DBM_ACK, "DBM", header, nak); }

// CRC-16 of the first 12 x capacity - 16 bits of the values (top 12 bits of each entry's
// value, the entry being value x 4096 + errors, or the value itself when `raw`).
int32_t body_crc(const uint32_t* entries, int capacity) {
  int32_t crc;
  crc16_init(&crc);
  for (int i = 0; i < capacity - 2; ++i) crc16_update_12bits(static_cast<int32_t>((entries[i] >> 12) & 0xFFF), &crc);
  crc16_update_byte(static_cast<int32_t>((entries[capacity - 2] >> 16) & 0xFF), &crc);
  return crc & 0xFFFF;
}

void deliver(const uint32_t* entries) {
  DbmRxState& s = dbm_rx_state();
  const int header = s.header;
  const bool text = (header & kKd3) != 0;
  const int dc = header & kDcMask;
  if (!message_sequence_take(s.sequences, header)) return;
  int bits;
  int last_value;  // values 0 .. last_value may be read
  if (s.basic) {
    bits = dc - kDbmBasicBase;
    last_value = 47;
  } else {
    bits = text ? (12 * s.capacity - 16) / 7 * 7 : 12 * s.capacity - 16;
    last_value = s.capacity - 2;
  }
  for (int i = 0; i <= last_value && bits > 0; ++i) {
    const int take = std::min(12, bits);
    const int value = static_cast<int>(entries[i] >> 12) & 0xFFF;
    if (text)
      ale_rx_text_bits(value, take);
    else
      ale_rx_data_bits_low(value, take);
    bits -= take;
  }
  message_sequence_delivered(s.sequences, header);
  if (text) {
    ale_rx_text_flush();
    if (s.basic_frame) {
      s.basic_frame = false;
      ale_host_report_progress((header & kKd4) ? "DBM ARQ MESSAGE COMPLETE" : "DBM BRD MESSAGE COMPLETE");
    }
  }
}

void process() {
  DbmRxState& s = dbm_rx_state();
  if (!listening()) return;
  const bool here = ale_frame_for_me() != 0;
  const int cap = s.capacity;
  for (int i = 0; i < cap; ++i) {
    const uint32_t e = s.collector[static_cast<std::size_t>(i)];
    int32_t value, errors;
    ale_golay_decode(static_cast<int32_t>((e >> 12) & 0xFFF), static_cast<int32_t>(e & 0xFFF), &value, &errors);
    s.collector[static_cast<std::size_t>(i)] = static_cast<uint32_t>(value) << 12 | static_cast<uint32_t>(errors);
  }
  const uint32_t* delivered = nullptr;
  if (dbm_values_good(s.collector.data(), cap)) {
    delivered = s.collector.data();
  } else {
    for (int i = 0; i < cap; ++i) {
      const uint32_t e = s.collector[static_cast<std::size_t>(i)];
      uint32_t& b = s.best[static_cast<std::size_t>(i)];
      if (b == kEmpty || (b & 0xFFF) >= (e & 0xFFF)) b = e;
    }
    if (dbm_values_good(s.best.data(), cap)) delivered = s.best.data();
  }
  if (delivered == nullptr) {
    if (here && (s.header & kKd4)) send_answer(s.header, true);
    return;
  }
  deliver(delivered);
  if (!here) return;
  if (s.header & kKd4) send_answer(s.header, false);
  std::fill(s.best.begin(), s.best.end(), kEmpty);
}

void end_collection() {
  DbmRxState& s = dbm_rx_state();
  s.collecting = false;
  ale_rx_dbm_mode_off();
}

}  // namespace

DbmRxState& dbm_rx_state() { return station().state<DbmRxState>(); }

int dbm_data_blocks(bool text, int length) {
  if (length <= 0) return 0;
  if (length <= (text ? kDbmBasicTextMax : kDbmBasicBinaryMax)) return 1;
  return text ? (7 * length + 22) / kDbmBlockBits : (8 * length + 16) / kDbmBlockBits;
}

int dbm_data_count(bool text, int length) {
  if (length <= 0) return 0;
  if (length <= (text ? kDbmBasicTextMax : kDbmBasicBinaryMax)) return kDbmBasicBase + (text ? 7 : 8) * length;
  return dbm_data_blocks(text, length);
}

std::vector<uint16_t> dbm_body_values(bool text, const uint8_t* data, int length, int blocks) {
  const int cap = kDbmCodeWordsPerBlock * blocks;
  const int width = text ? 7 : 8;
  const int data_bits = std::min(width * length, kDbmBlockBits * blocks - 16);
  std::vector<uint16_t> values(static_cast<std::size_t>(cap), 0);
  int32_t crc;
  crc16_init(&crc);
  const int body_bits = kDbmBlockBits * blocks - 16;
  for (int k = 0; k < body_bits; ++k) {
    int bit = 1;
    if (k < data_bits) bit = (data[k / width] >> (width - 1 - k % width)) & 1;
    uint16_t& v = values[static_cast<std::size_t>(k / 12)];
    v = static_cast<uint16_t>(v | bit << (11 - k % 12));
  }
  for (int i = 0; i < cap - 2; ++i) crc16_update_12bits(values[static_cast<std::size_t>(i)], &crc);
  crc16_update_byte(values[static_cast<std::size_t>(cap - 2)] >> 4, &crc);
  const int check = ~crc & 0xFFFF;
  values[static_cast<std::size_t>(cap - 2)] = static_cast<uint16_t>((values[static_cast<std::size_t>(cap - 2)] & 0xFF0) | (check >> 12));
  values[static_cast<std::size_t>(cap - 1)] = static_cast<uint16_t>(check & 0xFFF);
  return values;
}

std::vector<uint8_t> dbm_interleave(const std::vector<uint16_t>& values) {
  const int cap = static_cast<int>(values.size());
  std::vector<uint8_t> bits(static_cast<std::size_t>(24 * cap));
  std::size_t k = 0;
  for (int bit = 23; bit >= 0; --bit) {
    for (int i = 0; i < cap; ++i) {
      const uint32_t v = values[static_cast<std::size_t>(i)];
      const uint32_t word = v << 12 | static_cast<uint32_t>(ale_golay_encode(static_cast<int32_t>(v)));
      bits[k++] = static_cast<uint8_t>((word >> bit) & 1);
    }
  }
  return bits;
}

bool dbm_values_good(const uint32_t* entries, int capacity) {
  if (capacity < 2) return false;
  const uint32_t carried = ((entries[capacity - 2] >> 12) & 0xF) << 12 | ((entries[capacity - 1] >> 12) & 0xFFF);
  return ((~static_cast<uint32_t>(body_crc(entries, capacity))) & 0xFFFF) == carried;
}

int dbm_transmit(const MessageBlock& block) {
  const bool text = message_header_text(block.header);
  const int n = static_cast<int>(block.data.size());
  const int blocks = dbm_data_blocks(text, n);
  if (blocks > kDbmBlocksMax) {
    log_dbm_error("BLOCK OF %d DATA BLOCKS, AT MOST %d MAY BE SENT", blocks, kDbmBlocksMax);
    return 0;
  }
  const int kd = message_tx_begin(block.header);
  ale_crc_reset();
  const AleWord header = kDbmHeaderWord | static_cast<AleWord>(kd) | static_cast<AleWord>(dbm_data_count(text, n));
  ale_crc_add_word(header);
  ale_builder_tx_word(ale_word_with_tag(header, kDataTag));
  int ok = 1;
  if (blocks > 0) {
    const std::vector<uint8_t> bits = dbm_interleave(dbm_body_values(text, block.data.data(), n, blocks));
    int queued = 0;
    for (std::size_t at = 0; at + ALE_WORD_BITS <= bits.size(); at += ALE_WORD_BITS) queued += ale_tx_raw_bits(&bits[at]);
    if (queued < kDbmGroupsPerBlock * blocks) {
      ok = 0;
      log_dbm_error("TRANSMIT QUEUE FULL, %d OF %d GROUPS QUEUED", queued, kDbmGroupsPerBlock * blocks);
    }
  }
  if (ale_word_alternate_signalling()) ale_tx_check_word();
  return ok;
}

int dbm_build_ack(int value) {
  ale_crc_reset();
  const AleWord header = kDbmHeaderWord | static_cast<AleWord>(value & kKdAck) | kDbmAckDc;
  ale_crc_add_word(header);
  ale_ack_in_frame_set();
  ale_no_reply_set(1);
  ale_builder_tx_word(ale_word_with_tag(header, kDataTag));
  if (ale_word_alternate_signalling()) ale_tx_check_word();
  return 0;
}

void dbm_rx_header(const RxWordRecord& record) {
  DbmRxState& s = dbm_rx_state();
  const int header = static_cast<int>(record.word & kAleWordBits);
  const int dc = header & kDcMask;
  s.header = header;
  ale_host_report_progress((header & kKd4) ? "DBM ARQ MESSAGE FRAME START"
                                           : "DBM BRD MESSAGE FRAME START OR DBM ARQ HANDSHAKE");
  const bool basic = dc >= kDbmBasicBase && dc <= kDbmBasicMax;
  const bool extended = dc >= 1 && dc <= kDbmBlocksMax;
  if (basic || extended) {
    const int blocks = basic ? 1 : dc;
    s.basic = basic;
    s.capacity = kDbmCodeWordsPerBlock * blocks;
    s.groups_expected = kDbmGroupsPerBlock * blocks;
    s.groups_received = 0;
    s.quiet_groups = 0;
    std::fill(s.collector.begin(), s.collector.begin() + s.capacity, 0u);
    s.position = 0;
    s.collecting = true;
    s.started_ms = station().clock().mono_ms();
    if (basic) s.basic_frame = true;
    lp_rx_expect_groups(s.groups_expected);
    ale_rx_dbm_mode_on();
    return;
  }
  if (!listening()) return;
  if (dc == 0) {
    message_sequence_null_block(s.sequences, header);
    if (header & kKd4) send_answer(header, false);
  } else if (dc == kDbmAckDc) {
    dbm_ack_received(header);
    ale_ack_in_frame_set();
  }
}

void dbm_rx_group(const RxWordRecord& record) {
  DbmRxState& s = dbm_rx_state();
  if (!s.collecting || s.capacity <= 0) return;  // no header opened a collection
  s.quiet_groups = record.sinad < kDbmNoSignalQuality ? s.quiet_groups + 1 : 0;
  const int64_t allowed = static_cast<int64_t>(s.groups_expected + kDbmSlackGroups) * ALE_WORD_MS;
  const bool quiet = s.quiet_groups >= kDbmQuietGroupsMax;
  if (quiet || station().clock().mono_ms() - s.started_ms > allowed) {
    if (listening())
        log_dbm_error(quiet ? "NO SIGNAL AFTER %d OF %d GROUPS, MESSAGE ABANDONED"
                          : "GROUPS LATE AFTER %d OF %d, MESSAGE ABANDONED",
                    s.groups_received, s.groups_expected);
    end_collection();
    // The window belongs to the frame again.
    ale_rx_parse_word(record);
    return;
  }
  for (int b = 0; b < ALE_WORD_BITS; ++b) {
    uint32_t& e = s.collector[static_cast<std::size_t>(s.position)];
    e = ((e << 1) | (record.raw_bits[static_cast<std::size_t>(b)] & 1u)) & 0xFFFFFF;
    if (++s.position >= s.capacity) s.position = 0;
  }
  if (++s.groups_received < s.groups_expected) return;
  end_collection();
  process();
}

void dbm_rx_clear() { dbm_rx_state().position = 0; }

void dbm_rx_cut_off() {
  DbmRxState& s = dbm_rx_state();
  if (!s.collecting) return;
  // Only a message this station would take is worth a line.
  if (listening()) log_dbm_error("MESSAGE CUT OFF AFTER %d OF %d GROUPS", s.groups_received, s.groups_expected);
  s.collecting = false;
}

void dbm_rx_reset() {
  DbmRxState& s = dbm_rx_state();
  s.position = 0;
  s.collecting = false;
  s.sequences = {};
  ale_rx_text_flush();
  ale_rx_data_flush();
}

void dbm_rx_init() {
  DbmRxState& s = dbm_rx_state();
  std::fill(s.best.begin(), s.best.end(), kEmpty);
  s.basic_frame = false;
  dbm_rx_reset();
}

}  // namespace vesk
