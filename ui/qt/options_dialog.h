// The station options dialog, over ui/options_dialog.h.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <vector>

#include "ui/options_dialog.h"
#include "ui/qt/config_dialogs.h"

namespace vesk {

class CMil141OptionsDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CMil141OptionsDlg(QWidget* parent = nullptr);
  bool editable = false;  // OK applies only while set (the menu command sets it)
  std::vector<QCheckBox*> checks;
  std::vector<QLineEdit*> numbers;
  QRadioButton* scan_rates[4];
  QLineEdit* motd;
  QComboBox* radio;
  QComboBox* radio2;
  QComboBox* atu;
  QComboBox* ant_switch;
  QComboBox* tnc_type;
  QComboBox* tnc_baud;
  QComboBox* tnc_handshake;
  QComboBox* tnc_mode;
  QComboBox* freq_offset;
  QPushButton* radio1_port;
  QPushButton* radio2_port;
  QPushButton* radio_help;
  QPushButton* dll_radio;
  OptionsView view() const;
};

}  // namespace vesk
