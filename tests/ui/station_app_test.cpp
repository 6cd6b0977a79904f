// The headless station's start-up and its three ways to end: a stop signal (the whole
// shut-down), EXIT (saves, ends at once) and QUIT (ends at once without saving).
#include "ui/station_app.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#include "command/interpreter.h"
#include "command/listings.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_shutdown.h"
#include "radio/serial_output.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "platform/wav.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using test::ChildProcess;

void write_file(const fs::path& path, const std::string& text) {
  std::ofstream out(path);
  out << text;
}

std::string read_app_file(const fs::path& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The saved database of a folder, read as a new station would.
struct SavedOptions {
  int gps, lqa, linked_twx;
  int own_index;       // of K1ABC, or -1
  int channel1_in_use;
};
SavedOptions saved_options(const std::string& dir) {
  Station st(dir, std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  return {db_get_gps(), db_get_lqa(), db_get_linked_twx(), db_find_own_address_index("K1ABC"),
          db_channel_in_use(1)};
}

std::string only_file_in(const fs::path& dir) {
  for (const auto& e : fs::directory_iterator(dir)) return read_app_file(e.path());
  return {};
}

ChildProcess start_headless(const std::string& dir, const std::string& flag = "-XRAY") {
  return ChildProcess({test::program_path("app/vesk-ale-headless"), "--dir", dir, "--audio-in", "null",
                       "--audio-out", "null", flag});
}

TEST(HeadlessStation, StartsConfiguresAndShutsDownOnSignal) {
  test::TempDir dir;
  const fs::path d = dir.path();
  fs::create_directory(d / "owlog");
  fs::create_directory(d / "dalog");
  write_file(d / "CONFIG.DAT",
             "ADD OWN K1ABC\nADD CHANNEL 7102000 USB 7102000 USB 1 3 K1ABC\n"
             "ENABLE GPS\nDISABLE LQA\nDISABLE TWX\nOWN\n");
  write_file(d / "SHUTDOWN.DAT", "DISABLE GPS\n");
  ChildProcess p = start_headless(dir.path());
  ASSERT_TRUE(p.wait_for_output("headless station started", 10000)) << p.output();
  p.signal(SIGTERM);
  ASSERT_EQ(p.wait(20000), 0) << p.output();
  const std::string& out = p.output();
  // In the order written: banner, channel and own listings, status texts, CONFIG.DAT, TWX.
  const std::vector<std::string> in_order = {
      "\nXRAY\r\n",  // a flag parameter is written to the log by the engine's start
      "[Uncheck MOTD for hardware ALE stations",
      "[VESK-ALE Standard Edition (SE) v2.00 started. Running build: B200A6        ]",
      std::string("[") + kBannerContact + " WITH AS MUCH INFORMATION",
      "[End of current GROUP/Channels listing]",
      "ID RX FREQ    MODE",
      "[Begin display of current GROUP/Channels listing]",
      "[End of current OWN Address Book listing]",
      "00 ............... ",
      "[Begin display of current OWN Address Book listing]",
      "STATUS 7: 7D1ST1SPNA",
      "[MMI CHANGE: LINKED TWX DISABLED]",
      "[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED AT PROGRAM START]",
      "headless station stopped (SIGTERM)",
  };
  std::size_t at = 0;
  for (const std::string& piece : in_order) {
    const std::size_t found = out.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << "\n" << out;
    at = found;
  }
  // The shut-down ran SHUTDOWN.DAT before saving; CONFIG.DAT's other change is kept.
  const SavedOptions saved = saved_options(dir.path());
  EXPECT_EQ(saved.gps, 0);
  EXPECT_EQ(saved.lqa, 0);
  EXPECT_EQ(saved.linked_twx, 1);
  EXPECT_EQ(saved.own_index, 0);
  EXPECT_EQ(saved.channel1_in_use, 1);
  EXPECT_NE(only_file_in(d / "owlog").find("LINKED TWX AUTOMATICALLY ENABLED"), std::string::npos);
  EXPECT_FALSE(fs::is_empty(d / "dalog"));
}

TEST(HeadlessStation, ExitSavesAndQuitDoesNot) {
  for (const char* verb : {"EXIT", "QUIT"}) {
    SCOPED_TRACE(verb);
    test::TempDir dir;
    const fs::path d = dir.path();
    fs::create_directory(d / "owlog");
    write_file(d / "CONFIG.DAT", std::string("ENABLE GPS\n") + verb + "\nDISABLE LQA\n");
    ChildProcess p = start_headless(dir.path());
    ASSERT_EQ(p.wait(20000), 0) << p.output();
    EXPECT_NE(p.output().find("Goodbye......"), std::string::npos);
    EXPECT_EQ(p.output().find("headless station started"), std::string::npos) << "ends at once";
    const SavedOptions saved = saved_options(dir.path());
    EXPECT_EQ(saved.gps, std::string(verb) == "EXIT" ? 1 : 0);
    EXPECT_EQ(saved.lqa, 1) << "the line after the verb never ran";
    EXPECT_NE(only_file_in(d / "owlog").find("Goodbye"), std::string::npos) << "the log is filed";
  }
}

// A station on simulated time (the clock moves through the start-up's pauses), its radio port
// on the recording fake, with a voice identification of one second at 8 kHz; `start` starts it
// with the sound going to a file.
class StationAppVoiceId : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<int16_t> sound(8000, 1000);
    ASSERT_EQ(wav_write_file(dir_.path() + "/voice_id.wav", sound.data(), 8000, 8000), 1);
  }
  ~StationAppVoiceId() override {
    if (started_) station_app_shutdown();
  }
  void start() {
    StationAppConfig config;
    config.stepped = true;
    config.audio_in = "null";
    config.audio_out = "wav:" + dir_.path() + "/out.wav";
    station_app_start(config);
    started_ = true;
  }
  static std::unique_ptr<SimClock> auto_advancing_clock() {
    auto clock = std::make_unique<SimClock>();
    clock->set_auto_advance(true);
    return clock;
  }

  test::TempDir dir_;
  Station station_{dir_.path(), auto_advancing_clock()};
  StationScope scope_{station_};
  std::shared_ptr<FakeSerialBackend> ports_ = FakeSerialBackend::install();
  bool started_ = false;
};

