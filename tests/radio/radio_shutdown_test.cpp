// Radio shut-down: the release bytes of every radio type with CAT muting on and off (a table
// file), the Kenwood audio level by model, the mute lines dropped, and every port closed with
// its lines dropped.
#include "radio/radio_shutdown.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "db/options.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "tests/drivers/driver_fixture.h"
#include "tests/support/serial_harness.h"
// After the options header: <termios.h>, which the serial layer includes, defines ECHO.
#include "radio/serial_queue.h"

namespace vesk {
namespace {

// The commands as the table writes them: see tests/radio/shutdown_golden.txt.
class RadioShutdownTable : public test::DriverTest {
 protected:
  std::string shutdown_bytes(int type, int cat_mute) {
    set_type(type);
    db_set_cat_mute(cat_mute);
    serial_queue_reset(SQ_RADIO);  // nothing answers here: keep the queue from filling up
    sent.clear();
    start_ms_ = clock_->mono_ms();
    radio_shutdown();
    settle(1000);  // what a radio's own pacing holds back goes out too
    return sent_golden();
  }
};

TEST_F(RadioShutdownTable, EveryTypeWithCatMutingOnAndOff) {
  db_set_option_int(opt::UNMUTED_AF_LEVEL, 200);
  kenwood_set_model(19);  // a TS-2000: the newer Kenwood models restore the audio level
  std::ifstream in(std::string(VESK_SOURCE_DIR) + "/tests/radio/shutdown_golden.txt");
  ASSERT_TRUE(in.good());
  std::string line;
  std::set<std::pair<int, int>> seen;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ls(line);
    int type = -1, cat_mute = -1;
    std::string name, expected;
    ls >> type >> name >> cat_mute;
    std::getline(ls >> std::ws, expected);
    std::string keyword = radio_type_options_text(type);
    for (char& c : keyword) c = c == ' ' ? '_' : c;
    ASSERT_EQ(keyword, name) << line;
    EXPECT_EQ(shutdown_bytes(type, cat_mute), expected) << line;
    seen.insert({type, cat_mute});
  }
  EXPECT_EQ(seen.size(), 2u * 155u) << "every type, CAT muting on and off";
}

// The Skanti's shut-down byte waits 200 ms in its pacing buffer behind the mute-off byte: the
// shut-down's wait for the radio queue counts it, so the station does not stop before it left.
TEST_F(RadioShutdownTable, SkantiBufferCountsAsNotDrained) {
  set_type(DB_SKANTI_8250);
  db_set_cat_mute(1);
  serial_queue_reset(SQ_RADIO);
  sent.clear();
  radio_shutdown();
  serial_queue_reset(SQ_RADIO);  // the radio has taken "k": only the buffer holds the last byte
  EXPECT_FALSE(radio_queue_drained());
  settle(1000);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"k", "\x10"}));
  serial_queue_reset(SQ_RADIO);
  EXPECT_TRUE(radio_queue_drained());
}

// KENWOOD with a model outside the newer six (or none reported): only FR0; and FT0;.
TEST_F(RadioShutdownTable, KenwoodAudioLevelOnlyForTheNewerModels) {
  db_set_option_int(opt::UNMUTED_AF_LEVEL, 7);
  const struct {
    int model;
    const char* bytes;
  } cases[] = {{0, "46 52 30 3B | +200 46 54 30 3B"},
               {12, "46 52 30 3B | +200 46 54 30 3B"},
               {21, "46 52 30 3B | +200 46 54 30 3B | +200 41 47 30 30 30 37 3B"}};
  for (const auto& c : cases) {
    kenwood_set_model(c.model);
    EXPECT_EQ(shutdown_bytes(DB_KENWOOD_HS, 1), c.bytes) << c.model;
  }
}

// The configured mute lines are dropped whatever the type, and at the end every open port is
// closed with RTS and DTR low: a transmitter keyed by a line is released.
TEST(RadioShutdownPorts, MuteLinesDroppedAndEveryPortReleased) {
  test::SerialHarness h;
  db_set_radio_type(DB_NONE);
  db_set_rts_mute(1);
  db_set_dtr_mute(1);
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, 1));
  ASSERT_TRUE(h.open(SERIAL_ROLE_PTT, 2));
  ASSERT_TRUE(h.open(SERIAL_ROLE_TNC, 3));
  for (SerialPortRole r : {SERIAL_ROLE_RADIO, SERIAL_ROLE_PTT, SERIAL_ROLE_TNC}) {
    serial_control(r).set_rts(true);
    serial_control(r).set_dtr(true);
  }
  radio_shutdown();
  EXPECT_TRUE(h.fake().written(1).empty()) << "no release command for NONE";
  EXPECT_FALSE(radio_line_port().rts()) << "the line port's mute lines";
  EXPECT_FALSE(radio_line_port().dtr());
  serial_release_ports();
  for (SerialPortRole r : {SERIAL_ROLE_RADIO, SERIAL_ROLE_PTT, SERIAL_ROLE_TNC}) {
    EXPECT_FALSE(serial_control(r).is_open()) << r;
    EXPECT_FALSE(serial_control(r).rts()) << r;
    EXPECT_FALSE(serial_control(r).dtr()) << r;
  }
  for (int port : {1, 2, 3}) {
    EXPECT_FALSE(h.fake().is_open(port)) << port;
    for (auto kind : {FakeSerialBackend::Kind::Rts, FakeSerialBackend::Kind::Dtr}) {
      const auto changes = h.fake().events(port, kind);
      ASSERT_FALSE(changes.empty()) << port;
      EXPECT_EQ(changes.back().value, 0) << port;
    }
  }
}

}  // namespace
}  // namespace vesk
