#include "platforms/linux/QtUserView.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include "base/ProgramChange.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWidgets.h"

namespace titrelle {

QtUserView::QtUserView(ControlHost host, const ControlEntry& entry, QtControl* parent, QWidget* parentWidget)
    : QtControl(host, entry, parent, new PlainTextWidget(parentWidget)) {
  static_cast<PlainTextWidget*>(widget_.data())->control = this;
  QPlainTextEdit* editor = Editor();
  editor->setLineWrapMode(entry.wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  if (entry.scrollBars) {
    editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  }
  if (!entry.border) editor->setFrameShape(QFrame::NoFrame);
  editor->setTabChangesFocus(true);
  // Dragging text from one line to another changes two lines in one go, and only the caret's line would
  // reach the file: the user view takes no drops.
  editor->setAcceptDrops(false);
  editor->viewport()->setAcceptDrops(false);
  editor->document()->setDocumentMargin(kEditorMargin);
  editor->setPlainText(EditorTextFromCp936(entry.text));
  SetReadOnly(entry.readOnly);
  QObject::connect(editor->document(), &QTextDocument::contentsChange, editor,
                   [this](int, int removed, int added) {
                     if (removed != 0 || added != 0) ContentsChanged();
                   });
  Place(Qt::ClickFocus);
}

QPlainTextEdit* QtUserView::Editor() const { return static_cast<QPlainTextEdit*>(widget_.data()); }

void QtUserView::ContentsChanged() {
  if (programEdit_) return;
  if (keyDepth_ > 0) {
    changedDuringKey_ = true;  // told once, after the widget has acted on the whole key
    return;
  }
  Fire(OnChange);
}

void QtUserView::BeforeWidgetKey() { ++keyDepth_; }

void QtUserView::AfterWidgetKey() {
  if (--keyDepth_ == 0 && changedDuringKey_) {
    changedDuringKey_ = false;
    Fire(OnChange);
  }
}

template <class Edit>
void QtUserView::ProgramEdit(Edit edit) {
  {
    ProgramChange editing(programEdit_);
    edit();
  }
  Fire(OnChange);
}

std::string QtUserView::Text() const { return Cp936FromEditorText(Editor()->toPlainText()); }

int QtUserView::Count() const {
  const QTextDocument* document = Editor()->document();
  const int blocks = document->blockCount();
  return document->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}

int QtUserView::BreakCount() const {
  const QTextDocument* document = Editor()->document();
  // Shift+Enter puts a line separator inside its block; one that ends the text reads as a final break in
  // Text(), so it counts as one.
  const QString last = document->lastBlock().text();
  const bool separatorAtEnd =
      !last.isEmpty() && (last.back() == QChar::LineSeparator || last.back() == QChar::ParagraphSeparator);
  return document->blockCount() - 1 + (separatorAtEnd ? 1 : 0);
}

std::string QtUserView::Line(int index) const {
  if (index < 0 || index >= Count()) return {};  // as a rich edit answers past the end
  return Cp936FromQString(Editor()->document()->findBlockByNumber(index).text());
}

int QtUserView::CaretLine() const {
  const QTextCursor cursor = Editor()->textCursor();
  return Editor()->document()->findBlock(cursor.selectionStart()).blockNumber();
}

int QtUserView::CaretColumn() const {
  const QTextCursor cursor = Editor()->textCursor();
  const int start = cursor.selectionStart();
  const QTextBlock block = Editor()->document()->findBlock(start);
  return static_cast<int>(Cp936FromQString(block.text().left(start - block.position())).size());
}

int QtUserView::SelectionEndLine() const {
  return Editor()->document()->findBlock(Editor()->textCursor().selectionEnd()).blockNumber();
}

bool QtUserView::SelectionEmpty() const { return !Editor()->textCursor().hasSelection(); }

void QtUserView::CaretToEnd() {
  QTextCursor cursor = Editor()->textCursor();
  cursor.movePosition(QTextCursor::End);
  Editor()->setTextCursor(cursor);
}

void QtUserView::CaretToLine(int line) {
  const QTextBlock block = Editor()->document()->findBlockByNumber(line);
  if (!block.isValid()) return;
  QTextCursor cursor = Editor()->textCursor();
  cursor.setPosition(block.position());
  Editor()->setTextCursor(cursor);
}

void QtUserView::Add(const std::string& line) {
  ProgramEdit([&] {
    QPlainTextEdit* editor = Editor();
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    // As a rich edit appends: after a final break (or into an empty text) the line and a break, else a break
    // and the line; the caret stays after the inserted text.
    const QString text = EditorTextFromCp936(line);
    const bool endsWithBreak = editor->document()->lastBlock().text().isEmpty();
    cursor.insertText(endsWithBreak ? text + QLatin1Char('\n') : QLatin1Char('\n') + text);
    editor->setTextCursor(cursor);
  });
}

void QtUserView::Clear() {
  ProgramEdit([&] { Editor()->clear(); });
}

void QtUserView::SetListingText(const std::string& text) {
  ProgramEdit([&] { Editor()->setPlainText(EditorTextFromCp936(text)); });
}

void QtUserView::ReplaceLines(int first, int count, const std::string& text) {
  ProgramEdit([&] {
    QPlainTextEdit* editor = Editor();
    QTextDocument* document = editor->document();
    const QTextBlock from = document->findBlockByNumber(first);
    const QTextBlock to = document->findBlockByNumber(first + count - 1);
    if (!from.isValid() || !to.isValid()) return;
    QTextCursor cursor(document);
    cursor.setPosition(from.position());
    cursor.setPosition(to.position() + to.length() - 1, QTextCursor::KeepAnchor);
    // The document's history takes it back, not the editor's: what the editor could undo ends here.
    document->setUndoRedoEnabled(false);
    cursor.insertText(EditorTextFromCp936(text));
    document->setUndoRedoEnabled(true);
    cursor.setPosition(document->findBlockByNumber(first).position());
    editor->setTextCursor(cursor);
  });
}

bool QtUserView::ReadOnly() const { return Editor()->isReadOnly(); }

void QtUserView::SetReadOnly(bool readOnly) {
  QPlainTextEdit* editor = Editor();
  editor->setReadOnly(readOnly);
  // Read-only refuses edits but the caret still moves by keys and clicks.
  if (readOnly) editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void QtUserView::HandleMouse(bool down) { Fire(down ? OnMouseDown : OnMouseUp); }

}  // namespace titrelle
