// Channel setting: golden traces of what reaches the ports (bytes per port, line changes,
// the pauses between them) and the rules of each step.
#include "radio/channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/scan.h"
#include "db/tables.h"
#include "radio/dispatch.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/radio_hooks.h"
#include "radio/setup_table.h"
#include "tests/radio/radio_fixture.h"

namespace vesk {
namespace {

ChannelRecord make_channel(int number, int rx_hz, int rx_mode, int tx_hz, int tx_mode) {
  ChannelRecord ch{};
  ch.number = static_cast<uint8_t>(number);
  ch.in_use = 1;
  ch.permission = CHANNEL_BX;
  ch.scan_groups = 1;
  ch.rx_freq_hz = rx_hz;
  ch.tx_freq_hz = tx_hz;
  ch.rx_mode = rx_mode;
  ch.tx_mode = tx_mode;
  return ch;
}

class ChannelTest : public test::RadioFixture {
 protected:
  ChannelTest() {
    open(SERIAL_ROLE_RADIO, 1);
    radio_hooks().scanning = [this] { return scanning; };
  }
  ChannelRecord store(const ChannelRecord& ch) {
    EXPECT_GE(db_store_channel(ch.number, ch), 0);
    return ch;
  }
  bool scanning = false;
};

TEST_F(ChannelTest, Ic746FirstTuningSetsTheTransmitVfoOnce) {
  db_set_radio_type(DB_IC746);
  const ChannelRecord ch = store(make_channel(1, 7100000, MODE_USB, 7102000, MODE_LSB));
  // Frequency; then, first time only, VFO B to the transmit mode and back to VFO A; then the
  // receive mode. Unanswered commands leave on the 50 ms reply timeout.
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, ch); }),
            "0 ms COM1 write FE FE 56 E0 05 00 00 10 07 00 FD\n"
            "50 ms COM1 write FE FE 56 E0 07 01 FD\n"
            "150 ms COM1 write FE FE 56 E0 06 00 FD\n"
            "250 ms COM1 write FE FE 56 E0 07 00 FD\n"
            "300 ms COM1 write FE FE 56 E0 06 01 FD\n");
  EXPECT_EQ(db_current_channel_number(), 1);
  // The same channel again: the frequency alone.
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, ch); }), "0 ms COM1 write FE FE 56 E0 05 00 00 10 07 00 FD\n");
}

TEST_F(ChannelTest, KenwoodTuneAndKeyInDataAndVoiceModes) {
  db_set_radio_type(DB_KENWOOD);
  db_set_rts_ptt(0);  // keyed by CAT
  kenwood_set_model(21);
  const ChannelRecord data = store(make_channel(1, 7100000, MODE_USB, 7100000, MODE_USB_D));
  const ChannelRecord voice = store(make_channel(2, 7100000, MODE_USB, 7100000, MODE_USB));
  EXPECT_EQ(trace_of([&] {
              radio_set_channel(data.number, data);
              ptt_on();
              ptt_off();
            }, 200),
            // Each pause runs from its command's write (FR1 waits 50 ms behind FA).
            "0 ms COM1 write 46 41 30 30 30 30 37 31 30 30 30 30 30 3B\n"  // FA00007100000;
            "50 ms COM1 write 46 52 31 3B\n"                              // FR1;
            "150 ms COM1 write 46 54 30 3B\n"                             // FT0;
            "250 ms COM1 write 4D 44 32 3B\n"                             // MD2; (transmit mode)
            "450 ms COM1 write 46 52 30 3B\n"                             // FR0;
            "650 ms COM1 write 46 54 30 3B\n"                             // FT0;
            "850 ms COM1 write 4D 44 32 3B\n"                             // MD2; (receive mode)
            "950 ms COM1 write 54 58 31 3B\n"                             // TX1;
            "1000 ms COM1 write 52 58 3B\n");                             // RX;
  EXPECT_EQ(radio_vfo_freq(), 7100000);
  EXPECT_EQ(trace_of([&] {
              radio_set_channel(voice.number, voice);
              ptt_on();
              ptt_off();
            }),
            "0 ms COM1 write 46 41 30 30 30 30 37 31 30 30 30 30 30 3B\n"
            "50 ms COM1 write 54 58 30 3B\n"  // TX0;
            "100 ms COM1 write 52 58 3B\n");
}

