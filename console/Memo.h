// TMemo: a multi-line text seen as a list of lines, as the reply log uses
// it. Created with no text it holds one empty line (an editor always shows
// one); after ClearLines it holds none, so the next line added is the first.
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

 private:
  bool FEmpty = false;  // no line at all, not even an empty one
};
