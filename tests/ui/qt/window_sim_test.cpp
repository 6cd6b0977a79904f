// ALFA's window, offscreen, in the multi-station simulator beside BRAVO: the operator's
// Individual Call and Individual Clear through the dialogs link and unlink both stations; DO
// CMD, the data bar, the message, file, key and recorder dialogs reach the station's subsystems.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <QAction>
#include <QToolBar>

#include "db/log.h"
#include "db/options.h"
#include "db/tables.h"
#include "platform/station.h"
#include "sim/multi_station.h"
#include "tests/sim/sim_run.h"
#include "tests/ui/qt/qt_fixture.h"
#include "ui/qt/call_dialogs.h"
#include "ui/qt/config_dialogs.h"
#include "ui/qt/db_dialogs.h"
#include "ui/qt/message_dialogs.h"
#include "ui/qt/options_dialog.h"
#include "ui/qt/radio_panel.h"
#include "ui/db_dialogs.h"
#include "ui/qt/views.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// ALFA and BRAVO in the folders given, each knowing the other and scanning the one channel,
// with `alfa_setup` and `bravo_setup` run on their databases; on an AWGN channel.
SimOptions alfa_and_bravo(const fs::path& alfa, const fs::path& bravo, const std::function<void()>& alfa_setup = [] {},
                          const std::function<void()>& bravo_setup = [] {}) {
  test::make_station_folder(alfa, alfa_setup, "ADD OWN ALFA\nADD CHANNEL 7000000\nADD OTHER BRAVO\nENABLE SCANNING\n");
  test::make_station_folder(bravo, bravo_setup, "ADD OWN BRAVO\nADD CHANNEL 7000000\nADD OTHER ALFA\nENABLE SCANNING\n");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
  o.channel = "awgn";
  return o;
}

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
  const SimStep on_step = [&](int64_t now, const std::string& name) {
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
  }, on_step);
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
  const SimStep on_step = [&](int64_t now, const std::string& name) {
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
  }, on_step);
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
  const SimStep on_step = [&](int64_t now, const std::string& name) {
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
  }, on_step);
  EXPECT_GT(r.at("ALFA", "SCANNING STARTED"), 3.0) << r.text;
  const double sent = r.at("ALFA", "[SCANNING: SENDING TIS SOUNDING]");
  EXPECT_GT(sent, 5.0);
  EXPECT_GT(r.at("BRAVO", "[SND][               ][TIS][ALFA", sent), sent) << "BRAVO hears it";
}

// ALFA's window opened at 1 s and fed its posts at every ALFA step; `act` runs after that.
SimStep window_steps(std::unique_ptr<CMainFrame>& frame,
                                                              std::function<void(int64_t)> act) {
  return [&frame, act](int64_t now, const std::string& name) {
    if (name != "ALFA") return;
    if (!frame && now >= 1000) {
      frame = std::make_unique<CMainFrame>(false);
      frame->show();
      frame->station_started();
    }
    if (!frame) return;
    QApplication::processEvents();
    frame->take_posts();
    act(now);
  };
}

// DO CMD runs a host-port line (CALLTI: calls BRAVO); a DTM text from the data bar arrives in
// BRAVO's log; a file chosen in the File Transfer dialog arrives in BRAVO's download folder.
TEST(WindowInSimulator, DoCmdDataBarAndFileTransferReachBravo) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
  SimOptions o = alfa_and_bravo(alfa, bravo);
  fs::create_directories(bravo / "download");
  const fs::path note = fs::path(root.path()) / "NOTE.TXT";
  std::ofstream(note) << "A SHORT NOTE FOR BRAVO\n";
  o.snr_db = 10;
  o.seed = 1;
  o.duration_ms = 120000;
  std::unique_ptr<CMainFrame> frame;
  int step = 0;
  const SimStep on_step = window_steps(frame, [&](int64_t now) {
    if (step == 0 && now >= 5000) {
      ++step;
      frame->m_wndStatusDlgBar->command->setText("CALLTI:BRAVO");
      frame->OnDoCmd();
    }
    if (step == 1 && now >= 30000) {
      ++step;
      DataBar* bar = frame->m_wndDataBar;
      bar->address->setText("bravo");
      bar->text->setText("HELLO FROM THE DATA BAR");
      bar->dtm->setChecked(true);
      frame->OnEnter();
      EXPECT_TRUE(bar->text->text().isEmpty());
    }
    if (step == 2 && now >= 50000) {
      ++step;
      frame->run_command(32845);  // Data > FTP XFER
      auto* dialog = qobject_cast<CFileTransferDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      dialog->address->setEditText("BRAVO");
      dialog->dbm->click();
      dialog->path = note.string();
      dialog->accept();
    }
  });
  std::string saved;
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
    std::ifstream in(station().path("download/NOTE.TXT"));
    if (name == "BRAVO") saved.assign(std::istreambuf_iterator<char>(in), {});
  }, on_step);
  EXPECT_EQ(step, 3);
  EXPECT_GT(r.at("ALFA", "[LINKED  ][BRAVO"), 5.0) << r.text;
  EXPECT_GT(r.at("BRAVO", "HELLO FROM THE DATA BAR", 30.0), 30.0) << "the DTM text arrives";
  EXPECT_GT(r.at("ALFA", "[MSG SENT][BRAVO          ]", 30.0), 30.0);
  EXPECT_EQ(r.count_of("ALFA", "NOT AVAILABLE"), 0);
  EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED] download\\NOTE.TXT"), 1) << r.text;
  EXPECT_EQ(saved, "A SHORT NOTE FOR BRAVO\n");
}

