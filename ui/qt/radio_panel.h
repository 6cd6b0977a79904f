// The manual radio control panel, Goto Channel and "Are you sure !", over ui/radio_panel.h.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <map>

#include "ui/radio_panel.h"

namespace vesk {

class CRadioControlPanelDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CRadioControlPanelDlg(QWidget* parent = nullptr);
  // The start sequence of each opening.
  void OnInitDialog();
  void ShowChannel(const ChannelRecord* channel);
  void refresh();
  RadioPanel panel;
  QLabel* mode_display;
  QLabel* entry_display;
  QGroupBox* rx_vol;
  QSlider* slider;
  QLineEdit* command;
  std::map<std::string, QPushButton*> buttons;  // by face
  std::map<int, QRadioButton*> steps;          // by step in hertz
};

class CGotoChannelDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CGotoChannelDlg(QWidget* parent = nullptr);
  QComboBox* channel;
  void accept() override;
};

class CAreYouSureDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAreYouSureDlg(QWidget* parent = nullptr);
};

}  // namespace vesk
