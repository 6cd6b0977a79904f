#include "radio/drivers/kenwood_identify.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/log.h"
#include "radio/drivers/icom_civ.h"
#include "radio/drivers/radio_types.h"
#include "radio/radio_events.h"
#include "radio/serial_queue.h"
#include "tests/drivers/driver_fixture.h"

namespace vesk {
namespace {

// Drives the reply entry with frames and keeps the "Radio Setup" texts in the order written.
// The radio's timer is the engine's in the station; here each start is run to its expiry on
// the simulated clock.
class KenwoodIdentifyTest : public test::DriverTest {
 protected:
  KenwoodIdentifyTest() {
    SerialTimerHooks& timers = serial_timer_hooks();
    timers.start = [this](int event, int ms) {
      if (event == EV_RADIO_CONFIG_TIMER) timer_ = {event, ms};  // not the queue's reply timeout
    };
    timers.stop = [](int) {};
    log_set_sink([this](LogText, const std::string& line) {
      const std::string head = "[Radio Setup: ";
      const auto p = line.find(head);
      ASSERT_NE(p, std::string::npos) << line;
      ASSERT_EQ(line.substr(line.size() - 2), "]\n");
      lines.push_back(line.substr(p + head.size(), line.size() - p - head.size() - 2));
    });
  }
  // The reply only; the series' pauses are left to the timer.
  void reply_only(int type, const std::string& frame) {
    set_type(type);
    kenwood_handle_reply(reinterpret_cast<const uint8_t*>(frame.c_str()), static_cast<int>(frame.size()));
  }
  // One timer expiry; false when no timer runs.
  bool expire() {
    if (timer_.first == 0) return false;
    const auto [event, ms] = timer_;
    timer_ = {0, 0};
    clock_->advance_ms(ms);
    kenwood_setup_timer(event);
    return true;
  }
  void reply(int type, const std::string& frame) {
    reply_only(type, frame);
    while (expire()) {
    }
  }
  bool has_line(const std::string& l) const {
    for (const auto& x : lines) {
      if (x == l) return true;
    }
    return false;
  }
  int64_t elapsed_ms() const { return clock_->mono_ms() - start_ms_; }
  std::vector<std::string> lines;
  std::pair<int, int> timer_{0, 0};
};

// The series goes out on the radio's timer, one pause per expiry, and the reply returns at
// once; a radio repeating its identity does not start it over until the next radio set-up.
TEST_F(KenwoodIdentifyTest, SeriesRunsOnTheTimerOncePerSetUp) {
  reply_only(DB_KENWOOD, "ID019;");
  EXPECT_EQ(elapsed_ms(), 0);
  EXPECT_EQ(timer_, std::make_pair(static_cast<int>(EV_RADIO_CONFIG_TIMER), 200));
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;"}));
  for (int i = 0; i < 100; ++i) reply_only(DB_KENWOOD, "ID019;");
  EXPECT_EQ(sent.size(), 1u) << "a repeated identity starts nothing";
  while (expire()) {
  }
  EXPECT_EQ(sent.size(), 13u);
  EXPECT_EQ(elapsed_ms(), 15 * 200);
  reply(DB_KENWOOD, "ID019;");
  EXPECT_EQ(sent.size(), 13u);

  kenwood_identify_reset();  // the next radio set-up
  reply(DB_KENWOOD, "ID019;");
  EXPECT_EQ(sent.size(), 26u);
  reply(DB_KENWOOD, "ID020;");  // another model
  EXPECT_EQ(kenwood_model(), 20);
  EXPECT_EQ(sent.size(), 40u);
  EXPECT_EQ(lines.back(), "Kenwood TS-480 series has been initialized");
}

TEST_F(KenwoodIdentifyTest, Ts2000OnKenwood) {
  reply(DB_KENWOOD, "ID019;");
  EXPECT_EQ(kenwood_model(), 19);
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;", "SC0;", "RT0;", "XT0;", "AL000;", "AM0;", "BC0;", "NR0;",
                                                    "NT0;", "PR0;", "RA00;", "SL04;", "SH08;"}));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "Kenwood TS-2000 series has been detected");
  EXPECT_EQ(lines[1], "Kenwood TS-2000 supports SPLIT VFO for QS/S");
  EXPECT_EQ(lines[2], "Kenwood TS-2000 Auto Information set to OFF");
  EXPECT_TRUE(has_line("Pleaes set your TS-2000 AGC for ALE"));
  EXPECT_TRUE(has_line("Kenwood TS-2000 DSP BW HIGH END to 3000hz"));
  EXPECT_EQ(lines.back(), "Kenwood TS-2000 series has been initialized");
  // Thirteen command pauses and two advice-line pauses of 200 ms: the sleeps went through
  // the station's clock.
  EXPECT_EQ(elapsed_ms(), 15 * 200);
  // The identity reply itself is never acknowledged.
  EXPECT_EQ(acks, 0);
}