// Inside an AQC-ALE link: the Quick AMD typed into ALFA's dialog goes out as coded words and
// BRAVO shows it expanded (log and AMD store); Meet Me gives BRAVO the meeting channel 0.
TEST(WindowInSimulator, QuickAmdAndMeetMeInAnAqcLink) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
  SimOptions o = alfa_and_bravo(alfa, bravo, [] { db_set_aqc_mode(1); }, [] { db_set_aqc_mode(1); });
  o.snr_db = 20;
  o.duration_ms = 75000;
  o.commands = {{10000, "ALFA", "CALL BRAVO"}};
  std::unique_ptr<CMainFrame> frame;
  int step = 0;
  const SimStep on_step = window_steps(frame, [&](int64_t now) {
    if (step == 0 && now >= 30000) {
      ++step;
      frame->run_command(32932);  // Ctrl+Q: Quick AMD
      auto* d = qobject_cast<CQuickAmdMessageDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr) << "Quick AMD opens in an AQC-ALE link";
      QTest::keyClicks(d->text, "hi there");
      d->addresses->add->setCurrentIndex(d->addresses->add->findText("BRAVO"));
      d->addresses->add->activated(d->addresses->add->currentIndex());
      d->accept();
    }
    if (step == 1 && now >= 45000) {
      ++step;
      frame->run_command(32902);  // AQC > Meet Me
      auto* d = qobject_cast<CMeetMeDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->rx->setText("7100000");
      d->tx->setText("7100000");
      d->addresses->add->setCurrentIndex(d->addresses->add->findText("BRAVO"));
      d->addresses->add->activated(d->addresses->add->currentIndex());
      d->accept();
    }
  });
  std::string bravo_amds;
  int bravo_meet_hz = 0;
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
    if (name != "BRAVO") return;
    bravo_amds = info_amd_received();
    ChannelRecord ch0{};
    db_copy_channel(0, &ch0);
    bravo_meet_hz = ch0.rx_freq_hz;
  }, on_step);
  EXPECT_EQ(step, 2);
  ASSERT_GE(r.at("BRAVO", "[AQC LINKED  ][ALFA  ]"), 0) << r.text;
  EXPECT_GT(r.at("BRAVO", "[AMD][ALFA  ][HI THERE ][CRC OK]", 30), 30) << r.text;
  EXPECT_NE(bravo_amds.find("[ALFA           ][HI THERE"), std::string::npos) << "[" << bravo_amds << "]";
  EXPECT_EQ(bravo_meet_hz, 7100000) << r.text;
}

// A station's data-pane lines (neither log lines nor status texts), joined without their line
// breaks: each received block is a line of its own.
std::string pane_text(const test::SimRun& r, const std::string& who) {
  std::string out;
  const std::string mark = " " + who + " ";
  for (const std::string& l : r.lines) {
    const auto at = l.find(mark);
    if (at == std::string::npos || at > 10 || std::atof(l.c_str()) < 1.0) continue;
    const std::string text = l.substr(at + mark.size());
    if (text.rfind("[", 0) == 0 || text.rfind("STATUS ", 0) == 0) continue;
    out += text;
  }
  return out;
}

