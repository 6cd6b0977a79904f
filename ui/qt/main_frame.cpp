#include "ui/qt/main_frame.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSplitter>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QStyle>
#include <algorithm>
#include <filesystem>

#include "ale/link/call_setup.h"
#include "ale/link/link_state.h"
#include "command/interpreter.h"
#include "command/listings.h"
#include "db/database.h"
#include "db/log.h"
#include "db/options.h"
#include "db/scan.h"
#include "db/tables.h"
#include "modem/fsk8.h"
#include "platform/shell.h"
#include "platform/station.h"
#include "radio/serial_output.h"
#include "ui/commands.h"
#include "ui/document.h"
#include "ui/menu_commands.h"
#include "ui/frame_actions.h"
#include "ui/qt/call_dialogs.h"
#include "ui/qt/dialog_widgets.h"
#include "ui/qt/config_dialogs.h"
#include "ui/qt/db_dialogs.h"
#include "ui/qt/message_dialogs.h"
#include "ui/qt/options_dialog.h"
#include "ui/qt/radio_panel.h"
#include "ui/qt/views.h"
#include "ui/data_bar.h"

namespace vesk {

namespace {

QColor qcolour(TuneRgb c) { return QColor(c.r, c.g, c.b); }

// Message boxes of the lower layers: shown on the window thread, never waited for.
class FrameNotifier : public LogNotifier {
 public:
  explicit FrameNotifier(CMainFrame* frame) : frame_(frame) {}
  void message_box(const std::string& text) override {
    QMetaObject::invokeMethod(frame_, [frame = frame_, text] { frame->warning_box(text); }, Qt::QueuedConnection);
  }

 private:
  CMainFrame* frame_;
};

// A status-bar pane: at least its width, and wide enough for its text.
class PaneLabel : public QLabel {
 public:
  PaneLabel(int width, QWidget* parent) : QLabel(parent), width_(width) {}
  QSize minimumSizeHint() const override { return QLabel::minimumSizeHint().expandedTo(QSize(width_, 0)); }
  QSize sizeHint() const override { return QLabel::sizeHint().expandedTo(QSize(width_, 0)); }

 private:
  int width_;
};

QListWidget* make_list(const QStringList& items, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->addItems(items);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setFixedWidth(64);
  return list;
}

}  // namespace

// ---- tuning display ----

TuningDisplay::TuningDisplay(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setFixedSize(200, 60);
}

void TuningDisplay::show_picture(const TunePicture& picture) {
  picture_ = picture;
  update();
}

void TuningDisplay::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter p(this);
  const QRect area = contentsRect();
  p.translate(area.topLeft());
  p.setClipRect(0, 0, area.width(), area.height());
  if (picture_.transmitting) {
    p.fillRect(0, 0, area.width(), area.height(), Qt::black);
    p.setPen(qcolour(kTuneRed));
    p.drawText(area.width() / 4, area.height() / 3 + p.fontMetrics().ascent(), "TRANSMITTING");
    return;
  }
  if (picture_.filled) p.fillRect(0, 0, area.width(), area.height(), qcolour(picture_.fill));
  for (const TuneRect& r : picture_.rects)
    p.fillRect(QRect(QPoint(r.x0, r.y0), QPoint(r.x1, r.y1)), qcolour(r.colour));
  if (picture_.line.size() > 1) {
    p.setPen(QPen(qcolour(picture_.pen), 1));
    for (std::size_t i = 1; i < picture_.line.size(); ++i)
      p.drawLine(picture_.line[i - 1].x, picture_.line[i - 1].y, picture_.line[i].x, picture_.line[i].y);
  }
}

// ---- status dialog bar ----

StatusDialogBar::StatusDialogBar(QWidget* parent) : QWidget(parent) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(4, 2, 4, 2);
  auto* tune_label = new QLabel("T\nU\nN\nE", this);
  row->addWidget(tune_label);
  tuning = new TuningDisplay(this);
  row->addWidget(tuning);

  auto* choice = new QVBoxLayout;
  tones = new QRadioButton("Tones", this);
  sync = new QRadioButton("Sync", this);
  auto* off = new QRadioButton("OFF", this);
  off->setEnabled(false);
  sync->setChecked(true);
  choice->addWidget(tones);
  choice->addWidget(sync);
  choice->addWidget(off);
  row->addLayout(choice);

  auto* modem = new QGroupBox("MIL-STD-188-110A Serial Modem", this);
  auto* modem_grid = new QGridLayout(modem);
  modem_tx = new QLabel(modem);
  modem_rx = new QLabel(modem);
  rx_error = new QLabel(modem);
  modem_grid->addWidget(modem_tx, 0, 0, 1, 2);
  modem_grid->addWidget(modem_rx, 1, 0, 1, 2);
  modem_grid->addWidget(new QLabel("RX Error", modem), 2, 0);
  modem_grid->addWidget(rx_error, 2, 1);
  row->addWidget(modem);

  auto* info = new QGridLayout;
  recorder = new QLabel(this);
  recorder->hide();
  scan_group = new QLabel(this);
  ale_mode = new QLabel("NEITHER", this);
  info->addWidget(new QLabel("Scan Group", this), 0, 0);
  info->addWidget(scan_group, 0, 1);
  info->addWidget(new QLabel("ALE Mode", this), 1, 0);
  info->addWidget(ale_mode, 1, 1);
  info->addWidget(recorder, 2, 0, 1, 2);
  row->addLayout(info);

  auto* switches = new QGridLayout;
  auto make_switch = [this](const char* text) {
    auto* b = new QPushButton(text, this);
    b->setCheckable(true);
    return b;
  };
  aqc_ale = make_switch("AQC-ALE");
  sounding = make_switch("SOUNDING");
  aqc_burst = make_switch("AQC-BURST");
  linked_twx = make_switch("Linked TWX");
  switches->addWidget(aqc_ale, 0, 0);
  switches->addWidget(sounding, 0, 1);
  switches->addWidget(aqc_burst, 1, 0);
  switches->addWidget(linked_twx, 1, 1);
  row->addLayout(switches);

  auto* twa_box = new QVBoxLayout;
  twa_box->addWidget(new QLabel("TWA", this));
  twa = make_list({"0", "60", "120", "180", "240", "300"}, this);
  twa_box->addWidget(twa);
  row->addLayout(twa_box);
  auto* sclc_box = new QVBoxLayout;
  sclc_box->addWidget(new QLabel("SCLC", this));
  sclc = make_list({"0", "4", "8", "12", "16", "20"}, this);
  sclc_box->addWidget(sclc);
  row->addLayout(sclc_box);
  QStringList macro_names;
  for (int i = 1; i <= kFrameMacros; ++i) macro_names << QString("MACRO%1").arg(i);
  macros = make_list(macro_names, this);
  macros->setFixedWidth(90);
  row->addWidget(macros);

  command = new QLineEdit(kFrameDoCmdText, this);
  command->setValidator(new QRegularExpressionValidator(QRegularExpression("[^a-z]*"), command));
  do_cmd = new QPushButton("DO CMD", this);
  command->hide();
  do_cmd->hide();
  row->addWidget(command);
  row->addWidget(do_cmd);

  resources = new QPushButton("RESOURCES", this);
  row->addWidget(resources);
  row->addStretch(1);
  setFixedHeight(96);
}

