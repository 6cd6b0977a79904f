#include "ui/qt/options_dialog.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>
#include <filesystem>

#include "db/options.h"
#include "platform/shell.h"
#include "platform/station.h"
#include "ui/qt/dialog_widgets.h"

namespace vesk {

namespace {

QString q(const std::string& s) { return QString::fromLatin1(s.c_str()); }
std::string str(const QComboBox* c) { return c->currentText().toLatin1().toStdString(); }

QComboBox* combo(const std::vector<std::string>& items, int max_length, const std::string& text, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  for (const std::string& i : items) c->addItem(q(i));
  c->lineEdit()->setMaxLength(max_length);
  no_completion(c);
  c->setCurrentText(q(text));
  return c;
}

void box(QWidget* parent, const char* text, const char* caption) {
  auto* b = new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok, parent);
  b->setAttribute(Qt::WA_DeleteOnClose);
  b->open();
}

}  // namespace

CMil141OptionsDlg::CMil141OptionsDlg(QWidget* parent) : ConfigDialog("MIL-STD-188-141A Options", parent) {
  const OptionsView v = options_open();
  auto* body = new QHBoxLayout;
  column->insertLayout(0, body);

  // The switches, with those of the Release Resources command in a group of their own.
  auto* left = new QVBoxLayout;
  body->addLayout(left);
  auto* switches = new QGroupBox("Enable/Disable", this);
  auto* switch_grid = new QGridLayout(switches);
  auto* release = new QGroupBox("Release Resources", this);
  auto* release_column = new QVBoxLayout(release);
  const auto& check_rows = option_checks();
  int placed = 0;
  for (std::size_t i = 0; i < check_rows.size(); ++i) {
    const std::size_t offset = check_rows[i].offset;
    const bool releases = offset == opt::RELEASE_RADIO1 || offset == opt::RELEASE_ALT_PTT || offset == opt::RELEASE_SOUND;
    auto* c = new QCheckBox(check_rows[i].text, releases ? release : switches);
    c->setChecked(v.checks[i]);
    c->setEnabled(check_rows[i].enabled);
    if (releases) {
      release_column->addWidget(c);
    } else {
      switch_grid->addWidget(c, placed % 16, placed / 16);
      ++placed;
    }
    checks.push_back(c);
  }
  left->addWidget(switches);
  left->addWidget(release);
  left->addStretch(1);

  auto* params = new QGroupBox("Parameters", this);
  auto* param_grid = new QGridLayout(params);
  const auto& number_rows = option_numbers();
  for (std::size_t i = 0; i < number_rows.size(); ++i) {
    auto* e = new QLineEdit(q(v.numbers[i]), params);
    e->setMaxLength(7);
    // Wide enough for the field's largest value, whatever room the dialog has.
    fit_text(e, QString::number(number_rows[i].max));
    e->setEnabled(number_rows[i].offset != opt::ATU_TUNE_LEVEL);
    const int row = static_cast<int>(i % 16), col = static_cast<int>(i / 16) * 2;
    param_grid->addWidget(new QLabel(number_rows[i].text, params), row, col);
    param_grid->addWidget(e, row, col + 1);
    numbers.push_back(e);
    fields.push_back(e);
  }
  body->addWidget(params);

  auto* right = new QVBoxLayout;
  body->addLayout(right);
  auto* rates = new QGroupBox("Scan Rate", this);
  auto* rate_row = new QHBoxLayout(rates);
  const char* rate_names[4] = {"1", "2", "5", "10"};
  for (int i = 0; i < 4; ++i) {
    scan_rates[i] = new QRadioButton(rate_names[i], rates);
    rate_row->addWidget(scan_rates[i]);
  }
  scan_rates[v.scan_rate]->setChecked(true);
  right->addWidget(rates);
  auto* types = new QFormLayout;
  radio = combo(option_radio_types(), 15, v.radio, this);
  radio2 = combo(option_radio_types(), 15, "NONE", this);
  radio2->setEnabled(false);
  atu = combo(option_atu_types(), 15, v.atu, this);
  ant_switch = combo(option_ant_switch_types(), 15, v.ant_switch, this);
  tnc_type = combo(option_tnc_types(), 15, v.tnc_type, this);
  tnc_baud = combo(option_tnc_bauds(), 6, v.tnc_baud, this);
  tnc_handshake = combo(option_tnc_handshakes(), 10, v.tnc_handshake, this);
  tnc_mode = combo(option_tnc_modes(), 5, v.tnc_mode, this);
  freq_offset = combo(option_freq_offsets(), 6, v.freq_offset, this);
  types->addRow("R&1", radio);  // Alt+1 reaches the radio type
  types->addRow("R2", radio2);
  types->addRow("ATU Type", atu);
  types->addRow("ANT Switch Type", ant_switch);
  types->addRow("TNC Type", tnc_type);
  types->addRow("TNC Baud", tnc_baud);
  types->addRow("TNC Handshake", tnc_handshake);
  types->addRow("TNC Radio Mode", tnc_mode);
  types->addRow("Freq. Offset Khz.", freq_offset);
  right->addLayout(types);
  motd = new QLineEdit(q(v.motd), this);
  motd->setMaxLength(91);  // the check at OK refuses more than 90 with a warning
  right->addWidget(new QLabel("MOTD", this));
  right->addWidget(motd);
  auto* buttons = new QHBoxLayout;
  radio1_port = new QPushButton("Radio 1 Comm Port", this);
  radio2_port = new QPushButton("Radio 2 Comm Port", this);
  radio_help = new QPushButton("RADIO HELP", this);
  dll_radio = new QPushButton("DLL-RADIO", this);
  dll_radio->hide();
  for (QPushButton* b : {radio1_port, radio2_port, radio_help, dll_radio}) buttons->addWidget(b);
  right->addLayout(buttons);
  connect(radio1_port, &QPushButton::clicked, this, [this] {
    auto* d = new CRadioPortParamsDlg(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
  });
  connect(radio2_port, &QPushButton::clicked, this,
          [this] { box(this, "Radio 2 Com Port Configuration coming....", "Radio 2 Comm Port Configuration"); });
  connect(radio_help, &QPushButton::clicked, this, [] {
    const auto path = station().path("vudadiravudav.pdf");
    if (std::filesystem::exists(path)) shell_open(path.string());
  });
  connect(dll_radio, &QPushButton::clicked, this, [this] {
    auto* d = new CDllRadioFilenameDlg(this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->open();
  });
  add_buttons();
  ok = [this] {
    if (!editable) return ConfigOutcome{};
    const ConfigOutcome o = options_ok(view());
    if (!o.ok) {
      QWidget* focus = o.field == kFieldMotd         ? static_cast<QWidget*>(motd)
                       : o.field == kFieldRadio      ? radio
                       : o.field == kFieldTncBaud    ? tnc_baud
                       : o.field == kFieldFreqOffset ? freq_offset
                                                     : nullptr;
      if (focus != nullptr) {
        // The base puts the focus on numbered fields; these are named.
        focus->setFocus();
        return ConfigOutcome{false, o.warning, -1};
      }
    }
    return o;
  };
}

OptionsView CMil141OptionsDlg::view() const {
  OptionsView v;
  for (QCheckBox* c : checks) v.checks.push_back(c->isChecked());
  for (int i = 0; i < 4; ++i)
    if (scan_rates[i]->isChecked()) v.scan_rate = i;
  for (QLineEdit* e : numbers) v.numbers.push_back(e->text().toLatin1().toStdString());
  v.motd = motd->text().toLatin1().toStdString();
  v.radio = str(radio);
  v.atu = str(atu);
  v.ant_switch = str(ant_switch);
  v.tnc_type = str(tnc_type);
  v.tnc_baud = str(tnc_baud);
  v.tnc_handshake = str(tnc_handshake);
  v.tnc_mode = str(tnc_mode);
  v.freq_offset = str(freq_offset);
  return v;
}

}  // namespace vesk
