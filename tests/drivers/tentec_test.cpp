// Ten-Tec builders beside the golden table: the tuning words, the fields that are easy to get
// wrong, the reply entries, and the TT-550's start handshake and watchdog on simulated time.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include "db/log.h"
#include "radio/drivers/radio_types.h"
#include "radio/drivers/tentec.h"
#include "radio/family_ops.h"
#include "tests/drivers/tentec_tuning_cases.h"

namespace vesk {
namespace {

using TenTecTest = test::DriverTest;

TEST(TenTecTuning, ReferenceWordsAndCommands) {
  for (const test::TuningCase& c : test::kTuningCases) {
    const TuningWords w = tentec_tuning_words(c.side, c.hz, c.mode);
    EXPECT_EQ(w.coarse, c.want.coarse) << c.hz;
    EXPECT_EQ(w.fine, c.want.fine) << c.hz;
    EXPECT_EQ(w.bfo, c.want.bfo) << c.hz;
  }
  EXPECT_EQ(test::hex(tentec_tuning_command('N', tentec_tuning_words(TuningSide::Tt550Rx, 10142170, MODE_USB))),
            "4E 56 29 02 8F 67 71 0D");
  EXPECT_EQ(test::hex(tentec_tuning_command('N', tentec_tuning_words(TuningSide::Tt550Rx, 14100000, MODE_USB))),
            "4E 5C 58 09 98 67 71 0D");
}

TEST(TenTecCommands, Fields) {
  ChannelRecord ch12{};
  ch12.number = 12;
  ChannelRecord ch255{};
  ch255.number = 255, ch255.rx_freq_hz = 7102500, ch255.tx_freq_hz = 7105000;
  ch255.rx_mode = MODE_USB, ch255.tx_mode = MODE_LSB;
  const struct {
    CatCommand got;
    const char* want;
  } cases[] = {
      // Memory 13 is the same byte as CR.
      {tentec_cmd("*R", {static_cast<uint8_t>(ch12.number + 1)}), "2A 52 0D 0D"},
      // Channel 255 is memory 0; a split channel; the modes by the TT-516 column.
      {tt516_memory_frame(ch255),
       "2A 40 00 01 01 01 24 00 00 00 31 00 6C 60 24 02 32 00 6C 69 E8 02 0D"},
      {tentec_mode_pair(TenTecModeTable::Tt588Radio, MODE_CW, MODE_CW_R), "2A 4D 33 35 0D"},
      {tentec_mode_pair(TenTecModeTable::Tt588Remote, MODE_CW, MODE_CW_R), "2A 4D 35 33 0D"},
      {tentec_mode_pair(TenTecModeTable::Tt588Radio, MODE_USB, MODE_FSK), "2A 4D 31 36 0D"},
      {tentec_freq('A', 7050000), "2A 41 00 6B 93 10 0D"},  // 7,050,000 = 0x006B9310
      {rx340_bandwidth(50), "24 31 49 30 2E 31 30 0D"},         // $1I0.10
      {rx340_bandwidth(20000), "24 31 49 31 36 2E 30 30 0D"},   // $1I16.00
      {rx340_agc(3), "24 31 4D 31 0D"},                         // $1M1
  };
  for (const auto& c : cases) EXPECT_EQ(test::hex(c.got), c.want);
  // The remote set sends no "*C1A" before a CW pair.
  EXPECT_EQ(tt588_remote_mode_pair(MODE_CW, MODE_CW_R).size(), 1u);
  EXPECT_EQ(tt585_freq_keys(7123450), "07W12345@");
}

TEST_F(TenTecTest, ReplyEntries) {
  const struct {
    int type;
    bool acks;
  } cases[] = {{DB_TT516, true}, {DB_TT538, true},  {DB_TT588RAD, true}, {DB_TT588REM, true},
               {DB_RX340, true}, {DB_RX350, true},  {DB_RX320, false},   {DB_TT550, false}};
  const uint8_t frame[] = {'?', 'A'};
  for (const auto& c : cases) {
    set_type(c.type);
    acks = 0;
    radio_ops(configured_radio()).on_reply(frame, 2);
    EXPECT_EQ(acks, c.acks ? 1 : 0) << c.type;
  }
}

// The TT-550 start: "XX" and five silent retries a second apart, then the operator is asked
// (headless: retry, logged) and the retries go on; "DSP START" stops them, "RADIO START"
// sends the radio's start and a status query every 200 ms.
TEST_F(TenTecTest, Tt550StartHandshakeAndWatchdog) {
  std::string log;
  log_set_sink([&log](LogText, const std::string& line) { log += line; });
  set_type(DB_TT550);
  const RadioTypeRow& row = configured_radio();
  radio_ops(row).setup_start(row);
  settle(6500);
  EXPECT_EQ(sent_golden(), "58 58 0D | +1000 58 58 0D | +1000 58 58 0D | +1000 58 58 0D | +1000 58 58 0D | "
                           "+1000 58 58 0D | +1000 58 58 0D");
  EXPECT_NE(log.find("RADIO: Pegasus: Pegasus does not respond. Check connections. Restart Program. - "
                     "no operator to answer: retrying"),
            std::string::npos)
      << log;

  const std::string dsp = "  DSP START";
  radio_ops(row).on_reply(reinterpret_cast<const uint8_t*>(dsp.data()), static_cast<int>(dsp.size()));
  sent.clear();
  start_ms_ = clock_->mono_ms();
  settle(3000);
  EXPECT_EQ(sent_golden(), "-");  // the watchdog stopped (the "P1" went before the clear)

  const std::string radio = "RADIO START";
  radio_ops(row).on_reply(reinterpret_cast<const uint8_t*>(radio.data()), static_cast<int>(radio.size()));
  settle(450);
  EXPECT_EQ(sent_golden(), "+3000 4F 31 01 0D | 23 31 0D | 23 35 0D | 48 00 0D | 47 33 0D | +200 3F 53 0D | "
                           "+200 3F 53 0D");
}

}  // namespace
}  // namespace vesk
