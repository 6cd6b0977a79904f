#include "ale/words/word_build.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "db/ale_chars.h"
#include "ale/words/word_queue.h"
#include "db/crc16.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "platform/station.h"

namespace vesk {

namespace {

// One word on the air lasts 392 ms; the call-time limits are whole seconds.
constexpr double kWordSeconds = 0.392;

// Words of a scanning call (extra 1) or of a sounding (extra 2) over a number of channels:
// 3 per channel at a dwell of 1000 ms, else 2, kept within the call-time limits when those
// are on.
int call_word_count(int channels, int extra) {
  int words = (db_get_scan_dwell_ms() == 1000 ? 3 : 2) * std::max(channels, 0) + extra;
  if (db_get_limit_calling() != 0) {
    const double max_words = db_get_max_call_time() / kWordSeconds;
    const double min_words = db_get_min_call_time() / kWordSeconds;
    if (words > max_words) words = static_cast<int>(max_words);
    if (words < min_words) words = static_cast<int>(min_words);
  }
  return words;
}

// The first word of an address as text: its first 3 characters, "@"-padded.
std::string first_word_text(std::string_view address) {
  std::string w(address.substr(0, 3));
  w.resize(3, '@');
  return w;
}

// Entry i of an address list (a missing entry reads as empty).
std::string_view address_at(const char* const* addresses, int i) {
  return addresses != nullptr && addresses[i] != nullptr ? std::string_view(addresses[i]) : std::string_view();
}

bool address_length_ok(std::string_view address) {
  return !address.empty() && address.size() <= static_cast<std::size_t>(kAleAddressMax);
}

void address_words(uint32_t preamble, std::string_view address, bool log_invalid) {
  if (!address_length_ok(address)) return;
  if (log_invalid && !ale_address_valid(address)) log_printf("INVALID ADDRESS\n");
  const int words = ale_address_word_count(address);
  for (int k = 0; k < words; ++k) {
    const uint32_t type = k == 0 ? preamble : (k % 2 == 1 ? ALE_DATA : ALE_REP);
    const std::string_view part = address.substr(static_cast<std::size_t>(3 * k));
    ale_emit_address_word(type, part, static_cast<int>(std::min<std::size_t>(part.size(), 3)));
  }
}

void sounding(uint32_t preamble, std::string_view address) {
  ale_set_word_tag(1);
  if (!address_length_ok(address)) return;
  if (!ale_address_valid(address)) log_printf("INVALID ADDRESS\n");
  // The word count is limited first and the repetitions derived from it, so a sounding does not
  // pass the maximum call time; yet it always carries the address as often as a scanning
  // receiver needs to take it for a sounding: three times with TIS, twice with TWAS.
  const int words = call_word_count(db_count_group_channels(), 2);
  const int least = preamble == ALE_TIS ? 3 : 2;
  const int repeats = std::max(least, words / ale_address_word_count(address));
  for (int r = 0; r < repeats; ++r) address_words(preamble, address, false);
}

}  // namespace

WordBuildState& word_build_state() { return station().state<WordBuildState>(); }

void ale_builder_tx_word(AleWord word) {
  WordBuildState& st = word_build_state();
  if (st.holding)
    st.held.push_back(word);
  else
    ale_tx_word(word);
}

void ale_builder_hold_words() {
  WordBuildState& st = word_build_state();
  st.held.clear();
  st.holding = true;
}

std::vector<AleWord> ale_builder_release_held() {
  WordBuildState& st = word_build_state();
  st.holding = false;
  return std::exchange(st.held, {});
}

void ale_emit_address_word(uint32_t preamble, std::string_view text, int count) {
  count = std::clamp(count, 0, 3);
  uint32_t c[3] = {'@', '@', '@'};
  for (int i = 0; i < count && static_cast<std::size_t>(i) < text.size(); ++i)
    c[i] = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
  WordBuildState& st = word_build_state();
  const int tag = st.tag_state;
  switch (st.tag_state) {
    case 1: st.tag_state = 2; break;
    case 2: st.tag_state = 1; break;
    case 3: st.tag_state = 4; break;
    default: break;
  }
  ale_builder_tx_word(ale_word_with_tag(ale_make_word(preamble, c[0], c[1], c[2]), tag));
}

void ale_build_address_words(uint32_t preamble, std::string_view address) { address_words(preamble, address, true); }

void ale_set_word_tag(int tag) { word_build_state().tag_state = tag; }

void ale_build_leading_call(int count, const char* const* addresses) {
  ale_set_word_tag(3);
  if (count == 1) {
    ale_build_address_words(ALE_TO, address_at(addresses, 0));
    address_words(ALE_TO, address_at(addresses, 0), false);
  } else if (count > 1) {
    // Single-word addresses alternate TO and REP; a longer address always opens with TO.
    uint32_t previous = ALE_REP;
    std::size_t previous_length = 0;
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < count; ++i) {
        const std::string_view a = address_at(addresses, i);
        const uint32_t type = (a.size() <= 3 && previous != ALE_REP && previous_length <= 3) ? ALE_REP : ALE_TO;
        ale_build_address_words(type, a);
        previous = type;
        previous_length = a.size();
      }
    }
  }
  ale_crc_reset();
}

void ale_build_scanning_call(int count, const char* const* addresses, int channels) {
  if (count <= 0) return;
  const int words = call_word_count(channels, 1);
  // Odd counts start on tag 2, so the last word of the scanning call always carries tag 2.
  ale_set_word_tag(words % 2 == 1 ? 2 : 1);
  if (count == 1) {
    const std::string first = first_word_text(address_at(addresses, 0));
    for (int i = 0; i < words; ++i) ale_emit_address_word(ALE_TO, first, 3);
    return;
  }
  // Distinct first words of the first 15 addresses, "@@@" left out.
  std::vector<std::string> kept;
  for (int i = 0; i < std::min(count, 15); ++i) {
    std::string first = first_word_text(address_at(addresses, i));
    if (first == "@@@" || std::find(kept.begin(), kept.end(), first) != kept.end()) continue;
    kept.push_back(std::move(first));
  }
  if (kept.size() == 1) {
    for (int i = 0; i < words; ++i) ale_emit_address_word(ALE_THRU, kept[0], 3);
    return;
  }
  if (kept.empty()) return;
  // Whole cycles over the kept addresses, THRU and REP alternating across cycles.
  int sent = 0;
  while (sent < words) {
    for (const std::string& first : kept) {
      ale_emit_address_word(sent % 2 == 0 ? ALE_THRU : ALE_REP, first, 3);
      ++sent;
    }
  }
}

void ale_build_scanning_call_for_group(int count, const char* const* addresses) {
  ale_build_scanning_call(count, addresses, db_count_group_channels());
}

void ale_build_tis(std::string_view address) {
  ale_set_word_tag(4);
  ale_build_address_words(ALE_TIS, address);
}

void ale_build_twas(std::string_view address) {
  ale_set_word_tag(4);
  ale_build_address_words(ALE_TWAS, address);
}

void ale_build_from(std::string_view address) {
  ale_set_word_tag(4);
  ale_build_address_words(ALE_FROM, address);
  ale_crc_reset();
}

void ale_build_tis_sounding(std::string_view address) { sounding(ALE_TIS, address); }
void ale_build_twas_sounding(std::string_view address) { sounding(ALE_TWAS, address); }

void ale_crc_reset() { crc16_init(&word_build_state().frame_crc); }

void ale_crc_add_word(AleWord word) {
  crc16_update_24bits(static_cast<int32_t>(word & kAleWordBits), &word_build_state().frame_crc);
}

}  // namespace vesk
