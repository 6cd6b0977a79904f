// The main window over a whole station, offscreen: the views, the status bar and its title,
// the status dialog bar's controls, the posts of worker threads, the document commands.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QMenu>
#include <QMenuBar>
#include <QAction>
#include <QMessageBox>
#include <QScrollBar>
#include <fstream>
#include <sstream>
#include <thread>

#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "command/listings.h"
#include "db/options.h"
#include "radio/radio_hooks.h"
#include "radio/serial_queue.h"
#include "tests/ui/qt/qt_fixture.h"
#include "ui/commands.h"
#include "ui/document.h"
#include "ui/frame_actions.h"
#include "ui/qt/views.h"

namespace vesk {
namespace {

using test::FrameFixture;

std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class MainFrame : public FrameFixture {
 protected:
  QString monitor_view() const { return frame_->m_mainView->toPlainText(); }
  QString frame_view() const { return frame_->m_dataView->toPlainText(); }
  // The views hold exactly the log layer's texts.
  void expect_views_match() const {
    EXPECT_EQ(monitor_view(), log_text_for_view(log_monitor_text()));
    EXPECT_EQ(frame_view(), log_text_for_view(log_frame_text()));
  }
  QString pane(int i) const { return frame_->m_wndStatusBar[static_cast<std::size_t>(i)]->text(); }
  bool logged(const std::string& text) const { return log_monitor_text().find(text) != std::string::npos; }
  std::string monitor_file() const {
    for (const auto& e : std::filesystem::directory_iterator(path("owlog"))) return read_file(e.path());
    return {};
  }
  std::string frame_file() const {
    for (const auto& e : std::filesystem::directory_iterator(path("dalog"))) return read_file(e.path());
    return {};
  }
};

TEST_F(MainFrame, StartUpTextsInTheViewsAndPanes) {
  expect_views_match();
  EXPECT_TRUE(monitor_view().contains("[VESK-ALE Standard Edition (SE) v2.00 started."));
  QTest::qWait(20);
  EXPECT_EQ(frame_->m_mainView->cursorForPosition(QPoint(4, 4)).block().text(), monitor_view().section('\n', 0, 0))
      << "the newest line is the first one visible";
  EXPECT_EQ(pane(7), "7D1ST1SPNA");
  for (int i = 3; i <= 17; ++i) EXPECT_EQ(pane(i).toStdString(), report_status_pane(i)) << "pane " << i;
  EXPECT_TRUE(pane(8).startsWith("BRDT="));
  EXPECT_TRUE(pane(14).startsWith("MIN="));
  EXPECT_TRUE(pane(17).startsWith("ARQ"));
  EXPECT_EQ(frame_->windowTitle().toStdString(), kFrameStartTitle);
}

// The status texts arrive after the window is shown: a window narrower than they need grows,
// within the screen, until every pane shows its text whole.
TEST_F(MainFrame, StatusPanesShowTheirTextsWhole) {
  frame_->resize(600, 500);
  report_post_status_refresh();
  frame_->take_posts();
  QApplication::processEvents();
  for (int i = 0; i < 18; ++i) {
    const QLabel* p = frame_->m_wndStatusBar[static_cast<std::size_t>(i)];
    EXPECT_GE(p->contentsRect().width(), p->fontMetrics().horizontalAdvance(p->text())) << "pane " << i << " " << p->text().toStdString();
  }
}

TEST_F(MainFrame, NewestLineOnTopAndLinesInOrder) {
  log_printf("A\n");
  log_printf("B\n");
  log_frame_printf("F1\n");
  log_frame_printf("F2\n");
  frame_->take_posts();
  EXPECT_TRUE(monitor_view().startsWith("B\nA\n"));
  QTest::qWait(20);
  // The view shows its top: the newest line is the first one visible.
  EXPECT_EQ(frame_->m_mainView->cursorForPosition(QPoint(4, 4)).block().text(), "B");
  EXPECT_TRUE(frame_view().endsWith("F1\nF2\n"));
  expect_views_match();
}

// A reader who scrolled down keeps his text in view while new lines come in on top; back at
// the top, the newest line shows again.
TEST_F(MainFrame, ScrolledMonitorKeepsTheReadersPlace) {
  for (int i = 0; i < 300; ++i) log_printf("OLD %d\n", i);
  frame_->take_posts();
  QApplication::processEvents();
  CALEView* view = frame_->m_mainView;
  QScrollBar* bar = view->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 100);
  bar->setValue(bar->maximum() / 2);
  QApplication::processEvents();
  const QString read = view->cursorForPosition(QPoint(4, 4)).block().text();
  ASSERT_TRUE(read.startsWith("OLD"));
  for (int batch = 0; batch < 3; ++batch) {
    for (int i = 0; i < 7; ++i) log_printf("NEW %d %d\n", batch, i);
    frame_->take_posts();
    QApplication::processEvents();
    EXPECT_EQ(view->cursorForPosition(QPoint(4, 4)).block().text(), read) << batch;
  }
  bar->setValue(bar->minimum());
  log_printf("NEWEST\n");
  frame_->take_posts();
  QApplication::processEvents();
  EXPECT_EQ(view->cursorForPosition(QPoint(4, 4)).block().text(), "NEWEST");
}

// One text, one box: a box that is showing is not shown a second time.
TEST_F(MainFrame, SameWarningTwiceShowsOneBox) {
  auto boxes = [] {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) texts << box->text();
    texts.sort();
    return texts;
  };
  auto close_boxes = [] {
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) box->button(QMessageBox::Ok)->click();
    QApplication::processEvents();
  };
  close_boxes();  // the start-up's
  ASSERT_TRUE(boxes().isEmpty());
  radio_message_box("Serial Port 12 NOT Available for Radio Emulation");
  radio_message_box("Serial Port 12 NOT Available for Radio Emulation");
  radio_message_box("Serial Port 3 NOT Available");
  QApplication::processEvents();
  EXPECT_EQ(boxes(), (QStringList{"Serial Port 12 NOT Available for Radio Emulation", "Serial Port 3 NOT Available"}));
  close_boxes();
  radio_message_box("Serial Port 12 NOT Available for Radio Emulation");
  QApplication::processEvents();
  EXPECT_EQ(boxes(), QStringList{"Serial Port 12 NOT Available for Radio Emulation"}) << "once closed, it shows again";
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox*>(w) != nullptr) w->close();
}