// A DBM typed into ALFA's DBM dialog while ALFA scans calls BRAVO, links and the text lands in
// BRAVO's data pane, acknowledged (ARQ) or not (BRD).
TEST(WindowInSimulator, DbmFromTheDialogWhileIdleLinksAndArrives) {
  test::qt_app();
  const std::string message = "PACK MY BOX WITH FIVE DOZEN LIQUOR JUGS";
  // ARQ: BRAVO acknowledges the data (it keys after the link); BRD: BRAVO stays silent.
  const struct {
    bool broadcast;
  } cases[] = {{false}, {true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.broadcast ? "BRD" : "ARQ");
    test::TempDir root;
    const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
    SimOptions o = alfa_and_bravo(alfa, bravo);
    o.snr_db = 10;
    o.seed = 1;
    o.duration_ms = 60000;
    std::unique_ptr<CMainFrame> frame;
    bool sent = false;
    const SimStep on_step = window_steps(frame, [&](int64_t now) {
      if (sent || now < 5000) return;
      sent = true;
      frame->run_command(32928);  // Ctrl+B: DBM message
      auto* d = qobject_cast<CDbmMessageDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      QTest::keyClicks(d->text, QString::fromStdString(message));
      d->address->setEditText("BRAVO");
      (c.broadcast ? d->brd : d->arq)->setChecked(true);
      d->accept();
    });
    const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
      if (name == "ALFA") frame.reset();
    }, on_step);
    EXPECT_TRUE(sent);
    EXPECT_GT(r.at("ALFA", "DBM IMMEDIATE MODE INDIVIDUAL CALL LINK"), 5.0) << r.text;
    EXPECT_TRUE(r.linked("BRAVO", "ALFA")) << r.text;
    EXPECT_NE(pane_text(r, "BRAVO").find(message), std::string::npos) << r.text;
    EXPECT_GT(r.at("ALFA", "[MSG SENT][BRAVO          ]"), 5.0);
    const double linked = r.at("BRAVO", "[LINKED  ][ALFA");
    EXPECT_EQ(r.at("BRAVO", "PTT now ACTIVE", linked) > 0, !c.broadcast) << r.text;
    }
}

// The TWX mode set LINKED in ALFA's modem options dialog enables the 188-110 message dialog;
// its message, given while ALFA scans, calls BRAVO and arrives there once.
TEST(WindowInSimulator, Mil110MessageFromTheDialogArrivesOnce) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
  SimOptions o = alfa_and_bravo(alfa, bravo, [] {}, [] { db_set_twx_mode(1); });
  o.snr_db = 15;
  o.seed = 1;
  o.duration_ms = 70000;
  std::unique_ptr<CMainFrame> frame;
  int step = 0;
  bool opened_while_off = true;
  const SimStep on_step = window_steps(frame, [&](int64_t now) {
    if (step == 0 && now >= 3000) {
      ++step;
      frame->run_command(32862);  // Data > FS-1052 MSG, greyed while the TWX mode is OFF
      opened_while_off = qobject_cast<CMil110MessageDlg*>(QApplication::activeModalWidget()) != nullptr;
      frame->run_command(32867);  // the modem options dialog
      auto* d = qobject_cast<CMil110OptionsDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->twx[1]->setChecked(true);  // LINKED
      d->accept();
    }
    if (step == 1 && now >= 5000) {
      ++step;
      frame->run_command(32929);  // Ctrl+M: the 188-110 message
      auto* d = qobject_cast<CMil110MessageDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      QTest::keyClicks(d->text, "ONE MESSAGE FOR BRAVO");
      d->address->setEditText("BRAVO");
      d->accept();
    }
  });
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
  }, on_step);
  EXPECT_EQ(step, 2);
  EXPECT_FALSE(opened_while_off);
  EXPECT_EQ(r.count_of("ALFA", "FS-1052 IMMEDIATE MODE INDIVIDUAL CALL LINK"), 1) << r.text;
  EXPECT_TRUE(r.linked("BRAVO", "ALFA")) << r.text;
  EXPECT_EQ(r.count_of("BRAVO", "ONE MESSAGE FOR BRAVO"), 1) << r.text;
  // A second copy of the text would fail on its own and be logged so.
  EXPECT_EQ(r.count_of("ALFA", "[FS-1052 Message Confirm ID "), 1);
  EXPECT_EQ(r.count("FS-1052 Message ID"), 0);
  EXPECT_EQ(r.count("TRANSMISSION NOT SENT"), 0);
  EXPECT_GT(r.at("ALFA", "[CLEARED ][BRAVO"), 0) << "the link is cleared once the message is sent";
}

