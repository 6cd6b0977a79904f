// The message and file dialogs, the Quick AMD dialog and the AQC-ALE order dialogs. Each OK
// hands its fields to the Qt-free functions of ui/message_dialogs.h.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/message_dialogs.h"
#include "ui/qt/dialog_widgets.h"

namespace vesk {

class CSendAmdMessageDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CSendAmdMessageDlg(QWidget* parent = nullptr);
  QComboBox* address;
  QLineEdit* amd;
  QPushButton* ok_button;
  AqcRestriction restriction;
};

// The DTM and DBM dialogs: a text of up to 64000 characters, TO:, ARQ/BRD, Terminate when done.
class CTransferMessageDlg : public OkDialog {
  Q_OBJECT
 public:
  CTransferMessageDlg(bool dtm, QWidget* parent);
  QPlainTextEdit* text;
  QComboBox* address;
  QRadioButton* arq;
  QRadioButton* brd;
  QCheckBox* terminate;
  QPushButton* ok_button;
  AqcRestriction restriction;
};
class CDtmMessageDlg : public CTransferMessageDlg {
  Q_OBJECT
 public:
  explicit CDtmMessageDlg(QWidget* parent = nullptr) : CTransferMessageDlg(true, parent) {}
};
class CDbmMessageDlg : public CTransferMessageDlg {
  Q_OBJECT
 public:
  explicit CDbmMessageDlg(QWidget* parent = nullptr) : CTransferMessageDlg(false, parent) {}
};

class CFileTransferDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CFileTransferDlg(QWidget* parent = nullptr);
  QComboBox* address;
  QRadioButton* fs1052;
  QRadioButton* dbm;
  QPushButton* file_button;
  QLabel* file;
  QPushButton* ok_button;
  std::string path;
  AqcRestriction restriction;
};

class CMil110MessageDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CMil110MessageDlg(QWidget* parent = nullptr);
  QPlainTextEdit* text;
  QComboBox* address;
  QRadioButton* arq;
  QRadioButton* brd;
  QCheckBox* terminate;
  QPushButton* mils_tx;
  QPushButton* mils_rx;
  QPushButton* ok_button;
};

class CTncMessageDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CTncMessageDlg(QWidget* parent = nullptr);
  QPlainTextEdit* text;
  QComboBox* address;
};

// The address collection of Quick AMD and the order dialogs.
class AddressCollection : public QWidget {
  Q_OBJECT
 public:
  explicit AddressCollection(QWidget* parent);
  AddressSlots slots;
  QLabel* line;
  QComboBox* add;
  QComboBox* remove;
  void refresh();
};

class CQuickAmdMessageDlg : public OkDialog, public AmdTextOwner {
  Q_OBJECT
 public:
  explicit CQuickAmdMessageDlg(QWidget* parent = nullptr);
  void amd_append(char c) override;
  void amd_undo() override;
  void refresh();
  QuickAmdText coded;
  CAmdTextEdit* text;
  AddressCollection* addresses;
  QListWidget* dictionaries[3];
  QCheckBox* ack;
  QPushButton* undo;
};

class CMeetMeDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CMeetMeDlg(QWidget* parent = nullptr);
  QLineEdit* rx;
  QLineEdit* tx;
  QCheckBox* rx_lsb;
  QCheckBox* tx_lsb;
  AddressCollection* addresses;
  QCheckBox* ack;
};

class CChannelDefinitionDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CChannelDefinitionDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  AddressCollection* addresses;
  QCheckBox* ack;
};

class CSlotAssignmentDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CSlotAssignmentDlg(QWidget* parent = nullptr);
  QLineEdit* slot;
  QLineEdit* width;
  AddressCollection* addresses;
  QCheckBox* ack;
};

// Operator ACK Request and Terminate Other Address: one address of at most 6 characters.
class COneAddressOrderDlg : public OkDialog {
  Q_OBJECT
 public:
  COneAddressOrderDlg(const char* title, bool terminate, QWidget* parent);
  QComboBox* address;
};
class COperatorAckRequestDlg : public COneAddressOrderDlg {
  Q_OBJECT
 public:
  explicit COperatorAckRequestDlg(QWidget* parent = nullptr)
      : COneAddressOrderDlg("Operator ACK Request", false, parent) {}
};
class CTerminateOtherAddressDlg : public COneAddressOrderDlg {
  Q_OBJECT
 public:
  explicit CTerminateOtherAddressDlg(QWidget* parent = nullptr)
      : COneAddressOrderDlg("Terminate Other Address", true, parent) {}
};

class COperatorAckConfirmDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit COperatorAckConfirmDlg(QWidget* parent = nullptr);
};
class CTerminateOwnAddressDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CTerminateOwnAddressDlg(QWidget* parent = nullptr);
};

}  // namespace vesk
