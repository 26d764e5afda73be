#include "platforms/linux/UserViewWidget.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <memory>

#include "base/Cp936.h"
#include "platforms/linux/QtText.h"
#include "platforms/linux/QtWidgets.h"

namespace titrelle {

namespace {

// Longer lines are drawn in cells: laying out a line of megabytes takes seconds.
constexpr int kLongLineBytes = 2000;
// What an input method is told of a long line around the caret.
constexpr int kSurroundingBytes = 512;

// Character classes for word moves and double clicks: blanks and punctuation, letters and digits, Chinese.
int ClassOf(std::string_view line, int column) {
  const auto byte = static_cast<unsigned char>(line[static_cast<std::size_t>(column)]);
  if (IsLeadByte(byte)) return 2;
  return std::isalnum(byte) != 0 || byte == '_' ? 1 : 0;
}

}  // namespace

int UserViewWidget::ShownLine::UnitOf(int column) const {
  const auto at = std::lower_bound(columns.begin(), columns.end(), column);
  return at == columns.end() ? units.back() : units[static_cast<std::size_t>(at - columns.begin())];
}

int UserViewWidget::ShownLine::ColumnOf(int unit) const {
  const auto at = std::upper_bound(units.begin(), units.end(), unit);
  return columns[static_cast<std::size_t>(at - units.begin()) - 1];
}

UserViewWidget::UserViewWidget(QWidget* parent) : QAbstractScrollArea(parent) {
  setAttribute(Qt::WA_InputMethodEnabled);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  // Dragging text from one line to another would change two lines in one go: the view takes no drops.
  setAcceptDrops(false);
  viewport()->setAcceptDrops(false);
  verticalScrollBar()->setSingleStep(1);
  changeEvent(nullptr);
}

UserViewWidget::~UserViewWidget() = default;

UserViewWidget::ShownLine UserViewWidget::Show(std::string_view bytes, int firstColumn) const {
  ShownLine shown;
  shown.text = QStringFromCp936(bytes);
  const int size = static_cast<int>(bytes.size());
  for (int column = 0; column < size; column = NextCharacter(bytes, column))
    shown.columns.push_back(firstColumn + column);
  shown.columns.push_back(firstColumn + size);
  const std::size_t characters = shown.columns.size() - 1;
  shown.units.resize(characters + 1);
  if (static_cast<std::size_t>(shown.text.size()) == characters) {
    for (std::size_t i = 0; i <= characters; ++i) shown.units[i] = static_cast<int>(i);
    return shown;
  }
  // A byte sequence that is no character of the code page decodes to more or fewer units: each character
  // on its own, so that columns and units still meet.
  shown.text.clear();
  for (std::size_t i = 0; i < characters; ++i) {
    shown.units[i] = static_cast<int>(shown.text.size());
    shown.text +=
        QStringFromCp936(bytes.substr(static_cast<std::size_t>(shown.columns[i] - firstColumn),
                                      static_cast<std::size_t>(shown.columns[i + 1] - shown.columns[i])));
  }
  shown.units[characters] = static_cast<int>(shown.text.size());
  return shown;
}

bool UserViewWidget::LongLine(int line) const { return lines_.Line(line).size() > kLongLineBytes; }

std::pair<int, int> UserViewWidget::ColumnsInSight(int line) const {
  const std::string_view bytes = lines_.Line(line);
  const int size = static_cast<int>(bytes.size());
  const int from = CharacterStart(
      bytes, std::clamp(static_cast<int>(horizontalScrollBar()->value() / cellWidth_) - 1, 0, size));
  int to = std::min(size, from + static_cast<int>(viewport()->width() / cellWidth_) + 4);
  to = CharacterStart(bytes, to);
  if (to < size) to = NextCharacter(bytes, to);
  return {from, to};
}

std::unique_ptr<QTextLayout> UserViewWidget::Layout(const ShownLine& shown) const {
  auto layout = std::make_unique<QTextLayout>(shown.text, font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout->setTextOption(option);
  layout->setCacheEnabled(true);
  layout->beginLayout();
  QTextLine line = layout->createLine();
  if (line.isValid()) line.setLineWidth(1e9);
  layout->endLayout();
  return layout;
}

qreal UserViewWidget::XOf(TextPosition position) const {
  if (LongLine(position.line)) return position.column * cellWidth_;
  const ShownLine shown = Show(lines_.Line(position.line), 0);
  const std::unique_ptr<QTextLayout> layout = Layout(shown);
  return layout->lineAt(0).cursorToX(shown.UnitOf(position.column));
}

int UserViewWidget::LineHeight() const { return std::max(1, fontMetrics().lineSpacing()); }

int UserViewWidget::VisibleLines() const {
  return std::max(1, (viewport()->height() - kEditorMargin) / LineHeight());
}

int UserViewWidget::Left() const { return kEditorMargin - horizontalScrollBar()->value(); }

int UserViewWidget::ColumnAtX(int line, qreal x) const {
  const std::string_view bytes = lines_.Line(line);
  if (LongLine(line)) {
    const int column = static_cast<int>(std::lround(std::max<qreal>(0, x) / cellWidth_));
    return CharacterStart(bytes, std::min(column, static_cast<int>(bytes.size())));
  }
  const ShownLine shown = Show(bytes, 0);
  const std::unique_ptr<QTextLayout> layout = Layout(shown);
  return shown.ColumnOf(layout->lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters));
}

TextPosition UserViewWidget::PositionAt(QPoint point) const {
  const int row = (point.y() - kEditorMargin) / LineHeight() - (point.y() < kEditorMargin ? 1 : 0);
  const int line = std::clamp(verticalScrollBar()->value() + row, 0, lines_.PieceCount() - 1);
  return {line, ColumnAtX(line, point.x() - Left())};
}

QRect UserViewWidget::CaretRect() const {
  qreal x = XOf(caret_);
  if (!preedit_.isEmpty()) x += fontMetrics().horizontalAdvance(preedit_.left(preeditCursor_));
  const int y = kEditorMargin + (caret_.line - verticalScrollBar()->value()) * LineHeight();
  return QRect(static_cast<int>(std::floor(Left() + x)), y, 1, LineHeight());
}

void UserViewWidget::MeasureWidth(qreal width) {
  if (width <= widthSeen_) return;
  widthSeen_ = width;
  UpdateScrollBars();
}

void UserViewWidget::UpdateScrollBars() {
  const int visible = VisibleLines();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setPageStep(visible);
  vertical->setRange(0, std::max(0, lines_.PieceCount() - visible));
  // A scroll bar counts in int: a line of hundreds of megabytes is reached as far as that goes.
  const qreal estimate = static_cast<qreal>(lines_.LongestLineBytes()) * cellWidth_;
  const int width = static_cast<int>(std::min<qreal>(std::ceil(std::max(widthSeen_, estimate)), 1e9)) +
                    2 * kEditorMargin + 1;
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setPageStep(viewport()->width());
  horizontal->setSingleStep(std::max(1, static_cast<int>(cellWidth_ * 2)));
  horizontal->setRange(0, std::max(0, width - viewport()->width()));
}

void UserViewWidget::EnsureCaretVisible() {
  QScrollBar* vertical = verticalScrollBar();
  const int visible = VisibleLines();
  if (caret_.line < vertical->value()) {
    vertical->setValue(caret_.line);
  } else if (caret_.line >= vertical->value() + visible) {
    vertical->setValue(caret_.line - visible + 1);
  }
  QScrollBar* horizontal = horizontalScrollBar();
  const qreal x = XOf(caret_);
  MeasureWidth(x);
  const int room = viewport()->width() - 2 * kEditorMargin - 1;
  if (x < horizontal->value()) {
    horizontal->setValue(static_cast<int>(std::max<qreal>(0, x - room / 4)));
  } else if (x > horizontal->value() + room) {
    horizontal->setValue(static_cast<int>(std::ceil(x - room)));
  }
}

void UserViewWidget::Changed() {
  UpdateScrollBars();
  viewport()->update();
  if (onTextChanged) onTextChanged();
}

void UserViewWidget::SetText(std::string_view text) {
  lines_.SetText(text);
  caret_ = anchor_ = {};
  widthSeen_ = 0;
  desiredX_ = -1;
  UpdateScrollBars();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  Changed();
}

void UserViewWidget::AppendText(std::string_view wholeLines) {
  lines_.Append(wholeLines);
  Changed();
}

void UserViewWidget::ReplacePieces(int first, int count, std::string_view text) {
  const int last = first + count - 1;
  lines_.Replace({first, 0}, {last, static_cast<int>(lines_.Line(last).size())}, text);
  caret_ = anchor_ = {first, 0};
  desiredX_ = -1;
  UpdateScrollBars();
  EnsureCaretVisible();
  Changed();
}

void UserViewWidget::AppendAtEnd(std::string_view text) {
  const TextPosition end = lines_.End();
  caret_ = anchor_ = lines_.Replace(end, end, text);
  desiredX_ = -1;
  UpdateScrollBars();
  EnsureCaretVisible();
  Changed();
}

void UserViewWidget::SetCaret(TextPosition caret, bool keepAnchor) {
  caret.line = std::clamp(caret.line, 0, lines_.PieceCount() - 1);
  const std::string_view line = lines_.Line(caret.line);
  caret.column = CharacterStart(line, std::clamp(caret.column, 0, static_cast<int>(line.size())));
  caret_ = caret;
  if (!keepAnchor) anchor_ = caret;
  EnsureCaretVisible();
  RestartBlink();
  viewport()->update();
  if (QGuiApplication::inputMethod() != nullptr && hasFocus())
    QGuiApplication::inputMethod()->update(Qt::ImQueryAll);
}

void UserViewWidget::MoveCaret(TextPosition caret, bool select) {
  desiredX_ = -1;
  SetCaret(caret, select);
}

void UserViewWidget::SelectAll() {
  anchor_ = {};
  SetCaret(lines_.End(), true);
}

void UserViewWidget::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_) return;
  readOnly_ = readOnly;
  // No input method over a text that takes nothing.
  setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
  if (QGuiApplication::inputMethod() != nullptr && hasFocus())
    QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void UserViewWidget::Edit(TextPosition from, TextPosition to, std::string_view text) {
  if (readOnly_) return;
  caret_ = anchor_ = lines_.Replace(from, to, text);
  desiredX_ = -1;
  UpdateScrollBars();
  EnsureCaretVisible();
  RestartBlink();
  Changed();
}

