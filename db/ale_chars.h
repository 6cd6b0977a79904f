// ALE character sets and the small address and link-quality helpers built on them.
//
// Every 7-bit code belongs to one class: 0 not an ALE character, 1 a member of the ASCII-64
// set only (blank, punctuation), 2 a member of the basic-38 set ("0"-"9", "?", "@", "A"-"Z"),
// which is also in the ASCII-64 set. Addresses are made of basic-38 characters, AMD text of
// ASCII-64 characters (0x20-0x5F). The character tests are header-only so that any layer
// (the database's address checks included) can use the one table without linking this module.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

namespace detail {
constexpr std::array<uint8_t, 128> make_ale_char_classes() {
  std::array<uint8_t, 128> t{};
  for (int c = 0x20; c <= 0x5F; ++c) t[c] = 1;
  for (int c = '0'; c <= '9'; ++c) t[c] = 2;
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = 2;
  t['?'] = 2;
  t['@'] = 2;
  return t;
}
}  // namespace detail

inline constexpr std::array<uint8_t, 128> kAleCharClass = detail::make_ale_char_classes();

inline constexpr int kAleAddressMax = 15;  // characters of the longest address

// The addresses of a call, a called list or a group, in order: the one form every layer hands
// such a list in.
using AddressList = std::vector<std::string>;

// The class of a character code; any code outside 0-127 is class 0.
constexpr int ale_char_class(int code) {
  return (code >= 0 && code < 128) ? kAleCharClass[static_cast<std::size_t>(code)] : 0;
}
constexpr bool ale_char_in_64set(int code) { return ale_char_class(code) != 0; }
constexpr bool ale_char_in_38set(int code) { return ale_char_class(code) == 2; }
// Code 0 opens a dictionary-coded AMD text.
constexpr bool ale_char_is_null(int code) { return code == 0; }

// Character codes of a text as the tests want them (0-255, never negative).
constexpr int ale_char_code(char c) { return static_cast<unsigned char>(c); }

// 1 to 15 characters, all basic-38.
constexpr bool ale_address_valid(std::string_view text) {
  if (text.empty() || text.size() > kAleAddressMax) return false;
  for (char c : text)
    if (!ale_char_in_38set(ale_char_code(c))) return false;
  return true;
}

// Words of 3 characters that the text needs.
constexpr int ale_address_word_count(std::string_view text) {
  return static_cast<int>((text.size() + 2) / 3);
}

// Same non-zero length and the same characters.
constexpr bool ale_address_equal(std::string_view a, std::string_view b) {
  return !a.empty() && a == b;
}

// Does not start with "@", starts with a basic-38 character, and holds a "?" anywhere.
constexpr bool ale_address_is_wildcard(std::string_view text) {
  if (text.empty() || text[0] == '@' || !ale_char_in_38set(ale_char_code(text[0]))) return false;
  return text.find('?') != std::string_view::npos;
}

// Upper-cases a NUL-terminated text in place; returns it.
char* ale_upcase(char* text);

// Words of a response: 6 × words(called) + 3 × words(caller) − 3 when flag is 0, + 8.
int ale_response_word_count(std::string_view called, std::string_view caller, int flag);

// A two-character score text. Returned by value (the texts are read from several threads).
struct LqaText {
  char text[3];
  const char* c_str() const { return text; }
};

// 49 (no data) " -", 50 (a marked channel) " F", else tens (blank for 0) and units.
LqaText lqa_score_text(int value);
// The same, with no special case for 50.
LqaText lqa_value_text(int value);
// A SINAD in dB as a score 0-30 (truncated toward zero).
int lqa_sinad_score(double db);
// Vote disagreements of a word as a score: 30 − value below 30, else 0.
int lqa_ber_score(int disagreements);

}  // namespace vesk
