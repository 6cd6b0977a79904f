#include "radio/drivers/cat_contract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/log.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/kenwood.h"
#include "radio/drivers/radio_types.h"
#include "tests/drivers/driver_fixture.h"
// After the options header: <termios.h>, which the serial layer includes, defines ECHO.
#include "tests/support/serial_harness.h"

namespace vesk {
namespace {

using ContractTest = test::DriverTest;

int tune(RememberedChannel& memory, const ChannelRecord& ch) {
  return driver_tune_channel(
      memory, &ch, [](uint32_t hz) { return kenwood_set_vfo_a_freq(cat_slot_next(), hz); },
      [](int mode) { return kenwood_set_mode(cat_slot_next(), mode); });
}

TEST_F(ContractTest, RememberedChannelSendsTheModeOnlyWhenItChanges) {
  ChannelRecord a{}, b{};
  a.rx_freq_hz = 7040000;
  a.rx_mode = MODE_USB;
  b.rx_freq_hz = 10142000;
  b.rx_mode = MODE_USB;
  RememberedChannel memory;
  tune(memory, a);
  tune(memory, a);  // the same channel again: no mode
  tune(memory, b);  // another channel, same mode: no mode
  a.rx_mode = MODE_LSB;
  tune(memory, a);  // the remembered channel's current mode is compared
  memory.forget();
  tune(memory, a);  // forgotten: the mode goes out again
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"FA00007040000;", "MD2;", "FA00007040000;", "FA00010142000;",
                                                    "FA00007040000;", "MD1;", "FA00007040000;", "MD1;"}));
}

TEST(Contract, LongCommandsLeaveWholeAndOverflowingBuildsAreRefused) {
  test::SerialHarness h;
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO, 1, "9600,N,8,1"));
  std::string log;
  log_set_sink([&](LogText, const std::string& line) { log += line; });
  const std::string long_cmd(60, 'A');
  cat_send(reinterpret_cast<const uint8_t*>(long_cmd.data()), 60);
  EXPECT_EQ(h.fake().written(1), long_cmd);
  // A built command that did not fit its builder is never sent cut.
  CatCommand c;
  c.put(long_cmd.c_str());
  EXPECT_EQ(cat_send(c), -1);
  h.run_ms(200);
  EXPECT_EQ(h.fake().written(1), long_cmd);
  EXPECT_NE(log.find("[RADIO ERROR: Command not sent. Longer than 49 bytes.]"), std::string::npos) << log;
  log_set_sink(nullptr);
}

TEST(Contract, AfGainOutsideTheRangeIsHeld) {
  EXPECT_EQ(test::hex(civ_frame_af_gain(DB_IC7000, 300)), "FE FE 70 E0 14 01 02 55 FD");
  EXPECT_EQ(test::hex(civ_frame_af_gain(DB_IC7000, -7)), "FE FE 70 E0 14 01 00 00 FD");
}

TEST(Contract, EmulationAnswersLeaveAtOnce) {
  test::SerialHarness h;
  ASSERT_TRUE(h.open(SERIAL_ROLE_RADIO_EMUL, 12, "19200,N,8,1"));
  civ_emul_send_ok();
  civ_emul_send_ng();
  civ_emul_send_jam();
  EXPECT_EQ(test::hex(reinterpret_cast<const uint8_t*>(h.fake().written(12).data()),
                      static_cast<int>(h.fake().written(12).size())),
            "FE FE E0 66 FB FD FE FE E0 66 FA FD FC FC FC FC FC");
}

}  // namespace
}  // namespace vesk
