// ALFA's window, offscreen, in the multi-station simulator beside BRAVO: the operator's
// Individual Call and Individual Clear through the dialogs link and unlink both stations.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <QAction>
#include <QToolBar>

#include "db/log.h"
#include "db/options.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/ui/qt/qt_fixture.h"
#include "ui/qt/call_dialogs.h"
#include "ui/qt/options_dialog.h"
#include "ui/qt/radio_panel.h"
#include "ui/qt/views.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

TEST(WindowInSimulator, IndividualCallAndClearFromTheDialogs) {
  test::qt_app();
  const fs::path examples = fs::path(VESK_SOURCE_DIR) / "stations";
  SimOptions o;
  o.stations = {{"ALFA", (examples / "alfa").string()}, {"BRAVO", (examples / "bravo").string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  o.duration_ms = 80000;
  std::unique_ptr<CMainFrame> frame;
  QString view_when_linked;
  bool called = false, cleared = false;
  o.on_step = [&](int64_t now, const std::string& name) {
    if (name != "ALFA") return;
    if (!frame && now >= 1000) {
      frame = std::make_unique<CMainFrame>(false);
      frame->show();
      frame->station_started();
    }
    if (!frame) return;
    QApplication::processEvents();
    frame->take_posts();
    if (!called && now >= 10000) {
      called = true;
      frame->run_command(32779);  // Call > Individual
      auto* dialog = qobject_cast<CIndividualCallDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTest::keyClicks(dialog->address->lineEdit(), "bravo");
      dialog->accept();
    }
    if (called && !cleared && now >= 50000) {
      cleared = true;
      view_when_linked = frame->m_mainView->toPlainText();
      frame->run_command(156);  // the tool bar's Individual Clear
      auto* dialog = qobject_cast<CIndividualClearDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->address->currentText(), "BRAVO") << "preset to the linked station";
      dialog->accept();
    }
  };
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
  });
  EXPECT_TRUE(cleared);
  EXPECT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
  EXPECT_TRUE(r.linked("BRAVO", "ALFA"));
  EXPECT_TRUE(view_when_linked.contains("[LINKED  ][BRAVO          ]")) << "ALFA's own view shows the link";
  EXPECT_GE(r.at("ALFA", "[RADIO: ALE INDIVIUAL CLEAR LINK]"), 50.0);
  // The clear ends the link on both.
  EXPECT_GT(r.at("ALFA", "[CLEARED ][BRAVO          ]"), 50.0) << r.text;
  EXPECT_GT(r.at("BRAVO", "[CLEARED ][ALFA           ]"), 50.0);
}

// Start Scan from ALFA's tool bar makes ALFA scan; BRAVO's call links; Kill ends it on both.
TEST(WindowInSimulator, StartScanFromTheToolBarThenKill) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  fs::create_directories(alfa);
  std::ofstream(alfa / "CONFIG.DAT") << "ADD OWN ALFA\nADD CHANNEL 7000000\nADD CHANNEL 10145000\n"
                                        "ADD CHANNEL 14109000\nADD OTHER BRAVO\n";
  // BRAVO, which hears no clear from a Kill, leaves the link at its own time-out of 60 s.
  const fs::path bravo = fs::path(root.path()) / "bravo";
  test::make_station_folder(bravo, [] { db_set_twa_secs(60); },
                            "ADD OWN BRAVO\nADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD CHANNEL 14109000\n"
                            "ADD OTHER ALFA\nENABLE SCANNING\n");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  o.duration_ms = 110000;
  o.commands = {{15000, "BRAVO", "CALL ALFA"}};
  std::unique_ptr<CMainFrame> frame;
  bool started = false, killed = false;
  o.on_step = [&](int64_t now, const std::string& name) {
    if (name != "ALFA") return;
    if (!frame && now >= 1000) {
      frame = std::make_unique<CMainFrame>(false);
      frame->show();
      frame->station_started();
    }
    if (!frame) return;
    QApplication::processEvents();
    frame->take_posts();
    if (!started && now >= 3000) {
      started = true;
      for (QAction* a : frame->m_wndToolBar->actions())
        if (a->toolTip() == "Start") a->trigger();
    }
    if (!killed && now >= 50000) {
      killed = true;
      for (QAction* a : frame->m_wndToolBar->actions())
        if (a->toolTip() == "Kill current Link or Outgoing Call") a->trigger();
    }
  };
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
  });
  EXPECT_GT(r.at("ALFA", "SCANNING STARTED"), 3.0) << r.text;
  EXPECT_TRUE(r.linked("ALFA", "BRAVO"));
  EXPECT_TRUE(r.linked("BRAVO", "ALFA"));
  // Kill ends ALFA's link at once (its unlinked script runs); BRAVO, which hears nothing of
  // it, leaves at its time-out.
  EXPECT_GE(r.at("ALFA", "UNLINKED.DAT", 49.9), 50.0);
  EXPECT_LT(r.at("ALFA", "UNLINKED.DAT", 49.9), 50.1);
  EXPECT_GT(r.at("BRAVO", "[TIME OUT]", 50.0), 50.0);
}

// The radio panel's START makes a stopped ALFA scan; "Sounding" checked in the options dialog
// makes it sound, and BRAVO hears it.
TEST(WindowInSimulator, PanelStartAndSoundingFromTheOptions) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa";
  fs::create_directories(alfa);
  std::ofstream(alfa / "CONFIG.DAT") << "ADD OWN ALFA\nADD CHANNEL 7000000\nADD CHANNEL 10145000\n"
                                        "ADD CHANNEL 14109000\nADD OTHER BRAVO\n";
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", (fs::path(VESK_SOURCE_DIR) / "stations" / "bravo").string()}};
  o.channel = "awgn";
  o.snr_db = 10;
  o.duration_ms = 150000;
  std::unique_ptr<CMainFrame> frame;
  bool started = false, sounding = false;
  o.on_step = [&](int64_t now, const std::string& name) {
    if (name != "ALFA") return;
    if (!frame && now >= 1000) {
      frame = std::make_unique<CMainFrame>(false);
      frame->show();
      frame->station_started();
    }
    if (!frame) return;
    QApplication::processEvents();
    frame->take_posts();
    if (!started && now >= 3000) {
      started = true;
      frame->run_command(32853);  // Tools > Radio Control
      frame->m_dlgRadioPanel->buttons.at("START")->click();
      frame->m_dlgRadioPanel->accept();
    }
    if (!sounding && now >= 5000) {
      sounding = true;
      frame->run_command(32810);  // Configuration > MIL-STD 188-141 Options
      auto* options = qobject_cast<CMil141OptionsDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(options, nullptr);
      options->checks[0]->setChecked(true);  // "Sounding"
      options->accept();
    }
  };
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
  });
  EXPECT_GT(r.at("ALFA", "SCANNING STARTED"), 3.0) << r.text;
  const double sent = r.at("ALFA", "[SCANNING: SENDING TIS SOUNDING]");
  EXPECT_GT(sent, 5.0);
  EXPECT_GT(r.at("BRAVO", "[SND][               ][TIS][ALFA", sent), sent) << "BRAVO hears it";
}

}  // namespace
}  // namespace vesk
