// The menu commands without dialogs, and the update rules over the station's states.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ale/engine/api_event.h"
#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "tests/ui/station_fixture.h"
#include "ui/commands.h"
#include "ui/db_dialogs.h"
#include "ui/menu_commands.h"

namespace vesk {
namespace {

// The rule of each kind of row over the station's states.
TEST(CommandRules, EnabledOverTheStates) {
  struct State {
    const char* name;
    CommandContext ctx;
  };
  CommandContext not_claimed;
  CommandContext idle_stopped{true, true, false, false, false, false, true, false};
  CommandContext scanning{true, true, false, false, true, false, true, false};
  CommandContext linked_141{true, false, true, false, false, true, true, true};
  CommandContext linked_aqc{true, false, true, true, false, true, true, true};
  CommandContext twx_linked{true, false, true, false, false, false, false, true};
  CommandContext aqc_idle{true, true, false, false, false, true, true, false};
  const State states[] = {{"not claimed", not_claimed}, {"idle", idle_stopped}, {"scanning", scanning},
                          {"141A link", linked_141},    {"AQC link", linked_aqc}, {"TWX LINKED", twx_linked},
                          {"AQC switch idle", aqc_idle}};
  // id: expected per state, in the order above.
  const struct {
    int id;
    std::array<bool, 7> on;
  } rows[] = {
      {32812, {true, true, false, true, true, true, true}},      // Start Scan
      {32813, {false, false, true, false, false, false, false}},  // Stop Scan
      {32849, {true, true, false, true, true, true, true}},      // Step Forward
      {32850, {true, true, false, true, true, true, true}},      // the tool bar's Step Back
      {32847, {false, false, false, false, false, false, false}},  // Scan > Step Back
      {32779, {false, true, true, false, false, false, true}},     // Call > Individual
      {32781, {true, true, true, false, false, false, false}},     // Call > Group
      {32786, {false, false, false, true, true, true, false}},     // Clear > Individual
      {32895, {false, false, false, false, true, false, false}},   // AQC > Dictionary AMD
      {32862, {false, false, false, false, false, true, false}},   // Data > FS-1052 MSG
      {166, {false, false, false, true, true, true, false}},       // Send AMD: link ready
      {32815, {true, true, true, true, true, true, true}},         // Kill
      {57635, {false, false, false, false, false, false, false}},  // Cut
  };
  for (const auto& r : rows) {
    const CommandRow* row = command_find(r.id);
    ASSERT_NE(row, nullptr) << r.id;
    for (std::size_t s = 0; s < 7; ++s)
      EXPECT_EQ(command_enabled(*row, states[s].ctx, true), r.on[s]) << r.id << " " << states[s].name;
    EXPECT_FALSE(command_enabled(*row, idle_stopped, false)) << "no handler: greyed";
  }
  // Guarded commands do nothing while not claimed; Stop Scan is not guarded.
  EXPECT_FALSE(command_may_run(*command_find(32812), not_claimed, true));
  CommandContext released_scanning = scanning;
  released_scanning.claimed = false;
  EXPECT_TRUE(command_may_run(*command_find(32813), released_scanning, true));
}

class MenuCommands : public test::SteppedStation {
 protected:
  MenuCommands() : SteppedStation("ADD OWN ALFA\nADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD OTHER BRAVO\n") {
    run_executor();
  }
};

TEST_F(MenuCommands, StartScanLinesInOrder) {
  db_set_twa_secs(0);
  db_set_listen_mode(1);
  db_set_linked_twx(0);
  while (ApiEvent* e = api_pop()) api_free(e);
  const std::size_t m = mark();
  app_start_scan();
  const std::string lines = since(m);  // newest first
  const std::size_t twx = lines.find("[OPTIONS: LINKED TWX AUTOMATICALLY ENABLED AT SCANNING START]");
  const std::size_t listen = lines.find("[OPTIONS: LISTEN MODE DISABLED AT SCANNING START]");
  const std::size_t twa = lines.find("[OPTIONS: TWA RESET TO 300 FROM 0 AT SCANNING START]");
  ASSERT_NE(twx, std::string::npos);
  ASSERT_NE(listen, std::string::npos);
  ASSERT_NE(twa, std::string::npos);
  EXPECT_GT(twx, listen);
  EXPECT_GT(listen, twa);
  ApiEvent* e = api_pop();
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->kind, API_START_SCANNING);
  api_free(e);
}

TEST_F(MenuCommands, ResetAmd) {
  AmdStoreEntry entry{};
  entry.valid = 1;
  std::snprintf(entry.text, sizeof entry.text, "KEEP");
  db_store_amd(entry);
  const std::size_t m = mark();
  app_reset_amd(false);
  EXPECT_EQ(since(m), "");
  EXPECT_NE(info_amd_received().find("KEEP"), std::string::npos);
  app_reset_amd(true);
  EXPECT_TRUE(logged("[OPSEC: All stored AMD messages have been deleted by the user]"));
  EXPECT_EQ(info_amd_received(), " NO AMD HAS BEEN RECEIVED\r\n");
}

TEST_F(MenuCommands, DumpThenLoadGivesTheSameTables) {
  mmi_run_line(std::string("ADD NET NET1 ALFA BRAVO"));
  const std::string file = station_.path("station.qrg").string();
  ASSERT_TRUE(app_dump_qrg_now(file));
  const std::string channels = info_channels_rows(), others = info_other_addresses_all(), nets = info_nets_all(),
                    own = info_own_addresses();
  test::TempDir fresh_dir;
  Station fresh(fresh_dir.path(), std::make_unique<SimClock>());
  {
    StationScope scope(fresh);
    db_open();
    app_load_qrg(file);
    while (mmi_executor_step()) {
    }
    EXPECT_EQ(info_channels_rows(), channels);
    EXPECT_EQ(info_other_addresses_all(), others);
    EXPECT_EQ(info_nets_all(), nets);
    EXPECT_EQ(info_own_addresses(), own);
  }
}

TEST_F(MenuCommands, FailedDumpKeepsTheOldFile) {
  const std::filesystem::path old = station_.path("old.qrg");
  std::ofstream(old) << "OLD CONTENTS\n";
  // The temporary file cannot be made (a folder has its name): the dump fails.
  std::filesystem::create_directory(station_.path("old.qrg.tmp"));
  EXPECT_FALSE(app_dump_qrg_now(old.string()));
  std::ifstream in(old);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "OLD CONTENTS\n");
  EXPECT_TRUE(logged("[FILE ERROR: QRG FILE " + old.string() + " NOT WRITTEN, THE OLD FILE IS KEPT]"));
}

}  // namespace
}  // namespace vesk
