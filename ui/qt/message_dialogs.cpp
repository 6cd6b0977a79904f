#include "ui/qt/message_dialogs.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

#include "ale/link/link_state.h"
#include "db/options.h"

namespace vesk {

namespace {

QComboBox* address_combo(const MessageAddresses& m, int max, QWidget* parent) {
  QComboBox* c = upper_combo(m.entries, max, parent);
  c->setCurrentText(QString::fromLatin1(m.preset.c_str()));
  return c;
}

// A multi-line text that holds at most `max` characters, as the control's limit.
QPlainTextEdit* message_text(int max, QWidget* parent) {
  auto* t = new QPlainTextEdit(parent);
  QObject::connect(t, &QPlainTextEdit::textChanged, t, [t, max] {
    if (t->document()->characterCount() - 1 <= max) return;
    QTextCursor c = t->textCursor();
    const QString cut = t->toPlainText().left(max);
    t->setPlainText(cut);
    c.setPosition(static_cast<int>(cut.size()));
    t->setTextCursor(c);
  });
  t->setMinimumSize(420, 120);
  return t;
}

std::string text_of(const QPlainTextEdit* t) { return t->toPlainText().toLatin1().toStdString(); }

// The start-up restriction in AQC-ALE mode: OK disabled, the box shown without blocking.
void restrict(OkDialog* d, const AqcRestriction& r, QPushButton* ok) {
  if (!r.ok_disabled) return;
  ok->setEnabled(false);
  if (r.text.empty()) return;
  QTimer::singleShot(0, d, [d, r] {
    auto* box = new QMessageBox(QMessageBox::Critical, QString::fromLatin1(r.caption.c_str()),
                                QString::fromLatin1(r.text.c_str()), QMessageBox::Ok, d);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  });
}

QPushButton* ok_button_of(OkDialog* d) {
  for (QPushButton* b : d->findChildren<QPushButton*>())
    if (b->text().remove('&') == "OK") return b;
  return nullptr;
}

}  // namespace

CSendAmdMessageDlg::CSendAmdMessageDlg(QWidget* parent) : OkDialog("Send AMD Message", parent) {
  auto* f = new QFormLayout;
  form->addLayout(f);
  const MessageAddresses m = message_dialog_addresses(false, true);
  address = address_combo(m, kDialogAddressMax, this);
  f->addRow("Address ", address);
  auto* box = new QGroupBox("Message", this);
  auto* row = new QVBoxLayout(box);
  amd = upper_edit(kDialogAmdMax, box);
  row->addWidget(amd);
  form->addWidget(box);
  add_buttons();
  ok_button = ok_button_of(this);
  restriction = message_dialog_restriction(MessageDialog::SendAmd);
  if (restriction.ok_disabled) amd->setEnabled(false);
  restrict(this, restriction, ok_button);
  amd->setFocus();
  ok = [this] { return send_amd_ok(vesk::text_of(address), vesk::text_of(amd)); };
}

CTransferMessageDlg::CTransferMessageDlg(bool dtm, QWidget* parent)
    : OkDialog(dtm ? "Enter DTM Message" : "Enter DBM Message", parent) {
  text = message_text(kMessageTextMax, this);
  form->addWidget(text);
  auto* f = new QFormLayout;
  form->addLayout(f);
  address = address_combo(message_dialog_addresses(true, false), kDialogAddressMax, this);
  f->addRow("TO:", address);
  auto* row = new QHBoxLayout;
  arq = new QRadioButton("ARQ", this);
  brd = new QRadioButton("BRD", this);
  terminate = new QCheckBox("Terminate when done", this);
  ((dtm ? db_get_dtm_mode() : db_get_dbm_mode()) == 1 ? arq : brd)->setChecked(true);
  row->addWidget(arq);
  row->addWidget(brd);
  row->addWidget(terminate);
  form->addLayout(row);
  add_buttons();
  ok_button = ok_button_of(this);
  restriction = message_dialog_restriction(dtm ? MessageDialog::Dtm : MessageDialog::Dbm);
  restrict(this, restriction, ok_button);
  text->setFocus();
  ok = [this, dtm] {
    return transfer_message_ok(dtm, text_of(text), vesk::text_of(address), brd->isChecked(), terminate->isChecked());
  };
}

CFileTransferDlg::CFileTransferDlg(QWidget* parent) : OkDialog("File Transfer Dialog", parent) {
  auto* f = new QFormLayout;
  form->addLayout(f);
  address = address_combo(message_dialog_addresses(false, false), kDialogAddressMax, this);
  f->addRow("Other Station Address", address);
  auto* row = new QHBoxLayout;
  fs1052 = new QRadioButton("FS-1052", this);
  dbm = new QRadioButton("ALE DBM", this);
  fs1052->setChecked(true);
  row->addWidget(fs1052);
  row->addWidget(dbm);
  form->addLayout(row);
  auto* file_row = new QHBoxLayout;
  file_button = new QPushButton("File", this);
  file = new QLabel(this);
  file_row->addWidget(file_button);
  file_row->addWidget(file, 1);
  form->addLayout(file_row);
  connect(file_button, &QPushButton::clicked, this, [this] {
    auto* chooser = new QFileDialog(this, "File", QString(), "All files (*.*)");
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::ExistingFile);
    connect(chooser, &QFileDialog::fileSelected, this, [this](const QString& chosen) {
      path = chosen.toStdString();
      file->setText(chosen);
    });
    chooser->open();
  });
  add_buttons();
  ok_button = ok_button_of(this);
  restriction = message_dialog_restriction(MessageDialog::FileTransfer);
  restrict(this, restriction, ok_button);
  ok = [this] { return file_transfer_ok(vesk::text_of(address), path, dbm->isChecked()); };
}

