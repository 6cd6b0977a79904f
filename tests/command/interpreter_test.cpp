#include "command/interpreter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "command/keywords.h"
#include "command/scripts.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/command/command_fixture.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

std::vector<std::string> tokens(std::string line) {
  char* words[kMmiMaxWords];
  bool overflow = false;
  const int n = mmi_tokenize(line.data(), words, kMmiMaxWords, &overflow);
  return std::vector<std::string>(words, words + n);
}

TEST(MmiTokenize, QuoteRules) {
  struct Case {
    const char* line;
    std::vector<std::string> words;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"set scan on", {"SET", "SCAN", "ON"}},
      {"AMD ABC \"hello world\"", {"AMD", "ABC", "hello world"}},
      {"\"hi\"there x", {"hi", "X"}},                 // letters after a closing quote are lost
      {"\"\"abc\" d", {"\"abc", "D"}},                // the second quote starts the quoted word
      {"AMD \"never closed\n", {"AMD", "never closed\n"}},
      {"CALL \"", {"CALL", ""}},                      // a final quote gives an empty word
      {"  # x", {"#", "X"}},
      {"a\"b c", {"A\"B", "C"}},                      // a quote inside a plain word stays
  };
  for (const Case& c : cases) EXPECT_EQ(tokens(c.line), c.words) << c.line;
}

TEST(MmiTokenize, FiftyWordsAtMost) {
  std::string line;
  for (int i = 0; i < 51; ++i) line += "W ";
  char* words[kMmiMaxWords];
  bool overflow = false;
  EXPECT_EQ(mmi_tokenize(line.data(), words, kMmiMaxWords, &overflow), 50);
  EXPECT_TRUE(overflow);
}

TEST(MmiKeywords, PrefixLookup) {
  struct Case {
    const char* word;
    int code;
  } cases[] = {
      {"QU", 2},    {"QUIT", 2},   {"EXI", 168}, {"EX", MMI_AMBIGUOUS}, {"OPT", 171},
      {"STATU", 196}, {"STA", MMI_AMBIGUOUS}, {"SEL", MMI_AMBIGUOUS}, {"LISTEN", 7},
      {"", MMI_AMBIGUOUS}, {"QUITS", 0}, {"quit", 0}, {"TT588rad", 127}, {"TT588RAD", 0},
      {"/E", 209},  {"ECHO", 209},
  };
  for (const Case& c : cases) EXPECT_EQ(mmi_lookup_keyword(c.word), c.code) << c.word;
}

TEST(MmiKeywords, ThirtyFiveKeywordsCanNeverBeSelected) {
  const std::set<std::string> expected = {
      "AQC",    "LIST",     "SCSPTCI",  "RADIO",    "FT450",      "FT817",   "VX1700",
      "FT920",  "FT950",    "FT1000",   "FT2000",   "IC78",       "IC706",   "IC706MKII",
      "IC746",  "IC756",    "IC756PRO", "IC756PROII", "ICM710",   "KENWOOD", "KENWOOD2",
      "KENWOOD3", "KENWOOD4", "RF350", "RF350ALK", "RF590",      "TK90",    "TT550",
      "NRD535", "R8",       "R71",      "VSWR",     "DTM",        "DBM",     "MODE"};
  std::set<std::string> never;
  int entries = 0;
  for (const MmiKeyword* k = MmiKeywordTable; k->code != 0; ++k, ++entries)
    if (mmi_lookup_keyword(k->name) != k->code) never.insert(k->name);
  EXPECT_EQ(entries, kMmiKeywordCount);
  EXPECT_EQ(never, expected);
  EXPECT_STREQ(MmiKeywordTable[kMmiKeywordCount].name, "END");
}

using CommandTest = test::CommandFixture;

