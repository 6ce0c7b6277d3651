#include "console/widgets/Memo.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

TMemo::TMemo(QWidget* parent) : QPlainTextEdit(parent) {
  setUndoRedoEnabled(false);
}

void TMemo::SetMaxLines(int lines) {
  setMaximumBlockCount(lines);
}

int TMemo::LineCount() const {
  return FEmpty ? 0 : document()->blockCount();
}

QStringList TMemo::Lines() const {
  if (FEmpty) return {};
  return toPlainText().split(QChar('\n'));
}

void TMemo::AddLine(const QString& text) {
  if (FEmpty) {
    setPlainText(text);
    FEmpty = false;
  } else {
    // A block of its own, also after the first empty line.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertBlock();
    end.insertText(text);
  }
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TMemo::ClearLines() {
  clear();
  FEmpty = true;
}