void UserViewWidget::TypeText(const QString& text) {
  Edit(SelectionStart(), SelectionEnd(), Cp936FromQString(text));
}

void UserViewWidget::Erase(bool forward) {
  if (readOnly_) return;
  if (HasSelection()) return Edit(SelectionStart(), SelectionEnd(), {});
  TextPosition other = caret_;
  const std::string_view line = lines_.Line(caret_.line);
  if (forward) {
    if (caret_.column < static_cast<int>(line.size())) {
      other.column = NextCharacter(line, caret_.column);
    } else if (caret_.line + 1 < lines_.PieceCount()) {
      other = {caret_.line + 1, 0};
    }
  } else if (caret_.column > 0) {
    other.column = PreviousCharacter(line, caret_.column);
  } else if (caret_.line > 0) {
    other = {caret_.line - 1, static_cast<int>(lines_.Line(caret_.line - 1).size())};
  }
  if (other != caret_) Edit(std::min(caret_, other), std::max(caret_, other), {});
}

void UserViewWidget::CopySelection(bool toSelectionClipboard) const {
  if (!HasSelection()) return;
  QString text = QStringFromCp936(lines_.Text(SelectionStart(), SelectionEnd(), "\n"));
  QApplication::clipboard()->setText(text,
                                     toSelectionClipboard ? QClipboard::Selection : QClipboard::Clipboard);
}

