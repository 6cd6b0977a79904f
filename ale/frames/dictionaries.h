// AMD phrase dictionaries and the decoder of dictionary-coded AMD text.
//
// A coded AMD carries one 7-bit code per character: codes 0 and 1 switch between the two
// phrase dictionaries, 2-31 stand for common words, 32-95 for themselves and 96-127 for a
// phrase of the selected dictionary. The dictionaries are operator files in the station
// folder, "dict1.txt" and "dict2.txt", one phrase a line, read once at engine start.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace vesk {

inline constexpr int kAmdDictPhrases = 32;
inline constexpr int kAmdPhraseMax = 79;  // characters of one phrase
inline constexpr const char* kAmdDictFile1 = "dict1.txt";
inline constexpr const char* kAmdDictFile2 = "dict2.txt";
// A dictionary file is read up to this size; a larger one is taken as malformed.
inline constexpr std::size_t kAmdDictFileMax = 64 * 1024;

// Spacing class of a decoded code: 1 dictionary switch, 2 word or phrase, 3 digit or letter,
// 4 any other character.
enum AmdCharClass : int {
  AMD_CLASS_SWITCH = 1,
  AMD_CLASS_WORD = 2,
  AMD_CLASS_ALNUM = 3,
  AMD_CLASS_OTHER = 4,
};

using AmdPhrase = std::array<char, kAmdPhraseMax + 1>;

struct AmdDictState {
  // Expansion may be asked for by a listing on another thread while the worker expands.
  std::mutex mutex;
  std::array<std::array<AmdPhrase, kAmdDictPhrases>, 2> dict{};
  int selected = 1;
};

AmdDictState& amd_dict_state();

// Selects dictionary 1 or 2 (any other value is ignored).
void amd_select_dictionary(int d);
// The text of one code (low 7 bits) and its spacing class; codes 0 and 1 select a dictionary.
std::string amd_decode_char(int code, int* out_class);
// The text of one code read in dictionary 1 or 2, leaving the engine's selection alone.
std::string amd_phrase_text(int dictionary, int code);
// Expands `count` codes, starting in dictionary 1, with blanks between words and phrases. The
// expansion's own selection starts at 1; the engine's selection is left as it was.
std::string amd_expand_coded_text(const uint8_t* codes, std::size_t count);
// The log layer's form: a coded text as stored (codes with 128 added, NUL-terminated).
std::string amd_expand_coded_amd(const std::string& coded);
// Reads both dictionary files from the station folder. Returns the number of files read.
int amd_load_dictionaries();

}  // namespace vesk
