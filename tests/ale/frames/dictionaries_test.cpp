// AMD phrase dictionaries: loading from the station folder and coded-text expansion.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ale/frames/dictionaries.h"
#include "db/database.h"
#include "db/log.h"
#include "db/log_lines.h"
#include "db/options.h"
#include "platform/station.h"
#include "tests/support/child_process.h"

namespace vesk::test {
namespace {

class DictionaryTest : public ::testing::Test {
 protected:
  DictionaryTest() { db_set_default_options(); }

  void write(const char* name, const std::string& bytes) {
    std::ofstream(station_.path(name), std::ios::binary) << bytes;
  }
  // The fixture pair: dictionary 1 phrases "PHRASE ONE 0" ..., dictionary 2 "SECOND 0" ...
  void write_pair() {
    std::string d1, d2;
    for (int i = 0; i < kAmdDictPhrases; ++i) {
      d1 += "PHRASE ONE " + std::to_string(i) + "\n";
      d2 += "SECOND " + std::to_string(i) + "\r\n";
    }
    write(kAmdDictFile1, d1);
    write(kAmdDictFile2, d2);
  }
  static std::string expand(const std::vector<uint8_t>& codes) {
    return amd_expand_coded_text(codes.data(), codes.size());
  }

  TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

TEST_F(DictionaryTest, ExpandsCodedTextWithTheFixtureDictionaries) {
  write_pair();
  ASSERT_EQ(amd_load_dictionaries(), 2);
  struct Case {
    std::vector<uint8_t> codes;
    const char* text;
  };
  const Case cases[] = {
      // A phrase, a word, a letter: blanks between each.
      {{0, 100, 5, 65}, "PHRASE ONE 4 ARE A"},
      // Letters and digits run together; a word after a character gets a blank.
      {{'H', 'I', '1', 24, '.'}, "HI1 THE."},
      // Punctuation after a word: no blank; a word after punctuation: a blank.
      {{31, '!', 31}, "YOU! YOU"},
      // Code 1 selects dictionary 2 until code 0 comes back to 1; the high bit is ignored.
      {{1, 96, 'X'}, "SECOND 0 X"},
      {{1, 0x80 | 0, 0x80 | 127}, "PHRASE ONE 31"},
      // Expansion always starts in dictionary 1.
      {{97}, "PHRASE ONE 1"},
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(expand(c.codes), c.text) << c.text;
}

TEST_F(DictionaryTest, DecodeClassesAndEmptyPhrases) {
  // Nothing loaded: a phrase shows as {dictionary.code}.
  int cls = 0;
  EXPECT_EQ(amd_decode_char(2, &cls), "A");
  EXPECT_EQ(cls, AMD_CLASS_WORD);
  EXPECT_EQ(amd_decode_char('7', &cls), "7");
  EXPECT_EQ(cls, AMD_CLASS_ALNUM);
  EXPECT_EQ(amd_decode_char(' ', &cls), " ");
  EXPECT_EQ(cls, AMD_CLASS_OTHER);
  EXPECT_EQ(amd_decode_char(1, &cls), "");
  EXPECT_EQ(cls, AMD_CLASS_SWITCH);
  EXPECT_EQ(amd_decode_char(110, &cls), "{2.110}");
  EXPECT_EQ(expand({5, 120}), "ARE {1.120}");
}

TEST_F(DictionaryTest, MissingOrMalformedFilesLogAndLeaveEmptyDictionaries) {
  // Missing: the file-not-found line for each, and empty phrases.
  EXPECT_EQ(amd_load_dictionaries(), 0);
  const std::string log = log_monitor_text();
  EXPECT_NE(log.find("[FILE NOT FOUND ERROR: dict1.txt]"), std::string::npos) << log;
  EXPECT_NE(log.find("[FILE NOT FOUND ERROR: dict2.txt]"), std::string::npos) << log;
  EXPECT_EQ(expand({96}), "{1.96}");

  // A control character makes a file malformed: its dictionary stays empty, the other loads.
  write_pair();
  write(kAmdDictFile1, std::string("GOOD\nBAD\x01LINE\n"));
  EXPECT_EQ(amd_load_dictionaries(), 1);
  EXPECT_NE(log_monitor_text().find("[FILE READ ERROR: dict1.txt]"), std::string::npos);
  EXPECT_EQ(expand({96}), "{1.96}");
  EXPECT_EQ(expand({1, 96}), "SECOND 0");

  // A directory in place of the file is a read error, not a crash.
  write(kAmdDictFile1, "");
  std::filesystem::remove(station_.path(kAmdDictFile1));
  std::filesystem::create_directory(station_.path(kAmdDictFile1));
  EXPECT_EQ(amd_load_dictionaries(), 1);
  EXPECT_EQ(expand({96}), "{1.96}");
}

TEST_F(DictionaryTest, EntriesAreBounded) {
  // A 200-character line keeps 79 characters and does not spill into the next phrase; lines
  // past the 32nd are not read.
  std::string d1 = std::string(200, 'X') + "\nNEXT\n";
  for (int i = 2; i < 40; ++i) d1 += "L" + std::to_string(i) + "\n";
  write(kAmdDictFile1, d1);
  amd_load_dictionaries();
  EXPECT_EQ(expand({96}), std::string(kAmdPhraseMax, 'X'));
  EXPECT_EQ(expand({97}), "NEXT");
  EXPECT_EQ(expand({127}), "L31");
  // A last line without its line feed still counts.
  write(kAmdDictFile1, "ONLY");
  amd_load_dictionaries();
  EXPECT_EQ(expand({96}), "ONLY");
  EXPECT_EQ(expand({97}), "{1.97}");
}

TEST_F(DictionaryTest, LogLayerShowsCodedAqcAmdExpanded) {
  write_pair();
  amd_load_dictionaries();
  // The log layer expands coded texts through the dictionaries, as the station binds it.
  log_hooks().expand_coded_amd = amd_expand_coded_amd;
  AmdStoreEntry e{};
  std::strcpy(e.sender, "ABC");
  // Coded text as received: each code with 128 added, the first 0 (dictionary 1).
  const uint8_t coded[] = {0x80, 0x80 | 100, 0x80 | 5, 0x80 | 65, 0};
  std::memcpy(e.text, coded, sizeof coded);
  log_aqc_amd(e, 1);
  EXPECT_NE(log_monitor_text().find("[AMD][ABC   ][PHRASE ONE 4 ARE A][CRC OK]"), std::string::npos)
      << log_monitor_text();
  EXPECT_EQ(log_frame_text(), "PHRASE ONE 4 ARE A\n");
}

}  // namespace
}  // namespace vesk::test