// Tools > Voice ID on a started station: the transmitter is keyed for the sound and released;
// before the start-up has claimed the station's resources the item does nothing.
TEST_F(StationAppVoiceId, KeysPlaysAndReleasesOnceTheStationIsUp) {
  EXPECT_EQ(station_app_tools_voice_id(), 0);
  start();
  ChannelRecord ch{};
  ch.in_use = 1;
  ch.permission = CHANNEL_BX;
  ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
  ASSERT_EQ(db_store_channel(1, ch), 1);
  db_select_channel(1);
  auto count = [](const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
  };
  const std::string before = log_monitor_text();
  EXPECT_EQ(station_app_tools_voice_id(), 1);
  const std::string text = log_monitor_text();  // newest first
  EXPECT_EQ(count(text, "RADIO: PTT now ACTIVE"), count(before, "RADIO: PTT now ACTIVE") + 1) << text;
  EXPECT_EQ(count(text, "RADIO: PTT now RELEASED"), count(before, "RADIO: PTT now RELEASED") + 1) << text;
  EXPECT_LT(text.find("RADIO: PTT now RELEASED"), text.find("RADIO: PTT now ACTIVE")) << text;
}

// A channel the station may not transmit on keys nothing, so the voice identification is not
// played into a transmitter that is not keyed.
TEST_F(StationAppVoiceId, NotPlayedWhenTheTransmitterCannotBeKeyed) {
  start();
  ChannelRecord ch{};
  db_copy_channel(db_current_channel_index(), &ch);
  ch.permission = CHANNEL_RX;
  db_store_channel(db_current_channel_index(), ch);
  EXPECT_EQ(station_app_tools_voice_id(), 0);
  const std::string text = log_monitor_text();
  EXPECT_NE(text.find("[VOICE ID: voice_id.wav not played: transmitter not keyed]"), std::string::npos) << text;
  EXPECT_EQ(text.find("RADIO: PTT now ACTIVE"), std::string::npos) << text;
}

