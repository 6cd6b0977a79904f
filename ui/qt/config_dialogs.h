// The modem, link, port, tracing and recorder configuration dialogs over ui/config_dialogs.h.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <functional>
#include <vector>

#include "ui/config_dialogs.h"

class QFormLayout;
class QVBoxLayout;

namespace vesk {

// OK runs `ok`; a refusal shows its warning (when it has one) and puts the focus on
// `fields[outcome.field]`.
class ConfigDialog : public QDialog {
  Q_OBJECT
 public:
  ConfigDialog(const char* title, QWidget* parent);
  std::function<ConfigOutcome()> ok;
  std::vector<QWidget*> fields;
  QVBoxLayout* column = nullptr;
  QFormLayout* form = nullptr;
  void add_buttons(bool cancel = true);
  void accept() override;
};

class CMil110OptionsDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CMil110OptionsDlg(QWidget* parent = nullptr);
  QRadioButton* twx[3];
  QRadioButton* link[3];
  QPushButton* datarate;
  QMenu* datarate_menu;
  QRadioButton* carrier[3];     // 1800 STD, 1500 STD2, 1200 VESK
  QRadioButton* symbol[4];      // 1600, 1800, 2000, 2400 BPS
  void set_upper_rates(bool on);
};

class CFs1052OptionsDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CFs1052OptionsDlg(QWidget* parent = nullptr);
  QCheckBox* immediate;
  QCheckBox* negotiate;
  QLineEdit* frame_size;
  QLineEdit* retry_count;
  QComboBox* min_rate;
  QRadioButton* fixed;
  QRadioButton* variable;
  QRadioButton* circuit;
  QRadioButton* long_interleave;
  QRadioButton* short_interleave;
  QComboBox* broadcast;
  QLineEdit* transmissions;
};

class CSoundcardConfigDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CSoundcardConfigDlg(QWidget* parent = nullptr);
  QComboBox* input;
  QComboBox* output;
  QSlider* rx_level;
  QSlider* tx_level;
  QRadioButton* line_in;
  QRadioButton* mic_in;
};

class CTcpIpConfigDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CTcpIpConfigDlg(QWidget* parent = nullptr);
  QLineEdit* address[4];
  QLineEdit* port;
  QCheckBox* enabled;
};

class CEmailConfigDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CEmailConfigDlg(QWidget* parent = nullptr);
  QCheckBox* enabled;
  QCheckBox* secure;
};

class CFtpConfigDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CFtpConfigDlg(QWidget* parent = nullptr);
  QCheckBox* secure;
};

class CRadioPortParamsDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CRadioPortParamsDlg(QWidget* parent = nullptr);
  QLineEdit* note;
  QComboBox* baud;
  QComboBox* data_bits;
  QComboBox* parity;
  QComboBox* stop_bits;
  QLineEdit* address;
  QCheckBox* preconfig;
};

class CDllRadioFilenameDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CDllRadioFilenameDlg(QWidget* parent = nullptr);
  QLineEdit* name;
};

class CTracingDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CTracingDlg(QWidget* parent = nullptr);
  QCheckBox* rx_words;
  QCheckBox* tx_words;
  QCheckBox* states;
  QCheckBox* events;
  QCheckBox* commands;
  QCheckBox* timers;
  QCheckBox* fs1052;
};

class CRecorderParametersDlg : public ConfigDialog {
  Q_OBJECT
 public:
  explicit CRecorderParametersDlg(QWidget* parent = nullptr);
  QCheckBox* enabled;
  QLineEdit* max_secs;
  QLineEdit* path;
};

}  // namespace vesk
