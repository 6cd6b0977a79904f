// Two stations, each with its own data-link binding, joined by a byte pipe standing in for
// the serial-tone modem: transmissions take their mode's air time and arrive whole.
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ale/engine/timer.h"
#include "datalink/fs1052_binding.h"
#include "datalink/fs1052_link.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "platform/station.h"
#include "sim/fs1052_air.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

struct PipeStation;

struct PipeModem : Fs1052ModemIo {
  struct Flight {
    int64_t end_ms;
    std::vector<uint8_t> bytes;
  };
  std::vector<Flight> flights;
  int64_t* now_ms = nullptr;
  int64_t busy_until = 0;
  int resets = 0;
  bool transmit(std::vector<uint8_t> bytes, const std::string& mode) override {
    const int64_t start = std::max(*now_ms, busy_until);
    busy_until = start + static_cast<int64_t>(air_seconds(bytes.size(), mode) * 1000);
    flights.push_back({busy_until, std::move(bytes)});
    return true;
  }
  void rx_reset() override { ++resets; }
};

struct PipeStation {
  test::TempDir dir;
  std::unique_ptr<Station> st;
  PipeModem modem;
  PipeStation(const char* own, const char* remote, int64_t* now, bool open = true) {
    auto c = std::make_unique<SimClock>();
    st = std::make_unique<Station>(dir.path(), std::move(c));
    StationScope scope(*st);
    db_open();
    const int32_t values[10] = {0, 0, 0, 6, 100, 5, 0, 4, 0, 150};
    db_set_m110_params(values);
    db_set_data_link_mode(1);
    modem.now_ms = now;
    fs1052_set_modem_io(&modem);
    if (open) fs1052_open(true);
    fs1052_set_own_address(own);
    fs1052_set_remote_address(remote);
    fs1052_enable();
  }
  ~PipeStation() {
    StationScope scope(*st);
    fs1052_close();
    st.reset();
  }
  std::vector<std::string> monitor() {
    StationScope scope(*st);
    auto& s = log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return std::vector<std::string>(s.monitor.rbegin(), s.monitor.rend());
  }
  std::string frame_text() {
    StationScope scope(*st);
    auto& s = log_state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string all;
    for (const auto& l : s.frame) all += l;
    return all;
  }
};

struct Pair {
  int64_t now_ms = 0;
  PipeStation a{"ALFA", "BRAVO", &now_ms}, b{"BRAVO", "ALFA", &now_ms};
  // One 10 ms step: arrivals, then each station's tick.
  void step() {
    now_ms += 10;
    PipeStation* s[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
      auto& fl = s[i]->modem.flights;
      while (!fl.empty() && fl.front().end_ms <= now_ms) {
        auto bytes = std::move(fl.front().bytes);
        fl.erase(fl.begin());
        {
          StationScope scope(*s[1 - i]->st);
          fs1052_modem_rx_start();
          for (uint8_t byte : bytes) fs1052_modem_rx_byte(byte);
          fs1052_modem_rx_end();
        }
        StationScope scope(*s[i]->st);
        fs1052_modem_tx_end();
      }
    }
    for (PipeStation* p : s) {
      StationScope scope(*p->st);
      p->st->sim_clock()->advance_ms(10);
      timer_tick();  // the station's tick drives the link through the wiring's hook ...
      fs1052_tick();  // ... which this test, without the wiring, calls itself
    }
  }
  bool run_until(const std::function<bool()>& done, double seconds) {
    for (int64_t end = now_ms + static_cast<int64_t>(seconds * 1000); now_ms < end;) {
      step();
      if (done()) return true;
    }
    return false;
  }
  static int count(const std::vector<std::string>& lines, const std::string& what) {
    int n = 0;
    for (const auto& l : lines) n += l.find(what) != std::string::npos ? 1 : 0;
    return n;
  }
};