// The AQC menu's items stand between separators; the tool bar ends with the two greyed
// buttons that carry no command.
TEST_F(MainFrame, AqcSeparatorsAndTheTwoGreyedButtons) {
  QMenu* aqc = nullptr;
  for (QAction* a : frame_->menuBar()->actions())
    if (a->text() == "AQC") aqc = a->menu();
  ASSERT_NE(aqc, nullptr);
  QStringList shape;
  for (QAction* a : aqc->actions()) shape << (a->isSeparator() ? "|" : "item");
  EXPECT_EQ(shape.join(' '), "item | item | item | item | item | item | item | item");
  const QList<QAction*> tools = frame_->m_wndToolBar->actions();
  ASSERT_GE(tools.size(), 3);
  for (QAction* a : {tools[tools.size() - 2], tools[tools.size() - 1]}) {
    EXPECT_FALSE(a->isSeparator());
    EXPECT_FALSE(a->isEnabled());
    EXPECT_FALSE(a->text().trimmed().isEmpty()) << "a face to be seen by";
    QWidget* button = frame_->m_wndToolBar->widgetForAction(a);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
  }
  EXPECT_TRUE(tools[tools.size() - 3]->isSeparator());
}

TEST_F(MainFrame, PostsFromFourThreadsShowTheLastText) {
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t)
    writers.emplace_back([this, t] {
      StationScope scope(station_);
      for (int i = 0; i < 2500; ++i) {
        log_printf("T%d %d\n", t, i);
        if (i % 100 == 0) log_frame_printf("F%d %d\n", t, i);
        if (i % 10 == 0) report_post_status_refresh();
      }
    });
  // The window keeps taking batches while they write.
  for (int i = 0; i < 20; ++i) {
    QTest::qWait(5);
    frame_->take_posts();
  }
  for (std::thread& w : writers) w.join();
  log_printf("LAST\n");
  QTRY_VERIFY_WITH_TIMEOUT(monitor_view().startsWith("LAST\n"), 5000);
  frame_->take_posts();
  expect_views_match();
}

