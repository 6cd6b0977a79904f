// A wired station's transmission end: the words leave through the sound card, and when its
// last block has played the radio is released (the CAT unkey and the keying line) without
// anyone else asking.
#include <gtest/gtest.h>

#include <memory>

#include "ale/words/word_queue.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/sound_card.h"
#include "platform/serial_fake.h"
#include "platform/station.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "tests/support/child_process.h"
#include "ui/station_wiring.h"

namespace vesk {
namespace {

using Kind = FakeSerialBackend::Kind;

TEST(TransmitRelease, TheSoundCardReleasesTheRadioWhenTheLastBlockHasPlayed) {
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  auto fake = FakeSerialBackend::install();
  db_open();
  station_wire();
  ChannelRecord ch{};
  ch.number = 1;
  ch.in_use = 1;
  ch.permission = CHANNEL_BX;
  ch.rx_freq_hz = ch.tx_freq_hz = 7100000;
  ch.rx_mode = ch.tx_mode = MODE_USB;
  db_store_channel(1, ch);
  db_select_channel(1);
  db_set_radio_type(DB_IC7000);
  db_set_rts_ptt(1);  // keyed by the line: nothing waits in the radio queue before the release
  SerialPort& radio = serial_control(SERIAL_ROLE_RADIO);
  radio.set_port_number(1);
  ASSERT_EQ(radio.set_settings("9600,N,8,1"), 0);
  ASSERT_EQ(radio.open(), 0);
  ale_word_io_init();
  SoundCardState& sc = sound_card();
  sc.threaded = false;
  ASSERT_EQ(snd_set_device_specs("null", "null"), 1);
  snd_open();
  auto run_ms = [&](int ms) {
    for (int i = 0; i < ms; ++i) {
      st.sim_clock()->advance_ms(1);
      snd_step();
    }
  };
  run_ms(100);

  ptt_on();
  ASSERT_EQ(ptt_is_active(), 1);
  fake->clear_events();
  for (int i = 0; i < 3; ++i) ASSERT_EQ(ale_tx_word(ale_make_word(ALE_TO, 'A', 'B', 'C')), 1);
  run_ms(500);  // the words follow the two idle blocks the card keeps ahead
  EXPECT_EQ(snd_audio_state(), AUDIO_TX);
  EXPECT_EQ(ptt_is_active(), 1) << "still sending";
  EXPECT_EQ(fake->written(1), "");
  run_ms(1600);  // three 392 ms words
  EXPECT_EQ(snd_audio_state(), AUDIO_RX);
  EXPECT_EQ(sc.tx_ends.load(), 1);
  EXPECT_EQ(ptt_is_active(), 0);
  EXPECT_EQ(FakeSerialBackend::hex(fake->written(1)), "FE FE 70 E0 1C 00 00 FD");
  const auto rts = fake->events(1, Kind::Rts);
  ASSERT_EQ(rts.size(), 1u);
  EXPECT_EQ(rts[0].value, 0);
  EXPECT_NE(log_monitor_text().find("[RADIO: PTT now RELEASED]\n"), std::string::npos);
  snd_close();
}

}  // namespace
}  // namespace vesk
