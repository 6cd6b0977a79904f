// Transmitter keying: CAT and line keying as the serial fake sees them, the line port
// choice, the transmit frequency before a transmission, and the closed-port rules.
#include "radio/keying.h"

#include <gtest/gtest.h>

#include <string>

#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/port_reopen.h"
#include "radio/radio_setup.h"
#include "radio/radio_hooks.h"
#include "tests/radio/radio_fixture.h"

namespace vesk {
namespace {

class KeyingTest : public test::RadioFixture {
 protected:
  KeyingTest() {
    ChannelRecord ch{};
    ch.number = 1;
    ch.in_use = 1;
    ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    db_store_channel(1, ch);
    db_select_channel(1);
    SerialPollHooks& poll = serial_poll_hooks();
    poll.timer_start_twa = [this] { ++twa_restarts; };
    open(SERIAL_ROLE_RADIO, 1);
  }
  int twa_restarts = 0;
};

TEST_F(KeyingTest, RtsKeyingStillSendsTheCatUnkey) {
  db_set_radio_type(DB_IC7000);
  db_set_rts_ptt(1);
  EXPECT_EQ(trace_of([&] {
              EXPECT_EQ(ptt_on(), 1);
              run_ms(500);
              ptt_off();
            }),
            "0 ms COM1 RTS on\n"
            "500 ms COM1 write FE FE 70 E0 1C 00 00 FD\n"
            "500 ms COM1 RTS off\n");
  EXPECT_TRUE(log_has("[RADIO: PTT now ACTIVE]\n"));
  EXPECT_TRUE(log_has("[RADIO: PTT now RELEASED]\n"));
  EXPECT_EQ(ptt_is_active(), 0);
  EXPECT_EQ(twa_restarts, 1);  // ptt_on restarts the link-activity timer, ptt_off does not
}

// The Harris transceivers with key commands: without a keying line the key goes out, with one
// only the lines key, and the unkey goes out in both cases; the operator's keying likewise.
TEST_F(KeyingTest, HarrisTransceiversAreKeyedByCommand) {
  const struct {
    int type;
    const char* key;
    const char* unkey;
  } cases[] = {
      {DB_RF5022, "4B 20 4F 6E 0D", "4B 20 4F 66 66 0D"},        // "K On", "K Off"
      {DB_RF350KWT, "24 31 2C 4B 31 0D", "24 31 2C 4B 30 0D"},  // "$1,K1", "$1,K0"
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    db_set_radio_type(c.type);
    db_set_rts_ptt(0);
    const std::string by_command =
        std::string("0 ms COM1 write ") + c.key + "\n200 ms COM1 write " + c.unkey + "\n";
    EXPECT_EQ(trace_of([&] { ptt_on(), run_ms(200), ptt_off(); }), by_command);
    EXPECT_EQ(trace_of([&] { ptt_on_manual(), run_ms(200), ptt_off_manual(); }), by_command);
    db_set_rts_ptt(1);
    EXPECT_EQ(trace_of([&] { ptt_on(), run_ms(200), ptt_off(); }),
              std::string("0 ms COM1 RTS on\n200 ms COM1 write ") + c.unkey + "\n200 ms COM1 RTS off\n");
  }
}

// The RF-350 ALK keyed by command: 400 ms between ",0" and "K" on the wire, also when ",0"
// had to wait behind a command the radio did not answer.
TEST_F(KeyingTest, Rf350AlkKeyingKeepsItsPauseOnTheWire) {
  db_set_radio_type(DB_RF350ALK);
  db_set_rts_ptt(0);
  fake().clear_events();
  const uint8_t earlier[] = {'X', '\n'};
  radio_send(earlier, 2);
  ptt_on();
  run_ms(500);
  const auto writes = fake().writes(1);
  ASSERT_GE(writes.size(), 3u);
  EXPECT_EQ(writes[1].second, ",0\n");
  EXPECT_EQ(writes[2].second, "K\n");
  EXPECT_GE(writes[2].first - writes[1].first, 400);
  ptt_off();
}

TEST_F(KeyingTest, KeyingOnTheReopenedAlternatePort) {
  db_set_radio_type(DB_IC7000);
  db_set_rts_ptt(1);
  db_set_dtr_ptt(1);
  ASSERT_EQ(alt_ptt_port_reopen(5), 0);
  EXPECT_EQ(db_get_alt_ptt_port(), 5);
  EXPECT_EQ(trace_of([&] {
              ptt_on();
              run_ms(300);
              ptt_off();
            }),
            "0 ms COM5 RTS on\n"
            "0 ms COM5 DTR on\n"
            "300 ms COM1 write FE FE 70 E0 1C 00 00 FD\n"
            "300 ms COM5 RTS off\n"
            "300 ms COM5 DTR off\n");
}

TEST_F(KeyingTest, LinesOnTheRadioPortWhenTheAlternatePortIsTheReopenedRadioPort) {
  db_set_radio_type(kRadioTypeDefault);
  db_set_alt_ptt_port(3);
  db_set_reopened_radio_port(3);
  open(SERIAL_ROLE_PTT, 3);
  EXPECT_EQ(trace_of([&] { ptt_on(); }, 0), "0 ms COM1 RTS on\n");
}

TEST_F(KeyingTest, ClosedRadioPortKeysNothingAndSaysSo) {
  db_set_radio_type(DB_IC7000);
  serial_control(SERIAL_ROLE_RADIO).close();
  int keyed = -1, keyed_manually = -1;
  EXPECT_EQ(trace_of([&] {
              keyed = ptt_on();
              ptt_off();
              keyed_manually = ptt_on_manual();
              ptt_off_manual();
            }),
            "");
  EXPECT_EQ(keyed, 0);
  EXPECT_EQ(keyed_manually, 0);
  EXPECT_EQ(ptt_is_active(), 0);
  EXPECT_EQ(twa_restarts, 2);  // ptt_on and ptt_off_manual
  EXPECT_FALSE(log_has("PTT now"));
  EXPECT_TRUE(log_has("[PTT ERROR: No PTT. Radio port closed.]\n"));
}

TEST_F(KeyingTest, ReceiveOnlyChannelIsNeverKeyed) {
  db_set_radio_type(DB_IC7000);
  ChannelRecord rx_only{};
  db_copy_channel(1, &rx_only);
  rx_only.permission = CHANNEL_RX;
  db_store_channel(1, rx_only);
  db_select_channel(1);
  EXPECT_EQ(trace_of([&] {
              EXPECT_EQ(ptt_on(), 0);
              EXPECT_EQ(ptt_on_manual(), 0);
            }, 0),
            "");
  EXPECT_EQ(twa_restarts, 0);
}

TEST_F(KeyingTest, ManualKeyingOfADataModeChannelSwapsToVoiceAndBack) {
  db_set_radio_type(DB_IC7200);
  db_set_rts_ptt(0);
  ChannelRecord ch{};
  db_copy_channel(1, &ch);
  ch.tx_mode = MODE_USB_D;
  ch.scan_groups = 1;
  db_store_channel(1, ch);
  db_next_scan_channel();
  const std::string t = trace_of([&] {
    ptt_on_manual();
    run_ms(200);
    ptt_off_manual();
  }, 200);
  // USB, key; unkey, then USB-D again (USB and the radio's data-mode frame).
  EXPECT_EQ(t,
            "0 ms COM1 write FE FE 76 E0 06 01 FD\n"
            "50 ms COM1 write FE FE 76 E0 1C 00 01 FD\n"
            "200 ms COM1 write FE FE 76 E0 1C 00 00 FD\n"
            "250 ms COM1 write FE FE 76 E0 06 01 FD\n"
            "300 ms COM1 write FE FE 76 E0 1A 04 01 01 FD\n");
  EXPECT_TRUE(log_has("[RADIO: PTT now RELEASED] \n"));
}

TEST_F(KeyingTest, Ic746TransmitVfoIsPreparedOnlyWhenTheFrequencyChanges) {
  db_set_radio_type(DB_IC746);
  radio_flags().radio_last_tx_freq = 0;
  const std::string first = trace_of([] { radio_prepare_tx_freq(); });
  EXPECT_EQ(first,
            "0 ms COM1 write FE FE 56 E0 07 01 FD\n"
            "100 ms COM1 write FE FE 56 E0 05 00 00 10 07 00 FD\n"
            "200 ms COM1 write FE FE 56 E0 06 01 FD\n"
            "300 ms COM1 write FE FE 56 E0 07 00 FD\n");
  EXPECT_EQ(trace_of([] { radio_prepare_tx_freq(); }), "");
  EXPECT_EQ(radio_flags().radio_last_tx_freq.load(), 7100000);
}

TEST_F(KeyingTest, KenwoodModelsFourAndFiveOnlyRecordTheFrequency) {
  db_set_radio_type(DB_KENWOOD);
  kenwood_set_model(4);
  radio_flags().radio_last_tx_freq = 0;
  EXPECT_EQ(trace_of([] { radio_prepare_tx_freq(); }), "");
  EXPECT_EQ(radio_flags().radio_last_tx_freq.load(), 7100000);
}

TEST_F(KeyingTest, TransmitPreparationFollowsTheLinkState) {
  db_set_radio_type(DB_IC746);
  int state = 0;
  radio_hooks().link_state = [&] { return state; };
  struct Case {
    int scan_active;
    int state;
    bool prepares;
  };
  const Case cases[] = {{1, 2, true}, {1, 1, false}, {1, 6, true}, {0, 6, false}, {0, 2, true}, {0, 31, true}};
  for (const Case& c : cases) {
    c.scan_active ? db_set_scan_active() : db_clear_scan_active();
    state = c.state;
    radio_flags().radio_last_tx_freq = 0;
    atu_tune_before_tx();
    EXPECT_EQ(radio_flags().radio_last_tx_freq.load() == 7100000, c.prepares) << c.scan_active << " " << c.state;
    run_ms(500);
  }
  EXPECT_TRUE(log_has("[SCANNING: SENDING TIS SOUNDING] \n"));
}

}  // namespace
}  // namespace vesk
