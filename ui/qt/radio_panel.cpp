#include "ui/qt/radio_panel.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "db/options.h"
#include "radio/drivers/kenwood_identify.h"
#include "radio/dispatch.h"
#include "ui/call_dialogs.h"
#include "ui/frame_actions.h"
#include "ui/message_dialogs.h"
#include "ui/qt/dialog_widgets.h"

namespace vesk {

namespace {
QString q(const std::string& s) { return QString::fromLatin1(s.c_str()); }
}  // namespace

CRadioControlPanelDlg::CRadioControlPanelDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Manual Radio Asset Control Panel");
  setModal(true);
  panel.record = panel_blank_record();
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  top->addLayout(left);
  mode_display = new QLabel(this);
  entry_display = new QLabel(this);
  for (QLabel* l : {mode_display, entry_display}) {
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    l->setMinimumWidth(160);
    left->addWidget(l);
  }
  auto add = [this](QGridLayout* grid, const char* face, int r, int c, std::function<void()> act) {
    auto* b = new QPushButton(face, this);
    grid->addWidget(b, r, c);
    connect(b, &QPushButton::clicked, this, [this, act] {
      act();
      refresh();
    });
    buttons[QString(face).remove('&').toStdString()] = b;
  };
  auto* keypad = new QGridLayout;
  const char* keys = "789456123*0";
  for (int i = 0; i < 11; ++i) {
    const char k = keys[i];
    add(keypad, i == 9 ? "*" : std::string(1, k).c_str(), i / 3, i % 3, [this, k] { panel_key(panel, k); });
  }
  add(keypad, "CLR", 3, 2, [this] { panel_clear(panel); });
  add(keypad, "DEL", 4, 0, [this] { panel_delete(panel); });
  add(keypad, "ENT", 4, 1, [this] { panel_enter(panel, 1); });
  add(keypad, "Khz", 4, 2, [this] { panel_enter(panel, 1000); });
  add(keypad, "Mhz", 5, 0, [this] { panel_enter(panel, 1000000); });
  add(keypad, "&UP", 5, 1, [this] { panel_up(panel); });
  add(keypad, "&DOWN", 5, 2, [this] { panel_down(panel); });
  left->addLayout(keypad);

  auto* step_box = new QGroupBox(" F STEP", this);
  auto* step_grid = new QGridLayout(step_box);
  const std::pair<const char*, int> step_rows[] = {{"1 Hz", 1},        {"10 Hz", 10},       {"100 Hz", 100},
                                                   {"1 KHz", 1000},    {"10 Khz", 10000},   {"100 Khz", 100000},
                                                   {"1 Mhz", 1000000}, {"10 Mhz", 10000000}};
  int i = 0;
  for (auto [face, hz] : step_rows) {
    auto* b = new QRadioButton(face, step_box);
    step_grid->addWidget(b, i / 4, i % 4);
    ++i;
    steps[hz] = b;
    const int step = hz;
    connect(b, &QRadioButton::clicked, this, [this, step] { panel.step = step; });
  }
  left->addWidget(step_box);

  auto* mode_box = new QGroupBox("OPERATING MODE", this);
  auto* mode_grid = new QGridLayout(mode_box);
  const std::pair<const char*, PanelMode> modes[] = {
      {"LSB", PanelMode::Lsb},   {"USB", PanelMode::Usb},     {"CW", PanelMode::Cw},      {"FM", PanelMode::Fm},
      {"AM/SAM", PanelMode::AmSam}, {"CW-R", PanelMode::CwR}, {"PKT-U", PanelMode::PktU}, {"DIG-U", PanelMode::DigU},
      {"DIG-L", PanelMode::DigL}, {"AM-N", PanelMode::AmN},   {"CW-N", PanelMode::CwN},   {"FM-N/W", PanelMode::FmNW},
      {"F/PSK", PanelMode::FPsk}, {"ISB", PanelMode::Isb}};
  i = 0;
  for (auto [face, mode] : modes) {
    const PanelMode m = mode;
    add(mode_grid, face, i / 4, i % 4, [this, m] { panel_mode(panel, m); });
    ++i;
  }
  top->addWidget(mode_box);

