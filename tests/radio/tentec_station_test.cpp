// The Ten-Tec radios through the station's own radio control on the recording serial fake:
// every type's set-up with its times, the TT-516's memories, the TT-585's keys on the model
// timer while the caller goes on, and the receivers' muting.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/dispatch.h"
#include "radio/drivers/radio_types.h"
#include "radio/keying.h"
#include "radio/muting.h"
#include "radio/radio_setup.h"

namespace vesk {
namespace {

class TenTecStationTest : public test::CatRadioFixture {
 protected:
  static constexpr int kSetUpMs = 1000;  // until the set-up's commands have left
  static ChannelRecord channel(int index, int rx_hz, int mode) {
    ChannelRecord ch{};
    ch.number = static_cast<uint8_t>(index);
    ch.in_use = 1, ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = rx_hz;
    ch.rx_mode = ch.tx_mode = mode;
    return ch;
  }
};

// Each type's set-up as the radio port sees it (no radio answers: the queue moves on by its
// 50 ms reply time; the TT-550 and TT-585 write at once).
TEST_F(TenTecStationTest, SetUpOfEveryType) {
  const struct {
    int type;
    const char* writes;
  } cases[] = {
      {DB_TT516,
       "200 2A 4F 00 0D | 400 2A 4A 30 0D | 600 2A 57 20 0D | 800 2A 50 00 00 0D | 1000 23 30 0D"},
      {DB_TT538,
       "200 2A 4A 30 0D | 400 2A 4B 00 00 00 0D | 600 2A 48 00 0D | 800 2A 49 7F 0D | 1000 2A 47 33 0D | "
       "1200 2A 57 0C 0D"},
      {DB_TT550,
       "200 58 58 0D | 400 42 00 0D | 600 53 00 0D | 800 4B 00 00 0D | 1000 51 30 0D | 1200 58 58 0D"},
      {DB_TT550MA,
       "200 58 58 0D | 400 42 00 0D | 600 53 00 0D | 800 4B 00 00 0D | 1000 51 30 0D | 1000 4F 30 01 0D | "
       "1200 58 58 0D"},
      {DB_TT585, ""},
      {DB_RX320, "0 4D 30 0D | 50 57 0C 0D | 100 47 33 0D | 150 4E 55 EF 1A A8 77 70 0D | 200 41 00 1F 0D | "
                 "250 56 00 2B 0D | 300 56 00 12 0D"},
      {DB_RX330,
       "50 24 31 2A 52 31 0D | 250 24 31 49 32 2E 37 30 0D | 450 24 31 4B 33 0D | 650 24 31 51 30 0D | "
       "850 24 31 4D 31 0D | 1050 24 31 4E 30 0D | 1250 24 31 50 30 2E 30 30 30 0D"},
      {DB_RX340,
       "0 24 31 2A 52 31 0D | 200 24 31 49 32 2E 37 30 0D | 400 24 31 4B 33 0D | 600 24 31 51 30 0D | "
       "800 24 31 4D 31 0D | 1000 24 31 4E 30 0D | 1200 24 31 50 30 2E 30 30 30 0D"},
      {DB_RX350,
       "200 2A 4A 30 0D | 400 2A 4B 00 00 00 0D | 600 2A 48 00 0D | 800 2A 49 7F 0D | 1000 2A 47 33 0D | "
       "1200 2A 57 0C 0D"},
      {DB_TT588RAD, "200 2A 57 10 0D | 400 2A 30 0D"},
      {DB_TT588REM,
       "200 2A 4A 30 0D | 400 2A 43 31 5A 30 0D | 600 2A 4B 00 00 00 0D | 800 2A 48 00 0D | 1000 2A 49 7F 0D | "
       "1200 2A 47 33 0D | 1400 2A 57 10 0D | 1600 2A 43 31 4F 06 0D | 1800 2A 4C 00 00 00 0D | 2000 2A 30 0D"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    db_set_radio_type(c.type);
    EXPECT_EQ(writes_of([] { radio_setup(); }), c.writes);
    EXPECT_FALSE(log_has("radio driver not built yet"));
  }
}

// The TT-516's offer to rewrite its memories does not wait for an operator: headless it is
// declined with a log line and nothing is written; a channel stored later goes to its memory.
TEST_F(TenTecStationTest, Tt516MemoriesOfferAndStore) {
  ChannelRecord ch = channel(5, 7102500, MODE_USB);
  db_store_channel(5, ch);
  set_up(DB_TT516, kSetUpMs);
  EXPECT_TRUE(log_has("[RADIO: Write Argonaut V Memories: Do you wish to re-write the memories - no operator to "
                      "answer: memories not written]"));
  EXPECT_TRUE(log_has("TT516 has been initialized"));
  ch.rx_freq_hz = 10142000;
  EXPECT_EQ(writes_of([&] { radio_store_channel_hook(ch); }),
            "0 2A 40 06 01 01 01 24 00 00 00 31 00 9A C1 30 02 31 00 6C 60 24 02 0D");
  ch.in_use = 0;
  EXPECT_EQ(writes_of([&] { radio_store_channel_hook(ch); }), "");
}

// A TT-585 channel change returns at once; its keys leave 150 ms apart on the model timer.
TEST_F(TenTecStationTest, Tt585KeysLeaveOnTheTimerNotOnTheCaller) {
  set_up(DB_TT585, kSetUpMs);
  db_store_channel(1, channel(1, 7123450, MODE_LSB));
  ChannelRecord ch{};
  db_copy_channel(1, &ch);
  int64_t held = 0;
  const std::string w = writes_of(
      [&] {
        const int64_t t0 = fake().now_ms();
        radio_set_channel(1, ch);
        held = fake().now_ms() - t0;
      },
      2000);
  EXPECT_EQ(held, 0);
  EXPECT_EQ(w, "0 30 | 150 37 | 300 57 | 450 31 | 600 32 | 750 33 | 900 34 | 1050 35 | 1200 40 | 1350 4E");
}

// Receiver muting: the RX-320 mutes with volume 0 and restores its level; the TT-550 mutes by
// its level but not when a link is made or ends.
TEST_F(TenTecStationTest, ReceiverMuting) {
  db_set_option_int(opt::CAT_MUTE, 1);
  set_up(DB_RX320, kSetUpMs);
  EXPECT_EQ(writes_of([] { radio_mute_on(); }), "0 56 00 3F 0D");
  EXPECT_EQ(writes_of([] { radio_mute_off(); }), "0 56 00 12 0D");  // 70 %, set at set-up

  set_up(DB_TT550, kSetUpMs);
  EXPECT_EQ(writes_of([] { radio_on_linked(); }, 50), "");
  EXPECT_NE(writes_of([] { radio_mute_on(); }, 50).find(" 56 "), std::string::npos);
}

}  // namespace
}  // namespace vesk
