// CMainFrame: the station's main window. A status dialog bar and the tool bar across the top,
// the data bar along the bottom, the status bar, and a splitter with the data view above the
// monitor view. Worker threads reach it only through the window posts (ui/window_posts.h): it
// takes their lines and messages in batches, at most one batch every 100 ms, and never makes
// a worker wait. Its menus, tool bar and keys come from the command table (ui/commands.h).
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QFrame>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "ui/tuning_display.h"
#include "ui/window_posts.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSplitter;
class QToolBar;
class QMenu;
class QAction;

namespace vesk {

class CALEView;
class DataView;
class LogView;

// Static 1206: draws the last tuning picture.
class TuningDisplay : public QFrame {
  Q_OBJECT
 public:
  explicit TuningDisplay(QWidget* parent = nullptr);
  void show_picture(const TunePicture& picture);
  const TunePicture& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TunePicture picture_;
};

// The status dialog bar (template 190).
class StatusDialogBar : public QWidget {
  Q_OBJECT
 public:
  explicit StatusDialogBar(QWidget* parent = nullptr);
  TuningDisplay* tuning = nullptr;
  QRadioButton* tones = nullptr;
  QRadioButton* sync = nullptr;
  QLabel* modem_tx = nullptr;   // 1318
  QLabel* modem_rx = nullptr;   // 1319
  QLabel* rx_error = nullptr;   // 1509
  QLabel* recorder = nullptr;   // 1215, hidden
  QLabel* scan_group = nullptr; // 1378
  QLabel* ale_mode = nullptr;   // 1435
  QPushButton* aqc_ale = nullptr;
  QPushButton* sounding = nullptr;
  QPushButton* aqc_burst = nullptr;
  QPushButton* linked_twx = nullptr;
  QListWidget* twa = nullptr;
  QListWidget* sclc = nullptr;
  QListWidget* macros = nullptr;
  QLineEdit* command = nullptr;  // 1647, hidden
  QPushButton* do_cmd = nullptr; // 1648, hidden
  QPushButton* resources = nullptr;
};

// The data bar (template 247).
class DataBar : public QWidget {
  Q_OBJECT
 public:
  explicit DataBar(QWidget* parent = nullptr);
  QLineEdit* address = nullptr;  // 1670
  QLineEdit* text = nullptr;     // 1671 MSG/CLI
  QRadioButton* amd = nullptr;
  QRadioButton* dtm = nullptr;
  QRadioButton* dbm = nullptr;
  QRadioButton* tnc = nullptr;
  QRadioButton* fs1052 = nullptr;
  QCheckBox* brd_fec = nullptr;
  QCheckBox* mmi_cli = nullptr;
  QPushButton* enter = nullptr;  // hidden default button
  QPushButton* send_rpt = nullptr;
  QPushButton* reset_modem = nullptr;
  QPushButton* clear_msg = nullptr;
  QPushButton* reuse_last = nullptr;
  QPushButton* mils_brd = nullptr;
};

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // `open_database`: the frame's construction opens the station database (the program does;
  // a test that opened it already does not).
  explicit CMainFrame(bool open_database = true, QWidget* parent = nullptr);
  ~CMainFrame() override;

  // Start-up steps 6 to 15 have run: the defaults that read the station.
  void station_started();
  // A warning box over the window that blocks nothing; not shown while one with the same text
  // is open. The caption is the program's name unless one is given.
  void warning_box(const std::string& text, const QString& caption = {});
  // Takes and shows what the workers posted (the batch timer calls it).
  void take_posts();
  // Runs a command of the table by id, as its menu item, button or key would.
  void run_command(int id);
  bool command_has_handler(int id) const { return handlers_.count(id) != 0; }
  // Adds or replaces a command's handler (later dialogs add theirs).
  void set_handler(int id, std::function<void()> handler);
  // Re-evaluates the update rules of every menu item and tool-bar button.
  void update_commands();
  QAction* action(int id) const;
  // The result of the shut-down sequence run when the window closed (0: not run).
  int shutdown_result() const { return shutdown_result_; }
  // The window can no longer be shown (its display went away): the shut-down sequence runs,
  // once, with the station's lines and boxes no longer handed to the window.
  void end_without_window();
  // The station's shut-down sequence, run once when the window closes; its result is kept.
  std::function<int()> shutdown_hook;
  // The document file (Save writes there; empty: Save asks).
  std::filesystem::path document_path;

  // Handlers of the status dialog bar.
  void OnRefreshStatus();
  void OnRefreshAudio();
  void OnRecorderStatus();
  void OnModemStatus();
  void OnLinkedStation();
  void OnTwaListDblClk();
  void OnSclcListDblClk();
  void OnDoCmd();
  void OnResources();
  void InitDataBar();
  void EnableDataBar(bool on);
  void OnEnter();
  void OnResetModem();
  void OnSendRpt();
  void OnClearMsg();
  void OnReuseLast();
  void OnMilsBrd();
  // Opens a dialog window-modal, without blocking; it is deleted when it closes.
  template <class Dialog>
  Dialog* open_dialog() {
    auto* d = new Dialog(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
    return d;
  }
  // The same as a command of the window's table.
  template <class Dialog>
  void show_dialog() {
    open_dialog<Dialog>();
  }

  // Members, as the frame keeps them.
  QSplitter* m_wndSplitter = nullptr;
  bool m_bIconTitle = false;
  bool m_bRadioPanelOpen = false;
  std::array<QLabel*, 18> m_wndStatusBar{};
  StatusDialogBar* m_wndStatusDlgBar = nullptr;
  QToolBar* m_wndToolBar = nullptr;
  QToolBar* m_wndDataBarDock = nullptr;
  DataBar* m_wndDataBar = nullptr;
  class CRadioControlPanelDlg* m_dlgRadioPanel = nullptr;
  DataView* m_dataView = nullptr;
  CALEView* m_mainView = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fit_status_bar();
  void build_menus();
  void build_tool_bar();
  void build_data_bar();
  void build_keys();
  void bind_frame_handlers();
  void wake();
  LogView* active_view() const;
  void file_new();
  void file_open();
  void file_save();
  void file_print();
  void qrg_file_dialog(bool dump);
  void shell_open_named(const char* name);
  void detach_from_station();
  void shut_down();

  std::function<void(LogText, const std::string&)> previous_sink_;
  std::map<int, std::function<void()>> handlers_;
  std::multimap<int, QAction*> actions_;  // menu items and tool-bar buttons, by command
  std::vector<QMenu*> menus_;
  WindowBatch shown_;
  QTimer batch_timer_;
  QElapsedTimer since_batch_;
  QTimer update_timer_;
  TuneState tune_state_;
  int shutdown_result_ = 0;
  bool shut_down_ = false;
  std::set<QString> open_boxes_;  // texts of the warning boxes showing
};

// The About box.
class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vesk
