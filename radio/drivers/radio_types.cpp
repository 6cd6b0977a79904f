#include "radio/drivers/radio_types.h"

#include <cstring>

namespace vesk {

namespace {
bool same(const char* a, const char* b) { return a != nullptr && b != nullptr && std::strcmp(a, b) == 0; }
}  // namespace

int radio_type_from_options_keyword(const char* text) {
  for (const RadioTypeRow& row : kRadioTypeTable) {
    if (same(row.options_keyword, text) || same(row.options_alias, text)) return row.number;
  }
  return 0;
}

int radio_type_from_command_keyword(const char* text) {
  for (const RadioTypeRow& row : kRadioTypeTable) {
    if (same(row.command_keyword, text)) return row.number;
  }
  return -1;
}

const char* radio_type_options_text(int type) {
  const char* k = radio_type_row(type).options_keyword;
  return k != nullptr ? k : "UNKNOWN";
}

const char* mode_code_keyword(int code) {
  for (const ModeCodeName& m : kModeCodeNames) {
    if (m.code == code) return m.keyword;
  }
  return nullptr;
}

int mode_code_from_keyword(const char* keyword) {
  for (const ModeCodeName& m : kModeCodeNames) {
    if (same(m.keyword, keyword)) return m.code;
  }
  return MODE_UNKNOWN_KEYWORD;
}

}  // namespace vesk
