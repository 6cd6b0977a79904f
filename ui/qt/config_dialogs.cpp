#include "ui/qt/config_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QMessageBox>
#include <QVBoxLayout>

#include "ui/qt/dialog_widgets.h"

namespace vesk {

namespace {

std::string str(const QLineEdit* e) { return e->text().toLatin1().toStdString(); }
std::string str(const QComboBox* c) { return c->currentText().toLatin1().toStdString(); }
QString q(const std::string& s) { return QString::fromLatin1(s.c_str()); }

QGroupBox* group(const char* title, QWidget* parent, QVBoxLayout** inner) {
  auto* g = new QGroupBox(title, parent);
  *inner = new QVBoxLayout(g);
  return g;
}

QComboBox* list(const QStringList& items, bool editable, int max_length, QWidget* parent) {
  auto* c = new QComboBox(parent);
  c->addItems(items);
  c->setEditable(editable);
  if (editable) c->lineEdit()->setMaxLength(max_length);
  no_completion(c);
  return c;
}

}  // namespace

ConfigDialog::ConfigDialog(const char* title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  setModal(true);
  column = new QVBoxLayout(this);
  form = new QFormLayout;
  column->addLayout(form);
}

void ConfigDialog::add_buttons(bool cancel) {
  auto* buttons = new QDialogButtonBox(
      cancel ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel : QDialogButtonBox::StandardButtons(QDialogButtonBox::Ok),
      this);
  connect(buttons, &QDialogButtonBox::accepted, this, &ConfigDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

void ConfigDialog::accept() {
  const ConfigOutcome o = ok ? ok() : ConfigOutcome{};
  if (!o.ok) {
    if (o.field >= 0 && o.field < static_cast<int>(fields.size())) fields[static_cast<std::size_t>(o.field)]->setFocus();
    // A refusal whose warning was shown already (by the database service) adds no empty box.
    if (o.warning.empty()) return;
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), q(o.warning), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return;
  }
  QDialog::accept();
}

// ---- MIL-STD 188-110 Options ----

CMil110OptionsDlg::CMil110OptionsDlg(QWidget* parent) : ConfigDialog("MIL-STD 188-110 Options", parent) {
  const Mil110View v = mil110_options_open();
  auto* row = new QHBoxLayout;
  QVBoxLayout* inner = nullptr;
  QGroupBox* twx_box = group("TWX", this, &inner);
  auto* twx_group = new QButtonGroup(this);
  const char* twx_names[3] = {"OFF", "LINKED", "ALWAYS"};
  for (int i = 0; i < 3; ++i) {
    twx[i] = new QRadioButton(twx_names[i], twx_box);
    twx_group->addButton(twx[i]);
    inner->addWidget(twx[i]);
  }
  twx[v.twx_mode]->setChecked(true);
  row->addWidget(twx_box);
  QGroupBox* link_box = group("Mode", this, &inner);
  auto* link_group = new QButtonGroup(this);
  const char* link_names[3] = {"ASYNC", "FS-1052 DLP", "S-5066 DLP"};
  for (int i = 0; i < 3; ++i) {
    link[i] = new QRadioButton(link_names[i], link_box);
    link_group->addButton(link[i]);
    inner->addWidget(link[i]);
  }
  link[v.link_mode]->setChecked(true);
  link[0]->setEnabled(false);
  link[2]->setEnabled(false);
  row->addWidget(link_box);
  QGroupBox* carrier_box = group("Carrier", this, &inner);
  auto* carrier_group = new QButtonGroup(this);
  const char* carrier_names[3] = {"1800hz (STD)", "1500hz (STD2)", "1200hz (VESK)"};
  for (int i = 0; i < 3; ++i) {
    carrier[i] = new QRadioButton(carrier_names[i], carrier_box);
    carrier_group->addButton(carrier[i]);
    inner->addWidget(carrier[i]);
  }
  if (v.carrier >= 0) carrier[v.carrier]->setChecked(true);
  row->addWidget(carrier_box);
  QGroupBox* symbol_box = group("Symbol Rate", this, &inner);
  auto* symbol_group = new QButtonGroup(this);
  const char* symbol_names[4] = {"1600BPS (2.0Khz)", "1800BPS (2.25Khz)", "2000BPS (2.50Khz)", "2400BPS (3.0Khz)"};
  for (int i = 0; i < 4; ++i) {
    symbol[i] = new QRadioButton(symbol_names[i], symbol_box);
    symbol_group->addButton(symbol[i]);
    inner->addWidget(symbol[i]);
  }
  if (v.symbol_rate >= 0) symbol[v.symbol_rate]->setChecked(true);
  set_upper_rates(v.upper_rates);
  row->addWidget(symbol_box);
  column->insertLayout(0, row);

  datarate = new QPushButton(q(v.rate), this);
  datarate_menu = new QMenu("DATARATE", this);
  for (const RateItem& item : kMil110Rates) {
    QAction* a = datarate_menu->addAction(item.label);
    const std::string text = item.text;
    connect(a, &QAction::triggered, this, [this, text] {
      mil110_choose_rate(text);
      datarate->setText(q(text));
    });
  }
  connect(datarate, &QPushButton::clicked, this,
          [this] { datarate_menu->popup(datarate->mapToGlobal(QPoint(0, datarate->height()))); });
  form->addRow("DATARATE", datarate);
  for (int i = 0; i < 3; ++i)
    connect(carrier[i], &QRadioButton::clicked, this, [this, i] {
      const bool upper = mil110_choose_carrier(i);
      if (i == kCarrier1200) symbol[0]->setChecked(true);
      set_upper_rates(upper);
    });
  for (int i = 0; i < 4; ++i) connect(symbol[i], &QRadioButton::clicked, this, [i] { mil110_choose_symbol_rate(i); });
  // The modem's fixed framing, shown and not changed here.
  auto* fixed = new QLabel("Data Bits 7   Start Bits 1   Stop Bits 1   Parity None   Alphabet ASCII   SYNC   "
                           "Data Compression off",
                           this);
  fixed->setEnabled(false);
  column->addWidget(fixed);
  add_buttons();
  ok = [this] {
    int link_mode = 0, twx_mode = 0;
    for (int i = 0; i < 3; ++i) {
      if (link[i]->isChecked()) link_mode = i;
      if (twx[i]->isChecked()) twx_mode = i;
    }
    mil110_options_ok(link_mode, twx_mode);
    return ConfigOutcome{};
  };
}

void CMil110OptionsDlg::set_upper_rates(bool on) {
  for (int i = 1; i < 4; ++i) symbol[i]->setEnabled(on);
}

// ---- FS-1052 Options ----

CFs1052OptionsDlg::CFs1052OptionsDlg(QWidget* parent) : ConfigDialog("FS-1052 Options", parent) {
  const Fs1052View v = fs1052_options_open();
  immediate = new QCheckBox("Immediate Mode", this);
  negotiate = new QCheckBox("Negotiate Every Series", this);
  immediate->setChecked(v.immediate);
  negotiate->setChecked(v.negotiate);
  form->addRow(immediate);
  form->addRow(negotiate);
  frame_size = new QLineEdit(q(v.frame_size), this);
  retry_count = new QLineEdit(q(v.retry_count), this);
  form->addRow("Frame Size", frame_size);
  form->addRow("Retry Count", retry_count);
  QStringList rates;
  for (const char* r : kFs1052MinRates) rates << r;
  min_rate = list(rates, true, 10, this);
  min_rate->setCurrentText(q(v.min_rate));
  form->addRow("Minimum ARQ Datarate", min_rate);
  QVBoxLayout* inner = nullptr;
  QGroupBox* arq = group("ARQ Mode", this, &inner);
  fixed = new QRadioButton("Fixed", arq);
  variable = new QRadioButton("Variable", arq);
  circuit = new QRadioButton("Circuit", arq);
  circuit->setEnabled(false);
  for (QRadioButton* b : {fixed, variable, circuit}) inner->addWidget(b);
  if (v.arq_mode == 3) fixed->setChecked(true);
  if (v.arq_mode == 0) variable->setChecked(true);
  if (v.arq_mode == 2) circuit->setChecked(true);
  form->addRow(arq);
  QGroupBox* il = group("Interleave", this, &inner);
  long_interleave = new QRadioButton("Long Interleave", il);
  short_interleave = new QRadioButton("Short Interleave", il);
  inner->addWidget(long_interleave);
  inner->addWidget(short_interleave);
  if (v.interleave == 7) long_interleave->setChecked(true);
  if (v.interleave == 6) short_interleave->setChecked(true);
  form->addRow(il);
  QStringList choices;
  for (const char* r : kFs1052BroadcastChoices) choices << r;
  broadcast = list(choices, false, 0, this);
  broadcast->setCurrentIndex(broadcast->findText(q(v.broadcast)));
  form->addRow("Datarate", broadcast);
  transmissions = new QLineEdit(q(v.transmissions), this);
  form->addRow("Transmissions", transmissions);
  fields = {frame_size, retry_count, transmissions, min_rate};
  add_buttons();
  ok = [this] {
    Fs1052View w;
    w.immediate = immediate->isChecked();
    w.negotiate = negotiate->isChecked();
    w.arq_mode = fixed->isChecked() ? 3 : variable->isChecked() ? 0 : circuit->isChecked() ? 2 : -1;
    w.interleave = long_interleave->isChecked() ? 7 : short_interleave->isChecked() ? 6 : -1;
    w.frame_size = str(frame_size);
    w.retry_count = str(retry_count);
    w.transmissions = str(transmissions);
    w.min_rate = str(min_rate);
    w.broadcast = broadcast->currentIndex() >= 0 ? str(broadcast) : std::string();
    return fs1052_options_ok(w);
  };
}

// ---- Soundcard Configure ----

CSoundcardConfigDlg::CSoundcardConfigDlg(QWidget* parent) : ConfigDialog("Soundcard Configure", parent) {
  const SoundView v = soundcard_open();
  input = new QComboBox(this);
  output = new QComboBox(this);
  for (auto [combo, is_input, stored] : {std::tuple{input, true, v.input_device}, {output, false, v.output_device}}) {
    for (const SoundDevice& d : sound_devices(is_input)) {
      combo->addItem(q(d.name), d.number);
      if (d.number == stored) combo->setCurrentIndex(combo->count() - 1);
    }
  }
  form->addRow("Input Device", input);
  form->addRow("Output Device", output);
  for (QSlider** s : {&rx_level, &tx_level}) {
    *s = new QSlider(Qt::Horizontal, this);
    (*s)->setRange(0, 100);
    (*s)->setTickInterval(10);
    (*s)->setTickPosition(QSlider::TicksBelow);
  }
  rx_level->setValue(v.rx_level);
  tx_level->setValue(v.tx_level);
  form->addRow("RX Level", rx_level);
  form->addRow("TX Level", tx_level);
  line_in = new QRadioButton("Line In", this);
  mic_in = new QRadioButton("Mic In", this);  // one pair: checking one clears the other
  (v.mic_in ? mic_in : line_in)->setChecked(true);
  auto* pair = new QHBoxLayout;
  pair->addWidget(line_in);
  pair->addWidget(mic_in);
  form->addRow(pair);
  add_buttons();
  ok = [this] {
    SoundView w;
    w.input_device = input->currentIndex() >= 0 ? input->currentData().toInt() : soundcard_open().input_device;
    w.output_device = output->currentIndex() >= 0 ? output->currentData().toInt() : soundcard_open().output_device;
    w.rx_level = rx_level->value();
    w.tx_level = tx_level->value();
    w.mic_in = mic_in->isChecked();
    soundcard_ok(w);
    return ConfigOutcome{};
  };
}

// ---- TCP/IP, Email, FTP ----

CTcpIpConfigDlg::CTcpIpConfigDlg(QWidget* parent) : ConfigDialog("TCP/IP & ZIRVO Configuration", parent) {
  const TcpIpView v = tcpip_open();
  auto* row = new QHBoxLayout;
  for (int i = 0; i < 4; ++i) {
    address[i] = new QLineEdit(q(v.address[static_cast<std::size_t>(i)]), this);
    address[i]->setMaxLength(3);
    address[i]->setFixedWidth(48);
    row->addWidget(address[i]);
    if (i < 3) row->addWidget(new QLabel(".", this));
    fields.push_back(address[i]);
  }
  form->addRow("IP Address", row);
  port = new QLineEdit(q(v.port), this);
  port->setMaxLength(5);
  fields.push_back(port);
  form->addRow("Port", port);
  enabled = new QCheckBox("Interface Enabled", this);
  enabled->setChecked(v.enabled);
  form->addRow(enabled);
  add_buttons();
  ok = [this] {
    TcpIpView w;
    for (int i = 0; i < 4; ++i) w.address[static_cast<std::size_t>(i)] = str(address[i]);
    w.port = str(port);
    w.enabled = enabled->isChecked();
    return tcpip_ok(w);
  };
}

CEmailConfigDlg::CEmailConfigDlg(QWidget* parent) : ConfigDialog("Email Configuration", parent) {
  const EmailView v = email_open();
  enabled = new QCheckBox("Enable Email", this);
  secure = new QCheckBox("Secure Email", this);
  enabled->setChecked(v.enabled);
  secure->setChecked(v.secure);
  form->addRow(enabled);
  form->addRow(secure);
  add_buttons();
  ok = [this] {
    email_ok({enabled->isChecked(), secure->isChecked()});
    return ConfigOutcome{};
  };
}

CFtpConfigDlg::CFtpConfigDlg(QWidget* parent) : ConfigDialog("FTP Configuration", parent) {
  secure = new QCheckBox("Secure FTP Transfers", this);
  secure->setChecked(ftp_open());
  form->addRow(secure);
  add_buttons();
  ok = [this] {
    ftp_ok(secure->isChecked());
    return ConfigOutcome{};
  };
}

// ---- Radio 1 Custom Port Parameters, DLL Radio Filename ----

CRadioPortParamsDlg::CRadioPortParamsDlg(QWidget* parent) : ConfigDialog("Radio 1 Custom Port Parameters", parent) {
  const RadioPortView v = radio_port_open();
  note = new QLineEdit(q(v.note), this);
  note->setMaxLength(39);
  baud = list({"0", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200", "240000"}, true, 10, this);
  baud->setCurrentText(q(v.baud));
  data_bits = list({"7", "8"}, true, 1, this);
  parity = list({"N", "E", "O"}, true, 1, this);
  stop_bits = list({"1", "2"}, true, 1, this);
  data_bits->setCurrentText(q(v.data_bits));
  parity->setCurrentText(q(v.parity));
  stop_bits->setCurrentText(q(v.stop_bits));
  address = new QLineEdit(q(v.address), this);
  address->setEnabled(false);
  preconfig = new QCheckBox("Disable Radio Pre-Configuration", this);
  preconfig->setChecked(v.preconfig_disabled);
  form->addRow("Setup Note", note);
  form->addRow("Baud Rate", baud);
  form->addRow("Data Bits", data_bits);
  form->addRow("Parity", parity);
  form->addRow("Stop Bits", stop_bits);
  form->addRow("Radio Address", address);
  form->addRow(preconfig);
  fields = {note, baud, data_bits, parity, stop_bits, address};
  add_buttons();
  ok = [this] {
    RadioPortView w{str(note), str(baud), str(data_bits), str(parity), str(stop_bits), str(address),
                    preconfig->isChecked()};
    return radio_port_ok(w);
  };
}

CDllRadioFilenameDlg::CDllRadioFilenameDlg(QWidget* parent) : ConfigDialog("DLL Radio Filename", parent) {
  name = new QLineEdit(q(dll_filename_open()), this);
  name->setMaxLength(static_cast<int>(kPluginNameMax));
  form->addRow("Filename", name);
  fields = {name};
  add_buttons();
  ok = [this] { return dll_filename_ok(str(name)); };
}

// ---- Tracing ----

CTracingDlg::CTracingDlg(QWidget* parent) : ConfigDialog("Tracing", parent) {
  const TracingView v = tracing_open();
  auto make = [this](const char* text, bool on) {
    auto* c = new QCheckBox(text, this);
    c->setChecked(on);
    form->addRow(c);
    return c;
  };
  rx_words = make("Trace RX words", v.rx_words);
  tx_words = make("Trace TX words", v.tx_words);
  states = make("Trace States", v.states);
  events = make("Trace Events", v.events);
  commands = make("Trace Commands", v.commands);
  timers = make("TraceTimers", v.timers);
  fs1052 = make("Trace FS-1052", v.fs1052);
  auto* note = new QLabel(
      "WARNING: Trace functions bring  the risk of DSP function performance degradedation and the occasional loss "
      "of ALE words.\n\nUnchecking a Trace feature does not competely release the feature to OFF until restarting "
      "the tool.",
      this);
  note->setWordWrap(true);
  column->addWidget(note);
  add_buttons(false);
  ok = [this] {
    tracing_ok({rx_words->isChecked(), tx_words->isChecked(), states->isChecked(), events->isChecked(),
                commands->isChecked(), timers->isChecked(), fs1052->isChecked()});
    return ConfigOutcome{};
  };
}

// ---- Recorder Parameters ----

CRecorderParametersDlg::CRecorderParametersDlg(QWidget* parent) : ConfigDialog("Recorder Parameters", parent) {
  const RecorderView v = recorder_open();
  enabled = new QCheckBox("Enable Recorder", this);
  enabled->setChecked(v.enabled);
  max_secs = new QLineEdit(q(v.max_secs), this);
  path = new QLineEdit(q(v.path), this);
  path->setMaxLength(static_cast<int>(kRecorderPathMax) + 1);
  form->addRow(enabled);
  form->addRow("Max Period in Secs", max_secs);
  form->addRow("Path", path);
  fields = {max_secs, path};
  add_buttons();
  ok = [this] { return recorder_ok({enabled->isChecked(), str(max_secs), str(path)}); };
}

}  // namespace vesk