TEST_F(ChannelTest, At200pcTunesAt7MHzAndSkipsAZeroFrequency) {
  db_set_radio_type(kRadioTypeDefault);
  db_set_atu_port(4);
  db_set_atu_type(ATU_AT200PC);
  open(SERIAL_ROLE_ATU, 4);
  ChannelRecord ch = make_channel(3, 7000000, MODE_USB, 7000000, MODE_USB);
  ch.tuner_enable = 1;
  // 20,480,000,000 / 7,000,000 = 2925 = 0x0B6D; RTS pulses of 50 ms frame each message.
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, store(ch)); }),
            "0 ms COM4 RTS on\n50 ms COM4 RTS off\n100 ms COM4 write 2D\n"
            "200 ms COM4 RTS on\n250 ms COM4 RTS off\n300 ms COM4 write 3A\n"
            "400 ms COM4 RTS on\n450 ms COM4 RTS off\n500 ms COM4 write 43 0B 6D\n");
  ch.rx_freq_hz = 0;
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, store(ch)); }), "");
  EXPECT_TRUE(log_has("[ATU ERROR: No tune. AT200PC cannot tune 0 Hz.]"));
  EXPECT_EQ(atu_at200pc_value(312500), 65536 > 0xFFFF ? -1 : 0);
  EXPECT_EQ(atu_at200pc_value(312501), 65535);
}

TEST_F(ChannelTest, TunerWhileScanningBypassesAndAsksForATuneBeforeTransmitting) {
  db_set_radio_type(kRadioTypeDefault);
  db_set_atu_port(4);
  db_set_atu_type(ATU_AT200PC);
  open(SERIAL_ROLE_ATU, 4);
  ChannelRecord ch = make_channel(3, 7000000, MODE_USB, 7000000, MODE_USB);
  ch.tuner_enable = 1;
  store(ch);
  scanning = true;
  // Bypass with short pulses: ";" then ",".
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, ch); }),
            "0 ms COM4 RTS on\n10 ms COM4 RTS off\n20 ms COM4 write 3B\n"
            "40 ms COM4 RTS on\n50 ms COM4 RTS off\n70 ms COM4 write 2C\n");  // after the tuner queue's 50 ms
  EXPECT_EQ(radio_tune_request(), 1);
  atu_tune_before_tx();
  EXPECT_EQ(radio_tune_request(), 0);
  run_ms(300);
  EXPECT_EQ(FakeSerialBackend::hex(fake().written(4)), "3B 2C 2D 3A 43 0B 6D");
  scanning = false;
  fake().clear_events();
  radio_set_channel(ch.number, ch);
  EXPECT_EQ(radio_tune_request(), 0);
  run_ms(600);
  EXPECT_EQ(FakeSerialBackend::hex(fake().written(4)), "2D 3A 43 0B 6D");
}

TEST_F(ChannelTest, AttenuatorFollowsTheChannelFlagOnlyOnChanges) {
  db_set_radio_type(DB_IC746);
  ChannelRecord with = make_channel(1, 7100000, MODE_USB, 7100000, MODE_USB);
  with.attenuator = 1;
  ChannelRecord other = with;
  other.number = 2;
  ChannelRecord without = make_channel(3, 7100000, MODE_USB, 7100000, MODE_USB);
  struct Step {
    const ChannelRecord* ch;
    const char* want;  // the attenuator frame, or "" for none
  };
  const Step steps[] = {{&with, "11 12"}, {&other, ""}, {&without, "11 00"}, {&without, ""}};
  radio_set_channel(without.number, without);  // the mode is remembered, so only frequency and attenuator go out
  run_ms(300);
  for (const Step& s : steps) {
    const std::string t = trace_of([&] { radio_set_channel(s.ch->number, *s.ch); }, 100);
    const bool has_att = t.find("E0 11 ") != std::string::npos;
    EXPECT_EQ(has_att, *s.want != '\0') << t;
    if (*s.want) {
      EXPECT_NE(t.find(std::string("E0 ") + s.want + " FD"), std::string::npos) << t;
    }
  }
}

