#include "ui/qt/dialog_widgets.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include "db/ale_chars.h"

namespace vesk {

QValidator::State UpperValidator::validate(QString& input, int&) const {
  input = input.toUpper();
  if (allowed_)
    for (QChar c : input)
      if (!allowed_(c)) return Invalid;
  return Acceptable;
}

QLineEdit* upper_edit(int max_length, QWidget* parent, bool (*allowed)(QChar)) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(max_length);
  edit->setValidator(new UpperValidator(allowed, edit));
  return edit;
}

void no_completion(QComboBox* combo) {
  if (combo->isEditable()) combo->setCompleter(nullptr);
}

QComboBox* upper_combo(const std::vector<std::string>& entries, int max_length, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  QStringList items;
  for (const std::string& e : entries) items << QString::fromLatin1(e.c_str());
  items.sort();
  combo->addItems(items);
  combo->setCurrentIndex(-1);
  combo->lineEdit()->setMaxLength(max_length);
  combo->setValidator(new UpperValidator(nullptr, combo));
  no_completion(combo);
  combo->setMinimumWidth(160);
  return combo;
}

namespace {

int width_for_text(const QLineEdit* edit, const QString& text) {
  // As the edit measures itself: the text, its inner margins (2 px a side), the cursor, the
  // text margins, then the style's frame around them.
  const QFontMetrics fm(edit->font());
  const QMargins tm = edit->textMargins();
  const int inner = fm.horizontalAdvance(text) + 2 * 2 + 1 + tm.left() + tm.right();
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.rect = edit->rect();
  option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
  option.midLineWidth = 0;
  option.state |= QStyle::State_Sunken;
  option.features = QStyleOptionFrame::None;
  return edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(inner, fm.height()), edit).width();
}

}  // namespace

void fit_text(QLineEdit* edit, const QString& text) {
  const QString shown = edit->text().size() > text.size() ? edit->text() : text;
  edit->setMinimumWidth(width_for_text(edit, shown));
}

std::string text_of(const QLineEdit* edit) { return edit->text().toLatin1().toStdString(); }
std::string text_of(const QComboBox* combo) { return combo->currentText().toLatin1().toStdString(); }

OkDialog::OkDialog(const char* title, QWidget* parent) : QDialog(parent) {
  setWindowTitle(title);
  setModal(true);
  form = new QVBoxLayout(this);
}

void OkDialog::add_buttons() {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &OkDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addWidget(buttons);
}

void OkDialog::accept() {
  const DialogOutcome outcome = ok ? ok() : DialogOutcome{};
  if (!outcome.box_text.empty()) {
    // A refusal's warning sits over the dialog, which stays open; other boxes over the window.
    auto* box = new QMessageBox(outcome.close ? QMessageBox::Critical : QMessageBox::Warning,
                                QString::fromLatin1(outcome.box_caption.c_str()),
                                QString::fromLatin1(outcome.box_text.c_str()), QMessageBox::Ok,
                                outcome.close ? parentWidget() : this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
  if (!outcome.close) {
    if (outcome.focus_channel && channel_field != nullptr) channel_field->setFocus();
    return;
  }
  QDialog::accept();
}

Termination TerminationChoice::value() const { return tws->isChecked() ? Termination::Tws : Termination::Tis; }

TerminationChoice add_termination(OkDialog* dialog, Termination preset) {
  TerminationChoice t;
  auto* group = new QGroupBox("Termination", dialog);
  auto* row = new QHBoxLayout(group);
  t.tis = new QRadioButton("TIS", group);
  t.tws = new QRadioButton("TWS", group);
  row->addWidget(t.tis);
  row->addWidget(t.tws);
  (preset == Termination::Tis ? t.tis : t.tws)->setChecked(true);
  dialog->form->addWidget(group);
  return t;
}

CAmdTextEdit::CAmdTextEdit(AmdTextOwner* owner, QWidget* parent) : QLineEdit(parent), owner_(owner) {
  setAcceptDrops(false);
  setAttribute(Qt::WA_InputMethodEnabled, true);
}

void CAmdTextEdit::OnChar(unsigned code) {
  if (code < 0x80) code = static_cast<unsigned>(std::toupper(static_cast<int>(code)));
  if (code < 0x80 && ale_char_in_64set(static_cast<int>(code)))
    owner_->amd_append(static_cast<char>(code));
  else if (code == 0x08)
    owner_->amd_undo();
}

void CAmdTextEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace) {
    OnChar(0x08);
    return;
  }
  // Paste, cut and every other editing key are the filter's too: only typed characters count.
  const QString text = event->text();
  if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut) || text.isEmpty() ||
      (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape ||
        event->key() == Qt::Key_Tab)
      event->ignore();  // the dialog's own keys
    return;
  }
  for (QChar c : text) OnChar(c.unicode() < 0x100 ? c.unicode() : 0xFFFF);
}

void CAmdTextEdit::inputMethodEvent(QInputMethodEvent* event) {
  for (QChar c : event->commitString()) OnChar(c.unicode() < 0x100 ? c.unicode() : 0xFFFF);
  event->accept();
}

void CAmdTextEdit::dropEvent(QDropEvent* event) { event->ignore(); }
void CAmdTextEdit::dragEnterEvent(QDragEnterEvent* event) { event->ignore(); }
void CAmdTextEdit::contextMenuEvent(QContextMenuEvent* event) { event->ignore(); }

}  // namespace vesk
