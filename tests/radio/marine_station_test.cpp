// Icom marine, PCR, DX-77T and Skanti radios through the station's own radio control on the
// recording serial fake: set-ups with their times and lines, and channel setting.
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
#include "radio/radio_setup.h"

namespace vesk {
namespace {

class MarineStationTest : public test::CatRadioFixture {
 protected:
  // What `what` wrote on the radio port, each write as "ms-since-start text" (CR, LF and other
  // control bytes as <hex>).
  std::string writes_of(const std::function<void()>& what, int ms = 2000) {
    fake().clear_events();
    const int64_t t0 = fake().now_ms();
    what();
    run_ms(ms);
    std::string s;
    for (const auto& [t, bytes] : fake().writes(1)) {
      s += (s.empty() ? "" : " | ") + std::to_string(t - t0) + " ";
      for (unsigned char c : bytes) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "<%02X>", c);
        s += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(hex);
      }
    }
    return s;
  }
};

TEST_F(MarineStationTest, SetUps) {
  const struct {
    int type;
    const char* writes;
    std::vector<std::string> lines;
  } cases[] = {
      // Each sentence, 200 ms, then its line.
      {DB_ICM802,
       "0 $PICOA,90,08,SQLC,OFF*17<0D><0A> | 200 $PICOA,90,08,NB,OFF<0D><0A> | "
       "400 $PICOA,90,08,AGC,ON*11<0D><0A> | 600 $PICOA,90,08,TUNER,OFF<0D><0A> | 800 $PICOA,90,08,TRX,RX<0D><0A>",
       {"IC-M802 being initialized", "IC-M802 SQUELCH set to OFF", "IC-M802 NB set to OFF", "IC-M802 AGC set to ON",
        "IC-M802 ATU set to OFF", "IC-M802 has been initialized"}},
      {DB_PCR1000, "200 H101<0A> | 250 J407F<0A> | 450 J4701<0A> | 650 J4501<0A> | 1000 J438C<0A>",
       {"PCR-1000 being initialized", "PCR-1000 Filter set to 2800hz", "PCR-1000 PREAMP set to OFF",
        "PCR-1000 AGC set to ON", "PCR-1000 SPEAKER OUT set to 50 percent, adjust using MCRA",
        "PCR-1000 IF SHIFT set to CENTER", "PCR-1000 has been initialized"}},
      {DB_DX77T,
       "0 AL2F0<0D> | 200 AL2E0<0D> | 400 AL2D0<0D> | 600 AL2WE01<0D> | 800 AL2WC01<0D> | 1000 AL2H00<0D> | "
       "1200 AL2I01<0D>",
       {"DX-77T being initialized", "DX-77T SPLIT VFO set to OFF", "DX-77T PRIORITY set to OFF",
        "DX-77T SCANNING set to OFF", "DX-77T SSB AUTO set OFF", "DX-77T SPEECH PROCESSOR set OFF",
        "Please set your NOISE BLANKER to OFF", "DX-77T ATTN set to OFF", "DX-77T AGC set to FAST",
        "Please set your RIT to OFF/CENTER", "Please set your IF SHIFT to 1625hz",
        "Please set your NOTCH FILTER to OFF", "DX-77T has been initialized"}},
      // Bytes one by one: 02 handed over 40 ms after 01 leaves when the queue lets it (50 ms).
      {DB_SKANTI_8250, "200 <01> | 250 <02> | 440 l | 640 K | 840 X | 1040 B", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    clear();
    db_set_radio_type(c.type);
    EXPECT_EQ(writes_of([] { radio_setup(); }), c.writes);
    EXPECT_EQ(setup_lines(), c.lines);
  }
}

// A marine channel while scanning: receive frequency and mode; outside scanning also the
// transmit frequency.
TEST_F(MarineStationTest, MarineChannelSetting) {
  db_set_radio_type(DB_ICM710);
  radio_setup();
  run_ms(2000);
  ChannelRecord ch{};
  ch.in_use = 1, ch.permission = CHANNEL_BX;
  ch.rx_freq_hz = 7100000, ch.tx_freq_hz = 7105000, ch.rx_mode = ch.tx_mode = MODE_USB;
  db_store_channel(1, ch);
  EXPECT_EQ(writes_of([&] { radio_set_channel(1, ch); }),
            "0 $PICOA,90,01,RXF,007.100000<0D><0A> | 50 $PICOA,90,01,MODE,USB<0D><0A> | "
            "100 $PICOA,90,01,TXF,007.105000<0D><0A>");
}

}  // namespace
}  // namespace vesk
