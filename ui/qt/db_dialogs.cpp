#include "ui/qt/db_dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "db/database.h"
#include "db/options.h"
#include "db/tables.h"
#include "ui/qt/dialog_widgets.h"

namespace vesk {

namespace {

QString q(const std::string& s) { return QString::fromLatin1(s.c_str()); }
std::string str(const QLineEdit* e) { return e->text().toLatin1().toStdString(); }
std::string str(const QComboBox* c) { return c->currentText().toLatin1().toStdString(); }

template <class D, class... Args>
void open_after(QWidget* parent, Args... args) {
  auto* d = new D(args..., parent);
  d->setAttribute(Qt::WA_DeleteOnClose);
  d->open();
}

void warning(QWidget* parent, const std::string& text) {
  auto* box = new QMessageBox(QMessageBox::Warning, QApplication::applicationName(), q(text), QMessageBox::Ok, parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

QStringList sorted(const std::vector<std::string>& names) {
  QStringList out;
  for (const std::string& n : names) out << q(n);
  out.sort();
  return out;
}

}  // namespace

InfoDialog::InfoDialog(const char* title, const std::string& body, QWidget* parent, const std::string& head)
    : QDialog(parent) {
  setWindowTitle(title);
  setModal(true);
  auto* column = new QVBoxLayout(this);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  mono.setPointSize(8);
  if (!head.empty()) {
    header = new QLabel(q(head).remove('\r').remove('\n'), this);
    header->setFont(mono);
    column->addWidget(header);
  }
  text = new QPlainTextEdit(this);
  text->setReadOnly(true);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setFont(mono);
  text->setPlainText(q(body).remove('\r'));
  // Wide enough for the widest line, the header's included, so no column is cut off (within
  // the screen; the text scrolls beyond it).
  const QFontMetrics fm(mono);
  int widest = 0;
  QString all = q(head) + "\n" + q(body);
  for (const QString& line : all.remove('\r').split('\n'))
    widest = std::max(widest, fm.horizontalAdvance(line));
  const int chrome = 2 * text->frameWidth() + 2 * static_cast<int>(text->document()->documentMargin()) +
                     text->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, text) + 4;
  int width = std::max(620, widest + chrome);
  if (const QScreen* s = QGuiApplication::primaryScreen()) width = std::min(width, s->availableGeometry().width() - 40);
  text->setMinimumSize(width, 320);
  column->addWidget(text);
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(ok, &QDialogButtonBox::accepted, this, &QDialog::accept);
  column->addWidget(ok);
}

CAddressInfoDlg::CAddressInfoDlg(int index, int channel, QWidget* parent)
    : InfoDialog("Address Information", index < 0 ? info_other_addresses_all() : info_other_address(index, channel), parent) {}
CChannelsInfoDlg::CChannelsInfoDlg(QWidget* parent)
    : InfoDialog("Channels Information", info_channels_rows(), parent, info_channels_header()) {}
COwnAddressesInfoDlg::COwnAddressesInfoDlg(QWidget* parent) : InfoDialog("Own Addresses ", info_own_addresses(), parent) {}
CAmdReceivedDlg::CAmdReceivedDlg(QWidget* parent) : InfoDialog("AMD Received ", info_amd_received(), parent) {}
CNetAddressesInfoDlg::CNetAddressesInfoDlg(int index, QWidget* parent)
    : InfoDialog("NET Addresses", index < 0 ? info_nets_all() : info_net(index), parent) {}

PickDialog::PickDialog(const char* title, const char* label, const std::vector<std::string>& names, bool editable,
                       QWidget* parent)
    : ConfigDialog(title, parent) {
  pick = new QComboBox(this);
  pick->setEditable(editable);
  pick->addItems(sorted(names));
  if (editable) {
    pick->setCurrentText("");
    pick->setValidator(new UpperValidator(nullptr, pick));
    pick->lineEdit()->setMaxLength(50);
    no_completion(pick);
  }
  pick->setMinimumWidth(300);
  form->addRow(label, pick);
  fields = {pick};
  pick->setFocus();
}

std::string PickDialog::picked() const { return str(pick); }

CListOtherAddressesDlg::CListOtherAddressesDlg(QWidget* parent)
    : PickDialog("List Other Addresses", "Address", in_use_other_names(), true, parent) {
  pick->lineEdit()->setMaxLength(15);
  channel = new QLineEdit("0", this);
  form->addRow("Chan", channel);
  fields.push_back(channel);
  add_buttons();
  ok = [this] {
    int index = -1, chan = 0;
    const ConfigOutcome o = list_other_addresses_ok(picked(), str(channel), &index, &chan);
    if (o.ok && index >= -1) open_after<CAddressInfoDlg>(parentWidget(), index, chan);
    return o;
  };
}

CChannelEditorDlg::CChannelEditorDlg(const char* title, int n, QWidget* parent) : ConfigDialog(title, parent), channel_number(n) {
  const ChannelView v = n < 0 ? channel_add_defaults() : channel_view(n);
  auto line = [this](const std::string& text) { return new QLineEdit(q(text), this); };
  auto list = [this](const QStringList& items, const std::string& text, int max) {
    auto* c = new QComboBox(this);
    c->setEditable(true);
    c->addItems(items);
    c->setCurrentText(q(text));
    c->lineEdit()->setMaxLength(max);
    c->setValidator(new UpperValidator(nullptr, c));
    no_completion(c);
    return c;
  };
  rx = line(v.rx_hz == "0" ? "" : v.rx_hz);
  tx = line(v.tx_hz == "0" ? "" : v.tx_hz);
  const QStringList modes = {"USB", "LSB", "USB-D", "LSB-D"};
  rx_mode = list(modes, v.rx_mode, 5);
  tx_mode = list(modes, v.tx_mode, 5);
  usage = list({"BOTH", "DATA", "VOICE"}, v.usage, 5);
  permission = list({"RX", "TX", "TXRX"}, v.permission, 5);
  own = list(sorted(in_use_own_names()), v.own, 15);
  tx_level = line(v.tx_level);
  lp_key = line(v.lp_key);
  antenna = line(v.antenna);
  attenuator = new QCheckBox("ATTN", this);
  tuner = new QCheckBox("ATU Enable", this);
  attenuator->setChecked(v.attenuator);
  tuner->setChecked(v.tuner);
  form->addRow("RX Hz", rx);
  form->addRow("Mode", rx_mode);
  form->addRow("TX Hz", tx);
  form->addRow("Mode ", tx_mode);
  form->addRow("Usage", usage);
  form->addRow("Permission", permission);
  form->addRow("Own Address", own);
  form->addRow("PCSDM TX Audio Level", tx_level);
  form->addRow("Link Protection Key", lp_key);
  form->addRow("TX/RX Ant Port", antenna);
  form->addRow(attenuator);
  form->addRow(tuner);
  auto* box = new QGroupBox("Groups", this);
  auto* grid = new QGridLayout(box);
  const std::vector<std::string> labels = group_labels();
  for (int g = 0; g < 16; ++g) {
    groups[static_cast<std::size_t>(g)] = new QCheckBox(q(std::to_string(g + 1) + " " + labels[static_cast<std::size_t>(g)]), box);
    groups[static_cast<std::size_t>(g)]->setChecked((v.groups >> g) & 1);
    grid->addWidget(groups[static_cast<std::size_t>(g)], g / 4, g % 4);
  }
  column->insertWidget(1, box);
  fields = {rx, tx, rx_mode, tx_mode, tx_level, lp_key, antenna, own};
  add_buttons();
  rx->setFocus();
  rx->selectAll();
  ok = [this] {
    ChannelView w;
    w.rx_hz = str(rx);
    w.tx_hz = str(tx);
    w.rx_mode = str(rx_mode);
    w.tx_mode = str(tx_mode);
    w.usage = str(usage);
    w.permission = str(permission);
    w.own = str(own);
    w.tx_level = str(tx_level);
    w.lp_key = str(lp_key);
    w.antenna = str(antenna);
    w.attenuator = attenuator->isChecked();
    w.tuner = tuner->isChecked();
    for (int g = 0; g < 16; ++g) w.groups |= groups[static_cast<std::size_t>(g)]->isChecked() ? 1 << g : 0;
    return channel_ok(channel_number, w);
  };
}

CSelectChannelDlg::CSelectChannelDlg(QWidget* parent) : PickDialog("Select Channel to Modify", "Channel", channel_list(), true, parent) {
  add_buttons();
  ok = [this] {
    int n = -1;
    const ConfigOutcome o = channel_pick(picked(), &n);
    if (o.ok && n >= 0) open_after<CModifyChannelDlg>(parentWidget(), n);
    return o;
  };
}

CDeleteChannelDlg::CDeleteChannelDlg(QWidget* parent) : PickDialog("Delete Channel", "Channel", channel_list(), true, parent) {
  add_buttons();
  ok = [this] { return channel_delete_ok(picked()); };
}

CGroupSetupDlg::CGroupSetupDlg(QWidget* parent) : ConfigDialog("Current Group Setup", parent) {
  auto* grid = new QGridLayout;
  for (int g = 0; g < 16; ++g) {
    groups[static_cast<std::size_t>(g)] = new QRadioButton(this);
    grid->addWidget(groups[static_cast<std::size_t>(g)], g % 8, g / 8);
  }
  form->addRow(grid);
  auto* edit = new QPushButton("Edit Current Group Text", this);
  form->addRow(edit);
  connect(edit, &QPushButton::clicked, this, [this] {
    int selected = 0;
    for (int g = 0; g < 16; ++g)
      if (groups[static_cast<std::size_t>(g)]->isChecked()) selected = g;
    auto* d = new CEditGroupLabelDlg(selected, this);
    d->setAttribute(Qt::WA_DeleteOnClose);
    connect(d, &QDialog::finished, this, [this] { reload(); });
    d->open();
  });
  reload();
  add_buttons();
  ok = [this] {
    for (int g = 0; g < 16; ++g)
      if (groups[static_cast<std::size_t>(g)]->isChecked()) group_select(g);
    return ConfigOutcome{};
  };
}

void CGroupSetupDlg::reload() {
  const std::vector<std::string> labels = group_labels();
  for (int g = 0; g < 16; ++g) groups[static_cast<std::size_t>(g)]->setText(q(labels[static_cast<std::size_t>(g)]));
  groups[static_cast<std::size_t>(db_get_scan_group() & 15)]->setChecked(true);
}

CEditGroupLabelDlg::CEditGroupLabelDlg(int group, QWidget* parent) : ConfigDialog("Edit Group Label", parent) {
  label = new QLineEdit(q(group_labels()[static_cast<std::size_t>(group)]), this);
  label->setMaxLength(39);
  form->addRow(label);
  add_buttons();
  label->setFocus();
  label->selectAll();
  ok = [this, group] {
    group_set_label(group, str(label));
    return ConfigOutcome{};
  };
}

CAddOtherAddressDlg::CAddOtherAddressDlg(QWidget* parent) : ConfigDialog("Add Other Address", parent) {
  address = upper_edit(kDialogAddressMax, this);
  tt = new QLineEdit("3000", this);
  twr = new QLineEdit("2000", this);
  form->addRow("Address", address);
  form->addRow("TT (ms)", tt);
  form->addRow("TWR (ms)", twr);
  fields = {address, tt, twr};
  add_buttons();
  address->setFocus();
  ok = [this] { return add_other_address_ok(str(address), str(tt), str(twr)); };
}

CAddOwnAddressDlg::CAddOwnAddressDlg(QWidget* parent) : ConfigDialog("Add Own Address", parent) {
  address = upper_edit(kDialogAddressMax, this);
  form->addRow("Address", address);
  fields = {address};
  add_buttons();
  address->setFocus();
  ok = [this] { return add_own_address_ok(str(address)); };
}

CDeleteOtherAddressDlg::CDeleteOtherAddressDlg(QWidget* parent)
    : PickDialog("Delete Other Address", "Address", in_use_other_names(), false, parent) {
  add_buttons();
  ok = [this] {
    const std::string w = delete_other_address_ok(picked());
    if (!w.empty()) warning(parentWidget(), w);
    return ConfigOutcome{};
  };
}

CDeleteOwnAddressDlg::CDeleteOwnAddressDlg(QWidget* parent)
    : PickDialog("Delete Own Address", "Address", in_use_own_names(), true, parent) {
  add_buttons();
  ok = [this] {
    const std::string w = delete_own_address_ok(picked());
    if (!w.empty()) warning(parentWidget(), w);
    return ConfigOutcome{};
  };
}

CModifyOtherAddressDlg::CModifyOtherAddressDlg(const std::string& chosen, QWidget* parent)
    : ConfigDialog("Modify Other Address", parent) {
  address = upper_edit(kDialogAddressMax, this);
  tt = new QLineEdit("0", this);
  twr = new QLineEdit("0", this);
  {
    DbLock lock;
    if (const OtherAddressRecord* r = db_find_other_address(lock, chosen.c_str())) {
      address->setText(q(chosen));
      tt->setText(QString::number(r->tt_ms));
      twr->setText(QString::number(r->twr_ms));
    }
  }
  form->addRow("Address", address);
  form->addRow("TT ms", tt);
  form->addRow("TWR ms", twr);
  fields = {address, tt, twr};
  add_buttons();
  address->setFocus();
  address->selectAll();
  ok = [this, chosen] { return modify_other_address_ok(chosen, str(address), str(tt), str(twr)); };
}

CModifyOwnAddressDlg::CModifyOwnAddressDlg(const std::string& chosen, QWidget* parent)
    : ConfigDialog("Modify Own Address", parent) {
  address = upper_edit(kDialogAddressMax, this);
  address->setText(q(chosen));
  form->addRow("Address", address);
  fields = {address};
  add_buttons();
  ok = [this, chosen] { return modify_own_address_ok(chosen, str(address)); };
}

CSelectOtherAddressDlg::CSelectOtherAddressDlg(QWidget* parent)
    : PickDialog("Select Address", "Address", in_use_other_names(), true, parent) {
  add_buttons();
  ok = [this] {
    open_after<CModifyOtherAddressDlg>(parentWidget(), picked());
    return ConfigOutcome{};
  };
}

CSelectOwnAddressDlg::CSelectOwnAddressDlg(QWidget* parent) : PickDialog("Select Address", "Address", in_use_own_names(), true, parent) {
  add_buttons();
  ok = [this] {
    open_after<CModifyOwnAddressDlg>(parentWidget(), picked());
    return ConfigOutcome{};
  };
}

CAddNetAddressDlg::CAddNetAddressDlg(QWidget* parent) : ConfigDialog("Add Net Address", parent) {
  net = upper_edit(kDialogAddressMax, this);
  form->addRow("NET ADDRESS", net);
  std::vector<std::string> names = in_use_own_names();
  for (const std::string& o : in_use_other_names()) names.push_back(o);
  auto* grid = new QGridLayout;
  for (int s = 0; s < 20; ++s) {
    QComboBox* c = upper_combo(names, kDialogAddressMax, this);
    c->setCurrentText("");
    grid->addWidget(new QLabel(QString("Slot %1").arg(s + 1), this), s % 10, (s / 10) * 2);
    grid->addWidget(c, s % 10, (s / 10) * 2 + 1);
    slots[static_cast<std::size_t>(s)] = c;
  }
  form->addRow(grid);
  fields = {net};
  add_buttons();
  net->setFocus();
  ok = [this] {
    std::array<std::string, 20> texts;
    for (int s = 0; s < 20; ++s) texts[static_cast<std::size_t>(s)] = str(slots[static_cast<std::size_t>(s)]);
    return add_net_ok(str(net), texts);
  };
}

CDeleteNetAddressDlg::CDeleteNetAddressDlg(QWidget* parent)
    : PickDialog("Delete Net Address", "NET Address", in_use_net_names(), true, parent) {
  add_buttons();
  ok = [this] {
    delete_net_ok(picked());
    return ConfigOutcome{};
  };
}

CListNetAddressDlg::CListNetAddressDlg(QWidget* parent) : PickDialog("List Net Address", "NET Address", in_use_net_names(), true, parent) {
  add_buttons();
  ok = [this] {
    open_after<CNetAddressesInfoDlg>(parentWidget(), list_net_index(picked()));
    return ConfigOutcome{};
  };
}

CResetDynamicAddressesDlg::CResetDynamicAddressesDlg(QWidget* parent)
    : ConfigDialog("Reset Dynamic Other Addresses", parent) {
  form->addRow(new QLabel("Delete every learned other address?", this));
  add_buttons();
  ok = [] {
    reset_dynamic_ok();
    return ConfigOutcome{};
  };
}

CLinkingProtectionKeysDlg::CLinkingProtectionKeysDlg(QWidget* parent) : ConfigDialog("Linking Protection Keys", parent) {
  const std::array<LpKeyView, 5> v = lp_keys_open();
  for (int i = 0; i < 5; ++i) {
    auto* row = new QHBoxLayout;
    keys[static_cast<std::size_t>(i)] = upper_edit(14, this);
    keys[static_cast<std::size_t>(i)]->setText(q(v[static_cast<std::size_t>(i)].digits));
    row->addWidget(keys[static_cast<std::size_t>(i)]);
    const bool on[3] = {v[static_cast<std::size_t>(i)].al0, v[static_cast<std::size_t>(i)].al1, v[static_cast<std::size_t>(i)].al2};
    for (int l = 0; l < 3; ++l) {
      auto* c = new QCheckBox(QString("AL%1").arg(l), this);
      c->setChecked(on[l]);
      c->setEnabled(l != 2);
      row->addWidget(c);
      levels[static_cast<std::size_t>(i)][static_cast<std::size_t>(l)] = c;
    }
    form->addRow(QString("KEY %1").arg(i), row);
    fields.push_back(keys[static_cast<std::size_t>(i)]);
  }
  form->addRow(new QLabel("ALL KEYS 14 DIGITS LONG\n                   (56 BITS)", this));
  add_buttons();
  ok = [this] {
    std::array<LpKeyView, 5> w;
    for (std::size_t i = 0; i < 5; ++i)
      w[i] = {str(keys[i]), levels[i][0]->isChecked(), levels[i][1]->isChecked(), levels[i][2]->isChecked()};
    return lp_keys_ok(w);
  };
}

CEncryptionKeyDlg::CEncryptionKeyDlg(QWidget* parent) : ConfigDialog("Data Transfer Encryption Key", parent) {
  form->addRow(new QLabel("24 byte Encryption key used for File and Email Transfers.\nFormat is Hexidecimal", this));
  key = new QLineEdit(q(encryption_key_open()), this);
  key->setMaxLength(48);
  key->setMinimumWidth(420);
  form->addRow(key);
  fields = {key};
  add_buttons();
  ok = [this] { return encryption_key_ok(str(key)); };
}

}  // namespace vesk
