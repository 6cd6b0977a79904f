// The database information, channel and scan group, address and net, and key dialogs, over
// ui/db_dialogs.h. The information texts are shown monospaced, as built.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <array>

#include "ui/db_dialogs.h"
#include "ui/qt/config_dialogs.h"

class QLabel;

namespace vesk {

// A read-only monospaced text with OK.
class InfoDialog : public QDialog {
  Q_OBJECT
 public:
  InfoDialog(const char* title, const std::string& text, QWidget* parent, const std::string& header = {});
  QPlainTextEdit* text;
  QLabel* header = nullptr;
};
class CAddressInfoDlg : public InfoDialog {
  Q_OBJECT
 public:
  CAddressInfoDlg(int index, int channel, QWidget* parent = nullptr);
};
class CChannelsInfoDlg : public InfoDialog {
  Q_OBJECT
 public:
  explicit CChannelsInfoDlg(QWidget* parent = nullptr);
};
class COwnAddressesInfoDlg : public InfoDialog {
  Q_OBJECT
 public:
  explicit COwnAddressesInfoDlg(QWidget* parent = nullptr);
};
class CAmdReceivedDlg : public InfoDialog {
  Q_OBJECT
 public:
  explicit CAmdReceivedDlg(QWidget* parent = nullptr);
};
class CNetAddressesInfoDlg : public InfoDialog {
  Q_OBJECT
 public:
  CNetAddressesInfoDlg(int index, QWidget* parent = nullptr);
};

// One labelled list (or edit) of names and OK: the base of the select, delete and list dialogs.
class PickDialog : public ConfigDialog {
  Q_OBJECT
 public:
  PickDialog(const char* title, const char* label, const std::vector<std::string>& names, bool editable,
             QWidget* parent);
  QComboBox* pick;
  std::string picked() const;
};

class CListOtherAddressesDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CListOtherAddressesDlg(QWidget* parent = nullptr);
  QLineEdit* channel;
};

class CChannelEditorDlg : public ConfigDialog {
  Q_OBJECT
 public:
  CChannelEditorDlg(const char* title, int channel, QWidget* parent);
  int channel_number;
  QLineEdit* rx;
  QLineEdit* tx;
  QComboBox* rx_mode;
  QComboBox* tx_mode;
  QComboBox* usage;
  QComboBox* permission;
  QComboBox* own;
  QLineEdit* tx_level;
  QLineEdit* lp_key;
  QLineEdit* antenna;
  QCheckBox* attenuator;
  QCheckBox* tuner;
  std::array<QCheckBox*, 16> groups;
};
class CAddChannelDlg : public CChannelEditorDlg {
  Q_OBJECT
 public:
  explicit CAddChannelDlg(QWidget* parent = nullptr) : CChannelEditorDlg("Add Channel", -1, parent) {}
};
class CModifyChannelDlg : public CChannelEditorDlg {
  Q_OBJECT
 public:
  CModifyChannelDlg(int channel, QWidget* parent = nullptr) : CChannelEditorDlg("Modify Channel", channel, parent) {}
};
class CSelectChannelDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CSelectChannelDlg(QWidget* parent = nullptr);
};
class CDeleteChannelDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CDeleteChannelDlg(QWidget* parent = nullptr);
};
class CGroupSetupDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CGroupSetupDlg(QWidget* parent = nullptr);
  std::array<QRadioButton*, 16> groups;
  void reload();
};
class CEditGroupLabelDlg : public ConfigDialog {
  Q_OBJECT
 public:
  CEditGroupLabelDlg(int group, QWidget* parent = nullptr);
  QLineEdit* label;
};

class CAddOtherAddressDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CAddOtherAddressDlg(QWidget* parent = nullptr);
  QLineEdit* address;
  QLineEdit* tt;
  QLineEdit* twr;
};
class CAddOwnAddressDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CAddOwnAddressDlg(QWidget* parent = nullptr);
  QLineEdit* address;
};
class CDeleteOtherAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CDeleteOtherAddressDlg(QWidget* parent = nullptr);
};
class CDeleteOwnAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CDeleteOwnAddressDlg(QWidget* parent = nullptr);
};
class CModifyOtherAddressDlg : public ConfigDialog {
  Q_OBJECT
 public:
  CModifyOtherAddressDlg(const std::string& chosen, QWidget* parent = nullptr);
  QLineEdit* address;
  QLineEdit* tt;
  QLineEdit* twr;
};
class CModifyOwnAddressDlg : public ConfigDialog {
  Q_OBJECT
 public:
  CModifyOwnAddressDlg(const std::string& chosen, QWidget* parent = nullptr);
  QLineEdit* address;
};
class CSelectOtherAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CSelectOtherAddressDlg(QWidget* parent = nullptr);
};
class CSelectOwnAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CSelectOwnAddressDlg(QWidget* parent = nullptr);
};
class CAddNetAddressDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CAddNetAddressDlg(QWidget* parent = nullptr);
  QLineEdit* net;
  std::array<QComboBox*, 20> slots;
};
class CDeleteNetAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CDeleteNetAddressDlg(QWidget* parent = nullptr);
};
class CListNetAddressDlg : public PickDialog {
  Q_OBJECT
 public:
  explicit CListNetAddressDlg(QWidget* parent = nullptr);
};
class CResetDynamicAddressesDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CResetDynamicAddressesDlg(QWidget* parent = nullptr);
};

class CLinkingProtectionKeysDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CLinkingProtectionKeysDlg(QWidget* parent = nullptr);
  std::array<QLineEdit*, 5> keys;
  std::array<std::array<QCheckBox*, 3>, 5> levels;
};
class CEncryptionKeyDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CEncryptionKeyDlg(QWidget* parent = nullptr);
  QLineEdit* key;
};

}  // namespace vesk