void UserViewWidget::Paste(bool fromSelectionClipboard) {
  if (readOnly_) return;
  const QMimeData* data = QApplication::clipboard()->mimeData(fromSelectionClipboard ? QClipboard::Selection
                                                                                     : QClipboard::Clipboard);
  if (data == nullptr || !data->hasText()) return;
  QString text = data->text();
  if (takePasted) {
    if (const std::optional<QString> taken = takePasted(text)) text = *taken;
  }
  TypeText(text);
}

TextPosition UserViewWidget::WordEnd(TextPosition from) const {
  const std::string_view line = lines_.Line(from.line);
  const int size = static_cast<int>(line.size());
  if (from.column >= size) {
    return from.line + 1 < lines_.PieceCount() ? TextPosition{from.line + 1, 0} : from;
  }
  int column = from.column;
  const int kind = ClassOf(line, column);
  while (column < size && ClassOf(line, column) == kind) column = NextCharacter(line, column);
  while (column < size && ClassOf(line, column) == 0 && line[static_cast<std::size_t>(column)] == ' ')
    column = NextCharacter(line, column);
  return {from.line, column};
}

TextPosition UserViewWidget::WordStart(TextPosition from) const {
  if (from.column == 0) {
    return from.line > 0 ? TextPosition{from.line - 1, static_cast<int>(lines_.Line(from.line - 1).size())}
                         : from;
  }
  const std::string_view line = lines_.Line(from.line);
  int column = from.column;
  while (column > 0 && line[static_cast<std::size_t>(column - 1)] == ' ') --column;
  if (column == 0) return {from.line, 0};
  const int kind = ClassOf(line, PreviousCharacter(line, column));
  while (column > 0 && ClassOf(line, PreviousCharacter(line, column)) == kind)
    column = PreviousCharacter(line, column);
  return {from.line, column};
}