TEST(Fs1052Binding, MessagesGoOverTheModemAndIndicationsAreLoggedOnceASecond) {
  Pair p;
  for (int i = 0; i < 3; ++i) {
    StationScope scope(*p.a.st);
    const std::string text = "\x04" "MESSAGE " + std::to_string(i) + "\n";
    fs1052_send_message(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()), 0, 10 + i, 0);
  }
  ASSERT_TRUE(p.run_until([&] { return Pair::count(p.a.monitor(), "][FS-1052 Message Confirm ID ") == 3; }, 400));
  const auto lines = p.a.monitor();
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(Pair::count(lines, "][FS-1052 Message Confirm ID " + std::to_string(10 + i) + " BRAVO]"), 1);
  EXPECT_EQ(p.b.frame_text(), "MESSAGE 0\nMESSAGE 1\nMESSAGE 2\n");
  // Indications posted together (three messages given up at once) are reported one a second.
  {
    StationScope scope(*p.a.st);
    for (int i = 0; i < 3; ++i) fs1052_send_message(reinterpret_cast<const uint8_t*>("\x04Z"), 2, 0, 20 + i, 0);
    fs1052_disable();
  }
  ASSERT_TRUE(p.run_until([&] { return Pair::count(p.a.monitor(), "][FS-1052 Message ID 2") == 1; }, 5));
  EXPECT_TRUE(p.run_until([&] { return Pair::count(p.a.monitor(), "][FS-1052 Message ID 2") == 2; }, 0.9) == false);
  ASSERT_TRUE(p.run_until([&] { return Pair::count(p.a.monitor(), "][FS-1052 Message ID 2") == 3; }, 2.2));
  EXPECT_EQ(Pair::count(p.a.monitor(), "][FS-1052 Message ID 21 failed BRAVO]"), 1);
}

TEST(Fs1052Binding, AFailedCallFailsTheMessagesWaitingForItsLinkOnly) {
  // A message handed over before a link waits for it; when the call fails it is reported
  // failed (it must not go over the next link, perhaps with another station). A link that
  // stands keeps its message.
  for (const bool link_up : {false, true}) {
    SCOPED_TRACE(link_up ? "link up" : "no link");
    Pair p;
    {
      StationScope scope(*p.a.st);
      if (!link_up) fs1052_disable();
      fs1052_send_message(reinterpret_cast<const uint8_t*>("\x04WAITING\n"), 9, 0, 7, 0);
      fs1052_call_failed();
    }
    p.run_until([&] { return Pair::count(p.a.monitor(), "][FS-1052 Message") == 1; }, 60);
    EXPECT_EQ(Pair::count(p.a.monitor(), "][FS-1052 Message ID 7 failed BRAVO]"), link_up ? 0 : 1);
    EXPECT_EQ(Pair::count(p.a.monitor(), "][FS-1052 Message Confirm ID 7 BRAVO]"), link_up ? 1 : 0);
    if (!link_up) {
      StationScope scope(*p.a.st);
      fs1052_enable();  // the next link sends nothing
    }
    p.run_until([] { return false; }, 5);
    EXPECT_EQ(p.b.frame_text(), link_up ? "WAITING\n" : "");
  }
}

TEST(Fs1052Binding, AsynchronousMessagesReachTheOtherStationsDataPane) {
  Pair p;
  for (PipeStation* s : {&p.a, &p.b}) {
    StationScope scope(*s->st);
    db_set_data_link_mode(0);
    db_set_data_rate("1200S");
  }
  {
    StationScope scope(*p.a.st);
    xfer_send_modem_text("ASYNC HELLO\n", 0);
    // Over the framed buffer: refused with a line, nothing sent.
    std::string big(8000, 'X');
    EXPECT_EQ(m110_send_async(reinterpret_cast<const uint8_t*>(big.data()), big.size()), -1);
  }
  EXPECT_EQ(p.a.modem.flights.size(), 1u);
  EXPECT_EQ(Pair::count(p.a.monitor(), "[MODEM ERROR: ASYNC MESSAGE OF 8000 BYTES REFUSED, AT MOST 7995 FIT]"), 1);
  p.run_until([&] { return p.a.modem.flights.empty(); }, 30);
  EXPECT_EQ(p.b.frame_text().substr(0, 13), "\x04" "ASYNC HELLO\n");
  // The asynchronous transmission's end is not the link's.
  StationScope scope(*p.a.st);
  EXPECT_EQ(fs1052_station_link().transmissions_outstanding(), 0);
}

TEST(Fs1052Binding, TheIndicationThreadStartsOnceAndIsJoinedAtClose) {
  test::TempDir dir;
  Station st(dir.path());  // real time
  StationScope scope(st);
  db_open();
  fs1052_open(false);
  fs1052_open(false);  // a second open reconfigures and starts nothing
  const std::string m = "\x04X";
  fs1052_send_message(reinterpret_cast<const uint8_t*>(m.data()), 2, 0, 1, 0);
  fs1052_close();  // joins both threads (a thread left running would hang here)
  fs1052_close();
  // After the close the link is run on the caller again.
  fs1052_disable();
  EXPECT_EQ(fs1052_station_link().tx_slots_in_use(), 0);
}

}  // namespace
}  // namespace vesk
