#include "db/ale_chars.h"

#include <cctype>

namespace vesk {

static_assert(ale_char_class(' ') == 1 && ale_char_class('-') == 1 && ale_char_class('[') == 1 &&
              ale_char_class('_') == 1 && ale_char_class('`') == 0 && ale_char_class('a') == 0 &&
              ale_char_class('?') == 2 && ale_char_class('@') == 2 && ale_char_class(0x1F) == 0 &&
              ale_char_class(200) == 0 && ale_char_class(-1) == 0);

char* ale_upcase(char* text) {
  if (text == nullptr) return text;
  for (char* p = text; *p != '\0'; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  return text;
}

int ale_response_word_count(std::string_view called, std::string_view caller, int flag) {
  return 6 * ale_address_word_count(called) + 3 * ale_address_word_count(caller) - (flag == 0 ? 3 : 0) + 8;
}

namespace {
LqaText two_digits(int value) {
  // Scores are 0-30 (49 and 50 are handled by the callers); anything outside two digits has
  // no meaning on a two-character display and shows as no data.
  if (value < 0 || value > 99) return {{' ', '-', '\0'}};
  const int tens = value / 10;
  return {{tens == 0 ? ' ' : static_cast<char>('0' + tens), static_cast<char>('0' + value % 10), '\0'}};
}
}  // namespace

LqaText lqa_score_text(int value) {
  if (value == 49) return {{' ', '-', '\0'}};
  if (value == 50) return {{' ', 'F', '\0'}};
  return two_digits(value);
}

LqaText lqa_value_text(int value) {
  if (value == 49) return {{' ', '-', '\0'}};
  return two_digits(value);
}

int lqa_sinad_score(double db) {
  if (!(db > 0.0)) return 0;  // also a NaN
  if (db >= 30.0) return 30;
  return static_cast<int>(db);
}

int lqa_ber_score(int disagreements) {
  if (disagreements < 0) return 30;
  return disagreements < 30 ? 30 - disagreements : 0;
}

}  // namespace vesk
