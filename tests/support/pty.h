// Test support: pseudo-terminals for the tests that put a real terminal between the station
// (or another program) and a peer the test plays. The terminal headers stay out of this
// header: they define macros (ECHO) that the station's option names use.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vesk::test {

struct PtyOptions {
  bool raw = false;                 // the slave passes bytes unchanged from the start
  bool nonblocking_master = false;  // reads and writes of the master never wait
};

// A pseudo-terminal pair, both ends open and not inherited by started programs. `name` is the
// slave's path, which a program (or the station, through "PORTS.MAP") opens; the slave stays
// open here so the pair lives while programs open and close it. `name` is empty on failure.
struct Pty {
  explicit Pty(PtyOptions options = {});
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  bool ok() const { return !name.empty(); }
  // Reads from the master what arrives within `limit_ms` of each read, until `want` bytes are
  // there.
  std::string read_master(std::size_t want, int limit_ms = 2000);

  int master = -1;
  int slave = -1;
  std::string name;
};

// The far end of a terminal, played by the test: a reader thread collects every byte written
// to the slave with the time it arrived; `send` writes all of its bytes.
class PtyPeer {
 public:
  PtyPeer();
  ~PtyPeer();
  bool ok() const { return pty_.ok(); }
  const std::string& path() const { return pty_.name; }
  std::string received();
  // When the byte at `index` was read (steady_ms).
  int64_t arrival(std::size_t index);
  // Bounds on the time between the arrivals of the bytes at `first` and `second`, from when
  // each was read and when the terminal was last seen empty before it: a reader that is late
  // on a loaded machine widens the bounds, never moves them past the true gap.
  int64_t gap_at_least(std::size_t first, std::size_t second);
  int64_t gap_at_most(std::size_t first, std::size_t second);
  bool wait_for(const std::string& text, int limit_ms);
  // Writes every byte; false when the reader of the slave stopped reading for `limit_ms`.
  bool send(const std::string& bytes, int limit_ms);

 private:
  Pty pty_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::string received_;
  struct Read {
    std::size_t first;  // index of the read's first byte
    int64_t empty;      // the terminal was last seen empty then: its bytes came after
    int64_t at;         // the read returned then
  };
  const Read& read_holding(std::size_t index);  // with mutex_ held
  std::vector<Read> reads_;
  std::thread reader_;
};

// Copies bytes both ways between two masters, so their two slaves act as a null-modem pair.
// With `echo`, what comes from `program` is also sent back to it, as a CI-V bus does.
class Relay {
 public:
  Relay(int station, int program, bool echo = false);
  ~Relay();

 private:
  void run();
  int station_, program_;
  bool echo_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vesk::test
