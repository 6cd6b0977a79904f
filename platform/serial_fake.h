// FakeSerialBackend: a recording serial back end for tests on simulated time.
//
// Every port opened through it logs what happens to it with the station clock's time: open,
// close, settings, each write (its bytes), each RTS, DTR and break change, buffer clearing.
// Replies are injected for a port, at once or to become readable at a given time. Tests
// compare the log as a table of events or as text (`trace()`), which makes golden traces:
//
//     auto fake = FakeSerialBackend::install();   // for the current station
//     fake->inject_at(1, 10, "OK;");              // port 1 answers at t = 10 ms
//     ... run the station ...
//     EXPECT_EQ(fake->written(1), "FA00007100000;");
//
// Times are milliseconds of the station clock's monotonic time since the fake was made.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/serial_port.h"

namespace vesk {

class Clock;

class FakeSerialBackend : public SerialBackend, public std::enable_shared_from_this<FakeSerialBackend> {
 public:
  enum class Kind { Open, Close, Settings, Write, Rts, Dtr, Break, ClearInput, ClearOutput };
  struct Event {
    int64_t t_ms;
    int port;
    Kind kind;
    std::string bytes;  // Write: the bytes; Settings: the settings text
    int value;          // Rts, Dtr, Break: 1 on, 0 off; Settings: handshaking
    bool operator==(const Event&) const = default;
  };

  explicit FakeSerialBackend(Clock& clock);
  // Makes a fake on the current station's clock and installs it as the station's back end.
  static std::shared_ptr<FakeSerialBackend> install();

  std::unique_ptr<SerialDevice> open(int port_number, std::string* error) override;

  // Makes opening `port` fail (as a missing device would), or work again.
  void set_unavailable(int port, bool unavailable);
  // Makes every line change and break of `port` fail, as a broken device would.
  void set_lines_fail(int port, bool fail);
  // Bytes that `port` delivers to its reader now, or from time `t_ms` on.
  void inject(int port, const std::string& bytes);
  void inject_at(int port, int64_t t_ms, const std::string& bytes);

  int64_t now_ms();
  bool is_open(int port);
  std::vector<Event> events();
  std::vector<Event> events(int port, Kind kind);
  // Every byte written to `port`, in order.
  std::string written(int port);
  // The writes of `port` as (time, bytes).
  std::vector<std::pair<int64_t, std::string>> writes(int port);
  // One line per event: "<t> ms COM<port> <what>", bytes in hexadecimal.
  std::string trace();
  void clear_events();

  static std::string hex(const std::string& bytes);

 private:
  friend class FakeSerialDevice;
  struct Pending {
    int64_t t_ms;
    std::string bytes;
  };
  void record(int port, Kind kind, std::string bytes = {}, int value = 0);
  int read(int port, uint8_t* out, int max);
  int waiting(int port);
  void closed(int port);

  Clock& clock_;
  int64_t origin_ns_;
  std::mutex mutex_;
  std::vector<Event> events_;
  std::set<int> open_ports_;
  std::set<int> unavailable_;
  std::set<int> lines_fail_;
  std::map<int, std::vector<Pending>> input_;  // by port, in injection order
};

}  // namespace vesk
