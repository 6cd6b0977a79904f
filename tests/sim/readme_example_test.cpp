// The README's vesk-ale-sim example, run as a newcomer runs it from the repository root on
// the example stations shipped there: the call links in both logs.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

// The indented command of README.md that starts the simulator, its continuation lines joined.
std::string readme_sim_command() {
  std::ifstream in(std::string(VESK_SOURCE_DIR) + "/README.md");
  std::string line, command;
  while (std::getline(in, line)) {
    if (command.empty() && line.rfind("    build/app/vesk-ale-sim ", 0) != 0) continue;
    const bool more = !line.empty() && line.back() == '\\';
    if (more) line.pop_back();
    command += line;
    if (!more) break;
  }
  return command;
}

TEST(ReadmeExample, TwoExampleStationsLink) {
  std::string command = readme_sim_command();
  ASSERT_FALSE(command.empty()) << "README.md has no vesk-ale-sim example";
  // The README names the programs in build/; the test runs the ones of this build.
  const auto at = command.find("build/");
  command.replace(at, 6, std::string(VESK_BINARY_DIR) + "/");
  test::ChildProcess p({"/bin/sh", "-c", "cd '" + std::string(VESK_SOURCE_DIR) + "' && exec" + command});
  ASSERT_EQ(p.wait(120000), 0) << command << "\n" << p.output();
  test::SimRun run;
  run.text = p.output();
  std::istringstream lines(run.text);
  for (std::string l; std::getline(lines, l);) run.lines.push_back(l);
  EXPECT_TRUE(run.linked("ALFA", "BRAVO")) << run.text;
  EXPECT_TRUE(run.linked("BRAVO", "ALFA")) << run.text;
}

}  // namespace
}  // namespace vesk
