// The HF90M's channel memory load at set-up, through the station's radio control on the
// recording serial fake: 256 channels give 3 + 256 lines, each record with a correct
// checksum and its channel in byte 10; the load waits for room in the radio queue, so no
// queued command is overwritten.
#include "tests/radio/radio_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "db/options.h"
#include "db/tables.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_setup.h"

namespace vesk {
namespace {

using Hf90mStationTest = test::RadioFixture;

TEST_F(Hf90mStationTest, LoadOf256ChannelsCapturedToAFile) {
  db_set_option_int(opt::EMULATION_ENABLED, 0);
  for (int n = 1; n <= 256; ++n) {
    ChannelRecord ch{};
    ch.rx_freq_hz = 2000000 + n * 10000;
    ch.tx_freq_hz = n % 2 == 0 ? ch.rx_freq_hz : ch.rx_freq_hz + 1000;
    ch.rx_mode = ch.tx_mode = n % 3 == 0 ? MODE_LSB : MODE_USB;
    db_store_channel(n, ch);
  }
  db_set_radio_type(DB_HF90M);
  radio_setup();
  run_ms(20000);
  const std::string path = std::string(::testing::TempDir()) + "hf90m_load.txt";
  {
    std::ofstream out(path, std::ios::binary);
    for (const auto& w : fake().writes(1)) out << w.second;
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 3u + 256u);
  EXPECT_EQ(lines.front(), "L1808\r");
  EXPECT_EQ(lines[257], ":00000001FF\r");
  EXPECT_EQ(lines[258], "V05\r");
  for (int n = 1; n <= 256; ++n) {
    const std::string& l = lines[static_cast<std::size_t>(n)];
    ASSERT_EQ(l.size(), 28u) << l;  // ':', 26 digits, CR (LF ends the line)
    unsigned sum = 0;
    std::vector<unsigned> b;
    for (int i = 0; i < 13; ++i) b.push_back(static_cast<unsigned>(std::stoul(l.substr(1 + 2 * i, 2), nullptr, 16)));
    for (unsigned v : b) sum += v;
    EXPECT_EQ(sum % 256, 0u) << l;                // the record's checksum
    EXPECT_EQ(b[2], (n * 8) & 0xFFu) << l;        // addresses repeat from channel 32 on ...
    EXPECT_EQ(b[10], (n + 1) & 0xFFu) << l;       // ... the channel + 1 tells them apart
  }
}

}  // namespace
}  // namespace vesk
