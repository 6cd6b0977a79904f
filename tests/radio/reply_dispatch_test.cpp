#include "radio/reply_dispatch.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "radio/serial_output.h"
#include "radio/serial_queue.h"
#include "tests/support/serial_harness.h"

namespace vesk {
namespace {

using Writes = std::vector<std::pair<int64_t, std::string>>;
constexpr int kNone = 133, kMicom = 59, kFt2000 = 82;

class ReplyDispatchTest : public ::testing::Test {
 protected:
  ReplyDispatchTest() { EXPECT_TRUE(h.open(SERIAL_ROLE_RADIO, 1)); }
  void send(const std::string& s) { radio_send(reinterpret_cast<const uint8_t*>(s.data()), static_cast<int>(s.size())); }
  void dispatch(const std::string& f) {
    radio_reply_dispatch(reinterpret_cast<const uint8_t*>(f.c_str()), static_cast<int>(f.size()));
  }
  // The monitor lines newest last, without their stamps.
  std::vector<std::string> lines() {
    std::vector<std::string> out;
    std::istringstream text(log_monitor_text());
    for (std::string line; std::getline(text, line);) {
      const std::size_t second = line.find("][");
      const std::size_t third = line.find("][", second + 2);
      out.insert(out.begin(), line.substr(third + 1));
    }
    return out;
  }
  test::SerialHarness h;
};

TEST_F(ReplyDispatchTest, TypeNoneAcknowledgesEveryFrame) {
  db_set_option_int(opt::RADIO_TYPE, kNone);
  send("A");
  send("B");
  dispatch("whatever\r");
  EXPECT_EQ(h.fake().written(1), "AB");
  dispatch("\r");  // an answer with nothing waiting changes nothing
  dispatch("\r");
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 0);
  EXPECT_EQ(h.fake().written(1), "AB");
}

TEST_F(ReplyDispatchTest, TypeWithoutAParserDropsItsFramesAndTheQueueMovesByTime) {
  db_set_option_int(opt::RADIO_TYPE, kFt2000);
  send("A");
  send("B");
  dispatch("OK;");
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 2);
  h.run_ms(50);
  EXPECT_EQ(h.fake().writes(1), (Writes{{0, "A"}, {50, "B"}}));
  // Every number without a row is dropped the same way, far outside the table too.
  for (int type : {0, 48, 50, 106, 137, 155, 100000, -1}) {
    db_set_option_int(opt::RADIO_TYPE, type);
    dispatch("OK;");
  }
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 1);
}

TEST_F(ReplyDispatchTest, ChangingTheTypeTakesEffectWithTheNextFrame) {
  send("A");
  send("B");
  send("C");
  db_set_option_int(opt::RADIO_TYPE, kFt2000);
  dispatch("1;");
  db_set_option_int(opt::RADIO_TYPE, kNone);
  dispatch("2;");
  EXPECT_EQ(h.fake().written(1), "AB");
}

// A MICOM reply: '$', length, 0x81, opcode, bytes 4 to 7, then the data, ETX.
std::string micom(uint8_t length, uint8_t opcode, uint8_t start, uint8_t count, const std::string& data) {
  std::string f = {'$', static_cast<char>(length), static_cast<char>(0x81), static_cast<char>(opcode), 0, 0,
                   static_cast<char>(start), static_cast<char>(count)};
  return f + data + "\x03";
}

TEST_F(ReplyDispatchTest, MicomSingleFieldRepliesAreLoggedEveryTime) {
  db_set_option_int(opt::RADIO_TYPE, kMicom);
  send("READ");
  dispatch(micom(0x15, 0x20, 0x0C, 0x10, "SN12345XXXXXXXXX"));
  dispatch(micom(0x0D, 0x20, 0x2C, 0x08, "HW1.2.3Z"));
  dispatch(micom(0x0D, 0x20, 0x00, 0x08, "SW4.5.6Z"));
  dispatch(micom(0x0D, 0x20, 0x34, 0x08, "CS7.8ZZZ"));
  dispatch(micom(0x0D, 0x20, 0x3C, 0x08, "CH9.0ZZZ"));
  dispatch(micom(0x15, 0x20, 0x1C, 0x10, "CODE012345XXXXXX"));
  dispatch(std::string("$\x2A\x81\x1E") + "CARD0001" + "\x03");
  dispatch(micom(0x15, 0x20, 0x0C, 0x10, "SN12345XXXXXXXXX"));
  EXPECT_EQ(lines(), (std::vector<std::string>{
                         "[MICOM Serial Number: = SN12345 ]",
                         "[MICOM Radio HW Ver: = HW1.2.3 ]",
                         "[MICOM Radio SW Ver: = SW4.5.6 ]",
                         "[MICOM CH SW Ver: = CS7.8 ]",
                         "[MICOM CH HW Ver: = CH9.0 ]",
                         "[MICOM Radio Code: = CODE012345 ]",
                         "[MICOM Radio Card: = CARD0001 ]",
                         "[MICOM Serial Number: = SN12345 ]",
                     }));
  // No MICOM frame acknowledges.
  EXPECT_EQ(serial_queue_count(SQ_RADIO), 1);
}

TEST_F(ReplyDispatchTest, MicomIdentityBlockIsLoggedOncePerSetUp) {
  db_set_option_int(opt::RADIO_TYPE, kMicom);
  std::string area(200, '.');
  auto put = [&](int at, const std::string& s) { area.replace(static_cast<std::size_t>(at), s.size(), s); };
  put(0x00, "SW4.5.6");
  put(0x0C, "SN12345");
  put(0x1C, "CODE012345");
  put(0x2C, "HW1.2.3");
  put(0x34, "CS7.8");
  put(0x3C, "CH9.0");
  const std::string block = micom(0xCD, 0x20, 0x00, 0xC8, area);
  const std::vector<std::string> six = {
      "[MICOM CH SW Ver: = CS7.8 ]",        "[MICOM CH HW Ver: = CH9.0 ]",
      "[MICOM Radio SW Ver: = SW4.5.6 ]",   "[MICOM Radio HW Ver: = HW1.2.3 ]",
      "[MICOM Radio Code: = CODE012345 ]", "[MICOM Serial Number: = SN12345 ]",
  };
  micom_identity_reset();
  dispatch(block);
  dispatch(block);
  EXPECT_EQ(lines(), six);
  micom_identity_reset();  // a new set-up logs it again
  dispatch(block);
  EXPECT_EQ(lines().size(), 12u);
}

TEST_F(ReplyDispatchTest, MicomLinesNeverReadPastTheFrame) {
  db_set_option_int(opt::RADIO_TYPE, kMicom);
  micom_identity_reset();
  // Headers that pass a test, cut short by an ETX inside the data.
  dispatch(micom(0xCD, 0x20, 0x00, 0xC8, std::string(40, '.')));
  dispatch(micom(0x15, 0x20, 0x0C, 0x10, "SN1"));
  dispatch(std::string("$\x2A\x81\x1E") + "CA\x03");
  dispatch("$\x03");
  EXPECT_EQ(log_monitor_text(), "");
  // The short block did not use up the once-per-set-up line.
  std::string area(200, '.');
  dispatch(micom(0xCD, 0x20, 0x00, 0xC8, area));
  EXPECT_EQ(lines().size(), 6u);
}

}  // namespace
}  // namespace vesk