TEST_F(KenwoodIdentifyTest, Ts480OnKenwood3IgnoresTheDisabledOption) {
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  reply(DB_KENWOOD3, "ID020;");
  EXPECT_EQ(kenwood_model(), 20);
  EXPECT_EQ(lines[0], "Kenwood TS-480 series has been detected");
  EXPECT_EQ(lines[2], "Kenwood TS-480 Auto Information set to OFF");
  EXPECT_EQ(lines[3], "Kenwood TS-480 SPLIT MODE set to ON for QS/S");
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;", "SC0;", "RT0;", "XT0;", "BC0;", "DL000;", "GT001;", "NR0;",
                                                    "NT0;", "PR0;", "RA00;", "SL04;", "SH08;", "AN1;"}));
  EXPECT_TRUE(has_line("Kenwood TS-480 DSP BW HIGH END to 2600hz"));
}

TEST_F(KenwoodIdentifyTest, UnknownIdentityTakesTheFallback) {
  reply(DB_KENWOOD2, "ID021;");  // TS-590 is known to the KENWOOD group only
  EXPECT_EQ(kenwood_model(), 0);
  EXPECT_EQ(lines[0], "UNKNOWN Kenwood radio type has been detected");
  EXPECT_NE(lines[1].find("@example."), std::string::npos);
  EXPECT_EQ(lines[2], "UNKNOWN Kenwood will be treated as supporting SPLIT VFO for QS/S");
  EXPECT_EQ(lines[3], "UNKNOWN Kenwood radio Auto Information set to OFF");
  EXPECT_EQ(lines[4], "UNKNOWN Kenwood radio SPLIT MODE set to ON for QS/S");
  EXPECT_TRUE(has_line("UNKNOWN Kenwood radio AGC set to FAST"));
  EXPECT_EQ(lines.back(), "UNKNOWN Kenwood radio initialized as TS-480");
  EXPECT_EQ(sent.size(), 14u);
}

TEST_F(KenwoodIdentifyTest, KenwoodFallbackStoresTs590AndLaterRepeatsTheKnownModel) {
  reply(DB_KENWOOD, "ID007;");
  EXPECT_EQ(kenwood_model(), 21);
  EXPECT_EQ(lines.back(), "UNKNOWN Kenwood radio initialized as a TS-590");

  kenwood_set_model(0);
  reply(DB_KENWOOD, "ID020;");
  lines.clear();
  sent.clear();
  kenwood_identify_reset();  // a new radio set-up
  reply(DB_KENWOOD_HS, "ID007;");  // the twin behaves the same
  EXPECT_EQ(kenwood_model(), 20);
  EXPECT_EQ(lines.front(), "Kenwood TS-480 series has been detected");
}

TEST_F(KenwoodIdentifyTest, OnlyFiveBytesCountAndShortIdentitiesMatchNothing) {
  reply(DB_KENWOOD, "ID0201;");
  EXPECT_EQ(kenwood_model(), 20);
  kenwood_set_model(0);
  lines.clear();
  kenwood_identify_reset();
  reply(DB_KENWOOD3, "ID;");
  EXPECT_EQ(kenwood_model(), 0);
  EXPECT_EQ(lines.back(), "UNKNOWN Kenwood radio initialized as TS-480");
  EXPECT_EQ(acks, 0);
}

TEST_F(KenwoodIdentifyTest, OtherFramesOnlyAcknowledge) {
  for (const char* f : {"id020;", "FA00007040000;", ";", "I;"}) reply(DB_KENWOOD, f);
  EXPECT_EQ(acks, 4);
  EXPECT_TRUE(sent.empty());
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(kenwood_model(), 0);
}