  auto* right = new QVBoxLayout;
  top->addLayout(right);
  auto* scan_box = new QGroupBox("SCANNING/CHANNEL SELECTION", this);
  auto* scan_grid = new QGridLayout(scan_box);
  add(scan_grid, "&START", 0, 0, [this] { panel_start_scan(panel); });
  add(scan_grid, "S&TOP", 0, 1, [] { panel_stop_scan(); });
  add(scan_grid, "PAUSE", 0, 2, [] { panel_stop_scan(); });
  add(scan_grid, "U&P CH", 1, 0, [] { panel_channel_step(true); });
  add(scan_grid, "D&N CH", 1, 1, [] { panel_channel_step(false); });
  right->addWidget(scan_box);
  auto* other = new QGridLayout;
  add(other, "MUTE", 0, 0, [] { panel_mute(); });
  add(other, "SAVE CHANNEL", 0, 1, [this] {
    auto* sure = new CAreYouSureDlg(this);
    sure->setAttribute(Qt::WA_DeleteOnClose);
    connect(sure, &QDialog::accepted, this, [this] { panel_save_channel(panel); });
    sure->open();
  });
  command = new QLineEdit(kFrameDoCmdText, this);
  command->setValidator(new UpperValidator(nullptr, command));
  other->addWidget(command, 1, 0);
  add(other, "DO CMD", 1, 1, [this] {
    frame_do_cmd(command->text().toLatin1().toStdString());
    command->setText(kFrameDoCmdText);
  });
  right->addLayout(other);
  rx_vol = new QGroupBox("RX VOL", this);
  auto* vol = new QVBoxLayout(rx_vol);
  slider = new QSlider(Qt::Vertical, rx_vol);
  vol->addWidget(slider);
  right->addWidget(rx_vol);
  connect(slider, &QSlider::valueChanged, this,
          [](int position) { panel_slider(db_get_radio_type(), kenwood_model(), position); });
  auto* quit = new QPushButton("QUIT", this);
  quit->setDefault(true);
  connect(quit, &QPushButton::clicked, this, &QDialog::accept);
  right->addWidget(quit);
}

void CRadioControlPanelDlg::OnInitDialog() {
  panel_start(panel);
  command->setText(kFrameDoCmdText);
  const int max = panel_slider_max(db_get_radio_type(), kenwood_model());
  rx_vol->setVisible(max > 0);
  if (max > 0) {
    const QSignalBlocker quiet(slider);
    slider->setRange(0, max);
    slider->setValue(max - radio_load_af_level());
  }
  steps[1000]->setChecked(true);
  refresh();
}

void CRadioControlPanelDlg::ShowChannel(const ChannelRecord* channel) {
  panel_show_channel(panel, channel);
  refresh();
}

void CRadioControlPanelDlg::refresh() {
  mode_display->setText(q(panel.mode_text));
  entry_display->setText(q(panel.entry));
}

CGotoChannelDlg::CGotoChannelDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Goto Channel");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  channel = upper_combo(order_channels(), kDialogChannelTextMax, this);
  channel->setMinimumWidth(300);
  channel->setCurrentText("");
  auto* row = new QFormLayout;
  row->addRow("Channel", channel);
  column->addLayout(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CGotoChannelDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

void CGotoChannelDlg::accept() {
  bool closes = true;
  goto_channel_ok(channel->currentText().toLatin1().toStdString(), &closes);
  if (!closes) {
    channel->setFocus();
    return;
  }
  QDialog::accept();
}

CAreYouSureDlg::CAreYouSureDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Are you sure !");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  column->addWidget(new QLabel("Save the tuned frequency as a new channel?", this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

}  // namespace vesk