TEST_F(MainFrame, MinimisedRefreshChangesOnlyTheTitle) {
  frame_->showMinimized();
  report_set_status_pane(5, "1500hz");
  report_post_status_refresh();
  frame_->take_posts();
  EXPECT_EQ(frame_->windowTitle().toStdString(),
            frame_minimised_title(report_status_pane(0), report_status_pane(1), report_status_pane(2)));
  EXPECT_NE(pane(5), "1500hz");
  EXPECT_TRUE(frame_->m_bIconTitle);
  frame_->showNormal();
  report_post_status_refresh();
  frame_->take_posts();
  EXPECT_EQ(frame_->windowTitle().toStdString(), kFrameRestoredTitle);
  EXPECT_EQ(pane(5), "1500hz");
  EXPECT_FALSE(frame_->m_bIconTitle);
}

TEST_F(MainFrame, TwaDoubleClickOnNothingAndOnAnEntry) {
  QListWidget* twa = frame_->m_wndStatusDlgBar->twa;
  frame_->m_wndStatusDlgBar->setFixedHeight(260);
  twa->setFixedHeight(220);
  QTest::qWait(10);
  const QPoint empty(10, twa->viewport()->height() - 5);
  ASSERT_FALSE(twa->indexAt(empty).isValid());
  db_set_twa_secs(60);
  QTest::mouseDClick(twa->viewport(), Qt::LeftButton, {}, empty);
  EXPECT_EQ(db_get_twa_secs(), 180);
  EXPECT_TRUE(logged("[OPTIONS: ERROR. TWA SET TO 180 BY DEFAULT.]"));
  QTest::mouseDClick(twa->viewport(), Qt::LeftButton, {}, twa->visualItemRect(twa->item(1)).center());
  EXPECT_EQ(db_get_twa_secs(), 60);
  EXPECT_TRUE(logged("[OPTIONS: TWA SET TO 60.]"));
}

TEST_F(MainFrame, MacroListRunsOnClickOrEnterNotOnArrowKeys) {
  auto queued = [] {
    CommandState& cs = command_state();
    std::lock_guard<std::mutex> lock(cs.executor_mutex);
    return cs.executor_queue.size();
  };
  QListWidget* macros = frame_->m_wndStatusDlgBar->macros;
  macros->setFocus();
  macros->setCurrentRow(0);
  QTest::keyClick(macros, Qt::Key_Down);
  QTest::keyClick(macros, Qt::Key_Down);
  EXPECT_EQ(macros->currentRow(), 2);
  EXPECT_EQ(queued(), 0u) << "moving the selection runs nothing";
  QTest::keyClick(macros, Qt::Key_Return);
  EXPECT_EQ(queued(), 1u);
  // Clicking the selected entry again runs it again.
  QTest::mouseClick(macros->viewport(), Qt::LeftButton, {}, macros->visualItemRect(macros->item(2)).center());
  QTest::mouseClick(macros->viewport(), Qt::LeftButton, {}, macros->visualItemRect(macros->item(2)).center());
  EXPECT_EQ(queued(), 3u);
  while (mmi_executor_step()) {
  }
  frame_->take_posts();
  EXPECT_EQ(monitor_view().count("[MMI CHANGE: MMI MACRO 3 REQUEST EXECUTED]"), 3);
}

TEST_F(MainFrame, TransmittingShownWhateverTheDisplay) {
  for (bool tones : {false, true}) {
    (tones ? frame_->m_wndStatusDlgBar->tones : frame_->m_wndStatusDlgBar->sync)->setChecked(true);
    radio_flags().ptt_active_flag = 1;
    display_post_audio_update();
    frame_->take_posts();
    EXPECT_TRUE(frame_->m_wndStatusDlgBar->tuning->picture().transmitting) << tones;
    radio_flags().ptt_active_flag = 0;
    display_post_audio_update();
    frame_->take_posts();
    EXPECT_FALSE(frame_->m_wndStatusDlgBar->tuning->picture().transmitting) << tones;
  }
}