TEST_F(ChannelTest, AntennaSwitchesByType) {
  db_set_radio_type(kRadioTypeDefault);
  db_set_ant_switch_port(5);
  open(SERIAL_ROLE_ANT_SWITCH, 5);
  struct Case {
    int type;
    int port;
    const char* bytes;     // hex on the antenna-switch port
    const char* log_line;  // or null
  };
  const Case cases[] = {
      {ANT_LDG_DTS4, 3, "52 04", nullptr},
      {ANT_LDG_DTS4, 5, "", "[ANT SW ERROR: No ANT port change. DTS-4 only supports 4 ports.\n"},
      {ANT_LDG_DTS6, 6, "52 07", nullptr},
      {ANT_ACOM_2000S, 10, "51 71 57 33 39 00", nullptr},
      {ANT_ACOM_2000S, 11, "", "[ANT SW ERROR: No ANT port change. ACOM 2000S only supports 10 ports.\n"},
  };
  int n = 1;
  for (const Case& c : cases) {
    db_set_ant_switch_type(c.type);
    ChannelRecord ch = make_channel(n++, 7100000, MODE_USB, 7100000, MODE_USB);
    ch.antenna_port = c.port;
    clear();
    radio_set_channel(ch.number, ch);
    run_ms(100);
    EXPECT_EQ(FakeSerialBackend::hex(fake().written(5)), c.bytes) << c.type << " " << c.port;
    if (c.log_line) {
      EXPECT_TRUE(log_has(c.log_line)) << log();
    }
    // The same port again sends nothing and logs nothing.
    clear();
    radio_set_channel(ch.number, ch);
    run_ms(100);
    EXPECT_EQ(fake().written(5), "");
    EXPECT_FALSE(log_has("ANT SW ERROR"));
  }
}

TEST_F(ChannelTest, Dts4ErrorLineGoldenTrace) {
  db_set_radio_type(kRadioTypeDefault);
  db_set_ant_switch_port(5);
  db_set_ant_switch_type(ANT_LDG_DTS4);
  open(SERIAL_ROLE_ANT_SWITCH, 5);
  ChannelRecord ch = make_channel(1, 7100000, MODE_USB, 7100000, MODE_USB);
  ch.antenna_port = 5;
  EXPECT_EQ(trace_of([&] { radio_set_channel(ch.number, store(ch)); }), "");
  EXPECT_EQ(log(), "[00:00:00][FRQ 07100000][ANT SW ERROR: No ANT port change. DTS-4 only supports 4 ports.\n");
}

TEST_F(ChannelTest, ModeGoesOutFirstOnChangeAndOnRequest) {
  db_set_radio_type(DB_IC7000);
  const ChannelRecord usb = make_channel(1, 7100000, MODE_USB, 7100000, MODE_USB);
  const ChannelRecord usb2 = make_channel(2, 7200000, MODE_USB, 7200000, MODE_USB);
  const ChannelRecord lsb = make_channel(3, 3600000, MODE_LSB, 3600000, MODE_LSB);
  auto mode_sent = [&](const ChannelRecord& ch) {
    return trace_of([&] { radio_set_channel(ch.number, ch); }).find("E0 06 ") != std::string::npos;
  };
  EXPECT_TRUE(mode_sent(usb));
  EXPECT_FALSE(mode_sent(usb2));
  EXPECT_TRUE(mode_sent(lsb));
  db_set_mode_resend();
  EXPECT_TRUE(mode_sent(lsb));
  EXPECT_EQ(db_get_mode_resend(), 0);
  EXPECT_FALSE(mode_sent(lsb));
}

TEST_F(ChannelTest, MemoryChannelsSendTheChannelNumberToTk90) {
  db_set_radio_type(DB_TK90);
  db_enable_memory_channels();
  const ChannelRecord ch = make_channel(12, 7100000, MODE_USB, 7100000, MODE_USB);
  radio_set_channel(ch.number, ch);
  run_ms(100);
  EXPECT_EQ(fake().written(1), "MC 012\r");
}

TEST_F(ChannelTest, ScanNextChannelWalksTheGroupAndStartsTheScanTimer) {
  db_set_radio_type(DB_IC7000);
  store(make_channel(4, 7100000, MODE_USB, 7100000, MODE_USB));
  db_set_scan_active();
  radio_scan_next_channel();
  EXPECT_EQ(db_current_channel_number(), 4);
  EXPECT_TRUE(timer_running(1016));
}

}  // namespace
}  // namespace vesk