// A stop mid-transmission on a station keyed by RTS: the orderly shut-down drops the line and
// closes every port it opened (seen on the recording serial back end).
TEST(StationAppShutdown, RtsKeyedMidTransmissionIsDroppedAndEveryPortClosed) {
  test::TempDir dir;
  auto clock = std::make_unique<SimClock>();
  clock->set_auto_advance(true);  // the start-up's pauses move the clock
  Station st(dir.path(), std::move(clock));
  StationScope scope(st);
  auto fake = FakeSerialBackend::install();
  db_open();
  db_set_radio_type(DB_NONE);
  db_set_rts_ptt(1);
  write_file(fs::path(dir.path()) / "CONFIG.DAT", "ADD OWN ALFA\nADD CHANNEL 7100000\nADD OTHER BRAVO\nENABLE SCANNING\n");
  StationAppConfig config;
  config.stepped = true;
  config.audio_in = config.audio_out = "null";
  station_app_start(config);
  auto keyed = [&] {
    for (const auto& e : fake->events())
      if (e.kind == FakeSerialBackend::Kind::Rts) return e.value == 1;
    return false;
  };
  auto last_rts = [&](int port) {
    int value = -1;
    for (const auto& e : fake->events(port, FakeSerialBackend::Kind::Rts)) value = e.value;
    return value;
  };
  fake->clear_events();
  mmi_run_line(std::string("CALL BRAVO"));
  for (int ms = 0; ms < 20000 && !keyed(); ++ms) {
    st.sim_clock()->advance_ms(1);
    station_app_step();
  }
  ASSERT_TRUE(keyed()) << log_monitor_text();
  std::set<int> ports;
  for (const auto& e : fake->events()) ports.insert(e.port);
  station_app_shutdown();
  for (int port : ports) {
    EXPECT_FALSE(fake->is_open(port)) << port;
    EXPECT_NE(last_rts(port), 1) << port;
  }
}

// The shut-down waits for the radio queue to send the release commands, but a radio that
// never answers (each command then waits out its reply time) holds it no longer than the
// bound: on simulated time, the shut-down takes the bound and the pause after it.
TEST(StationAppShutdown, SilentRadioHoldsTheShutDownNoLongerThanTheBound) {
  test::TempDir dir;
  auto clock = std::make_unique<SimClock>();
  clock->set_auto_advance(true);
  Station st(dir.path(), std::move(clock));
  StationScope scope(st);
  auto fake = FakeSerialBackend::install();
  db_open();
  db_set_radio_type(DB_KENWOOD);
  StationAppConfig config;
  config.stepped = true;
  config.audio_in = config.audio_out = "null";
  station_app_start(config);
  for (int i = 0; i < 149; ++i) radio_send(reinterpret_cast<const uint8_t*>("FA;"), 3);  // 7.5 s of commands
  fake->clear_events();
  const int64_t start = st.sim_clock()->mono_ms();
  station_app_shutdown();
  const int64_t took = st.sim_clock()->mono_ms() - start;
  EXPECT_GE(took, kRadioShutdownDrainMs);
  EXPECT_LT(took, kRadioShutdownDrainMs + 1000);
  EXPECT_EQ(fake->written(1).find("FR0;"), std::string::npos) << "still behind the queued commands";
}

// Status texts filled at start, values outside their tables included.
TEST(StationAppTexts, StatusTextsFromTheOptions) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  db_open();
  db_set_option_int(opt::DATA_LINK_MODE, 7);
  db_set_modem_centre_freq(1000);
  db_set_modem_sample_rate(8000);
  int32_t p[10] = {1, 0, 3, 7, 64, 5, 0, 10, 2, 90};
  db_set_m110_params(p);
  station_app_fill_status_texts();
  EXPECT_EQ(report_status_pane(4), " ASYNC    ");
  EXPECT_EQ(db_get_data_link_mode(), 0);
  EXPECT_EQ(report_status_pane(5), "");  // 1000 Hz has no text: the initial one stays
  EXPECT_EQ(report_status_pane(6), "2.5Khz ");
  const std::vector<std::string> rest = {"BRDT=3", " BRD2400S ", "I", " ", "F", "L", "MIN=90", "FS=64", "RC=5"};
  for (int pane = 8; pane <= 16; ++pane) EXPECT_EQ(report_status_pane(pane), rest[pane - 8]) << pane;
}

}  // namespace
}  // namespace vesk
