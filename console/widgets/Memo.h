// TMemo: a multi-line text seen as a list of lines, as the reply log uses
// it. Created with no text it holds one empty line (an editor always shows
// one); after ClearLines it holds none, so the next line added is the first.
// It keeps no undo history, and with a line limit the oldest lines leave as
// new ones come, so a log that runs for days takes no more memory.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class TMemo : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TMemo(QWidget* parent = nullptr);

  int LineCount() const;
  QStringList Lines() const;
  // Appends one line at the end and shows it.
  void AddLine(const QString& text);
  void ClearLines();
  // At most `lines` lines from now on (0: no limit).
  void SetMaxLines(int lines);

 private:
  bool FEmpty = false;  // no line at all, not even an empty one
};