void UserViewWidget::keyPressEvent(QKeyEvent* event) {
  const auto vertical = [&](int lines, bool select) {
    if (desiredX_ < 0) desiredX_ = static_cast<int>(XOf(caret_));
    const int x = desiredX_;
    const int line = std::clamp(caret_.line + lines, 0, lines_.PieceCount() - 1);
    // Past the first or the last line, the caret goes to its start or its end.
    TextPosition target{line, lines > 0 ? static_cast<int>(lines_.Line(line).size()) : 0};
    if (line != caret_.line) target.column = ColumnAtX(line, x);
    if (std::abs(lines) > 1) verticalScrollBar()->setValue(verticalScrollBar()->value() + line - caret_.line);
    SetCaret(target, select);
    desiredX_ = x;
  };
  const int page = VisibleLines();
  const std::string_view line = lines_.Line(caret_.line);
  const int size = static_cast<int>(line.size());
  using Key = QKeySequence;
  if (event == Key::SelectAll) {
    SelectAll();
  } else if (event == Key::Copy) {
    CopySelection();
  } else if (event == Key::Cut) {
    if (!readOnly_) {
      CopySelection();
      if (HasSelection()) Edit(SelectionStart(), SelectionEnd(), {});
    }
  } else if (event == Key::Paste) {
    Paste();
  } else if (event == Key::MoveToNextChar || event == Key::SelectNextChar) {
    const bool select = event == Key::SelectNextChar;
    if (!select && HasSelection()) {
      MoveCaret(SelectionEnd(), false);
    } else if (caret_.column < size) {
      MoveCaret({caret_.line, NextCharacter(line, caret_.column)}, select);
    } else if (caret_.line + 1 < lines_.PieceCount()) {
      MoveCaret({caret_.line + 1, 0}, select);
    }
  } else if (event == Key::MoveToPreviousChar || event == Key::SelectPreviousChar) {
    const bool select = event == Key::SelectPreviousChar;
    if (!select && HasSelection()) {
      MoveCaret(SelectionStart(), false);
    } else if (caret_.column > 0) {
      MoveCaret({caret_.line, PreviousCharacter(line, caret_.column)}, select);
    } else if (caret_.line > 0) {
      MoveCaret({caret_.line - 1, static_cast<int>(lines_.Line(caret_.line - 1).size())}, select);
    }
  } else if (event == Key::MoveToNextWord || event == Key::SelectNextWord) {
    MoveCaret(WordEnd(caret_), event == Key::SelectNextWord);
  } else if (event == Key::MoveToPreviousWord || event == Key::SelectPreviousWord) {
    MoveCaret(WordStart(caret_), event == Key::SelectPreviousWord);
  } else if (event == Key::MoveToNextLine || event == Key::SelectNextLine) {
    vertical(1, event == Key::SelectNextLine);
  } else if (event == Key::MoveToPreviousLine || event == Key::SelectPreviousLine) {
    vertical(-1, event == Key::SelectPreviousLine);
  } else if (event == Key::MoveToNextPage || event == Key::SelectNextPage) {
    vertical(page, event == Key::SelectNextPage);
  } else if (event == Key::MoveToPreviousPage || event == Key::SelectPreviousPage) {
    vertical(-page, event == Key::SelectPreviousPage);
  } else if (event == Key::MoveToStartOfLine || event == Key::SelectStartOfLine ||
             event == Key::MoveToStartOfBlock || event == Key::SelectStartOfBlock) {
    MoveCaret({caret_.line, 0}, event == Key::SelectStartOfLine || event == Key::SelectStartOfBlock);
  } else if (event == Key::MoveToEndOfLine || event == Key::SelectEndOfLine ||
             event == Key::MoveToEndOfBlock || event == Key::SelectEndOfBlock) {
    MoveCaret({caret_.line, size}, event == Key::SelectEndOfLine || event == Key::SelectEndOfBlock);
  } else if (event == Key::MoveToStartOfDocument || event == Key::SelectStartOfDocument) {
    MoveCaret({}, event == Key::SelectStartOfDocument);
  } else if (event == Key::MoveToEndOfDocument || event == Key::SelectEndOfDocument) {
    MoveCaret(lines_.End(), event == Key::SelectEndOfDocument);
  } else if (event == Key::InsertParagraphSeparator || event == Key::InsertLineSeparator) {
    TypeText(QStringLiteral("\n"));
  } else if (event == Key::DeleteStartOfWord) {
    if (HasSelection()) {
      Erase(false);
    } else {
      Edit(WordStart(caret_), caret_, {});
    }
  } else if (event == Key::DeleteEndOfWord) {
    if (HasSelection()) {
      Erase(true);
    } else {
      Edit(caret_, WordEnd(caret_), {});
    }
  } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
    Erase(false);
  } else if (event == Key::Delete) {
    Erase(true);
  } else if (event == Key::Undo || event == Key::Redo) {
    // The program's one history takes the view's edits back, not the view.
  } else if (const QString text = event->text();
             !text.isEmpty() && text.at(0).isPrint() &&
             !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
    if (readOnly_) return event->ignore();
    TypeText(text);
  } else {
    return event->ignore();
  }
  event->accept();
}

