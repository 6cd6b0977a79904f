// A live peer: Hamlib's TS-2000 emulator (rigctlcom) in front of its dummy radio (rigctld
// -m 1) on a pseudo-terminal pair. A station whose "ALE.DAT" names a KENWOOD radio on that
// port (line PTT off) sets the radio up, identifies it as a TS-2000, tunes it to its first
// channel and keys it by CAT; the operator's RADCMD retunes it; rigctl reads the frequency
// and PTT back from rigctld. It does so
// also with a Z100 tuner on a port of its own, whose set-up leaves the radio's framing alone.
// Skipped when the Hamlib programs are missing. Every wait is bounded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/channel.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "radio/serial_queue.h"
#include "radio/setup_table.h"
#include "tests/support/child_process.h"
#include "tests/support/pty.h"
#include "tests/support/ts2000_emulator.h"
#include "tests/support/waits.h"

namespace vesk {
namespace {

using test::Pty;
using test::TempDir;
using test::wait_until;
using SteadyClock = std::chrono::steady_clock;

// The engine worker's part on real time: the radio queue's timers and, once started, the input
// poll.
class Worker {
 public:
  explicit Worker(Station& st) : station_(st) {
    serial_timer_hooks().start = [this](int id, int ms) {
      std::lock_guard<std::mutex> l(m_);
      due_[id] = SteadyClock::now() + std::chrono::milliseconds(ms);
    };
    serial_timer_hooks().stop = [this](int id) {
      std::lock_guard<std::mutex> l(m_);
      due_.erase(id);
    };
    thread_ = std::thread([this] { run(); });
  }
  ~Worker() {
    stop_ = true;
    thread_.join();
  }
  void start_polling() { polling_ = true; }

 private:
  void run() {
    StationScope scope(station_);
    while (!stop_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      int id = -1;
      {
        std::lock_guard<std::mutex> l(m_);
        for (auto it = due_.begin(); it != due_.end(); ++it)
          if (it->second <= SteadyClock::now()) {
            id = it->first;
            due_.erase(it);
            break;
          }
      }
      if (id >= 0) serial_queue_route_timer(id);
      if (polling_) port_poll_input();
    }
  }
  Station& station_;
  std::mutex m_;
  std::map<int, SteadyClock::time_point> due_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> polling_{false};
  std::thread thread_;
};

// The tuner type beside the radio.
class RigctlLive : public ::testing::TestWithParam<int> {};

TEST_P(RigctlLive, KenwoodStationIdentifiesTunesAndKeysATs2000Emulator) {
  const int atu_type = GetParam();
  if (const std::string missing = test::Ts2000Emulator::missing_program(); !missing.empty())
    GTEST_SKIP() << missing << " is not installed";
  test::Ts2000Emulator rig;
  ASSERT_EQ(rig.error(), "");

  // The fixture's "ALE.DAT": KENWOOD on port 1, PTT by CAT only, no emulation port, no
  // preconfiguration series (it only adds pauses here), channel 1 in the scan group.
  TempDir dir;
  Pty tuner({.raw = true});  // the tuner's end is only opened
  ASSERT_FALSE(tuner.name.empty());
  std::ofstream(dir.path() + "/PORTS.MAP") << "1 " << rig.station_port() << "\n2 " << tuner.name << "\n";
  {
    Station st(dir.path());
    StationScope scope(st);
    db_open();
    db_set_radio_type(DB_KENWOOD);
    db_set_radio_port(1);
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
    db_set_atu_type(atu_type);
    db_set_atu_port(atu_type == ATU_NONE ? 0 : 2);
    ChannelRecord ch{};
    ch.in_use = 1;
    ch.permission = CHANNEL_BX;
    ch.scan_groups = 1 << db_get_scan_group();
    ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    ASSERT_EQ(db_store_channel(1, ch), 1);
    ASSERT_EQ(db_save(), 1);
  }

  Station st(dir.path());
  StationScope scope(st);
  db_open();
  ASSERT_EQ(db_get_rts_ptt(), 0);
  std::mutex log_mutex;
  std::string log;
  log_set_sink([&](LogText, const std::string& line) {
    std::lock_guard<std::mutex> l(log_mutex);
    log += line;
  });
  auto log_has = [&](const std::string& text) {
    std::lock_guard<std::mutex> l(log_mutex);
    return log.find(text) != std::string::npos;
  };
  // As in the station's start order: the radio set-up runs before the worker polls the port,
  // so the identity reply is framed by the terminators the whole set-up leaves.
  Worker worker(st);
  radio_port_init();
  worker.start_polling();
  ASSERT_TRUE(wait_until([] { return kenwood_model() == 19; }, 15000)) << log;
  ASSERT_TRUE(wait_until([&] { return log_has("TS-2000"); }, 15000)) << log;
  auto drained = [] { return serial_queue_count(SQ_RADIO) == 0; };

  // The emulator passes a command on some time after it left the station's queue: read the
  // rig back until it shows the setting (bounded), so a loaded machine cannot fail the test.
  auto rig_shows = [&](const char* query, const std::string& value) {
    std::string got;
    const bool ok = wait_until([&] { return (got = rig.read(query)) == value; }, 15000);
    if (!ok) {
      std::lock_guard<std::mutex> l(log_mutex);
      ADD_FAILURE() << query << " read " << got << ", expected " << value << "\n" << log;
    }
    return ok;
  };
  radio_channel_up();
  EXPECT_EQ(db_current_channel_number(), 1);
  ASSERT_TRUE(wait_until(drained, 15000));
  rig_shows("f", "7100000");

  ptt_on();
  ASSERT_TRUE(wait_until(drained, 15000));
  rig_shows("t", "1");
  ptt_off();
  ASSERT_TRUE(wait_until(drained, 15000));
  rig_shows("t", "0");

  // A command of the radio's own set, typed by the operator.
  mmi_run_line(std::string("RADCMD FA00007150000;"));
  ASSERT_TRUE(wait_until(drained, 15000));
  rig_shows("f", "7150000");
  log_set_sink(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Tuners, RigctlLive, ::testing::Values(ATU_NONE, ATU_Z100),
                         [](const auto& info) { return info.param == ATU_NONE ? "NoTuner" : "Z100"; });

}  // namespace
}  // namespace vesk