// ---- data bar ----

DataBar::DataBar(QWidget* parent) : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  grid->addWidget(new QLabel("ADDRESS", this), 0, 0);
  address = upper_edit(kDataBarAddressMax, this);
  address->setMaximumWidth(150);
  grid->addWidget(address, 0, 1);
  grid->addWidget(new QLabel("MSG/CLI", this), 1, 0);
  text = new QLineEdit(this);
  text->setMaxLength(static_cast<int>(kDataBarTransferMax) + 1);
  grid->addWidget(text, 1, 1, 1, 8);
  auto* modes = new QButtonGroup(this);
  int column = 2;
  for (auto [button, label] : {std::pair{&amd, "AMD"}, {&dtm, "DTM"}, {&dbm, "DBM"}, {&tnc, "TNC"}, {&fs1052, "FS1052"}}) {
    *button = new QRadioButton(label, this);
    modes->addButton(*button);
    grid->addWidget(*button, 0, column++);
  }
  brd_fec = new QCheckBox("BRD/FEC", this);
  mmi_cli = new QCheckBox("MMI CLI", this);
  grid->addWidget(brd_fec, 0, column++);
  grid->addWidget(mmi_cli, 0, column++);
  enter = new QPushButton("ENTER", this);
  send_rpt = new QPushButton("SEND RPT", this);
  enter->hide();
  send_rpt->hide();
  reset_modem = new QPushButton("RESET MODEM", this);
  clear_msg = new QPushButton("CLEAR MSG", this);
  reuse_last = new QPushButton("REUSE LAST", this);
  mils_brd = new QPushButton("MILS BRD", this);
  column = 9;
  for (QPushButton* b : {reset_modem, clear_msg}) grid->addWidget(b, 0, column++);
  column = 9;
  for (QPushButton* b : {reuse_last, mils_brd}) grid->addWidget(b, 1, column++);
  grid->setColumnStretch(8, 1);
}

// ---- the frame ----

