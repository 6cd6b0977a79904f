// The Skanti 8250's pacing buffer on simulated time (through the family's operations): the
// set-up bytes and their pauses, a refusal that empties the buffer, a channel without a
// frequency, and the refresh step.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"

namespace vesk {
namespace {

class SkantiTest : public test::DriverTest {
 protected:
  SkantiTest() { set_type(DB_SKANTI_8250); }
  const RadioTypeRow& row() { return configured_radio(); }
  const FamilyOps& ops() { return radio_ops(row()); }
  void restart() {
    sent.clear();
    start_ms_ = clock_->mono_ms();
  }
  void reply(std::initializer_list<uint8_t> frame) {
    const std::vector<uint8_t> f(frame);
    ops().on_reply(f.data(), static_cast<int>(f.size()));
  }
  static ChannelRecord channel(int hz) {
    ChannelRecord ch{};
    ch.rx_freq_hz = ch.tx_freq_hz = hz;
    return ch;
  }
};

TEST_F(SkantiTest, SetUpBytesAndPauses) {
  ops().setup_start(row());
  settle(2000);
  // 40 ms after a byte, 200 ms after a command's last byte; bit 7 never reaches the radio.
  EXPECT_EQ(sent_golden(), "01 | +40 02 | +200 6C | +200 4B | +200 58 | +200 42");
}

TEST_F(SkantiTest, RefusalEmptiesTheBufferAndRestartsCommandMode) {
  ops().setup_start(row());
  settle(100);  // 01 and 02 gone; "l", "K", "X", "B" still waiting
  restart();
  reply({0x06});  // an acknowledgement changes nothing
  reply({0x21, 0x15});
  settle(2000);
  EXPECT_EQ(sent_golden(), "01 | +40 0D | +200 02 | +40 0D");
}

TEST_F(SkantiTest, ReceiveFrequencyAndTheRefreshStep) {
  ops().channel_freq_mode(row(), channel(0));  // no frequency: nothing, nothing remembered
  ops().channel_freq_mode(row(), channel(7123450));
  settle(2000);
  EXPECT_EQ(sent_golden(), "3A | +40 30 | +40 37 | +40 31 | +40 32 | +41 33 | +40 34 | +40 0D");
  restart();
  ops().channel_freq_mode(row(), channel(0));
  ops().refresh(row());
  settle(2000);
  EXPECT_EQ(sent_golden(), "3B | +40 30 | +40 37 | +40 31 | +40 32 | +41 33 | +40 34 | +40 0D");
}

}  // namespace
}  // namespace vesk