TEST_F(MainFrame, LinkedStationFillsTheAddressOnlyWithALinkedStation) {
  QLineEdit* address = frame_->m_wndDataBar->address;
  address->setText("KEEP");
  ale_linked_clear();
  display_post_linked_station("BRAVO");
  frame_->take_posts();
  EXPECT_EQ(address->text(), "KEEP");
  ale_linked_add("BRAVO");
  display_post_linked_station("BRAVO");
  display_post_ale_mode("NORMAL");
  frame_->take_posts();
  EXPECT_EQ(address->text(), "BRAVO");
  EXPECT_EQ(frame_->m_wndStatusDlgBar->ale_mode->text(), "NORMAL");
}

TEST_F(MainFrame, SaveThenOpenThroughTheFileDialog) {
  log_printf("KEPT LINE\n");
  frame_->document_path = path("station.ale");
  frame_->run_command(57603);  // Save
  std::string saved;
  ASSERT_TRUE(doc_load(path("station.ale"), saved));
  EXPECT_EQ(saved, log_monitor_text());
  log_printf("AFTER SAVE\n");
  log_frame_printf("FRAME LINE\n");
  frame_->run_command(57601);  // Open
  QFileDialog* dialog = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* d = qobject_cast<QFileDialog*>(w); d != nullptr && d->isVisible()) dialog = d;
  ASSERT_NE(dialog, nullptr);
  dialog->selectFile(QString::fromStdString(path("station.ale").string()));
  QMetaObject::invokeMethod(dialog, "accept");
  frame_->take_posts();
  EXPECT_EQ(log_monitor_text(), saved);
  expect_views_match();
  // Both texts were filed before the opened one replaced them.
  EXPECT_NE(monitor_file().find("AFTER SAVE\n"), std::string::npos);
  EXPECT_NE(frame_file().find("FRAME LINE\n"), std::string::npos);
}

TEST_F(MainFrame, NewFilesBothTextsFirst) {
  log_printf("MONITOR BEFORE NEW\n");
  log_frame_printf("FRAME BEFORE NEW\n");
  frame_->take_posts();
  frame_->run_command(57600);
  frame_->take_posts();
  EXPECT_EQ(monitor_view(), "");
  EXPECT_EQ(frame_view(), "");
  EXPECT_NE(monitor_file().find("MONITOR BEFORE NEW\n"), std::string::npos);
  EXPECT_NE(frame_file().find("FRAME BEFORE NEW\n"), std::string::npos);
}

TEST_F(MainFrame, ClosingRunsTheShutDownOnce) {
  std::ofstream(path("SHUTDOWN.DAT")) << "ENABLE GPS\n";
  db_disable_gps();
  frame_->close();
  EXPECT_EQ(frame_->shutdown_result(), 1);
  EXPECT_EQ(db_get_gps(), 1);
  EXPECT_TRUE(std::filesystem::exists(path("ALE.DAT")));
  EXPECT_NE(monitor_file().find("[VESK-ALE Standard Edition (SE) v2.00 started."), std::string::npos);
}

