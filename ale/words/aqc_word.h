// AQC-ALE address words: base-40 address word pairs with their 4-bit data elements (DE), and
// the DE settings of this station's own word pair, which the frame and message builders set.
//
// An AQC-ALE address is always two words: a first word carrying the role (TO, TIS, TWAS, or
// THRU inside a link) and characters 1-3, then a FROM word with characters 4-6. Each word
// holds d1 * 1600 + d2 * 40 + d3 in bits 19-4 (bit 20 repeats bit 19, the mark of an AQC-ALE
// word) and a DE in bits 3-0.
#pragma once

#include <string>
#include <string_view>

#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr int kAqcDeMax = 15;

// Second-word DE codes.
enum AqcSecondCode : int {
  AQC_CODE_NONE = 0,
  AQC_CODE_TEXT = 1,
  AQC_CODE_ACK = 2,
  AQC_CODE_NAK = 3,
  AQC_CODE_TERMINATE = 4,
  AQC_CODE_OPERATOR = 5,  // ACK, NAK or REQ text follows
  AQC_CODE_DATA = 6,
};

// Base-40 digits: "*" 0, "0"-"9" 1-10, "?" 11, "@" (and anything else) 12, "A"-"Z" 13-38, "-" 39.
int aqc_char_digit(char c);
char aqc_digit_char(int digit);
// The six characters sent for an address: a global form ("@..." or "?...") is its first three
// characters twice, any other address its first six characters filled up with "@".
std::string aqc_six_chars(std::string_view address);
// The received six characters with the filling removed.
std::string aqc_strip_fill(std::string_view six);

// One address word: preamble, three characters, DE (above 15 sent as 15).
AleWord aqc_address_word(int preamble, std::string_view three, int de);
// Its three characters and DE.
std::string aqc_word_chars(AleWord word);
int aqc_word_de(AleWord word);

// Pairs of a sounding (N) and of a scanning call (M) for a number of scan channels.
int aqc_sounding_pairs(int channels);
int aqc_scanning_call_pairs(int channels);

// DE settings of the own word pair.
struct AqcTxSettings {
  int first_code = 0;
  int first_flag = 0;
  int second_code = 0;
  int second_flag = 0;
};
AqcTxSettings& aqc_tx_settings();
void aqc_set_first_word_code(int code);
void aqc_set_first_word_flag(int flag);
void aqc_set_second_word_code(int code);  // 1 also clears the first flag
void aqc_set_second_word_flag(int flag);

}  // namespace vesk