TEST_F(CommandTest, ErrorLinesOfTheLanguage) {
  struct Case {
    const char* line;
    const char* expect;  // a piece of the one line written, or "" for none
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"# comment", ""},
      {"#c", ""},
      {" # x", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => #]"},
      {"\"set\"", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => set]"},
      {"LIST", "[MMI CHANGE ERROR: AMBIGUOUS COMMAND]"},
      {"dtm", "[MMI CHANGE ERROR: AMBIGUOUS COMMAND]"},
      {"LISTEN", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => LISTEN]"},
      {"TWX", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => TWX]"},
      {"ON", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => ON]"},
      {"\"", "[MMI CHANGE ERROR: AMBIGUOUS COMMAND]"},
      {"MACRO", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]"},
      {"MACRO A B", "[MMI CHANGE ERROR: TOO MANY PARAMETERS]"},
      {"DELAY", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]"},
      {"DELAY 1 2", "[MMI CHANGE ERROR: TOO MANY PARAMETERS]"},
      {"LOAD", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]"},
      {"LOAD CONFIG", "[MMI CHANGE ERROR: NOT ENOUGH PARAMETERS]"},
      {"LOAD XYZ", "[MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => XYZ]"},
      {"SELF", ""},
      {"LINKED", "* SORRY NOT LINKED"},
  };
  for (const Case& c : cases) {
    mmi_run_line(std::string(c.line));
    auto got = lines();
    if (c.expect[0] == '\0') {
      EXPECT_TRUE(got.empty()) << c.line << " wrote " << (got.empty() ? "" : got[0]);
    } else {
      ASSERT_EQ(got.size(), 1u) << c.line;
      EXPECT_NE(got[0].find(c.expect), std::string::npos) << c.line << " wrote " << got[0];
    }
  }
}

TEST_F(CommandTest, MoreThanFiftyWordsRunsNothing) {
  std::string line = "MACRO";
  for (int i = 0; i < 60; ++i) line += " X";
  EXPECT_NE(run(line).find("[MMI CHANGE ERROR: TOO MANY PARAMETERS]"), std::string::npos);
}

