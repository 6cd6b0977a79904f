// The command language's keyword table and its prefix matching.
#pragma once

#include <cstdint>

namespace vesk {

struct MmiKeyword {
  char name[17];  // 16 characters, NUL-padded
  int32_t code;
};

inline constexpr int kMmiKeywordCount = 392;
inline constexpr int MMI_AMBIGUOUS = 190;

// The 392 keywords in table order, then the end entry "END" with code 0.
extern const MmiKeyword MmiKeywordTable[kMmiKeywordCount + 1];

// The code of the one keyword that `word` is a prefix of (case-sensitive); 0 when none,
// MMI_AMBIGUOUS when several. A keyword that is a prefix of another can never be selected.
int mmi_lookup_keyword(const char* word);

}  // namespace vesk