CMainFrame::CMainFrame(bool open_database, QWidget* parent) : QMainWindow(parent) {
  if (open_database) {
    // The file errors of the load ("ALE.DAT" rejected, values out of range) are told to the
    // operator in a box once the window shows, not only in the log.
    std::function<void(LogText, const std::string&)> before;
    {
      std::lock_guard<std::mutex> lock(log_state().mutex);
      before = log_state().sink;
    }
    std::string errors;
    log_set_sink([before, &errors](LogText text, const std::string& line) {
      static constexpr char kFileError[] = "[FILE ERROR: ";
      const std::size_t at = line.find(kFileError);
      if (at != std::string::npos) {
        const std::size_t from = at + 1, end = line.rfind(']');
        errors += line.substr(from, end != std::string::npos && end > from ? end - from : std::string::npos) + "\n";
      }
      if (before) before(text, line);
    });
    db_open();
    log_set_sink(before);
    if (!errors.empty()) {
      errors.pop_back();
      QTimer::singleShot(0, this, [this, errors] { warning_box(errors, "FILE ERROR"); });
    }
  }
  setWindowTitle(kFrameStartTitle);
  setAttribute(Qt::WA_QuitOnClose, true);

  // The status dialog bar and the splitter with the two views.
  auto* centre = new QWidget(this);
  auto* column = new QVBoxLayout(centre);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  m_wndStatusDlgBar = new StatusDialogBar(centre);
  column->addWidget(m_wndStatusDlgBar);
  m_wndSplitter = new QSplitter(Qt::Vertical, centre);
  m_dataView = new DataView(m_wndSplitter);
  m_mainView = new CALEView(m_wndSplitter);
  m_wndSplitter->addWidget(m_dataView);
  m_wndSplitter->addWidget(m_mainView);
  m_wndSplitter->setSizes({100, 300});
  column->addWidget(m_wndSplitter, 1);
  setCentralWidget(centre);

  // The status bar: 18 text panes, then the key indicators.
  static constexpr int kWidths[18] = {100, 90, 10, 20, 20, 10, 18, 34, 15, 15, 8, 8, 8, 8, 15, 10, 6, 14};
  static constexpr bool kStretch[18] = {false, false, false, true, true, true, true, true, true,
                                        true,  false, false, false, false, true, true, true, true};
  for (int i = 0; i < 18; ++i) {
    auto* pane = new PaneLabel(kWidths[i], this);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setObjectName(QString("pane%1").arg(i));
    statusBar()->addWidget(pane, kStretch[i] ? 1 : 0);
    m_wndStatusBar[static_cast<std::size_t>(i)] = pane;
  }
  for (const char* key : {"CAP", "NUM", "SCRL"}) {
    auto* pane = new QLabel(key, this);
    pane->setEnabled(false);
    statusBar()->addPermanentWidget(pane);
  }

  m_dlgRadioPanel = new CRadioControlPanelDlg(this);
  connect(m_dlgRadioPanel, &QDialog::finished, this, [this] { m_bRadioPanelOpen = false; });
  bind_frame_handlers();
  build_tool_bar();
  build_data_bar();
  build_menus();
  build_keys();

  StatusDialogBar* bar = m_wndStatusDlgBar;
  connect(bar->aqc_ale, &QPushButton::clicked, this, [] { frame_toggle(FrameSwitch::AqcAle); });
  connect(bar->sounding, &QPushButton::clicked, this, [] { frame_toggle(FrameSwitch::Sounding); });
  connect(bar->aqc_burst, &QPushButton::clicked, this, [] { frame_toggle(FrameSwitch::AqcBurst); });
  connect(bar->linked_twx, &QPushButton::clicked, this, [] { frame_toggle(FrameSwitch::LinkedTwx); });
  bar->twa->viewport()->installEventFilter(this);
  bar->sclc->viewport()->installEventFilter(this);
  bar->macros->installEventFilter(this);
  // A macro runs when it is clicked or Enter is pressed on it, never by moving the selection.
  connect(bar->macros, &QListWidget::itemClicked, this,
          [bar](QListWidgetItem* item) { frame_run_macro(bar->macros->row(item)); });
  connect(bar->command, &QLineEdit::returnPressed, this, [this] {
    m_wndStatusDlgBar->do_cmd->setFocus();
    OnDoCmd();
  });
  connect(bar->do_cmd, &QPushButton::clicked, this, &CMainFrame::OnDoCmd);
  connect(bar->resources, &QPushButton::clicked, this, &CMainFrame::OnResources);
  bar->scan_group->setText(QString::fromLatin1(db_get_scan_group_label(db_get_scan_group()).c_str()));

  InitDataBar();
  EnableDataBar(true);

  // Worker threads reach the window only through the posts.
  batch_timer_.setSingleShot(true);
  connect(&batch_timer_, &QTimer::timeout, this, &CMainFrame::take_posts);
  since_batch_.start();
  {
    WindowPosts& posts = window_posts();
    std::lock_guard<std::mutex> lock(posts.mutex);
    posts.wake = [this] { QMetaObject::invokeMethod(this, &CMainFrame::wake, Qt::QueuedConnection); };
  }
  // The window shows every line; a sink that was there before (a harness's printer) keeps its
  // lines too.
  std::function<void(LogText, const std::string&)> before;
  {
    std::lock_guard<std::mutex> lock(log_state().mutex);
    before = log_state().sink;
  }
  previous_sink_ = before;
  log_set_sink([before](LogText text, const std::string& line) {
    window_posts_line(text, line);
    if (before) before(text, line);
  });
  log_set_notifier(std::make_shared<FrameNotifier>(this));
  // The tool bar's buttons follow the station's state (the menus are checked as they open).
  connect(&update_timer_, &QTimer::timeout, this, &CMainFrame::update_commands);
  update_timer_.start(250);
  // The texts already written (the database's load) are shown at once.
  take_posts();
}

CMainFrame::~CMainFrame() {
  detach_from_station();
  WindowPosts& posts = window_posts();
  std::lock_guard<std::mutex> lock(posts.mutex);
  posts.lines.clear();
  posts.messages = 0;
  posts.call_pending = false;
}

void CMainFrame::detach_from_station() {
  log_set_notifier(nullptr);
  log_set_sink(previous_sink_);
  WindowPosts& posts = window_posts();
  std::lock_guard<std::mutex> lock(posts.mutex);
  posts.wake = nullptr;
}

void CMainFrame::shut_down() {
  if (shut_down_) return;
  shut_down_ = true;
  // The shut-down sequence, then the document's close (both inside station_app_shutdown).
  shutdown_result_ = shutdown_hook ? shutdown_hook() : 0;
}

void CMainFrame::end_without_window() {
  detach_from_station();
  shut_down();
}

void CMainFrame::warning_box(const std::string& text, const QString& caption) {
  // A box already showing the same text is not shown twice (a port that two steps of one
  // set-up fail to open).
  const QString shown = QString::fromLatin1(text.c_str());
  if (!open_boxes_.insert(shown).second) return;
  auto* box = new QMessageBox(QMessageBox::Warning, caption.isEmpty() ? QApplication::applicationName() : caption,
                              shown, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [this, shown] { open_boxes_.erase(shown); });
  box->open();
}

