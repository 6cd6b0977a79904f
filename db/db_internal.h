// Helpers shared by the database's own modules; they work on an image whose lock the caller
// holds. Not for use outside db/.
#pragma once

#include <cstring>
#include <string_view>

#include "db/database.h"

namespace vesk::dbi {

// A fixed text field read without passing its end.
template <std::size_t N>
std::string_view field_text(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

// Stores a text in a fixed field, NUL-terminated, the rest zero.
template <std::size_t N>
void set_field_text(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

// The caller's text, read at most `max` characters (enough to tell a too-long text).
inline std::string_view bounded(const char* text, std::size_t max = 64) {
  return text ? std::string_view(text, strnlen(text, max)) : std::string_view();
}

int find_other(const StationDatabase& db, std::string_view address);
int add_other(StationDatabase& db, std::string_view address, int learned, int twr_ms, int tt_ms);
// 1 when bit (group AND 31) of the channel's mask is set for the current scan group.
bool in_current_group(const StationDatabase& db, const ChannelRecord& ch);

}  // namespace vesk::dbi
