// The main window's DO CMD and RESOURCES through a whole station: the radio port on a
// pseudo-terminal, the sound card on the null device, the command executor stepped.
#include <gtest/gtest.h>

#include <fstream>

#include "command/interpreter.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "modem/sound_card.h"
#include "platform/station.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"
#include "ui/frame_actions.h"
#include "ui/station_app.h"

// After the station's headers: the terminal headers define macros that clash with option names.
#include <pty.h>
#include <unistd.h>

namespace vesk {
namespace {

struct Pty {
  int master = -1, slave = -1;
  std::string path;
  Pty() {
    char name[128];
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~Pty() {
    close(master);
    close(slave);
  }
};

class WindowStation : public ::testing::Test {
 protected:
  WindowStation() {
    std::ofstream(station_.path("PORTS.MAP")) << "1 " << pty_.path << "\n";
    {
      // The saved database: an Icom radio on port 1; only the sound card may be released.
      Station setup(dir_.path(), std::make_unique<SimClock>());
      StationScope s(setup);
      db_open();
      db_set_radio_type(149);
      db_set_radio_port(1);
      db_set_release_sound(1);
      db_set_release_radio1(0);
      db_set_release_alt_ptt(0);
      db_save();
    }
    station_.sim_clock()->set_auto_advance(true);
    StationAppConfig config;
    config.audio_in = config.audio_out = "null";
    config.stepped = true;
    station_app_start(config);
  }
  ~WindowStation() override { station_app_shutdown(); }
  void run_executor() {
    while (mmi_executor_step()) {
    }
  }
  bool logged(const std::string& text) const { return log_monitor_text().find(text) != std::string::npos; }

  test::TempDir dir_;
  Pty pty_;
  Station station_{dir_.path(), std::make_unique<SimClock>()};
  StationScope scope_{station_};
};

TEST_F(WindowStation, DoCmdRunsAsAHostPortLine) {
  db_disable_gps();
  frame_do_cmd("CMD ENABLE GPS");
  EXPECT_EQ(db_get_gps(), 0) << "the window does not run it";
  run_executor();
  EXPECT_EQ(db_get_gps(), 1);
  frame_do_cmd("NOT A CMD LINE");  // not a command line: nothing runs
  run_executor();
  EXPECT_EQ(db_get_gps(), 1);
}

TEST_F(WindowStation, ResourcesReleaseOnlyTheSoundCard) {
  ASSERT_FALSE(pty_.path.empty());
  ASSERT_TRUE(serial_control(SERIAL_ROLE_RADIO).is_open()) << log_monitor_text();
  ASSERT_NE(sound_card().tx_done_queue, nullptr);
  db_set_twa_secs(120);
  frame_resources();
  run_executor();
  EXPECT_EQ(db_get_resources(), 0);
  EXPECT_TRUE(logged("[OPTIONS: VESK-ALE RESOURCES RELEASED]"));
  EXPECT_EQ(sound_card().tx_done_queue, nullptr) << "the sound card is closed";
  EXPECT_TRUE(serial_control(SERIAL_ROLE_RADIO).is_open()) << "the radio port stays open";
  EXPECT_EQ(db_get_twa_secs(), 0);
  frame_resources();
  run_executor();
  EXPECT_EQ(db_get_resources(), 1);
  EXPECT_TRUE(logged("[OPTIONS: VESK-ALE RESOURCES RECLAIMED]"));
  EXPECT_NE(sound_card().tx_done_queue, nullptr) << "the sound card is open again";
  EXPECT_TRUE(serial_control(SERIAL_ROLE_RADIO).is_open());
  EXPECT_EQ(db_get_twa_secs(), 120);
}

}  // namespace
}  // namespace vesk
