#include "ale/words/ale_word.h"

#include "db/ale_chars.h"
#include "db/options.h"
#include "platform/station.h"

namespace vesk {

namespace {

AleWordState& word_state() { return station().state<AleWordState>(); }

// AQC-ALE switch of the options.
bool aqc_enabled() { return db_get_aqc_mode() != 0; }

}  // namespace

AleWordState& ale_word_state() { return word_state(); }

void ale_word_set_exchange(bool normal_exchange, bool aqc_exchange, bool sounding, bool alternate) {
  AleWordState& st = word_state();
  st.normal_exchange.store(normal_exchange ? 1 : 0, std::memory_order_relaxed);
  st.aqc_exchange.store(aqc_exchange ? 1 : 0, std::memory_order_relaxed);
  st.sounding.store(sounding ? 1 : 0, std::memory_order_relaxed);
  st.alternate.store(alternate ? 1 : 0);
}

bool ale_word_alternate_signalling() { return word_state().alternate.load() != 0; }

int ale_aqc_transmission() {
  const AleWordState& st = word_state();
  if (st.aqc_exchange.load(std::memory_order_relaxed) != 0) return 1;
  return st.sounding.load(std::memory_order_relaxed) != 0 && aqc_enabled() ? 1 : 0;
}

bool ale_word_admissible(AleWord word, bool* aqc) {
  *aqc = false;
  if (ale_char_in_38set(ale_word_char1(word)) && ale_char_in_38set(ale_word_char2(word)) &&
      ale_char_in_38set(ale_word_char3(word)))
    return true;
  if (!ale_word_aqc_pattern(word)) return false;
  if (!aqc_enabled()) return true;
  // A call or link in AQC-ALE signalling takes AQC-ALE words too: its answers are AQC-ALE,
  // whatever was heard before it.
  const AleWordState& st = word_state();
  if (st.normal_exchange.load(std::memory_order_relaxed) != 0 && st.last_word_aqc.load(std::memory_order_relaxed) == 0)
    return false;
  *aqc = true;
  return true;
}

bool ale_word_acceptable(AleWord word) {
  bool aqc = false;
  if (!ale_word_admissible(word, &aqc)) return false;
  word_state().last_word_aqc.store(aqc ? 1 : 0, std::memory_order_relaxed);
  return true;
}

int aqc_rx_word_is_aqc() { return word_state().last_word_aqc.load(std::memory_order_relaxed); }

bool ale_text_word_valid(AleWord word) {
  const uint32_t type = ale_word_type(word);
  if (type != ALE_DATA && type != ALE_REP && type != ALE_CMD) return false;
  return ale_char_in_64set(ale_word_char1(word)) && ale_char_in_64set(ale_word_char2(word)) &&
         ale_char_in_64set(ale_word_char3(word));
}

bool ale_is_check_word(AleWord word) {
  const int c1 = ale_word_char1(word);
  return ale_word_type(word) == ALE_CMD && c1 >= 120 && c1 <= 123;
}

}  // namespace vesk
