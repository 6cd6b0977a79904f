// Harris command texts and the RF590 frame beside the golden table: the reference texts, the
// RF-350 ALK memory record, and the RF590 CRC checked by an independent CRC.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include "radio/drivers/harris.h"
#include "radio/drivers/radio_types.h"

namespace vesk {
namespace {

// CRC-16/XMODEM computed a second way: the message as one polynomial, divided bit by bit.
uint16_t crc_by_division(const std::vector<uint8_t>& bytes) {
  uint32_t reg = 0;
  for (uint8_t byte : bytes) {
    for (int bit = 7; bit >= 0; --bit) {
      reg = reg << 1 | ((byte >> bit) & 1u);
      if (reg & 0x10000u) reg ^= 0x11021u;
    }
  }
  for (int i = 0; i < 16; ++i) {  // the 16 appended zero bits
    reg <<= 1;
    if (reg & 0x10000u) reg ^= 0x11021u;
  }
  return static_cast<uint16_t>(reg);
}

TEST(HarrisText, ReferenceCommands) {
  const struct {
    std::string got;
    const char* want;
  } cases[] = {
      {"RXF " + rf5022_digits(14250000), "RXF 1425000"},
      {"RXF " + rf5022_digits(3500000), "RXF 0350000"},
      {"RXFREQ " + harris_mhz_text(9999990), "RXFREQ 9.99999"},
      {"RXFREQ " + harris_mhz_text(10000000), "RXFREQ 10.00000"},
      {rf350alk_freq_text(5000), "F0001000"},  // the 10 kHz floor
      {rf350alk_freq_text(29999990), "F2999999"},
      {rf590a_bandwidth_text(20000), "$1,I16.0"},
      {rf3200_channel_text(7), "CH 07"},
      {rf3200_channel_text(12), "CH 12"},
      {rf3200_channel_text(0), "CH 01"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
  EXPECT_EQ(harris_text("RXFREQ " + harris_mhz_text(9999990)).length, 15);

  ChannelRecord ch{};
  ch.number = 12, ch.in_use = 1, ch.rx_freq_hz = 7102500, ch.rx_mode = MODE_USB;
  EXPECT_EQ(harris_text(rf350alk_memory_record(ch), '\n').text(), "UP1207102501\n");
  ch.number = 3, ch.rx_mode = MODE_FSK_R;  // no mode digit: 1
  EXPECT_EQ(rf350alk_memory_record(ch), "UP0307102501");
}

// The RF590 frame: the CRC spans the command and value bytes (offsets 6 and 7) and goes high
// byte first; an independent CRC agrees, for every frequency frame of 7,102,500 Hz and the
// mode frames.
TEST(HarrisText, Rf590FramesAndTheirCrc) {
  EXPECT_EQ(crc16_xmodem(reinterpret_cast<const uint8_t*>("123456789"), 9), 0x31C3);  // the check value
  EXPECT_EQ(crc_by_division({'1', '2', '3', '4', '5', '6', '7', '8', '9'}), 0x31C3);
  const struct {
    uint8_t command, value;
  } frames[] = {{0xC1, 0x07}, {0xC3, 0x10}, {0xC5, 0x25}, {0xC7, 0x00}, {0xC9, 0x03}, {0xC9, 0x08}};
  for (const auto& f : frames) {
    const CatCommand c = rf590_frame(f.command, f.value);
    ASSERT_EQ(c.length, 10);
    EXPECT_EQ(test::hex(c.bytes, 8).substr(0, 17), "FF F5 01 01 02 02");
    EXPECT_EQ(c.bytes[5], c.bytes[2] ^ c.bytes[3] ^ c.bytes[4]);
    const uint16_t crc = crc_by_division({f.command, f.value});
    EXPECT_EQ(c.bytes[8], crc >> 8);
    EXPECT_EQ(c.bytes[9], crc & 0xFF);
  }
}

}  // namespace
}  // namespace vesk
