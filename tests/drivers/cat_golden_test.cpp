// Drives every radio type of the built families through the golden table: for each row the
// driver step of the operation must hand over exactly the listed commands and pauses.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "radio/drivers/driver_steps.h"
#include "radio/drivers/radio_types.h"
#include "tests/drivers/driver_fixture.h"
// After the options header: <termios.h>, which the serial layer includes, defines ECHO.
#include "radio/serial_queue.h"

namespace vesk {
namespace {

using CatGoldenTest = test::DriverTest;

TEST_F(CatGoldenTest, EveryRowOfTheTable) {
  std::ifstream in(std::string(VESK_SOURCE_DIR) + "/tests/drivers/cat_golden.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  int rows = 0;
  std::set<int> types;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    int type = 0;
    std::string name, op, arg, expected;
    ls >> type >> name >> op >> arg;
    std::getline(ls >> std::ws, expected);
    std::string keyword = radio_type_options_text(type);
    for (char& c : keyword) c = c == ' ' ? '_' : c;
    ASSERT_EQ(keyword, name) << line;

    set_type(type);
    serial_queue_reset(SQ_RADIO);  // nothing answers here: keep the queue from filling up
    timers_.clear();               // each row starts with no timer running (keep-alive polls)
    sent.clear();
    start_ms_ = clock_->mono_ms();
    if (op == "freq") driver_step_set_freq(static_cast<uint32_t>(std::stoul(arg)));
    else if (op == "mode") driver_step_set_mode(mode_code_from_keyword(arg.c_str()));
    else if (op == "tune-channel") {
      // "HZ/MODE"
      const auto slash = arg.find('/');
      driver_step_tune_channel(static_cast<uint32_t>(std::stoul(arg.substr(0, slash))),
                               mode_code_from_keyword(arg.substr(slash + 1).c_str()));
    } else if (op == "ptt-on") driver_step_ptt_on(MODE_USB);
    else if (op == "ptt-off") driver_step_ptt_off();
    else FAIL() << "unknown operation in: " << line;
    settle();
    EXPECT_EQ(sent_golden(), expected) << line;
    ++rows;
    types.insert(type);
  }
  // Every type of a family with command builders appears.
  for (const RadioTypeRow& r : kRadioTypeTable) {
    if (r.family != DriverFamily::None && r.family != DriverFamily::GenericFile &&
        r.family != DriverFamily::PluginLibrary) {
      EXPECT_TRUE(types.count(r.number)) << r.number;
    }
  }
  EXPECT_GT(rows, 250);
}

TEST(Catgen, ListsAllTypesAndPrintsAnOperation) {
  test::ChildProcess list({test::program_path("tools/catgen"), "--list"});
  ASSERT_EQ(list.wait(10000), 0);
  int lines = 0;
  for (char c : list.output()) lines += c == '\n';
  EXPECT_EQ(lines, 155);
  EXPECT_NE(list.output().find("149  IC7200"), std::string::npos);

  test::ChildProcess tune({test::program_path("tools/catgen"), "IC7200", "tune", "14250000", "USB-D"});
  ASSERT_EQ(tune.wait(10000), 0);
  EXPECT_EQ(tune.output(),
            "+0 FE FE 76 E0 05 00 00 25 14 00 FD  ..v....%...\n"
            "+0 FE FE 76 E0 06 01 FD  ..v....\n"
            "+0 FE FE 76 E0 1A 04 01 01 FD  ..v......\n");

  test::ChildProcess bad({test::program_path("tools/catgen"), "NOSUCH", "freq", "1"});
  EXPECT_EQ(bad.wait(10000), 2);
}

}  // namespace
}  // namespace vesk