TEST_F(KenwoodIdentifyTest, DisabledPreconfigurationOnKenwood) {
  db_set_option_int(opt::RADIO_PRECONFIG_DISABLED, 1);
  reply(DB_KENWOOD, "ID015;");
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;"}));
  EXPECT_EQ(lines, (std::vector<std::string>{"Kenwood TS-870S has been detected", "Kenwood TS-870S supports SPLIT VFO for QS/S",
                                             "Kenwood TS-870S AUTO INFORMATION set to OFF",
                                             "Radio Setup Preconfiguration is Disabled",
                                             "Kenwood TS-870S has been initialized"}));
  EXPECT_EQ(elapsed_ms(), 0);

  // The TS-690S is not affected: its whole sequence goes out.
  sent.clear();
  lines.clear();
  reply(DB_KENWOOD, "ID011;");
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;", "SC0;", "RT0;", "XT0;", "MX0;"}));
  EXPECT_EQ(lines[3], "Kenwood TS-690S SPLIT MODE set to ON for QS/S");
}

TEST_F(KenwoodIdentifyTest, Ts870sOnKenwood4) {
  reply(DB_KENWOOD4_HS, "ID015;");
  EXPECT_EQ(sent_texts(), (std::vector<std::string>{"AI0;", "SC0;", "RT0;", "XT0;", "AN1;", "BC0;", "EQ0;", "GT255;",
                                                    "NR0;", "NT0;", "PR0;", "IS2600;", "FW2600;", "RA00;"}));
  int short_prefix = 0;
  for (const auto& l : lines) short_prefix += l.rfind("Kenwood TS-870 ", 0) == 0;
  EXPECT_EQ(short_prefix, 7);
  EXPECT_TRUE(has_line("Kenwood TS-870 AGC set to FAST"));
  // 'IS2600;' pauses before and after its line.
  std::size_t is = 0;
  while (sent_text(is) != "IS2600;") ++is;
  EXPECT_EQ(sent[is + 1].ms - sent[is].ms, 400);
  EXPECT_EQ(sent[is].ms - sent[is - 1].ms, 200);
}

TEST_F(KenwoodIdentifyTest, Ts450sFilterStepHasNoPrefixAndNoPause) {
  reply(DB_KENWOOD, "ID010;");
  EXPECT_TRUE(has_line("Selected FILTERS of THRU/2.4Khz"));
  EXPECT_EQ(sent_texts().back(), "FL001007;");
  EXPECT_FALSE(has_line("Please select FILTERS of 2.4Khz or better"));
  EXPECT_EQ(elapsed_ms(), 5 * 200);  // AI0, SC0, RT0, XT0, MX0
}

}  // namespace
}  // namespace vesk

namespace vesk {
namespace {

// Whatever a radio sends, the reply entries read only the frame they were given (the
// sanitizer builds check that) and answer by the rule: CI-V by byte 4 of a FE FE frame,
// Kenwood by whether the frame starts "ID".
TEST(ReplyEntries, ArbitraryFramesFollowTheRule) {
  uint32_t seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, static_cast<uint8_t>(seed >> 16); };
  const uint8_t prefixes[][2] = {{'I', 'D'}, {0xFE, 0xFE}, {0, 0}};
  for (int i = 0; i < 3000; ++i) {
    const int n = next() % 12;
    std::vector<uint8_t> f(static_cast<std::size_t>(n));
    for (auto& b : f) b = next() % 4 == 0 ? "ID0123;"[next() % 7] : next();
    if (n >= 2 && next() % 2) f[0] = prefixes[i % 3][0], f[1] = prefixes[i % 3][1];
    int32_t model = 0;
    const auto plan = kenwood_setup_plan(DB_KENWOOD3, f.data(), n, model, 0);
    EXPECT_EQ(plan.empty(), !(n >= 2 && f[0] == 'I' && f[1] == 'D'));
    const CatReply r = civ_parse_reply(f.data(), n);
    if (n < 5 || f[0] != 0xFE || f[1] != 0xFE) {
      EXPECT_EQ(r, CatReply::Ignore);
    }
  }
}

}  // namespace
}  // namespace vesk
