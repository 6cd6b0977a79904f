#include "ale/frames/address_match.h"

#include <array>
#include <cstring>
#include <string_view>

#include "db/ale_chars.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"

namespace vesk {

namespace {

using OwnList = std::array<std::string, kOwnAddressCount>;

// The own addresses in table order, empty for records not in use. Copied out so that no
// database lock is held while matching.
OwnList own_addresses() {
  OwnList out;
  DbLock lock;
  for (int i = 0; i < kOwnAddressCount; ++i) {
    const OwnAddressRecord* r = db_get_own_address(lock, i);
    if (r == nullptr || r->in_use == 0) continue;
    out[static_cast<std::size_t>(i)] = std::string(r->address, strnlen(r->address, kAddressFieldSize - 1));
  }
  return out;
}

void copy_address(char* text, std::string_view address) {
  const std::size_t n = std::min(address.size(), kAddressTextSize - 1);
  std::memcpy(text, address.data(), n);
  text[n] = '\0';
}

std::string_view bounded(const char* text) {
  return text == nullptr ? std::string_view() : std::string_view(text, strnlen(text, kAddressTextSize));
}

}  // namespace

std::string ale_channel_own_address() {
  const ChannelRecord ch = db_current_channel();
  DbLock lock;
  const OwnAddressRecord* r = db_get_own_address(lock, ch.own_index);
  if (r == nullptr || r->in_use == 0) return {};
  return std::string(r->address, strnlen(r->address, kAddressFieldSize - 1));
}

int ale_address_form(const char* text) {
  const std::string_view t = bounded(text);
  if (t.empty() || t.size() > kAleAddressMax) return ADDR_NONE;
  if (t == "?@?") return ADDR_INLINK;
  if (ale_address_is_wildcard(t)) return ADDR_WILD_MATCH;
  if (t[0] != '@') return ADDR_INDIVIDUAL;
  if (t == "@@@") return ADDR_NULL;
  if (t == "@?@") return ADDR_ALLCALL;
  if (t == "@@?") return ADDR_ANYCALL;
  if (t.size() >= 3 && t[2] == '@') return ADDR_SELECTIVE_ALLCALL;
  return ADDR_SELECTIVE_ANYCALL;
}

int ale_rx_address_class(char* text) {
  switch (ale_address_form(text)) {
    case ADDR_WILD_MATCH:
      if (db_get_wildcards() == 0) return ADDR_NONE;
      return ale_own_address_match(text, 0) ? ADDR_WILD_MATCH : ADDR_WILD_NO_MATCH;
    case ADDR_INDIVIDUAL: return ADDR_INDIVIDUAL;
    case ADDR_NULL: return ADDR_NULL;
    case ADDR_INLINK: return ADDR_INLINK;
    case ADDR_ALLCALL:
      copy_address(text, ale_channel_own_address());
      return ADDR_ALLCALL;
    case ADDR_ANYCALL:
      copy_address(text, ale_channel_own_address());
      return ADDR_ANYCALL;
    case ADDR_SELECTIVE_ALLCALL:
      return ale_match_selective_allcall(text) ? ADDR_SELECTIVE_ALLCALL : ADDR_NONE;
    case ADDR_SELECTIVE_ANYCALL:
      return ale_match_selective_anycall(text) ? ADDR_SELECTIVE_ANYCALL : ADDR_NONE;
    default: return ADDR_NONE;
  }
}

int ale_own_address_match(char* text, int prefix_only) {
  const std::string t(bounded(text));
  if (t.empty()) return 0;
  for (const std::string& own : own_addresses()) {
    if (own.empty()) continue;
    if (prefix_only) {
      const std::size_t n = std::min<std::size_t>(3, t.size());
      if (own.size() < n) continue;
      bool same = true;
      for (std::size_t i = 0; i < n && same; ++i) same = t[i] == '?' || t[i] == own[i];
      if (same) return 1;
    } else {
      if (own.size() != t.size()) continue;
      bool same = true;
      for (std::size_t i = 0; i < t.size() && same; ++i) same = t[i] == '?' || t[i] == own[i];
      if (same) {
        copy_address(text, own);
        return 1;
      }
    }
  }
  return 0;
}

int ale_match_selective_allcall(char* text) {
  const std::string_view t = bounded(text);
  if (t.size() < 2) return 0;
  for (const std::string& own : own_addresses()) {
    if (own.empty() || own.back() != t[1]) continue;
    copy_address(text, own);
    return 1;
  }
  return 0;
}

int ale_match_selective_anycall(char* text) {
  const std::string_view t = bounded(text);
  if (t.size() < 3) return 0;
  for (const std::string& own : own_addresses()) {
    if (own.empty() || own.back() != t[2]) continue;
    // A one-character own address has no second-to-last character: only "@@X" names it.
    const bool second_matches = t[1] == '@' || (own.size() >= 2 && own[own.size() - 2] == t[1]);
    if (!second_matches) return 0;
    copy_address(text, own);
    return 1;
  }
  return 0;
}

int aqc_own_address_by_last_char(char c, char* out) {
  for (const std::string& own : own_addresses()) {
    if (own.empty() || own.size() > 6 || own.back() != c) continue;
    copy_address(out, own);
    return 1;
  }
  return 0;
}

int aqc_is_own_address(const char* text) {
  const std::string_view t = bounded(text);
  for (const std::string& own : own_addresses())
    if (!own.empty() && own.size() <= 6 && own == t) return 1;
  return 0;
}

}  // namespace vesk
