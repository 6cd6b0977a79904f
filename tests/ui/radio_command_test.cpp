// Operator commands that reach the radio, on a wired station whose radio port is a recording
// fake: the command line goes in through the interpreter and its bytes come out of the port.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "db/database.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"
#include "ui/station_wiring.h"

namespace vesk {
namespace {

class RadioCommand : public ::testing::TestWithParam<std::pair<int, const char*>> {
 protected:
  RadioCommand() {
    station_.sim_clock()->set_auto_advance(true);
    db_open();
    station_wire();
    db_set_radio_type(DB_IC78);
    for (int n : {1, 2}) {
      ChannelRecord ch{};
      ch.in_use = 1;
      ch.permission = CHANNEL_BX;
      ch.scan_groups = static_cast<uint16_t>(1 << db_get_scan_group());
      ch.rx_freq_hz = n == 1 ? 7100000 : 10145000;
      ch.tx_freq_hz = n == 1 ? 7102000 : 10147000;
      ch.rx_mode = ch.tx_mode = MODE_USB;
      db_store_channel(n, ch);
    }
    SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
    radio.set_port_number(1);
    radio.set_settings("19200,N,8,1");
    radio.open();
  }
  // The bytes the command writes on the radio port, in hex (the first command: the rest wait
  // for the reply timeout of the engine, which is not stepped here).
  std::string run(const std::string& line) {
    fake_->clear_events();
    mmi_run_line(line);
    return FakeSerialBackend::hex(fake_->written(1));
  }
  test::TempDir dir_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
  std::shared_ptr<FakeSerialBackend> fake_ = FakeSerialBackend::install();
};

TEST_P(RadioCommand, ResetAlechanPutsTheScanCursorOrTheWorkingChannelOnTheRadio) {
  // Channel 1 is the working channel and the scan cursor is on channel 2. Scanning stopped:
  // the cursor's channel (10,145,000 Hz); scanning: the working channel (7,100,000 Hz).
  db_select_channel(1);
  db_next_scan_channel();
  db_next_scan_channel();
  ASSERT_EQ(db_current_scan_channel(), 2);
  ale_set_scan_mode(GetParam().first);
  EXPECT_EQ(run("RESET ALECHAN"), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(ScanModes, RadioCommand,
                         ::testing::Values(std::pair{ALE_SCAN_MODE_STOPPED, "FE FE 62 E0 05 00 50 14 10 00 FD"},
                                           std::pair{ALE_SCAN_MODE_SCANNING, "FE FE 62 E0 05 00 00 10 07 00 FD"}));

}  // namespace
}  // namespace vesk
