#include "ui/qt/views.h"

#include <QFont>
#include <QScrollBar>
#include <QTextCursor>

namespace vesk {

QString log_text_for_view(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') continue;
      out.push_back('\n');
    } else {
      out.push_back(c);
    }
  }
  return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setUndoRedoEnabled(false);
  QFont font("Courier");
  font.setStyleHint(QFont::TypeWriter);
  font.setBold(true);
  setFont(font);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void LogView::set_whole(const std::string& text) { setPlainText(log_text_for_view(text)); }

void LogView::add_front(const std::string& text) {
  if (text.empty()) return;
  // A reader at the top keeps seeing the newest lines; one further down keeps his place.
  // The scroll position counts lines, so a reader further down is moved down by the lines
  // put above him and sees the same text.
  QScrollBar* bar = verticalScrollBar();
  const int value = bar->value();
  const bool at_top = value == bar->minimum();
  const int lines_before = document()->blockCount();
  QTextCursor c(document());
  c.movePosition(QTextCursor::Start);
  c.insertText(log_text_for_view(text));
  if (at_top)
    bar->setValue(bar->minimum());
  else
    bar->setValue(value + document()->blockCount() - lines_before);
}

void LogView::add_end(const std::string& text) {
  if (text.empty()) return;
  QTextCursor c(document());
  c.movePosition(QTextCursor::End);
  c.insertText(log_text_for_view(text));
}

std::string LogView::shown_text() const { return toPlainText().toLatin1().toStdString(); }

}  // namespace vesk