TEST_F(CommandTest, DelayWaitsOnTheStationClockClamped) {
  struct Case {
    const char* value;
    int64_t ms;
  } cases[] = {{"5", 10}, {"250", 250}, {"60000", 1000}, {"X", 10}};
  for (const Case& c : cases) {
    const int64_t start = clock_->mono_ms();
    std::atomic<bool> done{false};
    std::thread t([&] {
      StationScope scope(*st_);
      mmi_run_line(std::string("DELAY ") + c.value);
      done = true;
    });
    while (clock_->sleepers() == 0) std::this_thread::yield();
    clock_->advance_ms(c.ms - 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(done.load()) << c.value;
    clock_->advance_ms(1);
    t.join();
    EXPECT_TRUE(done.load());
    EXPECT_EQ(clock_->mono_ms() - start, c.ms);
  }
}

TEST_F(CommandTest, ScriptsAndMacros) {
  write_file("MACRO/TEST.MAC", "# comment\nLISTEN\nSTA\n");
  EXPECT_EQ(script_run_file("CONFIG.DAT"), 0);
  auto got = lines();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_NE(got[0].find("[FILE NOT FOUND ERROR: CONFIG.DAT]"), std::string::npos);

  const std::string out = run("macro test");
  EXPECT_NE(out.find("NO MMI COMMAND => LISTEN"), std::string::npos);
  EXPECT_NE(out.find("AMBIGUOUS COMMAND"), std::string::npos);

  for (const char* bad : {"MACRO ../TEST", "MACRO \"A/B\"", "LOAD CONFIG ../x"}) {
    const std::string o = run(bad);
    EXPECT_NE(o.find("INVALID FILE NAME"), std::string::npos) << bad;
  }
}

TEST_F(CommandTest, OverlongScriptLineIsSkippedWhole) {
  // A 1,500-character line of LISTEN words would otherwise run as two lines.
  std::string longline = "LISTEN";
  while (longline.size() < 1500) longline += " LISTEN";
  write_file("LONG.DAT", longline + "\nLISTEN\n");
  EXPECT_EQ(script_run_file("LONG.DAT"), 1);
  auto got = lines();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(got[0].find("SCRIPT LINE TOO LONG => LONG.DAT"), std::string::npos);
  EXPECT_NE(got[1].find("NO MMI COMMAND => LISTEN"), std::string::npos);
}

TEST_F(CommandTest, SelfRunningScriptStopsAtTheNestingLimit) {
  write_file("MACRO/LOOP.MAC", "MACRO LOOP\n");
  const std::string out = run("MACRO LOOP");
  EXPECT_NE(out.find("SCRIPTS NESTED TOO DEEP => MACRO/LOOP.MAC"), std::string::npos);
}

// Ten calls of itself per macro would run 10^8 lines within the nesting limit: one command
// runs at most kMmiMaxScriptLines script lines, then every nested script ends with one line.
TEST_F(CommandTest, SelfRunningScriptStopsAtTheLineBound) {
  std::string body;
  for (int i = 0; i < 10; ++i) body += "MACRO LOOP\n";
  write_file("MACRO/LOOP.MAC", body);
  const std::string out = run("MACRO LOOP");
  auto count = [&out](const std::string& piece) {
    long n = 0;
    for (std::size_t at = out.find(piece); at != std::string::npos; at = out.find(piece, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("TOO MANY SCRIPT LINES => MACRO/LOOP.MAC"), 1);
  EXPECT_LE(count("SCRIPTS NESTED TOO DEEP"), kMmiMaxScriptLines);
  // The next command starts a new count.
  write_file("MACRO/ONE.MAC", "MACRO NOPE\n");
  EXPECT_EQ(run("MACRO ONE").find("TOO MANY SCRIPT LINES"), std::string::npos);
}

TEST_F(CommandTest, HelpTopicsAndMenu) {
  write_file("SCAN.txt", "{B}bold{/B} text\nend{\n");
  // Topic lines are appended, so the file reads in its own order in the monitor text.
  mmi_run_line(std::string("HELP SCAN"));
  EXPECT_EQ(log_monitor_text(), "boldB text\n\rend\r");
  lines();
  EXPECT_EQ(run("HELP NOPE"), "* Help on NOPE not found\n\r");
  mmi_run_line(std::string("HELP"));
  auto menu = lines();
  ASSERT_EQ(menu.size(), 37u);
  EXPECT_EQ(menu.front(), "LDG     {STORE},{RESET},{},{},{},{},{},{},\n");
  EXPECT_EQ(menu[35], "VESK-ALE Man Machine Interface(MMI) HELP Menu\n");
  display_set_listing_compact();
  EXPECT_EQ(run("HELP"), "");
}

TEST_F(CommandTest, QuitAndExitAskForAnOrderlyEnd) {
  EXPECT_EQ(run("QUIT"), "Goodbye......");
  EXPECT_EQ(exits_, 1);
  std::filesystem::remove(st_->path("ALE.DAT"));
  EXPECT_EQ(run("EXI"), "Goodbye......");
  EXPECT_EQ(exits_, 2);
  EXPECT_TRUE(std::filesystem::exists(st_->path("ALE.DAT")));  // EXIT saves first
}

TEST_F(CommandTest, ExecutorRunsPostedLinesInOrder) {
  write_file("LINKED.DAT", "LISTEN\n");
  mmi_post_line("TWX");
  mmi_post_script("LINKED.DAT");
  EXPECT_TRUE(mmi_executor_step());
  EXPECT_TRUE(mmi_executor_step());
  EXPECT_FALSE(mmi_executor_step());
  auto got = lines();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_NE(got[0].find("=> TWX"), std::string::npos);
  EXPECT_NE(got[1].find("=> LISTEN"), std::string::npos);
}

// mmi-run as a person uses it: lines on standard input, the log on standard output.
TEST(MmiRun, ThePartsLinesInOrder) {
  test::ChildProcess p({test::program_path("tools/mmi-run")},
                       "myaddress\n\"myaddress\"\n# x\n#c\nLIST\nSTA\nEX\nLISTEN\n");
  ASSERT_EQ(p.wait(20000), 0);
  std::vector<std::string> got;
  std::string out = p.output();
  for (std::size_t pos = 0, nl; (nl = out.find('\n', pos)) != std::string::npos; pos = nl + 1)
    got.push_back(out.substr(pos, nl - pos));
  const std::vector<std::string> expect = {
      "* MY ADDRESS NOT SET",
      "MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => myaddress]",
      "MMI CHANGE ERROR: AMBIGUOUS COMMAND]",
      "MMI CHANGE ERROR: AMBIGUOUS COMMAND]",
      "MMI CHANGE ERROR: AMBIGUOUS COMMAND]",
      "MMI CHANGE SYNTAX ERROR: NO MMI COMMAND => LISTEN]",
  };
  ASSERT_EQ(got.size(), expect.size()) << out;
  for (std::size_t i = 0; i < expect.size(); ++i) EXPECT_NE(got[i].find(expect[i]), std::string::npos) << got[i];
}

// Every verb of the language runs its own handler: none answers that it is not supported.
TEST(MmiRun, NoVerbIsLeftUnsupported) {
  const std::string input =
      "SET DCD 4\nRADCMD X\nHEXRADCMD 0A\nATU BYPASS\nLDG VER\nTNC DISCONN\n1052ARQ\n1052ARQ X 0A\n";
  test::ChildProcess p({test::program_path("tools/mmi-run")}, input);
  ASSERT_EQ(p.wait(20000), 0);
  EXPECT_EQ(p.output().find("COMMAND NOT SUPPORTED"), std::string::npos) << p.output();
}

}  // namespace
}  // namespace vesk