// The encryption key typed into ALFA's dialog is the one its secure file transfer uses: with
// BRAVO's key the file arrives whole, with another key BRAVO keeps nothing.
TEST(WindowInSimulator, EncryptionKeyFromTheDialogSecuresTheFileTransfer) {
  test::qt_app();
  static constexpr uint8_t kBravoKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xFE, 0xDC, 0xBA, 0x98,
                                            0x76, 0x54, 0x32, 0x10, 0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  const struct {
    const char* typed;
    bool arrives;
  } cases[] = {
      {"0123456789abcdeffedcba9876543210133457799bbcdff1", true},
      {"0123456789ABCDEFFEDCBA9876543210133457799BBCDFF2", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    test::TempDir root;
    const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
    test::make_station_folder(alfa, [] { db_set_secure_transfers(1); },
                              "ADD OWN ALFA\nADD CHANNEL 7000000\nADD OTHER BRAVO\nENABLE SCANNING\n");
    test::make_station_folder(bravo,
                              [] {
                                db_set_transfer_keys(kBravoKey);
                                db_set_secure_transfers(1);
                              },
                              "ADD OWN BRAVO\nADD CHANNEL 7000000\nADD OTHER ALFA\nENABLE SCANNING\n");
    fs::create_directories(bravo / "download");
    const fs::path note = fs::path(root.path()) / "NOTE.TXT";
    std::ofstream(note) << "FOR BRAVO'S EYES ONLY\n";
    SimOptions o;
    o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
    o.channel = "awgn";
    o.snr_db = 10;
    o.seed = 1;
    o.duration_ms = 90000;
    o.commands = {{10000, "ALFA", "CALL BRAVO"}};
    std::unique_ptr<CMainFrame> frame;
    int step = 0;
    const SimStep on_step = window_steps(frame, [&](int64_t now) {
      if (step == 0 && now >= 3000) {
        ++step;
        frame->run_command(32860);  // the encryption key dialog
        auto* dialog = qobject_cast<CEncryptionKeyDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->key->clear();
        QTest::keyClicks(dialog->key, c.typed);
        dialog->accept();
      }
      if (step == 1 && now >= 30000) {
        ++step;
        frame->run_command(32845);  // Data > FTP XFER
        auto* dialog = qobject_cast<CFileTransferDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->address->setEditText("BRAVO");
        dialog->dbm->click();
        dialog->path = note.string();
        dialog->accept();
      }
    });
    std::string saved = "(none)";
    const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
      if (name == "ALFA") frame.reset();
      if (name != "BRAVO" || !fs::exists(station().path("download/NOTE.TXT"))) return;
      std::ifstream in(station().path("download/NOTE.TXT"));
      saved.assign(std::istreambuf_iterator<char>(in), {});
    }, on_step);
    EXPECT_EQ(step, 2);
    ASSERT_TRUE(r.linked("ALFA", "BRAVO")) << r.text;
    EXPECT_GT(r.at("ALFA", "[LOCAL][SENDING]", 30.0), 30.0) << r.text;
    if (c.arrives) {
      EXPECT_EQ(saved, "FOR BRAVO'S EYES ONLY\n") << r.text;
      EXPECT_GT(r.at("ALFA", "[REMOTE][TRANSFER] OK download\\NOTE.TXT", 30.0), 30.0);
    } else {
      EXPECT_EQ(saved, "(none)") << r.text;
      EXPECT_EQ(r.count_of("BRAVO", "[LOCAL][SAVED]"), 0);
      EXPECT_GT(r.at("BRAVO", "[LOCAL]FTP CRC failure", 30.0), 30.0);
      EXPECT_GT(r.at("ALFA", "[REMOTE][TRANSFER] FAIL", 30.0), 30.0);
    }
  }
}

// The key typed in the Linking Protection Keys dialog is the one ALFA's protected call uses:
// BRAVO, holding the same key, links; with another key typed, the call reaches no one.
TEST(WindowInSimulator, KeyFromTheKeyDialogLinksProtectedStations) {
  test::qt_app();
  const struct {
    const char* typed;
    bool links;
  } cases[] = {{"c2284a1ce7be2f", true}, {"c2284a1ce7be2e", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    test::TempDir root;
    const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
    test::make_station_folder(alfa, [] { db_enable_lp(); },
                              "ADD OWN ALFA\nADD CHANNEL 7000000\nADD OTHER BRAVO\nENABLE SCANNING\n");
    test::make_station_folder(bravo,
                              [] {
                                const int32_t key[2] = {0xC2284A, static_cast<int32_t>(0x1CE7BE2Fu)};
                                db_set_lp_key(0, key, 1 << 1);
                                db_enable_lp();
                              },
                              "ADD OWN BRAVO\nADD CHANNEL 7000000\nADD OTHER ALFA\nENABLE SCANNING\n");
    SimOptions o;
    o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}};
    o.channel = "awgn";
    o.snr_db = 10;
    o.seed = 1;
    o.duration_ms = 60000;
    o.commands = {{10000, "ALFA", "CALL BRAVO"}};
    std::unique_ptr<CMainFrame> frame;
    bool keyed = false;
    const SimStep on_step = window_steps(frame, [&](int64_t now) {
      if (keyed || now < 3000) return;
      keyed = true;
      frame->run_command(32822);  // Linking Protection Keys
      auto* dialog = qobject_cast<CLinkingProtectionKeysDlg*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      QTest::keyClicks(dialog->keys[0], c.typed);
      dialog->levels[0][0]->setChecked(false);  // AL1 alone
      dialog->levels[0][1]->setChecked(true);
      dialog->accept();
    });
    const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
      if (name == "ALFA") frame.reset();
    }, on_step);
    EXPECT_TRUE(keyed);
    EXPECT_EQ(r.linked("ALFA", "BRAVO"), c.links) << r.text;
    EXPECT_EQ(r.linked("BRAVO", "ALFA"), c.links);
    if (!c.links) { EXPECT_EQ(r.count_of("BRAVO", "STATUS 1: RESPONDING"), 0) << "BRAVO never answers"; }
  }
}

