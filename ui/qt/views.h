// The two log views: the data view shows the frame text, the monitor view (below it) the
// monitor text, newest line first. Each is a read-only text control in a bold "Courier" face.
// Lines come in batches from the window posts: a monitor line is inserted on top, a frame line
// appended; the whole text is copied only when the log layer's texts were emptied or replaced.
#pragma once

#include <QPlainTextEdit>
#include <string>

namespace vesk {

class LogView : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit LogView(QWidget* parent = nullptr);
  void set_whole(const std::string& text);
  void add_front(const std::string& text);
  void add_end(const std::string& text);
  // The shown text as the log layer holds it (line ends as "\n").
  std::string shown_text() const;
};

// CALEView: the monitor text.
class CALEView : public LogView {
  Q_OBJECT
 public:
  using LogView::LogView;
};

// DataView: the frame text.
class DataView : public LogView {
  Q_OBJECT
 public:
  using LogView::LogView;
};

// A log text as shown: "\r\n" and a lone "\r" end a line; every byte is one character.
QString log_text_for_view(const std::string& text);

}  // namespace vesk
