#include "tests/support/ts2000_emulator.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/net.h"
#include "tests/support/waits.h"

namespace vesk::test {

std::string Ts2000Emulator::missing_program() {
  for (const char* program : {"rigctld", "rigctlcom", "rigctl"})
    if (find_program(program).empty()) return program;
  return {};
}

Ts2000Emulator::Ts2000Emulator() {
  port_ = free_tcp_port();
  if (port_ <= 0 || !station_side_.ok() || !peer_side_.ok()) {
    error_ = "no free port or pseudo-terminal";
    return;
  }
  rigctld_ = std::make_unique<ChildProcess>(std::vector<std::string>{
      find_program("rigctld"), "-m", "1", "-P", "RIG", "-T", "127.0.0.1", "-t", std::to_string(port_)});
  if (!wait_until([&] { return can_connect(port_); }, 15000)) {
    error_ = "rigctld does not listen: " + rigctld_->output();
    return;
  }
  rigctlcom_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{find_program("rigctlcom"), "-m", "2", "-r", "127.0.0.1:" + std::to_string(port_), "-R",
                               peer_side_.name, "-S", "4800"});
  // Ready once the emulator answers its identity query.
  std::string answer;
  const bool ready = wait_until(
      [&] {
        if (write(peer_side_.master, "ID;", 3) != 3) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        char buf[64];
        pollfd p{peer_side_.master, POLLIN, 0};
        while (poll(&p, 1, 0) > 0) {
          const ssize_t n = ::read(peer_side_.master, buf, sizeof buf);
          if (n <= 0) break;
          answer.append(buf, static_cast<std::size_t>(n));
        }
        return answer.find("ID019;") != std::string::npos;
      },
      15000);
  if (!ready) {
    error_ = "rigctlcom does not answer ID;: " + rigctlcom_->output();
    return;
  }
  relay_ = std::make_unique<Relay>(station_side_.master, peer_side_.master);
}

Ts2000Emulator::~Ts2000Emulator() = default;

std::string Ts2000Emulator::read(const std::string& command) const {
  ChildProcess p({find_program("rigctl"), "-m", "2", "-r", "127.0.0.1:" + std::to_string(port_), command});
  p.wait(5000);
  std::string out = p.output();
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out.substr(out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1);
}

}  // namespace vesk::test
