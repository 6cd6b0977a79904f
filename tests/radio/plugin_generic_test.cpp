// The plug-in radio library and the generic command file through radio set-up, channel
// setting and keying on the recording serial fake.
#include "tests/radio/radio_fixture.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/options.h"
#include "db/tables.h"
#include "radio/channel.h"
#include "radio/drivers/radio_types.h"
#include "radio/family_ops.h"
#include "radio/generic_radio.h"
#include "radio/keying.h"
#include "radio/radio_setup.h"
#include "radio/radio_shutdown.h"
#include "radio/serial_poll.h"

namespace vesk {
namespace {

class PluginGenericTest : public test::RadioFixture {
 protected:
  PluginGenericTest() {
    db_set_option_int(opt::EMULATION_ENABLED, 0);
    db_set_rts_ptt(0);
    db_set_dtr_ptt(0);
  }
  std::string writes() {
    std::string s;
    for (const auto& w : fake().writes(1)) s += (s.empty() ? "" : "|") + w.second;
    return s;
  }
  static ChannelRecord channel(int number, int hz) {
    ChannelRecord ch{};
    ch.number = static_cast<uint8_t>(number);
    ch.in_use = 1, ch.permission = CHANNEL_BX;
    ch.rx_freq_hz = ch.tx_freq_hz = hz;
    return ch;
  }
};

// The test library (built beside this program) records its commands.
std::vector<int> plugin_commands() {
  const std::string beside = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "vesk_test_radio_plugin.so";
  void* h = dlopen(beside.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h == nullptr) return {};
  auto get = reinterpret_cast<int (*)(int*, int)>(dlsym(h, "TestCommands"));
  int out[256];
  const int n = get(out, 256);
  dlclose(h);
  return {out, out + n};
}

TEST_F(PluginGenericTest, PluginSetUpCommandsPortAndKeying) {
  db_set_plugin_file("vesk_test_radio_plugin.so");
  db_set_radio_type(DB_DLL_RADIO);
  radio_setup();
  run_ms(200);
  EXPECT_TRUE(fake().is_open(1));
  const auto settings = fake().events(1, FakeSerialBackend::Kind::Settings);
  ASSERT_FALSE(settings.empty());
  EXPECT_EQ(settings.back().bytes, "4800,N,8,2");
  EXPECT_EQ(serial_reply_terminators(SERIAL_ROLE_RADIO).first, ';');
  EXPECT_EQ(serial_reply_terminators(SERIAL_ROLE_RADIO).second, ';');
  EXPECT_TRUE(log_has("[Radio Setup: DLL RADIO being initialized]"));
  // 3, 4, 5, 6, 10, 8 at set-up; the release of the set-up (2).
  EXPECT_EQ(plugin_commands(), (std::vector<int>{3, 4, 5, 6, 10, 8, 2}));

  // A channel reaches the library (0), which sends through the station's queue.
  fake().clear_events();
  ChannelRecord ch = channel(1, 7102500);
  db_store_channel(1, ch);
  radio_set_channel(1, ch);
  run_ms(100);
  EXPECT_EQ(writes(), "F7102500;");
  ptt_on();
  ptt_off();
  const std::vector<int> after = plugin_commands();
  EXPECT_EQ(std::vector<int>(after.end() - 3, after.end()), (std::vector<int>{0, 1, 2}));
  // The station's shut-down reaches the library (9).
  radio_shutdown();
  EXPECT_EQ(plugin_commands().back(), 9);
}

// A library that cannot be loaded: one notice, and the radio port stays closed.
TEST_F(PluginGenericTest, MissingPluginLeavesThePortClosed) {
  db_set_plugin_file("no_such_radio_library.so");
  db_set_radio_type(DB_DLL_RADIO);
  radio_setup();
  EXPECT_TRUE(log_has("Unable to load Radio DLL "));
  EXPECT_FALSE(fake().is_open(1));
  // A relative path is never taken from the working folder.
  EXPECT_FALSE(radio_plugin_load("./vesk_test_radio_plugin.so"));
}

TEST(GenericTokens, ParseCases) {
  const struct {
    const char* text;
    std::string bytes;
  } cases[] = {{"!D254!D254!A1!D13", "\xFE\xFE" "1\r"}, {"!A1!A2", "12"}, {"!D300", "\x2C"},
               {"!A!D13", std::string("!\r")},           {"", ""},        {"!X5 words, !d1", "\x01"}};
  for (const auto& c : cases) EXPECT_EQ(generic_parse_tokens(c.text), c.bytes) << c.text;
}

// GENERIC.TXT from the station folder: its port settings, a channel's sequence; lines
// outside the table or too long are refused with a line; channels from 100 on send nothing.
TEST_F(PluginGenericTest, GenericFileThroughTheStation) {
  {
    std::ofstream f(station().path("GENERIC.TXT"));
    f << "# CHAN1 !D1\nCPARAMS 4800,N,8,1\nCHAN1 !D1\nCHAN5 !D254!D254!A1!D13\nCHAN120 !D9\nSTOP !A1!A2\n"
      << "CHAN7";
    for (int i = 0; i < 60; ++i) f << " !D65";
    f << "\n";
  }
  db_set_radio_type(DB_GENERIC);
  radio_setup();
  run_ms(300);
  const auto settings = fake().events(1, FakeSerialBackend::Kind::Settings);
  ASSERT_FALSE(settings.empty());
  EXPECT_EQ(settings.back().bytes, "4800,N,8,1");
  EXPECT_TRUE(log_has("GENERIC.TXT CHAN 120 refused: channels 0 to 99"));
  EXPECT_TRUE(log_has("GENERIC.TXT CHAN 7 refused: 60 bytes, at most 49"));
  const struct {
    int number;
    std::string sent;
  } cases[] = {{1, "\x01"}, {5, "\xFE\xFE" "1\r"}, {7, ""}, {2, ""}, {150, ""}};
  for (const auto& c : cases) {
    fake().clear_events();
    ChannelRecord ch = channel(c.number, 7000000);
    radio_set_channel(c.number, ch);
    run_ms(100);
    EXPECT_EQ(writes(), c.sent) << c.number;
  }
  EXPECT_TRUE(log_has("GENERIC.TXT has no sequence for channel 150 (channels 0 to 99)"));
  // The station's shut-down sends the STOP sequence.
  fake().clear_events();
  radio_shutdown();
  run_ms(100);
  EXPECT_EQ(writes(), "12");
}

}  // namespace
}  // namespace vesk
