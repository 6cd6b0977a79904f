// The AQC-ALE transmit side: the builders the call transmitters use in ALTERNATE signalling,
// the orderwire command words and the operator operations that start AQC-ALE
// acknowledgements, terminations and orders. The address words themselves and the DE
// settings of the own pair are the words' (ale/words/aqc_word.h).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "ale/words/ale_word.h"
#include "ale/words/aqc_word.h"

namespace vesk {

inline constexpr int kAqcCommandChannel = 1;
inline constexpr int kAqcCommandSlot = 2;
inline constexpr int kAqcSlotValueLimit = 512;   // a received slot value must be below this
inline constexpr int kAqcRequestAddressesMax = 16;

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
