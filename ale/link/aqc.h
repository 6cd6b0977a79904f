// AQC-ALE words and their transmit side: base-40 address word pairs with their 4-bit data
// elements (DE), the builders the call transmitters use in ALTERNATE signalling, the DE
// settings of this station's own word pair, the orderwire command words and the operator
// operations that start AQC-ALE acknowledgements, terminations and orders.
//
// An AQC-ALE address is always two words: a first word carrying the role (TO, TIS, TWAS, or
// THRU inside a link) and characters 1-3, then a FROM word with characters 4-6. Each word
// holds d1 * 1600 + d2 * 40 + d3 in bits 19-4 (bit 20 repeats bit 19, the mark of an AQC-ALE
// word) and a DE in bits 3-0.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ale/words/ale_word.h"

namespace vesk {

inline constexpr int kAqcDeMax = 15;
inline constexpr int kAqcCommandChannel = 1;
inline constexpr int kAqcCommandSlot = 2;
inline constexpr int kAqcSlotValueLimit = 512;   // a received slot value must be below this
inline constexpr int kAqcRequestAddressesMax = 16;

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

// Builders: the words go to the transmit queue through the builders' hand-over.
void aqc_build_tis_sounding(const char* own);
void aqc_build_twas_sounding(const char* own);
void aqc_build_scanning_call(const char* called, const char* own, int channels);
void aqc_build_call(const char* const* addresses, int count, const char* own);
void aqc_build_response(const char* called, const char* own);
void aqc_build_ack(const char* own);
void aqc_build_inlink(const char* const* addresses, int count, const char* own);

// Orderwire command words.
struct AqcChannelDefinition {
  int channel = 0;  // 0-255
  int rx_mode = 1;  // mode codes; only LSB (0) and USB (1) travel
  int tx_mode = 1;
  int rx_hz = 0;
  int tx_hz = 0;
};
std::array<AleWord, 3> aqc_channel_definition_words(const AqcChannelDefinition& d);
// The definition carried by a CMD, DATA, REP triple; false when it is not one.
bool aqc_parse_channel_definition(const AleWord* words, int count, AqcChannelDefinition* out);
AleWord aqc_slot_assignment_word(int slot, int value);
bool aqc_parse_slot_assignment(AleWord word, int* slot, int* value);
// The command code of a CMD word of an orderwire group (1 channel, 2 slot).
int aqc_command_code(AleWord word);

// Operations. Each ends by starting the one-shot engine timer of its initiate event.
struct AqcOrderRequest {
  std::array<std::string, kAqcRequestAddressesMax> addresses;
  int count = 0;
  int ack = 0;  // an acknowledgement is requested
  AqcChannelDefinition channel;
  int slot = 0;
  int slot_value = 0;
};
void aqc_send_nak();
void aqc_send_ack();
void aqc_send_req(const char* address);
void aqc_terminate_other(const char* address);
void aqc_terminate_own();
void aqc_call_with_amd(const char* const* addresses, int count, const char* text, int ack);
void aqc_send_channel_command(const AqcOrderRequest& request);
void aqc_send_slot_assignment(const AqcOrderRequest& request);

}  // namespace vesk
