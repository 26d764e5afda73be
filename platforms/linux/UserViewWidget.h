#pragma once
// The user view's widget: an editor of code page 936 lines that lays out and paints only the lines in
// sight. A line of ordinary length is laid out whole, as Qt lays out text; a very long line is drawn in
// cells, one byte a cell, and only the part in sight is converted, so that a line of megabytes costs no
// more a key than a short one. The horizontal extent is estimated from the longest line, and grows as wider
// lines come into sight.

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platforms/linux/TextLines.h"

class QTextLayout;

namespace titrelle {

class UserViewWidget : public QAbstractScrollArea {
 public:
  explicit UserViewWidget(QWidget* parent = nullptr);
  ~UserViewWidget() override;

  const TextLines& Lines() const { return lines_; }
  TextPosition Caret() const { return caret_; }
  TextPosition Anchor() const { return anchor_; }
  TextPosition SelectionStart() const { return std::min(caret_, anchor_); }
  TextPosition SelectionEnd() const { return std::max(caret_, anchor_); }
  bool HasSelection() const { return caret_ != anchor_; }

  // The program's own edits. The caret goes where a plain-text editor puts it; the view follows it.
  void SetText(std::string_view text);  // caret at the start
  // Pieces [first, first + count) become `text`; the caret at the start of line `first`.
  void ReplacePieces(int first, int count, std::string_view text);
  // Whole lines after the last break; the caret stays where it is.
  void AppendText(std::string_view wholeLines);
  void ReserveText(std::size_t bytes, int lines) { lines_.Reserve(bytes, lines); }
  // The caret after `text`, put at the end.
  void AppendAtEnd(std::string_view text);
  // Places the caret (a column inside a character goes to its start); the anchor stays when `keepAnchor`.
  void SetCaret(TextPosition caret, bool keepAnchor = false);
  void SelectAll();

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);

  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

  // Where the caret is drawn, in the viewport's coordinates.
  QRect CaretRect() const;
  void EnsureCaretVisible();

  // After every change of the text, the user's and the program's.
  std::function<void()> onTextChanged;
  // Text the user pastes, as the program takes it: nothing when all of it.
  std::function<std::optional<QString>(const QString&)> takePasted;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  void changeEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  // A line as shown: its text, and for each character where it starts in the text and in the line's bytes.
  struct ShownLine {
    QString text;
    std::vector<int> units;    // characters + 1 entries
    std::vector<int> columns;  // characters + 1 entries
    int UnitOf(int column) const;
    int ColumnOf(int unit) const;
  };
  ShownLine Show(std::string_view bytes, int firstColumn) const;
  bool LongLine(int line) const;
  // The part of a long line in sight: from a character start, as many bytes as fill the viewport.
  std::pair<int, int> ColumnsInSight(int line) const;
  std::unique_ptr<QTextLayout> Layout(const ShownLine& shown) const;
  qreal XOf(TextPosition position) const;  // in the text's coordinates, from the line's start
  int ColumnAtX(int line, qreal x) const;  // the character start nearest to x
  TextPosition PositionAt(QPoint viewportPoint) const;
  int LineHeight() const;
  int VisibleLines() const;
  int Left() const;  // the text's x in the viewport
  void UpdateScrollBars();
  void MeasureWidth(qreal width);

  // The user's edits: the selection (or nothing) becomes `text`, breaks included.
  void Edit(TextPosition from, TextPosition to, std::string_view text);
  void TypeText(const QString& text);
  void Erase(bool forward);
  void CopySelection(bool toSelectionClipboard = false) const;
  void Paste(bool fromSelectionClipboard = false);
  void MoveCaret(TextPosition caret, bool select);
  TextPosition WordStart(TextPosition from) const;
  TextPosition WordEnd(TextPosition from) const;
  void Changed();
  void RestartBlink();

  TextLines lines_;
  TextPosition caret_;
  TextPosition anchor_;
  bool readOnly_ = false;
  bool caretShown_ = true;
  bool selectingByMouse_ = false;
  QBasicTimer blink_;
  QString preedit_;
  int preeditCursor_ = 0;
  qreal widthSeen_ = 0;  // the widest line laid out so far
  qreal cellWidth_ = 8;  // a byte's width on a long line
  int desiredX_ = -1;    // the column up and down keep to, in pixels
};

}  // namespace titrelle
