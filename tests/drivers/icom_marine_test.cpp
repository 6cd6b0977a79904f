// Icom marine sentences and PCR commands: the reference sentences with their lengths, every
// checksum of every marine type recomputed here over the bytes between "$" and "*", and the
// PCR's frequency and level commands.
#include "tests/drivers/driver_fixture.h"

#include <gtest/gtest.h>

#include <string>

#include "radio/drivers/icom_marine.h"
#include "radio/drivers/radio_types.h"

namespace vesk {
namespace {

// The NMEA checksum, computed independently of the builders.
std::string nmea_sum(const std::string& sentence) {
  const auto star = sentence.find('*');
  unsigned x = 0;
  for (std::size_t i = 1; i < star; ++i) x ^= static_cast<unsigned char>(sentence[i]);
  char hex[3];
  std::snprintf(hex, sizeof hex, "%02X", x);
  return hex;
}

TEST(IcomMarine, ReferenceSentences) {
  const struct {
    CatCommand got;
    const char* want;
  } cases[] = {
      {icmarine_sentence('1', "REMOTE,OFF", true), "$PICOA,90,01,REMOTE,OFF*17\r\n"},
      {icmarine_sentence('1', "REMOTE,ON", true), "$PICOA,90,01,REMOTE,ON*59\r\n"},
      {icmarine_sentence('1', "AGC,ON", true), "$PICOA,90,01,AGC,ON*18\r\n"},
      {icmarine_sentence('1', "SQLC,OFF", true), "$PICOA,90,01,SQLC,OFF*1E\r\n"},
      {icmarine_sentence('8', "SQLC,OFF", true), "$PICOA,90,08,SQLC,OFF*17\r\n"},  // the id is summed too
      {icmarine_sentence('1', "RXF," + icmarine_freq(7100000)), "$PICOA,90,01,RXF,007.100000\r\n"},
      {icmarine_sentence('1', "SP,ON"), "$PICOA,90,01,SP,ON\r\n"},
      {icmarine_sentence('1', "AFG,008"), "$PICOA,90,01,AFG,008\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got.text(), c.want);
  EXPECT_EQ(cases[0].got.length, 28);
  EXPECT_EQ(cases[5].got.length, 29);
  EXPECT_EQ(cases[6].got.length, 20);
}

TEST(IcomMarine, EveryChecksumOfEveryType) {
  for (int type = DB_ICM700PRO; type <= DB_ICF7000; ++type) {
    for (const char* body : {"REMOTE,ON", "REMOTE,OFF", "AGC,ON", "AGC,OFF", "SQLC,OFF"}) {
      const std::string s = icmarine_sentence(icmarine_id(type), body, true).text();
      ASSERT_NE(s.find('*'), std::string::npos);
      EXPECT_EQ(s.substr(s.find('*') + 1, 2), nmea_sum(s)) << s;
      EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
    }
  }
}

TEST(Pcr, FrequencyAndLevelCommands) {
  const CatCommand k = pcr_freq_mode(7100000, MODE_USB);
  EXPECT_EQ(k.text(), "K00007100000010000\n");
  EXPECT_EQ(k.length, 19);
  EXPECT_EQ(pcr_freq_mode(14250000, MODE_FM).text(), "K00014250000050200\n");
  // Levels as two hex digits: AF 50 is 127, AF 5 is 12 ("J400C").
  EXPECT_EQ(pcr_hex("J40", static_cast<int>(50 * 2.55)).text(), "J407F\n");
  EXPECT_EQ(pcr_hex("J40", static_cast<int>(5 * 2.55)).text(), "J400C\n");
  EXPECT_EQ(pcr_hex("J43", 140).text(), "J438C\n");
}

}  // namespace
}  // namespace vesk
