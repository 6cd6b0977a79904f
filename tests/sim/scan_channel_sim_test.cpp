// The last channel of the table on a running station: channel 256, whose number byte reads 0,
// is tuned as itself, so its frequency stamps the lines and its own sounding count-down runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "tests/sim/sim_run.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(ScanChannelSim, OnlyChannel256ScanningShowsItsFrequencyAndSoundsOncePerInterval) {
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  test::make_station_folder(
      alfa,
      [] {
        ChannelRecord ch{};
        ch.in_use = 1;
        ch.permission = CHANNEL_BX;
        ch.scan_groups = static_cast<uint16_t>(1 << db_get_scan_group());
        ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
        ch.rx_mode = ch.tx_mode = MODE_USB;
        EXPECT_EQ(db_store_channel(256, ch), 256);
      },
      "ADD OWN ALFA\nENABLE SCANNING\n");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}};
  o.duration_ms = 250000;
  o.commands = {{5000, "ALFA", "ENABLE SOUNDING"}};
  const test::SimRun r = test::sim_collect(o);
  EXPECT_GE(r.at("ALFA", "[FRQ 07100000]"), 0) << r.text;
  // The sounding interval is 60 minutes: one sounding in the first minutes, not one a minute.
  std::set<int> minutes;
  for (const std::string& l : r.lines)
    if (l.find("SENDING TIS SOUNDING") != std::string::npos) minutes.insert(std::stoi(l) / 60);
  EXPECT_EQ(minutes.size(), 1u) << r.text;
}

}  // namespace
}  // namespace vesk
