// The host port's line assembly and line handler, with the port stopped (no replies): what
// each line changes in the station.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "command/host_port.h"
#include "db/options.h"
#include "db/tables.h"
#include "tests/command/command_fixture.h"

namespace vesk {
namespace {

class HostLineTest : public test::CommandFixture {
 protected:
  void line(const std::string& text) { host_handle_line(text.data(), text.size()); }
  void bytes(const std::string& text) { host_collect_bytes(text.data(), text.size()); }
  int twr_ms(int index) {
    DbLock lock;
    return lock.db().other[index].twr_ms;
  }
};

TEST_F(HostLineTest, SettingLines) {
  const struct {
    const char* line;
    int twa_secs;
  } cases[] = {
      {"LINKTIMEOUT:600", 600}, {"LINKTIMEOUT:0", 10000}, {"LINKTIMEOUT:", 10000}, {"LINKTIMEOUT: 42x", 42},
  };
  for (const auto& c : cases) {
    db_set_twa_secs(1);
    line(c.line);
    EXPECT_EQ(db_get_twa_secs(), c.twa_secs) << c.line;
  }
  // A number of seconds beyond the range of milliseconds is held at its end, not wrapped.
  line("WAITRX:99999999999");
  EXPECT_EQ(twr_ms(0), INT_MAX);
  line("WAITRX:3");
  EXPECT_EQ(twr_ms(99), 3000);
  for (const char* text : {"RXAUTOFILL:1", "RXAUTOFILL:2", "RXAUTOFILL"}) {
    line(text);
    EXPECT_EQ(db_get_rx_autofill(), 1) << text;
  }
  line("RXAUTOFILL:0");
  EXPECT_EQ(db_get_rx_autofill(), 0);
}

TEST_F(HostLineTest, LineAssembly) {
  // A line split across receives, ended by CR LF, runs once, whole.
  bytes("LINKTIMEOUT:6");
  bytes("00\r\nLINKTIMEOUT:7");
  EXPECT_EQ(db_get_twa_secs(), 600);
  bytes("\n");
  EXPECT_EQ(db_get_twa_secs(), 7);
  // Only the first 179 characters of a longer line count: the 5 at character 180 is dropped.
  bytes("LINKTIMEOUT:" + std::string(167, '0') + "5\nLINKTIMEOUT:8");
  EXPECT_EQ(db_get_twa_secs(), 10000);
  bytes("\n");
  EXPECT_EQ(db_get_twa_secs(), 8);
}

}  // namespace
}  // namespace vesk
