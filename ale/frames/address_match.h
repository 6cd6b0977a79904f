// Address classification and matching of received TO addresses.
//
// A completed TO address is sorted into an `AddressClass`: an individual address, a wildcard
// form of one of the station's own addresses, the global or selective allcall and anycall
// forms, "@@@" or the in-link address "?@?". The special forms are matched against the own
// address table; on a match the received text is replaced by the own address it meant, so the
// rest of the engine sees a concrete address.
//
// Texts passed in/out are buffers of at least kAddressTextSize bytes; replacements are copied
// with at most 15 characters and a terminator.
#pragma once

#include <cstddef>
#include <string>

namespace vesk {

inline constexpr std::size_t kAddressTextSize = 16;

enum AddressClass : int {
  ADDR_WILD_MATCH = 0,
  ADDR_WILD_NO_MATCH = 1,
  ADDR_INDIVIDUAL = 2,
  ADDR_ALLCALL = 3,
  ADDR_SELECTIVE_ALLCALL = 4,
  ADDR_ANYCALL = 5,
  ADDR_SELECTIVE_ANYCALL = 6,
  ADDR_NULL = 7,  // "@@@"
  ADDR_INLINK = 8,  // "?@?"
  ADDR_NONE = 10,
};

// The form of a text before any matching (the class values above, never 1).
int ale_address_form(const char* text);
// Classifies and, for the special forms, replaces the text by the own address matched.
int ale_rx_address_class(char* text);
// 1 when an in-use own address matches. prefix_only: the first min(3, length) characters are
// compared, "?" in the text matching any character, and the text is left alone; otherwise the
// lengths must agree and the own address is copied into the text.
int ale_own_address_match(char* text, int prefix_only);
int ale_match_selective_allcall(char* text);
int ale_match_selective_anycall(char* text);
// AQC-ALE short addresses (at most 6 characters).
int aqc_own_address_by_last_char(char c, char* out);
int aqc_is_own_address(const char* text);

// The own address assigned to the working channel; empty when the channel names none in use.
std::string ale_channel_own_address();

}  // namespace vesk