void UserViewWidget::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && !readOnly_) TypeText(event->commitString());
  preedit_ = readOnly_ ? QString() : event->preeditString();
  preeditCursor_ = static_cast<int>(preedit_.size());
  for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
    if (attribute.type == QInputMethodEvent::Cursor)
      preeditCursor_ = std::clamp(attribute.start, 0, static_cast<int>(preedit_.size()));
  }
  viewport()->update();
  event->accept();
}

QVariant UserViewWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  // The caret's line, or the part of a long one around the caret.
  const std::string_view line = lines_.Line(caret_.line);
  const int from =
      line.size() > kLongLineBytes ? CharacterStart(line, std::max(0, caret_.column - kSurroundingBytes)) : 0;
  int to = static_cast<int>(line.size());
  if (line.size() > kLongLineBytes) {
    to = std::min(to, caret_.column + kSurroundingBytes);
    to = CharacterStart(line, to);
  }
  switch (query) {
    case Qt::ImEnabled:
      return !readOnly_;
    case Qt::ImCursorRectangle:
      return CaretRect().translated(viewport()->pos());
    case Qt::ImFont:
      return font();
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImSurroundingText:
      return Show(line.substr(from, to - from), from).text;
    case Qt::ImCursorPosition:
      return Show(line.substr(from, to - from), from).UnitOf(caret_.column);
    case Qt::ImAnchorPosition: {
      const ShownLine shown = Show(line.substr(from, to - from), from);
      if (anchor_.line != caret_.line) return shown.UnitOf(caret_.column);
      return shown.UnitOf(std::clamp(anchor_.column, from, to));
    }
    case Qt::ImCurrentSelection:
      return QStringFromCp936(lines_.Text(SelectionStart(), SelectionEnd(), "\n"));
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

void UserViewWidget::mousePressEvent(QMouseEvent* event) {
  const TextPosition at = PositionAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton) {
    selectingByMouse_ = true;
    MoveCaret(at, (event->modifiers() & Qt::ShiftModifier) != 0);
  } else if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
    if (readOnly_) return;
    MoveCaret(at, false);
    Paste(true);
  }
}

