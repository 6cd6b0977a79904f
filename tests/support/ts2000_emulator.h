// Test support: Hamlib's TS-2000 emulator (rigctlcom) in front of its dummy radio (rigctld -m 1),
// reached by the station over a null-modem pair of pseudo-terminals. The station opens
// `station_port()`; `read` asks the dummy radio with rigctl what the emulator passed on.
#pragma once

#include <memory>
#include <string>

#include "tests/support/child_process.h"
#include "tests/support/pty.h"

namespace vesk::test {

class Ts2000Emulator {
 public:
  // Whether rigctld, rigctlcom and rigctl are installed; the name of the first one missing.
  static std::string missing_program();
  // Starts both programs and waits (bounded) until the emulator answers its identity query.
  Ts2000Emulator();
  ~Ts2000Emulator();
  // Empty when started, else what went wrong with the programs' output.
  const std::string& error() const { return error_; }
  const std::string& station_port() const { return station_side_.name; }
  // rigctl's last output line for `command` ("f", "t") against the dummy radio.
  std::string read(const std::string& command) const;

 private:
  int port_ = 0;
  std::string error_;
  Pty station_side_{PtyOptions{.raw = true}};
  Pty peer_side_{PtyOptions{.raw = true}};
  std::unique_ptr<ChildProcess> rigctld_, rigctlcom_;
  std::unique_ptr<Relay> relay_;
};

}  // namespace vesk::test
