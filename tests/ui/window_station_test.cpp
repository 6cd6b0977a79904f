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
#include "tests/support/pty.h"
#include "tests/support/rigctl.h"
#include "ui/frame_actions.h"
#include "ui/radio_panel.h"
#include "ui/station_app.h"

#include <fcntl.h>
#include <unistd.h>

namespace vesk {
namespace {

class WindowStation : public ::testing::Test {
 protected:
  WindowStation() {
    std::ofstream(station_.path("PORTS.MAP")) << "1 " << pty_.name << "\n";
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
  test::Pty pty_;
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
  // Any of the port's verbs, not only CMD.
  frame_do_cmd("LINKTIMEOUT:45");
  run_executor();
  EXPECT_EQ(db_get_twa_secs(), 45);
}

TEST_F(WindowStation, ResourcesReleaseOnlyTheSoundCard) {
  ASSERT_FALSE(pty_.name.empty());
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

// The panel's 14.235 MHz USB on the Icom on the pseudo-terminal: the bytes the project's own
// catgen gives for that tuning arrive at the other end.
TEST_F(WindowStation, PanelTuningReachesTheRadioPort) {
  ASSERT_TRUE(serial_control(SERIAL_ROLE_RADIO).is_open());
  fcntl(pty_.master, F_SETFL, fcntl(pty_.master, F_GETFL) | O_NONBLOCK);
  char drain[4096];
  while (read(pty_.master, drain, sizeof drain) > 0) {
  }
  RadioPanel p;
  p.record = panel_blank_record();
  panel_clear(p);
  for (char c : std::string("14.235")) panel_key(p, c);
  panel_enter(p, 1000000);
  panel_mode(p, PanelMode::Usb);
  run_executor();
  std::string got;
  for (int i = 0; i < 3000; ++i) {
    station_.sim_clock()->advance_ms(1);
    station_app_step();
    const ssize_t n = read(pty_.master, drain, sizeof drain);
    if (n > 0) got.append(drain, static_cast<std::size_t>(n));
  }
  const std::string want = test::catgen_bytes({"IC7200", "tune", "14235000", "USB"});
  ASSERT_FALSE(want.empty());
  EXPECT_NE(got.find(want), std::string::npos) << "got " << got.size() << " bytes";
}

}  // namespace
}  // namespace vesk
