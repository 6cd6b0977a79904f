#include "ui/qt/call_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "db/options.h"
#include "ale/words/ale_word.h"

namespace vesk {

namespace {

QFormLayout* fields(OkDialog* d) {
  auto* f = new QFormLayout;
  d->form->addLayout(f);
  return f;
}

QLineEdit* amd_edit(QWidget* parent) { return upper_edit(kDialogAmdMax, parent); }

QComboBox* channel_combo(OkDialog* d) {
  QComboBox* c = upper_combo(dialog_channels(), kDialogChannelTextMax, d);
  c->setMinimumWidth(300);
  d->channel_field = c;
  return c;
}

// Letters and digits only: "?" or "@" would make the selective call a global one.
QLineEdit* selector_edit(int max, QWidget* parent) {
  return upper_edit(max, parent, [](QChar c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

std::vector<std::string> texts(const std::vector<QComboBox*>& combos) {
  std::vector<std::string> out;
  for (QComboBox* c : combos) out.push_back(text_of(c));
  return out;
}

bool aqc() { return db_get_aqc_mode() == 1; }

}  // namespace

CIndividualCallDlg::CIndividualCallDlg(QWidget* parent) : OkDialog("Individual Call", parent) {
  QFormLayout* f = fields(this);
  address = upper_combo(dialog_other_addresses(aqc()), kDialogAddressMax, this);
  address->setCurrentText("");
  amd = amd_edit(this);
  f->addRow("Address", address);
  f->addRow("AMD", amd);
  termination = add_termination(this, Termination::Tis);
  if (aqc()) {
    amd->setEnabled(false);
    termination.tws->setEnabled(false);
  }
  add_buttons();
  amd->setFocus();
  ok = [this] { return individual_call_ok(text_of(address), text_of(amd), termination.value()); };
}

CNetCallDlg::CNetCallDlg(QWidget* parent) : OkDialog("Net Call", parent) {
  QFormLayout* f = fields(this);
  net = upper_combo(dialog_nets(), kDialogAddressMax, this);
  amd = amd_edit(this);
  f->addRow("Net", net);
  f->addRow("AMD", amd);
  termination = add_termination(this, Termination::Tis);
  if (aqc()) {
    amd->setEnabled(false);
    termination.tws->setEnabled(false);
  }
  add_buttons();
  ok = [this] { return net_call_ok(text_of(net), text_of(amd), termination.value()); };
}

CGroupCallDlg::CGroupCallDlg(QWidget* parent) : OkDialog("Group Call", parent) {
  auto* grid = new QGridLayout;
  const std::vector<std::string> others = dialog_other_addresses(false);
  for (int i = 0; i < 15; ++i) {
    QComboBox* c = upper_combo(others, kDialogAddressMax, this);
    grid->addWidget(c, i / 5, i % 5);
    addresses.push_back(c);
  }
  form->addLayout(grid);
  QFormLayout* f = fields(this);
  amd = amd_edit(this);
  f->addRow("AMD", amd);
  termination = add_termination(this, Termination::Tis);
  add_buttons();
  ok = [this] { return group_call_ok(texts(addresses), text_of(amd), termination.value()); };
}

CGlobalAllcallDlg::CGlobalAllcallDlg(QWidget* parent) : OkDialog("Global Allcall", parent) {
  QFormLayout* f = fields(this);
  channel = channel_combo(this);
  f->addRow("Channel", channel);
  auto* box = new QGroupBox("AMD Text", this);
  auto* row = new QVBoxLayout(box);
  amd = amd_edit(box);
  row->addWidget(amd);
  form->addWidget(box);
  termination = add_termination(this, Termination::Tws);
  if (aqc()) {
    // The ending is fixed to TWS in AQC-ALE mode, so OK always places the call.
    amd->setEnabled(false);
    termination.tis->setEnabled(false);
    termination.tws->setEnabled(false);
  }
  add_buttons();
  ok = [this] { return global_allcall_ok(text_of(channel), text_of(amd), termination.value()); };
}

CGlobalAnycallDlg::CGlobalAnycallDlg(QWidget* parent) : OkDialog("Global Anycall", parent) {
  QFormLayout* f = fields(this);
  channel = channel_combo(this);
  amd = amd_edit(this);
  f->addRow("Channel", channel);
  f->addRow("AMD", amd);
  if (aqc()) amd->setEnabled(false);
  add_buttons();
  ok = [this] { return global_anycall_ok(text_of(channel), text_of(amd)); };
}

CSelectiveAllcallDlg::CSelectiveAllcallDlg(QWidget* parent) : OkDialog("Selective Allcall", parent) {
  QFormLayout* f = fields(this);
  channel = channel_combo(this);
  selector = selector_edit(1, this);
  amd = amd_edit(this);
  f->addRow("Channel", channel);
  f->addRow("Address", selector);
  f->addRow("AMD", amd);
  termination = add_termination(this, Termination::Tis);
  if (aqc()) {
    amd->setEnabled(false);
    termination.tws->setEnabled(false);
  }
  add_buttons();
  ok = [this] {
    return selective_allcall_ok(text_of(channel), text_of(selector), text_of(amd), termination.value());
  };
}

CSelectiveAnycallDlg::CSelectiveAnycallDlg(QWidget* parent) : OkDialog("Selective Anycall", parent) {
  QFormLayout* f = fields(this);
  channel = channel_combo(this);
  selector = selector_edit(2, this);
  amd = amd_edit(this);
  f->addRow("Channel", channel);
  f->addRow("Address", selector);
  f->addRow("AMD", amd);
  if (aqc()) amd->setEnabled(false);
  add_buttons();
  ok = [this] { return selective_anycall_ok(text_of(channel), text_of(selector), text_of(amd)); };
}

CIndividualClearDlg::CIndividualClearDlg(QWidget* parent) : OkDialog("Individual Clear", parent) {
  QFormLayout* f = fields(this);
  const std::vector<std::string> linked = dialog_linked_stations();
  std::vector<std::string> entries = {"@?@"};
  entries.insert(entries.end(), linked.begin(), linked.end());
  address = upper_combo(entries, kDialogAddressMax, this);
  address->setCurrentText(linked.empty() ? QString() : QString::fromLatin1(linked.front().c_str()));
  f->addRow("Address", address);
  auto* box = new QGroupBox("AMD Text", this);
  auto* row = new QVBoxLayout(box);
  amd = amd_edit(box);
  row->addWidget(amd);
  form->addWidget(box);
  if (aqc_rx_word_is_aqc() == 1) amd->setEnabled(false);
  add_buttons();
  ok = [this] { return individual_clear_ok(text_of(address), text_of(amd)); };
}

CGroupClearDlg::CGroupClearDlg(QWidget* parent) : OkDialog("Group Clear", parent) {
  auto* row = new QHBoxLayout;
  const std::vector<std::string> others = dialog_other_addresses(false);
  for (int i = 0; i < 5; ++i) {
    QComboBox* c = upper_combo(others, kDialogAddressMax, this);
    row->addWidget(c);
    addresses.push_back(c);
  }
  form->addLayout(row);
  QFormLayout* f = fields(this);
  amd = amd_edit(this);
  f->addRow("AMD", amd);
  add_buttons();
  ok = [this] { return group_clear_ok(texts(addresses), text_of(amd)); };
}

CClearNetDlg::CClearNetDlg(QWidget* parent) : OkDialog("Clear Net", parent) {
  QFormLayout* f = fields(this);
  net = upper_combo(dialog_nets(), kDialogAddressMax, this);
  amd = amd_edit(this);
  f->addRow("Net", net);
  f->addRow("AMD", amd);
  if (aqc()) amd->setEnabled(false);
  add_buttons();
  amd->setFocus();
  ok = [this] { return clear_net_ok(text_of(net), text_of(amd)); };
}

CClearGlobalAllcallDlg::CClearGlobalAllcallDlg(QWidget* parent) : OkDialog("Clear Global Allcall", parent) {
  QFormLayout* f = fields(this);
  amd = amd_edit(this);
  f->addRow("AMD", amd);
  add_buttons();
  ok = [this] { return clear_global_allcall_ok(text_of(amd)); };
}

void CClearGlobalAllcallDlg::paintEvent(QPaintEvent* event) {
  OkDialog::paintEvent(event);
  if (!amd->hasFocus()) amd->setFocus();
}

CStationsLinkedDlg::CStationsLinkedDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Stations Linked");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  text = new QPlainTextEdit(this);
  text->setReadOnly(true);
  text->setPlainText(QString::fromLatin1(dialog_stations_linked_text().c_str()).remove('\r'));
  column->addWidget(text);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  column->addWidget(buttons);
}

}  // namespace vesk
