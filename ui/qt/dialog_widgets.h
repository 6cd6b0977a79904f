// Pieces shared by the dialogs: upper-case fields with their limits, editable address,
// net and channel lists, the termination choice, the AMD text edit that passes every
// character through its owner's filter.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QValidator>
#include <functional>
#include <string>
#include <vector>

#include "ui/call_dialogs.h"

class QRadioButton;
class QVBoxLayout;

namespace vesk {

// Turns what is typed to upper case; with `allowed` set, refuses other characters.
class UpperValidator : public QValidator {
 public:
  UpperValidator(bool (*allowed)(QChar), QObject* parent) : QValidator(parent), allowed_(allowed) {}
  State validate(QString& input, int& pos) const override;

 private:
  bool (*allowed_)(QChar);
};

QLineEdit* upper_edit(int max_length, QWidget* parent, bool (*allowed)(QChar) = nullptr);
// An editable list keeps what is typed as typed: an entry is chosen only when it is picked, never
// completed from the first entry that begins with the typed text ("1" stays channel 1, "FT100"
// stays FT100).
void no_completion(QComboBox* combo);
// An editable, sorted drop-down list with upper case and a length limit, without completion.
QComboBox* upper_combo(const std::vector<std::string>& entries, int max_length, QWidget* parent);
// Gives the edit at least the width that shows `text` whole (its frame and margins included).
void fit_text(QLineEdit* edit, const QString& text);
std::string text_of(const QLineEdit* edit);
std::string text_of(const QComboBox* combo);

// The base of the call and clear dialogs: a form, OK and Cancel; OK runs `ok`, whose outcome
// keeps the dialog open, shows a box, or closes it.
class OkDialog : public QDialog {
  Q_OBJECT
 public:
  OkDialog(const char* title, QWidget* parent);
  std::function<DialogOutcome()> ok;
  QVBoxLayout* form = nullptr;
  QWidget* channel_field = nullptr;  // takes the focus when a channel is refused
  void add_buttons();

 public:
  void accept() override;
};

// "TIS" and "TWS" in a group "Termination".
struct TerminationChoice {
  QRadioButton* tis = nullptr;
  QRadioButton* tws = nullptr;
  Termination value() const;
};
TerminationChoice add_termination(OkDialog* dialog, Termination preset);

// The owner of a CAmdTextEdit: keeps the coded text and rebuilds what the edit shows.
class AmdTextOwner {
 public:
  virtual ~AmdTextOwner() = default;
  virtual void amd_append(char c) = 0;  // a character of the ALE 64 set
  virtual void amd_undo() = 0;
};

// CAmdTextEdit: every character typed, committed by an input method, pasted or dropped goes
// through the filter: upper-cased, an ALE 64 character goes to the owner, Backspace is the
// owner's Undo, anything else is dropped. The edit shows only what the owner puts into it.
class CAmdTextEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit CAmdTextEdit(AmdTextOwner* owner, QWidget* parent = nullptr);
  // One character through the filter (the character message).
  void OnChar(unsigned code);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  AmdTextOwner* owner_;
};

}  // namespace vesk
