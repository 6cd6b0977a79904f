// The radio emulation port's CI-V side on the recording serial fake: the answers a program
// gets, what reaches the radio, and the two requests handled more safely than a radio would.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "radio/drivers/radio_types.h"
#include "radio/emulation.h"
#include "radio/keying.h"
#include "radio/serial_queue.h"

namespace vesk {
namespace {

class EmulationTest : public test::RadioFixture {
 protected:
  EmulationTest() {
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
    open(SERIAL_ROLE_RADIO_EMUL, 12, "19200,N,8,1");
    open(SERIAL_ROLE_RADIO, 1, "4800,N,8,2");
    db_set_radio_type(DB_KENWOOD);  // takes the emulation port's frequency requests
    ChannelRecord ch{};
    ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = 7102500;
    ch.rx_mode = ch.tx_mode = MODE_USB;
    db_store_channel(1, ch);
    db_select_channel(1);
  }
  // What the frame brought back on the emulation port and what it sent to the radio.
  std::pair<std::string, std::string> request(std::vector<uint8_t> frame) {
    fake().clear_events();
    emul_handle_frame(frame.data(), static_cast<int>(frame.size()));
    run_ms(100);
    std::string back, radio;
    for (const auto& w : fake().writes(12)) back += (back.empty() ? "" : " | ") + FakeSerialBackend::hex(w.second);
    for (const auto& w : fake().writes(1)) radio += (radio.empty() ? "" : "|") + w.second;
    return {back, radio};
  }
};

TEST_F(EmulationTest, QueriesAndFixedAnswers) {
  const struct {
    std::vector<uint8_t> frame;
    const char* back;
  } cases[] = {
      {{0xFE, 0xFE, 0x66, 0xE0, 0x19, 0x00, 0xFD}, "FE FE E0 66 19 66 FD"},
      {{0xFE, 0xFE, 0x12, 0x34, 0x19, 0x00, 0xFD}, "FE FE E0 66 19 66 FD"},  // any addresses
      {{0xFE, 0xFE, 0x66, 0xE0, 0x03, 0xFD},
       "FE FE E0 66 03 00 25 10 07 00 FD | FE FE E0 66 03 00 25 10 07 00 FD"},
      {{0xFE, 0xFE, 0x66, 0xE0, 0x04, 0xFD}, "FE FE E0 66 04 01 FD"},
      {{0xFE, 0xFE, 0x66, 0xE0, 0x15, 0x13, 0xFD}, "FE FE E0 66 15 13 00 60 FD"},
      {{0xFE, 0xFE, 0x66, 0xE0, 0x16, 0x02, 0xFD}, "FE FE E0 66 16 02 00 FD"},
      {{0xFE, 0xFE, 0xFD}, ""},  // a CI-V frame that matches nothing
  };
  for (const auto& c : cases) EXPECT_EQ(request(c.frame).first, c.back);
}

// Set frequency: every digit is read and the bounds apply (144 MHz is not taken for 44 MHz).
TEST_F(EmulationTest, FrequencyRequests) {
  const struct {
    std::vector<uint8_t> digits;
    int requested;
    const char* radio;
  } cases[] = {
      {{0x00, 0x50, 0x34, 0x07, 0x00}, 7345000, "FA00007345000;"},
      {{0x00, 0x00, 0x00, 0x44, 0x01}, 88000000, "FA00088000000;"},
      {{0x00, 0x50, 0x00, 0x00, 0x00}, 10000, "FA00000010000;"},
      {{0x00, 0x00, 0x00, 0x99, 0x00}, 88000000, "FA00088000000;"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> f{0xFE, 0xFE, 0x66, 0xE0, 0x05};
    f.insert(f.end(), c.digits.begin(), c.digits.end());
    f.push_back(0xFD);
    const auto [back, radio] = request(f);
    EXPECT_EQ(back, "");  // no answer to a set command
    EXPECT_EQ(emul_requested_freq(), c.requested);
    EXPECT_EQ(radio, c.radio);
  }
}

// Transmit and receive; a tuner request does not key the transmitter (it is answered).
TEST_F(EmulationTest, KeyingAndTheTunerRequest) {
  auto [back, radio] = request({0xFE, 0xFE, 0x66, 0xE0, 0x1C, 0x01, 0x01, 0xFD});
  EXPECT_EQ(back, "FE FE E0 66 1C 01 00 FD");
  EXPECT_EQ(radio_flags().ptt_active_flag.load(), 0);
  std::tie(back, radio) = request({0xFE, 0xFE, 0x66, 0xE0, 0x1C, 0x00, 0x01, 0xFD});
  EXPECT_EQ(back, "FE FE E0 66 1C 00 00 FD");
  EXPECT_EQ(radio_flags().ptt_active_flag.load(), 1);
  request({0xFE, 0xFE, 0x66, 0xE0, 0x1C, 0x00, 0x00, 0xFD});
  EXPECT_EQ(radio_flags().ptt_active_flag.load(), 0);
  // While scanning without a link every request is dropped, the fixed answer too.
  db_set_scan_active();
  std::tie(back, radio) = request({0xFE, 0xFE, 0x66, 0xE0, 0x1C, 0x00, 0x01, 0xFD});
  EXPECT_EQ(back, "");
  EXPECT_EQ(radio_flags().ptt_active_flag.load(), 0);
}

// Text commands (a TS-480): frequency and mode requests, status queries, keying and the fixed
// answers, odd ones included.
TEST_F(EmulationTest, TextCommands) {
  auto text = [this](const std::string& t) {
    return request(std::vector<uint8_t>(t.begin(), t.end()));
  };
  const struct {
    const char* frame;
    const char* back;   // the answers as text, " | " between
    const char* radio;  // what reached the radio
  } cases[] = {
      {"FA00014070000;", "FA00014070000;", "FA00014070000;"},
      {"xyFA00014070000;", "FA00014070000;", "FA00014070000;"},  // the last 14 bytes
      {"FA00144000000;", "FA00144000000;", "FA00088000000;"},    // every digit, then the bound
      {"FA00014070005;", "", ""},                                 // not a multiple of 10 Hz
      {"MD1;", "MD1;", "MD1;"},
      {"MD8;", "MD8;", "MD2;"},
      {"FA;", "FA00007102500;", ""},
      {"MD;", "MD2;", ""},
      {"IF;", "IF00007102500     +00000000002000000 ;", ""},
      {"ID;", "ID020;", ""},
      {"BY;", "BC10;", ""},
      {"VG;", "VD005;", ""},
      {"GT;", "GT001; | GT000;", ""},  // both entries answer
      {"AI0;", "AI0;", ""},
      {"AI0000;", "", ""},
      {"RX;", "", "RX;"},  // before any transmit command: unkeyed, nothing answered
      {"TX1;", "TX0;", "TX;"},
      {"RX;", "RX0;", "RX;"},
      {"MR;", "MR000100010000000200000000000000000000010AAAAAAAA;", ""},  // 50 bytes, whole
  };
  for (const auto& c : cases) {
    auto [back, radio] = text(c.frame);
    // Decode the hex answers back to text for the comparison.
    std::string decoded;
    for (std::size_t i = 0; i < back.size();) {
      if (back[i] == ' ' && i + 2 < back.size() && back[i + 1] == '|') {
        decoded += " | ";
        i += 3;
        continue;
      }
      if (back[i] == ' ') {
        ++i;
        continue;
      }
      decoded += static_cast<char>(std::stoi(back.substr(i, 2), nullptr, 16));
      i += 2;
    }
    EXPECT_EQ(decoded, c.back) << c.frame;
    EXPECT_EQ(radio, c.radio) << c.frame;
  }
}

}  // namespace
}  // namespace vesk