void UserViewWidget::mouseMoveEvent(QMouseEvent* event) {
  if (selectingByMouse_ && (event->buttons() & Qt::LeftButton)) {
    MoveCaret(PositionAt(event->position().toPoint()), true);
  }
}

void UserViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    selectingByMouse_ = false;
    if (QApplication::clipboard()->supportsSelection()) CopySelection(true);
  }
}

void UserViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return mousePressEvent(event);
  const TextPosition at = PositionAt(event->position().toPoint());
  const std::string_view line = lines_.Line(at.line);
  if (line.empty()) return MoveCaret(at, false);
  const int column =
      at.column < static_cast<int>(line.size()) ? at.column : PreviousCharacter(line, at.column);
  const int kind = ClassOf(line, column);
  int start = column;
  while (start > 0 && ClassOf(line, PreviousCharacter(line, start)) == kind)
    start = PreviousCharacter(line, start);
  int end = column;
  while (end < static_cast<int>(line.size()) && ClassOf(line, end) == kind) end = NextCharacter(line, end);
  anchor_ = {at.line, start};
  desiredX_ = -1;
  SetCaret({at.line, end}, true);
  selectingByMouse_ = false;
}

void UserViewWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QPalette& colors = palette();
  const int height = LineHeight();
  const int ascent = fontMetrics().ascent();
  const int first = verticalScrollBar()->value();
  const int last = std::min(lines_.PieceCount(), first + VisibleLines() + 1);
  // Only the lines the paint asks for: the caret's blink repaints its own line.
  const QRect asked = event->rect();
  const int from = std::max(first, first + (asked.top() - kEditorMargin) / height);
  const int to = std::min(last, first + (asked.bottom() - kEditorMargin) / height + 1);
  const TextPosition selectionStart = SelectionStart();
  const TextPosition selectionEnd = SelectionEnd();
  const qreal left = Left();
  qreal widest = 0;
  painter.setPen(colors.color(QPalette::Text));
  for (int line = from; line < to; ++line) {
    const int y = kEditorMargin + (line - first) * height;
    const std::string_view bytes = lines_.Line(line);
    // The selected columns of this line, if any.
    int selectedFrom = -1;
    int selectedTo = -1;
    if (HasSelection() && line >= selectionStart.line && line <= selectionEnd.line) {
      selectedFrom = line == selectionStart.line ? selectionStart.column : 0;
      selectedTo = line == selectionEnd.line ? selectionEnd.column : static_cast<int>(bytes.size());
    }
    const bool caretLine = line == caret_.line;
    if (LongLine(line)) {
      const auto [from, to] = ColumnsInSight(line);
      const ShownLine shown = Show(bytes.substr(from, to - from), from);
      if (selectedFrom >= 0) {
        const qreal x0 = left + std::max(selectedFrom, from) * cellWidth_;
        const qreal x1 = left + std::min(selectedTo, to) * cellWidth_;
        if (x1 > x0) painter.fillRect(QRectF(x0, y, x1 - x0, height), colors.color(QPalette::Highlight));
      }
      for (std::size_t i = 0; i + 1 < shown.columns.size(); ++i) {
        const int column = shown.columns[i];
        const bool selected = column >= selectedFrom && column < selectedTo;
        painter.setPen(colors.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter.drawText(QPointF(left + column * cellWidth_, y + ascent),
                         shown.text.mid(shown.units[i], shown.units[i + 1] - shown.units[i]));
      }
      painter.setPen(colors.color(QPalette::Text));
      if (caretLine && !preedit_.isEmpty()) {
        const QPointF at(left + caret_.column * cellWidth_, y + ascent);
        painter.fillRect(QRectF(at.x(), y, fontMetrics().horizontalAdvance(preedit_), height),
                         colors.color(QPalette::Base));
        painter.drawText(at, preedit_);
      }
      continue;
    }
    const ShownLine shown = Show(bytes, 0);
    QTextLayout layout(shown.text, font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    if (caretLine && !preedit_.isEmpty()) layout.setPreeditArea(shown.UnitOf(caret_.column), preedit_);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    if (textLine.isValid()) textLine.setLineWidth(1e9);
    layout.endLayout();
    widest = std::max(widest, textLine.isValid() ? textLine.naturalTextWidth() : 0);
    QList<QTextLayout::FormatRange> selections;
    if (selectedFrom >= 0 && selectedTo > selectedFrom) {
      QTextLayout::FormatRange range;
      range.start = shown.UnitOf(selectedFrom);
      range.length = shown.UnitOf(selectedTo) - range.start;
      range.format.setBackground(colors.brush(QPalette::Highlight));
      range.format.setForeground(colors.brush(QPalette::HighlightedText));
      selections.append(range);
    }
    if (caretLine && !preedit_.isEmpty()) {
      QTextLayout::FormatRange range;
      range.start = shown.UnitOf(caret_.column);
      range.length = static_cast<int>(preedit_.size());
      range.format.setFontUnderline(true);
      selections.append(range);
    }
    layout.draw(&painter, QPointF(left, y), selections);
  }
  MeasureWidth(widest);
  if (hasFocus() && caretShown_ && caret_.line >= first && caret_.line < last) {
    painter.fillRect(CaretRect(), colors.color(QPalette::Text));
  }
}

void UserViewWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void UserViewWidget::RestartBlink() {
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blink_.start(flash / 2, this);
  } else {
    blink_.stop();
  }
}