CMil110MessageDlg::CMil110MessageDlg(QWidget* parent) : OkDialog("Enter MIL-STD 188-110 Message", parent) {
  fs1052_report_clear();
  text = message_text(kMessageTextMax, this);
  form->addWidget(text);
  auto* f = new QFormLayout;
  form->addLayout(f);
  address = address_combo(message_dialog_addresses(true, false), kDialogAddressMax, this);
  f->addRow("TO:", address);
  auto* row = new QHBoxLayout;
  arq = new QRadioButton("ARQ", this);
  brd = new QRadioButton("BRD", this);
  terminate = new QCheckBox("Terminate when done", this);
  brd->setChecked(true);
  mils_tx = new QPushButton("MILS-TX", this);
  mils_rx = new QPushButton("MILS-RX", this);
  for (QWidget* w : std::initializer_list<QWidget*>{arq, brd, terminate, mils_tx, mils_rx}) row->addWidget(w);
  form->addLayout(row);
  if (db_get_data_link_mode() == 0)
    for (QWidget* w : std::initializer_list<QWidget*>{arq, brd, terminate, address}) w->setEnabled(false);
  if (ale_is_idle() != 1) {
    mils_tx->setEnabled(false);
    mils_rx->setEnabled(false);
  }
  add_buttons();
  ok_button = ok_button_of(this);
  restrict(this, message_dialog_restriction(MessageDialog::Mil110), ok_button);
  text->setFocus();
  ok = [this] { return mil110_ok(text_of(text), vesk::text_of(address), brd->isChecked(), terminate->isChecked()); };
  connect(mils_tx, &QPushButton::clicked, this, [this] {
    terminate->setChecked(true);
    const DialogOutcome o = mil110_tx(text_of(text), vesk::text_of(address), brd->isChecked());
    if (o.close) QDialog::accept();
  });
  connect(mils_rx, &QPushButton::clicked, this, [this] {
    mil110_rx(vesk::text_of(address));
    reject();
  });
}

CTncMessageDlg::CTncMessageDlg(QWidget* parent) : OkDialog("Enter TNC Message", parent) {
  text = message_text(kMessageTextMax, this);
  form->addWidget(text);
  auto* f = new QFormLayout;
  form->addLayout(f);
  address = address_combo(message_dialog_addresses(false, false), kDialogAddressMax, this);
  f->addRow("TO:", address);
  add_buttons();
  text->setFocus();
  ok = [this] { return tnc_message_ok(text_of(text)); };
}

AddressCollection::AddressCollection(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  line = new QLabel(this);
  line->setFrameStyle(QFrame::Box | QFrame::Plain);
  line->setMinimumHeight(24);
  column->addWidget(line);
  auto* row = new QFormLayout;
  const std::vector<std::string> others = dialog_other_addresses(false);
  add = upper_combo(others, kDialogAddressMax, this);
  remove = upper_combo(others, kDialogAddressMax, this);
  add->setEditable(false);
  remove->setEditable(false);
  row->addRow("Add Address", add);
  row->addRow("Delete Address", remove);
  column->addLayout(row);
  connect(add, &QComboBox::activated, this, [this](int i) {
    slots.add(add->itemText(i).toLatin1().toStdString());
    refresh();
  });
  connect(remove, &QComboBox::activated, this, [this](int i) {
    slots.remove(remove->itemText(i).toLatin1().toStdString());
    refresh();
  });
}

void AddressCollection::refresh() { line->setText(QString::fromLatin1(slots.line().c_str())); }

