#include "ale/frames/frame_build.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "db/ale_chars.h"
#include "ale/words/word_build.h"
#include "ale/engine/host_reports.h"
#include "db/log.h"
#include "db/lqa.h"
#include "db/scan.h"

namespace vesk {

namespace {

constexpr uint32_t kLqaCommand = 'a';
constexpr uint32_t kCheckCommand = 120;  // "x"
constexpr int kMessageTag = 5;           // first word of an AMD, LQA or check word
constexpr int kNoValue = 49;             // stored score with no value
constexpr uint32_t kFieldNoValue = 31;   // SINAD or BER field that reports no value

bool alternate_signalling() { return ale_word_alternate_signalling(); }

// The measured score word of an address on a channel, or false.
bool lqa_measured(const char* address, int channel, uint32_t* score_word) {
  LqaRecord rec{};
  if (address == nullptr || db_copy_lqa_record(address, channel, &rec) != 0) return false;
  *score_word = rec.measured;
  return true;
}

void log_amd_error(const std::string& what) {
  log_printf("[%s][%s][AMD ERROR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(), what.c_str());
}

// Words of the body that follows a first word: DATA, REP, ... 3 characters each, the last
// padded with blanks.
int body_words(std::span<const uint8_t> chars, AleWord* out) {
  int words = 0;
  for (std::size_t i = 0; i < chars.size(); i += 3, ++words) {
    uint32_t c[3] = {' ', ' ', ' '};
    for (std::size_t k = 0; k < 3 && i + k < chars.size(); ++k) c[k] = chars[i + k] & 0x7Fu;
    out[words] = ale_make_word(words % 2 == 0 ? ALE_DATA : ALE_REP, c[0], c[1], c[2]);
  }
  return words;
}

int words_for(std::size_t chars) { return static_cast<int>((chars + 2) / 3); }

}  // namespace

int ale_build_lqa_word(const char* called, int flag, std::span<AleWord> out) {
  const bool with_check = alternate_signalling();
  if (out.size() < (with_check ? 2u : 1u)) return 0;
  uint32_t fields = 0x1FFF;  // no record: multipath 7, SINAD 31, BER 31
  uint32_t score = 0;
  if (lqa_measured(called, db_current_channel_index(), &score)) {
    const uint32_t ber = score & 0x3F, sinad = (score >> 6) & 0x3F, multipath = (score >> 12) & 7;
    const uint32_t sinad_field = sinad == kNoValue ? kFieldNoValue : (sinad > 30 ? 30 : sinad);
    // A BER score outside 0-30 (no value 49, a marked channel 50) has no place in the 5-bit
    // field: it goes as the field's no-value code.
    const uint32_t ber_field = ber <= 30 ? 30 - ber : kFieldNoValue;
    fields = multipath << 10 | sinad_field << 5 | ber_field;
  }
  const AleWord word = ale_make_word(ALE_CMD, kLqaCommand, 0, 0) | static_cast<uint32_t>(flag & 1) << 13 | fields;
  ale_crc_add_word(word);
  out[0] = ale_word_with_tag(word, kMessageTag);
  if (!with_check) return 1;
  return 1 + ale_check_word(&out[1]);
}

int ale_build_amd_words(const char* text, std::span<AleWord> out) {
  const std::size_t n = text == nullptr ? 0 : std::strlen(text);
  if (n > static_cast<std::size_t>(kAmdTextMax)) {
    log_amd_error("TEXT OF " + std::to_string(n) + " CHARACTERS, AT MOST 90 ALLOWED");
    return 0;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const int c = ale_char_code(text[i]);
    if (!ale_char_in_64set(c)) {
      char what[48];
      std::snprintf(what, sizeof what, "CHARACTER 0x%.2X NOT ALLOWED", c);
      log_amd_error(what);
      return 0;
    }
  }
  const bool with_check = alternate_signalling();
  const int words = words_for(n) + (with_check ? 1 : 0);
  if (out.size() < static_cast<std::size_t>(words)) {
    log_amd_error("TEXT DOES NOT FIT THE FRAME");
    return 0;
  }
  const std::span<const uint8_t> chars(reinterpret_cast<const uint8_t*>(text), n);
  int written = 0;
  if (n > 0) {
    uint32_t c[3] = {' ', ' ', ' '};
    for (std::size_t k = 0; k < 3 && k < n; ++k) c[k] = chars[k];
    out[0] = ale_make_word(ALE_CMD, c[0], c[1], c[2]);
    written = 1 + body_words(chars.subspan(std::min<std::size_t>(n, 3)), out.data() + 1);
    for (int i = 0; i < written; ++i) ale_crc_add_word(out[static_cast<std::size_t>(i)]);
    out[0] = ale_word_with_tag(out[0], kMessageTag);
  }
  if (with_check) written += ale_check_word(&out[static_cast<std::size_t>(written)]);
  if (written > 0) ale_host_report_amd_sent_pending();
  return written;
}

int ale_build_coded_amd_words(std::span<const uint8_t> codes, std::span<AleWord> out) {
  const std::size_t n = codes.size();
  if (n == 0) return 0;
  const int words = 1 + (n > 2 ? words_for(n - 2) : 0);
  if (out.size() < static_cast<std::size_t>(words)) return 0;
  out[0] = ale_make_word(ALE_CMD, 0, codes[0], n > 1 ? codes[1] : ' ');
  const int written = 1 + body_words(codes.subspan(std::min<std::size_t>(n, 2)), out.data() + 1);
  // Dictionary codes are no text a receiver could take in clear: under linking protection
  // every word is enciphered, going on from the seed of the words before.
  for (int i = 0; i < written; ++i) {
    ale_crc_add_word(out[static_cast<std::size_t>(i)]);
    out[static_cast<std::size_t>(i)] = ale_word_with_tag(out[static_cast<std::size_t>(i)], kMessageTag);
  }
  return written;
}

int ale_copy_prepared_words(std::span<const AleWord> words, std::span<AleWord> out) {
  if (out.size() < words.size()) return 0;
  for (std::size_t i = 0; i < words.size(); ++i) {
    ale_crc_add_word(words[i]);
    out[i] = words[i];
  }
  return static_cast<int>(words.size());
}

int ale_check_word(AleWord* out) {
  const uint32_t crc = ~static_cast<uint32_t>(word_build_state().frame_crc) & 0xFFFF;
  *out = ale_word_with_tag(ALE_CMD << kAlePreambleShift | (kCheckCommand + (crc >> 14)) << 14 | (crc & 0x3FFF),
                           kMessageTag);
  ale_crc_reset();
  return 1;
}

void ale_tx_check_word() {
  AleWord word = 0;
  ale_check_word(&word);
  ale_builder_tx_word(word);
}

}  // namespace vesk
