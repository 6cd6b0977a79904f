// The radio fixture with the interpreter on top: `run` types one line and returns what it put
// on the recording fake's ports and the lines it wrote, without their stamps.
#pragma once

#include <string>
#include <utility>

#include "command/interpreter.h"
#include "tests/radio/radio_fixture.h"

namespace vesk::test {

class RadioCommandFixture : public RadioFixture {
 protected:
  // The fake's trace of the line (and `settle_ms` after it), and the text it wrote.
  std::pair<std::string, std::string> run(const std::string& line, int settle_ms = 100) {
    clear();
    std::string trace = trace_of([&] { mmi_run_line(line); }, settle_ms);
    return {trace, log_text()};
  }
};

}  // namespace vesk::test