void CMainFrame::station_started() {
  m_wndStatusDlgBar->scan_group->setText(QString::fromLatin1(db_get_scan_group_label(db_get_scan_group()).c_str()));
  update_commands();
}

void CMainFrame::wake() {
  if (batch_timer_.isActive()) return;
  const qint64 waited = since_batch_.elapsed();
  batch_timer_.start(waited >= 100 ? 0 : static_cast<int>(100 - waited));
}

void CMainFrame::take_posts() {
  since_batch_.restart();
  WindowBatch batch = window_posts_take(shown_);
  if (batch.whole) {
    m_mainView->set_whole(batch.monitor);
    m_dataView->set_whole(batch.frame);
  } else {
    std::string front, end, frame;
    for (auto& [text, line] : batch.lines) {
      if (text == LogText::Monitor)
        front.insert(0, line);  // each newer line above the one before it
      else if (text == LogText::MonitorEnd)
        end += line;
      else
        frame += line;
    }
    m_mainView->add_front(front);
    m_mainView->add_end(end);
    m_dataView->add_end(frame);
  }
  shown_.monitor_count = batch.monitor_count;
  shown_.frame_count = batch.frame_count;
  shown_.resets = batch.resets;
  if (window_batch_has(batch, WM_REFRESH_STATUS)) OnRefreshStatus();
  if (window_batch_has(batch, WM_REFRESH_AUDIO)) OnRefreshAudio();
  if (window_batch_has(batch, WM_RECORDER_STATUS)) OnRecorderStatus();
  if (window_batch_has(batch, WM_MODEM_STATUS)) OnModemStatus();
  if (window_batch_has(batch, WM_LINKED_STATION)) OnLinkedStation();
}

void CMainFrame::OnRefreshStatus() {
  if (isMinimized()) {
    setWindowTitle(QString::fromLatin1(
        frame_minimised_title(report_status_pane(0), report_status_pane(1), report_status_pane(2)).c_str()));
    m_bIconTitle = true;
    return;
  }
  for (int i = 0; i < 18; ++i)
    m_wndStatusBar[static_cast<std::size_t>(i)]->setText(QString::fromLatin1(report_status_pane(i).c_str()));
  fit_status_bar();
  if (m_bIconTitle) {
    setWindowTitle(kFrameRestoredTitle);
    m_bIconTitle = false;
  }
  if (m_bRadioPanelOpen && m_dlgRadioPanel != nullptr) {
    ChannelRecord current{};
    const bool has = db_copy_channel(db_current_channel_number(), &current) == 0;
    m_dlgRadioPanel->ShowChannel(has ? &current : nullptr);
  }
}

// The panes' texts are wider than the window was made for (the status texts arrive after it is
// shown): the window grows, within the screen, so that no pane cuts its text.
void CMainFrame::fit_status_bar() {
  if (isMaximized() || isFullScreen()) return;
  const int wanted = width() - statusBar()->width() + statusBar()->sizeHint().width();
  if (wanted <= width()) return;
  const QScreen* s = screen();
  const int room = s != nullptr ? s->availableGeometry().width() : wanted;
  const int w = std::min(wanted, room);
  if (w > width()) resize(w, height());
}

void CMainFrame::OnRefreshAudio() {
  TuningDisplay* display = m_wndStatusDlgBar->tuning;
  const QRect area = display->contentsRect();
  FskState& fsk = fsk_state();
  if (ptt_is_active()) {
    display->show_picture(tune_transmitting());
  } else if (m_wndStatusDlgBar->tones->isChecked()) {
    float bins[FSK_BINS] = {};
    fsk_get_display_bins(fsk, bins);
    display->show_picture(tune_spectrum(tune_state_, bins, fsk_is_word_synced(fsk), area.width(), area.height()));
  } else {
    float energy[kTuneTimingPoints] = {};
    fsk_get_timing_energy(fsk, energy);
    display->show_picture(
        tune_timing(energy, fsk_get_symbol_phase(fsk), fsk_is_word_synced(fsk), area.width(), area.height()));
  }
}

void CMainFrame::OnRecorderStatus() {
  m_wndStatusDlgBar->recorder->setText(QString::fromLatin1(display_status_texts().recorder.c_str()));
}

void CMainFrame::OnModemStatus() {
  const LogStatusTexts t = display_status_texts();
  m_wndStatusDlgBar->modem_tx->setText(QString::fromLatin1(t.modem_tx.c_str()));
  m_wndStatusDlgBar->modem_rx->setText(QString::fromLatin1(t.modem_rx.c_str()));
  m_wndStatusDlgBar->rx_error->setText(QString::fromLatin1(t.freq_offset.c_str()));
}

void CMainFrame::OnLinkedStation() {
  const LogStatusTexts t = display_status_texts();
  // The ALE mode text is posted with the same message; it goes to its static.
  if (!t.ale_mode.empty()) m_wndStatusDlgBar->ale_mode->setText(QString::fromLatin1(t.ale_mode.c_str()));
  if (ale_linked_count() > 0 && m_wndDataBar != nullptr)
    m_wndDataBar->address->setText(QString::fromLatin1(t.linked_station.c_str()));
}

namespace {
int selected_row(QListWidget* list) {
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? -1 : list->row(items.front());
}
}  // namespace

void CMainFrame::OnTwaListDblClk() { frame_choose_twa(selected_row(m_wndStatusDlgBar->twa)); }
void CMainFrame::OnSclcListDblClk() { frame_choose_sclc(selected_row(m_wndStatusDlgBar->sclc)); }