CQuickAmdMessageDlg::CQuickAmdMessageDlg(QWidget* parent) : OkDialog("Quick AMD Message", parent) {
  text = new CAmdTextEdit(this, this);
  form->addWidget(text);
  addresses = new AddressCollection(this);
  form->addWidget(addresses);
  auto* lists = new QGridLayout;
  for (int d = 0; d < 3; ++d) {
    lists->addWidget(new QLabel(QString("Dictionary %1").arg(d), this), 0, d);
    dictionaries[d] = new QListWidget(this);
    for (const std::string& e : quick_amd_dictionary(d)) dictionaries[d]->addItem(QString::fromLatin1(e.c_str()));
    lists->addWidget(dictionaries[d], 1, d);
    connect(dictionaries[d], &QListWidget::itemDoubleClicked, this, [this, d](QListWidgetItem* item) {
      const int i = dictionaries[d]->row(item);
      if (d == 0)
        coded.add_word(i);
      else
        coded.add_phrase(d, i);
      refresh();
    });
  }
  form->addLayout(lists);
  auto* row = new QHBoxLayout;
  ack = new QCheckBox("Ack This", this);
  undo = new QPushButton("Undo", this);
  row->addWidget(ack);
  row->addWidget(undo);
  form->addLayout(row);
  connect(undo, &QPushButton::clicked, this, [this] { amd_undo(); });
  add_buttons();
  ok = [this] { return quick_amd_ok(coded, addresses->slots, ack->isChecked()); };
}

void CQuickAmdMessageDlg::amd_append(char c) {
  coded.type(c);
  refresh();
}
void CQuickAmdMessageDlg::amd_undo() {
  coded.undo();
  refresh();
}
void CQuickAmdMessageDlg::refresh() { text->setText(QString::fromLatin1(coded.shown().c_str())); }

namespace {
QLineEdit* number_edit(int max, QWidget* parent) {
  auto* e = new QLineEdit("0", parent);
  e->setValidator(new QIntValidator(0, max, e));
  return e;
}
}  // namespace

CMeetMeDlg::CMeetMeDlg(QWidget* parent) : OkDialog("Meet Me", parent) {
  auto* grid = new QGridLayout;
  rx = number_edit(99999999, this);
  tx = number_edit(99999999, this);
  rx_lsb = new QCheckBox("LSB", this);
  tx_lsb = new QCheckBox("LSB", this);
  grid->addWidget(new QLabel("RX Frequency (Hz)", this), 0, 0);
  grid->addWidget(rx, 0, 1);
  grid->addWidget(rx_lsb, 0, 2);
  grid->addWidget(new QLabel("TX Frequency (Hz)", this), 1, 0);
  grid->addWidget(tx, 1, 1);
  grid->addWidget(tx_lsb, 1, 2);
  form->addLayout(grid);
  addresses = new AddressCollection(this);
  form->addWidget(addresses);
  ack = new QCheckBox("Ack This", this);
  form->addWidget(ack);
  add_buttons();
  ok = [this] {
    return meet_me_ok(vesk::text_of(rx), rx_lsb->isChecked(), vesk::text_of(tx), tx_lsb->isChecked(), addresses->slots,
                      ack->isChecked());
  };
}

CChannelDefinitionDlg::CChannelDefinitionDlg(QWidget* parent) : OkDialog("Channel Definition", parent) {
  auto* f = new QFormLayout;
  form->addLayout(f);
  channel = upper_combo(order_channels(), kDialogChannelTextMax, this);
  channel->setMinimumWidth(300);
  channel_field = channel;
  f->addRow("Channel", channel);
  addresses = new AddressCollection(this);
  form->addWidget(addresses);
  ack = new QCheckBox("Ack This", this);
  form->addWidget(ack);
  add_buttons();
  ok = [this] { return channel_definition_ok(vesk::text_of(channel), addresses->slots, ack->isChecked()); };
}

CSlotAssignmentDlg::CSlotAssignmentDlg(QWidget* parent) : OkDialog("Slot Assignment", parent) {
  auto* f = new QFormLayout;
  form->addLayout(f);
  slot = number_edit(kSlotNumberMax, this);
  width = number_edit(kSlotWidthMax, this);
  f->addRow("Slot Number", slot);
  f->addRow("Slot Width (TW)", width);
  addresses = new AddressCollection(this);
  form->addWidget(addresses);
  ack = new QCheckBox("Ack This", this);
  form->addWidget(ack);
  add_buttons();
  ok = [this] {
    return slot_assignment_ok(vesk::text_of(slot), vesk::text_of(width), addresses->slots, ack->isChecked());
  };
}

COneAddressOrderDlg::COneAddressOrderDlg(const char* title, bool terminate, QWidget* parent) : OkDialog(title, parent) {
  auto* f = new QFormLayout;
  form->addLayout(f);
  address = upper_combo(dialog_linked_stations(), kAqcAddressMax, this);
  address->setCurrentText("");
  f->addRow("Address", address);
  add_buttons();
  ok = [this, terminate] {
    return terminate ? terminate_other_ok(vesk::text_of(address)) : operator_ack_request_ok(vesk::text_of(address));
  };
}

COperatorAckConfirmDlg::COperatorAckConfirmDlg(QWidget* parent) : OkDialog("Operator ACK Confirm", parent) {
  add_buttons();
  ok = [] { return operator_ack_confirm_ok(); };
}

CTerminateOwnAddressDlg::CTerminateOwnAddressDlg(QWidget* parent) : OkDialog("Terminate Own Address", parent) {
  add_buttons();
  ok = [] { return terminate_own_ok(); };
}

}  // namespace vesk