TEST_F(MainFrame, FrameCommandsFromTheTable) {
  // A row without a handler is greyed; the frame's own rows have theirs.
  frame_->update_commands();
  EXPECT_FALSE(frame_->action(32805)->isEnabled());  // Addresses > Modify > Net: no handler
  EXPECT_TRUE(frame_->action(57664)->isEnabled());   // Help > About
  EXPECT_FALSE(frame_->action(57635)->isEnabled());  // Cut: greyed
  // Opening a menu only enables; the dock key and item dock the tool bar.
  frame_->removeToolBar(frame_->m_wndToolBar);
  frame_->addToolBar(Qt::LeftToolBarArea, frame_->m_wndToolBar);
  frame_->m_wndToolBar->show();
  frame_->update_commands();
  frame_->run_command(57634);  // Copy
  EXPECT_EQ(frame_->toolBarArea(frame_->m_wndToolBar), Qt::LeftToolBarArea);
  frame_->run_command(32907);  // Ctrl+D
  EXPECT_EQ(frame_->toolBarArea(frame_->m_wndToolBar), Qt::TopToolBarArea);
  // Select All selects the active view's text.
  frame_->run_command(32908);
  EXPECT_EQ(frame_->m_mainView->textCursor().selectedText().size(), frame_->m_mainView->toPlainText().size());
  // Help without its file: a line instead of a silent nothing.
  frame_->run_command(57670);
  EXPECT_TRUE(logged("[SHELL OPEN: vudadiravudav.pdf NOT FOUND]"));
}

// Every menu row of the command table has its item, also those the tool bar carries too.
TEST_F(MainFrame, EveryMenuRowHasItsItem) {
  int rows = 0;
  for (const CommandRow& row : command_table()) {
    if (row.menu == nullptr) continue;
    ++rows;
    const QStringList path = QString::fromLatin1(row.menu).split('|');
    QList<QAction*> level = frame_->menuBar()->actions();
    QAction* found = nullptr;
    for (int i = 0; i < path.size(); ++i) {
      found = nullptr;
      for (QAction* a : level)
        if (a->text().section('\t', 0, 0) == path[i]) found = a;
      if (found == nullptr) break;
      if (i + 1 < path.size() && found->menu() != nullptr) level = found->menu()->actions();
    }
    EXPECT_NE(found, nullptr) << row.menu;
  }
  EXPECT_EQ(rows, 76);
}

// With the station's own threads and the real clock: a macro that waits leaves the window free.
class MainFrameThreads : public FrameFixture {
 protected:
  MainFrameThreads() : FrameFixture(false) {}
};

// A rejected "ALE.DAT" is told in a box when the window shows, not only in the log.
TEST(MainFrameStart, RejectedDatabaseShownInABox) {
  test::qt_app();
  test::TempDir dir;
  Station st(dir.path(), std::make_unique<SimClock>());
  StationScope scope(st);
  std::ofstream(std::filesystem::path(dir.path()) / "ALE.DAT") << "not a station database";
  CMainFrame frame(true);
  frame.show();
  QMessageBox* box = nullptr;
  QTRY_VERIFY((box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) != nullptr ||
              [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                  if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible()) box = b;
                return box != nullptr;
              }());
  EXPECT_EQ(box->windowTitle(), "FILE ERROR");
  EXPECT_EQ(box->text(), "FILE ERROR: ALE.DAT REJECTED (WRONG LENGTH 22), KEPT AS ALE.DAT.bad");
  box->close();
}

TEST_F(MainFrameThreads, MacroWithDelayLeavesTheWindowResponsive) {
  std::ofstream(path("MACRO1.MAC")) << "DELAY 1000\nDELAY 1000\n";
  QListWidget* macros = frame_->m_wndStatusDlgBar->macros;
  QTest::mouseClick(macros->viewport(), Qt::LeftButton, {}, macros->visualItemRect(macros->item(0)).center());
  EXPECT_FALSE(frame_->m_mainView->toPlainText().contains("MMI MACRO 1 REQUEST EXECUTED"))
      << "the click returned before the macro ended";
  // The window goes on taking events (a TWA choice) while the macro waits.
  frame_->OnTwaListDblClk();
  QTRY_VERIFY_WITH_TIMEOUT(frame_->m_mainView->toPlainText().contains("TWA SET TO 180 BY DEFAULT"), 1500);
  EXPECT_FALSE(frame_->m_mainView->toPlainText().contains("MMI MACRO 1 REQUEST EXECUTED"));
  QTRY_VERIFY_WITH_TIMEOUT(frame_->m_mainView->toPlainText().contains("MMI MACRO 1 REQUEST EXECUTED"), 10000);
}

}  // namespace
}  // namespace vesk