void CMainFrame::OnDoCmd() {
  QLineEdit* edit = m_wndStatusDlgBar->command;
  frame_do_cmd(edit->text().toLatin1().toStdString());
  edit->setText(kFrameDoCmdText);
}

void CMainFrame::OnResources() { frame_resources(); }

void CMainFrame::InitDataBar() {
  m_wndDataBar->amd->setChecked(true);
  for (QCheckBox* box : {m_wndDataBar->brd_fec, m_wndDataBar->mmi_cli}) box->setChecked(false);
}

void CMainFrame::OnEnter() {
  DataBar* bar = m_wndDataBar;
  DataBarFields f;
  f.address = text_of(bar->address);
  f.text = text_of(bar->text);
  f.mode = bar->amd->isChecked()      ? DataBarMode::Amd
           : bar->dtm->isChecked()    ? DataBarMode::Dtm
           : bar->dbm->isChecked()    ? DataBarMode::Dbm
           : bar->tnc->isChecked()    ? DataBarMode::Tnc
           : bar->fs1052->isChecked() ? DataBarMode::Fs1052
                                      : DataBarMode::None;
  f.broadcast = bar->brd_fec->isChecked();
  f.command = bar->mmi_cli->isChecked();
  data_bar_remember(f.text);
  const DataBarCheck check = data_bar_check(f);
  if (check.acts) mmi_post_task([f] { data_bar_enter(f); });
  if (check.clears_text) bar->text->clear();
}

void CMainFrame::OnResetModem() {
  mmi_post_task(ale_reset_modem);
  m_wndDataBar->text->setFocus();
}

void CMainFrame::OnSendRpt() { m_wndDataBar->text->setFocus(); }

void CMainFrame::OnClearMsg() {
  display_clear_frame_pane();
  m_wndDataBar->text->setFocus();
}

void CMainFrame::OnReuseLast() {
  m_wndDataBar->text->setText(QString::fromLatin1(data_bar_last_line().c_str()));
  m_wndDataBar->text->setFocus();
}

void CMainFrame::OnMilsBrd() {
  if (!data_bar_mils_brd_allowed()) return;
  m_wndDataBar->brd_fec->setChecked(false);
  m_wndDataBar->mmi_cli->setChecked(false);
  m_wndDataBar->address->setText(QString::fromLatin1(data_bar_mils_brd().c_str()));
  m_wndDataBar->text->setFocus();
}

void CMainFrame::EnableDataBar(bool on) {
  if (m_wndDataBar != nullptr) m_wndDataBar->setEnabled(on);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  StatusDialogBar* bar = m_wndStatusDlgBar;
  if (event->type() == QEvent::MouseButtonDblClick) {
    // The entry under the pointer is the one chosen; on an empty part, the selection (if any).
    for (QListWidget* list : {bar->twa, bar->sclc}) {
      if (watched != list->viewport()) continue;
      const QModelIndex at = list->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
      if (at.isValid()) list->setCurrentRow(at.row());
      if (list == bar->twa)
        OnTwaListDblClk();
      else
        OnSclcListDblClk();
    }
  }
  if (watched == bar->macros && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && bar->macros->currentRow() >= 0) {
      frame_run_macro(bar->macros->currentRow());
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!shut_down_) {
    update_timer_.stop();
    shut_down();
    take_posts();
  }
  event->accept();
}

// ---- commands ----

void CMainFrame::set_handler(int id, std::function<void()> handler) {
  handlers_[id] = std::move(handler);
  update_commands();
}

QAction* CMainFrame::action(int id) const {
  // The menu item when there is one, else the tool-bar button.
  QAction* found = nullptr;
  for (auto [it, end] = actions_.equal_range(id); it != end; ++it)
    if (found == nullptr || it->second->parent() != m_wndToolBar) found = it->second;
  return found;
}

void CMainFrame::run_command(int id) {
  const CommandRow* row = command_find(id);
  auto it = handlers_.find(id);
  if (row == nullptr || it == handlers_.end()) return;
  if (!command_may_run(*row, command_context_now(), true)) return;
  it->second();
}

void CMainFrame::update_commands() {
  const CommandContext ctx = command_context_now();
  for (auto& [id, act] : actions_) {
    const CommandRow* row = command_find(id);
    if (row != nullptr) act->setEnabled(command_enabled(*row, ctx, handlers_.count(id) != 0));
  }
}

void CMainFrame::build_menus() {
  std::map<std::string, QMenu*> menus;
  for (const CommandRow& row : command_table()) {
    if (row.menu == nullptr) continue;
    const QStringList path = QString::fromLatin1(row.menu).split('|');
    QMenu* parent = nullptr;
    std::string key;
    for (int i = 0; i + 1 < path.size(); ++i) {
      key += path[i].toStdString() + "|";
      QMenu*& m = menus[key];
      if (m == nullptr) {
        m = parent == nullptr ? menuBar()->addMenu(path[i]) : parent->addMenu(path[i]);
        if (parent == nullptr) {
          connect(m, &QMenu::aboutToShow, this, &CMainFrame::update_commands);
          menus_.push_back(m);
        }
      }
      parent = m;
    }
    if (row.separator_before) parent->addSeparator();
    QString text = path.back();
    if (row.keys != nullptr) text += "\t" + QString::fromLatin1(row.keys).split(';').front();
    QAction* act = parent->addAction(text);
    const int id = row.id;
    connect(act, &QAction::triggered, this, [this, id] { run_command(id); });
    actions_.emplace(id, act);
  }
  update_commands();
}