void UserViewWidget::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void UserViewWidget::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.stop();
  viewport()->update();
}

void UserViewWidget::timerEvent(QTimerEvent* event) {
  if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
  caretShown_ = !caretShown_;
  viewport()->update(CaretRect().adjusted(-1, 0, 1, 0));
}

void UserViewWidget::changeEvent(QEvent* event) {
  if (event != nullptr) QAbstractScrollArea::changeEvent(event);
  if (event == nullptr || event->type() == QEvent::FontChange) {
    const QFontMetricsF metrics(font());
    // A byte of a long line: a digit's width, or half a Chinese character's, whichever is wider.
    cellWidth_ =
        std::max(metrics.horizontalAdvance(QLatin1Char('0')), metrics.horizontalAdvance(QChar(0x4E2D)) / 2);
    widthSeen_ = 0;
    UpdateScrollBars();
    viewport()->update();
  }
}

void UserViewWidget::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  const auto add = [&](const char* text, QKeySequence::StandardKey key, bool enabled, auto act) {
    QAction* action = menu.addAction(QCoreApplication::translate("QWidgetTextControl", text));
    action->setShortcut(key);
    action->setEnabled(enabled);
    QObject::connect(action, &QAction::triggered, this, act);
  };
  add("Cu&t", QKeySequence::Cut, HasSelection() && !readOnly_, [this] {
    CopySelection();
    Edit(SelectionStart(), SelectionEnd(), {});
  });
  add("&Copy", QKeySequence::Copy, HasSelection(), [this] { CopySelection(); });
  add("&Paste", QKeySequence::Paste, !readOnly_, [this] { Paste(); });
  menu.addSeparator();
  add("Select All", QKeySequence::SelectAll, true, [this] { SelectAll(); });
  menu.exec(event->globalPos());
}

bool UserViewWidget::focusNextPrevChild(bool next) {
  // Tab leaves the view, as in the program's other controls.
  return QWidget::focusNextPrevChild(next);
}

}  // namespace titrelle