// Tools > Tracing with "Trace RX words" checked: ALFA traces the words of BRAVO's sounding.
TEST(WindowInSimulator, TracingDialogTracesTheWordsOfASounding) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo";
  SimOptions o = alfa_and_bravo(alfa, bravo);
  o.snr_db = 20;
  o.duration_ms = 135000;
  o.commands = {{5000, "BRAVO", "ENABLE SOUNDING"}};
  std::unique_ptr<CMainFrame> frame;
  bool set = false;
  const SimStep on_step = window_steps(frame, [&](int64_t now) {
    if (set || now < 2000) return;
    set = true;
    frame->run_command(32836);  // Tools > Tracing
    auto* dialog = qobject_cast<CTracingDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->rx_words->setChecked(true);
    dialog->accept();
  });
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name == "ALFA") frame.reset();
  }, on_step);
  const double sent = r.at("BRAVO", "[SCANNING: SENDING TIS SOUNDING]");
  ASSERT_GT(sent, 5.0) << r.text;
  EXPECT_GT(r.at("ALFA", "[TIS BRAVO", sent), sent) << r.text;
}

// The Recorder Parameters dialog switches ALFA's recorder on: the call BRAVO and CHARLIE
// exchange is recorded into the folder the dialog names.
TEST(WindowInSimulator, RecorderDialogRecordsAHeardCall) {
  test::qt_app();
  test::TempDir root;
  const fs::path alfa = fs::path(root.path()) / "alfa", bravo = fs::path(root.path()) / "bravo",
                 charlie = fs::path(root.path()) / "charlie";
  const std::string channels = "ADD CHANNEL 7000000\nADD CHANNEL 10145000\nADD CHANNEL 14109000\nENABLE SCANNING\n";
  test::make_station_folder(alfa, [] {}, "ADD OWN ALFA\n" + channels);
  test::make_station_folder(bravo, [] {}, "ADD OWN BRAVO\nADD OTHER CHARLIE\n" + channels);
  test::make_station_folder(charlie, [] {}, "ADD OWN CHARLIE\nADD OTHER BRAVO\n" + channels);
  fs::create_directories(alfa / "rec");
  SimOptions o;
  o.stations = {{"ALFA", alfa.string()}, {"BRAVO", bravo.string()}, {"CHARLIE", charlie.string()}};
  o.channel = "awgn";
  o.snr_db = 20;
  o.duration_ms = 60000;
  o.commands = {{10000, "BRAVO", "CALL CHARLIE"}, {30000, "BRAVO", "AMD CHARLIE HELLO"}};
  std::unique_ptr<CMainFrame> frame;
  bool set = false;
  const SimStep on_step = window_steps(frame, [&](int64_t now) {
    if (set || now < 2000) return;
    set = true;
    frame->run_command(32839);  // Configuration > Recorder
    auto* dialog = qobject_cast<CRecorderParametersDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->enabled->setChecked(true);
    dialog->max_secs->setText("20");
    dialog->path->setText("rec");
    dialog->accept();
  });
  const fs::path kept = fs::path(root.path()) / "kept";
  const test::SimRun r = test::sim_collect(o, [&](const std::string& name) {
    if (name != "ALFA") return;
    frame.reset();
    std::error_code ec;
    fs::copy(station().path("rec"), kept, ec);
  }, on_step);
  ASSERT_TRUE(r.linked("BRAVO", "CHARLIE")) << r.text;
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(kept, ec)) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u) << r.text;
  EXPECT_EQ(files[0].extension(), ".wav");
  EXPECT_GT(fs::file_size(files[0]), 8000u * 2 * 5) << "at least five seconds of 8 kHz audio";
}

}  // namespace
}  // namespace vesk
