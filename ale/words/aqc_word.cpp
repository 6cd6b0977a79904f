// AQC-ALE address words and the DE settings of the own pair: see aqc_word.h.
#include "ale/words/aqc_word.h"

#include <algorithm>

#include "platform/station.h"

namespace vesk {

namespace {

int clamp_de(int de) { return std::clamp(de, 0, kAqcDeMax); }

}  // namespace

// ---- characters and words ----

int aqc_char_digit(char c) {
  if (c == '*') return 0;
  if (c >= '0' && c <= '9') return 1 + (c - '0');
  if (c == '?') return 11;
  if (c >= 'A' && c <= 'Z') return 13 + (c - 'A');
  if (c == '-') return 39;
  return 12;
}

char aqc_digit_char(int digit) {
  if (digit == 0) return '*';
  if (digit >= 1 && digit <= 10) return static_cast<char>('0' + digit - 1);
  if (digit == 11) return '?';
  if (digit >= 13 && digit <= 38) return static_cast<char>('A' + digit - 13);
  if (digit == 39) return '-';
  return '@';
}

std::string aqc_six_chars(std::string_view address) {
  if (!address.empty() && (address[0] == '@' || address[0] == '?')) {
    std::string three(address.substr(0, 3));
    three.resize(3, '@');
    return three + three;
  }
  std::string six(address.substr(0, 6));
  six.resize(6, '@');
  return six;
}

std::string aqc_strip_fill(std::string_view six) {
  if (!six.empty() && six[0] == '@') return std::string(six.substr(0, 3));
  const std::size_t at = six.find('@');
  return std::string(six.substr(0, at));
}

AleWord aqc_address_word(int preamble, std::string_view three, int de) {
  int digits[3] = {12, 12, 12};
  for (std::size_t i = 0; i < 3 && i < three.size(); ++i) digits[i] = aqc_char_digit(three[i]);
  const uint32_t value = static_cast<uint32_t>(digits[0] * 1600 + digits[1] * 40 + digits[2]);
  const uint32_t bit19 = (value >> 15) & 1;
  return (static_cast<uint32_t>(preamble) & 7) << kAlePreambleShift | bit19 << 20 | value << 4 |
         static_cast<uint32_t>(clamp_de(de));
}

std::string aqc_word_chars(AleWord word) {
  const int value = static_cast<int>((word >> 4) & 0xFFFF);
  std::string out;
  out += aqc_digit_char(value / 1600);
  out += aqc_digit_char(value / 40 % 40);
  out += aqc_digit_char(value % 40);
  return out;
}

int aqc_word_de(AleWord word) { return static_cast<int>(word & 0xF); }

int aqc_sounding_pairs(int channels) {
  const int b = static_cast<int>((channels * 0.196 + 0.784) / 0.392);
  return (b + 2) / 2;
}

int aqc_scanning_call_pairs(int channels) {
  const int b = static_cast<int>(channels * 0.196 / 0.392);
  return (b + 2) / 2;
}

// ---- settings ----

AqcTxSettings& aqc_tx_settings() { return station().state<AqcTxSettings>(); }
void aqc_set_first_word_code(int code) { aqc_tx_settings().first_code = code & 7; }
void aqc_set_first_word_flag(int flag) { aqc_tx_settings().first_flag = flag != 0 ? 1 : 0; }
void aqc_set_second_word_code(int code) {
  AqcTxSettings& s = aqc_tx_settings();
  s.second_code = code & 7;
  if (code == AQC_CODE_TEXT) s.first_flag = 0;
}
void aqc_set_second_word_flag(int flag) { aqc_tx_settings().second_flag = flag != 0 ? 1 : 0; }

}  // namespace vesk