void CMainFrame::build_tool_bar() {
  if (m_wndToolBar != nullptr) {
    for (auto it = actions_.begin(); it != actions_.end();)
      it = it->second->parent() == m_wndToolBar ? actions_.erase(it) : std::next(it);
    delete m_wndToolBar;
  }
  m_wndToolBar = new QToolBar("Tool Bar", this);
  m_wndToolBar->setObjectName("toolbar");
  m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
  m_wndToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  static const std::map<int, const char*> kFaces = {
      {32835, "CLR"}, {32833, "MUTE"}, {32828, "PTT"},  {32850, "<<"},    {32813, "STOP"},
      {32849, ">>"},  {32812, "SCAN"}, {139, "CALL"},   {166, "AMD"},     {156, "CLEAR"},
      {32815, "KILL"}, {32853, "RADIO"}, {32866, "VID"}, {32900, "--"},   {32906, "--"}};
  std::vector<const CommandRow*> rows;
  for (const CommandRow& row : command_table())
    if (row.tool != 0) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](const CommandRow* a, const CommandRow* b) { return a->tool < b->tool; });
  int group = 0;
  for (const CommandRow* row : rows) {
    if (group != 0 && row->tool / 10 != group) m_wndToolBar->addSeparator();
    group = row->tool / 10;
    auto face = kFaces.find(row->id);
    QAction* act = new QAction(face != kFaces.end() ? face->second : "?", m_wndToolBar);
    act->setToolTip(QString::fromLatin1(row->tool_tip));
    const int id = row->id;
    connect(act, &QAction::triggered, this, [this, id] { run_command(id); });
    m_wndToolBar->addAction(act);
    actions_.emplace(id, act);
  }
  addToolBar(Qt::TopToolBarArea, m_wndToolBar);
  update_commands();
}

void CMainFrame::build_data_bar() {
  delete m_wndDataBarDock;
  m_wndDataBarDock = new QToolBar("Data Bar", this);
  m_wndDataBarDock->setObjectName("databar");
  m_wndDataBarDock->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  m_wndDataBar = new DataBar(m_wndDataBarDock);
  m_wndDataBarDock->addWidget(m_wndDataBar);
  DataBar* bar = m_wndDataBar;
  connect(bar->address, &QLineEdit::returnPressed, this, &CMainFrame::OnEnter);
  connect(bar->text, &QLineEdit::returnPressed, this, &CMainFrame::OnEnter);
  connect(bar->enter, &QPushButton::clicked, this, &CMainFrame::OnEnter);
  connect(bar->send_rpt, &QPushButton::clicked, this, &CMainFrame::OnSendRpt);
  connect(bar->reset_modem, &QPushButton::clicked, this, &CMainFrame::OnResetModem);
  connect(bar->clear_msg, &QPushButton::clicked, this, &CMainFrame::OnClearMsg);
  connect(bar->reuse_last, &QPushButton::clicked, this, &CMainFrame::OnReuseLast);
  connect(bar->mils_brd, &QPushButton::clicked, this, &CMainFrame::OnMilsBrd);
  addToolBar(Qt::BottomToolBarArea, m_wndDataBarDock);
}

void CMainFrame::build_keys() {
  for (const CommandRow& row : command_table()) {
    if (row.keys == nullptr) continue;
    for (const QString& key : QString::fromLatin1(row.keys).split(';')) {
      auto* shortcut = new QShortcut(QKeySequence(key), this);
      const int id = row.id;
      // The command's update rule is checked before it runs, as for a menu item.
      connect(shortcut, &QShortcut::activated, this, [this, id] { run_command(id); });
    }
  }
}

LogView* CMainFrame::active_view() const {
  if (m_dataView->hasFocus()) return m_dataView;
  return m_mainView;
}

void CMainFrame::shell_open_named(const char* name) {
  const std::filesystem::path path = station().dir() / name;
  if (!std::filesystem::exists(path) || shell_open(path.string()) != 1)
    log_stamped_line(std::string("SHELL OPEN: ") + name + " NOT FOUND");
}

void CMainFrame::file_new() { doc_new(); }

void CMainFrame::qrg_file_dialog(bool dump) {
  auto* dialog = new QFileDialog(this, dump ? "Dump QRG File" : "Load QRG File",
                                 QString::fromStdString(station().dir().string()), "Frequency Files (*.qrg)");
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setDefaultSuffix("qrg");
  dialog->setAcceptMode(dump ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(dump ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  connect(dialog, &QFileDialog::fileSelected, this, [dump](const QString& file) {
    dump ? app_dump_qrg(file.toStdString()) : app_load_qrg(file.toStdString());
  });
  dialog->open();
}

void CMainFrame::file_open() {
  auto* dialog = new QFileDialog(this, "Open", QString::fromStdString(station().dir().string()));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFile);
  connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& file) {
    const std::filesystem::path path = file.toStdString();
    if (doc_open(path)) {
      document_path = path;
    } else {
      auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                  "Cannot open " + file + ": not a document file.", QMessageBox::Ok, this);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
    }
  });
  dialog->open();
}

