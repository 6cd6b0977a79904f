// AMD phrase dictionaries: loading and the expansion of coded AMD text.
#include "ale/frames/dictionaries.h"

#include <cstdio>
#include <memory>

#include "db/log.h"
#include "db/log_lines.h"
#include "platform/station.h"

namespace vesk {

namespace {

// Words of codes 2-31.
constexpr std::array<const char*, 32> kBuiltInWords = {
    "",      "",     "A",    "AN",    "AND",  "ARE",   "AS",   "BE",   "CAN",    "EACH", "EAST",
    "FOR",   "FROM", "IN",   "IS",    "NORTH", "NOT",  "OF",   "ON",   "OR",     "SIZE", "SOUTH",
    "SYSTEM", "THAT", "THE", "THIS",  "TO",   "USE",   "WEST", "WILL", "WITH",   "YOU"};

constexpr int kFirstPhraseCode = 96;

bool is_alnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Whether a blank goes between a text of class `prev` and one of class `cur`.
bool needs_blank(int prev, int cur) {
  if (prev == AMD_CLASS_WORD) return cur == AMD_CLASS_WORD || cur == AMD_CLASS_ALNUM;
  if (prev == AMD_CLASS_ALNUM || prev == AMD_CLASS_OTHER) return cur == AMD_CLASS_WORD;
  return false;
}

// `selected`: the dictionary in force, changed by the switch codes.
std::string decode_locked(const AmdDictState& st, int& selected, int code, int* out_class) {
  code &= 0x7F;
  std::string text;
  int cls;
  if (code <= 1) {
    selected = code + 1;
    cls = AMD_CLASS_SWITCH;
  } else if (code < 32) {
    text = kBuiltInWords[static_cast<std::size_t>(code)];
    cls = AMD_CLASS_WORD;
  } else if (code < kFirstPhraseCode) {
    text.assign(1, static_cast<char>(code));
    cls = is_alnum(code) ? AMD_CLASS_ALNUM : AMD_CLASS_OTHER;
  } else {
    const AmdPhrase& p = st.dict[static_cast<std::size_t>(selected - 1)][static_cast<std::size_t>(code - kFirstPhraseCode)];
    text = p.data();
    cls = AMD_CLASS_WORD;
  }
  if (text.empty() && cls != AMD_CLASS_SWITCH) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "{%d.%d}", selected, code);
    text = buf;
  }
  if (out_class != nullptr) *out_class = cls;
  return text;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

enum class DictRead { Ok, Missing, Malformed };

// Reads up to 32 lines of one file into `out`. Each line is cut at 79 characters (the rest of
// the line is skipped, so a long line never spills into the next phrase). Control characters
// other than tab, CR and LF, a read error or a file past kAmdDictFileMax make the file
// malformed: `out` is then left empty.
DictRead read_dictionary(const char* name, std::array<AmdPhrase, kAmdDictPhrases>& out) {
  out = {};
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(station().path(name).c_str(), "rb"));
  if (!f) return DictRead::Missing;
  std::array<AmdPhrase, kAmdDictPhrases> read{};
  std::size_t line = 0, length = 0, consumed = 0;
  bool cut = false;  // the rest of the current line is being skipped
  int c;
  while (line < read.size() && (c = std::fgetc(f.get())) != EOF) {
    if (++consumed > kAmdDictFileMax) return DictRead::Malformed;
    if (c == '\n' || c == '\r') {
      // CR LF ends one line, not two.
      if (c == '\r') {
        const int next = std::fgetc(f.get());
        if (next != '\n' && next != EOF) std::ungetc(next, f.get());
      }
      ++line;
      length = 0;
      cut = false;
      continue;
    }
    if (c < 0x20 && c != '\t') return DictRead::Malformed;
    if (cut) continue;
    if (length == static_cast<std::size_t>(kAmdPhraseMax)) {
      cut = true;
      continue;
    }
    read[line][length++] = static_cast<char>(c);
  }
  if (std::ferror(f.get())) return DictRead::Malformed;
  out = read;
  return DictRead::Ok;
}

}  // namespace

AmdDictState& amd_dict_state() { return station().state<AmdDictState>(); }

void amd_select_dictionary(int d) {
  if (d != 1 && d != 2) return;
  AmdDictState& st = amd_dict_state();
  std::lock_guard<std::mutex> lock(st.mutex);
  st.selected = d;
}

std::string amd_decode_char(int code, int* out_class) {
  AmdDictState& st = amd_dict_state();
  std::lock_guard<std::mutex> lock(st.mutex);
  return decode_locked(st, st.selected, code, out_class);
}

std::string amd_phrase_text(int dictionary, int code) {
  AmdDictState& st = amd_dict_state();
  std::lock_guard<std::mutex> lock(st.mutex);
  int selected = dictionary == 2 ? 2 : 1;
  return decode_locked(st, selected, code, nullptr);
}

std::string amd_expand_coded_text(const uint8_t* codes, std::size_t count) {
  AmdDictState& st = amd_dict_state();
  std::lock_guard<std::mutex> lock(st.mutex);
  // The expansion keeps its own dictionary selection: the engine's stays as it was.
  int selected = 1;
  std::string out;
  int prev = 0;
  for (std::size_t i = 0; i < count; ++i) {
    int cls = 0;
    const std::string text = decode_locked(st, selected, codes[i], &cls);
    if (needs_blank(prev, cls)) out += ' ';
    out += text;
    prev = cls;
  }
  return out;
}

std::string amd_expand_coded_amd(const std::string& coded) {
  std::size_t n = coded.find('\0');
  if (n == std::string::npos) n = coded.size();
  return amd_expand_coded_text(reinterpret_cast<const uint8_t*>(coded.data()), n);
}

int amd_load_dictionaries() {
  AmdDictState& st = amd_dict_state();
  int files_read = 0;
  const char* names[2] = {kAmdDictFile1, kAmdDictFile2};
  for (std::size_t d = 0; d < 2; ++d) {
    std::array<AmdPhrase, kAmdDictPhrases> phrases{};
    const DictRead r = read_dictionary(names[d], phrases);
    {
      std::lock_guard<std::mutex> lock(st.mutex);
      st.dict[d] = phrases;
    }
    if (r == DictRead::Ok) {
      ++files_read;
    } else if (r == DictRead::Missing) {
      log_file_not_found(names[d]);
    } else {
      log_printf("[%s][%s][FILE READ ERROR: %s]\n", log_time_stamp().c_str(), log_current_channel_stamp().c_str(),
                 names[d]);
    }
  }
  return files_read;
}


}  // namespace vesk
