// Receiver muting and the link and scan hooks; port reopening; the narrower dispatchers.
#include "radio/muting.h"

#include <gtest/gtest.h>

#include <string>

#include "db/scan.h"
#include "db/tables.h"
#include "radio/dispatch.h"
#include "radio/drivers/radio_types.h"
#include "radio/port_reopen.h"
#include "radio/radio_hooks.h"
#include "tests/radio/radio_fixture.h"

namespace vesk {
namespace {

class MutingTest : public test::RadioFixture {
 protected:
  MutingTest() {
    open(SERIAL_ROLE_RADIO, 1);
    db_set_option_int(opt::MUTED_AF_LEVEL, 10);
    db_set_option_int(opt::UNMUTED_AF_LEVEL, 200);
    radio_hooks().link_state = [this] { return link_state; };
  }
  int link_state = 0;
};

TEST_F(MutingTest, CatMutingSendsTheMutedAndNormalLevels) {
  db_set_cat_mute(1);
  db_set_radio_type(DB_IC746);
  EXPECT_EQ(trace_of([] { radio_mute_on(); }), "0 ms COM1 write FE FE 56 E0 14 01 00 10 FD\n");
  EXPECT_EQ(radio_muting_get(), 1);
  EXPECT_EQ(trace_of([] { radio_mute_off(); }), "0 ms COM1 write FE FE 56 E0 14 01 02 00 FD\n");
  EXPECT_EQ(radio_muting_get(), 0);
  db_set_radio_type(DB_TK90);
  EXPECT_EQ(trace_of([] { radio_mute_off(); }), "0 ms COM1 write 41 47 32 30 30 0D\n");  // AG200
}

TEST_F(MutingTest, LineMutingDrivesOnlyTheLinePort) {
  db_set_rts_mute(1);
  db_set_alt_ptt_port(3);  // differs from the re-opened radio port (0)
  open(SERIAL_ROLE_PTT, 3);
  db_set_radio_type(DB_IC746);
  EXPECT_EQ(trace_of([] { radio_mute_on(); }, 0), "0 ms COM3 RTS on\n");
  EXPECT_EQ(trace_of([] { radio_mute_off(); }, 0), "0 ms COM3 RTS off\n");
  EXPECT_FALSE(serial_control(SERIAL_ROLE_RADIO).rts());
}

TEST_F(MutingTest, LinkHooks) {
  db_set_cat_mute(1);
  db_set_radio_type(DB_IC746);
  // Made while muting is off: the normal level all the same. Ended while off: nothing.
  EXPECT_EQ(trace_of([] { radio_on_linked(); }), "0 ms COM1 write FE FE 56 E0 14 01 02 00 FD\n");
  EXPECT_EQ(radio_flags().radio_linked_flag.load(), 1);
  EXPECT_EQ(trace_of([] { radio_on_unlinked(); }), "");
  EXPECT_EQ(radio_flags().radio_linked_flag.load(), 0);
  radio_mute_on();
  run_ms(100);
  EXPECT_EQ(trace_of([] { radio_on_unlinked(); }), "0 ms COM1 write FE FE 56 E0 14 01 00 10 FD\n");
  // A closed radio port: muting keeps its flag, the link hooks still change theirs.
  serial_control(SERIAL_ROLE_RADIO).close();
  radio_mute_off();
  EXPECT_EQ(radio_muting_get(), 1);
  radio_on_linked();
  EXPECT_EQ(radio_flags().radio_linked_flag.load(), 1);
}

TEST_F(MutingTest, ScanStartOnlyFromScanningStoppedAndScanStopTunesTheScanChannel) {
  db_set_radio_type(DB_IC746);
  link_state = 2;
  EXPECT_EQ(trace_of([] { radio_scan_start(); }), "");
  EXPECT_FALSE(log_has("SCANNING STARTED"));
  link_state = 1;
  EXPECT_EQ(trace_of([] { radio_scan_start(); }), "0 ms COM1 write FE FE 56 E0 0F 01 FD\n");
  EXPECT_TRUE(log_has("[SCANNING: SCANNING STARTED] \n"));

  ChannelRecord ch{};
  ch.number = 2;
  ch.in_use = 1;
  ch.scan_groups = 1;
  ch.rx_freq_hz = 14100000;
  ch.rx_mode = MODE_USB;
  db_store_channel(2, ch);
  db_next_scan_channel();
  EXPECT_EQ(trace_of([] { radio_scan_stop(); }),
            "0 ms COM1 write FE FE 56 E0 0F 00 FD\n"
            "200 ms COM1 write FE FE 56 E0 05 00 00 10 14 00 FD\n"
            "250 ms COM1 write FE FE 56 E0 06 01 FD\n");
}

TEST_F(MutingTest, AfLevelIsStoredAndHeldBackWhileMuted) {
  db_set_radio_type(DB_IC746);
  db_set_cat_mute(1);
  radio_mute_on();
  EXPECT_EQ(trace_of([] { radio_set_af_level(128); }), "");
  EXPECT_EQ(radio_af_level(), 128);
  // Unmuting sends the normal level option, not the stored level.
  EXPECT_EQ(trace_of([] { radio_mute_off(); }), "0 ms COM1 write FE FE 56 E0 14 01 02 00 FD\n");
  EXPECT_EQ(trace_of([] { radio_set_af_level(128); }), "0 ms COM1 write FE FE 56 E0 14 01 01 28 FD\n");
  EXPECT_EQ(radio_load_af_level(), 200);
}

// The PCR's volume byte is the level times 2.55, truncated (100 gives FE): a level beyond 0 to
// 100 is held at the nearer end instead of wrapping round.
TEST_F(MutingTest, PcrAudioLevelIsHeldToItsRange) {
  db_set_radio_type(DB_PCR1000);
  radio_mute_off();
  const struct {
    int level;
    const char* sent;
  } cases[] = {{50, "4A 34 30 37 46 0A"}, {100, "4A 34 30 46 45 0A"}, {101, "4A 34 30 46 45 0A"},
               {200, "4A 34 30 46 45 0A"}, {-5, "4A 34 30 30 30 0A"}};
  for (const auto& c : cases)
    EXPECT_EQ(trace_of([&] { radio_set_af_level(c.level); }), std::string("0 ms COM1 write ") + c.sent + "\n")
        << c.level;
}

TEST_F(MutingTest, SetFreqOnlyForKenwoodAndSetModeRemembersTheMode) {
  db_set_radio_type(DB_IC746);
  EXPECT_EQ(trace_of([] { radio_set_freq(7100000); }), "");
  db_set_radio_type(DB_KENWOOD);
  EXPECT_EQ(trace_of([] { radio_set_freq(7100000); }), "0 ms COM1 write 46 41 30 30 30 30 37 31 30 30 30 30 30 3B\n");
  EXPECT_EQ(trace_of([] { radio_set_mode(MODE_LSB); }), "0 ms COM1 write 4D 44 31 3B\n");
  EXPECT_EQ(radio_emul_mode(), MODE_LSB);
}

TEST_F(MutingTest, PortReopening) {
  // A radio reopen with 12 works but is not recorded (only 1 to 9 are).
  db_set_reopened_radio_port(2);
  EXPECT_EQ(radio_port_reopen(12), 0);
  EXPECT_TRUE(fake().is_open(12));
  EXPECT_EQ(db_get_reopened_radio_port(), 2);
  EXPECT_EQ(radio_port_reopen(4), 0);
  EXPECT_EQ(db_get_reopened_radio_port(), 4);
  // A refused number: -1, the port closed, the options unchanged.
  fake().set_unavailable(7, true);
  EXPECT_EQ(radio_port_reopen(7), -1);
  EXPECT_FALSE(serial_control(SERIAL_ROLE_RADIO).is_open());
  EXPECT_EQ(db_get_reopened_radio_port(), 4);
  // The emulation port reopens and records whatever the emulation switch says.
  db_set_option_int(opt::EMULATION_ENABLED, 0);
  EXPECT_EQ(emul_port_reopen(14), 0);
  EXPECT_EQ(db_get_emulation_port(), 14);
  EXPECT_TRUE(fake().is_open(14));
}

}  // namespace
}  // namespace vesk