void CMainFrame::file_save() {
  auto save_to = [this](const std::filesystem::path& path) {
    if (doc_save(path, log_monitor_text())) {
      document_path = path;
    } else {
      auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(),
                                  "Cannot save " + QString::fromStdString(path.string()), QMessageBox::Ok, this);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->open();
    }
  };
  if (!document_path.empty()) {
    save_to(document_path);
    return;
  }
  auto* dialog = new QFileDialog(this, "Save As", QString::fromStdString(station().dir().string()));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  connect(dialog, &QFileDialog::fileSelected, this, [save_to](const QString& file) { save_to(file.toStdString()); });
  dialog->open();
}

void CMainFrame::file_print() {
  auto* printer = new QPrinter;
  auto* dialog = new QPrintDialog(printer, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, printer] { m_mainView->print(printer); });
  connect(dialog, &QObject::destroyed, [printer] { delete printer; });
  dialog->open();
}

namespace {

// The menu commands that open a dialog (some dialogs have two).
struct DialogCommandRow {
  int id;
  void (CMainFrame::*open)();
};

constexpr DialogCommandRow kDialogCommands[] = {
    {32779, &CMainFrame::show_dialog<CIndividualCallDlg>},
    {139, &CMainFrame::show_dialog<CIndividualCallDlg>},
    {32780, &CMainFrame::show_dialog<CNetCallDlg>},
    {32781, &CMainFrame::show_dialog<CGroupCallDlg>},
    {32782, &CMainFrame::show_dialog<CGlobalAllcallDlg>},
    {32783, &CMainFrame::show_dialog<CSelectiveAllcallDlg>},
    {32784, &CMainFrame::show_dialog<CGlobalAnycallDlg>},
    {32785, &CMainFrame::show_dialog<CSelectiveAnycallDlg>},
    {32786, &CMainFrame::show_dialog<CIndividualClearDlg>},
    {156, &CMainFrame::show_dialog<CIndividualClearDlg>},
    {32787, &CMainFrame::show_dialog<CClearNetDlg>},
    {32788, &CMainFrame::show_dialog<CGroupClearDlg>},
    {32789, &CMainFrame::show_dialog<CClearGlobalAllcallDlg>},
    {32825, &CMainFrame::show_dialog<CStationsLinkedDlg>},
    {32820, &CMainFrame::show_dialog<CSendAmdMessageDlg>},
    {166, &CMainFrame::show_dialog<CSendAmdMessageDlg>},
    {32927, &CMainFrame::show_dialog<CSendAmdMessageDlg>},
    {32817, &CMainFrame::show_dialog<CDtmMessageDlg>},
    {32930, &CMainFrame::show_dialog<CDtmMessageDlg>},
    {32818, &CMainFrame::show_dialog<CDbmMessageDlg>},
    {32928, &CMainFrame::show_dialog<CDbmMessageDlg>},
    {32862, &CMainFrame::show_dialog<CMil110MessageDlg>},
    {32929, &CMainFrame::show_dialog<CMil110MessageDlg>},
    {32845, &CMainFrame::show_dialog<CFileTransferDlg>},
    {32931, &CMainFrame::show_dialog<CFileTransferDlg>},
    {32939, &CMainFrame::show_dialog<CTncMessageDlg>},
    {32895, &CMainFrame::show_dialog<CQuickAmdMessageDlg>},
    {32897, &CMainFrame::show_dialog<CTerminateOtherAddressDlg>},
    {32898, &CMainFrame::show_dialog<CTerminateOwnAddressDlg>},
    {32899, &CMainFrame::show_dialog<COperatorAckRequestDlg>},
    {32905, &CMainFrame::show_dialog<COperatorAckConfirmDlg>},
    {32902, &CMainFrame::show_dialog<CMeetMeDlg>},
    {32903, &CMainFrame::show_dialog<CChannelDefinitionDlg>},
    {32904, &CMainFrame::show_dialog<CSlotAssignmentDlg>},
    {32867, &CMainFrame::show_dialog<CMil110OptionsDlg>},
    {32823, &CMainFrame::show_dialog<CGotoChannelDlg>},
    {32796, &CMainFrame::show_dialog<CAddChannelDlg>},
    {32772, &CMainFrame::show_dialog<CDeleteChannelDlg>},
    {32773, &CMainFrame::show_dialog<CSelectChannelDlg>},
    {32809, &CMainFrame::show_dialog<CChannelsInfoDlg>},
    {32798, &CMainFrame::show_dialog<CAddOtherAddressDlg>},
    {32799, &CMainFrame::show_dialog<CAddNetAddressDlg>},
    {32797, &CMainFrame::show_dialog<CAddOwnAddressDlg>},
    {32801, &CMainFrame::show_dialog<CDeleteOtherAddressDlg>},
    {32802, &CMainFrame::show_dialog<CDeleteNetAddressDlg>},
    {32800, &CMainFrame::show_dialog<CDeleteOwnAddressDlg>},
    {32804, &CMainFrame::show_dialog<CSelectOtherAddressDlg>},
    {32803, &CMainFrame::show_dialog<CSelectOwnAddressDlg>},
    {32807, &CMainFrame::show_dialog<CListOtherAddressesDlg>},
    {32808, &CMainFrame::show_dialog<CListNetAddressDlg>},
    {32806, &CMainFrame::show_dialog<COwnAddressesInfoDlg>},
    {32834, &CMainFrame::show_dialog<CResetDynamicAddressesDlg>},
    {32821, &CMainFrame::show_dialog<CAmdReceivedDlg>},
    {32933, &CMainFrame::show_dialog<CAmdReceivedDlg>},
    {32822, &CMainFrame::show_dialog<CLinkingProtectionKeysDlg>},
    {32860, &CMainFrame::show_dialog<CEncryptionKeyDlg>},
    {32863, &CMainFrame::show_dialog<CFs1052OptionsDlg>},
    {32896, &CMainFrame::show_dialog<CSoundcardConfigDlg>},
    {32855, &CMainFrame::show_dialog<CTcpIpConfigDlg>},
    {32839, &CMainFrame::show_dialog<CRecorderParametersDlg>},
    {32836, &CMainFrame::show_dialog<CTracingDlg>},
    {32859, &CMainFrame::show_dialog<CEmailConfigDlg>},
};

// The menu commands the station runs as they are, without the window.
struct StationCommandRow {
  int id;
  void (*run)();
};

constexpr StationCommandRow kStationCommands[] = {
    {32901, [] { mmi_post_task(ale_reset_modem); }},
    {32812, app_start_scan},
    {32813, app_stop_scan},
    {32831, app_toggle_scan},
    {32849, [] { app_step(true); }},
    {32850, [] { app_step(false); }},
    {32815, app_kill},
    {32835, app_clear_screen},
    {32833, app_mute_toggle},
    {32826, [] { app_mute(true); }},
    {32827, [] { app_mute(false); }},
    {32828, app_push_to_talk},
    {32866, app_voice_id},
};

}  // namespace

