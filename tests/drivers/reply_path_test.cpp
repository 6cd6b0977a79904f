// The drivers behind the serial layer: frames the radio sends arrive through the input poll
// and the reply dispatch, and the commands they release are written to a recording fake port.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "radio/drivers/driver_steps.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/drivers/radio_types.h"
#include "radio/serial_output.h"
#include "radio/serial_poll.h"
#include "tests/support/serial_harness.h"

namespace vesk {
namespace {

using Writes = std::vector<std::pair<int64_t, std::string>>;
constexpr int kPort = 1;

class ReplyPathTest : public ::testing::Test {
 protected:
  void configure(int type, uint8_t terminator) {
    db_set_radio_type(type);
    serial_set_reply_terminators(SERIAL_ROLE_RADIO, terminator, terminator);
    ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, kPort));
    log_set_sink([this](LogText, const std::string& line) { log += line; });
  }
  std::vector<std::string> written_commands(char terminator) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : h.fake().written(kPort)) {
      cur += c;
      if (c == terminator) out.push_back(cur), cur.clear();
    }
    return out;
  }
  test::SerialHarness h;
  std::string log;
};

TEST_F(ReplyPathTest, Ts2000IdentityRunsItsPreconfiguration) {
  configure(DB_KENWOOD, ';');
  h.fake().inject_at(kPort, 1, "ID019;");
  h.run_ms(3500);
  EXPECT_EQ(kenwood_model(), 19);
  EXPECT_EQ(written_commands(';'), (std::vector<std::string>{"AI0;", "SC0;", "RT0;", "XT0;", "AL000;", "AM0;", "BC0;",
                                                             "NR0;", "NT0;", "PR0;", "RA00;", "SL04;", "SH08;"}));
  EXPECT_NE(log.find("[Radio Setup: Kenwood TS-2000 series has been detected]"), std::string::npos);
  EXPECT_NE(log.find("[Radio Setup: Pleaes set your TS-2000 AGC for ALE]"), std::string::npos);
  EXPECT_NE(log.find("[Radio Setup: Kenwood TS-2000 series has been initialized]"), std::string::npos);
  // The first command left at once and the others one per pause of the series, on the radio's
  // timer: the engine was never held by the series.
  const Writes w = h.fake().writes(kPort);
  ASSERT_EQ(w.size(), 13u);
  EXPECT_EQ(w[1].first - w[0].first, 200);
  EXPECT_EQ(w[2].first - w[1].first, 200);
}

TEST_F(ReplyPathTest, UnknownIdentityTakesTheFallbackPacedOnTheRadioTimer) {
  configure(DB_KENWOOD_HS, ';');
  h.fake().inject_at(kPort, 1, "ID099;");
  h.run_ms(2);
  EXPECT_EQ(kenwood_model(), 21);
  EXPECT_NE(log.find("[Radio Setup: UNKNOWN Kenwood radio type has been detected]"), std::string::npos);
  // The series goes on one command per expiry of the radio's timer, 200 ms apart, while the
  // poll keeps reading: an answer in between moves the queue as usual.
  h.fake().inject_at(kPort, 100, ";");
  h.run_ms(4000);
  EXPECT_NE(log.find("[Radio Setup: UNKNOWN Kenwood radio initialized as a TS-590]"), std::string::npos);
  const Writes w = h.fake().writes(kPort);
  ASSERT_EQ(w.size(), 14u);
  EXPECT_EQ(w[0], (std::pair<int64_t, std::string>{1, "AI0;"}));
  EXPECT_EQ(w[1], (std::pair<int64_t, std::string>{201, "SC0;"}));
  EXPECT_EQ(w[2], (std::pair<int64_t, std::string>{401, "RT0;"}));
}

TEST_F(ReplyPathTest, CivOkAndNgMoveTheQueueAnEchoDoesNot) {
  configure(DB_IC756PRO, 0xFD);
  driver_step_set_freq(7102500);
  driver_step_set_mode(MODE_USB_D);  // mode frame and data-mode frame
  driver_step_ptt_on(MODE_USB);
  // The echo of the frequency frame at 5 ms, NG for it at 10 ms, OK for the mode at 20 ms.
  h.fake().inject_at(kPort, 5, std::string("\xFE\xFE\x5C\xE0\x05\x00\x25\x10\x07\x00\xFD", 11));
  h.fake().inject_at(kPort, 10, "\xFE\xFE\xE0\x5C\xFA\xFD");
  h.fake().inject_at(kPort, 20, "\xFE\xFE\xE0\x5C\xFB\xFD");
  h.run_ms(100);
  const Writes w = h.fake().writes(kPort);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0].first, 0);
  EXPECT_EQ(w[1], (std::pair<int64_t, std::string>{10, "\xFE\xFE\x5C\xE0\x06\x01\xFD"}));
  EXPECT_EQ(w[2], (std::pair<int64_t, std::string>{20, "\xFE\xFE\x5C\xE0\x1A\x06\x01\xFD"}));
  EXPECT_EQ(w[3], (std::pair<int64_t, std::string>{70, std::string("\xFE\xFE\x5C\xE0\x1C\x00\x01\xFD", 8)}));
}

}  // namespace
}  // namespace vesk
