// Random command lines through the interpreter on a temporary station on simulated time.
// The verbs that end the process, write files or wait are neutralised: their lines are
// skipped before they reach the interpreter.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "command/interpreter.h"
#include "command/keywords.h"
#include "db/database.h"
#include "db/log.h"
#include "platform/station.h"
#include "tests/support/fuzz_station.h"

namespace {

std::unique_ptr<vesk::SimClock> auto_advancing_clock() {
  auto clock = std::make_unique<vesk::SimClock>();
  clock->set_auto_advance(true);
  return clock;
}

struct Harness : vesk::test::FuzzStation {
  Harness() : FuzzStation("vesk-fuzz-", auto_advancing_clock()) {
    vesk::StationScope scope(*st);
    vesk::db_open();
    vesk::log_hooks().request_exit = [] {};
  }
};

// The verb codes the harness never runs: QUIT, EXIT, SAVE, DELAY, LOAD, MACRO.
bool neutralised(const std::string& line) {
  std::string copy = line;
  char* words[vesk::kMmiMaxWords];
  bool overflow = false;
  if (copy.empty() || copy[0] == '#') return false;
  const int n = vesk::mmi_tokenize(copy.data(), words, vesk::kMmiMaxWords, &overflow);
  if (n == 0) return false;
  switch (vesk::mmi_lookup_keyword(words[0])) {
    case 2: case 168: case 16: case 397: case 172: case 396: return true;
    default: return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  vesk::StationScope scope(*harness.st);
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (line.find('\0') != std::string::npos) line.resize(line.find('\0'));
    if (!neutralised(line)) vesk::mmi_run_line(line + "\n");
    start = end + 1;
  }
  // Keep the log from growing without bound over a long run.
  vesk::display_clear_monitor();
  return 0;
}