void CMainFrame::bind_frame_handlers() {
  auto dock_tool_bar = [this] {
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    m_wndToolBar->show();
  };
  // The commands that work on the window itself.
  handlers_ = {
      {57665, [this] { close(); }},
      {32908, [this] { active_view()->selectAll(); }},
      {57634,
       [this] {
         if (m_mainView->textCursor().hasSelection())
           m_mainView->copy();
         else if (m_dataView->textCursor().hasSelection())
           m_dataView->copy();
       }},
      {57643, [] {}},
      {32942, dock_tool_bar},
      {32907, dock_tool_bar},
      {32945,
       [this] {
         build_tool_bar();
         m_wndToolBar->show();
       }},
      {32940,
       [this] {
         addToolBar(Qt::BottomToolBarArea, m_wndDataBarDock);
         m_wndDataBarDock->show();
       }},
      {32941,
       [this] {
         build_data_bar();
         EnableDataBar(true);
       }},
      {32932,
       [this] {
         // Ctrl+Q: only while claimed, linked and in AQC-ALE mode.
         if (db_get_resources() == 1 && ale_link_state() == ALE_STATE_LINKED_IDLE && db_get_aqc_mode() == 1)
           open_dialog<CQuickAmdMessageDlg>();
       }},
      {32853,
       [this] {
         m_bRadioPanelOpen = true;
         m_dlgRadioPanel->OnInitDialog();
         m_dlgRadioPanel->open();
       }},
      {32810, [this] { open_dialog<CMil141OptionsDlg>()->editable = true; }},
      {32894,
       [this] {
         auto* d = open_dialog<CGroupSetupDlg>();
         connect(d, &QDialog::finished, this, [this] {
           m_wndStatusDlgBar->scan_group->setText(QString::fromLatin1(db_get_scan_group_label(db_get_scan_group()).c_str()));
         });
       }},
      {32917,
       [this] {
         // Application-modal, No the default; it blocks no worker and no code waits for it.
         auto* box = new QMessageBox(QMessageBox::Critical, kResetAmdCaption, kResetAmdText,
                                     QMessageBox::Yes | QMessageBox::No, this);
         box->setDefaultButton(QMessageBox::No);
         box->setWindowModality(Qt::ApplicationModal);
         box->setAttribute(Qt::WA_DeleteOnClose);
         connect(box, &QMessageBox::finished, this, [box] { app_reset_amd(box->clickedButton() == box->button(QMessageBox::Yes)); });
         box->open();
       }},
      {32814, [this] { qrg_file_dialog(false); }},
      {32819, [this] { qrg_file_dialog(true); }},
      {57664,
       [this] {
         auto* about = new CAboutDlg(this);
         about->setAttribute(Qt::WA_DeleteOnClose);
         about->open();
       }},
      {32936, [this] { shell_open_named("ZUVOVID.EXE"); }},
      {57670, [this] { shell_open_named("vudadiravudav.pdf"); }},
      {57600, [this] { file_new(); }},
      {57601, [this] { file_open(); }},
      {57603, [this] { file_save(); }},
      {57607, [this] { file_print(); }},
      {57680, [this] { (m_mainView->hasFocus() ? static_cast<QWidget*>(m_dataView) : m_mainView)->setFocus(); }},
      {57681, [this] { (m_dataView->hasFocus() ? static_cast<QWidget*>(m_mainView) : m_dataView)->setFocus(); }},
  };
  for (const DialogCommandRow& row : kDialogCommands) handlers_[row.id] = [this, open = row.open] { (this->*open)(); };
  for (const StationCommandRow& row : kStationCommands) handlers_[row.id] = row.run;
}

// ---- About ----

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("About VESK-ALE");
  auto* row = new QHBoxLayout(this);
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));
  row->addWidget(icon, 0, Qt::AlignTop);
  auto* column = new QVBoxLayout;
  for (const char* line : {"VESK-ALE Standard Edition (SE) v2.00 [Build 200A6]",
                           "MIL-STD-188-141A H.F Link Establishment Controller", "MIL-STD-188-110A Serial Tone Modem",
                           "FED-STD-1052 Appendix B  Data Link Controller"})
    column->addWidget(new QLabel(line, this));
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(ok, 0, Qt::AlignRight);
  row->addLayout(column);
}

}  // namespace vesk
