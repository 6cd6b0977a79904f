// The call and clear dialogs and the Stations Linked list. Each is built when its command runs,
// shown window-modal without blocking anything, and deleted when it closes; its OK hands its
// fields to the Qt-free functions of ui/call_dialogs.h.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <vector>

#include "ui/qt/dialog_widgets.h"

namespace vesk {

class CIndividualCallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CIndividualCallDlg(QWidget* parent = nullptr);
  QComboBox* address;
  QLineEdit* amd;
  TerminationChoice termination;
};

class CNetCallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CNetCallDlg(QWidget* parent = nullptr);
  QComboBox* net;
  QLineEdit* amd;
  TerminationChoice termination;
};

class CGroupCallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CGroupCallDlg(QWidget* parent = nullptr);
  std::vector<QComboBox*> addresses;  // three rows of five
  QLineEdit* amd;
  TerminationChoice termination;
};

class CGlobalAllcallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CGlobalAllcallDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  QLineEdit* amd;
  TerminationChoice termination;
};

class CGlobalAnycallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CGlobalAnycallDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  QLineEdit* amd;
};

class CSelectiveAllcallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CSelectiveAllcallDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  QLineEdit* selector;
  QLineEdit* amd;
  TerminationChoice termination;
};

class CSelectiveAnycallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CSelectiveAnycallDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  QLineEdit* selector;
  QLineEdit* amd;
};

class CIndividualClearDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CIndividualClearDlg(QWidget* parent = nullptr);
  QComboBox* address;
  QLineEdit* amd;
};

class CGroupClearDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CGroupClearDlg(QWidget* parent = nullptr);
  std::vector<QComboBox*> addresses;  // one row of five
  QLineEdit* amd;
};

class CClearNetDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CClearNetDlg(QWidget* parent = nullptr);
  QComboBox* net;
  QLineEdit* amd;
};

class CClearGlobalAllcallDlg : public OkDialog {
  Q_OBJECT
 public:
  explicit CClearGlobalAllcallDlg(QWidget* parent = nullptr);
  QLineEdit* amd;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class CStationsLinkedDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CStationsLinkedDlg(QWidget* parent = nullptr);
  QPlainTextEdit* text;
};

}  // namespace vesk
